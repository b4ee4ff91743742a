// The second half of the vehicle step: the pose objects "bike" and "bike01", the lean, the crashed body
// "car2", the lights, the nitro push, the braking pushes and the camera steer. One step of 0.1 s on a car
// in the air (no ray finds ground), its body unturned at the origin: Y = (0, 1, 0), forward is -y, and
// the only other force is the drag -0.5 (v . Y) Y.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "core/Angles.h"
#include "core/CPGameObject.h"
#include "core/config/Settings.h"
#include "simulation/physics/PhysController.h"
#include "simulation/physics/PhysRigidBody.h"
#include "simulation/vehicle/CPCar.h"
#include "support/CarTestRig.h"
#include "support/MathExpect.h"

namespace {

constexpr float kStep = 0.1f;

class CarPosesAndPushesTest : public ::testing::Test {
protected:
    CarPosesAndPushesTest() {
        for (const char* name : {"bike", "bike01", "car2", "backlights", "backlights2", "backlights01", "backlights201",
                                 "_backlights", "_backlights2"})
            rig.unit.AddOwnedChild(CPSmartPtr<CPGameObject>(new CPGameObject(name)));
        car = &rig.Build();
        car->mSteer = 0.4f;
    }
    ~CarPosesAndPushesTest() override { gSettings::RestoreInitialValues(); }
    CPGameObject& Object(const char* name) { return *rig.unit.FindObject(name); }
    void Step(float forwardSpeed) {
        rig.data->mRigidBody->velocity = D3DXVECTOR4(0.0f, -forwardSpeed, 0.0f, 0.0f);
        car->OnPhysicsStep(car->GetController(), kStep);
    }
    D3DXVECTOR3 Force() { return PhysMath::Xyz(car->GetController()->force); }
    // The pedals and the nitro, and where the visual pitch and the push amount start.
    void Set(bool stop, bool brake, bool drift, float nitro, float pitch, float push) {
        car->mStopInput = stop;
        car->mBrakeInput = brake;
        car->mDriftInput = drift;
        car->mNitro = nitro;
        car->mVisualPitch = pitch;
        car->mPushAmount = push;
    }

