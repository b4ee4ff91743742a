#include <gtest/gtest.h>

#include <cmath>

#include "Render/CPCamera.h"
#include "Render/PRender.h"
#include "Render/ScriptValues.h"
#include "core/Angles.h"
#include "core/config/Settings.h"
#include "platform/RuntimeRandom.h"
#include "support/FrameTimeScope.h"
#include "support/MathExpect.h"
#include "support/ScopedGlobal.h"
#include "support/ScopedLevel.h"

namespace {


class ChaseCameraTest : public ::testing::Test {
protected:
    ChaseCameraTest() {
        gSettings::RestoreInitialValues();
        gSettings::screenWidth = 800;
        gSettings::screenHeight = 600;
        gSettings::distance = 700;
        gSettings::cam_speed = 2;
        time.SetDelta(0.1f);
        // A camera settled behind a car heading along +x: nothing left to ease.
        level.Level().mForward = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
        camera.mFov = camera.mTargetFov = 60.0f;
        camera.mDistance = camera.mTargetDistance = 10.0f;
        camera.mReferenceSpeed = 40.0f;
        camera.mDistanceSpeedScale = 1.0f;
        camera.mPitch = 0.3f;
        camera.mFocus = D3DXVECTOR3(5.0f, 6.0f, 7.0f);
    }
    ~ChaseCameraTest() override {
        gSettings::RestoreInitialValues();
    }

    const CPPerspectiveCamera& Main() const { return *camera.GetViewCamera(); }
    D3DXVECTOR3 EyeOffset() const { return Main().GetEye() - camera.mFocus; }

