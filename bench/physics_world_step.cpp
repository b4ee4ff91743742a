// One frame (1/60 s) of the rigid-body world with a race's worth of bodies on a hilly level of 20,000
// triangles sorted into 4 x 4 unit cells, as the game world sorts them: 8 cars on four wheel rays
// each with a spring controller, 40 crates, 150 particle debris pieces and 300 static blocks.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "platform/RuntimeRandom.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "simulation/physics/PhysWorld.h"

namespace {
constexpr float kFrame = 1.0f / 60.0f;
constexpr int kCells = 100;        // per side
constexpr float kCellSize = 4.0f;  // level units
constexpr float kHalfLevel = kCells * kCellSize / 2.0f;

float GroundHeight(float x, float y) { return 1.5f * std::sin(x * 0.05f) * std::cos(y * 0.04f); }

// The level's triangles binned into cells; the callback lists those of the cells under a box.
struct Level {
    std::vector<CPCollisionVertex> vertices;
    std::vector<CPCollisionTriangle> triangles;
    std::vector<std::vector<int32_t>> cells;
    std::vector<int32_t> candidates;

    Level() {
        for (int j = 0; j <= kCells; ++j)
            for (int i = 0; i <= kCells; ++i) {
                const float x = i * kCellSize - kHalfLevel, y = j * kCellSize - kHalfLevel;
                vertices.push_back({x, y, GroundHeight(x, y), 0.0f});
            }
        cells.resize(kCells * kCells);
        for (int j = 0; j < kCells; ++j)
            for (int i = 0; i < kCells; ++i) {
                const int32_t v = j * (kCells + 1) + i;
                for (const auto& t : {CPCollisionTriangle{{v, v + 1, v + kCells + 2}, {0, 0, 0}},
                                      CPCollisionTriangle{{v, v + kCells + 2, v + kCells + 1}, {0, 0, 0}}}) {
                    cells[j * kCells + i].push_back(static_cast<int32_t>(triangles.size()));
                    triangles.push_back(t);
                }
            }
    }
    int Cell(float value) const {
        return std::clamp(static_cast<int>((value + kHalfLevel) / kCellSize), 0, kCells - 1);
    }
};
Level* gLevelMesh = nullptr;

void TerrainQuery(const float* low, const float* high, const int32_t** list, const CPCollisionTriangle** triangles,
                  const CPCollisionVertex** vertices, int32_t* count, int32_t* triangleCount, PhysBody* /*body*/) {
    Level& level = *gLevelMesh;
    level.candidates.clear();
    for (int j = level.Cell(low[1]); j <= level.Cell(high[1]); ++j)
        for (int i = level.Cell(low[0]); i <= level.Cell(high[0]); ++i) {
            const std::vector<int32_t>& cell = level.cells[j * kCells + i];
            if (level.candidates.size() + cell.size() >= 1000) break;
            level.candidates.insert(level.candidates.end(), cell.begin(), cell.end());
        }
    *list = level.candidates.data();
    *triangles = level.triangles.data();
    *vertices = level.vertices.data();
    *count = static_cast<int32_t>(level.candidates.size());
    *triangleCount = static_cast<int32_t>(level.triangles.size());
}

// A car's wheels: springs and dampers along the rays, grip across the wheels, a drive that holds
// 10 units per second and a steer that holds a turn of 0.3 rad/s, so the cars circle on the hills.
class Wheels : public PhysStepHandler {
public:
    explicit Wheels(PhysRigidBody* body) : mBody(body) {}
    void OnStep(PhysController* controller, float /*seconds*/) override {
        const PhysRows& r = mBody->state.rotationRows;
        D3DXVECTOR3 force(0, 0, 0), torque(0, 0, 0);
        const D3DXVECTOR3 side = PhysMath::Xyz(r.row[0]);
        const D3DXVECTOR3 forward = -PhysMath::Xyz(r.row[1]);
        const float speed = PhysMath::Dot(PhysMath::Xyz(mBody->velocity), forward);
        int touching = 0;
        for (const PhysSensor* s = mBody->sensors; s; s = s->links.next) touching += s->GetHitDepth() > 0.0f;
        for (const PhysSensor* s = mBody->sensors; s; s = s->links.next) {
            if (s->GetHitDepth() <= 0.0f) continue;
            const D3DXVECTOR3 arm = PhysMath::Rotate(PhysMath::Xyz(s->start), r);
            const D3DXVECTOR3 normal = PhysMath::Xyz(s->GetHitNormal());
            const D3DXVECTOR3 velocity = mBody->GetVelocityAtPoint(arm);
            const float along = PhysMath::Dot(velocity, normal);
            const float across = PhysMath::Dot(velocity, side);
            const D3DXVECTOR3 push = normal * (s->GetHitDepth() * 30000.0f - along * 2000.0f) - side * (across * 500.0f) +
                                     forward * ((10.0f - speed) * 800.0f / static_cast<float>(touching));
            force += push;
            torque += PhysMath::Cross(arm, push);
        }
        if (touching > 0) torque.z += (0.3f - mBody->angularVelocity.z) * 5000.0f;
        controller->SetForce(PhysMath::Direction(force));
        controller->SetTorque(PhysMath::Direction(torque));
    }
    float Height() const {
        const D3DXVECTOR4& p = mBody->state.position;
        return p.z - GroundHeight(p.x, p.y);
    }

private:
    PhysRigidBody* mBody;
};

PhysRigidBody* AddBox(PhysWorld& world, bool particle, const D3DXVECTOR3& at, float a, float b, float c, float mass) {
    PhysRigidBody* body = particle ? world.CreateParticleBody() : world.CreateRigidBody();
    PhysGeometry* box = body->AddGeometry();
    box->SetBoxSize(a, b, c);
    body->UpdateBounds();
    const float sizes[3] = {a, b, c};
    float moments[3];
    ComputeBoxInertia(sizes, mass, moments);
    body->SetInertia(moments[0], moments[1], moments[2]);
    body->SetMass(mass);
    body->SetPosition(D3DXVECTOR4(at.x, at.y, at.z, 1.0f));
    return body;
}

float Spread() { return (RuntimeRandomFraction() - 0.5f) * 2.0f * (kHalfLevel - 40.0f); }

void WorldStep(benchmark::State& state) {
    Level level;
    gLevelMesh = &level;
    PhysPoolSizes sizes;
    sizes = PhysPoolSizes{500, 1000, 500, 50, 1500, 5000, 150, 150, 10, 1000, 200, -1};
    const D3DXVECTOR3 gravity(0.0f, 0.0f, -9.8f);
    std::unique_ptr<PhysWorld> world(CreatePhysWorld(sizes, nullptr, &gravity));
    world->SetMaterial(0, 0.2f, 0.0f);
    world->SetMaterial(1, 0.2f, 0.0f);
    world->GetCollisionTable().Set(0, -1, 3);
    world->GetCollisionTable().Set(0, 0, 3);
    world->SetTerrainCallback(&TerrainQuery);
    RuntimeSrand(11);

    std::vector<std::unique_ptr<Wheels>> wheels;
    for (int i = 0; i < 8; ++i) {
        const D3DXVECTOR3 at(i * 6.0f - 24.0f, 0.0f, GroundHeight(i * 6.0f - 24.0f, 0.0f) + 1.2f);
        PhysRigidBody* car = AddBox(*world, false, at, 2.0f, 4.0f, 1.0f, 1000.0f);
        for (int w = 0; w < 4; ++w) {
            PhysSensor* ray = car->AddSensor();
            ray->SetRay(D3DXVECTOR4((w & 1) ? 0.9f : -0.9f, (w & 2) ? 1.5f : -1.5f, 0.0f, 1.0f),
                        D3DXVECTOR4(0.0f, 0.0f, -1.2f, 0.0f));
        }
        car->UpdateBounds();
        wheels.push_back(std::make_unique<Wheels>(car));
        car->AddController(wheels.back().get(), 0);
    }
    for (int i = 0; i < 40; ++i) {
        const float x = Spread(), y = Spread();
        AddBox(*world, false, {x, y, GroundHeight(x, y) + 2.0f}, 1.0f, 1.0f, 1.0f, 50.0f);
    }
    for (int i = 0; i < 150; ++i) {
        const float x = (RuntimeRandomFraction() - 0.5f) * 60.0f, y = (RuntimeRandomFraction() - 0.5f) * 60.0f;
        PhysRigidBody* piece = AddBox(*world, true, {x, y, GroundHeight(x, y) + 3.0f}, 0.3f, 0.2f, 0.1f, 2.0f);
        piece->SetVelocity(D3DXVECTOR4(RuntimeRandomFraction() * 4.0f - 2.0f, RuntimeRandomFraction() * 4.0f - 2.0f,
                                       RuntimeRandomFraction() * 5.0f, 0.0f));
    }
    for (int i = 0; i < 300; ++i) {
        PhysKinematicBody* block = world->CreateKinematicBody();
        PhysGeometry* box = block->AddGeometry();
        box->SetBoxSize(4.0f, 1.0f, 3.0f);
        block->UpdateBounds();
        const float x = Spread(), y = Spread();
        block->SetPosition(D3DXVECTOR4(x, y, GroundHeight(x, y) + 1.0f, 1.0f));
        block->SetRotation(D3DXQUATERNION(0.0f, 0.0f, std::sin(x), std::cos(x)));
    }
    // Let the scene settle: debris lands, crates come to rest.
    for (int i = 0; i < 120; ++i) world->Step(kFrame);

    int64_t steps = 0;
    for (auto _ : state) {
        world->Step(kFrame);
        ++steps;
    }
    // What the measured frames worked on: bodies still moving, and the cars' mean height above the
    // ground (about the ride height when the wheels carry them).
    int awake = 0;
    for (bool particle : {false, true})
        for (const PhysRigidBody* body = world->ActiveRigidBodies(particle).head; body; body = body->links.next)
            awake += body->restSteps == 0 ? 1 : 0;
    float rideHeight = 0.0f;
    for (const auto& car : wheels) rideHeight += car->Height() / static_cast<float>(wheels.size());
    state.counters["awake_bodies"] = awake;
    state.counters["car_ride_height"] = rideHeight;
    state.counters["moving_bodies"] = 8 + 40 + 150;
    state.counters["static_bodies"] = 300;
    state.counters["steps_per_s"] = benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
    gLevelMesh = nullptr;
}
BENCHMARK(WorldStep)->Unit(benchmark::kMicrosecond);
}  // namespace

BENCHMARK_MAIN();
