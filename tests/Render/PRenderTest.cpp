#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "Render/PRender.h"
#include "core/CPRefObject.h"
#include "core/LogStream.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "platform/D3DX9Texture.h"
#include "support/D3DTestSupport.h"
#include "support/PlatformReset.h"
#include "support/ScopedGlobal.h"
#include "support/TempFolder.h"

namespace {

// A renderer on a 1024 x 768 recording device, published as gRenderer, with the settings at their
// initial values and the screen at 1024 x 768.
class PRenderTest : public ::testing::Test {
protected:
    PRenderTest() : device(MakeRecordingDevice(1024, 768)), render(device.get()) {
        gSettings::RestoreInitialValues();
        gSettings::screenWidth = 1024;
        gSettings::screenHeight = 768;
    }
    ~PRenderTest() override {
        gSettings::RestoreInitialValues();
    }

    PlatformReset platform;
    D3DPtr<IDirect3DDevice9> device;
    PRender render;
    ScopedGlobal<PRender*> installRenderer{gRenderer, &render};
};

struct Expected {
    D3DCall call;
    std::vector<uint32_t> args;
};

// The device's record holds exactly these calls with these arguments, in order, all of them successful.
void ExpectCalls(const IDirect3DDevice9& device, const std::vector<Expected>& expected, const std::string& context) {
    const auto& calls = device.Calls();
    ASSERT_EQ(calls.size(), expected.size()) << context << "\n" << DescribeCalls(device);
    for (size_t i = 0; i < expected.size(); ++i) {
        const std::string where = context + " call " + std::to_string(i) + ": " + Describe(calls[i]);
        EXPECT_TRUE(calls[i].Is(expected[i].call, expected[i].args)) << where;
        EXPECT_EQ(calls[i].result, S_OK) << where;
    }
}

D3DLIGHT9 Light(D3DLIGHTTYPE type, float range) {
    D3DLIGHT9 light{};
    light.Type = type;
    light.Range = range;
    return light;
}

std::vector<uint8_t> Bytes(const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

}  // namespace

TEST_F(PRenderTest, DefaultStatesOfALevelGoToTheDeviceInOrder) {
    render.SetAmbient(0xff7f7f7f, 0.5f, 0.5f, 0.5f);
    render.mFogColor = 0xff102030;
    device->ClearCalls();
    render.SetDefaultStates();

    const float fogEnd = 180.0f;  // "distance" 200 less a tenth
    const std::vector<Expected> expected = {
        {D3DCall::SetTransform, {D3DTS_VIEW}},
        {D3DCall::SetTransform, {D3DTS_PROJECTION}},
        {D3DCall::SetRenderState, {D3DRS_SPECULARENABLE, FALSE}},
        {D3DCall::SetRenderState, {D3DRS_LIGHTING, TRUE}},
        {D3DCall::SetRenderState, {D3DRS_ALPHABLENDENABLE, FALSE}},
        {D3DCall::SetRenderState, {D3DRS_ZENABLE, D3DZB_TRUE}},
        {D3DCall::SetRenderState, {D3DRS_ZWRITEENABLE, TRUE}},
        {D3DCall::SetRenderState, {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA}},
        {D3DCall::SetRenderState, {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA}},
        {D3DCall::SetSamplerState, {0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR}},
        {D3DCall::SetSamplerState, {0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR}},
        {D3DCall::SetSamplerState, {0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR}},
        {D3DCall::SetSamplerState, {1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR}},
        {D3DCall::SetSamplerState, {1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR}},
        {D3DCall::SetSamplerState, {1, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR}},
        {D3DCall::SetTextureStageState, {0, D3DTSS_COLOROP, D3DTOP_MODULATE}},
        {D3DCall::SetTextureStageState, {0, D3DTSS_COLORARG1, D3DTA_TEXTURE}},
        {D3DCall::SetTextureStageState, {0, D3DTSS_COLORARG2, D3DTA_DIFFUSE}},
        {D3DCall::SetSamplerState, {0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP}},
        {D3DCall::SetSamplerState, {0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP}},
        {D3DCall::SetTextureStageState, {0, D3DTSS_ALPHAOP, D3DTOP_DISABLE}},
        {D3DCall::SetTextureStageState, {0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE}},
        {D3DCall::SetTextureStageState, {0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE}},
        {D3DCall::SetRenderState, {D3DRS_ZFUNC, D3DCMP_LESSEQUAL}},
        {D3DCall::SetRenderState, {D3DRS_DITHERENABLE, TRUE}},
        {D3DCall::SetRenderState, {D3DRS_CLIPPING, TRUE}},
        {D3DCall::SetRenderState, {D3DRS_CULLMODE, D3DCULL_CCW}},
        {D3DCall::SetRenderState, {D3DRS_AMBIENT, 0xff7f7f7f}},
        {D3DCall::SetFVF, {0x2d2}},
        {D3DCall::SetTextureStageState, {1, D3DTSS_COLOROP, D3DTOP_DISABLE}},
        {D3DCall::SetTextureStageState, {1, D3DTSS_ALPHAOP, D3DTOP_DISABLE}},
        {D3DCall::SetTextureStageState, {1, D3DTSS_COLORARG1, D3DTA_TEXTURE}},
        {D3DCall::SetTextureStageState, {1, D3DTSS_COLORARG2, D3DTA_CURRENT}},
        {D3DCall::SetTextureStageState, {1, D3DTSS_ALPHAARG1, D3DTA_TEXTURE}},
        {D3DCall::SetTextureStageState, {1, D3DTSS_ALPHAARG2, D3DTA_CURRENT}},
        {D3DCall::SetSamplerState, {1, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP}},
        {D3DCall::SetSamplerState, {1, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP}},
        {D3DCall::SetTextureStageState, {2, D3DTSS_COLOROP, D3DTOP_DISABLE}},
        {D3DCall::SetTextureStageState, {2, D3DTSS_ALPHAOP, D3DTOP_DISABLE}},
        {D3DCall::SetMaterial, {}},
        {D3DCall::SetRenderState, {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL}},
        {D3DCall::SetRenderState, {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL}},
        {D3DCall::SetRenderState, {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL}},
        {D3DCall::SetRenderState, {D3DRS_FOGENABLE, TRUE}},
        {D3DCall::SetRenderState, {D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR}},
        {D3DCall::SetRenderState, {D3DRS_FOGDENSITY, D3DFloatBits(0.0f)}},
        {D3DCall::SetRenderState, {D3DRS_FOGSTART, D3DFloatBits(10.0f)}},
        {D3DCall::SetRenderState, {D3DRS_FOGEND, D3DFloatBits(fogEnd)}},
        {D3DCall::SetRenderState, {D3DRS_FOGCOLOR, 0xff102030}},
    };
    ExpectCalls(*device, expected, "default states");
    const auto& calls = device->Calls();
    ASSERT_EQ(calls.size(), expected.size());

    D3DXMATRIX view, projection;
    const D3DXVECTOR3 eye(0, 0, 14.5f), at(0, 0, 0), up(0, 0, 1);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, 1.0995574f, 1.3333334f, 0.1f, 1000.0f);
    EXPECT_EQ(Bytes(&calls[0].matrix, 64), Bytes(&view, 64));
    EXPECT_EQ(Bytes(&calls[1].matrix, 64), Bytes(&projection, 64));
    const D3DMATERIAL9& material = calls[39].material;
    EXPECT_EQ(material.Specular.r, 0.3f);
    EXPECT_EQ(material.Specular.a, 1.0f);
    EXPECT_EQ(material.Diffuse.g, 1.0f);
    EXPECT_EQ(material.Emissive.a, 0.0f);
    EXPECT_EQ(material.Power, 10.0f);

