#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "simulation/physics/PhysWorld.h"
#include "support/MathExpect.h"
#include "support/PhysTestRig.h"

namespace {

constexpr float kFrame = 1.0f / 60.0f;
const D3DXVECTOR3 kGravity(0.0f, 0.0f, -9.8f);

class PhysStepTest : public ::testing::Test {
protected:
    PhysStepTest() : world(Sizes(), nullptr, &kGravity) {}
    static PhysPoolSizes Sizes() {
        PhysPoolSizes sizes;
        sizes.geometriesCount = 200;
        return sizes;
    }
    // A box body of the sizes and mass at a place, with the inertia of a box.
    PhysRigidBody* Box(const D3DXVECTOR3& at, float a, float b, float c, float mass = 1.0f, bool particle = false) {
        PhysRigidBody* body = particle ? world.CreateParticleBody() : world.CreateRigidBody();
        AddTestBox(*body, a, b, c);
        body->SetMass(mass);
        const float sizes[3] = {a, b, c};
        float moments[3];
        ComputeBoxInertia(sizes, mass, moments);
        body->SetInertia(moments[0], moments[1], moments[2]);
        body->SetPosition(D3DXVECTOR4(at.x, at.y, at.z, 1.0f));
        return body;
    }
    void Run(float seconds) {
        for (float t = 0.0f; t < seconds; t += kFrame) world.Step(kFrame);
    }
    // A box left on flat ground (laid on the terrain) until it sleeps.
    PhysRigidBody* SleepingBox(PhysTestTerrain& terrain, const D3DXVECTOR3& at, float a, float b, float c) {
        terrain.AddFlat(-20, -20, 20, 20, 0.0f);
        PhysRigidBody* box = Box(at, a, b, c);
        Run(3.0f);
        EXPECT_GT(box->restSteps, 0);
        return box;
    }
    static D3DXVECTOR3 Position(const PhysRigidBody* body) { return PhysMath::Xyz(body->state.position); }

