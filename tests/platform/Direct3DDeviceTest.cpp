#include <gtest/gtest.h>

#include <cstring>

#include "platform/Direct3DDevice9.h"
#include "support/D3DTestSupport.h"
#include "support/PlatformReset.h"

namespace {

D3DPtr<IDirect3DVertexBuffer9> MakeVertexBuffer(IDirect3DDevice9& device, UINT bytes, D3DPOOL pool = D3DPOOL_MANAGED,
                                               DWORD usage = D3DUSAGE_WRITEONLY) {
    IDirect3DVertexBuffer9* buffer = nullptr;
    EXPECT_EQ(device.CreateVertexBuffer(bytes, usage, 0x2d2, pool, &buffer, nullptr), D3D_OK);
    return D3DPtr<IDirect3DVertexBuffer9>(buffer);
}

D3DPtr<IDirect3DIndexBuffer9> MakeIndexBuffer(IDirect3DDevice9& device, const std::vector<uint16_t>& indices) {
    IDirect3DIndexBuffer9* buffer = nullptr;
    EXPECT_EQ(device.CreateIndexBuffer(static_cast<UINT>(indices.size() * 2), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                       D3DPOOL_MANAGED, &buffer, nullptr),
              D3D_OK);
    void* data = nullptr;
    EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
    std::memcpy(data, indices.data(), indices.size() * 2);
    buffer->Unlock();
    return D3DPtr<IDirect3DIndexBuffer9>(buffer);
}

}  // namespace

TEST(Direct3DDeviceTest, StartsInThePlatformDefaultState) {
    auto device = MakeRecordingDevice();
    struct Case {
        D3DRENDERSTATETYPE state;
        DWORD value;
    };
    for (Case c : {Case{D3DRS_ZENABLE, D3DZB_TRUE}, Case{D3DRS_LIGHTING, TRUE}, Case{D3DRS_CULLMODE, D3DCULL_CCW},
                   Case{D3DRS_SRCBLEND, D3DBLEND_ONE}, Case{D3DRS_DESTBLEND, D3DBLEND_ZERO},
                   Case{D3DRS_FOGEND, D3DFloatBits(1.0f)}, Case{D3DRS_ALPHABLENDENABLE, FALSE}}) {
        DWORD value = 0xDEAD;
        ASSERT_EQ(device->GetRenderState(c.state, &value), D3D_OK);
        EXPECT_EQ(value, c.value) << "render state " << c.state;
    }
    DWORD op = 0;
    device->GetTextureStageState(0, D3DTSS_COLOROP, &op);
    EXPECT_EQ(op, D3DTOP_MODULATE);
    device->GetTextureStageState(1, D3DTSS_COLOROP, &op);
    EXPECT_EQ(op, D3DTOP_DISABLE);
    D3DMATRIX view{};
    device->GetTransform(D3DTS_VIEW, &view);
    EXPECT_EQ(view.m[0][0], 1.0f);
    EXPECT_EQ(view.m[3][2], 0.0f);
    EXPECT_TRUE(device->Calls().empty());
}

TEST(Direct3DDeviceTest, RecordsEveryCallInOrderAndKeepsTheState) {
    auto device = MakeRecordingDevice();
    D3DMATRIX world{};
    world.m[3][0] = 5.0f;
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_POINT;
    light.Range = 20.0f;
    D3DMATERIAL9 material{};
    material.Power = 10.0f;
    device->SetRenderState(D3DRS_FOGSTART, D3DFloatBits(10.0f));
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    device->SetSamplerState(0, D3DSAMP_MAXANISOTROPY, 8);
    device->SetLight(3, &light);
    device->LightEnable(3, TRUE);
    device->SetMaterial(&material);
    device->SetFVF(0x2d2);

    const auto& calls = device->Calls();
    ASSERT_EQ(calls.size(), 8u) << DescribeCalls(*device);
    EXPECT_TRUE(calls[0].Is(D3DCall::SetRenderState, {D3DRS_FOGSTART, D3DFloatBits(10.0f)}));
    EXPECT_TRUE(calls[1].Is(D3DCall::SetTransform, {D3DTS_WORLD}));
    EXPECT_EQ(calls[1].matrix.m[3][0], 5.0f);
    EXPECT_TRUE(calls[2].Is(D3DCall::SetTextureStageState, {1, D3DTSS_ALPHAOP, D3DTOP_DISABLE}));
    EXPECT_TRUE(calls[3].Is(D3DCall::SetSamplerState, {0, D3DSAMP_MAXANISOTROPY, 8}));
    EXPECT_TRUE(calls[4].Is(D3DCall::SetLight, {3}));
    EXPECT_EQ(calls[4].light.Range, 20.0f);
    EXPECT_TRUE(calls[5].Is(D3DCall::LightEnable, {3, TRUE}));
    EXPECT_EQ(calls[6].material.Power, 10.0f);
    EXPECT_TRUE(calls[7].Is(D3DCall::SetFVF, {0x2d2}));

    DWORD value = 0;
    device->GetRenderState(D3DRS_FOGSTART, &value);
    EXPECT_EQ(D3DBitsFloat(value), 10.0f);
    D3DLIGHT9 stored{};
    ASSERT_EQ(device->GetLight(3, &stored), D3D_OK);
    EXPECT_EQ(stored.Range, 20.0f);
    BOOL enabled = FALSE;
    device->GetLightEnable(3, &enabled);
    EXPECT_TRUE(enabled);
}