    // The overlay layer: pixels to the screen, y downwards.
    const auto& layers = render.GetLayers();
    ASSERT_EQ(layers.count(195), 1u);
    const CPBaseCamera* overlay = layers.at(195).mCamera.Get();
    ASSERT_NE(overlay, nullptr);
    D3DXMATRIX ortho;
    D3DXMatrixOrthoOffCenterLH(&ortho, 0, 1024, 768, 0, 0, 1);
    EXPECT_EQ(Bytes(&overlay->GetViewMatrix(), 64), Bytes(&ortho, 64));
}

TEST_F(PRenderTest, FogEndFollowsTheViewDistance) {
    for (int32_t distance : {200, 1000, 50}) {
        gSettings::distance = distance;
        device->ClearCalls();
        render.SetDefaultStates();
        DWORD end = 0;
        device->GetRenderState(D3DRS_FOGEND, &end);
        EXPECT_EQ(D3DBitsFloat(end), static_cast<float>(distance * 0.9)) << distance;
    }
}

TEST_F(PRenderTest, TextureFiltersFollowTheAnisoSetting) {
    struct Case {
        float aniso;
        int32_t maximum;
        std::vector<Expected> calls;
    };
    const std::vector<Expected> linear = {
        {D3DCall::SetSamplerState, {0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR}},
        {D3DCall::SetSamplerState, {0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR}},
        {D3DCall::SetSamplerState, {0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR}},
        {D3DCall::SetSamplerState, {1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR}},
        {D3DCall::SetSamplerState, {1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR}},
        {D3DCall::SetSamplerState, {1, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR}},
    };
    auto anisotropic = [](uint32_t level) {
        return std::vector<Expected>{
            {D3DCall::SetSamplerState, {0, D3DSAMP_MAGFILTER, D3DTEXF_ANISOTROPIC}},
            {D3DCall::SetSamplerState, {0, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC}},
            {D3DCall::SetSamplerState, {0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR}},
            {D3DCall::SetSamplerState, {0, D3DSAMP_MAXANISOTROPY, level}},
            {D3DCall::SetSamplerState, {1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR}},
            {D3DCall::SetSamplerState, {1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR}},
            {D3DCall::SetSamplerState, {1, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR}},
        };
    };
    const Case cases[] = {
        {0.0f, 16, linear},           {-1.0f, 16, linear},          {0.5f, 16, anisotropic(8)},
        {2.0f, 16, anisotropic(16)},  {0.3f, 16, anisotropic(5)},   {0.01f, 4, anisotropic(1)},
    };
    for (const Case& c : cases) {
        gSettings::aniso = c.aniso;
        render.SetMaxAnisotropy(c.maximum);
        device->ClearCalls();
        render.SetTextureFilters();
        ExpectCalls(*device, c.calls, "aniso " + std::to_string(c.aniso));
    }
}