    PhysWorld world;
};

// Records the calls a controller's handler receives and pushes the body with a set force.
class RecordingHandler : public PhysStepHandler {
public:
    void OnStep(PhysController* controller, float seconds) override {
        steps.push_back(seconds);
        if (watched) depths.push_back(watched->GetHitDepth());
        controller->SetForce(force);
        controller->SetTorque(torque);
    }
    std::vector<float> steps;
    std::vector<float> depths;
    const PhysSensor* watched = nullptr;
    D3DXVECTOR4 force, torque;
};

TEST_F(PhysStepTest, AFreeBodyFallsUnderGravity) {
    PhysRigidBody* body = world.CreateRigidBody();
    body->SetPosition(D3DXVECTOR4(0, 0, 10, 1));
    world.Step(kFrame);
    const float speed = -9.8f * kFrame;
    EXPECT_FLOAT_EQ(body->velocity.z, speed);
    EXPECT_FLOAT_EQ(body->state.position.z, 10.0f + speed * kFrame);

    PhysRigidBody* floating = world.CreateRigidBody();
    floating->SetFlag(0);
    floating->SetPosition(D3DXVECTOR4(5, 0, 10, 1));
    world.Step(kFrame);
    EXPECT_EQ(floating->velocity.z, 0.0f);
    EXPECT_EQ(floating->state.position.z, 10.0f);
}

TEST_F(PhysStepTest, TimesThatAreNoStepChangeNothing) {
    PhysRigidBody* body = world.CreateRigidBody();
    body->SetPosition(D3DXVECTOR4(0, 0, 10, 1));
    for (float seconds : {0.0f, -kFrame, std::numeric_limits<float>::quiet_NaN(),
                          std::numeric_limits<float>::infinity()})
        world.Step(seconds);
    EXPECT_EQ(body->velocity.z, 0.0f);
    EXPECT_EQ(body->state.position.z, 10.0f);
}

TEST_F(PhysStepTest, ALongFrameIsCutIntoEqualParts) {
    PhysRigidBody* body = world.CreateRigidBody();
    RecordingHandler handler;
    body->AddController(&handler, 0);
    world.Step(0.05f);
    ASSERT_EQ(handler.steps.size(), 3u);
    for (float part : handler.steps) EXPECT_FLOAT_EQ(part, 0.05f / 3.0f);
    // A frame far too long is cut into at most eight parts.
    handler.steps.clear();
    world.Step(10.0f);
    EXPECT_EQ(handler.steps.size(), static_cast<size_t>(PhysWorld::kMaxSubsteps));
    // So is one whose number of parts would not even fit an int.
    handler.steps.clear();
    world.Step(1e10f);
    EXPECT_EQ(handler.steps.size(), static_cast<size_t>(PhysWorld::kMaxSubsteps));
}

TEST_F(PhysStepTest, PeriodsAtTheEndsOfTheIntRangeCountDownWithoutOverflow) {
    PhysRigidBody* body = world.CreateRigidBody();
    RecordingHandler lowest, highest;
    body->AddController(&lowest, std::numeric_limits<int32_t>::min());
    PhysController* slow = body->AddController(&highest, std::numeric_limits<int32_t>::max());
    for (int i = 0; i < 3; ++i) world.Step(kFrame);
    // A period below 1 calls on every step; the longest one only counts down.
    EXPECT_EQ(lowest.steps.size(), 3u);
    EXPECT_TRUE(highest.steps.empty());
    EXPECT_EQ(slow->countdown, std::numeric_limits<int32_t>::max() - 3);
}

TEST_F(PhysStepTest, ControllersAreCalledAsTheirPeriodSays) {
    PhysRigidBody* body = world.CreateRigidBody();
    RecordingHandler everyStep, everyStepToo, everyThird;
    body->AddController(&everyStep, 0);
    body->AddController(&everyStepToo, 1);
    body->AddController(&everyThird, 3);
    for (int i = 0; i < 9; ++i) world.Step(kFrame);
    EXPECT_EQ(everyStep.steps.size(), 9u);
    EXPECT_EQ(everyStepToo.steps.size(), 9u);
    EXPECT_EQ(everyThird.steps.size(), 3u);
}

TEST_F(PhysStepTest, AControllersForceAndTorqueActOnTheBody) {
    PhysRigidBody* body = world.CreateRigidBody();
    body->SetMass(2.0f);
    body->SetPosition(D3DXVECTOR4(0, 0, 10, 1));
    RecordingHandler handler;
    // Holds the body against gravity and spins it about z.
    handler.force = D3DXVECTOR4(0, 0, 19.6f, 0);
    handler.torque = D3DXVECTOR4(0, 0, 1, 0);
    body->AddController(&handler, 0);
    for (int i = 0; i < 60; ++i) world.Step(kFrame);
    EXPECT_NEAR(body->state.position.z, 10.0f, 1e-4f);
    EXPECT_NEAR(body->state.angularMomentum.z, 1.0f, 1e-4f);
    // Unit inverse inertia: the spin grew to 1 rad/s, so the body turned through about half a radian.
    EXPECT_NEAR(body->angularVelocity.z, 1.0f, 1e-4f);
    const float turned = 2.0f * std::atan2(body->state.rotation.z, body->state.rotation.w);
    EXPECT_NEAR(turned, 0.5f, 0.02f);
    // The rotation rows follow the quaternion.
    ExpectVec4Near(body->state.rotationRows.row[0], PhysMath::RowsFromQuaternion(body->state.rotation).row[0]);
}

TEST_F(PhysStepTest, SensorsSeeTheGroundBeforeTheHandlerRuns) {
    PhysTestTerrain terrain(world);
    terrain.AddFlat(-50, -50, 50, 50, 0.0f);
    PhysRigidBody* body = world.CreateRigidBody();
    body->SetFlag(0);
    PhysSensor* sensor = body->AddSensor();
    sensor->SetRay(D3DXVECTOR4(0.5f, 0, 0, 1), D3DXVECTOR4(0, 0, -2, 0));
    body->UpdateBounds();
    body->SetPosition(D3DXVECTOR4(3, 4, 1.25f, 1));
    RecordingHandler handler;
    handler.watched = sensor;
    body->AddController(&handler, 0);
    world.Step(kFrame);
    ASSERT_EQ(handler.depths.size(), 1u);
    EXPECT_FLOAT_EQ(handler.depths[0], 0.75f);
    ExpectVec4Near(sensor->GetHitPoint(), D3DXVECTOR4(3.5f, 4, 0, 1));
    ExpectVec4Near(sensor->GetHitNormal(), D3DXVECTOR4(0, 0, 1, 0));
    EXPECT_EQ(sensor->hitBody, &world.GetWorldBody());

    // Lifted out of reach it hits nothing.
    body->SetPosition(D3DXVECTOR4(3, 4, 2.5f, 1));
    world.Step(kFrame);
    EXPECT_LE(sensor->GetHitDepth(), 0.0f);
    EXPECT_EQ(sensor->hitBody, nullptr);
}

TEST_F(PhysStepTest, SensorsFollowTheBodysTurnAndHitBodiesTheyMayMeet) {
    PhysRigidBody* body = world.CreateRigidBody();
    body->SetFlag(0);
    PhysSensor* sensor = body->AddSensor();
    // Along the body's x axis, turned 90 degrees about z: along world y.
    sensor->SetRay(D3DXVECTOR4(0, 0, 0, 1), D3DXVECTOR4(5, 0, 0, 0));
    AddTestBox(*body, 0.2f, 0.2f, 0.2f);
    const float s = std::sqrt(0.5f);
    body->SetRotation(D3DXQUATERNION(0, 0, s, s));
    PhysKinematicBody* wall = world.CreateKinematicBody();
    AddTestBox(*wall, 4, 1, 4);
    wall->SetPosition(D3DXVECTOR4(0, 3, 0, 1));
    world.Step(kFrame);
    EXPECT_NEAR(sensor->GetHitDepth(), 2.5f, 1e-5f);
    ExpectVec4Near(sensor->GetHitNormal(), D3DXVECTOR4(0, -1, 0, 0));
    EXPECT_EQ(sensor->hitBody, wall);

    // With no response between their ids the ray passes through.
    wall->SetCollisionId(5);
    world.GetCollisionTable().Set(0, 5, 0);
    world.Step(kFrame);
    EXPECT_LE(sensor->GetHitDepth(), 0.0f);
}

TEST_F(PhysStepTest, ABoxDroppedOnTheGroundComesToRestOnItAndSleeps) {
    PhysTestTerrain terrain(world);
    terrain.AddFlat(-20, -20, 20, 20, 0.0f);
    PhysContactRecorder contacts(world);
    PhysRigidBody* box = Box({0, 0, 2}, 2, 2, 1);
    Run(3.0f);
    EXPECT_NEAR(box->state.position.z, 0.5f, 0.03f);
    EXPECT_NEAR(box->state.position.x, 0.0f, 0.01f);
    EXPECT_LT(PhysMath::LengthSq(PhysMath::Xyz(box->velocity)), 0.01f);
    EXPECT_GT(box->restSteps, 0);
    ASSERT_FALSE(contacts.Contacts().empty());
    const PhysContact& first = contacts.Contacts().front();
    EXPECT_EQ(first.bodyA, box);
    EXPECT_EQ(first.bodyB, &world.GetWorldBody());
    EXPECT_EQ(first.kindA, PhysContact::kMoving);
    EXPECT_EQ(first.kindB, PhysContact::kStatic);
    ExpectVec3Near(first.normal, D3DXVECTOR3(0, 0, 1));
    EXPECT_LT(first.relativeVelocity.z, -5.0f);
    EXPECT_NEAR(first.point.z, 0.0f, 0.2f);

    // A sleeping body keeps its place; a new velocity wakes it.
    const D3DXVECTOR3 resting = Position(box);
    Run(1.0f);
    ExpectVec3Near(Position(box), resting, 0.0f);
    box->SetVelocity(D3DXVECTOR4(0, 0, 3, 0));
    EXPECT_EQ(box->restSteps, 0);
    world.Step(kFrame);
    EXPECT_GT(box->state.position.z, resting.z);
}

TEST_F(PhysStepTest, WithNoResponseToTheWorldABodyFallsThroughTheGround) {
    PhysTestTerrain terrain(world);
    terrain.AddFlat(-20, -20, 20, 20, 0.0f);
    PhysRigidBody* box = Box({0, 0, 2}, 1, 1, 1);
    box->SetCollisionId(2);
    world.GetCollisionTable().Set(2, -1, 0);
    Run(1.0f);
    EXPECT_LT(box->state.position.z, -1.0f);
    EXPECT_EQ(terrain.queries, 0);
}

TEST_F(PhysStepTest, ACylinderOnItsSideRestsOnItsRim) {
    PhysTestTerrain terrain(world);
    terrain.AddFlat(-20, -20, 20, 20, 0.0f);
    PhysRigidBody* body = world.CreateRigidBody();
    PhysGeometry* wheel = body->AddGeometry();
    wheel->SetCylinder(1.0f, 0.4f);
    body->UpdateBounds();
    float moments[3];
    ComputeCylinderInertia(1.0f, 0.4f, 1.0f, moments);
    body->SetInertia(moments[0], moments[1], moments[2]);
    // The cylinder's axis is its y axis: lying on its side it rests on its rim, radius 0.5.
    body->SetPosition(D3DXVECTOR4(0, 0, 1.5f, 1));
    Run(3.0f);
    EXPECT_NEAR(body->state.position.z, 0.5f, 0.05f);
}

TEST_F(PhysStepTest, ABoxStopsOnAGentleSlopeAndSlidesDownASteepOne) {
    PhysTestTerrain terrain(world);
    terrain.AddSlope(40.0f, 20.0f);
    world.SetMaterial(0, 0.6f, 0.0f);
    PhysRigidBody* box = Box({0, 0, 1.0f}, 1, 1, 1);
    box->SetRotation(D3DXQUATERNION(std::sin(D3DXToRadian(10.0f)), 0, 0, std::cos(D3DXToRadian(10.0f))));
    Run(2.0f);
    const D3DXVECTOR3 settled = Position(box);
    Run(1.0f);
    EXPECT_NEAR(box->state.position.y, settled.y, 0.02f);

    // tan 20 degrees is 0.36: friction 0.2 cannot hold the box, which slides down at about
    // 9.8 (sin 20 - 0.2 cos 20) = 1.5 units per second squared.
    world.SetMaterial(0, 0.2f, 0.0f);
    box->SetVelocity(D3DXVECTOR4(0, 0, 0, 0));
    Run(1.0f);
    EXPECT_LT(box->state.position.y, settled.y - 0.5f);
}

TEST_F(PhysStepTest, ABoxLandsOnAKinematicBlock) {
    PhysContactRecorder contacts(world);
    PhysKinematicBody* block = world.CreateKinematicBody();
    AddTestBox(*block, 4, 4, 2);
    block->SetPosition(D3DXVECTOR4(0, 0, 0, 1));
    PhysRigidBody* box = Box({0.3f, 0, 3}, 1, 1, 1);
    Run(2.0f);
    EXPECT_NEAR(box->state.position.z, 1.5f, 0.03f);
    ASSERT_FALSE(contacts.Contacts().empty());
    EXPECT_EQ(contacts.Contacts().back().bodyB, block);
    EXPECT_EQ(contacts.Contacts().back().kindB, PhysContact::kStatic);
}

TEST_F(PhysStepTest, TwoBodiesMeetOnlyWhenTheirIdsRespond) {
    world.SetGravity(D3DXVECTOR3(0, 0, 0));
    world.SetMaterial(0, 0.0f, 0.0f);
    PhysContactRecorder contacts(world);
    PhysRigidBody* left = Box({-2, 0, 0}, 1, 1, 1);
    PhysRigidBody* right = Box({2, 0, 0}, 1, 1, 1);
    left->SetVelocity(D3DXVECTOR4(3, 0, 0, 0));
    right->SetVelocity(D3DXVECTOR4(-3, 0, 0, 0));
    while (contacts.Contacts().empty() && left->state.position.x < 2.0f) world.Step(kFrame);
    // Touching, they form one group.
    EXPECT_NE(left->group, nullptr);
    EXPECT_EQ(left->group, right->group);
    Run(1.0f);
    // Equal masses without bounce: they stop against each other, neither passes the other.
    EXPECT_LT(left->state.position.x, right->state.position.x);
    EXPECT_NEAR(right->state.position.x - left->state.position.x, 1.0f, 0.05f);
    EXPECT_NEAR(left->velocity.x + right->velocity.x, 0.0f, 1e-3f);
    ASSERT_FALSE(contacts.Contacts().empty());
    const PhysContact& contact = contacts.Contacts().front();
    EXPECT_EQ(contact.kindB, PhysContact::kMoving);
    EXPECT_NEAR(std::fabs(contact.relativeVelocity.x), 6.0f, 0.01f);
    EXPECT_NEAR(std::fabs(contact.normal.x), 1.0f, 1e-5f);

    // Ids that do not respond let the bodies pass through each other.
    PhysRigidBody* ghost = Box({-2, 5, 0}, 1, 1, 1);
    PhysRigidBody* other = Box({2, 5, 0}, 1, 1, 1);
    ghost->SetCollisionId(1);
    world.GetCollisionTable().Set(1, 0, 0);
    ghost->SetVelocity(D3DXVECTOR4(3, 0, 0, 0));
    other->SetVelocity(D3DXVECTOR4(-3, 0, 0, 0));
    Run(1.5f);
    EXPECT_GT(ghost->state.position.x, other->state.position.x);
}

TEST_F(PhysStepTest, AnAwakeBodyWakesTheSleeperItRunsInto) {
    PhysTestTerrain terrain(world);
    PhysRigidBody* sleeper = SleepingBox(terrain, {0, 0, 0.5f}, 1, 1, 1);
    PhysRigidBody* pusher = Box({-2, 0, 0.5f}, 1, 1, 1);
    pusher->SetVelocity(D3DXVECTOR4(5, 0, 0, 0));
    Run(1.0f);
    EXPECT_GT(sleeper->state.position.x, 0.1f);
}

TEST_F(PhysStepTest, BadTerrainAnswersAreSkipped) {
    PhysTestTerrain terrain(world);
    terrain.AddFlat(-20, -20, 20, 20, 0.0f);
    CPCollisionTriangle unset;  // a fresh record: indices -1
    terrain.triangles.push_back(unset);
    terrain.forceList = true;
    terrain.forcedCandidates = {-5, 0, 1, 2, 1000000, 1, 0};
    PhysRigidBody* box = Box({0, 0, 2}, 1, 1, 1);
    Run(2.0f);
    EXPECT_NEAR(box->state.position.z, 0.5f, 0.03f);
}

TEST_F(PhysStepTest, BodiesThatCannotMoveStayFinite) {
    PhysRigidBody* weightless = world.CreateRigidBody();
    weightless->SetMass(0.0f);
    weightless->SetPosition(D3DXVECTOR4(0, 0, 5, 1));
    PhysRigidBody* pushed = world.CreateRigidBody();
    pushed->SetPosition(D3DXVECTOR4(5, 0, 5, 1));
    pushed->SetForce(D3DXVECTOR4(std::numeric_limits<float>::infinity(), 0, 0, 0), D3DXVECTOR3(5, 0, 5));
    world.Step(kFrame);
    ExpectVec3Near(Position(weightless), D3DXVECTOR3(0, 0, 5), 0.0f);
    EXPECT_TRUE(IsFinite(Position(pushed)));
    EXPECT_TRUE(IsFinite(PhysMath::Xyz(pushed->velocity)));
}

TEST_F(PhysStepTest, ABodySetInactiveIsLeftAlone) {
    PhysRigidBody* body = world.CreateRigidBody();
    body->SetPosition(D3DXVECTOR4(0, 0, 5, 1));
    RecordingHandler handler;
    body->AddController(&handler, 0);
    body->SetActive(false, 0);
    Run(0.5f);
    EXPECT_EQ(body->state.position.z, 5.0f);
    EXPECT_TRUE(handler.steps.empty());
}

}  // namespace

