#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "DynamicSky/SkyRenderDevice.h"
#include "DynamicSky/VertexObject.h"
#include "platform/D3DX9Texture.h"
#include "support/D3DTestSupport.h"
#include "support/EffectFileBuilder.h"
#include "support/MathExpect.h"
#include "support/SkyTestRig.h"

namespace {

// A quad of two triangles, each vertex a different colour so that uploads can be told apart.
std::vector<CPVertex> Quad() {
    std::vector<CPVertex> vertices(4);
    const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (size_t i = 0; i < 4; ++i) {
        vertices[i].position = D3DXVECTOR3(corners[i][0], 0.0f, corners[i][1]);
        vertices[i].normal = D3DXVECTOR3(0, 1, 0);
        vertices[i].diffuse = 0xff000010u + static_cast<uint32_t>(i);
        vertices[i].u0 = static_cast<float>(i);
    }
    return vertices;
}
const std::vector<uint16_t> kQuadIndices = {0, 1, 2, 0, 2, 3};

// The vertices the object's vertex buffer holds, `count` of them.
std::vector<CPVertex> Uploaded(const VertexObject& object, size_t count) {
    std::vector<CPVertex> vertices(count);
    std::memcpy(vertices.data(), object.GetVertexBuffer()->Bytes().data(), count * sizeof(CPVertex));
    return vertices;
}

std::vector<uint16_t> UploadedIndices(const VertexObject& object, size_t count) {
    std::vector<uint16_t> indices(count);
    std::memcpy(indices.data(), object.GetIndexBuffer()->Bytes().data(), count * sizeof(uint16_t));
    return indices;
}

std::vector<D3DCall> Kinds(const std::vector<D3DCallRecord>& calls) {
    std::vector<D3DCall> kinds;
    for (const D3DCallRecord& record : calls) kinds.push_back(record.call);
    return kinds;
}

const std::string kTwoPassEffect = EffectFileBuilder().Parameter("texture", "tex0").Technique("Sky", 2).Str();

}  // namespace

TEST(VertexObjectTest, JoinsTheListenerListForItsLifeAndReleasesWhatItMade) {
    SkyTestRig rig;
    rig.Caches().WriteEffect("sky.fx", kTwoPassEffect);
    rig.Caches().WriteTexture("sky.png", MakeImageFile(ImageKind::Png, 4, 4));
    const size_t listeners = g_DeviceListeners.Size();
    const size_t children = rig.Device().ChildCount();
    {
        VertexObject object;
        EXPECT_EQ(g_DeviceListeners.Size(), listeners + 1);
        EXPECT_EQ(g_DeviceListeners.Listeners().back(), &object);
        EXPECT_FALSE(object.GetUseLightingEffect());
        EXPECT_EQ(object.GetVertexBuffer(), nullptr);

        EXPECT_EQ(object.LoadTexture("Data/Textures/sky.png"), S_OK);
        EXPECT_EQ(object.LoadEffect("Data/Effects/sky.fx"), S_OK);
        EXPECT_EQ(object.LoadLightingEffect("Data/Effects/sky.fx"), S_OK);
        EXPECT_EQ(object.CreateBuffers(Quad(), kQuadIndices, false), S_OK);
        EXPECT_EQ(rig.Device().ChildCount(), children + 5);
    }
    EXPECT_EQ(g_DeviceListeners.Size(), listeners);
    EXPECT_EQ(rig.Device().ChildCount(), children);
}

TEST(VertexObjectTest, TextureComesFromThePathAsWrittenAsAManagedMippedTexture) {
    SkyTestRig rig(DeviceRecording::On);
    rig.Folder().Write("skies/dome.tga", MakeImageFile(ImageKind::Tga, 8, 4));
    VertexObject object;
    ASSERT_EQ(object.LoadTexture("skies\\DOME.tga"), S_OK);
    ASSERT_NE(object.GetTexture(), nullptr);

    const std::vector<D3DCallRecord> creations = CallsOf(rig.Device(), D3DCall::D3DXCreateTextureFromFileInMemoryEx);
    ASSERT_EQ(creations.size(), 1u);
    // Size, width, height, mip levels, usage, format, pool, filter, mip filter.
    const std::vector<uint32_t>& args = creations[0].args;
    ASSERT_GE(args.size(), 9u);
    EXPECT_EQ(args[1], D3DX_DEFAULT);
    EXPECT_EQ(args[2], D3DX_DEFAULT);
    EXPECT_EQ(args[3], D3DX_DEFAULT);
    EXPECT_EQ(args[4], 0u);
    EXPECT_EQ(args[5], static_cast<uint32_t>(D3DFMT_UNKNOWN));
    EXPECT_EQ(args[6], static_cast<uint32_t>(D3DPOOL_MANAGED));
    EXPECT_EQ(args[7], D3DX_DEFAULT);
    EXPECT_EQ(args[8], 0x80004u);
}

