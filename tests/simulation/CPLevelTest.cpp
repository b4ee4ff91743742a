#include <gtest/gtest.h>

#include "Render/CPCamera.h"
#include "Render/PRender.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "simulation/level/CPLevel.h"
#include "simulation/units/CPPlayer.h"
#include "support/D3DTestSupport.h"
#include "support/ScopedGlobal.h"
#include "support/SimulationDoubles.h"

TEST(CPLevelTest, SunLightIsAppendedWhileTheTableHasRoom) {
    D3DPtr<IDirect3DDevice9> device = MakeTestDevice();
    PRender renderer(device.get());
    ScopedGlobal<PRender*> installRenderer(gRenderer, &renderer);
    CPLevel level;
    level.mSunLight.Type = D3DLIGHT_DIRECTIONAL;
    level.mSunLight.Range = 12.0f;

    for (int i = 0; i < PRender::kMaxLights + 2; ++i) level.AddRendererRecord();
    EXPECT_EQ(renderer.GetLightCount(), PRender::kMaxLights);
    EXPECT_EQ(renderer.GetLight(PRender::kMaxLights - 1).Range, 12.0f);

    gRenderer = nullptr;
    level.AddRendererRecord();  // no renderer: nothing to append to
}

TEST(CPLevelTest, DeletingTheLevelDeletesItsCameraAndClearsTheGlobals) {
    gSettings::RestoreInitialValues();
    auto* level = new CPLevel();
    ScopedGlobal<CPLevel*> installLevel(gLevel, level);
    level->mCamera = new CPCamera();
    CPCamera* camera = level->mCamera;
    ASSERT_NE(g_pCurrentCamera, nullptr);

    delete level;
    EXPECT_EQ(gLevel, nullptr);
    EXPECT_FALSE(gObjectRegistry::Contains(camera));
    EXPECT_EQ(g_pCurrentCamera, nullptr);
}

TEST(PlayerTest, CarAndItsVelocityWithoutTakingAReference) {
    CPPlayer player;
    EXPECT_EQ(player.GetName(), "PLAYER");
    EXPECT_EQ(player.GetCar(), nullptr);
    EXPECT_EQ(player.GetCarVelocity(), D3DXVECTOR3(0.0f, 0.0f, 0.0f));

    FakeCar car;
    car.mVelocity = D3DXVECTOR3(1.0f, -2.0f, 3.0f);
    player.SetCar(&car);
    const int32_t count = car.GetRefCount();
    EXPECT_EQ(player.GetCar(), &car);
    EXPECT_EQ(car.GetRefCount(), count);
    EXPECT_EQ(player.GetCarVelocity(), D3DXVECTOR3(1.0f, -2.0f, 3.0f));
    player.SetCar(nullptr);
}
