#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/D3DX9Effect.h"
#include "platform/EffectScanner.h"
#include "support/D3DTestSupport.h"
#include "support/PlatformReset.h"

namespace {

const char* const kHoley = R"(// a typical engine effect
#define UNUSED 1
shared float4x4 g_mViewInv : VIEWINVERSE;
float time = 0.0f;
texture tex0 < string name = "detail1.dds"; >;
texture tex1;
texture tex3;
float4 tint[2] = { {1, 1, 1, 1}, {0.5, 0.5, 0.5, 1} };
static const float hidden = 2.0;
sampler s0 = sampler_state { Texture = <tex0>; MinFilter = Linear; };
struct VS_OUT { float4 pos : POSITION; float2 uv : TEXCOORD0; };
VS_OUT VS(float4 pos : POSITION, float2 uv : TEXCOORD0) { VS_OUT o; o.pos = pos; o.uv = uv; return o; }
float4 PS(VS_OUT i) : COLOR { return tex2D(s0, i.uv) * tint[0]; }
/* two techniques, the first with two passes */
technique Main < string group = "a"; > {
    pass P0 { VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); }
    pass P1 { AlphaBlendEnable = true; }
}
Technique Fallback { pass { } }
)";

D3DPtr<ID3DXEffect> Create(IDirect3DDevice9& device, const std::string& text, ID3DXEffectPool* pool = nullptr,
                           HRESULT* result = nullptr, std::string* errors = nullptr) {
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* buffer = nullptr;
    HRESULT hr = D3DXCreateEffect(&device, text.data(), static_cast<UINT>(text.size()), nullptr, nullptr, 0, pool,
                                  &effect, &buffer);
    if (result) *result = hr;
    if (buffer) {
        if (errors) *errors = static_cast<const char*>(buffer->GetBufferPointer());
        buffer->Release();
    }
    return D3DPtr<ID3DXEffect>(effect);
}

}  // namespace

TEST(EffectScannerTest, FindsTechniquesPassesAndParameters) {
    EffectScan scan;
    std::string error;
    ASSERT_TRUE(ScanEffectText(kHoley, std::strlen(kHoley), &scan, &error)) << error;
    ASSERT_EQ(scan.techniques.size(), 2u);
    EXPECT_EQ(scan.techniques[0].name, "Main");
    EXPECT_EQ(scan.techniques[0].passes, 2u);
    EXPECT_EQ(scan.techniques[1].name, "Fallback");
    EXPECT_EQ(scan.techniques[1].passes, 1u);
    std::vector<std::string> names;
    for (const auto& p : scan.parameters) names.push_back(p.name);
    EXPECT_EQ(names, (std::vector<std::string>{"g_mViewInv", "time", "tex0", "tex1", "tex3", "tint", "s0"}));
    EXPECT_TRUE(scan.parameters[0].shared);
    EXPECT_EQ(scan.parameters[0].semantic, "VIEWINVERSE");
    EXPECT_EQ(scan.parameters[5].elements, 2u);
}

TEST(EffectScannerTest, RejectsBrokenTextSayingWhere) {
    struct Case {
        const char* name;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"unbalanced brace", "technique T { pass P { }\n", "effect(2): unexpected end of text inside technique"},
        {"mismatched bracket", "float f(float a] { return a; }", "effect(1): ']' does not close '('"},
        {"unterminated comment", "float a;\n/* never closed", "effect(2): unterminated comment"},
        {"unterminated string", "texture t < string n = \"x.tga; >;", "effect(1): unterminated string"},
        {"missing semicolon", "float a = 1.0", "effect(1): unexpected end of text: missing ';'"},
        {"stray closer", "float a;\n}", "effect(2): unexpected '}'"},
        {"technique without passes block", "technique T pass P {}", "effect(1): expected '{' after technique"},
        {"something else in a technique", "technique T { float a; }", "effect(1): expected 'pass' inside technique"},
        {"stray byte", "float a;\n\x01", "effect(2): unexpected character 0x01"},
        {"binary data", "DDS \x7c\0\0\0", "effect(1): expected a name after 'DDS'"},
    };
    for (const Case& c : cases) {
        EffectScan scan;
        std::string error;
        const size_t size = c.text == cases[9].text ? 8 : std::strlen(c.text);
        EXPECT_FALSE(ScanEffectText(c.text, size, &scan, &error)) << c.name;
        EXPECT_EQ(error.rfind(c.message, 0), 0u) << c.name << ": " << error;
        EXPECT_TRUE(scan.techniques.empty() && scan.parameters.empty()) << c.name;
    }
    EffectScan scan;
    std::string error;
    EXPECT_TRUE(ScanEffectText("", 0, &scan, &error)) << "empty text declares nothing";
    const char terminated[] = "float a;";
    EXPECT_TRUE(ScanEffectText(terminated, sizeof terminated, &scan, &error)) << "a terminating zero is fine";
}

