#include "simulation/enemies/AI_Vehicle.h"

#include <algorithm>
#include <cmath>

#include "core/Angles.h"
#include "platform/FiniteChecks.h"
#include "core/CPGameObject.h"
#include "core/FrameClock.h"
#include "core/ServiceGlobals.h"
#include "simulation/level/CPLevel.h"
#include "simulation/level/CPLine.h"
#include "simulation/level/CPSpline.h"
#include "simulation/physics/CPPhysicData.h"

namespace {

// The turn from one heading to the next in [-pi, pi]; a line without a heading (NaN) turns nothing.
float HeadingChange(float from, float to) { return FiniteOrZero(WrapAngleClosed(to - from, -D3DX_PI)); }

float DistanceSquared2D(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    return dx * dx + dy * dy;
}

}  // namespace

AI_Vehicle::AI_Vehicle() : mCreationTime(static_cast<float>(gRunningTime)) {}

AI_Vehicle::~AI_Vehicle() { ReleaseIfAlive(mUnit); }

void AI_Vehicle::Drive(CPGameObject* object, const D3DXVECTOR3& forward, float speed, CPSmartPtr<CPPlayer> unit,
                       int32_t cameraMin, int32_t cameraMax) {
    mCameraMin = cameraMin;
    mCameraMax = cameraMax;
    if (object) {
        if (const CPPhysicData* data = object->GetPhysicData()) mMass = data->GetBodyParameters().mass;
        mPosition = object->GetPosition();
    }
    const D3DXVECTOR3 flat(forward.x, forward.y, 0.0f);
    D3DXVec3Normalize(&mForward, &flat);
    mSpeed = speed < 0.0f ? -speed : speed;
    mUnit = unit;
    if (gLevel && gLevel->mReverse) mReverse = true;
}

void AI_Vehicle::SetPath(int32_t slot, CPLine* node) {
    if (slot >= 0 && slot < 3) mPathNodes[slot] = node;
    mPath = gLevel ? gLevel->GetSpline().Get() : nullptr;
    mLeftLine = gLevel ? gLevel->GetLeftLine().Get() : nullptr;
    mRightLine = gLevel ? gLevel->GetRightLine().Get() : nullptr;
}

void AI_Vehicle::Reset() {
    ReleaseIfAlive(mUnit);
    mCursor = nullptr;
}

// The race runs from a line to its previous one (a line's heading points from p1 back to p0).
CPLine* AI_Vehicle::Ahead(CPLine* line) const { return mReverse ? line->mNext : line->mPrevious; }

CPLine* AI_Vehicle::FindNearestLine() const {
    CPLine* best = nullptr;
    float bestDistance = 0.0f;
    auto consider = [&](CPLine* line) {
        const float d = DistanceSquared2D(mPosition, line->mCentre);
        if (!best || d < bestDistance) {
            best = line;
            bestDistance = d;
        }
    };
    if (mCursor) {
        consider(mCursor);
        CPLine* back = mCursor;
        CPLine* forth = mCursor;
        for (int32_t i = 0; i < kCursorWindow; ++i) {
            back = back->mPrevious;
            forth = forth->mNext;
            consider(back);
            consider(forth);
        }
        if (bestDistance <= kLostDistance * kLostDistance) return best;
    }
    // The whole ring, once round from the path's first line; bounded by the lines the spline made.
    CPLine* first = mPathNodes[kPathSlot] ? mPathNodes[kPathSlot] : mPath->GetFirstLine();
    if (!first) return best;
    best = nullptr;
    CPLine* line = first;
    const size_t limit = mPath->GetLines().size();
    for (size_t i = 0; i < limit && line; ++i) {
        consider(line);
        line = line->mNext;
        if (line == first) break;
    }
    return best;
}

AiControls AI_Vehicle::ComputeControls() {
    AiControls controls;
    if (!mUnit || !mPath || !gObjectRegistry::Contains(mPath)) {
        mSteerOutput = mThrottleOutput = 0.0f;
        return controls;
    }
    CPLine* nearest = FindNearestLine();
    if (!nearest) {
        mSteerOutput = mThrottleOutput = 0.0f;
        return controls;
    }
    mCursor = nearest;

    // The look-ahead point: the centre of the line about `lookAhead` units down the path.
    const float lookAhead = std::clamp(kMinLookAhead + mSpeed * kLookAheadTime, kMinLookAhead, kMaxLookAhead);
    CPLine* target = nearest;
    float along = 0.0f;
    int32_t lines = 0;
    while (along < lookAhead && lines < 64) {
        target = Ahead(target);
        along += CPSpline::kLineSpacing;
        ++lines;
    }
    mLinesAhead = lines;
    mTarget = target->mCentre;

    // Steering: the heading error toward the target, clockwise positive as the car steers.
    const float dx = mTarget.x - mPosition.x;
    const float dy = mTarget.y - mPosition.y;
    const float cross = mForward.x * dy - mForward.y * dx;
    const float dot = mForward.x * dx + mForward.y * dy;
    const float error = (dx == 0.0f && dy == 0.0f) ? 0.0f : std::atan2(cross, dot);
    const float steering = std::clamp(-kSteerGain * error, -kMaxSteering, kMaxSteering);

    // Throttle: the turn of the path within the braking distance sets the target speed.
    const float brakingDistance = lookAhead + mSpeed * 1.5f;
    float turn = 0.0f;
    CPLine* line = nearest;
    float heading = line->mHeading;
    for (float covered = 0.0f; covered < brakingDistance && covered < 200.0f; covered += CPSpline::kLineSpacing) {
        line = Ahead(line);
        turn += std::fabs(HeadingChange(heading, line->mHeading));
        heading = line->mHeading;
    }
    const float targetSpeed = std::max(kMinCornerSpeed, mTopSpeed / (1.0f + kCornerSlowing * turn));
    float throttle = mThrottleScale;
    if (mSpeed > targetSpeed + kBrakeMargin)
        throttle = -mThrottleScale;
    else if (mSpeed > targetSpeed)
        throttle = 0.0f;
    // Facing away from the target: turn round at a crawl rather than race off.
    if (std::fabs(error) > kHalfPi && mSpeed > kMinCornerSpeed) throttle = 0.0f;

    controls.throttle = throttle;
    controls.steering = steering;
    mSteerOutput = steering;
    mThrottleOutput = throttle;
    return controls;
}
