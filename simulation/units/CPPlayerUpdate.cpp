// CPPlayer::Update and CheckRespawn: the per-frame rules of a race unit (wreck, defeat, turn arrows and
// drift bonus, stuck and tilt checks with the respawn on the race path, debris, gloom, flares, engine
// heat, controls, pick-ups, unlock).
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Render/CPCamera.h"
#include "Render/PEffectRecord.h"
#include "Render/PEffectSpawner.h"
#include "Render/PRender.h"
#include "core/Angles.h"
#include "core/CPCommandDispatcher.h"
#include "core/FloatToInt.h"
#include "core/FrameClock.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "platform/RuntimeRandom.h"
#include "simulation/level/CPGameData.h"
#include "simulation/level/CPLevel.h"
#include "simulation/level/CPLine.h"
#include "simulation/level/CPSpline.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "simulation/physics/PhysRigidBody.h"
#include "simulation/units/CPPlayer.h"
#include "simulation/vehicle/CPCar.h"

namespace {

constexpr int32_t kHardest = 3;
constexpr float kTiltLimit = 1.4835299f;  // 85 degrees

void Send(const char* target, const char* command, const std::string& text) {
    if (gCommandDispatcher) gCommandDispatcher->SendByName(target, command, text);
}

float CarSpeed(const CPCar* car) {
    if (!car) return 0.0f;
    const D3DXVECTOR3& v = car->mVelocity;
    const float squared = v.x * v.x + v.y * v.y + v.z * v.z;
    return squared < 1e-6f ? 0.0f : std::sqrt(squared);
}

void Spawn(CPEffectRecord& record) {
    if (gEmitterTable) gEmitterTable->SpawnEffect(record);
}

// The two boxes overlap: on each axis the centres lie at most the sum of the half extents apart.
bool BoxesOverlap(const D3DXVECTOR3& centreA, const D3DXVECTOR3& halfA, const CPAxisBox& b) {
    return std::fabs(centreA.x - b.mCentre.x) <= halfA.x + b.mHalfExtents.x &&
           std::fabs(centreA.y - b.mCentre.y) <= halfA.y + b.mHalfExtents.y &&
           std::fabs(centreA.z - b.mCentre.z) <= halfA.z + b.mHalfExtents.z;
}

}  // namespace

int32_t CPPlayer::GloomSparkCount(int32_t density) {
    if (density <= 0) return 0;
    // Single-precision divisions, truncated once at the end: 60 at the setting's default of 25.
    return TruncateToInt32(60.0f / (25.0f / static_cast<float>(density)));
}

void CPPlayer::Update(float step) {
    CPCar* car = GetCar();
    CPLevel* level = gLevel;
    if (mDamage >= 100.0f && mLocked) BurnAsWreck(car, step);
    if (mDamage >= 100.0f && HasSide(kSidePlayer)) ReportDefeat(step);
    // A wreck smokes and its defeat is reported, but it takes no further part in the race.
    if (mWrecked) return;
    if (mIsPlayer) ShowTurnArrowsAndDrift(car, level, step);
    if (!mLocked) mStuckTimer += step;
    CheckRespawn(false);
    if (car && car->mCrashed) ThrowCrashDebris(*car);
    if (mThrowTimer > 0.0f) mThrowTimer -= step;
    if (mRespawnCooldown > 0.0f) mRespawnCooldown -= step;
    if (mGloomView) RunGloomView(level, step);
    if (mInGloom) RunGloom(level, step);
    if (mFlaresForced) RunForcedFlares(car, step);
    UpdateEngineHeat(step);
    HandControlsToCar(car);
    // A pick-up acts on the controls just handed over; a lock it starts counts down from this step on.
    ApplyBonus();
    if (mUnlockPending) RunUnlock(car, step);
}

void CPPlayer::BurnAsWreck(CPCar* car, float step) {
    if (car) car->SetBrakeLights(true, true);
    for (const char* name : {"lflarerear", "rflarerear"})
        if (CPSmartPtr<CPGameObject> flare = GetChild(name)) flare->SetVisible(false);
    SetVisible(true);
    if (!HasSide(kSideThird)) {
        mSmokeTimer += step;
        if (mSmokeTimer >= 0.5f) {
            SpawnWreckSmoke();
            mSmokeTimer = 0.0f;
        }
    }
    mWrecked = true;
}

