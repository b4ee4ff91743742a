// Loading the test level whose file places 2,000 further meshes (a box each) beside the road, the two
// enemy cars and the player's: the whole CPLevel::Load, and the raw read of the same data tree (every
// file read whole once) for comparison.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/files/CPFileReader.h"
#include "support/LevelLoadRig.h"

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

void BM_ReadTestLevelFiles(benchmark::State& state) {
    LevelLoadRig rig(BenchTree());
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
BENCHMARK(BM_ReadTestLevelFiles)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
