// The vehicle step: wheel rays become suspension, damping, side friction and drive forces; drag, nitro
// and braking pushes are added; the pose objects of the model follow the visual pitch and yaw.
#include <algorithm>
#include <cmath>
#include <limits>

#include "Render/PRender.h"
#include "core/Angles.h"
#include "core/BitExact.h"
#include "core/CPGameObject.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "simulation/level/CPLevel.h"
#include "simulation/physics/PhysController.h"
#include "simulation/physics/PhysMath.h"
#include "simulation/physics/PhysRigidBody.h"
#include "simulation/physics/PhysSensor.h"
#include "simulation/vehicle/CPCar.h"

using PhysMath::Cross;
using PhysMath::Dot;
using PhysMath::SafeNormalize;
using PhysMath::Xyz;

namespace {
constexpr int32_t kHardestDifficulty = 3;
constexpr float kNitroTopSpeed = 27.777779f;  // units per second above which nitro pushes no more
constexpr uint32_t kDebugRayColour = 0xFFFF00FF;

D3DXVECTOR3 Row(const D3DXMATRIX& m, int r) { return {m.m[r][0], m.m[r][1], m.m[r][2]}; }

// v x R for the rotation rows of a row-vector transform.
D3DXVECTOR3 Rotate(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
    return Row(m, 0) * v.x + Row(m, 1) * v.y + Row(m, 2) * v.z;
}

float Sign(float value) { return value > 0.0f ? 1.0f : (value < 0.0f ? -1.0f : 0.0f); }

D3DXQUATERNION PoseRotation(float aboutX, float aboutY) {
    D3DXMATRIX x, y, both;
    D3DXMatrixRotationX(&x, aboutX);
    D3DXMatrixRotationY(&y, aboutY);
    D3DXMatrixMultiply(&both, &x, &y);
    D3DXQUATERNION q;
    D3DXQuaternionRotationMatrix(&q, &both);
    return q;
}

void Turn(CPGameObject* object, const D3DXQUATERNION& rotation) {
    if (!object) return;
    object->SetRotation(rotation);
    object->UpdateTransform();
}

// The largest side force a wheel may push with, along `push`, without carrying its sideways slip (of
// size `slip`, along `slipDirection`) past zero within the step: Coulomb friction in a discrete step.
// A fixed force would overshoot a small slip and flip it, and the yaw torques with it, every step.
// Alone, a wheel's bound would be its effective mass at the contact times slip / step; but all the
// wheels on the ground push the same body at once, and four such pushes would reverse a plain sideways
// slide three times over. Divided among the n `sharers`, the joint push cannot reverse the slips however
// the wheels' responses couple: with K the wheels' response matrix and D its diagonal, K D^-1 / n has its
// eigenvalues within [0, 1].
float SideGripLimit(const PhysRigidBody& body, const D3DXVECTOR3& arm, const D3DXVECTOR3& push,
                    const D3DXVECTOR3& slipDirection, float slip, float seconds, int32_t sharers) {
    const float response = -body.VelocityChangePerImpulse(arm, push, slipDirection);
    if (!(response > 0.0f) || !(seconds > 0.0f)) return std::numeric_limits<float>::infinity();
    return slip / (response * seconds * static_cast<float>(std::max(sharers, 1)));
}
}  // namespace