TEST_F(PRenderTest, LayersKeepKeyOrderCamerasAndMatrices) {
    CPBaseCamera main, second, fallback;
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    render.SetLayerCamera(120, &second);
    render.SetLayerCamera(16, &main);
    render.SetLayerMatrix(identity, 17);
    render.SetLayerCamera(19, &fallback);
    render.SetDefaultStates();
    CPRenderLayer& shadow = render.SetLayerMatrix(identity, 16);
    EXPECT_EQ(shadow.mKey, 16);

    std::vector<int32_t> keys;
    for (const auto& [key, layer] : render.GetLayers()) {
        keys.push_back(key);
        EXPECT_EQ(layer.mKey, key);
        EXPECT_EQ(layer.mId, -1);
    }
    EXPECT_EQ(keys, (std::vector<int32_t>{16, 17, 19, 120, 195}));
    const auto& layers = render.GetLayers();
    EXPECT_EQ(layers.at(16).mCamera.Get(), &main);
    EXPECT_EQ(layers.at(16).mHasMatrix, 1);
    EXPECT_EQ(layers.at(16).mVersion, 2);
    EXPECT_EQ(layers.at(17).mCamera.Get(), nullptr);
    EXPECT_EQ(layers.at(17).mHasMatrix, 1);
    EXPECT_EQ(layers.at(120).mCamera.Get(), &second);
    EXPECT_EQ(layers.at(120).mHasMatrix, 0);

    // A camera that is destroyed leaves its layer.
    {
        CPBaseCamera temporary;
        render.SetLayerCamera(19, &temporary);
    }
    EXPECT_EQ(render.GetLayers().at(19).mCamera.Get(), nullptr);
    EXPECT_EQ(render.GetLayers().at(19).mVersion, 2);
}

TEST_F(PRenderTest, NewLayersHaveAnEmptyGroupTableAndCopiesAcquireWhatTheyHold) {
    CPBaseCamera camera;
    render.SetLayerCamera(19, &camera);
    const CPRenderLayer& layer = render.GetLayers().at(19);
    EXPECT_TRUE(layer.mGroups.empty());
    EXPECT_GE(layer.mGroups.bucket_count(), CPRenderLayer::kGroupBuckets);

    CPMaterial material(19, nullptr, nullptr);
    const int32_t cameraCount = camera.GetRefCount();
    CPRenderLayer copy = layer;
    EXPECT_EQ(copy.mCamera.Get(), &camera);
    EXPECT_EQ(camera.GetRefCount(), cameraCount + 1) << "the copy acquires the camera";
    CPRenderLayerGroup& group = copy.mGroups[7];
    EXPECT_EQ(group.mId, -1);
    EXPECT_EQ(group.mVersion, 0);
    group.mEntries[3].mMaterial = &material;
    const CPRenderLayer second = copy;
    EXPECT_EQ(second.mGroups.at(7).mEntries.at(3).mMaterial.Get(), &material);
    EXPECT_EQ(material.GetRefCount(), 2) << "the copied entry acquires the material";

    // Invalidating an entry makes its material set its states again; the other records keep nothing to clear.
    material.SetStateFlag(1);
    CPRenderRecord& entry = group.mEntries.at(3);
    entry.Invalidate();
    EXPECT_EQ(material.GetStateFlag(), 0);
    material.SetStateFlag(1);
    static_cast<CPRenderRecord&>(group).Invalidate();
    static_cast<CPRenderRecord&>(copy).Invalidate();
    EXPECT_EQ(material.GetStateFlag(), 1);
}

