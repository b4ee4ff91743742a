// Loading the test level whose file places 2,000 further meshes (a box each) beside the road, the two
// enemy cars and the player's: the whole CPLevel::Load, and the raw read of the same data tree (every
// file read whole once) for comparison. The same pair for the plain test level the level tests load,
// here as a script loads it (InitLevel).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/ServiceGlobals.h"
#include "core/files/CPFileReader.h"
#include "support/LevelLoadRig.h"
#include "support/LuaScriptRig.h"

namespace {

constexpr int32_t kPlacedObjects = 2000;

TestLevelTree BenchTree() {
    TestLevelTree tree;
    tree.extraObjects = kPlacedObjects;
    return tree;
}

void BM_LoadTestLevel(benchmark::State& state) {
    LevelLoadRig rig(BenchTree());
    for (auto _ : state) {
        state.PauseTiming();
        rig.DeleteLevel();
        CPLevel& level = rig.Level();
        state.ResumeTiming();
        const bool loaded = level.Load(rig.Tree().levelName, false, false);
        benchmark::DoNotOptimize(loaded);
        if (!loaded || level.mObjects.size() != static_cast<size_t>(kPlacedObjects + 1))
            state.SkipWithError("the level did not load whole");
    }
    state.counters["objects"] = static_cast<double>(rig.Level().mObjects.size());
}
BENCHMARK(BM_LoadTestLevel)->Unit(benchmark::kMillisecond);

// Reads every file of the rig's data tree whole, each once, as the level's own reads do (through the
// engine's reader); the counter says how many there are.
void ReadTreeFiles(benchmark::State& state, LevelLoadRig& rig) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(rig.Folder().Path() + "/Data"))
        if (entry.is_regular_file())
            files.push_back(std::filesystem::relative(entry.path(), rig.Folder().Path()).string());
    for (auto _ : state) {
        size_t bytes = 0;
        for (const std::string& file : files) {
            CPFileReader reader(file, false);
            if (reader.Load() == S_OK) bytes += reader.GetSize();
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["files"] = static_cast<double>(files.size());
}

void BM_ReadTestLevelFiles(benchmark::State& state) {
    LevelLoadRig rig(BenchTree());
    ReadTreeFiles(state, rig);
}
BENCHMARK(BM_ReadTestLevelFiles)->Unit(benchmark::kMillisecond);

void BM_InitPlainTestLevel(benchmark::State& state) {
    LevelLoadRig rig;
    LuaScriptRig lua;
    const std::string init = "InitLevel('" + rig.Tree().levelName + "', false)";
    for (auto _ : state) {
        state.PauseTiming();
        lua.Run("DeleteLevel()");
        state.ResumeTiming();
        const std::string error = lua.Run(init);
        if (!error.empty() || !gLevel || !gLevel->mLoaded) state.SkipWithError("the level did not load");
    }
    lua.Run("DeleteLevel()");
}
BENCHMARK(BM_InitPlainTestLevel)->Unit(benchmark::kMillisecond);

void BM_ReadPlainTestLevelFiles(benchmark::State& state) {
    LevelLoadRig rig;
    ReadTreeFiles(state, rig);
}
BENCHMARK(BM_ReadPlainTestLevelFiles)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
