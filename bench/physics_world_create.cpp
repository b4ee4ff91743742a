// What a level load asks of the game physics world before the race: a new rigid-body world
// (CPPhysicWorld::Create) and the road's collision mesh sorted into its grid (BuildCollisionMesh), for
// the test level's road (a flat 400 x 400 square, two triangles) and for a hilly road of 100,000
// triangles over 1024 x 1024 units. Each world is made afresh, as each level load makes one.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "core/ServiceGlobals.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "support/TestLevelTree.h"

namespace {

struct RoadMesh {
    std::vector<CPCollisionVertex> vertices;
    std::vector<CPCollisionTriangle> triangles;
};

// The test level's road physics: a square of half side h at z = 0, two triangles facing up.
RoadMesh TestLevelRoad() {
    const float h = TestLevelTree::kGroundHalfSide;
    return {{{-h, -h, 0, 0}, {h, -h, 0, 0}, {h, h, 0, 0}, {-h, h, 0, 0}},
            {CPCollisionTriangle{{0, 1, 2}, {0, 0, 0}}, CPCollisionTriangle{{0, 2, 3}, {0, 0, 0}}}};
}

// A square grid of n x n quads over 1024 x 1024 units of hills, two triangles each.
RoadMesh HillyRoad(int n) {
    constexpr float kSide = 1024.0f;
    const float step = kSide / static_cast<float>(n);
    RoadMesh mesh;
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) {
            const float x = i * step - kSide / 2, y = j * step - kSide / 2;
            mesh.vertices.push_back({x, y, 1.5f * std::sin(x * 0.05f) * std::cos(y * 0.04f), 0.0f});
        }
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const int32_t v = j * (n + 1) + i;
            mesh.triangles.push_back(CPCollisionTriangle{{v, v + 1, v + n + 2}, {0, 0, 0}});
            mesh.triangles.push_back(CPCollisionTriangle{{v, v + n + 2, v + n + 1}, {0, 0, 0}});
        }
    return mesh;
}

void BM_CreateWorld(benchmark::State& state) {
    CPPhysicWorld game;
    for (auto _ : state) {
        game.Create();
        benchmark::DoNotOptimize(game.GetWorld());
    }
}
BENCHMARK(BM_CreateWorld)->Unit(benchmark::kMicrosecond);

// The level loader's order: the collision mesh, then the world.
void LoadPhysics(benchmark::State& state, const RoadMesh& road) {
    CPPhysicWorld game;
    for (auto _ : state) {
        game.BuildCollisionMesh(road.vertices, road.triangles);
        game.Create();
        benchmark::DoNotOptimize(game.GetWorld());
    }
    state.counters["cells"] = static_cast<double>(game.GetGridWidth()) * game.GetGridHeight();
}

void BM_TestLevelRoadAndWorld(benchmark::State& state) { LoadPhysics(state, TestLevelRoad()); }
BENCHMARK(BM_TestLevelRoadAndWorld)->Unit(benchmark::kMicrosecond);

void BM_HillyRoadAndWorld(benchmark::State& state) { LoadPhysics(state, HillyRoad(224)); }
BENCHMARK(BM_HillyRoadAndWorld)->Unit(benchmark::kMillisecond);
}  // namespace

BENCHMARK_MAIN();
