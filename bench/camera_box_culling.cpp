// CPPerspectiveCamera::IsBoxVisible on 10,000 axis-aligned boxes scattered around a tilted camera (about a
// fifth of them visible), against the plain eight-corners-per-plane rule the one-corner test replaces.
#include <benchmark/benchmark.h>

#include <vector>

#include "Render/PCamera.h"
#include "platform/RuntimeRandom.h"
#include "support/BoxCullingReference.h"

namespace {

constexpr int kBoxes = 10000;

struct Box {
    D3DXVECTOR3 minimum, maximum;
};

struct Field {
    CPPerspectiveCamera camera;
    std::vector<Box> boxes;

    Field() {
        camera.SetEye({0, 0, 8});
        camera.SetTarget({40, 15, 0});
        camera.SetUp({0, 0, 1});
        camera.SetFar(200.0f);
        camera.Update();
        RuntimeSrand(2024);
        for (int i = 0; i < kBoxes; ++i) {
            D3DXVECTOR3 corner(RuntimeRandomFraction() * 400 - 200, RuntimeRandomFraction() * 400 - 200,
                               RuntimeRandomFraction() * 20 - 5);
            D3DXVECTOR3 size(1 + RuntimeRandomFraction() * 10, 1 + RuntimeRandomFraction() * 10,
                             1 + RuntimeRandomFraction() * 5);
            boxes.push_back({corner, corner + size});
        }
    }
};

void IsBoxVisible10000(benchmark::State& state) {
    Field field;
    int visible = 0;
    for (auto _ : state) {
        visible = 0;
        for (const Box& box : field.boxes) visible += field.camera.IsBoxVisible(box.minimum, box.maximum);
        benchmark::DoNotOptimize(visible);
    }
    state.counters["visible"] = visible;
    state.SetItemsProcessed(state.iterations() * kBoxes);
}
BENCHMARK(IsBoxVisible10000)->Unit(benchmark::kMicrosecond);

void EightCornerRule10000(benchmark::State& state) {
    Field field;
    int visible = 0;
    for (auto _ : state) {
        visible = 0;
        for (const Box& box : field.boxes) visible += EightCornerBoxVisible(field.camera, box.minimum, box.maximum);
        benchmark::DoNotOptimize(visible);
    }
    state.counters["visible"] = visible;
    state.SetItemsProcessed(state.iterations() * kBoxes);
}
BENCHMARK(EightCornerRule10000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
