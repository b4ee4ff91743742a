#include <gtest/gtest.h>

#include <cmath>
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
        car.UpdateWheel(c.wheel, force, torque);
        ExpectVec3Near(force, c.force, 1e-3f);
        EXPECT_EQ(car.mTouching[c.wheel], c.depth > 0.0f);
        EXPECT_EQ(car.mAirborne[c.wheel], !(c.depth > 0.0f));
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
    car.UpdateWheel(0, force, torque);
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
    car.UpdateWheel(2, force, torque);
    const D3DXVECTOR3 spring = D3DXVECTOR3(0, std::sin(0.2f), std::cos(0.2f)) * (0.5f * 150);
    const D3DXVECTOR3 drive = force - spring;
    EXPECT_NEAR(PhysMath::SafeLength(drive), 2.0f * 100, 0.05f);

    car.mFixedMax = true;
    car.UpdateWheel(2, force, torque);
    EXPECT_FLOAT_EQ(car.mWheelOffsets[2], 0.5f - 1.5f);
}

// ------------------------------------------------------------------ a car on a flat quad

// A game world over a flat 2-triangle quad (800 x 800) at z = 0 with one car, its unit registered as the player's.
class CarDrivingTest : public ::testing::Test {
protected:
    CarDrivingTest() {
        gSettings::weight_div = 1;
        gSettings::cam_speed = 1;
        game.Create();
        game.BuildCollisionMesh({{-400, -400, 0, 0}, {400, -400, 0, 0}, {400, 400, 0, 0}, {-400, 400, 0, 0}},
                                {CPCollisionTriangle{{0, 1, 2}, {0, 0, 0}}, CPCollisionTriangle{{0, 2, 3}, {0, 0, 0}}});
        DressCarUnit(unit, kPlainCarDescription, {0, 1, 2, 3}, CarTestRig::kMass);
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
        gDeltaTime = 1.0f / 60.0f;
        for (int frame = 0; frame < static_cast<int>(seconds * 60.0f + 0.5f); ++frame) game.Execute();
    }
    PhysRigidBody& Body() { return *unit.GetPhysicData()->mRigidBody; }
    D3DXVECTOR3 Position() { return PhysMath::Xyz(Body().GetPosition()); }
    // The car's heading in the ground plane, radians from +x.
    float Heading() {
        const D3DXVECTOR4& y = Body().state.rotationRows.row[1];
        return std::atan2(-y.y, -y.x);
    }

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
    EXPECT_LT(PhysMath::SafeLength(PhysMath::Xyz(Body().velocity)), 0.2f);
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

TEST_F(CarDrivingTest, ThrottleDrivesForwardSteeringTurnsAndTheStopBringsItToRest) {
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
    const float speed = PhysMath::SafeLength(PhysMath::Xyz(Body().velocity));
    EXPECT_GT(speed, 5.0f);

    // The unit locked and the stop pedal down: the wheels hold the car back.
    game.SetCarControls(&unit, 0.0f, 0.0f);
    car->mHeld = true;
    car->SetStopLights(true);
    Run(10.0f);
    EXPECT_LT(PhysMath::SafeLength(PhysMath::Xyz(Body().velocity)), 1.0f);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(car->mTouching[i]) << "still on the ground " << i;
}

}  // namespace