    FrameTimeScope time;
    ScopedGlobal<float> scriptValue{gTempValue, 0.0f};
    ScopedLevel level;
    CPCamera camera;
};

TEST_F(ChaseCameraTest, ConstructionMakesTwoCamerasAndPublishesTheMainOne) {
    CPCamera fresh;  // after the fixture's "distance" of 700
    EXPECT_EQ(g_pCurrentCamera, fresh.GetViewCamera().Get());
    EXPECT_NE(fresh.GetViewCamera().Get(), fresh.GetSecondCamera().Get());
    EXPECT_FLOAT_EQ(fresh.GetViewCamera()->GetFar(), 700.0f);
    EXPECT_FLOAT_EQ(fresh.GetSecondCamera()->GetFar(), 2000.0f);
    for (const CPPerspectiveCamera* view : {fresh.GetViewCamera().Get(), fresh.GetSecondCamera().Get()}) {
        EXPECT_FLOAT_EQ(view->GetNear(), 1.0f);
        EXPECT_EQ(view->GetUp(), D3DXVECTOR3(0.0f, 0.0f, 1.0f));
        EXPECT_TRUE(view->IsViewChanged());
        EXPECT_TRUE(view->IsProjectionChanged());
    }
    EXPECT_EQ(fresh.mYaw, -kHalfPi);
    EXPECT_TRUE(fresh.mChanged);
    EXPECT_EQ(fresh.mFov, 0.0f);
}

TEST_F(ChaseCameraTest, AttachedViewsLeaveTheLayersAndTheCurrentCameraWhenDestroyed) {
    PRender renderer;
    ScopedGlobal<PRender*> installRenderer(gRenderer, &renderer);
    {
        CPCamera attached;
        attached.AttachMainView(16);
        attached.AttachSecondView(120);
        EXPECT_EQ(renderer.GetLayers().at(16).mCamera.Get(), attached.GetViewCamera().Get());
        EXPECT_EQ(renderer.GetLayers().at(120).mCamera.Get(), attached.GetSecondCamera().Get());
    }
    EXPECT_EQ(renderer.GetLayers().at(16).mCamera.Get(), nullptr);
    EXPECT_EQ(renderer.GetLayers().at(120).mCamera.Get(), nullptr);
    EXPECT_EQ(g_pCurrentCamera, nullptr);
}

// The eye sits behind the car's heading and above it by the pitch; the view looks at the focus point.
TEST_F(ChaseCameraTest, EyeOrbitsBehindTheCarsHeading) {
    struct Case {
        const char* name;
        D3DXVECTOR3 forward;
        float yaw;  // the smoothed yaw the heading gives
    } cases[] = {
        {"+x", {1, 0, 0}, 0.0f},
        {"+y", {0, 2, 0}, kHalfPi},
        {"-x", {-3, 0, 0}, D3DX_PI},
        {"-y", {0, -1, 0}, -kHalfPi + kTwoPi},
        {"climbing +x", {1, 0, 5}, 0.0f},  // the height of the heading does not count
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        level.Level().mForward = c.forward;
        camera.mSmoothedYaw = c.yaw;
        camera.Update();
        D3DXVECTOR3 flat(c.forward.x, c.forward.y, 0.0f);
        D3DXVec3Normalize(&flat, &flat);
        const D3DXVECTOR3 expected = (-flat * std::cos(0.3f) + D3DXVECTOR3(0, 0, std::sin(0.3f))) * 10.0f;
        ExpectVec3Near(EyeOffset(), expected, 1e-4f);
        D3DXVECTOR3 view = camera.mFocus - Main().GetEye();
        D3DXVec3Normalize(&view, &view);
        ExpectVec3Near(Main().GetTarget(), Main().GetEye() + view, 1e-4f);
        EXPECT_NEAR(D3DXVec3Dot(&view, &Main().GetUp()), 0.0f, 1e-5f);
        ExpectVec3Near(camera.GetSecondCamera()->GetEye(), Main().GetEye());
        ExpectVec3Near(camera.GetSecondCamera()->GetTarget(), Main().GetTarget());
        EXPECT_FALSE(Main().IsViewChanged());  // both cameras ran their update
        EXPECT_FALSE(camera.GetSecondCamera()->IsViewChanged());
    }
}

TEST_F(ChaseCameraTest, LongFramesEaseAsATenthOfASecond) {
    camera.mTargetFov = 70.0f;  // from 60
    camera.mTargetDistance = 20.0f;  // from 10
    time.SetDelta(0.5f);
    camera.Update();
    EXPECT_FLOAT_EQ(camera.mFov, 62.0f);
    EXPECT_FLOAT_EQ(camera.mDistance, 12.0f);
    EXPECT_FLOAT_EQ(Main().GetFieldOfView(), 62.0f * 0.017453292f);
    EXPECT_FLOAT_EQ(camera.GetSecondCamera()->GetFieldOfView(), 62.0f * 0.017453292f);
}

TEST_F(ChaseCameraTest, SmoothedYawTakesTheShortWayAcrossZero) {
    level.Level().mForward = D3DXVECTOR3(std::cos(0.01f), std::sin(0.01f), 0.0f);
    camera.mSmoothedYaw = 0.01f;
    camera.Update();
    EXPECT_NEAR(camera.mSmoothedYaw, 0.01f, 1e-5f);

    level.Level().mForward = D3DXVECTOR3(std::cos(0.01f), -std::sin(0.01f), 0.0f);
    camera.Update();
    EXPECT_NEAR(camera.mYaw, kTwoPi - 0.01f, 1e-5f);
    // Shifted by a full turn, then 40 % of the way (dt 0.1 x 4) towards the new yaw.
    EXPECT_NEAR(camera.mSmoothedYaw, kTwoPi + 0.01f - 0.02f * 0.4f, 1e-5f);
}

TEST_F(ChaseCameraTest, DriftIsFollowedAndAddedToTheYaw) {
    level.Car().mCameraSteer = 0.5f;
    camera.Update();
    EXPECT_FLOAT_EQ(camera.mDriftFollow, 0.5f * 0.1f * 6.0f);
    EXPECT_FLOAT_EQ(camera.mYaw, 0.3f);
}

TEST_F(ChaseCameraTest, FixedHeadingOverridesTheCar) {
    struct Case {
        const char* name;
        bool fixedHeadingSet;
        bool crashed;
        int32_t difficulty;
        bool fixed;
    } cases[] = {
        {"race over", true, false, 2, true},
        {"crashed at the hardest difficulty", false, true, 3, true},
        {"crashed at another difficulty", false, true, 2, false},
        {"driving", false, false, 3, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        level.Level().mFixedHeadingSet = c.fixedHeadingSet;
        level.Level().mFixedHeading = 1.0f;
        level.Car().mCrashed = c.crashed;
        level.Car().mCameraSteer = 0.2f;
        gSettings::cam_speed = c.difficulty;
        camera.mDriftFollow = 0.2f;
        camera.Update();
        EXPECT_FLOAT_EQ(camera.mYaw, c.fixed ? 1.0f + 2.3561945f : 0.2f);
    }
}

TEST_F(ChaseCameraTest, ScriptValueSwitchesTheLevelsYawOffset) {
    level.Level().mCameraYawOffset = kHalfPi;
    camera.Update();
    // Turned by a quarter: behind the car is now -y.
    ExpectVec3Near(EyeOffset(), D3DXVECTOR3(0, -std::cos(0.3f), std::sin(0.3f)) * 10.0f, 1e-4f);

    gTempValue = 2.0f;
    camera.Update();
    ExpectVec3Near(EyeOffset(), D3DXVECTOR3(-std::cos(0.3f), 0, std::sin(0.3f)) * 10.0f, 1e-4f);
}

TEST_F(ChaseCameraTest, CameraComesNoCloserThanHalfItsDistanceAndDropsInstead) {
    camera.mPitch = kHalfPi;  // straight above the focus
    camera.mSpeed = 8.0f;     // D = 10 - 8 = 2 < 5
    camera.Update();
    // The eye stays 5 away along its direction and drops by 3.
    const D3DXVECTOR3 lifted = EyeOffset() - D3DXVECTOR3(0, 0, -3);
    EXPECT_NEAR(D3DXVec3Length(&lifted), 5.0f, 1e-4f);

    camera.mSpeed = 2.0f;  // D = 8 > 5: no drop
    camera.Update();
    const D3DXVECTOR3 offset = EyeOffset();
    EXPECT_NEAR(D3DXVec3Length(&offset), 8.0f, 1e-4f);
}

TEST_F(ChaseCameraTest, RollTurnsTheUpVectorAboutTheViewByHalfTheCarsRoll) {
    camera.Update();
    const D3DXVECTOR3 level0 = Main().GetUp();
    level.Car().mVisualYaw = 0.4f;
    camera.Update();
    const D3DXVECTOR3 rolled = Main().GetUp();
    EXPECT_NEAR(std::acos(D3DXVec3Dot(&level0, &rolled)), 0.2f, 1e-4f);
    ExpectVec3Near(Main().GetEye(), camera.mFocus + EyeOffset());
}

TEST_F(ChaseCameraTest, SpeedTiltsThePitchOffsetNotBelowMinusFiveDegrees) {
    camera.mSpeed = 20.0f;  // 20 / 40 x 5 = 2.5
    camera.mPitchOffsetBase = 0.5f;
    camera.Update();
    EXPECT_FLOAT_EQ(camera.mPitchOffset, (0.5f - 2.5f) * 0.1f * 5.0f);

    camera.mPitchOffset = 0.0f;
    camera.mSpeed = -40.0f;  // -5 would be below -5 degrees
    camera.Update();
    EXPECT_FLOAT_EQ(camera.mPitchOffset, (0.5f + 0.0872665f) * 0.1f * 5.0f);
}

// The pitch offset raises the orbit by itself and then tilts the view down by itself again about the
// side vector: heading +x, elevation e = 0.3 + p, and the view looks down by e + p.
TEST_F(ChaseCameraTest, PitchOffsetRaisesTheOrbitAndTiltsTheViewDownAboutTheSide) {
    const float p = 0.2f;
    camera.mPitchOffset = camera.mPitchOffsetBase = p;  // settled: nothing left to ease
    camera.Update();
    ASSERT_FLOAT_EQ(camera.mPitchOffset, p);
    const float e = 0.3f + p;
    ExpectVec3Near(EyeOffset(), D3DXVECTOR3(-std::cos(e), 0, std::sin(e)) * 10.0f, 1e-4f);
    ExpectVec3Near(camera.mSide, D3DXVECTOR3(0, -1, 0), 1e-5f);
    const D3DXVECTOR3 view = Main().GetTarget() - Main().GetEye();
    ExpectVec3Near(view, D3DXVECTOR3(std::cos(e + p), 0, -std::sin(e + p)), 1e-5f);
    ExpectVec3Near(Main().GetUp(), D3DXVECTOR3(std::sin(e + p), 0, std::cos(e + p)), 1e-5f);
}

TEST_F(ChaseCameraTest, NotCrashedTheShakeIsExactlyZero) {
    camera.mShakeOffset = D3DXVECTOR3(1, 2, 3);
    camera.Update();
    EXPECT_EQ(camera.mShakeOffset, D3DXVECTOR3(0, 0, 0));
    ExpectVec3Near(Main().GetTarget() - Main().GetEye(), -EyeOffset() / 10.0f, 1e-5f);
}

// Below the hardest difficulty a crash swings the look-at point along the last side vector by
// (3 - crash time) x the unclamped frame time / 2 x sin(30 x crash time).
TEST_F(ChaseCameraTest, CrashSwingShrinksToZeroAtThreeSecondsAndGrowsBackReversed) {
    camera.Update();
    const D3DXVECTOR3 side = camera.mSide;
    ASSERT_GT(D3DXVec3Length(&side), 0.5f);
    level.Car().mCrashed = true;
    time.SetDelta(0.5f);
    for (float crashTime : {0.05f, 1.0f, 3.0f, 4.0f}) {
        SCOPED_TRACE(crashTime);
        level.Car().mCrashTime = crashTime;
        camera.mSide = side;
        camera.Update();
        const float size = (3.0f - crashTime) * 0.5f * 0.5f * std::sin(crashTime * 30.0f);
        ExpectVec3Near(camera.mShakeOffset, side * size);
    }
}

TEST_F(ChaseCameraTest, HardestDifficultyShakesTowardsRandomTargets) {
    gSettings::cam_speed = 3;
    level.Car().mCrashed = true;
    camera.mSpeed = 10.0f;
    RuntimeSrand(77);

    // A sudden speed (10 in 0.1 s) raises the amplitude by (10 - 0) x 0.1; the offset is at its target
    // (zero), so it stays and a new target is drawn from three draws.
    camera.Update();
    EXPECT_FLOAT_EQ(camera.mShakeAmplitude, 1.0f);
    EXPECT_FLOAT_EQ(camera.mEasedAmplitude, 0.1f);
    EXPECT_EQ(camera.mShakeOffset, D3DXVECTOR3(0, 0, 0));
    RuntimeSrand(77);
    D3DXVECTOR3 target;
    target.x = (RuntimeRand() / 32767.0f * 2.0f - 1.0f) * 0.001f;
    target.y = (RuntimeRand() / 32767.0f * 2.0f - 1.0f) * 0.001f;
    target.z = (RuntimeRand() / 32767.0f * 2.0f - 1.0f) * 0.001f;
    ExpectVec3Near(camera.mShakeTarget, target, 1e-9f);

    // A steady speed lets the amplitude decay; the step (0.09) overshoots the short way to the target,
    // which is therefore reached and passed by the factor 1.8.
    camera.Update();
    EXPECT_FLOAT_EQ(camera.mShakeAmplitude, 0.9f);
    EXPECT_FLOAT_EQ(camera.mEasedAmplitude, 0.18f);
    ExpectVec3Near(camera.mShakeOffset, target * 1.8f, 1e-8f);
    // The eased amplitude widens the distance: D = 10 - 10 + 0.18, under half the distance, so the eye
    // stays 5 away and drops by 5 - 0.18.
    const D3DXVECTOR3 lifted = EyeOffset() - D3DXVECTOR3(0, 0, 0.18f - 5.0f);
    EXPECT_NEAR(D3DXVec3Length(&lifted), 5.0f, 1e-4f);

    camera.mSpeed = 0.0f;  // at or below the amplitude: the amplitude drops to 0
    camera.Update();
    EXPECT_EQ(camera.mShakeAmplitude, 0.0f);
}

TEST_F(ChaseCameraTest, FixedViewCopiesTheFixedVectorsOnlyWhileChanged) {
    camera.mFixedView = true;
    camera.mFixedEye = D3DXVECTOR3(1, 2, 3);
    camera.mFixedTarget = D3DXVECTOR3(4, 5, 6);
    camera.mFixedUp = D3DXVECTOR3(0, 1, 0);
    camera.Update();
    for (const CPPerspectiveCamera* view : {camera.GetViewCamera().Get(), camera.GetSecondCamera().Get()}) {
        EXPECT_EQ(view->GetEye(), D3DXVECTOR3(1, 2, 3));
        EXPECT_EQ(view->GetTarget(), D3DXVECTOR3(4, 5, 6));
        EXPECT_EQ(view->GetUp(), D3DXVECTOR3(0, 1, 0));
        EXPECT_FALSE(view->IsViewChanged());
    }

    // Changed clear: the perspective cameras are not even updated.
    camera.mChanged = false;
    camera.mFixedEye = D3DXVECTOR3(9, 9, 9);
    camera.GetViewCamera()->SetNear(2.0f);
    camera.Update();
    EXPECT_EQ(Main().GetEye(), D3DXVECTOR3(1, 2, 3));
    EXPECT_TRUE(Main().IsProjectionChanged());
}

TEST_F(ChaseCameraTest, UnchangedWithTheReferenceYawDoesNothing) {
    camera.Update();
    const D3DXVECTOR3 eye = Main().GetEye();
    camera.mChanged = false;
    camera.mReferenceYaw = camera.mYaw;
    camera.mFocus = D3DXVECTOR3(100, 100, 100);
    camera.Update();
    EXPECT_EQ(Main().GetEye(), eye);

    camera.mReferenceYaw = camera.mYaw + 1.0f;  // a different reference yaw runs the update
    camera.Update();
    EXPECT_NE(Main().GetEye(), eye);
}

TEST_F(ChaseCameraTest, MissingLevelPlayerOrCarSkipsTheFrame) {
    camera.Update();
    const D3DXVECTOR3 eye = Main().GetEye();
    camera.mFocus = D3DXVECTOR3(100, 100, 100);

    level.Player().SetCar(nullptr);
    camera.Update();
    level.Level().mPlayer = nullptr;
    camera.Update();
    {
        ScopedGlobal<CPLevel*> noLevel(gLevel, nullptr);
        camera.Update();
    }
    EXPECT_EQ(Main().GetEye(), eye);
    EXPECT_FLOAT_EQ(camera.mFov, 60.0f);
}

TEST_F(ChaseCameraTest, UnsetSpeedDivisorsDropTheirTermsInsteadOfPoisoningTheCamera) {
    camera.mReferenceSpeed = 0.0f;
    camera.mDistanceSpeedScale = 0.0f;
    camera.mSpeed = 30.0f;
    camera.Update();
    const D3DXVECTOR3 offset = EyeOffset();
    EXPECT_NEAR(D3DXVec3Length(&offset), 10.0f, 1e-4f);
    EXPECT_FLOAT_EQ(camera.mPitchOffset, 0.0f);
    EXPECT_TRUE(std::isfinite(Main().GetViewProjectionMatrix()._11));
}

}  // namespace
