#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "DynamicSky/Skyscape.h"
#include "Render/PRender.h"
#include "core/FrameClock.h"
#include "core/ServiceGlobals.h"
#include "Render/CPFrameRenderer.h"
#include "support/CloudFileBuilder.h"
#include "support/D3DTestSupport.h"
#include "support/FrameTimeScope.h"
#include "support/ScopedGlobal.h"
#include "support/SkyTestRig.h"

namespace {
// The frame's clears, scene brackets, light settings and draws, in order.
std::vector<std::string> FrameLog(const IDirect3DDevice9& device) {
    std::vector<std::string> log;
    for (const D3DCallRecord& record : device.Calls()) {
        switch (record.call) {
        case D3DCall::Clear:
            log.push_back(record.args[1] == D3DCLEAR_ZBUFFER ? "clear depth" : "clear all");
            break;
        case D3DCall::BeginScene: log.push_back("begin"); break;
        case D3DCall::EndScene: log.push_back("end"); break;
        case D3DCall::SetLight: log.push_back("light"); break;
        case D3DCall::DrawIndexedPrimitive: log.push_back("draw"); break;
        case D3DCall::Present: log.push_back("present"); break;
        default: break;
        }
    }
    return log;
}

class CPFrameRendererSkyTest : public ::testing::Test {
protected:
    // Installs a sky of one key state and `layers` layers as the renderer's sky.
    void SetSky(int layers) {
        mRig.WriteCloudFile("skyscape1.txt", SkyscapeFileText(MakeSkyscapeFile(1, 2, layers)));
        gRenderer->SetSkyscape(1);
    }

    ScopedGlobal<D3DXVECTOR3> mSun{gSunPosition, D3DXVECTOR3(0, 0, 0)};
    FrameTimeScope mTime;
    SkyTestRig mRig{DeviceRecording::On};
    CPFrameRenderer mFrame;
};
}  // namespace

TEST_F(CPFrameRendererSkyTest, WithoutASkyTheFrameAppliesTheLightsItself) {
    gRenderer->AddLight(D3DLIGHT9{});
    mRig.Device().ClearCalls();
    EXPECT_EQ(mFrame.DrawFrame(*gRenderer), S_OK);
    EXPECT_EQ(FrameLog(mRig.Device()), (std::vector<std::string>{"clear all", "begin", "light", "end", "present"}));
    EXPECT_EQ(gRenderer->GetLightCount(), 0);
}

TEST_F(CPFrameRendererSkyTest, TheSkyDrawsFirstWithTheFrameTimeAndItsSunAppliesTheLightsOnce) {
    SetSky(1);
    gDeltaTime = 0.25f;
    gRenderer->AddLight(D3DLIGHT9{});
    mRig.Device().ClearCalls();
    EXPECT_EQ(mFrame.DrawFrame(*gRenderer), S_OK);
    // Dome, the sun with the queued light, the layer, then the depth clear that lets the scene draw over it.
    EXPECT_EQ(FrameLog(mRig.Device()), (std::vector<std::string>{"clear all", "begin", "draw", "light", "light", "draw",
                                                                  "clear depth", "end", "present"}));
    EXPECT_EQ(gRenderer->GetLightCount(), 0);
    EXPECT_FLOAT_EQ(gRenderer->GetSkyscape()->GetStateTime(), 1.0f);  // 0.25 s at time scale 4
}

TEST_F(CPFrameRendererSkyTest, ASkyWithoutASunLayerLeavesTheLightsToTheFrame) {
    SetSky(0);
    gRenderer->AddLight(D3DLIGHT9{});
    mRig.Device().ClearCalls();
    EXPECT_EQ(mFrame.DrawFrame(*gRenderer), S_OK);
    EXPECT_EQ(FrameLog(mRig.Device()),
              (std::vector<std::string>{"clear all", "begin", "draw", "clear depth", "light", "end", "present"}));
    EXPECT_EQ(gRenderer->GetLightCount(), 0);

    gRenderer->SetSkyscape(9);  // no such file: an empty sky
    gRenderer->AddLight(D3DLIGHT9{});
    mRig.Device().ClearCalls();
    EXPECT_EQ(mFrame.DrawFrame(*gRenderer), S_OK);
    EXPECT_EQ(FrameLog(mRig.Device()),
              (std::vector<std::string>{"clear all", "begin", "clear depth", "light", "end", "present"}));
}