TEST(Direct3DDeviceTest, BuffersKeepTheirBytesAndRefuseBadLocks) {
    auto device = MakeRecordingDevice();
    auto buffer = MakeVertexBuffer(*device, 96);
    void* data = nullptr;
    ASSERT_EQ(buffer->Lock(48, 48, &data, 0), D3D_OK);
    std::memset(data, 0x5A, 48);
    EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3DERR_INVALIDCALL) << "second lock while locked";
    ASSERT_EQ(buffer->Unlock(), D3D_OK);
    EXPECT_EQ(buffer->Unlock(), D3DERR_INVALIDCALL);
    EXPECT_EQ(buffer->Bytes()[47], 0);
    EXPECT_EQ(buffer->Bytes()[48], 0x5A);
    EXPECT_EQ(buffer->Bytes()[95], 0x5A);

    struct Range {
        UINT offset, size;
    };
    for (Range r : {Range{0, 97}, Range{97, 0}, Range{90, 7}, Range{1, 0xFFFFFFFFu}}) {
        EXPECT_EQ(buffer->Lock(r.offset, r.size, &data, 0), D3DERR_INVALIDCALL) << r.offset << "+" << r.size;
        EXPECT_EQ(data, nullptr);
        EXPECT_FALSE(buffer->IsLocked());
    }

    // A discarding lock hands out fresh contents, filled when the test asks for it.
    device->SetDiscardFill(true);
    ASSERT_EQ(buffer->Lock(0, 0, &data, D3DLOCK_DISCARD | D3DLOCK_NOSYSLOCK), D3D_OK);
    EXPECT_EQ(static_cast<uint8_t*>(data)[50], 0xCD);
    buffer->Unlock();
    auto locks = CallsOf(*device, D3DCall::VertexBufferLock);
    ASSERT_FALSE(locks.empty());
    EXPECT_TRUE(locks.back().Is(D3DCall::VertexBufferLock, {0, 0, D3DLOCK_DISCARD | D3DLOCK_NOSYSLOCK}));

    D3DVERTEXBUFFER_DESC desc{};
    ASSERT_EQ(buffer->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Size, 96u);
    EXPECT_EQ(desc.FVF, 0x2d2u);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(desc.Usage, D3DUSAGE_WRITEONLY);
}

// Recording and the discard fill cost every frame; a device does neither until asked.
TEST(Direct3DDeviceTest, RecordsAndFillsDiscardedBuffersOnlyWhenAsked) {
    struct Case {
        const char* name;
        bool record;
        bool fill;
        size_t records;       // calls kept after SetFVF and one discarding lock and unlock
        uint8_t byteAfterLock;  // a byte written before the discarding lock
    };
    for (Case c : {Case{"neither", false, false, 0, 0x5A}, Case{"recording", true, false, 3, 0x5A},
                   Case{"fill", false, true, 0, 0xCD}, Case{"both", true, true, 3, 0xCD}}) {
        auto device = MakeTestDevice();
        EXPECT_FALSE(device->IsRecording()) << c.name;
        EXPECT_FALSE(device->DiscardFill()) << c.name;
        auto buffer = MakeVertexBuffer(*device, 16);
        void* data = nullptr;
        ASSERT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
        std::memset(data, 0x5A, 16);
        buffer->Unlock();
        device->SetRecording(c.record);
        device->SetDiscardFill(c.fill);
        device->SetFVF(0x2d2);
        ASSERT_EQ(buffer->Lock(0, 0, &data, D3DLOCK_DISCARD), D3D_OK) << c.name;
        EXPECT_EQ(static_cast<uint8_t*>(data)[7], c.byteAfterLock) << c.name;
        buffer->Unlock();
        // Switched off after it was on, the device stops recording and keeps what it has.
        device->SetRecording(true);
        device->SetRecording(false);
        device->SetFVF(0);
        EXPECT_EQ(device->Calls().size(), c.records) << c.name << "\n" << DescribeCalls(*device);
    }
}