namespace {

// A handler that, at its first call, sets another body inactive and takes a new body from the world.
class MeddlingHandler : public PhysStepHandler {
public:
    MeddlingHandler(PhysWorld& world, PhysRigidBody* victim) : mWorld(world), mVictim(victim) {}
    void OnStep(PhysController*, float) override {
        ++calls;
        if (calls == 1) {
            mVictim->SetActive(false, 0);
            created = mWorld.CreateRigidBody();
        }
    }
    int calls = 0;
    PhysRigidBody* created = nullptr;

private:
    PhysWorld& mWorld;
    PhysRigidBody* mVictim;
};

TEST_F(PhysStepTest, HandlersMayChangeTheWorldsListsDuringTheStep) {
    PhysRigidBody* victim = Box({0, 0, 5}, 1, 1, 1);
    PhysRigidBody* body = Box({5, 0, 5}, 1, 1, 1);
    MeddlingHandler handler(world, victim);
    body->AddController(&handler, 0);
    body->AddController(nullptr, 0);  // a controller without a handler is passed by
    world.Step(kFrame);
    world.Step(kFrame);
    EXPECT_EQ(handler.calls, 2);
    ASSERT_NE(handler.created, nullptr);
    // The victim moved in the step it was set inactive in, not after.
    const float afterFirst = victim->state.position.z;
    world.Step(kFrame);
    EXPECT_EQ(victim->state.position.z, afterFirst);
    EXPECT_LT(handler.created->state.position.z, 0.0f);
}

TEST_F(PhysStepTest, ASleepingBodyIsBroughtUpToDateOnceAndThenLeftUntilItChanges) {
    PhysTestTerrain terrain(world);
    PhysRigidBody* box = SleepingBox(terrain, {0, 0, 2}, 2, 2, 1);
    world.Step(kFrame);
    EXPECT_EQ(world.GetBodiesRefreshed(), 0);

    // Changes that do not wake it are taken in at the next step, once.
    box->SetInertia(2.0f, 4.0f, 8.0f);
    world.Step(kFrame);
    EXPECT_EQ(world.GetBodiesRefreshed(), 1);
    EXPECT_NEAR(box->worldInverseInertia.row[2].z, 0.125f, 1e-4f);
    world.Step(kFrame);
    EXPECT_EQ(world.GetBodiesRefreshed(), 0);
    AddTestBox(*box, 1, 1, 3);
    world.Step(kFrame);
    EXPECT_EQ(world.GetBodiesRefreshed(), 1);
    EXPECT_NEAR(box->worldMax.z, box->state.position.z + 1.5f, 0.05f);
    EXPECT_GT(box->restSteps, 0) << "none of this wakes it";
}

// The world inverse inertia is made again only when what it is made from has changed: whatever changed
// it between two steps, the handler of the next step sees R^T I^-1 R of the body as it is now.
class InertiaWatcher : public PhysStepHandler {
public:
    explicit InertiaWatcher(const PhysRigidBody& watched) : body(watched) {}
    void OnStep(PhysController* /*controller*/, float /*seconds*/) override {
        seen = body.worldInverseInertia;
        const PhysRows& r = body.state.rotationRows;
        madeNow = PhysMath::Multiply(PhysMath::Multiply(PhysMath::Transpose(r), body.inverseInertia), r);
    }
    const PhysRigidBody& body;
    PhysRows seen, madeNow;
};

TEST_F(PhysStepTest, TheWorldInertiaTheHandlerSeesIsMadeFromTheBodyAsItIsNow) {
    const float s = std::sin(0.35f), c = std::cos(0.35f);
    const D3DXQUATERNION turned(0.3f * s, 0.5f * s, std::sqrt(0.66f) * s, c);
    struct Case {
        const char* name;
        void (*change)(PhysRigidBody& body, const D3DXQUATERNION& turned);
    };
    const Case cases[] = {
        {"nothing changed", [](PhysRigidBody&, const D3DXQUATERNION&) {}},
        {"turned", [](PhysRigidBody& body, const D3DXQUATERNION& q) { body.SetRotation(q); }},
        {"new moments", [](PhysRigidBody& body, const D3DXQUATERNION&) { body.SetInertia(5.0f, 0.5f, 2.0f); }},
        {"rotation rows written",
         [](PhysRigidBody& body, const D3DXQUATERNION& q) {
             body.state.rotationRows = PhysMath::RowsFromQuaternion(q);
         }},
        {"inverse inertia written",
         [](PhysRigidBody& body, const D3DXQUATERNION&) { body.inverseInertia.row[1] = D3DXVECTOR4(0.25f, 2, 0, 0); }},
        {"world inverse inertia written",
         [](PhysRigidBody& body, const D3DXQUATERNION&) { body.worldInverseInertia = PhysRows(); }},
    };
    std::vector<std::unique_ptr<InertiaWatcher>> watchers;
    float x = 0.0f;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        PhysRigidBody* body = Box({x += 20.0f, 0, 50}, 1.0f, 2.0f, 3.0f);
        body->SetFlag(0);
        body->SetInertia(1.0f, 2.0f, 3.0f);
        body->SetRotation(D3DXQUATERNION(0.0f, 0.0f, std::sin(0.2f), std::cos(0.2f)));
        const InertiaWatcher& watcher = *watchers.emplace_back(std::make_unique<InertiaWatcher>(*body));
        body->AddController(watchers.back().get(), 0);
        world.Step(kFrame);
        world.Step(kFrame);
        k.change(*body, turned);
        world.Step(kFrame);
        EXPECT_EQ(std::memcmp(&watcher.seen, &watcher.madeNow, sizeof(PhysRows)), 0);
        body->SetActive(false, 0);
    }
}

