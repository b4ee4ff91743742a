#include <gtest/gtest.h>

#include "Render/PRender.h"
#include "core/ServiceGlobals.h"
#include "simulation/level/CPLevel.h"
#include "support/D3DTestSupport.h"

TEST(CPLevel, SunLightIsAppendedWhileTheTableHasRoom) {
    D3DPtr<IDirect3DDevice9> device = MakeTestDevice();
    PRender renderer(device.get());
    PRender* previous = gRenderer;
    gRenderer = &renderer;
    CPLevel level;
    level.mLight.Type = D3DLIGHT_DIRECTIONAL;
    level.mLight.Range = 12.0f;

    for (int i = 0; i < PRender::kMaxLights + 2; ++i) level.AddSunLight();
    EXPECT_EQ(renderer.GetLightCount(), PRender::kMaxLights);
    EXPECT_EQ(renderer.GetLight(PRender::kMaxLights - 1).Range, 12.0f);

    gRenderer = nullptr;
    level.AddSunLight();  // no renderer: nothing to append to
    gRenderer = previous;
}
