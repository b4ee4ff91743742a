#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Sound/NSound.h"
#include "core/Angles.h"
#include "core/FrameClock.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "simulation/level/CPLevel.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "simulation/physics/PhysController.h"
#include "simulation/physics/PhysRigidBody.h"
#include "simulation/units/CPPlayer.h"
#include "simulation/units/DebrisBudget.h"
#include "simulation/vehicle/CPCar.h"
#include "support/CarTestRig.h"
#include "support/MathExpect.h"
#include "support/ScopedGameData.h"
#include "support/ScopedGlobal.h"
#include "support/SoundRig.h"

namespace {

// A car with its rear light objects, and a level.
class CarControlsTest : public ::testing::Test {
protected:
    CarControlsTest() {
        for (const char* name : {"backlights", "backlights2", "backlights01", "backlights201", "_backlights",
                                 "_backlights2", "w2_"})
            rig.unit.AddOwnedChild(CPSmartPtr<CPGameObject>(new CPGameObject(name)));
        rig.Build();
        car = rig.car;
    }
    ~CarControlsTest() override { gSettings::RestoreInitialValues(); }
    bool Shown(const char* name) { return rig.unit.FindObject(name)->IsVisible(); }

    CarTestRig rig;
    CPCar* car = nullptr;
    CPLevel level;
    ScopedGlobal<CPLevel*> levelGuard{gLevel, &level};
};

TEST_F(CarControlsTest, ThrottleAndSteeringAreStoredClampedAndScaledByThePoses) {
    struct Case {
        const char* name;
        float throttle, steer;
        bool playerCar, nitroPose, stopPose;
        float drive, storedSteer;
    };
    const Case cases[] = {
        {"forward", 1.0f, 0.3f, false, false, false, 100.0f, 0.3f},
        {"steer clamped", 1.0f, 2.5f, false, false, false, 100.0f, 0.7f},
        {"steer clamped the other way", 0.5f, -1.0f, false, false, false, 50.0f, -0.7f},
        {"nitro pose on the player's car", 1.0f, 2.5f, true, true, false, 100.0f, 0.14f},
        {"stop pose on the player's car", 1.0f, 0.2f, true, false, true, 100.0f, 0.4f},
        {"poses do not matter for an enemy", 1.0f, 0.2f, false, true, true, 100.0f, 0.2f},
        {"reverse", -0.5f, 0.0f, false, false, false, -50.0f, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        car->mPlayerCar = c.playerCar;
        car->mNitroPose = c.nitroPose;
        car->mStopPose = c.stopPose;
        car->mAccelerationBack = 100.0f;
        car->SetControls(c.throttle, c.steer);
        EXPECT_FLOAT_EQ(car->mDrive, c.drive);
        EXPECT_FLOAT_EQ(car->mSteer, c.storedSteer);
        EXPECT_TRUE(car->mControlsSet);
    }
    // A crash at the hardest difficulty takes the controls away.
    gSettings::cam_speed = 3;
    car->SetCrashed(true);
    car->SetControls(1.0f, 0.5f);
    EXPECT_FLOAT_EQ(car->mDrive, -50.0f);
}

TEST_F(CarControlsTest, ReverseThrottleShowsTheReversingLightOnlyWhileRollingBackwards) {
    // At rest: the reversing lights stay as they were.
    car->SetControls(-1.0f, 0.0f);
    EXPECT_TRUE(Shown("_backlights"));
    EXPECT_FALSE(Shown("_backlights2"));
    // Rolling backwards (+y in the body).
    car->mVelocity = D3DXVECTOR3(0.0f, 2.0f, 0.0f);
    car->SetControls(-1.0f, 0.0f);
    EXPECT_FALSE(Shown("_backlights"));
    EXPECT_TRUE(Shown("_backlights2"));
    car->SetControls(0.5f, 0.0f);
    EXPECT_TRUE(Shown("_backlights"));
    EXPECT_FALSE(Shown("_backlights2"));
}

TEST_F(CarControlsTest, BrakeAndStopSwitchTheRearLightsAndStoreTheirInputs) {
    car->SetBrakeLights(true, true);
    EXPECT_FALSE(Shown("backlights"));
    EXPECT_FALSE(Shown("backlights01"));
    EXPECT_TRUE(Shown("backlights2"));
    EXPECT_TRUE(Shown("backlights201"));
    EXPECT_TRUE(car->mBrakeInput);
    EXPECT_TRUE(car->mDriftInput);
    car->SetStopLights(false);
    EXPECT_TRUE(Shown("backlights"));
    EXPECT_FALSE(Shown("backlights2"));
    EXPECT_FALSE(car->mStopInput);
    car->SetStopLights(true);
    EXPECT_TRUE(Shown("backlights201"));
    EXPECT_TRUE(car->mStopInput);
}

TEST_F(CarControlsTest, WheelsSpinWithTheGroundOrTheDriveAndBrakedRearWheelsStandStill) {
    car->mTouching[0] = true;
    car->mRollingSpeeds[0] = 2.5f;
    car->UpdateWheelMeshes(0, 0.1f, D3DXVECTOR3(0, 0, 0));
    EXPECT_FLOAT_EQ(car->mSpinAngles[0], 0.1f * 2.5f / 0.25f);
    car->mDrive = 40.0f;
    car->UpdateWheelMeshes(1, 0.1f, D3DXVECTOR3(0, 0, 0));
    EXPECT_FLOAT_EQ(car->mSpinAngles[1], -4.0f) << "an airborne wheel spins backwards with the drive";
    car->mBrakeInput = true;
    car->mTouching[2] = true;
    car->mRollingSpeeds[2] = 5.0f;
    car->UpdateWheelMeshes(2, 0.1f, D3DXVECTOR3(0, 0, 0));
    EXPECT_FLOAT_EQ(car->mSpinAngles[2], 0.0f);
    // The rear wheel mesh takes the turn of wheel 2.
    car->mBrakeInput = false;
    car->UpdateWheelMeshes(2, 0.1f, D3DXVECTOR3(0, 0, 0));
    EXPECT_FLOAT_EQ(car->mSpinAngles[2], 2.0f);
    const D3DXQUATERNION expected = CPCar::MakeWheelMatrix(2.0f);
    const D3DXQUATERNION& turned = rig.unit.FindObject("w2_")->GetRotation();
    EXPECT_NEAR(std::fabs(turned.x), std::fabs(expected.x), 1e-5f);
    EXPECT_NEAR(std::fabs(turned.w), std::fabs(expected.w), 1e-5f);
}

TEST_F(CarControlsTest, OnlyTheLastRearWheelRaisesDustAndOnlyAboveTheSpeed) {
    gSettings::dust = 1;
    ScopedGlobal<int32_t> debris(gDebrisCount, 0);
    car->mSlideAmount = 0.5f;
    for (int i = 0; i < 4; ++i) car->mTouching[i] = true;
    rig.unit.FindObject("w2_")->SetPosition(D3DXVECTOR3(5, 5, 1));
    rig.unit.UpdateTransform();
    for (int i = 0; i < 4; ++i) car->UpdateWheelMeshes(i, 0.01f, D3DXVECTOR3(10, 0, 0));
    EXPECT_EQ(gDebrisCount, 1);
    EXPECT_FLOAT_EQ(car->mDustCount[3], 1.0f);
    ExpectVec3Near(car->mDustPositions[3], D3DXVECTOR3(5, 5, 0.8f));
    rig.unit.FindObject("w2_")->SetPosition(D3DXVECTOR3(15, 5, 1));
    rig.unit.UpdateTransform();
    car->UpdateWheelMeshes(3, 0.01f, D3DXVECTOR3(8, 0, 0));
    EXPECT_EQ(gDebrisCount, 1) << "|v|^2 = 64 raises none";
    gDebrisCount = 40;
    car->UpdateWheelMeshes(3, 0.01f, D3DXVECTOR3(10, 0, 0));
    EXPECT_EQ(gDebrisCount, 40) << "the shared budget is spent";
}

// ------------------------------------------------------------------ crash and sounds

// Two cars with their sounds loaded; the first one's rig sends the commands.
class CarSoundTest : public ::testing::Test {
protected:
    CarSoundTest() {
        for (const char* name : {"slam.wav", "main.wav", "vizg.wav", "stop.wav"})
            sound.WriteSound(name, riff::PcmWave(1, 22050, 16, riff::Ramp(4000)));
        CPPhysicWorld game;
        for (CarTestRig* each : {&otherRig, &rig}) {
            each->Build();
            game.LoadCarSounds(each->car, nullptr, true);
        }
        car = rig.car;
        other = otherRig.car;
        rig.jeep.Stop();
        gameInterface.Start();
        rig.dispatcher.Register(&gameInterface, "game_interface");
    }
    ~CarSoundTest() override { gSettings::RestoreInitialValues(); }
    CNSound* Slam() { return car->mSounds[CPCar::kCrashSound].Get(); }

    SoundRig sound;
    CarTestRig otherRig;  // made first: the last rig made owns the command dispatcher
    CarTestRig rig;
    CPCar* car = nullptr;
    CPCar* other = nullptr;
    CPLevel level;
    ScopedGlobal<CPLevel*> levelGuard{gLevel, &level};
    CPCommandTask gameInterface;
};

TEST_F(CarSoundTest, EachCarHasItsOwnThreeDInstanceOfTheFourSounds) {
    const int slots[] = {CPCar::kCrashSound, CPCar::kEngineSound, CPCar::kSkidSound, CPCar::kBrakeSound};
    for (int slot : slots) {
        ASSERT_TRUE(car->mSounds[slot]) << slot;
        ASSERT_TRUE(other->mSounds[slot]) << slot;
        EXPECT_NE(car->mSounds[slot]->Get3DBuffer(), nullptr) << slot;
        EXPECT_NE(car->mSounds[slot].Get(), other->mSounds[slot].Get()) << slot;
        EXPECT_NE(car->mSounds[slot]->Get3DBuffer(), other->mSounds[slot]->Get3DBuffer()) << slot;
    }
    EXPECT_FALSE(car->mSounds[1]);

    // Each engine sounds where its own car is, and one car's crash is heard from that car only.
    ScopedGameData data;
    data->mLevelStarted = true;
    ScopedGlobal<float> frame(gDeltaTime, 0.2f);
    ScopedGlobal<int32_t> counter(gFrameCounter, 7);
    rig.unit.SetPosition(D3DXVECTOR3(-10.0f, 0.0f, 0.0f));
    otherRig.unit.SetPosition(D3DXVECTOR3(30.0f, 0.0f, 0.0f));
    car->OnPhysicsStep(car->GetController(), 1.0f / 60.0f);
    other->OnPhysicsStep(other->GetController(), 1.0f / 60.0f);
    EXPECT_EQ(car->mSounds[CPCar::kEngineSound]->Get3DParameters().vPosition.x, -10.0f);
    EXPECT_EQ(other->mSounds[CPCar::kEngineSound]->Get3DParameters().vPosition.x, 30.0f);
    gSettings::cam_speed = 3;
    car->SetCrashed(true);
    EXPECT_TRUE(Slam()->IsPlaying());
    EXPECT_FALSE(other->mSounds[CPCar::kCrashSound]->IsPlaying());
}

TEST_F(CarSoundTest, ACrashAtTheHardestDifficultyTumblesTellsThePlayerAndPlaysTheSlam) {
    gSettings::cam_speed = 3;
    car->mPlayerCar = true;
    car->mVisualYaw = -0.2f;
    car->SetCrashed(true);
    EXPECT_TRUE(car->mCrashed);
    EXPECT_FLOAT_EQ(car->mSpinTarget, -kHalfPi) << "towards the lean";
    EXPECT_GE(std::fabs(car->mTumbleRate), 0.1f);
    EXPECT_TRUE(Slam()->IsPlaying());
    EXPECT_EQ(DrainCommandTexts(gameInterface), (std::vector<std::string>{"show_message:carcrashed!"}));
    car->mCrashTime = 0.5f;
    car->SetCrashed(true);
    EXPECT_FLOAT_EQ(car->mCrashTime, 0.5f) << "a second crash does not restart it";
    car->SetCrashed(false);
    EXPECT_FALSE(car->mCrashed);
    EXPECT_FALSE(Slam()->IsPlaying());

    level.mGameOver = true;
    car->SetCrashed(true);
    EXPECT_TRUE(Slam()->IsPlaying());
    EXPECT_TRUE(DrainCommandTexts(gameInterface).empty()) << "no message once the race is over";
}

TEST_F(CarSoundTest, ACrashBelowTheHardestDifficultyIsSilent) {
    gSettings::cam_speed = 2;
    car->mPlayerCar = true;
    car->SetCrashed(true);
    EXPECT_TRUE(car->mCrashed);
    EXPECT_FALSE(Slam()->IsPlaying());
    EXPECT_TRUE(DrainCommandTexts(gameInterface).empty());
}

TEST_F(CarSoundTest, TheEnginePitchStaysWithinWhatTheSoundBufferAccepts) {
    ScopedGameData data;
    data->mLevelStarted = true;
    ScopedGlobal<float> frame(gDeltaTime, 0.2f);
    ScopedGlobal<int32_t> counter(gFrameCounter, 7);
    car->mVisualPitch = 0.3f;
    rig.data->mRigidBody->velocity = D3DXVECTOR4(400.0f, 0.0f, 0.0f, 0.0f);
    car->OnPhysicsStep(car->GetController(), 1.0f / 60.0f);
    CNSound* engine = car->mSounds[CPCar::kEngineSound].Get();
    EXPECT_TRUE(engine->IsPlaying());
    EXPECT_GT(car->mEnginePitch, 1.0f);
    EXPECT_LE(car->mEnginePitch * static_cast<float>(engine->GetFrequency()), 200000.0f);
    EXPECT_EQ(car->mSoundStamp, 7);
}

// ------------------------------------------------------------------ the contact callback

class CarContactTest : public ::testing::Test {
protected:
    CarContactTest() {
        gSettings::weight_div = 1;
        game.Create();
        for (CPPlayer* unit : {&a, &b}) {
            DressCarUnit(*unit, kPlainCarDescription, {0, 1, 2, 3}, 20.0f);
            game.RegisterObject(unit);
            game.AddObject(unit, true, 1);
            game.CreateCar(unit, false);
        }
    }
    ~CarContactTest() override {
        for (CPPlayer* unit : {&a, &b}) {
            CPCar* car = unit->GetCar();
            unit->SetCar(nullptr);
            delete car;
        }
        gSettings::RestoreInitialValues();
    }
    PhysContact Between(CPPlayer& first, CPPlayer& second) {
        PhysContact contact;
        contact.bodyA = first.GetPhysicData()->mRigidBody;
        contact.bodyB = second.GetPhysicData()->mRigidBody;
        contact.kindA = PhysContact::kMoving;
        contact.kindB = PhysContact::kMoving;
        return contact;
    }

    CPPhysicWorld game;
    CPPlayer a, b;
    CPLevel level;
    ScopedGlobal<CPLevel*> levelGuard{gLevel, &level};
};

TEST_F(CarContactTest, TwoCarsCrashFromDifficultyTwoTheOneWhoseFrontFacesTheOther) {
    a.SetPosition(D3DXVECTOR3(0, -5, 0));  // A lies ahead of B (forward is -y)
    b.SetPosition(D3DXVECTOR3(0, 0, 0));
    PhysContact contact = Between(a, b);
    gSettings::cam_speed = 1;
    CPPhysicWorld::OnContact(&contact);
    EXPECT_FALSE(a.GetCar()->mCrashed);
    EXPECT_FALSE(b.GetCar()->mCrashed);
    gSettings::cam_speed = 2;
    CPPhysicWorld::OnContact(&contact);
    EXPECT_FALSE(a.GetCar()->mCrashed);
    EXPECT_TRUE(b.GetCar()->mCrashed) << "B ran into A";

    b.GetCar()->SetCrashed(false);
    b.SetRotation(D3DXQUATERNION(0, 0, 1, 0));  // B turned round: its front points away from A
    CPPhysicWorld::OnContact(&contact);
    EXPECT_TRUE(a.GetCar()->mCrashed);
    EXPECT_FALSE(b.GetCar()->mCrashed);
}

TEST_F(CarContactTest, OnlyTheCameraTargetCrashesIntoAWallAndOnlyFast) {
    gSettings::cam_speed = 3;
    level.mCameraTarget = &a;
    struct Case {
        CPPlayer* unit;
        float speed, normalZ;
        bool crashes;
    };
    const Case cases[] = {{&a, 13.0f, 0.2f, true}, {&a, 12.0f, 0.2f, false}, {&a, 13.0f, 0.8f, false},
                          {&b, 13.0f, 0.2f, false}};
    for (const Case& c : cases) {
        CPCar* car = c.unit->GetCar();
        car->SetCrashed(false);
        car->mVelocity = D3DXVECTOR3(c.speed, 0, 0);
        PhysContact contact;
        contact.bodyA = c.unit->GetPhysicData()->mRigidBody;
        contact.bodyB = &game.GetWorld()->GetWorldBody();
        contact.kindB = PhysContact::kStatic;
        contact.normal = D3DXVECTOR3(std::sqrt(1 - c.normalZ * c.normalZ), 0, c.normalZ);
        CPPhysicWorld::OnContact(&contact);
        EXPECT_EQ(car->mCrashed, c.crashes) << c.speed << " " << c.normalZ;
    }
    // A body without an owner is skipped.
    PhysContact stray;
    stray.bodyA = game.GetWorld()->CreateRigidBody();
    stray.kindB = PhysContact::kStatic;
    CPPhysicWorld::OnContact(&stray);
}

}  // namespace