void CPCar::OnPhysicsStep(PhysController* controller, float dt) {
    PhysRigidBody* body = controller ? controller->GetBody() : nullptr;
    if (!body) return;
    const int32_t difficulty = gSettings::cam_speed;

    FadeSlide(dt);
    ReadBodyFrame(*body);
    for (bool& touching : mTouching) touching = false;
    D3DXVECTOR3 force(0.0f, 0.0f, 0.0f), torque(0.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 v = Xyz(body->velocity);
    mVelocity = v;
    mSpeed = PhysMath::SafeLength(v);
    // The wheels push along the heading and with the drive of this step: both are settled before them.
    SteerWheels(*body);
    mContactSum = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    if (mCrashed) WindDownCrashedDrive(difficulty, dt);
    for (int32_t i = 0; i < mWheelCount; ++i) UpdateWheel(i, dt, force, torque);
    mContactSum = mContactSum * 0.25f;
    for (int32_t i = 0; i < mWheelCount; ++i) UpdateWheelMeshes(i, dt, v);

    // Forward drag.
    const D3DXVECTOR3 Y = Row(mBodyTransform, 1);
    force += Y * (-0.5f * Dot(v, Y));

    // The visual pitch decides the pose, which decides the lean's pace and the pushes.
    PitchIntoPose(dt);
    LeanAndSpin(difficulty, dt);
    ShowPose();
    PushWithNitro(dt);
    const D3DXVECTOR3 braking = BrakingPush(*body, dt);

    mCameraSteer = mSteer * (mSlideAmount > 0.0f ? -2.0f : -1.0f);
    controller->SetForce(PhysMath::Direction(force + mNitroPush + braking));
    controller->SetTorque(PhysMath::Direction(torque));
    mSoundTimer += dt;
    UpdateSounds();
}

void CPCar::FadeSlide(float dt) {
    // Sliding sets in with the brake and drift held, and fades otherwise.
    if (mBrakeInput && mDriftInput)
        mSlideAmount = mSlide;
    else
        mSlideAmount = std::max(0.0f, mSlideAmount - 3.0f * dt);
}

void CPCar::ReadBodyFrame(PhysRigidBody& body) {
    mBodyTransform = body.GetTransform();
    const D3DXVECTOR3 X = Row(mBodyTransform, 0), Y = Row(mBodyTransform, 1), Z = Row(mBodyTransform, 2);
    const D3DXVECTOR3 position = Row(mBodyTransform, 3);
    D3DXMatrixIdentity(&mInverseTransform);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) mInverseTransform.m[r][c] = mBodyTransform.m[c][r];
    mInverseTransform.m[3][0] = -Dot(position, X);
    mInverseTransform.m[3][1] = -Dot(position, Y);
    mInverseTransform.m[3][2] = -Dot(position, Z);
}

void CPCar::SteerWheels(const PhysRigidBody& body) {
    // Less steering at speed unless sliding; a hard spin while sliding counter-steers.
    const float f = mSlideAmount != 0.0f ? 1.0f : 1.0f - std::min(0.025f * mSpeed, 0.9f);
    float angle = f * mSteer;
    if (mSlideAmount == mSlide && std::fabs(body.state.angularMomentum.z) > 4.0f) angle = -f * mSteer;
    D3DXVECTOR3 heading = Rotate(D3DXVECTOR3(std::sin(angle), std::cos(angle), 0.0f), mBodyTransform);
    heading.z = 0.0f;
    mWheelHeading = SafeNormalize(heading);
}

void CPCar::WindDownCrashedDrive(int32_t difficulty, float dt) {
    mDrive = difficulty == kHardestDifficulty ? mDrive * (1.0f - dt) : 0.0f;
    mCrashTime += dt;
}

void CPCar::PitchIntoPose(float dt) {
    // The stop pedal pitches the body back into the stopping pose; nitro pitches it forward.
    mMainPose = true;
    mStopPose = false;
    mNitroPose = false;
    if (mStopInput) {
        mNitro = 0.0f;
        mVisualPitch += 2.0f * dt * (0.5f - mVisualPitch);
        if (mVisualPitch < 0.0f) {
            mPushAmount = 0.0f;
        } else {
            mStopPose = true;
            mMainPose = false;
        }
    } else {
        mVisualPitch += 2.0f * dt * (-0.5f * mNitro - mVisualPitch);
        if (mVisualPitch > 0.0f)
            mMainPose = false;
        else if (mNitro > 0.0f)
            mNitroPose = true;
    }
}