TEST(Direct3DDeviceDeathTest, ReadingTheRecordOfADeviceNeverAskedToRecordAborts) {
    auto device = MakeTestDevice();
    device->SetFVF(0x2d2);
    EXPECT_DEATH(static_cast<void>(device->Calls()), "never asked to record");
}

TEST(Direct3DDeviceTest, InjectedFailuresHitTheChosenCallsOnly) {
    PlatformReset reset;
    auto device = MakeRecordingDevice();
    auto buffer = MakeVertexBuffer(*device, 48);
    // The second and third locks fail; the first and fourth succeed.
    ArmD3DFailure(D3DCall::VertexBufferLock, D3DERR_INVALIDCALL, 2, 1);
    std::vector<HRESULT> results;
    for (int i = 0; i < 4; ++i) {
        void* data = nullptr;
        results.push_back(buffer->Lock(0, 0, &data, 0));
        if (SUCCEEDED(results.back())) buffer->Unlock();
    }
    EXPECT_EQ(results, (std::vector<HRESULT>{D3D_OK, D3DERR_INVALIDCALL, D3DERR_INVALIDCALL, D3D_OK}));

    ArmD3DFailure(D3DCall::CreateIndexBuffer, E_OUTOFMEMORY);
    IDirect3DIndexBuffer9* indices = reinterpret_cast<IDirect3DIndexBuffer9*>(1);
    EXPECT_EQ(device->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices, nullptr), E_OUTOFMEMORY);
    EXPECT_EQ(indices, nullptr);
    EXPECT_EQ(CallsOf(*device, D3DCall::CreateIndexBuffer).back().result, E_OUTOFMEMORY);
    EXPECT_EQ(device->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
}

TEST(Direct3DDeviceTest, DrawsCheckTheSceneAndTheBufferRanges) {
    auto device = MakeRecordingDevice();
    const float quad[4][7] = {{0, 0, 0, 1, 0, 0, 0}, {1, 0, 0, 1, 0, 1, 0}, {0, 1, 0, 1, 0, 0, 1}, {1, 1, 0, 1, 0, 1, 1}};
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, 28), D3DERR_INVALIDCALL) << "outside a scene";
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, 28), D3D_OK);
    auto up = CallsOf(*device, D3DCall::DrawPrimitiveUP).back();
    ASSERT_EQ(up.vertices.size(), 4u * 28);
    EXPECT_EQ(std::memcmp(up.vertices.data(), quad, sizeof quad), 0);

    auto vertices = MakeVertexBuffer(*device, 4 * 48);
    auto indices = MakeIndexBuffer(*device, {0, 1, 2, 2, 1, 3});
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL) << "no stream";
    device->SetStreamSource(0, vertices.get(), 0, 48);
    device->SetIndices(indices.get());
    struct Case {
        INT base;
        UINT startIndex, primitives;
        HRESULT expected;
    };
    for (Case c : {Case{0, 0, 2, D3D_OK}, Case{0, 3, 1, D3D_OK}, Case{1, 0, 2, D3DERR_INVALIDCALL},
                   Case{0, 3, 2, D3DERR_INVALIDCALL}, Case{-1, 0, 1, D3DERR_INVALIDCALL}}) {
        EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, c.base, 0, 4, c.startIndex, c.primitives),
                  c.expected)
            << "base " << c.base << " start " << c.startIndex << " count " << c.primitives;
    }
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL) << "inside a scene";
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(device->PresentCount(), 1u);
}