    CarTestRig rig;
    CPCar* car = nullptr;
};

TEST_F(CarPosesAndPushesTest, TheStopAndNitroInputsPitchTheBodyAndPickThePoseObject) {
    struct Case {
        const char* name;
        bool stop, brake, drift;
        float nitro, pitchBefore;
        float pitch;  // 2 x dt x (aim - pitch) added, aim 0.5 with the stop input, -0.5 x nitro without
        bool mainPose, stopPose, nitroPose;
        float nitroAfter, yaw, cameraSteer, pushAfter;
        bool brakeLights;  // "backlights2" shown
    };
    // Steer 0.4, push amount 3 before the step. Lean: yaw += dt (-s steer - yaw), s = 1 in the stop pose, 2
    // otherwise. Camera steer: -2 x steer while sliding (brake and drift), -1 x steer otherwise. Stop pose:
    // push += (2 L - push) x dt x 0.1 with L = 0 at rest: 3 - 0.03.
    const Case cases[] = {
        {"stop pedal: 0 + 0.2 x 0.5, pitched forward", true, false, false, 0.5f, 0.0f, 0.1f, false, true, false,
         0.0f, -0.04f, -0.4f, 2.97f, true},
        {"stop pedal pitched far back: -1 + 0.2 x 1.5 < 0, push dropped", true, false, false, 0.0f, -1.0f, -0.7f,
         true, false, false, 0.0f, -0.08f, -0.4f, 0.0f, true},
        {"nitro: 0 + 0.2 x -0.5 pitches back", false, false, false, 1.0f, 0.0f, -0.1f, true, false, true, 1.0f,
         -0.08f, -0.4f, 3.0f, false},
        {"settling from 0.3: 0.3 + 0.2 x -0.3 still forward", false, false, false, 0.0f, 0.3f, 0.24f, false, false,
         false, 0.0f, -0.08f, -0.4f, 3.0f, false},
        {"sliding: brake and drift", false, true, true, 0.0f, 0.0f, 0.0f, true, false, false, 0.0f, -0.08f, -0.8f,
         3.0f, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Set(c.stop, c.brake, c.drift, c.nitro, c.pitchBefore, 3.0f);
        car->mVisualYaw = 0.0f;
        car->mSlideAmount = 0.0f;
        Step(0.0f);
        EXPECT_FLOAT_EQ(car->mVisualPitch, c.pitch);
        EXPECT_EQ(car->mMainPose, c.mainPose);
        EXPECT_EQ(car->mStopPose, c.stopPose);
        EXPECT_EQ(car->mNitroPose, c.nitroPose);
        EXPECT_EQ(Object("bike").IsVisible(), c.mainPose);
        EXPECT_EQ(Object("bike01").IsVisible(), !c.mainPose);
        EXPECT_FLOAT_EQ(car->mNitro, c.nitroAfter);
        EXPECT_FLOAT_EQ(car->mVisualYaw, c.yaw);
        EXPECT_FLOAT_EQ(car->mCameraSteer, c.cameraSteer);
        EXPECT_FLOAT_EQ(car->mPushAmount, c.pushAfter);
        EXPECT_EQ(Object("backlights2").IsVisible(), c.brakeLights);
        EXPECT_EQ(Object("backlights").IsVisible(), !c.brakeLights);
        EXPECT_FLOAT_EQ(car->mPitchDegrees, c.pitch * 57.295776f);
        EXPECT_FLOAT_EQ(car->mYawDegrees, c.yaw * 57.295776f);
        EXPECT_FLOAT_EQ(car->mPitchMagnitude, -std::fabs(c.pitch));
    }
}

// The quaternion of RotationX(a) x RotationY(b) is (sin(a/2) cos(b/2), cos(a/2) sin(b/2),
// -sin(a/2) sin(b/2), cos(a/2) cos(b/2)).
TEST_F(CarPosesAndPushesTest, TheShownPoseObjectTakesThePitchAndLean) {
    car->mStopInput = true;
    Step(0.0f);
    // Pitch 0.1, yaw -0.04: sin 0.05 = 0.0499792, cos 0.05 = 0.9987503, sin -0.02 = -0.0199987,
    // cos -0.02 = 0.9998000.
    ExpectQuatNear(Object("bike01").GetRotation(), D3DXQUATERNION(0.0499692f, -0.0199737f, 0.0009995f, 0.9985505f));
    // The hidden one stays; without a crash car2 neither spins nor tumbles.
    ExpectQuatNear(Object("bike").GetRotation(), D3DXQUATERNION(0, 0, 0, 1));
    ExpectQuatNear(Object("car2").GetRotation(), D3DXQUATERNION(0, 0, 0, 1));
}

TEST_F(CarPosesAndPushesTest, ACrashAtTheHardestDifficultyStraightensTheLeanAndTurnsAndTumblesCar2) {
    gSettings::cam_speed = 3;
    car->mCrashed = true;
    car->mVisualYaw = 0.5f;
    car->mSpinTarget = kHalfPi;
    car->mTumbleRate = 0.5f;
    Step(10.0f);
    // Yaw 0.5 - 3 x 0.1 x 0.5 = 0.35 whatever the steer; spin 0 + 0.3 x pi/2 = 0.4712389; tumble
    // 0 + speed 10 x 0.5 x 0.1 x 0.1 = 0.05.
    EXPECT_FLOAT_EQ(car->mVisualYaw, 0.35f);
    EXPECT_FLOAT_EQ(car->mSpinAngle, 0.4712389f);
    EXPECT_FLOAT_EQ(car->mTumbleAngle, 0.05f);
    EXPECT_FLOAT_EQ(car->mYawDegrees, 0.35f * 57.295776f);
    // car2: sin 0.025 = 0.0249974, cos 0.025 = 0.9996875, sin 0.2356194 = 0.2334454, cos 0.2356194 = 0.9723699.
    ExpectQuatNear(Object("car2").GetRotation(), D3DXQUATERNION(0.0243067f, 0.2333724f, -0.0058355f, 0.9720661f));
    // bike, pitch 0 and yaw 0.35: (0, sin 0.175, 0, cos 0.175).
    ExpectQuatNear(Object("bike").GetRotation(), D3DXQUATERNION(0.0f, 0.1741081f, 0.0f, 0.9847265f));

    // Below the hardest difficulty a crashed car leans with the steer as usual and car2 stays.
    gSettings::cam_speed = 2;
    car->mVisualYaw = 0.0f;
    Step(10.0f);
    EXPECT_FLOAT_EQ(car->mVisualYaw, -0.08f);
    EXPECT_FLOAT_EQ(car->mSpinAngle, 0.4712389f);
    EXPECT_FLOAT_EQ(car->mTumbleAngle, 0.05f);
}

TEST_F(CarPosesAndPushesTest, TheNitroAndBrakingPushesJoinTheForce) {
    struct Case {
        const char* name;
        bool stop, brake, drift;
        float nitro, speed, pushBefore;
        float nitroPush;  // y of the nitro push
        float pushAfter;
        float force;      // y of the controller's force: drag 0.5 x speed, plus N, minus the push amount
    };
    // Nitro: N = -Y x max(0, (27.777779 - speed) x 20) x acceleration front 100 x nitro x dt.
    // Stop pose: push += (2 L - push) x dt x 0.1; brake without drift: push += (0.5 L - push) x dt x 0.05;
    // the push is -Y x push amount, with L = v . Y = -speed.
    const Case cases[] = {
        {"nitro: 20 x 20 x 100 x 0.5 x 0.1", false, false, false, 0.5f, 7.777779f, 0.0f, -2000.0f, 0.0f,
         3.8888895f - 2000.0f},
        {"nitro above its top speed", false, false, false, 0.5f, 30.0f, 0.0f, 0.0f, 0.0f, 15.0f},
        {"stop: (-20 - 0) x 0.01, nitro dropped", true, false, false, 0.5f, 10.0f, 0.0f, 0.0f, -0.2f, 5.2f},
        {"stop: -10 + (-20 + 10) x 0.01", true, false, false, 0.0f, 10.0f, -10.0f, 0.0f, -10.1f, 15.1f},
        {"brake: (-5 - 0) x 0.005", false, true, false, 0.0f, 10.0f, 0.0f, 0.0f, -0.025f, 5.025f},
        {"brake and drift: no push", false, true, true, 0.0f, 10.0f, 1.0f, 0.0f, 1.0f, 5.0f},
        {"no pedal: no push", false, false, false, 0.0f, 10.0f, 1.0f, 0.0f, 1.0f, 5.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Set(c.stop, c.brake, c.drift, c.nitro, 0.0f, c.pushBefore);
        Step(c.speed);
        ExpectVec3Near(car->mNitroPush, D3DXVECTOR3(0.0f, c.nitroPush, 0.0f), 1e-3f);
        EXPECT_NEAR(car->mPushAmount, c.pushAfter, 1e-5f);
        ExpectVec3Near(Force(), D3DXVECTOR3(0.0f, c.force, 0.0f), 1e-3f);
    }
}

}  // namespace

// The car keeps its look-ups of the pose objects until the model's tree changes: after each edit the
// step turns whichever object bears the name "car2" then, and no longer the one that gave it up.
TEST_F(CarPosesAndPushesTest, AfterAnEditOfTheModelTheStepTurnsTheObjectThatNowBearsTheName) {
    struct Case {
        const char* name;
        // Edits the unit's tree after a first step; returns the object now named "car2" (null: none).
        std::function<CPGameObject*(CPGameObject& unit, CPGameObject& oldCar2)> edit;
        bool oldCar2Lives;
    };
    std::vector<std::unique_ptr<CPGameObject>> leftOver;  // objects taken out of the tree
    const Case cases[] = {
        {"deleted and replaced",
         [](CPGameObject& unit, CPGameObject& old) {
             delete &old;
             auto* fresh = new CPGameObject("car2");
             unit.AddOwnedChild(CPSmartPtr<CPGameObject>(fresh));
             return fresh;
         },
         false},
        {"renamed away, another renamed to it",
         [](CPGameObject& unit, CPGameObject& old) {
             old.Rename("car2_old");
             CPGameObject* other = unit.FindObject("backlights").Get();
             other->Rename("car2");
             return other;
         },
         true},
        {"taken out of the tree",
         [&leftOver](CPGameObject& unit, CPGameObject& old) {
             unit.RemoveChild(&old);
             leftOver.emplace_back(&old);
             return static_cast<CPGameObject*>(nullptr);
         },
         true},
        {"a deeper one added under bike01 after car2 left",
         [&leftOver](CPGameObject& unit, CPGameObject& old) {
             unit.RemoveChild(&old);
             leftOver.emplace_back(&old);
             auto* deeper = new CPGameObject("car2");
             unit.FindObject("bike01")->AddOwnedChild(CPSmartPtr<CPGameObject>(deeper));
             return deeper;
         },
         true},
    };
    gSettings::cam_speed = 3;
    car->mCrashed = true;
    car->mTumbleRate = 0.5f;
    car->mSpinTarget = kHalfPi;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPGameObject& old = Object("car2");
        Step(10.0f);  // the look-ups are made and kept
        const D3DXQUATERNION identity(0, 0, 0, 1);
        const D3DXQUATERNION oldTurn = old.GetRotation();
        EXPECT_NE(oldTurn, identity);
        CPGameObject* now = c.edit(rig.unit, old);
        if (now) now->SetRotation(identity);
        Step(10.0f);  // tumble and spin move on
        if (now) {
            EXPECT_NE(now->GetRotation(), identity);
        }
        if (c.oldCar2Lives) {
            EXPECT_EQ(old.GetRotation(), oldTurn);
        }
        // The next case starts with a "car2" at the top of the unit.
        if (!now || now->GetParent().Get() != &rig.unit || now->GetName() != "car2") {
            if (now) now->Rename("car2_moved");
            rig.unit.AddOwnedChild(CPSmartPtr<CPGameObject>(new CPGameObject("car2")));
        }
    }
}

// The crashed body's rotation is made again whenever the tumble or the spin changes, and only from them.
TEST_F(CarPosesAndPushesTest, TheCrashedBodyTakesTheRotationOfItsCurrentAngles) {
    struct Case {
        const char* name;
        float tumble, spin;
        D3DXQUATERNION rotation;  // about x by the tumble, then about y by the spin: halves of the angles
    };
    const Case cases[] = {
        {"tumbled", 0.6f, 0.0f, D3DXQUATERNION(std::sin(0.3f), 0, 0, std::cos(0.3f))},
        {"the same again", 0.6f, 0.0f, D3DXQUATERNION(std::sin(0.3f), 0, 0, std::cos(0.3f))},
        {"spun only", 0.0f, 1.0f, D3DXQUATERNION(0, std::sin(0.5f), 0, std::cos(0.5f))},
        {"back upright", 0.0f, 0.0f, D3DXQUATERNION(0, 0, 0, 1)},
        {"spun the other way", 0.0f, -1.0f, D3DXQUATERNION(0, -std::sin(0.5f), 0, std::cos(0.5f))},
    };
    // Below the hardest difficulty the step leaves the angles where the case puts them.
    gSettings::cam_speed = 2;
    car->mCrashed = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        car->mTumbleAngle = c.tumble;
        car->mSpinAngle = c.spin;
        Object("car2").SetRotation(D3DXQUATERNION(0.5f, 0.5f, 0.5f, 0.5f));  // turned by someone else
        Step(10.0f);
        ExpectQuatNear(Object("car2").GetRotation(), c.rotation);
    }
}