void CPCar::LeanAndSpin(int32_t difficulty, float dt) {
    // The crashed body spins and tumbles; otherwise it leans into the steering.
    if (mCrashed && difficulty == kHardestDifficulty) {
        mVisualYaw -= 3.0f * dt * mVisualYaw;
        mSpinAngle += 3.0f * dt * (mSpinTarget - mSpinAngle);
        mTumbleAngle += mSpeed * mTumbleRate * dt * 0.1f;
    } else {
        const float s = mStopPose ? 1.0f : 2.0f;
        mVisualYaw += dt * (-s * mSteer - mVisualYaw);
    }
}

void CPCar::ShowPose() {
    // "bike" in the main pose, "bike01" while pitched back or stopping; the lights follow the pedals.
    CPSmartPtr<CPGameObject> mainObject = FindPart(kPartBike);
    CPSmartPtr<CPGameObject> otherObject = FindPart(kPartBike01);
    CPGameObject* shown = mMainPose ? mainObject.Get() : otherObject.Get();
    CPGameObject* hidden = mMainPose ? otherObject.Get() : mainObject.Get();
    mYawDegrees = D3DXToDegree(mVisualYaw);
    mPitchDegrees = D3DXToDegree(mVisualPitch);
    if (shown) shown->SetVisible(true);
    if (hidden) hidden->SetVisible(false);
    if (mBrakeInput)
        SetBrakeLights(mBrakeInput, mDriftInput);
    else
        SetStopLights(mStopInput);
    // The rotations are made only for objects that are there to turn.
    if (shown) Turn(shown, PoseRotation(mVisualPitch, mVisualYaw));
    if (CPSmartPtr<CPGameObject> body = FindPart(kPartCar2)) Turn(body.Get(), CrashedBodyPose());
    mPitchMagnitude = -std::fabs(mVisualPitch);
}

const D3DXQUATERNION& CPCar::CrashedBodyPose() {
    KeptPose& kept = mCrashedBodyPose;
    if (!kept.made || !SameBits(kept.aboutX, mTumbleAngle) || !SameBits(kept.aboutY, mSpinAngle)) {
        kept.rotation = PoseRotation(mTumbleAngle, mSpinAngle);
        kept.aboutX = mTumbleAngle;
        kept.aboutY = mSpinAngle;
        kept.made = true;
    }
    return kept.rotation;
}

void CPCar::PushWithNitro(float dt) {
    // Nitro pushes forward, less as the car nears its top nitro speed.
    mNitroPush = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    if (!mNitroPose) return;
    const D3DXVECTOR3 forward = SafeNormalize(-Row(mBodyTransform, 1));
    const float gain = std::max(0.0f, (kNitroTopSpeed - mSpeed) * 20.0f);
    mNitroPush = forward * (gain * mAccelerationFront * mNitro * dt);
}