TEST(Direct3DDeviceTest, DrawsAboveThePrimitiveLimitAreRefusedWhateverTheyWrapTo) {
    auto device = MakeTestDevice();
    auto vertices = MakeVertexBuffer(*device, 6 * 48);
    auto indices = MakeIndexBuffer(*device, {0, 1, 2, 3, 4, 5});
    device->SetStreamSource(0, vertices.get(), 0, 48);
    device->SetIndices(indices.get());
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    // Three vertices per triangle of 0x55555556 triangles: 2 once counted in 32 bits.
    const UINT wrapping = 0x55555556u;
    const UINT limit = device->Caps().MaxPrimitiveCount;
    const float point[7] = {0, 0, 0, 1, 0, 0, 0};
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, wrapping), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 6, 0, wrapping), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_POINTLIST, limit + 1, point, 28), D3DERR_INVALIDCALL);
    const uint16_t index = 0;
    EXPECT_EQ(device->DrawIndexedPrimitiveUP(D3DPT_POINTLIST, 0, 1, limit + 1, &index, D3DFMT_INDEX16, point, 28),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK) << "within the limit and the buffer";
    ASSERT_EQ(device->EndScene(), D3D_OK);
}

TEST(Direct3DDeviceTest, BindingsHoldAReferenceUntilReplaced) {
    auto device = MakeTestDevice();
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    device->SetTexture(0, texture);
    EXPECT_EQ(texture->RefCount(), 2u);
    texture->Release();  // the device's reference keeps it
    IDirect3DBaseTexture9* bound = nullptr;
    device->GetTexture(0, &bound);
    EXPECT_EQ(bound, texture);
    bound->Release();
    device->SetTexture(0, nullptr);  // the last reference goes: deleted
    EXPECT_EQ(device->ChildCount(), 0u);
}

TEST(Direct3DDeviceTest, ResetWaitsUntilDefaultPoolMemoryIsGivenUp) {
    auto device = MakeTestDevice(800, 600);
    auto managed = MakeVertexBuffer(*device, 48, D3DPOOL_MANAGED);
    auto dynamic = MakeVertexBuffer(*device, 48, D3DPOOL_DEFAULT, D3DUSAGE_DYNAMIC);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetStreamSource(0, managed.get(), 0, 48);

    device->LoseDevice();
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    D3DPRESENT_PARAMETERS parameters = device->PresentParameters();
    parameters.BackBufferWidth = 1024;
    parameters.BackBufferHeight = 768;
    EXPECT_EQ(device->Reset(&parameters), D3DERR_INVALIDCALL);
    EXPECT_TRUE(device->IsLost());
    EXPECT_EQ(device->ResetBlockerCount(), 1u);

    dynamic.reset();
    ASSERT_EQ(device->Reset(&parameters), D3D_OK);
    EXPECT_FALSE(device->IsLost());
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(device->PresentParameters().BackBufferWidth, 1024u);
    DWORD lighting = 0;
    device->GetRenderState(D3DRS_LIGHTING, &lighting);
    EXPECT_EQ(lighting, TRUE) << "states return to their defaults";
    EXPECT_EQ(device->StreamSource(0), nullptr);
    EXPECT_EQ(managed->RefCount(), 1u) << "the reset let go of the bound stream";
    EXPECT_EQ(managed->Bytes().size(), 48u) << "managed resources survive";
}

TEST(Direct3DDeviceTest, ResourcesOutlivingTheDeviceFailCleanly) {
    auto device = MakeTestDevice();
    auto buffer = MakeVertexBuffer(*device, 48);
    device.reset();
    void* data = nullptr;
    EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3DERR_INVALIDCALL);
    IDirect3DDevice9* owner = nullptr;
    EXPECT_EQ(buffer->GetDevice(&owner), D3DERR_INVALIDCALL);
}