TEST(EffectScannerTest, ArrayLengthsMustBeSmallAndPositive) {
    struct Case {
        const char* text;
        bool accepted;
        uint32_t elements;
    };
    const Case cases[] = {
        {"float4 bones[256];", true, 256},
        {"float4 grid[0x10];", true, 16},
        {"float4 many[65536];", true, 65536},
        {"float4 tooMany[65537];", false, 0},
        {"float4x4 huge[4000000000];", false, 0},
        {"float4x4 wrapping[99999999999999999999];", false, 0},
        {"float none[0];", false, 0},
    };
    for (const Case& c : cases) {
        EffectScan scan;
        std::string error;
        EXPECT_EQ(ScanEffectText(c.text, std::strlen(c.text), &scan, &error), c.accepted) << c.text << ": " << error;
        if (c.accepted) {
            ASSERT_EQ(scan.parameters.size(), 1u) << c.text;
            EXPECT_EQ(scan.parameters[0].elements, c.elements) << c.text;
        } else {
            EXPECT_EQ(error, "effect(1): array length out of range") << c.text;
        }
    }

    // The effect made from such text holds no value for it: creation fails before anything is allocated.
    PlatformReset reset;
    auto device = MakeTestDevice();
    HRESULT result = S_OK;
    EXPECT_EQ(Create(*device, "float4x4 huge[4000000000]; technique T { pass { } }", nullptr, &result), nullptr);
    EXPECT_EQ(result, E_FAIL);
}

TEST(D3DXEffectTest, HandlesFindParametersAndTechniques) {
    auto device = MakeTestDevice();
    auto effect = Create(*device, kHoley);
    ASSERT_NE(effect, nullptr);
    EXPECT_NE(effect->GetParameterByName(nullptr, "time"), nullptr);
    EXPECT_NE(effect->GetParameterByName(nullptr, "tex1"), nullptr);
    EXPECT_EQ(effect->GetParameterByName(nullptr, "tex2"), nullptr);
    EXPECT_EQ(effect->GetParameterByName(nullptr, "hidden"), nullptr) << "static globals are no parameters";
    EXPECT_EQ(effect->GetParameterBySemantic(nullptr, "viewinverse"), effect->GetParameterByName(nullptr, "g_mViewInv"));

    D3DXPARAMETER_DESC desc{};
    ASSERT_EQ(effect->GetParameterDesc(effect->GetParameterByName(nullptr, "g_mViewInv"), &desc), D3D_OK);
    EXPECT_EQ(desc.Class, D3DXPC_MATRIX_ROWS);
    EXPECT_EQ(desc.Rows, 4u);
    EXPECT_EQ(desc.Bytes, 64u);
    EXPECT_EQ(desc.Flags, 0u) << "shared only within a pool";
    ASSERT_EQ(effect->GetParameterDesc("tex0", &desc), D3D_OK) << "a name works as a handle";
    EXPECT_EQ(desc.Type, D3DXPT_TEXTURE);

    D3DXHANDLE first = nullptr, second = nullptr, none = reinterpret_cast<D3DXHANDLE>(1);
    ASSERT_EQ(effect->FindNextValidTechnique(nullptr, &first), D3D_OK);
    ASSERT_EQ(effect->FindNextValidTechnique(first, &second), D3D_OK);
    EXPECT_EQ(effect->FindNextValidTechnique(second, &none), S_FALSE);
    EXPECT_EQ(none, nullptr);
    EXPECT_STREQ(first, "Main");
    EXPECT_STREQ(second, "Fallback");
    ASSERT_EQ(effect->SetTechnique(second), D3D_OK);
    EXPECT_EQ(effect->GetCurrentTechnique(), second);
    EXPECT_EQ(effect->SetTechnique(nullptr), D3DERR_INVALIDCALL);
}

TEST(D3DXEffectTest, KeepsValuesAndRecordsTheDrawingSequence) {
    auto device = MakeRecordingDevice();
    auto effect = Create(*device, kHoley);
    ASSERT_NE(effect, nullptr);
    D3DXHANDLE time = effect->GetParameterByName(nullptr, "time");
    ASSERT_EQ(effect->SetFloat(time, 2.5f), D3D_OK);
    float value = 0;
    effect->GetFloat(time, &value);
    EXPECT_EQ(value, 2.5f);
    D3DXMATRIX m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    ASSERT_EQ(effect->SetMatrix("g_mViewInv", &m), D3D_OK);
    D3DXMATRIX back;
    effect->GetMatrix("g_mViewInv", &back);
    EXPECT_EQ(back.m[2][3], 12.0f);

    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    ASSERT_EQ(effect->SetTexture("tex0", texture), D3D_OK);
    EXPECT_EQ(texture->RefCount(), 2u) << "the effect holds the texture";
    EXPECT_EQ(effect->SetTexture(time, texture), D3DERR_INVALIDCALL) << "a number is no texture";
    EXPECT_EQ(effect->SetFloat("tex0", 1.0f), D3DERR_INVALIDCALL) << "a texture is no number";
    EXPECT_EQ(effect->SetFloat("missing", 1.0f), D3DERR_INVALIDCALL);

    device->ClearCalls();
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(passes, 2u);
    EXPECT_EQ(effect->BeginPass(2), D3DERR_INVALIDCALL);
    for (UINT pass = 0; pass < passes; ++pass) {
        ASSERT_EQ(effect->BeginPass(pass), D3D_OK);
        ASSERT_EQ(effect->EndPass(), D3D_OK);
    }
    ASSERT_EQ(effect->End(), D3D_OK);
    std::vector<D3DCall> sequence;
    for (const auto& record : device->Calls()) sequence.push_back(record.call);
    EXPECT_EQ(sequence, (std::vector<D3DCall>{D3DCall::EffectBegin, D3DCall::EffectBeginPass,
                                               D3DCall::EffectBeginPass, D3DCall::EffectEndPass,
                                               D3DCall::EffectBeginPass, D3DCall::EffectEndPass, D3DCall::EffectEnd}));
    EXPECT_EQ(device->Calls()[1].result, D3DERR_INVALIDCALL);

    effect.reset();
    EXPECT_EQ(texture->RefCount(), 1u) << "released with the effect";
    texture->Release();
}