void CPPlayer::SpawnWreckSmoke() {
    CPEffectRecord smoke;
    smoke.Name = "smoke3car";
    smoke.Position = GetPosition();
    const float r1 = RuntimeRandomFraction();
    const float r2 = RuntimeRandomFraction();
    const float r3 = RuntimeRandomFraction();
    smoke.Velocity = D3DXVECTOR3(1.7f * r1, 1.7f * r2, 3.0f + 0.4f * r3);
    smoke.Acceleration = D3DXVECTOR3(0.0f, 0.0f, -1.0f);
    smoke.Size = 1000.0f;
    smoke.Param = 1.0f;
    smoke.Life = 2.5f;
    smoke.Flag = 1;
    Spawn(smoke);
}

void CPPlayer::ReportDefeat(float step) {
    if (!mDefeatSent) {
        Send("game_interface", "show_message", "proigrish!");
        Send("jeep", "game_over", "");
        mDefeatSent = true;
    }
    // "defeat" goes once, after three seconds; 666 keeps the timer beyond the window for good.
    mDefeatTimer += step;
    if (mDefeatTimer >= 3.0f && mDefeatTimer <= 20.0f) {
        Send("main", "defeat", "");
        mDefeatTimer = 666.0f;
    }
}

void CPPlayer::ShowTurnArrowsAndDrift(const CPCar* car, const CPLevel* level, float step) {
    const int32_t arrow = level ? TurnArrow(*level) : 0;
    // The drift runs on the unit's own step: the player's unit takes several steps per frame.
    if (car && car->mSlideAmount > 0.0f && car->mSteer != 0.0f) {
        mDriftTime += step;
    } else {
        if (mDriftTime > 0.5f) {
            char text[256];
            const std::string& label = gGameData ? gGameData->GetText("drift_time") : std::string();
            std::snprintf(text, sizeof text, "time,%s,%f", label.c_str(),
                          static_cast<double>(std::floor(mDriftTime * 10.0f) * 0.1f));
            Send("game_interface", "bonus_points2", text);
        }
        mDriftTime = 0.0f;
    }
    Send("game_interface", "update_arrows", std::to_string(arrow));
}

int32_t CPPlayer::TurnArrow(const CPLevel& level) {
    // The path four lines ahead turning more than 30 degrees from here: 1 to the left, -1 to the right.
    const D3DXVECTOR3 a(std::cos(level.mPathAngle), std::sin(level.mPathAngle), 0.0f);
    const CPLine* line = level.mPathHint[0];
    for (int i = 0; i < 4 && line; ++i) line = level.mReverse ? line->mNext : line->mPrevious;
    if (!line) return 0;
    const D3DXVECTOR3 b(std::cos(line->mHeading), std::sin(line->mHeading), 0.0f);
    if (ClampedAcos(a.x * b.x + a.y * b.y) > D3DX_PI / 6.0f) return a.x * b.y - b.x * a.y > 0.0f ? 1 : -1;
    return 0;
}

void CPPlayer::ThrowCrashDebris(const CPCar& car) {
    const float speed = CarSpeed(&car);
    const float k = gSettings::cam_speed == kHardest ? 2.0f : 1.0f;
    const float r1 = RuntimeRandomFraction();
    const float r2 = RuntimeRandomFraction();
    const D3DXVECTOR3 at = GetPosition() + D3DXVECTOR3(2.0f * r1 - 1.0f, 2.0f * r2 - 1.0f, 0.0f);
    const D3DXVECTOR3& v = car.mVelocity;
    SpawnDebris(at, D3DXVECTOR3(0.0f, 0.0f, 1.0f), D3DXVECTOR3(v.x, v.y, std::fabs(v.z)),
                TruncateToInt32(speed * k * 0.1f));
}

void CPPlayer::RunGloomView(CPLevel* level, float step) {
    mGloomViewTime += step;
    if (!(mGloomViewTime >= 15.0f)) return;
    mGloomView = false;
    if (gRenderer) {
        gRenderer->SetMotionBlur(0.0f);
        gRenderer->SetMotionBlurAlpha(255);
    }
    if (level) level->EnableUnits();
}