TEST(VertexObjectTest, LoadFailuresEmptyTheSlotAndOnlyCreationFailuresAreReported) {
    const std::string brokenEffect = EffectFileBuilder::Broken();
    const std::string goodEffect = EffectFileBuilder().Str();
    enum Slot { Texture, Effect, Lighting };
    struct SlotCase {
        Slot slot;
        const char* path;
        std::string content;  // empty: the file is missing
        bool loaded;
        bool failed;
        const char* reportSite;
    };
    const std::string badImage = "this is no image";
    const std::vector<SlotCase> cases = {
        {Texture, "Data/Sky/missing.png", "", false, false, nullptr},
        {Texture, "Data/Sky/bad.png", badImage, false, true, "VertexObject.cpp:50"},
        {Effect, "Data/Sky/missing.fx", "", false, true, nullptr},
        {Effect, "Data/Sky/broken.fx", brokenEffect, false, true, "VertexObject.cpp:114"},
        {Effect, "Data/Sky/good.fx", goodEffect, true, false, nullptr},
        {Lighting, "Data/Sky/missing.fx", "", false, true, nullptr},
        {Lighting, "Data/Sky/broken.fx", brokenEffect, false, true, "VertexObject.cpp:149"},
        {Lighting, "Data/Sky/good.fx", goodEffect, true, false, nullptr},
    };
    for (const SlotCase& c : cases) {
        SCOPED_TRACE(c.path + std::string(c.slot == Texture ? " texture" : c.slot == Effect ? " effect" : " lighting"));
        SkyTestRig rig;
        rig.Caches().WriteEffect("old.fx", goodEffect);
        rig.Caches().WriteTexture("old.png", MakeImageFile(ImageKind::Png, 2, 2));
        if (!c.content.empty()) rig.Folder().Write(c.path, c.content);
        VertexObject object;
        // A slot that held something is emptied by every load, successful or not.
        object.LoadTexture("Data/Textures/old.png");
        object.LoadEffect("Data/Effects/old.fx");
        object.LoadLightingEffect("Data/Effects/old.fx");

        HRESULT result = S_OK;
        const void* slot = nullptr;
        switch (c.slot) {
        case Texture:
            result = object.LoadTexture(c.path);
            slot = object.GetTexture();
            break;
        case Effect:
            result = object.LoadEffect(c.path);
            slot = object.GetEffect();
            break;
        case Lighting:
            result = object.LoadLightingEffect(c.path);
            slot = object.GetLightingEffect();
            break;
        }
        EXPECT_EQ(slot != nullptr, c.loaded);
        EXPECT_EQ(FAILED(result), c.failed);
        // The other effect slot is not touched.
        if (c.slot != Texture) {
            EXPECT_NE(c.slot == Effect ? object.GetLightingEffect() : object.GetEffect(), nullptr);
        }
        if (c.reportSite) {
            EXPECT_EQ(rig.Caches().ReportSites(), std::vector<std::string>{c.reportSite});
        } else {
            EXPECT_TRUE(rig.Caches().Reports().empty());
        }
    }
}

TEST(VertexObjectTest, EffectsStartWithTheirFirstValidTechnique) {
    SkyTestRig rig(DeviceRecording::On);
    rig.Caches().WriteEffect("two.fx", EffectFileBuilder().Technique("Best", 2).Technique("Plain").Str());
    VertexObject object;
    ASSERT_EQ(object.LoadEffect("Data/Effects/two.fx"), S_OK);
    const std::vector<D3DCallRecord> techniques = CallsOf(rig.Device(), D3DCall::EffectSetTechnique);
    ASSERT_EQ(techniques.size(), 1u);
    EXPECT_EQ(techniques[0].name, "Best");
    EXPECT_STREQ(object.GetEffect()->GetCurrentTechnique(), "Best");
}

