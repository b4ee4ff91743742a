#include "Render/CPCamera.h"

#include <algorithm>
#include <cmath>

#include "Render/PRender.h"
#include "Render/ScriptValues.h"
#include "core/Angles.h"
#include "core/FrameClock.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "platform/RuntimeRandom.h"
#include "simulation/level/CPLevel.h"
#include "simulation/units/CPPlayer.h"
#include "simulation/vehicle/CPCar.h"

namespace {
constexpr float kMaxStep = 0.1f;                  // seconds: longer frames ease as if they were this long
constexpr float kLowestSpeedPitch = -0.0872665f;  // -5 degrees
constexpr float kFixedHeadingTurn = 0.75f * D3DX_PI;
constexpr int32_t kHardestDifficulty = 3;         // "cam_speed" at which a crash shakes by the speed
constexpr float kSecondFar = 2000.0f;

// A quotient whose divisor the level has not set yet counts as nothing instead of an infinity that
// would poison every later frame.
float SafeQuotient(float numerator, float divisor) { return divisor != 0.0f ? numerator / divisor : 0.0f; }

// One draw of the runtime generator mapped to [-1, 1].
float SignedRandom() {
    const float r = static_cast<float>(RuntimeRand());
    return r * (1.0f / 32767.0f) * 2.0f - 1.0f;
}

CPPerspectiveCamera* MakeCamera(float fov, float farDistance) {
    auto* camera = new CPPerspectiveCamera();
    camera->SetFieldOfView(fov);
    camera->SetNear(1.0f);
    camera->SetFar(farDistance);
    camera->SetUp(D3DXVECTOR3(0.0f, 0.0f, 1.0f));
    return camera;
}

// Deletes a camera the chase camera made, unless its owner link has already gone.
void DeleteOwned(CPSmartPtr<CPPerspectiveCamera>& camera) {
    CPPerspectiveCamera* object = camera.Get();
    ReleaseIfAlive(camera);
    if (object && gObjectRegistry::Contains(object)) delete object;
}
}  // namespace

CPCamera::CPCamera() : mYaw(-kHalfPi) {
    const float fov = D3DXToRadian(mFov);
    mMainCamera = MakeCamera(fov, static_cast<float>(gSettings::distance));
    mSecondCamera = MakeCamera(fov, kSecondFar);
    g_pCurrentCamera = mMainCamera.Get();
}

CPCamera::~CPCamera() {
    DeleteOwned(mMainCamera);
    DeleteOwned(mSecondCamera);
    ReleaseIfAlive(mPartitionRoot);
    for (CPSmartPtr<CPRefObject>& held : mHeldObjects) ReleaseIfAlive(held);
    mHeldObjects.clear();
}

void CPCamera::AttachMainView(int32_t key) {
    if (gRenderer) gRenderer->SetLayerCamera(key, mMainCamera);
}

void CPCamera::AttachSecondView(int32_t key) {
    if (gRenderer) gRenderer->SetLayerCamera(key, mSecondCamera);
}

void CPCamera::PlaceCameras(const D3DXVECTOR3& eye, const D3DXVECTOR3& target, const D3DXVECTOR3& up) {
    for (CPPerspectiveCamera* camera : {mMainCamera.Get(), mSecondCamera.Get()}) {
        camera->SetEye(eye);
        camera->SetUp(up);
        camera->SetTarget(target);
    }
}