TEST_F(PRenderTest, OverlayLayerCameraIsReplacedWithoutLeaking) {
    render.SetDefaultStates();
    const CPBaseCamera* first = render.GetLayers().at(195).mCamera.Get();
    ASSERT_TRUE(gObjectRegistry::Contains(first));
    const size_t live = gObjectRegistry::Size();
    render.SetDefaultStates();
    const CPRenderLayer& overlay = render.GetLayers().at(195);
    EXPECT_EQ(overlay.mVersion, 2) << "one layer, changed twice";
    EXPECT_NE(overlay.mCamera.Get(), nullptr);
    EXPECT_FALSE(gObjectRegistry::Contains(first)) << "the replaced overlay camera is deleted";
    EXPECT_EQ(gObjectRegistry::Size(), live);
}

TEST_F(PRenderTest, LightTableHoldsThirtyAndEmptiesWhenApplied) {
    for (int i = 0; i < 31; ++i) {
        const bool kept = render.AddLight(Light(D3DLIGHT_POINT, static_cast<float>(i)));
        EXPECT_EQ(kept, i < 30) << i;
    }
    EXPECT_EQ(render.GetLightCount(), 30);
    EXPECT_EQ(render.GetLight(29).Range, 29.0f);
    render.AddLight(Light(D3DLIGHT_POINT, 99));
    EXPECT_EQ(render.GetLight(29).Range, 29.0f) << "a full table drops further lights";

    device->ClearCalls();
    render.ApplyLights();
    EXPECT_EQ(render.GetLightCount(), 0);
    auto set = CallsOf(*device, D3DCall::SetLight);
    ASSERT_EQ(set.size(), 30u);
    EXPECT_EQ(set[29].light.Range, 29.0f);
    auto enabled = CallsOf(*device, D3DCall::LightEnable);
    ASSERT_EQ(enabled.size(), 30u);
    EXPECT_TRUE(enabled[0].Is(D3DCall::LightEnable, {0, TRUE}));

    // Three lights, two of them directional: the rest are switched off, the later directional is the sun.
    render.AddLight(Light(D3DLIGHT_DIRECTIONAL, 1));
    render.AddLight(Light(D3DLIGHT_POINT, 2));
    render.AddLight(Light(D3DLIGHT_DIRECTIONAL, 3));
    device->ClearCalls();
    render.ApplyLights();
    const auto& calls = device->Calls();
    ASSERT_EQ(calls.size(), 6u + 27u);
    EXPECT_TRUE(calls[0].Is(D3DCall::SetLight, {0}));
    EXPECT_TRUE(calls[1].Is(D3DCall::LightEnable, {0, TRUE}));
    EXPECT_TRUE(calls[5].Is(D3DCall::LightEnable, {2, TRUE}));
    EXPECT_TRUE(calls[6].Is(D3DCall::LightEnable, {3, FALSE}));
    EXPECT_TRUE(calls.back().Is(D3DCall::LightEnable, {29, FALSE}));
    EXPECT_EQ(render.GetSunLight().Range, 3.0f);
}

TEST_F(PRenderTest, FadeAndBlurValues) {
    render.SetFadeMaximum(255);
    struct Case {
        float level;
        float fade;
    };
    for (Case c : {Case{-0.5f, 0.0f}, Case{2.0f, 255.0f}, Case{0.25f, 63.75f}, Case{1.0f, 255.0f}, Case{0.0f, 0.0f}}) {
        render.SetFadeLevel(c.level);
        EXPECT_EQ(render.GetFadeValue(), c.fade) << c.level;
    }

    render.SetMotionBlur(0.3f);
    EXPECT_EQ(render.mMotionBlurEnabled, 1);
    EXPECT_EQ(render.mMotionBlurAmount, 0.3f);
    render.SetMotionBlurAlpha(150);
    EXPECT_EQ(render.mMotionBlurAlpha, 150);
    render.SetMotionBlur(0.0f);
    EXPECT_EQ(render.mMotionBlurEnabled, 0);
    EXPECT_EQ(render.mMotionBlurAmount, 0.0f);
    render.SetMotionBlur(-0.5f);
    EXPECT_EQ(render.mMotionBlurEnabled, 1) << "any amount but 0 switches it on";
}

TEST_F(PRenderTest, AFadeLevelThatIsNoNumberGivesNoFade) {
    render.SetFadeMaximum(255);
    render.SetFadeLevel(0.5f);
    render.SetFadeLevel(std::nanf(""));
    EXPECT_EQ(render.GetFadeValue(), 0.0f);
}