TEST(VertexObjectTest, KeepWorldDecidesWhetherTransformedPositionsAreUploaded) {
    SkyTestRig rig;
    VertexObject object;
    ASSERT_EQ(object.CreateBuffers(Quad(), kQuadIndices, false), S_OK);
    D3DXMATRIX move;
    D3DXMatrixTranslation(&move, 10, 20, 30);
    ASSERT_EQ(object.TransformVertices(move), S_OK);
    // Only positions change: colours, normals and texture coordinates stay those of the world copy.
    EXPECT_EQ(object.GetWorldVertices()[2].diffuse, Quad()[2].diffuse);
    ExpectVec3Near(object.GetWorldVertices()[2].position, D3DXVECTOR3(11, 20, 31));
    ExpectVec3Near(object.GetLocalVertices()[2].position, D3DXVECTOR3(1, 0, 1));

    ASSERT_EQ(object.CreateBuffers(object.GetLocalVertices(), object.GetIndices(), true), S_OK);
    std::vector<CPVertex> uploaded = Uploaded(object, 4);
    for (size_t i = 0; i < 4; ++i) ExpectVec3Near(uploaded[i].position, Quad()[i].position + D3DXVECTOR3(10, 20, 30));
    EXPECT_EQ(UploadedIndices(object, 6), kQuadIndices);

    ASSERT_EQ(object.CreateBuffers(object.GetLocalVertices(), object.GetIndices(), false), S_OK);
    uploaded = Uploaded(object, 4);
    for (size_t i = 0; i < 4; ++i) ExpectVec3Near(uploaded[i].position, Quad()[i].position);
    ExpectVec3Near(object.GetWorldVertices()[2].position, D3DXVECTOR3(1, 0, 1));
}

TEST(VertexObjectTest, BuffersAreMadeOnceAtTheirFixedSizesAndRefilled) {
    SkyTestRig rig(DeviceRecording::On);
    VertexObject object;
    ASSERT_EQ(object.CreateBuffers(Quad(), kQuadIndices, false), S_OK);
    IDirect3DVertexBuffer9* vertices = object.GetVertexBuffer();
    ASSERT_NE(vertices, nullptr);
    EXPECT_EQ(vertices->Bytes().size(), 960000u);
    EXPECT_EQ(object.GetIndexBuffer()->Bytes().size(), 120000u);
    EXPECT_EQ(vertices->Pool(), D3DPOOL_MANAGED);
    EXPECT_EQ(object.GetIndexBuffer()->Format(), D3DFMT_INDEX16);

    std::vector<CPVertex> triangle = Quad();
    triangle.pop_back();
    ASSERT_EQ(object.CreateBuffers(triangle, {2, 1, 0}, false), S_OK);
    EXPECT_EQ(object.GetVertexBuffer(), vertices);
    EXPECT_EQ(CallsOf(rig.Device(), D3DCall::CreateVertexBuffer).size(), 1u);
    EXPECT_EQ(CallsOf(rig.Device(), D3DCall::CreateIndexBuffer).size(), 1u);
    EXPECT_EQ(UploadedIndices(object, 3), (std::vector<uint16_t>{2, 1, 0}));
    EXPECT_EQ(Uploaded(object, 3)[2].diffuse, triangle[2].diffuse);
}

// A caller that asks to keep world vertices it never made must not have the upload (or a transform)
// walk the local count over a shorter world list.
TEST(VertexObjectTest, KeepingAWorldListShorterThanTheMeshFillsItFromTheLocalVertices) {
    SkyTestRig rig;
    VertexObject object;
    ASSERT_EQ(object.CreateBuffers(Quad(), kQuadIndices, true), S_OK);
    ASSERT_EQ(object.GetWorldVertices().size(), 4u);
    EXPECT_EQ(Uploaded(object, 4)[3].diffuse, Quad()[3].diffuse);

    std::vector<CPVertex> bigger = Quad();
    bigger.push_back(Quad()[0]);
    bigger.back().diffuse = 0xff123456u;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    ASSERT_EQ(object.CreateBuffers(bigger, kQuadIndices, true), S_OK);
    ASSERT_EQ(object.TransformVertices(identity), S_OK);
    ASSERT_EQ(object.GetWorldVertices().size(), 5u);
    EXPECT_EQ(object.GetWorldVertices()[4].diffuse, 0xff123456u);
}

