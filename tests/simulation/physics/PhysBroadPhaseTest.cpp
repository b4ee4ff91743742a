#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "platform/RuntimeRandom.h"
#include "simulation/physics/PhysWorld.h"
#include "support/PhysTestRig.h"

namespace {

using PairSet = std::set<std::pair<int32_t, int32_t>>;

PairSet ListedPairs(PhysWorld& world) {
    PairSet pairs;
    for (const PhysOverlapPair* pair = world.GetBroadPhase().GetPairs().head; pair; pair = pair->links.next)
        pairs.insert(std::minmax(pair->bodyA->id, pair->bodyB->id));
    return pairs;
}

// Pairs whose world boxes overlap (touching counts), as the broad phase should list them: never two
// kinematic bodies, never two particle bodies.
PairSet OverlappingPairs(const std::vector<PhysBody*>& bodies) {
    PairSet pairs;
    for (size_t i = 0; i < bodies.size(); ++i)
        for (size_t j = i + 1; j < bodies.size(); ++j) {
            const PhysBody* a = bodies[i];
            const PhysBody* b = bodies[j];
            if (!a->broadPhaseRecord || !b->broadPhaseRecord) continue;
            if (a->kind == PhysBody::kKinematic && b->kind == PhysBody::kKinematic) continue;
            const bool particleA = a->kind == PhysBody::kRigid && static_cast<const PhysRigidBody*>(a)->particle;
            const bool particleB = b->kind == PhysBody::kRigid && static_cast<const PhysRigidBody*>(b)->particle;
            if (particleA && particleB) continue;
            if (a->worldMin.x <= b->worldMax.x && b->worldMin.x <= a->worldMax.x && a->worldMin.y <= b->worldMax.y &&
                b->worldMin.y <= a->worldMax.y && a->worldMin.z <= b->worldMax.z && b->worldMin.z <= a->worldMax.z)
                pairs.insert(std::minmax(a->id, b->id));
        }
    return pairs;
}

class PhysBroadPhaseTest : public ::testing::Test {
protected:
    PhysBroadPhaseTest() : world(Sizes(), nullptr, nullptr) {}
    static PhysPoolSizes Sizes() {
        PhysPoolSizes sizes;
        sizes.rigidBodiesCount = 40;
        sizes.kinematicBodiesCount = 40;
        sizes.rigidParticleCount = 40;
        sizes.geometriesCount = 200;
        sizes.overlappedPairsCount = 2000;
        return sizes;
    }
    PhysRigidBody* Rigid(const D3DXVECTOR3& at, bool particle = false) {
        PhysRigidBody* body = particle ? world.CreateParticleBody() : world.CreateRigidBody();
        AddTestBox(*body, 2, 2, 2);
        PlaceTestBody(*body, at);
        return body;
    }
    PhysKinematicBody* Kinematic(const D3DXVECTOR3& at) {
        PhysKinematicBody* body = world.CreateKinematicBody();
        AddTestBox(*body, 2, 2, 2);
        body->SetPosition(D3DXVECTOR4(at.x, at.y, at.z, 1));
        return body;
    }
    PhysWorld world;
};

TEST_F(PhysBroadPhaseTest, PairsStartAndEndAsBoxesMeetAndPart) {
    PhysRigidBody* a = Rigid({0, 0, 0});
    PhysRigidBody* b = Rigid({5, 0, 0});
    world.GetBroadPhase().Update();
    EXPECT_TRUE(ListedPairs(world).empty());

    // Touching faces count as overlapping.
    PlaceTestBody(*b, {2, 0, 0});
    world.GetBroadPhase().Update();
    EXPECT_EQ(ListedPairs(world), (PairSet{{a->id, b->id}}));

    // Apart on z alone ends the pair.
    PlaceTestBody(*b, {2, 0, 2.5f});
    world.GetBroadPhase().Update();
    EXPECT_TRUE(ListedPairs(world).empty());

    // Passing right through in one step: the x order swaps twice and the pair comes back.
    PlaceTestBody(*b, {-1, 0, 0});
    world.GetBroadPhase().Update();
    EXPECT_EQ(ListedPairs(world).size(), 1u);
    PlaceTestBody(*b, {-7, 0, 0});
    world.GetBroadPhase().Update();
    EXPECT_TRUE(ListedPairs(world).empty());
}

TEST_F(PhysBroadPhaseTest, OnlyPairsWithAMovingBodyGetRecordsAndParticlesIgnoreEachOther) {
    PhysKinematicBody* wallA = Kinematic({0, 0, 0});
    PhysKinematicBody* wallB = Kinematic({1, 0, 0});
    PhysRigidBody* particleA = Rigid({0, 1, 0}, true);
    PhysRigidBody* particleB = Rigid({1, 1, 0}, true);
    world.GetBroadPhase().Update();
    EXPECT_EQ(ListedPairs(world), (PairSet{{wallA->id, particleA->id},
                                           {wallA->id, particleB->id},
                                           {wallB->id, particleA->id},
                                           {wallB->id, particleB->id}}));
}

TEST_F(PhysBroadPhaseTest, ARemovedBodyEndsItsPairsAndComesBackWhenActiveAgain) {
    PhysRigidBody* a = Rigid({0, 0, 0});
    PhysRigidBody* b = Rigid({1, 0, 0});
    PhysKinematicBody* wall = Kinematic({0, 1, 0});
    world.GetBroadPhase().Update();
    EXPECT_EQ(ListedPairs(world).size(), 3u);

    a->SetActive(false, 0);
    EXPECT_EQ(ListedPairs(world), (PairSet{{b->id, wall->id}}));
    EXPECT_EQ(a->minEnd[0], nullptr);
    world.GetBroadPhase().Update();
    EXPECT_EQ(ListedPairs(world).size(), 1u);

    a->SetActive(true, 0);
    world.GetBroadPhase().Update();
    EXPECT_EQ(ListedPairs(world).size(), 3u);
    EXPECT_EQ(world.GetBroadPhase().GetBodyCount(), 3);
}

TEST_F(PhysBroadPhaseTest, ListsExactlyTheOverlappingPairsWhileBodiesWander) {
    std::vector<PhysBody*> bodies;
    RuntimeSrand(7);
    auto draw = [] { return RuntimeRandomFraction() * 20.0f; };
    for (int i = 0; i < 25; ++i) bodies.push_back(Rigid({draw(), draw(), draw() * 0.2f}));
    for (int i = 0; i < 25; ++i) bodies.push_back(Rigid({draw(), draw(), draw() * 0.2f}, true));
    for (int i = 0; i < 25; ++i) bodies.push_back(Kinematic({draw(), draw(), draw() * 0.2f}));
    world.GetBroadPhase().Update();
    ASSERT_EQ(ListedPairs(world), OverlappingPairs(bodies));

    for (int frame = 0; frame < 60; ++frame) {
        for (PhysBody* body : bodies) {
            const D3DXVECTOR3 step((RuntimeRandomFraction() - 0.5f) * 3.0f, (RuntimeRandomFraction() - 0.5f) * 3.0f,
                                   (RuntimeRandomFraction() - 0.5f) * 0.5f);
            if (body->kind == PhysBody::kKinematic) {
                if (frame % 10 != 0) continue;
                auto* k = static_cast<PhysKinematicBody*>(body);
                k->SetPosition(k->position + PhysMath::Direction(step));
            } else {
                auto* r = static_cast<PhysRigidBody*>(body);
                PlaceTestBody(*r, PhysMath::Xyz(r->state.position) + step);
            }
        }
        // Now and then a body sleeps or wakes.
        PhysBody* toggled = bodies[static_cast<size_t>(RuntimeRand()) % bodies.size()];
        toggled->SetActive(!toggled->IsActive(), 0);
        world.GetBroadPhase().Update();
        ASSERT_EQ(ListedPairs(world), OverlappingPairs(bodies)) << "frame " << frame;
    }
}

TEST(PhysBroadPhaseBuildTest, WithoutItsTablesItTakesNoBody) {
    RecordingPhysAllocator allocator(0);
    PhysBroadPhase broadPhase;
    EXPECT_FALSE(broadPhase.Build(10, 5, 45, 7, &allocator));
    PhysWorld world(PhysPoolSizes{}, nullptr, nullptr);
    PhysRigidBody* body = world.CreateRigidBody();
    EXPECT_FALSE(broadPhase.AddBody(body, 0));
    broadPhase.Update();
    EXPECT_EQ(broadPhase.GetBodyCount(), 0);
}

// The pair tables are quadratic in the pool sizes (megabytes for a level's world): they are taken as the
// allocator gives them (here filled with 0xA5), and each body empties its own entries as it first joins.
TEST(PhysBroadPhaseBuildTest, PairTablesStartEmptyWhateverMemoryTheyAreGiven) {
    RecordingPhysAllocator allocator;
    PhysPoolSizes sizes;
    sizes.rigidBodiesCount = 4;
    sizes.kinematicBodiesCount = 2;
    sizes.rigidParticleCount = 3;
    sizes.geometriesCount = 20;
    sizes.overlappedPairsCount = 40;
    PhysWorld world(sizes, &allocator, nullptr);
    const size_t entry = 8;
    ASSERT_GE(allocator.requests.size(), 5u);
    EXPECT_EQ(allocator.requests[3], 6 * 5 / 2 * entry);
    EXPECT_EQ(allocator.requests[4], 6 * 3 * entry);

    std::vector<PhysBody*> bodies;
    for (int i = 0; i < 4; ++i) bodies.push_back(world.CreateRigidBody());
    for (int i = 0; i < 3; ++i) bodies.push_back(world.CreateParticleBody());
    // The last rigid body and a particle join first, the others a step later: a pair's entry lies in
    // the row of its higher-numbered body, which may have joined before or after the other.
    const auto place = [&](size_t i) {
        AddTestBox(*bodies[i], 2, 2, 2);
        PlaceTestBody(*static_cast<PhysRigidBody*>(bodies[i]), D3DXVECTOR3(1.5f * static_cast<float>(i), 0, 0));
    };
    place(3);
    place(4);
    world.GetBroadPhase().Update();
    for (int i : {0, 1, 2, 5, 6}) place(static_cast<size_t>(i));
    world.GetBroadPhase().Update();
    EXPECT_EQ(ListedPairs(world), OverlappingPairs(bodies));
    EXPECT_EQ(ListedPairs(world).size(), 4u);  // neighbours, less the two particle pairs

    // A body that leaves and comes back finds its entries as it left them: empty.
    bodies[2]->SetActive(false, 0);
    bodies[2]->SetActive(true, 0);
    world.GetBroadPhase().Update();
    EXPECT_EQ(ListedPairs(world), OverlappingPairs(bodies));
}

TEST(PhysBroadPhaseBuildTest, HugeCountsAreRefusedBeforeAnyAllocation) {
    RecordingPhysAllocator allocator;
    PhysBroadPhase broadPhase;
    EXPECT_FALSE(broadPhase.Build(2000000000, 2000000000, 10, 7, &allocator));
    for (size_t request : allocator.requests) EXPECT_LT(request, size_t{1} << 31);
}

}  // namespace
