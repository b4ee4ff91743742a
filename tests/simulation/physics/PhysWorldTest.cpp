#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "platform/PlatformFaults.h"
#include "simulation/physics/PhysWorld.h"
#include "support/ManualClock.h"
#include "support/MathExpect.h"
#include "support/PhysTestRig.h"

namespace {

// The counts the game builds its world with.
PhysPoolSizes GameSizes() { return PhysPoolSizes{500, 1000, 500, 50, 1500, 5000, 150, 150, 10, 1000, 200, -1}; }

TEST(PhysWorldTest, DefaultsAreWhatACallerGetsWithoutCountsOfItsOwn) {
    const PhysPoolSizes sizes;
    EXPECT_EQ(sizes.rigidBodiesCount, 50);
    EXPECT_EQ(sizes.overlappedPairsCount, 1225);
    EXPECT_EQ(sizes.sensorsCount, 100);
    EXPECT_EQ(sizes.spareCount11, -1);

    PhysWorld world(sizes, nullptr, nullptr);
    EXPECT_EQ(world.GetRigidPool().GetCapacity(), 50);
    EXPECT_EQ(world.GetKinematicPool().GetCapacity(), 50);
    EXPECT_EQ(world.GetParticlePool().GetCapacity(), 50);
    EXPECT_EQ(world.GetControllerPool().GetCapacity(), 50);
    EXPECT_EQ(world.GetGeometryPool().GetCapacity(), 50);
    EXPECT_EQ(world.GetSensorPool().GetCapacity(), 100);
    EXPECT_EQ(world.GetGroupPool().GetCapacity(), 100);
    const PhysMaterial& material = world.GetMaterial(255);
    EXPECT_FLOAT_EQ(material.friction, 0.5f);
    EXPECT_FLOAT_EQ(material.restitution, 0.4f);
    EXPECT_FLOAT_EQ(material.coefficient, 1.0f);
    EXPECT_EQ(world.GetCollisionTable().Get(63, 0), 1);
    EXPECT_EQ(world.GetCollisionTable().Get(-1, 5), 1);
    const PhysKinematicBody& worldBody = world.GetWorldBody();
    EXPECT_EQ(worldBody.id, -1);
    EXPECT_EQ(worldBody.userData, nullptr);
    EXPECT_EQ(worldBody.active, 1);
    ExpectVec4Near(worldBody.position, D3DXVECTOR4(0, 0, 0, 1));
}

TEST(PhysWorldTest, TheOwnAllocatorCountsEveryPoolAndTable) {
    PhysWorld world(PhysPoolSizes{}, nullptr, nullptr);
    // Pools: a count word, then the records.
    size_t expected = PhysPool<PhysRigidBody>::BlockBytes(50) * 2 + PhysPool<PhysKinematicBody>::BlockBytes(50) +
                      PhysPool<PhysController>::BlockBytes(50) + PhysPool<PhysGroup>::BlockBytes(100) +
                      PhysPool<PhysSensor>::BlockBytes(100) + PhysPool<PhysGeometry>::BlockBytes(50);
    // The broad phase over n = 100 bodies and p = 50 particles: the two pair tables of 8-byte
    // entries, n + p body records, 1225 pair records and 2 (n + p) end points on each of three axes.
    expected += 100 * 99 / 2 * 8 + 100 * 50 * 8;
    expected += PhysPool<PhysBroadPhaseBody>::BlockBytes(150) + PhysPool<PhysOverlapPair>::BlockBytes(1225) +
                3 * PhysPool<PhysEndPoint>::BlockBytes(300);
    EXPECT_EQ(world.GetOwnAllocator().GetAllocatedBytes(), expected);
    EXPECT_EQ(PhysPool<PhysGeometry>::BlockBytes(50), PhysPool<PhysGeometry>::kCountWordBytes + 50 * sizeof(PhysGeometry));
}

TEST(PhysWorldTest, ACallersAllocatorGetsEveryBlockBack) {
    RecordingPhysAllocator allocator;
    {
        PhysWorld world(PhysPoolSizes{}, &allocator, nullptr);
        EXPECT_GT(allocator.live, 0);
        EXPECT_EQ(world.GetOwnAllocator().GetAllocatedBytes(), 0u);
    }
    EXPECT_EQ(allocator.live, 0);
}

TEST(PhysWorldTest, RigidBodiesRunOutAfterTheirCountWithAReport) {
    PhysWorld world(PhysPoolSizes{}, nullptr, nullptr);
    PhysReportCatcher reports(world);
    for (int i = 0; i < 50; ++i) {
        PhysRigidBody* body = world.CreateRigidBody();
        ASSERT_NE(body, nullptr);
        EXPECT_EQ(body->id, i);
        EXPECT_EQ(body->kind, PhysBody::kRigid);
        EXPECT_EQ(body->particle, 0);
        EXPECT_EQ(body->world, &world);
    }
    EXPECT_TRUE(reports.Messages().empty());
    EXPECT_EQ(world.CreateRigidBody(), nullptr);
    EXPECT_STREQ(world.GetMessageText(), "Run out of RigidBodies. Increase 'rigidBodiesCount'.\n");
    ASSERT_EQ(reports.Messages().size(), 1u);
    EXPECT_EQ(reports.Messages()[0], "Run out of RigidBodies. Increase 'rigidBodiesCount'.\n");
    EXPECT_EQ(world.ActiveRigidBodies(false).count, 50);
}

TEST(PhysWorldTest, ReportsReachTheCallbackOnlyUpToTheMessageLevel) {
    PhysPoolSizes sizes;
    sizes.rigidParticleCount = 0;
    PhysWorld world(sizes, nullptr, nullptr);
    PhysReportCatcher reports(world);
    world.SetMessageLevel(0);
    EXPECT_EQ(world.CreateParticleBody(), nullptr);
    EXPECT_TRUE(reports.Messages().empty());
    EXPECT_STREQ(world.GetMessageText(), "Run out of RigidBodies. Increase 'rigidParticleCount'.\n");
    world.SetMessageLevel(1);
    EXPECT_EQ(world.CreateParticleBody(), nullptr);
    EXPECT_EQ(reports.Messages().size(), 1u);
}

TEST(PhysWorldTest, IdsNumberRigidThenKinematicThenParticleBodies) {
    PhysWorld world(GameSizes(), nullptr, nullptr);
    PhysRigidBody* particle = world.CreateParticleBody();
    PhysKinematicBody* kinematic = world.CreateKinematicBody();
    PhysRigidBody* rigid = world.CreateRigidBody();
    ASSERT_TRUE(particle && kinematic && rigid);
    EXPECT_EQ(particle->id, 1500);
    EXPECT_EQ(particle->particle, 1);
    EXPECT_EQ(kinematic->id, 500);
    EXPECT_EQ(kinematic->kind, PhysBody::kKinematic);
    EXPECT_EQ(kinematic->moved, 0);
    EXPECT_EQ(rigid->id, 0);
    EXPECT_EQ(world.ActiveRigidBodies(true).head, particle);
    EXPECT_EQ(world.ActiveKinematicBodies().head, kinematic);
}

TEST(PhysWorldTest, AnEmptyKinematicPoolAnswersNull) {
    PhysPoolSizes sizes;
    sizes.kinematicBodiesCount = 1;
    PhysWorld world(sizes, nullptr, nullptr);
    PhysReportCatcher reports(world);
    EXPECT_NE(world.CreateKinematicBody(), nullptr);
    EXPECT_EQ(world.CreateKinematicBody(), nullptr);
    EXPECT_EQ(reports.Messages().size(), 1u);
}

TEST(PhysWorldTest, NegativeCountsGiveEmptyPools) {
    PhysPoolSizes sizes;
    sizes.rigidBodiesCount = -5;
    sizes.geometriesCount = -1;
    sizes.overlappedPairsCount = -7;
    std::unique_ptr<PhysWorld> world(CreatePhysWorld(sizes, nullptr, nullptr));
    ASSERT_NE(world, nullptr);
    EXPECT_EQ(world->CreateRigidBody(), nullptr);
    PhysKinematicBody* kinematic = world->CreateKinematicBody();
    ASSERT_NE(kinematic, nullptr);
    EXPECT_EQ(kinematic->id, 0);
    EXPECT_EQ(kinematic->AddGeometry(), nullptr);
    EXPECT_STREQ(world->GetMessageText(), "Run out of Geometries. Increase 'geometriesCount'.\n");
}

TEST(PhysWorldTest, ABodyPoolThatCannotBeAllocatedStopsInit) {
    // Requests: rigid pool, kinematic pool (refused), ...
    RecordingPhysAllocator allocator(1);
    PhysWorld world(PhysPoolSizes{}, &allocator, nullptr);
    EXPECT_STREQ(world.GetMessageText(), "Failed to allocate memory.\n");
    EXPECT_EQ(world.GetRigidPool().GetCapacity(), 50);
    EXPECT_EQ(world.GetKinematicPool().GetCapacity(), 0);
    EXPECT_EQ(world.GetParticlePool().GetCapacity(), 0);
    EXPECT_EQ(world.GetParticlePool().IsBuilt(), false);
    EXPECT_NE(world.CreateRigidBody(), nullptr);
    EXPECT_EQ(world.CreateKinematicBody(), nullptr);
    EXPECT_EQ(world.CreateParticleBody(), nullptr);
    // The pools after Init are still built.
    EXPECT_EQ(world.GetSensorPool().GetCapacity(), 100);
}

TEST(PhysWorldTest, PoolsAfterInitAreCarvedStepRecordsControllersSensorsGeometries) {
    // Requests: rigid, kinematic and particle pools, the broad phase's two tables, body records, pairs
    // and three axes of end points; then the step records, the controllers, the sensors, the geometries.
    constexpr int kFirstAfterInit = 10;
    const int32_t PhysPoolSizes::*order[] = {&PhysPoolSizes::stepRecordsCount, &PhysPoolSizes::constraintSetsCount,
                                             &PhysPoolSizes::sensorsCount, &PhysPoolSizes::geometriesCount};
    for (int refused = 0; refused < 4; ++refused) {
        SCOPED_TRACE(refused);
        RecordingPhysAllocator allocator(kFirstAfterInit + refused);
        PhysWorld world(PhysPoolSizes{}, &allocator, nullptr);
        const int32_t capacities[] = {world.GetGroupPool().GetCapacity(), world.GetControllerPool().GetCapacity(),
                                      world.GetSensorPool().GetCapacity(), world.GetGeometryPool().GetCapacity()};
        for (int k = 0; k < 4; ++k) EXPECT_EQ(capacities[k], k == refused ? 0 : PhysPoolSizes{}.*order[k]);
    }
}

struct GravityCase {
    const char* name;
    D3DXVECTOR3 gravity;
    D3DXVECTOR4 stored, direction;
    float magnitude, magnitude03;
};

TEST(PhysWorldTest, GravityKeepsItsDirectionAndMagnitude) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const GravityCase cases[] = {
        {"game", {0, 0, -9.8f}, {0, 0, -9.8f, 0}, {0, 0, -1, 0}, 9.8f, 0.3f * 9.8f},
        {"none", {0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, 0.0f, 0.0f},
        // Below 1e-6 squared the direction and the magnitude are 0; the 0.3 share still comes from the
        // stored vector.
        {"tiny", {0, 0, 1e-4f}, {0, 0, 1e-4f, 0}, {0, 0, 0, 0}, 0.0f, 0.3f * 1e-4f},
        {"tilted", {3, 0, -4}, {3, 0, -4, 0}, {0.6f, 0, -0.8f, 0}, 5.0f, 1.5f},
        {"not a number", {0, nan, -9.8f}, {0, 0, 0, 0}, {0, 0, 0, 0}, 0.0f, 0.0f},
    };
    for (const GravityCase& c : cases) {
        SCOPED_TRACE(c.name);
        PhysWorld world(PhysPoolSizes{}, nullptr, &c.gravity);
        ExpectVec4Near(world.GetGravity(), c.stored);
        ExpectVec4Near(world.GetGravityDirection(), c.direction);
        EXPECT_FLOAT_EQ(world.GetGravityMagnitude(), c.magnitude);
        EXPECT_FLOAT_EQ(world.GetGravityMagnitude03(), c.magnitude03);
    }
}

TEST(PhysWorldTest, MaterialsOutsideTheTableAreRefused) {
    PhysWorld world(PhysPoolSizes{}, nullptr, nullptr);
    EXPECT_FALSE(world.SetMaterial(256, 0.1f, 0.2f));
    EXPECT_FALSE(world.SetMaterial(-1, 0.1f, 0.2f));
    EXPECT_FLOAT_EQ(world.GetMaterial(0).friction, 0.5f);
    EXPECT_FLOAT_EQ(world.GetMaterial(255).friction, 0.5f);

    EXPECT_TRUE(world.SetMaterial(1, 0.2f, 0.0f));
    EXPECT_FLOAT_EQ(world.GetMaterial(1).friction, 0.2f);
    EXPECT_FLOAT_EQ(world.GetMaterial(1).restitution, 0.0f);
    EXPECT_FLOAT_EQ(world.GetMaterial(1).coefficient, 0.0f);
    EXPECT_TRUE(world.SetMaterial(255, 0.3f, 0.1f, 2.0f));
    EXPECT_FLOAT_EQ(world.GetMaterial(255).coefficient, 2.0f);
}

struct TableCase {
    const char* name;
    int a, b, response;
    int readA, readB;  // the entry to read afterwards
    int readBackA, readBackB;
};

TEST(PhysWorldTest, CollisionTableSetsPairsAndResponsesToTheWorldBody) {
    const TableCase cases[] = {
        {"pair", 3, 5, 0, 3, 5, 5, 3},
        {"world first", -1, 7, 2, -1, 7, 7, -1},
        {"world second", 7, -1, 2, -1, 7, 7, -1},
    };
    for (const TableCase& c : cases) {
        SCOPED_TRACE(c.name);
        PhysCollisionTable table;
        table.Set(c.a, c.b, c.response);
        EXPECT_EQ(table.Get(c.readA, c.readB), c.response);
        EXPECT_EQ(table.Get(c.readBackA, c.readBackB), c.response);
        EXPECT_EQ(table.Get(7, 7), 1);
        EXPECT_EQ(table.Get(3, 3), 1);
    }
}

TEST(PhysWorldTest, CollisionTableIgnoresIdsItHasNoRowFor) {
    PhysCollisionTable table;
    table.Set(-1, -1, 2);
    table.Set(64, 3, 0);
    table.Set(3, 64, 0);
    table.Set(-2, 3, 0);
    table.Set(1000000, -1, 0);
    for (int a = -1; a < PhysCollisionTable::kIds; ++a)
        for (int b = 0; b < PhysCollisionTable::kIds; ++b) ASSERT_EQ(table.Get(a, b), 1) << a << " " << b;
    EXPECT_EQ(table.Get(64, 3), 0);
    EXPECT_EQ(table.Get(-1, -1), 0);
}

TEST(PhysWorldTest, SlotsAgreeWithTheBodyListsUntilALinkIsBrokenByHand) {
    PhysWorld world(PhysPoolSizes{}, nullptr, nullptr);
    PhysRigidBody* moving = world.CreateRigidBody();
    PhysRigidBody* resting = world.CreateRigidBody();
    PhysKinematicBody* ground = world.CreateKinematicBody();
    PhysRigidBody* grain = world.CreateParticleBody();
    ASSERT_TRUE(moving && resting && ground && grain);
    resting->SetActive(false, 0);
    ground->SetActive(false, 0);
    EXPECT_TRUE(world.SlotsAreSound());
    world.Step(1.0f / 60.0f);
    EXPECT_TRUE(world.SlotsAreSound());

    world.InactiveRigidBodies(false).Unlink(resting);  // a taken body no list accounts for
    EXPECT_FALSE(world.SlotsAreSound());
    world.ActiveRigidBodies(false).Append(resting);  // listed, but flagged inactive
    EXPECT_FALSE(world.SlotsAreSound());
    resting->active = 1;
    EXPECT_TRUE(world.SlotsAreSound());
}

TEST(PhysWorldTest, CallbackSettersHandBackThePreviousOne) {
    PhysWorld world(PhysPoolSizes{}, nullptr, nullptr);
    auto first = +[](PhysContact*) {};
    auto second = +[](PhysContact*) {};
    EXPECT_EQ(world.SetCollisionCallback(first), nullptr);
    EXPECT_EQ(world.SetCollisionCallback(second), first);
    auto terrain = +[](const float*, const float*, const int32_t**, const CPCollisionTriangle**,
                       const CPCollisionVertex**, int32_t*, int32_t*, PhysBody*) {};
    EXPECT_EQ(world.SetTerrainCallback(terrain), nullptr);
    EXPECT_EQ(world.SetTerrainCallback(nullptr), terrain);
}

TEST(PhysTimerTest, MeasuresTheCounterOverheadAndTheFrequencyBits) {
    ManualClock clock(1000);
    PhysTimer timer;
    timer.Init();
    // Under the set clock two readings in a row never differ; 1,000,000 has 20 significant bits.
    EXPECT_EQ(timer.GetOverheadTicks(), 0);
    EXPECT_EQ(timer.GetFrequencyBits(), 20);
    EXPECT_EQ(gPhysCounterFrequency, 1000000);
    timer.Start();
    clock.AdvanceUs(2500);
    EXPECT_DOUBLE_EQ(timer.Stop(), 0.0025);
}

TEST(PhysTimerTest, AFrequencyThatCannotBeReadLeavesTheTimerClear) {
    PlatformFaults::Arm("QueryPerformanceFrequency");
    PhysTimer timer;
    timer.Init();
    PlatformFaults::Clear();
    EXPECT_EQ(timer.GetOverheadTicks(), 0);
    EXPECT_EQ(timer.GetFrequencyBits(), 0);
    timer.Start();
    EXPECT_EQ(timer.Stop(), 0.0);
}

}  // namespace
