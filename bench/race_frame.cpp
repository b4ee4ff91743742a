// One whole race frame of the test level with 13 race units (the player and 12 AI cars): the task
// kernel's frame with the AI driving, the units, the physics step and the race rules (lap counting,
// unit updates, camera feed and the queuing of what is drawn).
#include <benchmark/benchmark.h>

#include "core/CPTaskKernel.h"
#include "core/FrameClock.h"
#include "core/ServiceGlobals.h"
#include "support/LevelLoadRig.h"

namespace {

void BM_RaceFrame(benchmark::State& state) {
    TestLevelTree tree;
    tree.enemies = 12;
    LevelLoadRig rig(tree);
    rig.gameData->mTransportCount = 12;
    CPLevel& level = rig.Level();
    if (!level.Load(tree.levelName, false, false) || !level.Start()) {
        state.SkipWithError("the test level did not load and start");
        return;
    }
    level.mRolling = false;
    level.mRaceClockOn = true;
    for (CPPlayer* unit : level.mEnemies) benchmark::DoNotOptimize(unit);
    for (auto _ : state) {
        gDeltaTime = 1.0f / 60.0f;
        gFrameTime2 = gDeltaTime;
        gTaskKernel->RunFrame();
    }
    state.counters["units"] = static_cast<double>(level.mEnemies.size() + 1);
    level.Stop();
}
BENCHMARK(BM_RaceFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
BENCHMARK_MAIN();