TEST(Direct3DDeviceTest, TexturesHaveTheirLevelsAndLockInsideThem) {
    auto device = MakeTestDevice();
    IDirect3DTexture9* raw = nullptr;
    ASSERT_EQ(device->CreateTexture(64, 16, 0, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &raw, nullptr), D3D_OK);
    D3DPtr<IDirect3DTexture9> texture(raw);
    EXPECT_EQ(texture->GetLevelCount(), 7u);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(texture->GetLevelDesc(2, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 16u);
    EXPECT_EQ(desc.Height, 4u);
    EXPECT_EQ(texture->GetLevelDesc(7, &desc), D3DERR_INVALIDCALL);

    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 16 * 8) << "16 blocks of 8 bytes across";
    texture->UnlockRect(0);
    RECT outside{0, 0, 65, 4};
    EXPECT_EQ(texture->LockRect(0, &locked, &outside, 0), D3DERR_INVALIDCALL);
    RECT inside{8, 4, 16, 8};
    ASSERT_EQ(texture->LockRect(0, &locked, &inside, 0), D3D_OK);
    EXPECT_EQ(static_cast<uint8_t*>(locked.pBits) - texture->Texels(0, 0).data(), 16 * 8 + 2 * 8);
    texture->UnlockRect(0);

    EXPECT_EQ(texture->SetLOD(3), 0u);
    EXPECT_EQ(texture->SetLOD(99), 3u);
    EXPECT_EQ(texture->GetLOD(), 6u) << "clamped to the last level";
    IDirect3DTexture9* tooLarge = nullptr;
    EXPECT_EQ(device->CreateTexture(8192, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tooLarge, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(8, 8, 5, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tooLarge, nullptr),
              D3DERR_INVALIDCALL)
        << "more levels than an 8 x 8 chain has";
}

TEST(Direct3DDeviceTest, KeepsOnlyTheRecentCallsInALongRun) {
    auto device = MakeRecordingDevice();
    const size_t total = IDirect3DDevice9::kMaxRecords + 10;
    for (size_t i = 0; i < total; ++i) device->SetFVF(static_cast<DWORD>(i));
    const auto& calls = device->Calls();
    EXPECT_LE(calls.size(), IDirect3DDevice9::kMaxRecords);
    EXPECT_GE(calls.size(), IDirect3DDevice9::kMaxRecords / 2);
    EXPECT_TRUE(calls.back().Is(D3DCall::SetFVF, {static_cast<uint32_t>(total - 1)})) << "the newest is kept";
    EXPECT_TRUE(calls.front().Is(D3DCall::SetFVF, {static_cast<uint32_t>(total - calls.size())}))
        << "in order, without gaps";
}

// The back buffer and a texture level as surfaces, and copies between them: the surfaces describe what
// they stand for, a texture's level holds its texture, a held back buffer blocks a reset, and bad copies
// and armed failures are refused.
TEST(RecordingDevice, BackBufferAndTextureLevelsAreSurfacesThatCopiesJoin) {
    PlatformReset reset;
    auto device = MakeRecordingDevice(800, 600);
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(back->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 800u);
    EXPECT_EQ(desc.Height, 600u);
    EXPECT_EQ(desc.Usage, D3DUSAGE_RENDERTARGET);
    IDirect3DSurface9* second = nullptr;
    EXPECT_EQ(device->GetBackBuffer(0, 1, D3DBACKBUFFER_TYPE_MONO, &second), D3DERR_INVALIDCALL);
    EXPECT_EQ(second, nullptr);

    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(800, 600, 1, D3DUSAGE_RENDERTARGET, desc.Format, D3DPOOL_DEFAULT, &texture,
                                    nullptr),
              D3D_OK);
    IDirect3DSurface9* level = nullptr;
    EXPECT_EQ(texture->GetSurfaceLevel(1, &level), D3DERR_INVALIDCALL);
    ASSERT_EQ(texture->GetSurfaceLevel(0, &level), D3D_OK);
    EXPECT_EQ(level->Container(), texture);
    EXPECT_EQ(texture->RefCount(), 2u) << "the level holds its texture";

    EXPECT_EQ(device->StretchRect(back, nullptr, level, nullptr, D3DTEXF_LINEAR), D3D_OK);
    EXPECT_EQ(device->StretchRect(back, nullptr, back, nullptr, D3DTEXF_LINEAR), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->StretchRect(nullptr, nullptr, level, nullptr, D3DTEXF_LINEAR), D3DERR_INVALIDCALL);
    ArmD3DFailure(D3DCall::StretchRect, E_FAIL);
    EXPECT_EQ(device->StretchRect(back, nullptr, level, nullptr, D3DTEXF_LINEAR), E_FAIL);
    auto copies = CallsOf(*device, D3DCall::StretchRect);
    ASSERT_EQ(copies.size(), 4u);
    EXPECT_EQ(copies[0].object, level);

    level->Release();
    EXPECT_EQ(texture->RefCount(), 1u);
    texture->Release();
    device->LoseDevice();
    D3DPRESENT_PARAMETERS parameters = device->PresentParameters();
    EXPECT_EQ(device->Reset(&parameters), D3DERR_INVALIDCALL) << "the back buffer is still held";
    back->Release();
    EXPECT_EQ(device->Reset(&parameters), D3D_OK);
}