// Every body was once brought up to date at every step, asleep or not. A world that still does so (the
// mark cleared before each step) and one that leaves its sleepers as they are must move the same, bit
// for bit, through falls, sleep, a push that wakes some, and changes made while they sleep.
TEST(PhysStepSleepTest, LeavingSleepersAsTheyAreChangesNothingTheStepDoes) {
    PhysWorld leaving(PhysPoolSizes{}, nullptr, &kGravity), refreshing(PhysPoolSizes{}, nullptr, &kGravity);
    PhysTestTerrain terrain(leaving);
    terrain.Serve(refreshing);
    terrain.AddFlat(-20, -20, 20, 20, 0.0f);
    terrain.AddSlope(6.0f, 12.0f);
    const auto build = [](PhysWorld& world) {
        std::vector<PhysRigidBody*> bodies;
        for (int i = 0; i < 6; ++i) {
            PhysRigidBody* body = world.CreateRigidBody();
            AddTestBox(*body, 1.0f + 0.2f * static_cast<float>(i), 1, 0.5f);
            float moments[3];
            const float sizes[3] = {1.0f + 0.2f * static_cast<float>(i), 1, 0.5f};
            ComputeBoxInertia(sizes, 2.0f, moments);
            body->SetMass(2.0f);
            body->SetInertia(moments[0], moments[1], moments[2]);
            const float s = std::sin(0.1f * static_cast<float>(i)), c = std::cos(0.1f * static_cast<float>(i));
            body->SetRotation(D3DXQUATERNION(0, s, 0, c));
            body->SetPosition(D3DXVECTOR4(2.5f * static_cast<float>(i) - 6.0f, 0.3f * static_cast<float>(i),
                                          1.0f + 0.5f * static_cast<float>(i), 1));
            bodies.push_back(body);
        }
        // One without shapes and without gravity: it sleeps at once, and gets a box only with a sensor.
        PhysRigidBody* bare = world.CreateRigidBody();
        bare->SetFlag(0);
        bare->SetPosition(D3DXVECTOR4(0, 8, 3, 1));
        bodies.push_back(bare);
        return bodies;
    };
    const std::vector<PhysRigidBody*> left = build(leaving), right = build(refreshing);
    const auto same = [](const auto& a, const auto& b) { return std::memcmp(&a, &b, sizeof(a)) == 0; };
    int32_t leftRefreshes = 0, rightRefreshes = 0, sleeping = 0;
    for (int frame = 0; frame < 600; ++frame) {
        for (const std::vector<PhysRigidBody*>* bodies : {&left, &right}) {
            const std::vector<PhysRigidBody*>& b = *bodies;
            if (frame == 240) b[5]->SetVelocity(D3DXVECTOR4(-6, 0, 0, 0));  // into its neighbours
            if (frame == 420) b[0]->SetInertia(1.0f, 2.0f, 3.0f);
            if (frame == 450) {
                b[1]->geometries->SetBoxSize(0.5f, 0.5f, 2.0f);
                b[1]->UpdateBounds();
            }
            if (frame == 500) b[6]->AddSensor()->SetRay(D3DXVECTOR4(0, 0, 0, 1), D3DXVECTOR4(0, 0, -1, 0));
            if (frame == 480) b[2]->SetForce(D3DXVECTOR4(0, 0, 4e-7f, 0), D3DXVECTOR3(0, 0, 0));  // too weak to wake
        }
        for (PhysRigidBody* body : right) body->refreshedAsleep = 0;
        leaving.Step(kFrame);
        refreshing.Step(kFrame);
        leftRefreshes += leaving.GetBodiesRefreshed();
        rightRefreshes += refreshing.GetBodiesRefreshed();
        for (size_t i = 0; i < left.size(); ++i) {
            const PhysRigidBody& a = *left[i];
            const PhysRigidBody& b = *right[i];
            sleeping += a.restSteps > 0 ? 1 : 0;
            ASSERT_TRUE(same(a.state, b.state) && same(a.velocity, b.velocity) &&
                        same(a.angularVelocity, b.angularVelocity) && same(a.rotationRate, b.rotationRate) &&
                        same(a.worldInverseInertia, b.worldInverseInertia) && same(a.worldMin, b.worldMin) &&
                        same(a.worldMax, b.worldMax) && a.restSteps == b.restSteps)
                << "body " << i << " frame " << frame;
        }
    }
    EXPECT_GT(sleeping, 1200) << "the bodies slept for a good part of the run";
    EXPECT_LT(leftRefreshes, rightRefreshes - 600);
}