TEST_F(PRenderTest, RadialBlurDirectionsPointAwayFromTheCentre) {
    render.CreateRadialBlurGrid(1, 1);
    ASSERT_EQ(render.GetRadialBlurPoints().size(), 4u);
    gSettings::blur = 0;
    render.UpdateRadialBlurGrid(0.0f);
    EXPECT_EQ(render.GetRadialBlurDirections()[0], D3DXVECTOR2(0, 0)) << "blur off leaves the directions alone";

    gSettings::blur = 1;
    render.UpdateRadialBlurGrid(0.0f);  // centre (512, 384)
    const auto& d = render.GetRadialBlurDirections();
    struct Case {
        size_t point;
        float x, y;
    };
    for (Case c : {Case{0, -0.8f, -0.6f}, Case{1, 0.8f, -0.6f}, Case{2, -0.8f, 0.6f}, Case{3, 0.8f, 0.6f}}) {
        EXPECT_NEAR(d[c.point].x, c.x, 1e-6f) << c.point;
        EXPECT_NEAR(d[c.point].y, c.y, 1e-6f) << c.point;
    }
    render.UpdateRadialBlurGrid(-1.0f);  // centre at the top edge: the top corners point sideways
    EXPECT_EQ(render.GetRadialBlurDirections()[0], D3DXVECTOR2(-1, 0));
}

TEST_F(PRenderTest, ProjectsWorldPointsToPixels) {
    D3DXMATRIX view, projection;
    const D3DXVECTOR3 eye(0, 0, 14.5f), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, 1.0995574f, 1024.0f / 768.0f, 0.1f, 1000.0f);
    D3DXMatrixMultiply(&render.mViewProjection, &view, &projection);
    D3DXVECTOR3 pixel;
    render.ProjectToScreen(&pixel, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(pixel, D3DXVECTOR3(512, 384, 0));

    // A point on the right edge of the view at the origin's depth lands on the right edge of the screen.
    const float halfWidth = 14.5f * std::tan(1.0995574f / 2) * (1024.0f / 768.0f);
    render.ProjectToScreen(&pixel, D3DXVECTOR3(-halfWidth, 0, 0));
    EXPECT_NEAR(pixel.x, 1024.0f, 1e-2f);
    EXPECT_NEAR(pixel.y, 384.0f, 1e-3f);
}

TEST_F(PRenderTest, DebugLinesKeepPositionAndColourOnly) {
    render.AddDebugLine(0xffff0000, D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(4, 5, 6));
    const auto& points = render.GetDebugLinePoints();
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].position.x, 1.0f);
    EXPECT_EQ(points[1].position.z, 6.0f);
    EXPECT_EQ(points[1].diffuse, 0xffff0000u);
    EXPECT_EQ(points[0].specular, 0u);
    EXPECT_EQ(points[0].normal.z, 0.0f);
    render.ClearDebugLines();
    EXPECT_TRUE(render.GetDebugLinePoints().empty());
}

TEST_F(PRenderTest, StaticMeshBuffersAreSharedByNameAndUploadedOnce) {
    std::vector<CPVertex> vertices(4);
    for (size_t i = 0; i < vertices.size(); ++i) vertices[i].position.x = static_cast<float>(i);
    const std::vector<uint16_t> indices = {0, 1, 2, 2, 1, 3, 0};
    auto record = render.GetMeshBuffers("Level1Tree", vertices.data(), indices.data(), 4, 7);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->vertexCount, 4);
    EXPECT_EQ(record->primitiveCount, 2) << "7 indices make 2 whole triangles";
    ASSERT_NE(record->vertexBuffer, nullptr);
    ASSERT_NE(record->indexBuffer, nullptr);
    EXPECT_EQ(record->vertexBuffer->Bytes(), Bytes(vertices.data(), 4 * sizeof(CPVertex)));
    EXPECT_EQ(record->indexBuffer->Bytes(), Bytes(indices.data(), 7 * 2));
    EXPECT_FALSE(record->vertexBuffer->IsLocked());
    D3DVERTEXBUFFER_DESC desc{};
    record->vertexBuffer->GetDesc(&desc);
    EXPECT_EQ(desc.FVF, 0x2d2u);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(desc.Usage, D3DUSAGE_WRITEONLY);

    EXPECT_EQ(render.GetMeshBuffers("LEVEL1TREE", nullptr, nullptr, 99, 99), record) << "same name in other case";
    EXPECT_EQ(render.GetMeshBufferCount(), 1u);

    render.ClearMeshBuffers();
    EXPECT_EQ(render.GetMeshBufferCount(), 0u);
    EXPECT_EQ(record->vertexBuffer, nullptr);
    EXPECT_EQ(record->indexBuffer, nullptr);
    EXPECT_EQ(record->vertices.size(), 4u) << "a record still held stays valid";
    EXPECT_EQ(device->ChildCount(), 0u) << "the device buffers are released";
    EXPECT_EQ(render.GetLiveMeshBufferRecords(), 1u);
    record.reset();
    EXPECT_EQ(render.GetLiveMeshBufferRecords(), 0u) << "the last holder let go: the record is freed";
}