void CPPlayer::RunGloom(const CPLevel* level, float step) {
    // Units in the gloom are seen only from inside it.
    CPPlayer* target = level ? level->mCameraTarget : nullptr;
    const bool visible = target && target->mInGloom;
    SetVisible(visible);
    if (visible && gSettings::psystems > 0 && !(target == this && level->mCameraMode != 0)) SpawnGloomSparks();
    mGloomTime += step;
    if (mGloomTime >= 15.0f) {
        mInGloom = false;
        if (!HasSide(kSidePlayer)) SetVisible(true);
    }
}

void CPPlayer::SpawnGloomSparks() {
    // Sparks over the box's upper face, between its corners 6, 2, 7 and 3, lifted toward corner 0.
    const int32_t count = GloomSparkCount(gSettings::psystems);
    const D3DXVECTOR3* c = GetBoundingBox().GetCorners().data();
    for (int32_t i = 0; i < count; ++i) {
        const float r1 = RuntimeRandomFraction();
        const D3DXVECTOR3 p1 = c[6] + (c[2] - c[6]) * r1;
        const float r2 = RuntimeRandomFraction();
        const D3DXVECTOR3 p2 = c[7] + (c[3] - c[7]) * r2;
        const float r3 = RuntimeRandomFraction();
        const D3DXVECTOR3 q = p1 + (p2 - p1) * r3;
        const float r4 = RuntimeRandomFraction();
        CPEffectRecord spark;
        spark.Name = "iskra3blue";
        spark.Position = q + (c[0] - c[3]) * (0.5f * r4);
        spark.Size = 0.2f;
        spark.Param = 0.5f;
        const float r5 = RuntimeRandomFraction();
        spark.Life = 0.1f + 0.5f * r5;
        spark.Flag = 1;
        Spawn(spark);
    }
}

void CPPlayer::RunForcedFlares(CPCar* car, float step) {
    // A unit without the left flare keeps its brake lights as they are.
    CPSmartPtr<CPGameObject> left = GetChild("lflarerear");
    CPSmartPtr<CPGameObject> right = GetChild("rflarerear");
    const bool leftHidden = left && !left->IsVisible();
    if (car) car->SetBrakeLights(true, true);
    if (leftHidden) {
        left->SetVisible(false);
        if (right) right->SetVisible(false);
    }
    mFlaresTime += step;
    if (mFlaresTime >= 4.0f || CarSpeed(car) < 10.0f) {
        mFlaresForced = false;
        if (leftHidden && car) car->SetBrakeLights(false, true);
    }
}

void CPPlayer::UpdateEngineHeat(float step) {
    const float old = mEngineHeat;
    if (mThrottle != 0.0f)
        mEngineHeat = std::min(mEngineHeat + step * mEngine.mValues[3], 1.0f);
    else
        mEngineHeat = std::max(mEngineHeat - step * mEngine.mValues[4], 0.0f);
    if (old < 0.8f && mEngineHeat >= 0.8f) Send("gamemenu", "engine_temp", "1");
    if (old >= 0.8f && mEngineHeat < 0.8f) Send("gamemenu", "engine_temp", "0");
}

void CPPlayer::HandControlsToCar(CPCar* car) {
    if (gPhysicsWorld)
        gPhysicsWorld->SetCarControls(this, mThrottle, mSteering);
    else if (car)
        car->SetControls(mThrottle, mSteering);
}

void CPPlayer::RunUnlock(CPCar* car, float step) {
    // The lock of a pick-up or a light ends after four seconds.
    mUnlockTimer += step;
    if (!(mUnlockTimer > 4.0f)) return;
    SetLocked(false);
    mThrottleHold = false;
    mUnlockTimer = 0.0f;
    mUnlockPending = false;
    if (car) {
        car->SetBrakeLights(true, true);
        car->SetBrakeLights(false, true);
    }
}

float CPPlayer::TiltAngle() const {
    D3DXMATRIX turn;
    const D3DXQUATERNION& q = GetRotation();
    D3DXMatrixRotationQuaternion(&turn, &q);
    const D3DXVECTOR3 down(0.0f, 0.0f, -1.0f);
    D3DXVECTOR3 d;
    D3DXVec3TransformNormal(&d, &down, &turn);
    D3DXVec3Normalize(&d, &d);
    // Lying exactly on its side (d.z = 0) is a tilt of pi/2, not of 0: such a unit must respawn.
    return ClampedAcos(-d.z);
}