// 40 x 40 units of ground: flat at z = 0 for x < 0 (two large triangles, the same answer wherever a body
// goes there), low bumps for x > 0 (unit squares of two triangles each, new ones at most steps).
void AddHalfBumpyGround(PhysTestTerrain& terrain) {
    terrain.AddFlat(-20, -20, 0, 20, 0.0f);
    const auto at = [](int x, int y) {
        const float fx = static_cast<float>(x), fy = static_cast<float>(y);
        return D3DXVECTOR3(fx, fy, 0.3f * std::sin(fx * 0.7f) * std::cos(fy * 0.5f) + 0.01f * fx);
    };
    for (int j = -20; j < 20; ++j)
        for (int i = 0; i < 20; ++i) {
            terrain.AddTriangle(at(i, j), at(i + 1, j), at(i + 1, j + 1));
            terrain.AddTriangle(at(i, j), at(i + 1, j + 1), at(i, j + 1));
        }
}

// Five boxes of different lengths spread over the middle of that ground; the last carries a ray down.
std::vector<PhysRigidBody*> SlidingBoxes(PhysWorld& world) {
    std::vector<PhysRigidBody*> bodies;
    for (int i = 0; i < 5; ++i) {
        const auto f = static_cast<float>(i);
        PhysRigidBody* body = world.CreateRigidBody();
        const float sizes[3] = {1.0f + 0.3f * f, 0.8f, 0.5f};
        AddTestBox(*body, sizes[0], sizes[1], sizes[2]);
        float moments[3];
        ComputeBoxInertia(sizes, 2.0f, moments);
        body->SetMass(2.0f);
        body->SetInertia(moments[0], moments[1], moments[2]);
        body->SetPosition(D3DXVECTOR4(-8.0f + 4.0f * f, -6.0f + 2.5f * f, 1.0f, 1));
        bodies.push_back(body);
    }
    bodies[4]->AddSensor()->SetRay(D3DXVECTOR4(0, 0, 0, 1), D3DXVECTOR4(0, 0, -2, 0));
    return bodies;
}