TEST_F(PRenderTest, MeshBuffersThatCannotBeMadeOrFilledStayNull) {
    std::vector<CPVertex> vertices(3);
    const std::vector<uint16_t> indices = {0, 1, 2};
    struct Case {
        const char* name;
        D3DCall failing;
        bool vertexBuffer;
        bool indexBuffer;
    };
    for (Case c : {Case{"a", D3DCall::CreateVertexBuffer, false, true}, Case{"b", D3DCall::CreateIndexBuffer, true, false},
                   Case{"c", D3DCall::VertexBufferLock, false, true}, Case{"d", D3DCall::IndexBufferLock, true, false}}) {
        ArmD3DFailure(c.failing, D3DERR_OUTOFVIDEOMEMORY);
        auto record = render.GetMeshBuffers(c.name, vertices.data(), indices.data(), 3, 3);
        ASSERT_NE(record, nullptr) << c.name;
        EXPECT_EQ(record->vertexBuffer != nullptr, c.vertexBuffer) << c.name;
        EXPECT_EQ(record->indexBuffer != nullptr, c.indexBuffer) << c.name;
        if (record->vertexBuffer) {
            EXPECT_FALSE(record->vertexBuffer->IsLocked()) << c.name;
        }
        if (record->indexBuffer) {
            EXPECT_FALSE(record->indexBuffer->IsLocked()) << c.name;
        }
        EXPECT_EQ(record->vertices.size(), 3u) << c.name;
    }
    auto empty = render.GetMeshBuffers("empty", nullptr, nullptr, 5, -2);
    EXPECT_EQ(empty->vertexBuffer, nullptr) << "no data, no buffer";
    EXPECT_EQ(empty->vertexCount, 0);
    render.ClearMeshBuffers();
    EXPECT_EQ(device->ChildCount(), 0u);
}

namespace {

// The loading screen's images in data/textures of a temporary working folder.
class WarningScreenTest : public PRenderTest {
protected:
    void WriteImages(const std::vector<uint8_t>& background, const std::vector<uint8_t>& bar) {
        work.Folder().Write("Data/Textures/back2.jpg", background);
        work.Folder().Write("Data/Textures/load.tga", bar);
    }
    const PScreenVertex* DrawnVertices(size_t draw) {
        auto draws = CallsOf(*device, D3DCall::DrawPrimitiveUP);
        EXPECT_GT(draws.size(), draw);
        kept = draws.size() > draw ? draws[draw].vertices : std::vector<uint8_t>(4 * sizeof(PScreenVertex));
        return reinterpret_cast<const PScreenVertex*>(kept.data());
    }
    ScopedWorkingFolder work;
    std::vector<uint8_t> kept;
};

}  // namespace