TEST(D3DXEffectTest, SharedParametersLiveInThePool) {
    auto device = MakeTestDevice();
    ID3DXEffectPool* rawPool = nullptr;
    ASSERT_EQ(D3DXCreateEffectPool(&rawPool), D3D_OK);
    D3DPtr<ID3DXEffectPool> pool(rawPool);
    auto a = Create(*device, "shared float4 g_vLight; float local; technique T { pass { } }", pool.get());
    auto b = Create(*device, "shared float4 g_vLight; float local;", pool.get());
    auto unpooled = Create(*device, "shared float4 g_vLight;");
    ASSERT_TRUE(a && b && unpooled);
    D3DXVECTOR4 light(1, 2, 3, 4);
    a->SetVector("g_vLight", &light);
    a->SetFloat("local", 9.0f);
    D3DXVECTOR4 seen;
    b->GetVector("g_vLight", &seen);
    EXPECT_EQ(seen, light);
    float local = -1;
    b->GetFloat("local", &local);
    EXPECT_EQ(local, 0.0f) << "only shared parameters are shared";
    unpooled->GetVector("g_vLight", &seen);
    EXPECT_EQ(seen, D3DXVECTOR4(0, 0, 0, 0)) << "without a pool nothing is shared";
    D3DXPARAMETER_DESC desc{};
    a->GetParameterDesc("g_vLight", &desc);
    EXPECT_EQ(desc.Flags, D3DX_PARAMETER_SHARED);

    HRESULT result = S_OK;
    std::string errors;
    auto clash = Create(*device, "shared float3 g_vLight;", pool.get(), &result, &errors);
    EXPECT_EQ(result, E_FAIL);
    EXPECT_EQ(clash, nullptr);
    EXPECT_NE(errors.find("g_vLight"), std::string::npos) << errors;
    a.reset();
    b->GetVector("g_vLight", &seen);
    EXPECT_EQ(seen, light) << "the pool keeps the value while one effect uses it";
}

TEST(D3DXEffectTest, HoldsTheDeviceBackFromResettingUntilToldItIsLost) {
    auto device = MakeTestDevice();
    auto effect = Create(*device, kHoley);
    ASSERT_NE(effect, nullptr);
    device->LoseDevice();
    D3DPRESENT_PARAMETERS parameters = device->PresentParameters();
    EXPECT_EQ(device->Reset(&parameters), D3DERR_INVALIDCALL);
    ASSERT_EQ(effect->OnLostDevice(), D3D_OK);
    ASSERT_EQ(device->Reset(&parameters), D3D_OK);
    ASSERT_EQ(effect->OnResetDevice(), D3D_OK);
    EXPECT_FALSE(effect->IsLost());
}

TEST(D3DXEffectTest, MalformedTextAndInjectedFailuresGiveNoEffect) {
    PlatformReset reset;
    auto device = MakeRecordingDevice();
    HRESULT result = S_OK;
    std::string errors;
    auto broken = Create(*device, "technique T { pass P {", nullptr, &result, &errors);
    EXPECT_EQ(result, E_FAIL);
    EXPECT_EQ(broken, nullptr);
    EXPECT_EQ(errors, "effect(1): unexpected end of text inside '{'");

    ArmD3DFailure(D3DCall::D3DXCreateEffect, D3DERR_OUTOFVIDEOMEMORY);
    auto failed = Create(*device, kHoley, nullptr, &result);
    EXPECT_EQ(result, D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(failed, nullptr);
    EXPECT_EQ(device->ChildCount(), 0u) << "nothing left behind";

    auto records = CallsOf(*device, D3DCall::D3DXCreateEffect);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].result, E_FAIL);
    EXPECT_EQ(records[1].result, D3DERR_OUTOFVIDEOMEMORY);
}
