#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/FrameClock.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "simulation/level/CPLevel.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "simulation/physics/PhysController.h"
#include "simulation/physics/PhysRigidBody.h"
#include "simulation/physics/PhysSensor.h"
#include "simulation/vehicle/CPCar.h"
#include "support/CarTestRig.h"
#include "support/MathExpect.h"
#include "support/ScopedGlobal.h"

namespace {

constexpr float kStep = 1.0f / 60.0f;

// ------------------------------------------------------------------ one wheel, hits set by hand

TEST(CarWheelTest, ATableOfSensorHitsGivesTheWheelForcesAndTorques) {
    struct Case {
        const char* name;
        int32_t wheel;
        float depth;
        D3DXVECTOR3 normal;
        D3DXVECTOR3 velocity;  // of the body
        float drive;
        bool held, playerCar;
        float offRoad;
        D3DXVECTOR3 force;
    };
    const D3DXVECTOR3 up(0, 0, 1), still(0, 0, 0);
    // The normal of a ground rising 0.2 rad along -y (uphill for a car driving forward).
    const D3DXVECTOR3 slope(0, std::sin(0.2f), std::cos(0.2f));
    const Case cases[] = {
        {"front spring", 0, 0.3f, up, still, 0, false, false, 0, {0, 0, 0.3f * 140}},
        {"rear spring", 2, 0.2f, up, still, 0, false, false, 0, {0, 0, 0.2f * 150}},
        {"a normal facing down is turned up", 1, 0.3f, -up, still, 0, false, false, 0, {0, 0, 0.3f * 140}},
        {"no ground", 0, 0.0f, up, still, 100, false, false, 0, {0, 0, 0}},
        {"damping against sinking", 0, 0.3f, up, {0, 0, -0.1f}, 0, false, false, 0, {0, 0, 42 + 15}},
        {"front side friction", 0, 0.3f, up, {2, 0, 0}, 0, false, false, 0, {-100, 0, 42}},
        {"rear side friction", 3, 0.3f, up, {-2, 0, 0}, 0, false, false, 0, {240, 0, 45}},
        {"held: a tenth of the friction", 3, 0.3f, up, {-2, 0, 0}, 0, true, false, 0, {24, 0, 45}},
        {"held: braked instead of driven", 2, 0.3f, up, {0, -4, 0}, 100, true, false, 0, {0, 8, 45}},
        {"forward drive", 0, 0.3f, up, still, 30, false, false, 0, {0, -100, 42}},
        {"a third of full drive", 2, 0.3f, up, still, 1, false, false, 0, {0, -100.0f / 3, 45}},
        {"reverse drive pushes along +y", 2, 0.3f, up, still, -30, false, false, 0, {0, 100, 45}},
        {"the player off the road keeps 30 %", 2, 0.3f, up, still, 30, false, true, 7, {0, -30, 45}},
        {"an enemy off the road keeps all", 2, 0.3f, up, still, 30, false, false, 7, {0, -100, 45}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPLevel level;
        level.mOffRoad = c.offRoad;
        ScopedGlobal<CPLevel*> levelGuard(gLevel, &level);
        CarTestRig rig;
        CPCar& car = rig.Build();
        PhysRigidBody& body = *rig.data->mRigidBody;
        body.velocity = PhysMath::Direction(c.velocity);
        car.mBodyTransform = body.GetTransform();
        car.mWheelHeading = D3DXVECTOR3(0, 1, 0);
        car.mDrive = c.drive;
        car.mHeld = c.held;
        car.mPlayerCar = c.playerCar;
        PhysSensor& sensor = *car.mSensors[c.wheel];
        const D3DXVECTOR3 start = PhysMath::Xyz(sensor.GetStart()) + PhysMath::Xyz(body.GetPosition());
        sensor.hitDepth = c.depth;
        sensor.hitPoint = PhysMath::Point(start - D3DXVECTOR3(0, 0, 1.5f - c.depth));
        sensor.hitNormal = PhysMath::Direction(c.normal);
        D3DXVECTOR3 force(0, 0, 0), torque(0, 0, 0);
        car.UpdateWheel(c.wheel, kStep, force, torque);
        ExpectVec3Near(force, c.force, 1e-3f);
        EXPECT_EQ(car.mTouching[c.wheel], c.depth > 0.0f);
        EXPECT_EQ(car.mAirborne[c.wheel], !(c.depth > 0.0f));
    }
}

// A side force of fixed size overshoots a small slip and flips it every step; the wheel pushes no harder
// than stopping its slip within the step takes, shared with the other wheels on the ground.
TEST(CarWheelTest, ASmallSlipIsStoppedWithinTheStepAndNotReversed) {
    struct Case {
        const char* name;
        int32_t wheel;
        float slip;           // sideways (x) speed of the body
        int32_t othersDown;   // further wheels whose rays found ground
        bool turning;         // the body's inverse inertia is current, so the push turns it as well
        bool held;
        float sideForce;      // x of the wheel's force
    };
    // m = 20, step 1/60 s: stopping a slip u takes m u / dt = 1200 u, split among the wheels on the ground.
    // Turning too, the front contact arm r = (-1, -1.5, -1.2) and a push along x give |r x x|^2 = 1.44 + 2.25;
    // the moments are (2/3) 20 4^2 = 213.33, so the effective mass is 1 / (1/20 + 3.69 / 213.33) = 14.859.
    const Case cases[] = {
        {"front, alone on the ground", 0, 0.01f, 0, false, false, -12.0f},
        {"rear, alone on the ground", 3, -0.005f, 0, false, false, 6.0f},
        {"front, one of four on the ground", 0, 0.01f, 3, false, false, -3.0f},
        {"front, with the turn of the body", 0, 0.01f, 0, true, false, -14.859f * 0.01f * 60.0f},
        {"a real slide keeps the full friction", 0, 0.5f, 3, true, false, -100.0f},
        {"held: a tenth of the friction is below the bound", 0, 0.1f, 0, false, true, -10.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CarTestRig rig;
        CPCar& car = rig.Build();
        PhysRigidBody& body = *rig.data->mRigidBody;
        body.velocity = D3DXVECTOR4(c.slip, 0, 0, 0);
        if (c.turning) body.worldInverseInertia = body.inverseInertia;  // unrotated: world = body
        car.mBodyTransform = body.GetTransform();
        car.mWheelHeading = D3DXVECTOR3(0, 1, 0);
        car.mHeld = c.held;
        for (int32_t i = 0, others = 0; i < 4; ++i) {
            PhysSensor& sensor = *car.mSensors[i];
            if (i != c.wheel && others++ >= c.othersDown) continue;
            const D3DXVECTOR3 start = PhysMath::Xyz(sensor.GetStart()) + PhysMath::Xyz(body.GetPosition());
            sensor.hitDepth = 0.3f;
            sensor.hitPoint = PhysMath::Point(start - D3DXVECTOR3(0, 0, 1.2f));
            sensor.hitNormal = D3DXVECTOR4(0, 0, 1, 0);
        }
        D3DXVECTOR3 force(0, 0, 0), torque(0, 0, 0);
        car.UpdateWheel(c.wheel, kStep, force, torque);
        EXPECT_NEAR(force.x, c.sideForce, 2e-3f);
        EXPECT_NEAR(force.y, 0.0f, 1e-4f);
    }
}

TEST(CarWheelTest, TheSpringTurnsTheBodyAboutItsRayStartAndASlopeDoublesTheRearDrive) {
    CarTestRig rig;
    CPCar& car = rig.Build();
    PhysRigidBody& body = *rig.data->mRigidBody;
    car.mBodyTransform = body.GetTransform();
    car.mWheelHeading = D3DXVECTOR3(0, 1, 0);
    PhysSensor& front = *car.mSensors[0];  // at (-1, -1.5, 0) in the body
    front.hitDepth = 0.5f;
    front.hitPoint = D3DXVECTOR4(-1, -1.5f, -1.0f, 1);
    front.hitNormal = D3DXVECTOR4(0, 0, 1, 0);
    D3DXVECTOR3 force(0, 0, 0), torque(0, 0, 0);
    car.UpdateWheel(0, kStep, force, torque);
    // r x F with r = (-1, -1.5, 0) and F = (0, 0, 70).
    ExpectVec3Near(torque, D3DXVECTOR3(-1.5f * 70, 70, 0), 1e-3f);
    EXPECT_FLOAT_EQ(car.mWheelOffsets[0], -0.5f) << "min(radius - (length - depth), front min radius 0)";

    // A rear wheel on ground that rises by 0.2 rad: the drive is (1 + 5 x 0.2) times as strong.
    PhysSensor& rear = *car.mSensors[2];
    rear.hitDepth = 0.5f;
    rear.hitPoint = D3DXVECTOR4(-1, 1.5f, -1.0f, 1);
    rear.hitNormal = D3DXVECTOR4(0, std::sin(0.2f), std::cos(0.2f), 0);
    car.mDrive = 30;
    force = torque = D3DXVECTOR3(0, 0, 0);
    car.UpdateWheel(2, kStep, force, torque);
    const D3DXVECTOR3 spring = D3DXVECTOR3(0, std::sin(0.2f), std::cos(0.2f)) * (0.5f * 150);
    const D3DXVECTOR3 drive = force - spring;
    EXPECT_NEAR(PhysMath::SafeLength(drive), 2.0f * 100, 0.05f);

    car.mFixedMax = true;
    car.UpdateWheel(2, kStep, force, torque);
    EXPECT_FLOAT_EQ(car.mWheelOffsets[2], 0.5f - 1.5f);
}

// A driven wheel's direction and slope are kept from the wheel before while what they are made from
// stays the same. After a first push with one heading, body turn and ground, a change of any of them
// gives the push of a car that never saw the first: bit for bit.
TEST(CarWheelTest, ADriveKeptFromTheWheelBeforeIsMadeAgainWhenItsHeadingBodyOrGroundChanges) {
    struct Ground {
        float heading;  // of the steered wheels, radians from +y towards +x
        float turn;     // of the body about z, radians
        D3DXVECTOR3 normal;
    };
    struct Case {
        const char* name;
        int32_t firstWheel, wheel;
        Ground first, then;
    };
    const D3DXVECTOR3 up(0, 0, 1), rising(0, std::sin(0.2f), std::cos(0.2f)), aside(std::sin(0.1f), 0, std::cos(0.1f));
    const Case cases[] = {
        {"front, the heading turns", 0, 0, {0, 0, up}, {0.3f, 0, up}},
        {"front, the other front wheel", 0, 1, {0.3f, 0, up}, {0.3f, 0, up}},
        {"rear, the body turns", 2, 2, {0, 0, up}, {0, 0.4f, up}},
        {"rear, the ground rises", 2, 2, {0, 0, up}, {0, 0, rising}},
        {"rear, the other rear wheel on other ground", 2, 3, {0, 0, rising}, {0, 0, aside}},
        {"rear, the other rear wheel on the same ground", 2, 3, {0, 0.4f, rising}, {0, 0.4f, rising}},
    };
    const auto push = [](CarTestRig& rig, int32_t wheel, const Ground& ground) {
        CPCar& car = *rig.car;
        PhysRigidBody& body = *rig.data->mRigidBody;
        body.SetRotation(D3DXQUATERNION(0, 0, std::sin(ground.turn / 2), std::cos(ground.turn / 2)));
        car.mBodyTransform = body.GetTransform();
        car.mWheelHeading = D3DXVECTOR3(std::sin(ground.heading), std::cos(ground.heading), 0);
        car.mDrive = 30;
        // Only this wheel on the ground, as in the fresh car.
        for (PhysSensor* other : car.mSensors)
            if (other) other->hitDepth = 0.0f;
        PhysSensor& sensor = *car.mSensors[wheel];
        sensor.hitDepth = 0.3f;
        sensor.hitPoint = PhysMath::Point(PhysMath::Xyz(sensor.GetStart()) - D3DXVECTOR3(0, 0, 1.2f));
        sensor.hitNormal = PhysMath::Direction(ground.normal);
        std::pair<D3DXVECTOR3, D3DXVECTOR3> pushed{{0, 0, 0}, {0, 0, 0}};
        car.UpdateWheel(wheel, kStep, pushed.first, pushed.second);
        return pushed;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CarTestRig kept, fresh;
        kept.Build();
        fresh.Build();
        push(kept, c.firstWheel, c.first);
        const auto [force, torque] = push(kept, c.wheel, c.then);
        const auto [freshForce, freshTorque] = push(fresh, c.wheel, c.then);
        EXPECT_EQ(std::memcmp(&force, &freshForce, sizeof(force)), 0)
            << force.x << " " << force.y << " " << force.z << " against " << freshForce.x << " " << freshForce.y
            << " " << freshForce.z;
        EXPECT_EQ(std::memcmp(&torque, &freshTorque, sizeof(torque)), 0);
    }
}

// ------------------------------------------------------------------ a car on a flat quad

// A game world over a flat 2-triangle road at z = 0, 200 wide and reaching 2500 ahead (-y) for 20 s at full
// throttle, with one car of the test rig's shape, of the given description and mass.
class CarDrivingTest : public ::testing::Test {
protected:
    explicit CarDrivingTest(float mass = CarTestRig::kMass, const char* description = kPlainCarDescription) {
        gSettings::weight_div = 1;
        gSettings::cam_speed = 1;
        game.Create();
        game.BuildCollisionMesh({{-100, -2500, 0, 0}, {100, -2500, 0, 0}, {100, 100, 0, 0}, {-100, 100, 0, 0}},
                                {CPCollisionTriangle{{0, 1, 2}, {0, 0, 0}}, CPCollisionTriangle{{0, 2, 3}, {0, 0, 0}}});
        DressCarUnit(unit, description, {0, 1, 2, 3}, mass);
        unit.SetPosition(D3DXVECTOR3(0, 0, 1.5f));
        game.RegisterObject(&unit);
        game.AddObject(&unit, true, 1);
        game.CreateCar(&unit, false);
        car = unit.GetCar().Get();
    }
    ~CarDrivingTest() override {
        unit.SetCar(nullptr);
        delete car;
        gSettings::RestoreInitialValues();
    }
    void Run(float seconds) {
        gDeltaTime = kStep;
        for (int frame = 0; frame < static_cast<int>(seconds * 60.0f + 0.5f); ++frame) game.Execute();
    }
    PhysRigidBody& Body() { return *unit.GetPhysicData()->mRigidBody; }
    D3DXVECTOR3 Position() { return PhysMath::Xyz(Body().GetPosition()); }
    D3DXVECTOR3 Velocity() { return PhysMath::Xyz(Body().velocity); }
    D3DXVECTOR3 Axis(int row) { return PhysMath::Xyz(Body().state.rotationRows.row[row]); }
    // The car's heading in the ground plane, radians from +x.
    float Heading() {
        const D3DXVECTOR3 forward = -Axis(1);
        return std::atan2(forward.y, forward.x);
    }
    // Speed along the body's x axis: the car's sideways slide.
    float SidewaysSpeed() { return PhysMath::Dot(Velocity(), Axis(0)); }
    bool Upright() { return Axis(2).z > 0.9f; }
    bool AllWheelsDown() { return car->mTouching[0] && car->mTouching[1] && car->mTouching[2] && car->mTouching[3]; }

    CPPhysicWorld game;
    ScopedGlobal<CPPhysicWorld*> globalGuard{gPhysicsWorld, &game};
    ScopedGlobal<float> frameTime{gDeltaTime};
    CPGameObject unit{"PLAYER"};
    CPCar* car = nullptr;
};

TEST_F(CarDrivingTest, ACarSettlesOnItsSpringsAtTheRideHeight) {
    ASSERT_NE(car, nullptr);
    Run(4.0f);
    // Four springs carry the weight: 2 x 140 d + 2 x 150 d = m g.
    const float depth = CarTestRig::kMass * 9.8f / (2 * 140.0f + 2 * 150.0f);
    EXPECT_NEAR(Position().z, 1.5f - depth, 0.02f);
    EXPECT_LT(PhysMath::SafeLength(Velocity()), 0.2f);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(car->mTouching[i]) << i;
}

TEST_F(CarDrivingTest, WithTheDefaultWeightSettingTheCarStillRestsOnItsSprings) {
    gSettings::weight_div = 0;  // what the launcher writes into a fresh config.cfg
    CPGameObject second("PLAYER");
    DressCarUnit(second, kPlainCarDescription, {0, 1, 2, 3}, CarTestRig::kMass);
    second.SetPosition(D3DXVECTOR3(20, 0, 1.5f));
    game.RegisterObject(&second);
    game.AddObject(&second, true, 1);
    game.CreateCar(&second, false);
    Run(4.0f);
    const float depth = CarTestRig::kMass * 9.8f / (2 * 140.0f + 2 * 150.0f);
    EXPECT_NEAR(second.GetPhysicData()->mRigidBody->GetPosition().z, 1.5f - depth, 0.02f);
    CPCar* secondCar = second.GetCar().Get();
    second.SetCar(nullptr);
    delete secondCar;
}

TEST_F(CarDrivingTest, ThrottleDrivesForwardAndSteeringTurns) {
    Run(2.0f);
    const D3DXVECTOR3 start = Position();
    const float heading = Heading();
    game.SetCarControls(&unit, 1.0f, 0.0f);
    Run(1.0f);
    const D3DXVECTOR3 driven = Position();
    EXPECT_LT(driven.y, start.y - 5.0f) << "forward is -y";
    EXPECT_NEAR(driven.x, start.x, 0.5f);
    EXPECT_NEAR(Heading(), heading, 0.05f);

    game.SetCarControls(&unit, 0.0f, 0.5f);
    Run(1.0f);
    EXPECT_GT(std::fabs(Heading() - heading), 0.3f) << "steering turns the car";
    EXPECT_GT(PhysMath::SafeLength(Velocity()), 5.0f);
}

// A steady circle holds; widening it, the first wheel leaves the ground about where a rigid car would
// tip: lateral acceleration = half track x g / height of the centre of mass.
TEST_F(CarDrivingTest, ASteadyCircleStaysUprightAndTheFirstWheelLiftsNearTheStaticLimit) {
    Run(2.0f);
    // Little throttle: a drive of 3 or more is already full drive.
    auto driveRound = [&](float targetSpeed) {
        const D3DXVECTOR3 v = Velocity();
        const float speed = std::sqrt(v.x * v.x + v.y * v.y);
        game.SetCarControls(&unit, std::clamp(0.01f * (targetSpeed - speed), -0.03f, 0.03f), 0.5f);
        Run(kStep);
        return speed * std::fabs(Body().angularVelocity.z);  // v w: the lateral acceleration of a circle
    };
    for (int step = 0; step < 10 * 60; ++step) {
        driveRound(5.0f);
        ASSERT_TRUE(Upright()) << step;
        ASSERT_TRUE(AllWheelsDown()) << step;
    }
    EXPECT_NEAR(PhysMath::SafeLength(Velocity()), 5.0f, 0.2f);

    // Rest height h = 1.5 - 20 x 9.8 / 580 = 1.162; limit = 1 x 9.8 / 1.162 = 8.43. The body leans out on
    // its springs, which moves the centre of mass outwards: the wheel lifts somewhat before that.
    const float limit = 1.0f * 9.8f / (1.5f - CarTestRig::kMass * 9.8f / (2 * 140.0f + 2 * 150.0f));
    float lateral = 0.0f;
    for (int step = 0; step < 60 * 60 && AllWheelsDown(); ++step) {
        lateral = driveRound(5.0f + 0.25f * static_cast<float>(step) * kStep);
        ASSERT_TRUE(Upright()) << step;
    }
    EXPECT_FALSE(AllWheelsDown()) << "a wheel lifted";
    EXPECT_GT(lateral, 0.85f * limit);
    EXPECT_LT(lateral, 1.0f * limit);
}

// ------------------------------------------------------------------ a straight run at full throttle

struct StraightRun {
    const char* name;
    float mass;
    float seconds;
};

class CarStraightRunTest : public CarDrivingTest, public ::testing::WithParamInterface<StraightRun> {
protected:
    CarStraightRunTest() : CarDrivingTest(GetParam().mass) {}
};

// Wheel straight, full throttle: the heading holds within 1 degree and the sideways speed settles below
// 0.05 without flipping from step to step (a flip between rounding-sized speeds aside).
TEST_P(CarStraightRunTest, FullThrottleWithTheWheelStraightHoldsTheLine) {
    Run(2.0f);
    const float heading = Heading();
    game.SetCarControls(&unit, 1.0f, 0.0f);
    constexpr float kRounding = 1e-3f;
    const int steps = static_cast<int>(GetParam().seconds * 60.0f);
    float before = 0.0f;
    for (int step = 0; step < steps; ++step) {
        Run(kStep);
        ASSERT_TRUE(Upright()) << step;
        ASSERT_NEAR(Heading(), heading, D3DXToRadian(1.0f)) << step;
        const float side = SidewaysSpeed();
        if (step >= 60) {
            ASSERT_LT(std::fabs(side), 0.05f) << step;
            const bool flipped = side * before < 0.0f && std::fabs(side) > kRounding && std::fabs(before) > kRounding;
            ASSERT_FALSE(flipped) << step << ": " << before << " then " << side;
        }
        before = side;
    }
}

// The rig's car (mass 20) holds its line while its front rays reach the ground: 2.5 s, up to 34 units per
// second. Under full throttle the drive, acting at the contact points 1.16 below the centre of mass, moves
// about 400 x 1.16 / 3 = 155 of load rearwards, more than the 98 its front springs carry at rest: the nose
// rises about 12 degrees until the front rays only just touch (depth under 0.002), and the rear wheels,
// whose side axis is the tilted body y axis, keep only about 240 x sideways speed / (speed x sin 12
// degrees) of side grip each. Past about 45 units per second (3.4 s) that no longer holds the yaw. A car
// of mass 30 keeps its front rays 0.16 deep and holds the line for the whole 20 s.
INSTANTIATE_TEST_SUITE_P(TheRigsCarAndAHeavierOne, CarStraightRunTest,
                         ::testing::Values(StraightRun{"RigCarWhileItsFrontIsDown", CarTestRig::kMass, 2.5f},
                                           StraightRun{"FrontLoadedCarFor20Seconds", 30.0f, 20.0f}),
                         [](const ::testing::TestParamInfo<StraightRun>& info) { return info.param.name; });

// ------------------------------------------------------------------ slowing down

struct Slowing {
    const char* name;
    bool stop, held;
    float speedAfter10s;  // from 10 units per second
};

// Springs alike front and rear: the car rests level. (On the rig's springs its nose sits 0.45 degrees low,
// and the rear wheels' side axis, the body's y axis, then turns part of their side friction into a brake.)
const char* kEvenSpringsDescription =
    "<physics><geometry><wheels count=\"4\" x=\"0\" y=\"0\" length=\"1.5\" radius=\"0.5\"/></geometry>"
    "<params><wheels spring1=\"150\" spring2=\"150\"/></params></physics>";

class CarSlowingTest : public CarDrivingTest, public ::testing::WithParamInterface<Slowing> {
protected:
    CarSlowingTest() : CarDrivingTest(CarTestRig::kMass, kEvenSpringsDescription) {}
};

// From 10 units per second forward with the throttle off, for 10 s; rolling wheels give no resistance.
TEST_P(CarSlowingTest, TheDragTheStopPushAndTheLockEachSlowTheCarAsTheirFormulasSay) {
    Run(2.0f);
    Body().SetVelocity(D3DXVECTOR4(0, -10, 0, 0));
    if (GetParam().stop) car->SetStopLights(true);
    car->mHeld = GetParam().held;
    Run(10.0f);
    EXPECT_NEAR(PhysMath::SafeLength(Velocity()), GetParam().speedAfter10s, 0.05f);
    EXPECT_TRUE(Upright());
    EXPECT_TRUE(AllWheelsDown());
}

// Coasting: m u' = -0.5 u, u = 10 e^(-0.025 t) = 7.788 at 10 s.
// Stop pedal: with q the braking push, m u' = -0.5 u - q and q' = 0.1 (2 u - q). The system's roots are
// -0.0625 +- 0.0927 i; with u(0) = 10 and u'(0) = -0.25: u = 10 e^(-0.0625 t) (cos 0.0927 t + 0.4045 sin
// 0.0927 t) = 10 x 0.5353 x (0.5995 + 0.4045 x 0.8004) = 4.94 at 10 s.
// Locked: each wheel brakes with 2 u, m u' = -(0.5 + 8) u, u = 10 e^(-0.425 t) = 0.14 at 10 s.
INSTANTIATE_TEST_SUITE_P(CoastStopAndLock, CarSlowingTest,
                         ::testing::Values(Slowing{"Coasting", false, false, 7.788f},
                                           Slowing{"StopPedal", true, false, 4.94f},
                                           Slowing{"Locked", false, true, 0.14f}),
                         [](const ::testing::TestParamInfo<Slowing>& info) { return info.param.name; });

}  // namespace
