#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <vector>

#include "DynamicSky/SkyRenderDevice.h"
#include "Render/PRender.h"
#include "core/ServiceGlobals.h"
#include "simulation/level/CPLevel.h"
#include "support/D3DTestSupport.h"
#include "support/MathExpect.h"
#include "support/ScopedGlobal.h"
#include "support/SkyTestRig.h"

namespace {
D3DLIGHT9 DirectionalLight(float x) {
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Direction = D3DXVECTOR3(x, 0, 0);
    return light;
}
}  // namespace

TEST(SkyDeviceStateTest, AmbientPacksTruncatedChannelsAndHandsTheFractionsToTheRenderer) {
    struct Case {
        float r, g, b;
        D3DCOLOR packed;
    };
    const Case cases[] = {
        {255, 128, 0, 0xFFFF8000u},
        {10.9f, 0.5f, 254.99f, 0xFF0A00FEu},
        {0, 0, 0, 0xFF000000u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.packed);
        SkyTestRig rig(DeviceRecording::On);
        rig.Device().ClearCalls();
        SetSkyAmbient(c.r, c.g, c.b);
        EXPECT_EQ(gRenderer->mAmbientColor, c.packed);
        ExpectVec4Near(gRenderer->mAmbient, D3DXVECTOR4(c.r / 255.0f, c.g / 255.0f, c.b / 255.0f, 1.0f));
        const std::vector<D3DCallRecord> states = CallsOf(rig.Device(), D3DCall::SetRenderState);
        ASSERT_EQ(states.size(), 1u);
        EXPECT_TRUE(states[0].Is(D3DCall::SetRenderState, {D3DRS_AMBIENT, c.packed}));
    }
}

TEST(SkyDeviceStateTest, FogSetsColourStartAndEndInThatOrder) {
    SkyTestRig rig(DeviceRecording::On);
    rig.Device().ClearCalls();
    SetSkyFog(0, 0, 255, 10, 300);
    EXPECT_EQ(gRenderer->mFogColor, 0xFF0000FFu);
    const std::vector<D3DCallRecord> states = CallsOf(rig.Device(), D3DCall::SetRenderState);
    ASSERT_EQ(states.size(), 3u);
    EXPECT_TRUE(states[0].Is(D3DCall::SetRenderState, {D3DRS_FOGCOLOR, 0xFF0000FFu}));
    EXPECT_TRUE(states[1].Is(D3DCall::SetRenderState, {D3DRS_FOGSTART, std::bit_cast<uint32_t>(10.0f)}));
    EXPECT_TRUE(states[2].Is(D3DCall::SetRenderState, {D3DRS_FOGEND, std::bit_cast<uint32_t>(300.0f)}));
}

TEST(SkyDeviceStateTest, SunLightWritesTheLevelsRecordAppendsItAndAppliesTheTable) {
    SkyTestRig rig(DeviceRecording::On);
    CPLevel& level = rig.Level();
    level.mSunLight.Type = D3DLIGHT_DIRECTIONAL;
    level.mSunLight.Range = 77.0f;
    gRenderer->AddLight(DirectionalLight(1));
    rig.Device().ClearCalls();

    SetSkySunLight(D3DXVECTOR3(0, 3, -4), D3DXCOLOR(1.0f, 0.5f, 0.0f, 1.0f));

    ExpectVec3Near(level.mSunLight.Direction, D3DXVECTOR3(0, 0.6f, -0.8f));
    for (const D3DCOLORVALUE& value : {level.mSunLight.Diffuse, level.mSunLight.Specular}) {
        EXPECT_EQ(value.r, 0.99609375f);
        EXPECT_EQ(value.g, 0.5f);
        EXPECT_EQ(value.b, 0.0f);
        EXPECT_EQ(value.a, 0.0f);
    }
    EXPECT_EQ(level.mSunLight.Range, 77.0f);  // fields the sky does not own stay
    // The queued light and then the level's went to the device, and the table is empty again.
    const std::vector<D3DCallRecord> lights = CallsOf(rig.Device(), D3DCall::SetLight);
    ASSERT_EQ(lights.size(), 2u);
    EXPECT_EQ(lights[0].light.Direction.x, 1.0f);
    EXPECT_EQ(lights[1].light.Direction.y, level.mSunLight.Direction.y);
    EXPECT_EQ(gRenderer->GetLightCount(), 0);
    EXPECT_EQ(gRenderer->GetSunLight().Diffuse.r, 0.99609375f);
}

TEST(SkyDeviceStateTest, SunColourChannelsSaturateOutsideZeroToOneAndRoundInside) {
    struct Case {
        float channel;
        float expected;  // byte / 256
    };
    const Case cases[] = {
        {2.0f, 255 / 256.0f}, {1.0f, 255 / 256.0f}, {0.0f, 0.0f}, {-3.0f, 0.0f},
        {0.5f, 128 / 256.0f},  {0.001f, 0.0f},      {NAN, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.channel);
        SkyTestRig rig;
        SetSkySunLight(D3DXVECTOR3(1, 0, 0), D3DXCOLOR(c.channel, 0, 0, 1));
        EXPECT_EQ(rig.Level().mSunLight.Diffuse.r, c.expected);
    }
}

TEST(SkyDeviceStateTest, AFullLightTableDropsTheSunButIsStillApplied) {
    SkyTestRig rig(DeviceRecording::On);
    for (int i = 0; i < PRender::kMaxLights; ++i) gRenderer->AddLight(DirectionalLight(static_cast<float>(i)));
    rig.Device().ClearCalls();
    SetSkySunLight(D3DXVECTOR3(0, 0, -1), D3DXCOLOR(1, 1, 1, 1));
    const std::vector<D3DCallRecord> lights = CallsOf(rig.Device(), D3DCall::SetLight);
    ASSERT_EQ(lights.size(), 30u);
    EXPECT_EQ(lights.back().light.Direction.x, 29.0f);
    EXPECT_EQ(gRenderer->GetLightCount(), 0);
}

// With no level loaded there is no light record to write: the table is still applied and emptied.
TEST(SkyDeviceStateTest, SunLightWithoutALevelOnlyAppliesTheTable) {
    SkyTestRig rig(DeviceRecording::On);
    ScopedGlobal<CPLevel*> noLevel(gLevel, nullptr);
    gRenderer->AddLight(DirectionalLight(5));
    rig.Device().ClearCalls();
    SetSkySunLight(D3DXVECTOR3(0, 0, -1), D3DXCOLOR(1, 1, 1, 1));
    const std::vector<D3DCallRecord> lights = CallsOf(rig.Device(), D3DCall::SetLight);
    ASSERT_EQ(lights.size(), 1u);
    EXPECT_EQ(lights[0].light.Direction.x, 5.0f);
    EXPECT_EQ(gRenderer->GetLightCount(), 0);
}

TEST(SkyDeviceStateTest, DepthClearGoesToTheSkyDeviceOnly) {
    SkyTestRig rig(DeviceRecording::On);
    rig.Device().ClearCalls();
    ClearSkyDepth();
    const std::vector<D3DCallRecord> clears = CallsOf(rig.Device(), D3DCall::Clear);
    ASSERT_EQ(clears.size(), 1u);
    EXPECT_TRUE(clears[0].Is(D3DCall::Clear, {0, D3DCLEAR_ZBUFFER, 0xff000000u, std::bit_cast<uint32_t>(1.0f), 0}));

    gSkyRenderDevice.SetDevice(nullptr);
    rig.Device().ClearCalls();
    ClearSkyDepth();
    EXPECT_TRUE(rig.Device().Calls().empty());
}