TEST(VertexObjectTest, AMeshTooLargeForTheBuffersIsKeptButNeitherUploadedNorDrawn) {
    SkyTestRig rig(DeviceRecording::On);
    VertexObject object;
    ASSERT_EQ(object.CreateBuffers(Quad(), kQuadIndices, false), S_OK);
    const UINT locks = object.GetVertexBuffer()->LockCount();

    struct Case {
        const char* name;
        size_t vertices;
        size_t indices;
        HRESULT result;
    };
    const Case cases[] = {
        {"20001 vertices", 20001, 6, E_INVALIDARG},
        {"60003 indices", 4, 60003, E_INVALIDARG},
        {"exactly full", 20000, 60000, S_OK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<CPVertex> vertices(c.vertices, Quad()[0]);
        std::vector<uint16_t> indices(c.indices, 0);
        EXPECT_EQ(object.CreateBuffers(vertices, indices, false), c.result);
        EXPECT_EQ(object.GetLocalVertices().size(), c.vertices);
        EXPECT_EQ(object.IsUploaded(), c.result == S_OK);
        rig.Device().BeginScene();
        rig.Device().ClearCalls();
        EXPECT_EQ(object.Draw(0.0f) == E_FAIL, c.result != S_OK);
        EXPECT_EQ(CallsOf(rig.Device(), D3DCall::DrawIndexedPrimitive).empty(), c.result != S_OK);
        rig.Device().EndScene();
    }
    EXPECT_EQ(object.GetVertexBuffer()->LockCount(), locks + 1);
}

TEST(VertexObjectTest, DrawsEveryPassOfItsEffectWithItsTextureAsTex0) {
    SkyTestRig rig(DeviceRecording::On);
    rig.Caches().WriteEffect("sky.fx", kTwoPassEffect);
    rig.Caches().WriteTexture("sky.png", MakeImageFile(ImageKind::Png, 4, 4));
    VertexObject object;
    object.LoadTexture("Data/Textures/sky.png");
    object.LoadEffect("Data/Effects/sky.fx");
    object.CreateBuffers(Quad(), kQuadIndices, false);
    rig.Device().BeginScene();
    rig.Device().ClearCalls();

    EXPECT_EQ(object.Draw(0.5f), S_OK);
    const std::vector<D3DCallRecord>& calls = rig.Device().Calls();
    EXPECT_EQ(Kinds(calls),
              (std::vector<D3DCall>{D3DCall::SetFVF, D3DCall::SetIndices, D3DCall::SetStreamSource,
                                    D3DCall::EffectSetValue, D3DCall::EffectBegin, D3DCall::EffectBeginPass,
                                    D3DCall::DrawIndexedPrimitive, D3DCall::EffectEndPass, D3DCall::EffectBeginPass,
                                    D3DCall::DrawIndexedPrimitive, D3DCall::EffectEndPass, D3DCall::EffectEnd}))
        << DescribeCalls(rig.Device());
    EXPECT_TRUE(calls[0].Is(D3DCall::SetFVF, {0x2d2}));
    EXPECT_EQ(calls[1].object, object.GetIndexBuffer());
    EXPECT_TRUE(calls[2].Is(D3DCall::SetStreamSource, {0, 0, 48}));
    EXPECT_EQ(calls[2].object, object.GetVertexBuffer());
    EXPECT_EQ(calls[3].name, "tex0");
    EXPECT_EQ(calls[3].object, object.GetTexture());
    EXPECT_TRUE(calls[4].Is(D3DCall::EffectBegin, {0}));
    EXPECT_TRUE(calls[6].Is(D3DCall::DrawIndexedPrimitive, {D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2}));
}

TEST(VertexObjectTest, WithoutAnEffectTheMeshIsDrawnOnceWithTheDevicesStates) {
    SkyTestRig rig(DeviceRecording::On);
    VertexObject object;
    EXPECT_EQ(object.LoadEffect("Data/Effects/missing.fx"), E_FAIL);
    object.CreateBuffers(Quad(), kQuadIndices, false);
    rig.Device().BeginScene();
    rig.Device().ClearCalls();
    EXPECT_EQ(object.Draw(0.0f), S_OK);
    EXPECT_EQ(Kinds(rig.Device().Calls()), (std::vector<D3DCall>{D3DCall::SetFVF, D3DCall::SetIndices,
                                                                 D3DCall::SetStreamSource,
                                                                 D3DCall::DrawIndexedPrimitive}));
}

TEST(VertexObjectTest, TheLightingFlagPicksTheLightingEffectAndFailsWithoutOne) {
    SkyTestRig rig(DeviceRecording::On);
    rig.Caches().WriteEffect("main.fx", EffectFileBuilder().Technique("Main").Str());
    rig.Caches().WriteEffect("light.fx", EffectFileBuilder().Technique("Light", 3).Str());
    VertexObject object;
    object.LoadEffect("Data/Effects/main.fx");
    object.CreateBuffers(Quad(), kQuadIndices, false);
    object.SetUseLightingEffect(true);
    rig.Device().BeginScene();
    rig.Device().ClearCalls();
    EXPECT_EQ(object.Draw(0.0f), E_FAIL);
    EXPECT_EQ(Kinds(rig.Device().Calls()),
              (std::vector<D3DCall>{D3DCall::SetFVF, D3DCall::SetIndices, D3DCall::SetStreamSource}));

    object.LoadLightingEffect("Data/Effects/light.fx");
    rig.Device().ClearCalls();
    EXPECT_EQ(object.Draw(0.0f), S_OK);
    const std::vector<D3DCallRecord> begins = CallsOf(rig.Device(), D3DCall::EffectBegin);
    ASSERT_EQ(begins.size(), 1u);
    EXPECT_EQ(begins[0].name, "Light");
    EXPECT_EQ(CallsOf(rig.Device(), D3DCall::DrawIndexedPrimitive).size(), 3u);
}

TEST(VertexObjectTest, DrawFailsWithoutADeviceOrAnUploadedMeshAndReportsTheLastDraw) {
    SkyTestRig rig(DeviceRecording::On);
    rig.Caches().WriteEffect("none.fx", EffectFileBuilder().Technique("Empty", 0).Str());
    VertexObject object;
    rig.Device().BeginScene();
    EXPECT_EQ(object.Draw(0.0f), E_FAIL);  // nothing uploaded yet

    object.CreateBuffers(Quad(), kQuadIndices, false);
    gSkyRenderDevice.SetDevice(nullptr);
    rig.Device().ClearCalls();
    EXPECT_EQ(object.Draw(0.0f), E_FAIL);
    EXPECT_TRUE(rig.Device().Calls().empty());
    gSkyRenderDevice.SetDevice(&rig.Device());

    // An effect without passes draws nothing and so has no successful draw to report.
    object.LoadEffect("Data/Effects/none.fx");
    EXPECT_EQ(object.Draw(0.0f), E_FAIL);
    EXPECT_TRUE(CallsOf(rig.Device(), D3DCall::DrawIndexedPrimitive).empty());

    ArmD3DFailure(D3DCall::DrawIndexedPrimitive, D3DERR_INVALIDCALL);
    object.LoadEffect("Data/Effects/missing.fx");
    EXPECT_EQ(object.Draw(0.0f), D3DERR_INVALIDCALL);
    PlatformFaults::Clear();
}

TEST(VertexObjectTest, DeviceLossReachesBothEffectsOnly) {
    SkyTestRig rig(DeviceRecording::On);
    rig.Caches().WriteEffect("a.fx", EffectFileBuilder().Str());
    VertexObject both;
    both.LoadEffect("Data/Effects/a.fx");
    both.LoadLightingEffect("Data/Effects/a.fx");
    VertexObject none;
    rig.Device().ClearCalls();
    both.OnLostDevice();
    none.OnLostDevice();
    EXPECT_TRUE(both.GetEffect()->IsLost());
    EXPECT_TRUE(both.GetLightingEffect()->IsLost());
    EXPECT_EQ(CallsOf(rig.Device(), D3DCall::EffectOnLostDevice).size(), 2u);
    both.OnResetDevice();
    none.OnResetDevice();
    EXPECT_FALSE(both.GetEffect()->IsLost());
    EXPECT_EQ(CallsOf(rig.Device(), D3DCall::EffectOnResetDevice).size(), 2u);
}