D3DXVECTOR3 CPCar::BrakingPush(const PhysRigidBody& body, float dt) {
    // The stop pedal and the brake without drift hold back a share of the speed along the body.
    const D3DXVECTOR3 Y = Row(mBodyTransform, 1);
    const float along = Dot(Xyz(body.velocity), Y);
    if (mStopPose) {
        mPushAmount += (2.0f * along - mPushAmount) * dt * 0.1f;
        return -Y * mPushAmount;
    }
    if (mBrakeInput && !mDriftInput) {
        mPushAmount += (0.5f * along - mPushAmount) * dt * 0.05f;
        return -Y * mPushAmount;
    }
    return D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

const CPCar::DriveDirection& CPCar::FrontDriveDirection() {
    if (!mFrontDrive.valid || !SameBits(mFrontDrive.from[0], mWheelHeading)) {
        mFrontDrive.from[0] = mWheelHeading;
        LayDriveDirection(-mWheelHeading, mFrontDrive);
    }
    return mFrontDrive;
}

const CPCar::DriveDirection& CPCar::RearDriveDirection(const D3DXVECTOR3& normal) {
    const D3DXVECTOR3 X = Row(mBodyTransform, 0);
    if (mRearDrive.valid && SameBits(mRearDrive.from[0], X) && SameBits(mRearDrive.from[1], normal)) return mRearDrive;
    if (!mRearTurnValid || !SameBits(mRearTurnAxis, X)) {
        mRearTurnAxis = X;
        D3DXMatrixRotationAxis(&mRearTurn, &X, kHalfPi);
        mRearTurnValid = true;
    }
    D3DXVECTOR3 d;
    D3DXVec3TransformCoord(&d, &normal, &mRearTurn);
    mRearDrive.from[0] = X;
    mRearDrive.from[1] = normal;
    LayDriveDirection(d, mRearDrive);
    return mRearDrive;
}

void CPCar::LayDriveDirection(const D3DXVECTOR3& towards, DriveDirection& out) {
    out.direction = SafeNormalize(towards);
    const D3DXVECTOR3 flat = SafeNormalize(D3DXVECTOR3(out.direction.x, out.direction.y, 0.0f));
    out.slope = ClampedAcos(Dot(out.direction, flat));
    out.valid = true;
}

int32_t CPCar::GroundedWheels() const {
    int32_t grounded = 0;
    for (int32_t i = 0; i < std::min(mWheelCount, kMaxWheels); ++i)
        if (mSensors[i] && mSensors[i]->GetHitDepth() > 0.0f) ++grounded;
    return grounded;
}

void CPCar::UpdateWheel(int32_t i, float seconds, D3DXVECTOR3& force, D3DXVECTOR3& torque) {
    if (i < 0 || i >= kMaxWheels) return;
    const PhysSensor* sensor = mSensors[i];
    const float depth = sensor ? sensor->GetHitDepth() : 0.0f;
    if (!(depth > 0.0f)) {
        mAirborne[i] = true;
        return;
    }
    const auto* body = static_cast<const PhysRigidBody*>(mController ? mController->GetBody() : nullptr);
    const WheelContact contact = TouchGround(i, *sensor, depth, body);
    AddSuspension(i, contact, depth, body, force, torque);
    AddSideGrip(i, contact, body, seconds, force, torque);
    // A locked unit is held in place instead of driven.
    if (mHeld)
        AddHolding(i, contact, force, torque);
    else
        AddDrive(i, contact, force, torque);
}

CPCar::WheelContact CPCar::TouchGround(int32_t i, const PhysSensor& sensor, float depth, const PhysRigidBody* body) {
    const bool front = i < 2;
    const D3DXVECTOR3 position = Row(mBodyTransform, 3);
    WheelContact contact;
    contact.hit = Xyz(sensor.GetHitPoint());
    mContactSum += contact.hit;
    contact.rayStart = Rotate(Xyz(sensor.GetStart()), mBodyTransform);
    if (mDebug && gRenderer) gRenderer->AddDebugLine(kDebugRayColour, contact.rayStart + position, contact.hit);
    mTouching[i] = true;
    mContactPoints[i] = contact.hit;
    mAirborne[i] = false;

    // How far the wheel hangs from its rest height, within its pins.
    const float limit = front ? mFrontMinRadius : mBackMinRadius;
    if (mFixedMax)
        mWheelOffsets[i] = mWheelRadius - mRayLength;
    else if (mFixedMin)
        mWheelOffsets[i] = limit;
    else
        mWheelOffsets[i] = std::min(mWheelRadius - (mRayLength - depth), limit);

    contact.normal = Xyz(sensor.GetHitNormal());
    if (contact.normal.z < 0.0f) contact.normal = -contact.normal;
    contact.arm = contact.hit - position;
    contact.velocity = body ? body->VelocityAtPoint(contact.arm) : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    mRollingSpeeds[i] = -Dot(contact.velocity, Row(mBodyTransform, 1));
    return contact;
}

void CPCar::AddSuspension(int32_t i, const WheelContact& contact, float depth, const PhysRigidBody* body,
                          D3DXVECTOR3& force, D3DXVECTOR3& torque) const {
    // Spring and damper along the ground normal, at the ray's start.
    const D3DXVECTOR3& n = contact.normal;
    const D3DXVECTOR3 spring = n * (depth * (i < 2 ? mSpringFront : mSpringBack));
    force += spring;
    torque += Cross(contact.rayStart, spring);
    const D3DXVECTOR3 w1 = body ? body->VelocityAtPoint(contact.rayStart) : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 damping = n * (-mDamping * Dot(w1, n));
    force += damping;
    torque += Cross(contact.rayStart, damping);
}

void CPCar::AddSideGrip(int32_t i, const WheelContact& contact, const PhysRigidBody* body, float seconds,
                        D3DXVECTOR3& force, D3DXVECTOR3& torque) const {
    // Side friction at the contact, across the wheel's rolling direction.
    const bool front = i < 2;
    const D3DXVECTOR3& n = contact.normal;
    const D3DXVECTOR3& w2 = contact.velocity;
    const D3DXVECTOR3 t = w2 - n * Dot(w2, n);
    const D3DXVECTOR3 axis = front ? mWheelHeading : Row(mBodyTransform, 1);
    const D3DXVECTOR3 slip = t - axis * Dot(t, axis);
    const D3DXVECTOR3 s = SafeNormalize(slip);
    const float hold = mHeld ? 0.1f : 1.0f;
    float sideGrip = hold * (front ? mFrictionFront : mFrictionBack);
    if (!front && mPlayerCar) sideGrip *= 1.0f - mSlideAmount;
    // Only the ground-plane part pushes.
    const D3DXVECTOR3 push(-s.x, -s.y, 0.0f);
    if (body)
        sideGrip = std::min(sideGrip, SideGripLimit(*body, contact.arm, push, s, Dot(slip, s), seconds, GroundedWheels()));
    const D3DXVECTOR3 flatSide = push * sideGrip;
    force += flatSide;
    torque += Cross(contact.arm, flatSide);
}

void CPCar::AddHolding(int32_t i, const WheelContact& contact, D3DXVECTOR3& force, D3DXVECTOR3& torque) const {
    const D3DXVECTOR3 Y = Row(mBodyTransform, 1);
    const D3DXVECTOR3 d = i < 2 ? -mWheelHeading : -Y;
    const D3DXVECTOR3 holding = d * (2.0f * Dot(contact.velocity, Y));
    force += holding;
    torque += Cross(contact.arm, holding * mInertionPitch);
}

void CPCar::AddDrive(int32_t i, const WheelContact& contact, D3DXVECTOR3& force, D3DXVECTOR3& torque) {
    // The direction and the slope serve only the push: without drive neither is made.
    if (mDrive == 0.0f) return;
    // Front wheels drive along their heading, rear wheels along the ground under them; slopes get more force.
    const DriveDirection& along = i < 2 ? FrontDriveDirection() : RearDriveDirection(contact.normal);
    const D3DXVECTOR3& d = along.direction;
    const float slope = along.slope;
    const float acceleration = mDrive > 0.0f ? mAccelerationFront : mAccelerationBack;
    const float amount = std::min(std::fabs(mDrive) / 3.0f, 1.0f);
    // The player's car loses grip off the road, down to 30 %.
    const float offRoad = mPlayerCar && gLevel ? gLevel->mOffRoad : 0.0f;
    const float grip = mPlayerCar ? 1.0f - std::min(0.1f * offRoad, 0.7f) : 1.0f;
    const D3DXVECTOR3 drive = d * ((1.0f + 5.0f * std::fabs(slope)) * Sign(mDrive) * amount * acceleration * grip);
    force += drive;
    torque += Cross(contact.arm, drive);
}