// Whether two bodies are where and as they were moved alike, bit for bit.
bool SameMotion(const PhysRigidBody& a, const PhysRigidBody& b) {
    const auto same = [](const auto& x, const auto& y) { return std::memcmp(&x, &y, sizeof(x)) == 0; };
    return same(a.state, b.state) && same(a.velocity, b.velocity) && same(a.angularVelocity, b.angularVelocity) &&
           a.restSteps == b.restSteps;
}

// Sets each body going its own way (turned by 1.3 radians from the one before) at `speed`, a little up.
void SendAcross(const std::vector<PhysRigidBody*>& bodies, float speed) {
    for (size_t i = 0; i < bodies.size(); ++i) {
        const float turn = 1.3f * static_cast<float>(i);
        bodies[i]->SetVelocity(D3DXVECTOR4(speed * std::cos(turn), speed * std::sin(turn), 1.0f, 0));
        bodies[i]->Wake();
    }
}

// A world that makes every triangle afresh from the mesh at each step (it forgets the terrain first) and
// one that keeps the triangles it made across a body's answers must move the same, bit for bit, while
// boxes and a body with a ray slide over a mesh, some meeting new triangles at most steps, some keeping
// the same answer while they move; also when the kept triangles pass their limit again and again and
// are made afresh in the middle of a step.
TEST(PhysStepTerrainTest, KeepingMadeTrianglesAcrossAnswersChangesNothingTheStepDoes) {
    for (const int32_t limit : {PhysWorld::kDefaultKeptTriangleLimit, 60}) {
        SCOPED_TRACE(limit);
        PhysWorld keeping(PhysPoolSizes{}, nullptr, &kGravity), fresh(PhysPoolSizes{}, nullptr, &kGravity);
        keeping.SetKeptTriangleLimit(limit);
        PhysTestTerrain terrain(keeping);
        terrain.Serve(fresh);
        AddHalfBumpyGround(terrain);
        const std::vector<PhysRigidBody*> kept = SlidingBoxes(keeping), made = SlidingBoxes(fresh);
        std::vector<float> travelled(kept.size(), 0.0f);
        for (int frame = 0; frame < 240; ++frame) {
            // Pushed every so often, each its own way (back and forth), so that they keep crossing the mesh.
            if (frame % 60 == 0)
                for (const std::vector<PhysRigidBody*>* bodies : {&kept, &made})
                    SendAcross(*bodies, (frame / 60) % 2 == 0 ? 6.0f : -6.0f);
            std::vector<D3DXVECTOR3> before;
            for (const PhysRigidBody* body : kept) before.push_back(PhysMath::Xyz(body->state.position));
            fresh.ForgetTerrain();
            keeping.Step(kFrame);
            fresh.Step(kFrame);
            for (size_t i = 0; i < kept.size(); ++i) {
                const D3DXVECTOR3 moved = PhysMath::Xyz(kept[i]->state.position) - before[i];
                travelled[i] += D3DXVec3Length(&moved);
                ASSERT_TRUE(SameMotion(*kept[i], *made[i])) << "body " << i << " frame " << frame;
            }
            ASSERT_EQ(kept[4]->sensors->GetHitDepth(), made[4]->sensors->GetHitDepth()) << "frame " << frame;
        }
        for (size_t i = 0; i < kept.size(); ++i) {
            EXPECT_GT(travelled[i], 8.0f) << "body " << i << " crossed many triangles";
            EXPECT_GT(kept[i]->state.position.z, -1.0f) << "body " << i << " stayed on the mesh";
        }
    }
}