TEST_F(WarningScreenTest, DrawsThePictureAndTheBarAt1024x768) {
    WriteImages(MakeImageFile(ImageKind::Jpeg, 200, 100), MakeImageFile(ImageKind::Tga, 8, 16));
    render.DrawWarningScreen(40);

    const auto& calls = device->Calls();
    std::vector<D3DCall> sequence;
    for (const auto& c : calls)
        if (c.call != D3DCall::CreateTexture) sequence.push_back(c.call);
    const std::vector<D3DCall> expected = {
        D3DCall::D3DXCreateTextureFromFileInMemoryEx, D3DCall::D3DXCreateTextureFromFileInMemoryEx,
        D3DCall::Clear, D3DCall::BeginScene, D3DCall::SetTransform, D3DCall::SetTransform, D3DCall::SetTransform,
        D3DCall::SetTextureStageState, D3DCall::SetTextureStageState, D3DCall::SetTextureStageState,
        D3DCall::SetRenderState, D3DCall::SetRenderState, D3DCall::SetRenderState, D3DCall::SetRenderState,
        D3DCall::SetRenderState, D3DCall::SetRenderState, D3DCall::SetFVF, D3DCall::SetTexture,
        D3DCall::DrawPrimitiveUP, D3DCall::SetTextureStageState, D3DCall::SetTextureStageState, D3DCall::SetTexture,
        D3DCall::DrawPrimitiveUP, D3DCall::EndScene, D3DCall::Present};
    ASSERT_EQ(sequence, expected) << DescribeCalls(*device);
    EXPECT_EQ(device->PresentCount(), 1u);
    EXPECT_TRUE(CallsOf(*device, D3DCall::Clear)[0].Is(
        D3DCall::Clear, {0, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, D3DFloatBits(1.0f), 0}));
    auto loads = CallsOf(*device, D3DCall::D3DXCreateTextureFromFileInMemoryEx);
    EXPECT_EQ(loads[0].args[9], 0u) << "no colour key";
    EXPECT_EQ(loads[0].args[8], 0x80004u);
    EXPECT_TRUE(CallsOf(*device, D3DCall::SetFVF)[0].Is(D3DCall::SetFVF, {0x144}));

    struct Vertex {
        float x, y, u, v;
        D3DCOLOR diffuse;
    };
    const Vertex background[4] = {{1023.5f, -0.5f, 1, 0, 0}, {1023.5f, 767.5f, 1, 0.75f, 0},
                                  {-0.5f, -0.5f, 0, 0, 0},    {-0.5f, 767.5f, 0, 0.75f, 0}};
    const Vertex bar[4] = {{409.6f, 753, 40, 0, 0xffffffff}, {409.6f, 768, 40, 1, 0xffffffff},
                           {0, 753, 0, 0, 0xffffffff},       {0, 768, 0, 1, 0xffffffff}};
    for (int draw = 0; draw < 2; ++draw) {
        const PScreenVertex* drawn = DrawnVertices(static_cast<size_t>(draw));
        const Vertex* want = draw == 0 ? background : bar;
        for (int i = 0; i < 4; ++i) {
            EXPECT_FLOAT_EQ(drawn[i].x, want[i].x) << draw << ":" << i;
            EXPECT_FLOAT_EQ(drawn[i].y, want[i].y) << draw << ":" << i;
            EXPECT_EQ(drawn[i].u, want[i].u) << draw << ":" << i;
            EXPECT_EQ(drawn[i].v, want[i].v) << draw << ":" << i;
            EXPECT_EQ(drawn[i].diffuse, want[i].diffuse) << draw << ":" << i;
            EXPECT_EQ(drawn[i].z, 1.0f);
            EXPECT_EQ(drawn[i].rhw, 1.0f);
        }
    }
    auto textures = CallsOf(*device, D3DCall::SetTexture);
    EXPECT_NE(textures[0].object, nullptr);
    EXPECT_NE(textures[1].object, nullptr);
    EXPECT_NE(textures[0].object, textures[1].object);
}

TEST_F(WarningScreenTest, StatesOfThePictureAndTheBarInOrder) {
    WriteImages(MakeImageFile(ImageKind::Jpeg, 16, 16), MakeImageFile(ImageKind::Tga, 4, 4));
    render.DrawWarningScreen(1);
    auto loaded = CallsOf(*device, D3DCall::SetTexture);
    ASSERT_EQ(loaded.size(), 2u);
    const void* background = loaded[0].object;
    const void* bar = loaded[1].object;
    ASSERT_NE(background, nullptr);
    ASSERT_NE(bar, nullptr);

    device->ClearCalls();
    render.DrawWarningScreen(1);
    const std::vector<Expected> expected = {
        {D3DCall::Clear, {0, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, D3DFloatBits(1.0f), 0}},
        {D3DCall::BeginScene, {}},
        {D3DCall::SetTransform, {D3DTS_WORLD}},
        {D3DCall::SetTransform, {D3DTS_PROJECTION}},
        {D3DCall::SetTransform, {D3DTS_VIEW}},
        {D3DCall::SetTextureStageState, {0, D3DTSS_COLOROP, D3DTOP_SELECTARG1}},
        {D3DCall::SetTextureStageState, {0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1}},
        {D3DCall::SetTextureStageState, {0, D3DTSS_COLORARG1, D3DTA_TEXTURE}},
        {D3DCall::SetRenderState, {D3DRS_ZWRITEENABLE, FALSE}},
        {D3DCall::SetRenderState, {D3DRS_ZENABLE, FALSE}},
        {D3DCall::SetRenderState, {D3DRS_LIGHTING, FALSE}},
        {D3DCall::SetRenderState, {D3DRS_CULLMODE, D3DCULL_NONE}},
        {D3DCall::SetRenderState, {D3DRS_ALPHABLENDENABLE, TRUE}},
        {D3DCall::SetRenderState, {D3DRS_FOGENABLE, FALSE}},
        {D3DCall::SetFVF, {0x144}},
        {D3DCall::SetTexture, {0}},
        {D3DCall::DrawPrimitiveUP, {D3DPT_TRIANGLESTRIP, 2, 28}},
        {D3DCall::SetTextureStageState, {0, D3DTSS_COLORARG1, D3DTA_TEXTURE}},
        {D3DCall::SetTextureStageState, {0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE}},
        {D3DCall::SetTexture, {0}},
        {D3DCall::DrawPrimitiveUP, {D3DPT_TRIANGLESTRIP, 2, 28}},
        {D3DCall::EndScene, {}},
        {D3DCall::Present, {}},
    };
    ExpectCalls(*device, expected, "loading screen");
    const auto& calls = device->Calls();
    ASSERT_EQ(calls.size(), expected.size());
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    for (size_t i = 2; i < 5; ++i) EXPECT_EQ(Bytes(&calls[i].matrix, 64), Bytes(&identity, 64)) << "call " << i;
    EXPECT_EQ(calls[15].object, background);
    EXPECT_EQ(calls[19].object, bar);
}

