// One whole race frame of the test level with 13 race units (the player and 12 AI cars): the task
// kernel's frame with the AI driving, the units, the physics step and the race rules (lap counting,
// unit updates, camera feed and the queuing of what is drawn); the second figure adds the frame's
// drawing on the recording device (batching the queues into blocks and draw calls, then present).
#include <benchmark/benchmark.h>

#include "Render/CPFrameRenderer.h"
#include "Render/CPRenderQueue.h"
#include "Render/PRender.h"
#include "core/CPTaskKernel.h"
#include "core/FrameClock.h"
#include "core/ServiceGlobals.h"
#include "host/RenderQueueHost.h"
#include "support/LevelLoadRig.h"

namespace {

void RaceFrames(benchmark::State& state, bool draw) {
    TestLevelTree tree;
    tree.enemies = 12;
    LevelLoadRig rig(tree);
    rig.gameData->mTransportCount = 12;
    // The host's draw and branch queues with their rings on the recording device.
    RenderQueueHost queues;
    if (!gRenderer || !queues.Create(*gRenderer)) {
        state.SkipWithError("no render queues");
        return;
    }
    CPLevel& level = rig.Level();
    if (!level.Load(tree.levelName, false, false) || !level.Start()) {
        state.SkipWithError("the test level did not load and start");
        return;
    }
    level.mRolling = false;
    level.mRaceClockOn = true;
    CPFrameRenderer frameRenderer;
    for (auto _ : state) {
        gDeltaTime = 1.0f / 60.0f;
        gFrameTime2 = gDeltaTime;
        gTaskKernel->RunFrame();
        if (draw) {
            benchmark::DoNotOptimize(frameRenderer.DrawFrame(*gRenderer));
        } else {
            // Without the drawing the queues are emptied as a drawn frame leaves them; they would grow.
            for (CPSmartPtr<CPRenderQueue> queue : {gRenderer->GetDrawQueue(), gRenderer->GetBranchQueue()})
                if (queue) queue->EmptyFrame();
            gRenderer->ClearDebugLines();
            gRenderer->ClearLights();
        }
    }
    state.counters["units"] = static_cast<double>(level.mEnemies.size() + 1);
    if (draw) {
        state.counters["draw_calls"] = frameRenderer.GetStats().drawCalls;
        state.counters["blocks"] = frameRenderer.GetStats().blocks;
        state.counters["static_runs"] = frameRenderer.GetStats().staticRuns;
        state.counters["mesh_draws"] = frameRenderer.GetStats().meshDraws;
    }
    level.Stop();
}

void BM_RaceFrame(benchmark::State& state) { RaceFrames(state, false); }
void BM_RaceFrameDrawn(benchmark::State& state) { RaceFrames(state, true); }
BENCHMARK(BM_RaceFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RaceFrameDrawn)->Unit(benchmark::kMicrosecond);

}  // namespace
BENCHMARK_MAIN();