void CPCamera::Update() {
    if (mFixedView) {
        if (!mChanged) return;
        PlaceCameras(mFixedEye, mFixedTarget, mFixedUp);
        mMainCamera->Update();
        mSecondCamera->Update();
        return;
    }
    if (!mChanged && mYaw == mReferenceYaw) return;

    CPLevel* level = gLevel;
    CPCar* car = level && level->mPlayer ? level->mPlayer->GetCar() : nullptr;
    if (!car) return;

    const float dt = std::min(gDeltaTime, kMaxStep);

    // Field of view and distance ease towards their targets.
    mFov += (mTargetFov - mFov) * dt * 2.0f;
    mDistance += (mTargetDistance - mDistance) * dt * 2.0f;
    mMainCamera->SetFieldOfView(D3DXToRadian(mFov));
    mSecondCamera->SetFieldOfView(D3DXToRadian(mFov));

    // Faster driving tilts the view down, never by less than -5 degrees of speed pitch.
    const float speedPitch = std::max(SafeQuotient(mSpeed, mReferenceSpeed) * 5.0f, kLowestSpeedPitch);
    mPitchOffset += ((mPitchOffsetBase - speedPitch) - mPitchOffset) * dt * 5.0f;

    // The car's heading in the ground plane, swung by its drift.
    D3DXVECTOR3 heading(level->mForward.x, level->mForward.y, 0.0f);
    D3DXVec3Normalize(&heading, &heading);
    mYaw = HeadingOf(heading);
    mDriftFollow += (car->mCameraSteer - mDriftFollow) * dt * 6.0f;
    mYaw += mDriftFollow;
    if (mYaw < 0.0f) mYaw += kTwoPi;
    if (level->mFixedHeadingSet || (car->mCrashed && gSettings::cam_speed == kHardestDifficulty))
        mYaw = level->mFixedHeading + kFixedHeadingTurn;

    // The smoothed yaw follows the short way round.
    if (mYaw - mSmoothedYaw > D3DX_PI) {
        mSmoothedYaw += kTwoPi;
    } else if (mYaw - mSmoothedYaw < -D3DX_PI) {
        mSmoothedYaw -= kTwoPi;
    }
    mSmoothedYaw += (mYaw - mSmoothedYaw) * std::min(dt * 4.0f, 1.0f);

    UpdateShake(car->mCrashed, car->mCrashTime, dt);

    // Orbit about the focus point.
    const float yaw = mSmoothedYaw + (gTempValue == 0.0f ? level->mCameraYawOffset : 0.0f);
    const float pitch = (mPitch - kHalfPi) + SafeQuotient(mEasedAmplitude, mReferenceSpeed) + mPitchOffset;
    D3DXMATRIX pitchTurn, yawTurn, orbit;
    D3DXMatrixRotationY(&pitchTurn, pitch);
    D3DXMatrixRotationZ(&yawTurn, yaw);
    D3DXMatrixMultiply(&orbit, &pitchTurn, &yawTurn);
    const D3DXVECTOR3 zAxis(0.0f, 0.0f, 1.0f), xAxis(1.0f, 0.0f, 0.0f);
    D3DXVECTOR3 offset;
    D3DXVec3TransformCoord(&offset, &zAxis, &orbit);

    // Speed pulls the camera in; it never comes closer than half its distance, dropping instead.
    const float wanted = (mDistance - SafeQuotient(mSpeed, mDistanceSpeedScale)) +
                         SafeQuotient(mEasedAmplitude, mDistanceSpeedScale);
    const float half = mDistance * 0.5f;
    const float used = half > wanted ? half : wanted;
    offset *= used;
    if (used != wanted) offset.z += wanted - used;

    D3DXVECTOR3 target = mFocus + mShakeOffset;
    const D3DXVECTOR3 eye = mFocus + offset;
    D3DXVECTOR3 up;
    D3DXVec3TransformCoord(&up, &xAxis, &orbit);
    D3DXVECTOR3 view = target - eye;
    D3DXVec3Normalize(&view, &view);
    D3DXVec3Normalize(&up, &up);
    D3DXVec3Cross(&mSide, &view, &up);
    D3DXMATRIX tilt;
    D3DXMatrixRotationAxis(&tilt, &mSide, -mPitchOffset);
    D3DXVec3TransformCoord(&up, &up, &tilt);
    D3DXVec3TransformCoord(&view, &view, &tilt);
    target = eye + view;
    D3DXMATRIX roll;
    D3DXMatrixRotationAxis(&roll, &view, car->mVisualYaw * -0.5f);
    D3DXVec3TransformCoord(&up, &up, &roll);
    PlaceCameras(eye, target, up);

    mMainCamera->Update();
    mSecondCamera->Update();
}

void CPCamera::UpdateShake(bool crashed, float crashTime, float dt) {
    if (!crashed) {
        mShakeOffset = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        return;
    }
    if (gSettings::cam_speed != kHardestDifficulty) {
        // A dying swing along the side vector, gone at 3 s (and back with the other sign after it).
        const float swing = std::sin(crashTime * 30.0f);
        mShakeOffset = mSide * ((3.0f - crashTime) * gDeltaTime * 0.5f) * swing;
        return;
    }
    // The hardest difficulty shakes by the speed: the amplitude chases sudden speed changes, else decays.
    if (mSpeed <= mShakeAmplitude) {
        mShakeAmplitude = 0.0f;
    } else if (std::fabs(mSpeed - mPreviousSpeed) / dt > 3.0f) {
        mShakeAmplitude += (mSpeed - mShakeAmplitude) * dt;
    } else {
        mShakeAmplitude -= mShakeAmplitude * dt;
    }
    mPreviousSpeed = mSpeed;
    mEasedAmplitude += (mShakeAmplitude - mEasedAmplitude) * dt;

    float step = dt * mShakeAmplitude;
    D3DXVECTOR3 toTarget = mShakeTarget - mShakeOffset;
    const float remaining = D3DXVec3Length(&toTarget);
    if (step > remaining) {
        step = remaining;
        const float scale = mShakeAmplitude * 0.001f;
        const float x = SignedRandom() * scale;
        const float y = SignedRandom() * scale;
        const float z = SignedRandom() * scale;
        mShakeTarget = D3DXVECTOR3(x, y, z);
    }
    D3DXVec3Normalize(&toTarget, &toTarget);
    mShakeOffset += toTarget * step * 1.8f;
}
