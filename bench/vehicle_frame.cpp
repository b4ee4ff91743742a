// One 1/60 s frame of the game physics world with a race on a level mesh of about 100,000 and of about
// 1,000,000 triangles over the same 1024 x 1024 units of hills: 13 cars on their four wheel rays and
// controllers, holding about 10 units per second on a circle, and 40 loose crates, each body asking
// the terrain query for the triangles of its cells every step.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "core/FrameClock.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "platform/RuntimeRandom.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "simulation/physics/PhysWorld.h"
#include "simulation/vehicle/CPCar.h"
#include "support/CarTestRig.h"

namespace {
constexpr float kFrame = 1.0f / 60.0f;
constexpr float kLevelSide = 1024.0f;
constexpr int kCars = 13;
constexpr int kCrates = 40;

float GroundHeight(float x, float y) { return 1.5f * std::sin(x * 0.05f) * std::cos(y * 0.04f); }

// A square grid of quads over the level, two triangles each.
void BuildLevel(CPPhysicWorld& game, int quadsPerSide) {
    const int n = quadsPerSide;
    const float step = kLevelSide / static_cast<float>(n);
    std::vector<CPCollisionVertex> vertices;
    vertices.reserve(static_cast<size_t>(n + 1) * static_cast<size_t>(n + 1));
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) {
            const float x = i * step - kLevelSide / 2, y = j * step - kLevelSide / 2;
            vertices.push_back({x, y, GroundHeight(x, y), 0.0f});
        }
    std::vector<CPCollisionTriangle> triangles;
    triangles.reserve(static_cast<size_t>(n) * static_cast<size_t>(n) * 2);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const int32_t v = j * (n + 1) + i;
            triangles.push_back(CPCollisionTriangle{{v, v + 1, v + n + 2}, {0, 0, 0}});
            triangles.push_back(CPCollisionTriangle{{v, v + n + 2, v + n + 1}, {0, 0, 0}});
        }
    game.BuildCollisionMesh(std::move(vertices), std::move(triangles));
}

struct Race {
    CPPhysicWorld game;
    std::vector<std::unique_ptr<CPGameObject>> units;
    std::vector<std::unique_ptr<CPGameObject>> crates;

    explicit Race(int quadsPerSide) {
        gSettings::weight_div = 1;
        gSettings::cam_speed = 1;
        gPhysicsWorld = &game;
        RuntimeSrand(7);
        BuildLevel(game, quadsPerSide);
        game.Create();
        for (int i = 0; i < kCars; ++i) {
            auto unit = std::make_unique<CPGameObject>("PLAYER");
            DressCarUnit(*unit, kPlainCarDescription, {0, 1, 2, 3}, CarTestRig::kMass);
            const float x = static_cast<float>(i % 5) * 40.0f - 80.0f, y = static_cast<float>(i / 5) * 40.0f - 40.0f;
            unit->SetPosition(D3DXVECTOR3(x, y, GroundHeight(x, y) + 1.3f));
            game.RegisterObject(unit.get());
            game.AddObject(unit.get(), true, 1);
            game.CreateCar(unit.get(), i == 0);
            units.push_back(std::move(unit));
        }
        for (int i = 0; i < kCrates; ++i) {
            auto crate = std::make_unique<CPGameObject>("crate");
            auto* data = new CPPhysicData(crate.get());
            data->SetBoxMass(1, 1, 1, 5);
            data->AddBoxShape(D3DXVECTOR3(0, 0, 0), D3DXQUATERNION(0, 0, 0, 1), 1, 1, 1, 5);
            crate->SetPhysicData(data);
            crate->Adopt(data);
            const float x = (RuntimeRandomFraction() - 0.5f) * 200.0f, y = (RuntimeRandomFraction() - 0.5f) * 200.0f;
            crate->SetPosition(D3DXVECTOR3(x, y, GroundHeight(x, y) + 3.0f));
            game.RegisterObject(crate.get());
            game.AddObject(crate.get(), true, 1);
            data->SetupBody();
            crates.push_back(std::move(crate));
        }
        gDeltaTime = kFrame;
    }
    ~Race() {
        for (auto& unit : units) {
            CPCar* car = unit->GetCar().Get();
            unit->SetCar(nullptr);
            delete car;
        }
        gPhysicsWorld = nullptr;
    }
    // The units' part of a frame: about 10 units per second, turning.
    void Drive() {
        for (auto& unit : units) {
            CPCar* car = unit->GetCar().Get();
            game.SetCarControls(unit.get(), car->mSpeed < 10.0f ? 0.02f : -0.01f, 0.3f);
        }
    }
    void Frame() {
        Drive();
        game.Execute();
    }
};

void VehicleFrame(benchmark::State& state) {
    Race race(static_cast<int>(state.range(0)));
    for (int i = 0; i < 120; ++i) race.Frame();  // the cars settle on their springs and set off
    for (auto _ : state) race.Frame();
    double candidates = 0.0, touching = 0.0;
    for (auto& unit : race.units) {
        candidates += unit->GetPhysicData()->mCandidateCount;
        for (int w = 0; w < 4; ++w) touching += unit->GetCar()->mTouching[w] ? 1.0 : 0.0;
    }
    state.counters["triangles"] = static_cast<double>(race.game.mTriangles.size());
    state.counters["car_candidates"] = candidates / kCars;
    state.counters["wheels_touching"] = touching / kCars;
}
// 224 x 224 quads: 100,352 triangles; 708 x 708 quads: 1,002,528 triangles.
BENCHMARK(VehicleFrame)->Arg(224)->Arg(708)->Unit(benchmark::kMicrosecond);
}  // namespace

BENCHMARK_MAIN();