TEST_F(WarningScreenTest, PercentIsClampedAndImagesAreReadOnce) {
    WriteImages(MakeImageFile(ImageKind::Jpeg, 16, 16), MakeImageFile(ImageKind::Tga, 4, 4));
    struct Case {
        int32_t percent;
        float x;
        float u;
    };
    for (Case c : {Case{0, 0, 0}, Case{100, 1024, 100}, Case{150, 1024, 100}, Case{-20, 0, 0}}) {
        device->ClearCalls();
        render.DrawWarningScreen(c.percent);
        const PScreenVertex* bar = DrawnVertices(1);
        EXPECT_EQ(bar[0].x, c.x) << c.percent;
        EXPECT_EQ(bar[0].u, c.u) << c.percent;
    }
    EXPECT_TRUE(CallsOf(*device, D3DCall::D3DXCreateTextureFromFileInMemoryEx).empty())
        << "later calls reuse the textures";
}

TEST_F(WarningScreenTest, MissingImagesAreSkippedAndBadOnesReported) {
    std::vector<std::string> reports;
    LogReportObserver previous =
        SetLogReportObserver([&reports](const std::string& text) { reports.push_back(text); });

    render.DrawWarningScreen(50);  // no files at all
    EXPECT_TRUE(reports.empty());
    auto textures = CallsOf(*device, D3DCall::SetTexture);
    ASSERT_EQ(textures.size(), 2u);
    EXPECT_EQ(textures[0].object, nullptr);
    EXPECT_EQ(device->PresentCount(), 1u) << "drawn without textures";

    WriteImages({'n', 'o', 'p', 'e'}, MakeImageFile(ImageKind::Tga, 4, 4));
    render.DrawWarningScreen(50);
    SetLogReportObserver(previous);
    ASSERT_EQ(reports.size(), 1u);
    const std::string& report = reports[0];
    EXPECT_EQ(report.rfind("DXError if ", 0), 0u) << report;
    EXPECT_NE(report.find("Render/PRender.cpp on line 112\nD3DXERR_INVALIDDATA\nThe data is invalid.\n"),
              std::string::npos)
        << report;
    EXPECT_EQ(CallsOf(*device, D3DCall::SetTexture).back().object != nullptr, true) << "the bar loaded";
}

TEST_F(WarningScreenTest, EmptyImageFilesAreReadButCannotBeDecoded) {
    WriteImages({}, {});
    std::vector<std::string> reports;
    LogReportObserver previous =
        SetLogReportObserver([&reports](const std::string& text) { reports.push_back(text); });
    render.DrawWarningScreen(30);
    SetLogReportObserver(previous);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_NE(reports[0].find("on line 112\n"), std::string::npos) << reports[0];
    EXPECT_NE(reports[1].find("on line 137\n"), std::string::npos) << reports[1];
    for (const auto& texture : CallsOf(*device, D3DCall::SetTexture)) EXPECT_EQ(texture.object, nullptr);
    EXPECT_EQ(device->PresentCount(), 1u);
}

TEST_F(WarningScreenTest, ABarImageThatCannotBeDecodedIsReportedWithItsOwnLine) {
    WriteImages(MakeImageFile(ImageKind::Jpeg, 16, 16), MakeImageFile(ImageKind::Tga, 4, 4));
    std::vector<std::string> reports;
    LogReportObserver previous =
        SetLogReportObserver([&reports](const std::string& text) { reports.push_back(text); });
    ArmD3DFailure(D3DCall::D3DXCreateTextureFromFileInMemoryEx, D3DERR_OUTOFVIDEOMEMORY, 1, 1);
    render.DrawWarningScreen(10);
    SetLogReportObserver(previous);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("on line 137\nD3DERR_OUTOFVIDEOMEMORY\n"), std::string::npos) << reports[0];
}