// Forgets its world's terrain whenever it is called: the contacts of that step come after it.
class ForgettingHandler : public PhysStepHandler {
public:
    explicit ForgettingHandler(PhysWorld* world) : mWorld(world) {}
    void OnStep(PhysController* /*controller*/, float /*seconds*/) override {
        if (mWorld) mWorld->ForgetTerrain();
    }

private:
    PhysWorld* mWorld;
};

// A handler may forget the terrain in the middle of a step, between the rays and the contacts: the step
// still finds its contacts among the triangles it was given, and moves the bodies as a world whose
// terrain stays, bit for bit.
TEST(PhysStepTerrainTest, ForgettingTheTerrainInTheMiddleOfAStepChangesNothingTheStepDoes) {
    PhysWorld forgetting(PhysPoolSizes{}, nullptr, &kGravity), keeping(PhysPoolSizes{}, nullptr, &kGravity);
    PhysTestTerrain terrain(forgetting);
    terrain.Serve(keeping);
    AddHalfBumpyGround(terrain);
    const std::vector<PhysRigidBody*> forgot = SlidingBoxes(forgetting), kept = SlidingBoxes(keeping);
    ForgettingHandler forget(&forgetting), idle(nullptr);
    forgot[2]->AddController(&forget, 0);
    kept[2]->AddController(&idle, 0);
    int touching = 0;
    for (int frame = 0; frame < 180; ++frame) {
        if (frame % 60 == 0)
            for (const std::vector<PhysRigidBody*>* bodies : {&forgot, &kept}) SendAcross(*bodies, 5.0f);
        forgetting.Step(kFrame);
        keeping.Step(kFrame);
        for (size_t i = 0; i < forgot.size(); ++i)
            ASSERT_TRUE(SameMotion(*forgot[i], *kept[i])) << "body " << i << " frame " << frame;
        ASSERT_EQ(forgot[4]->sensors->GetHitDepth(), kept[4]->sensors->GetHitDepth()) << "frame " << frame;
        touching += forgot[4]->sensors->GetHitDepth() > 0.0f ? 1 : 0;
    }
    EXPECT_GT(touching, 100) << "the ray saw the ground";
    EXPECT_GT(forgot[2]->state.position.z, -1.0f) << "the forgetting body stayed on the mesh";
}