void CPPlayer::CheckRespawn(bool force) {
    CPCar* car = GetCar();
    CPLevel* level = gLevel;
    const D3DXVECTOR3 v = car ? car->mVelocity : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    const bool falling = v.z * v.z > 1.5f * (v.x * v.x + v.y * v.y) && v.z < -5.0f;
    const float tilt = TiltAngle();
    // A long crash ends; in the hardest mode the car is put back on the path as well.
    const bool hardest = gSettings::cam_speed == kHardest;
    const float levelNumber = level ? static_cast<float>(level->mLevelNumber) : 0.0f;
    const float limit = (mIsPlayer ? 0.4f + 0.05f * levelNumber : 1.5f) * (hardest ? 5.0f : 3.0f);
    if (car && car->mCrashed && car->mCrashTime >= limit) {
        car->SetCrashed(false);
        if (hardest) force = true;
    }
    // Stuck: an enemy that moved less than a unit between two checks, once the race clock runs.
    bool stuck = false;
    if (mStuckTimer > 2.0f) {
        const D3DXVECTOR3 moved = mLastPos - GetPosition();
        stuck = D3DXVec3LengthSq(&moved) < 1.0f && !mIsPlayer && level && level->mRespawnClock > 0.2f;
        mLastPos = GetPosition();
        mStuckTimer = 0.0f;
    }
    // No respawn while locked or just after the last one.
    if (mLocked || mRespawnCooldown > 0.0f) return;
    const CPPhysicData* data = GetPhysicData();
    const bool offMesh = data && data->mCandidateCount == 0;
    if (!(force || offMesh || falling || stuck || std::fabs(tilt) > kTiltLimit)) return;
    Respawn();
}

void CPPlayer::Respawn() {
    CPLevel* level = gLevel;
    if (!level || !level->mPath) return;
    CPSpline& path = *level->mPath;
    level->mRespawnClock = 0.0f;
    mRespawnCooldown = 1.0f;
    if (CPPlayer* target = level->mCameraTarget) {
        target->mFadeTime = 0.0f;
        target->mFadeOut = true;
        target->mFadeIn = false;
    }
    CPLine* cursor = mIsPlayer ? level->mPathHint[0] : path.GetFirstLine();
    const float offset = level->mReverse ? D3DX_PI : 0.0f;
    float radius = 40.0f;
    path.GetNearestPoint(GetPosition(), radius, 0, cursor);
    if (!cursor) return;

    CPPhysicData* data = GetPhysicData();
    if (PhysRigidBody* body = data ? data->mRigidBody : nullptr) {
        const D3DXVECTOR4 zero(0.0f, 0.0f, 0.0f, 0.0f);
        body->SetForce(zero, GetPosition());
        body->SetTorque(zero);
        body->UpdateSpin(zero);
        body->SetVelocity(zero);
    }

    // The first of the line's start, centre and end that no other unit's box or 5-unit sphere holds.
    const D3DXVECTOR3 candidates[3] = {cursor->mP0, cursor->mCentre, cursor->mP1};
    const D3DXVECTOR3 half = GetCollisionBounds().mHalfExtents;
    auto conflicts = [&](const D3DXVECTOR3& at, const CPPlayer* other) {
        if (!other || other == this) return false;
        const CPAxisBox& box = other->GetCollisionBounds();
        return BoxesOverlap(at, half, box) || box.IntersectSphere(at, 5.0f);
    };
    D3DXVECTOR3 chosen = candidates[2];
    for (const D3DXVECTOR3& candidate : candidates) {
        bool free = true;
        for (const CPPlayer* other : level->mEnemies)
            if (conflicts(candidate, other)) {
                free = false;
                break;
            }
        if (free && conflicts(candidate, level->mCameraTarget)) free = false;
        if (free) {
            chosen = candidate;
            break;
        }
    }
    const D3DXVECTOR3 position = chosen + D3DXVECTOR3(0.0f, 0.0f, 3.0f);
    SetPosition(position);

    radius = 20.0f;
    const float heading = path.GetNearestPoint(position, radius, 0, cursor) + offset;
    D3DXQUATERNION turn;
    const D3DXVECTOR3 up(0.0f, 0.0f, 1.0f);
    D3DXQuaternionRotationAxis(&turn, &up, heading + kHalfPi);
    SetRotation(turn);
    if (level->mCameraTarget == this && level->mCamera) {
        level->mCamera->mYaw = heading;
        level->mCamera->mChanged = true;
    }
    UpdateTransform();
}