// The triangles a world made belong to the mesh it made them from: a mesh with other arrays, or the
// same arrays changed and announced with ForgetTerrain, is met as it is now.
TEST(PhysStepTerrainTest, ABoxMeetsTheGroundAsItIsAfterTheMeshChanges) {
    struct Case {
        const char* name;
        bool newArrays;
    };
    for (const Case& c : {Case{"other arrays", true}, Case{"same arrays, forgotten", false}}) {
        SCOPED_TRACE(c.name);
        PhysWorld world(PhysPoolSizes{}, nullptr, &kGravity);
        PhysTestTerrain terrain(world);
        terrain.AddFlat(-20, -20, 20, 20, 0.0f);
        PhysRigidBody* box = world.CreateRigidBody();
        AddTestBox(*box, 1, 1, 1);
        box->SetPosition(D3DXVECTOR4(0, 0, 1, 1));
        for (int frame = 0; frame < 90; ++frame) world.Step(kFrame);
        ASSERT_NEAR(box->state.position.z, 0.5f, 0.03f);

        // The ground rises by 0.3 under the box.
        std::vector<CPCollisionVertex> raised = terrain.vertices;
        for (CPCollisionVertex& v : raised) v.z = 0.3f;
        std::vector<CPCollisionVertex> old;  // kept alive, so that the new arrays cannot take its place
        if (c.newArrays) {
            old.swap(terrain.vertices);
            terrain.vertices = std::move(raised);
        } else {
            std::copy(raised.begin(), raised.end(), terrain.vertices.begin());
            world.ForgetTerrain();
        }
        box->Wake();
        for (int frame = 0; frame < 90; ++frame) world.Step(kFrame);
        EXPECT_NEAR(box->state.position.z, 0.8f, 0.03f);
    }
}

TEST_F(PhysStepTest, RestCountersStopAtTheTopOfTheirRange) {
    PhysRigidBody* sleeper = world.CreateRigidBody();
    PhysRigidBody* still = world.CreateRigidBody();
    still->SetFlag(0);  // no gravity: it stays still
    sleeper->restSteps = std::numeric_limits<int32_t>::max();
    still->restCounter = std::numeric_limits<int32_t>::max();
    world.Step(kFrame);
    EXPECT_EQ(sleeper->restSteps, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(still->restCounter, std::numeric_limits<int32_t>::max());
    EXPECT_GT(still->restSteps, 0);  // and it fell asleep
}

}  // namespace
