// The record through which the vehicle updater (gLevelUpdater) drives a race unit without a player:
// the level's race task records the unit's state in it every frame (Drive), and the updater's driving
// step turns that state into the unit's throttle and steering, following the race path.
#pragma once

#include <cstdint>
#include <string>

#include "core/CPRefObject.h"
#include "core/CPSmartPtr.h"
#include "platform/D3DX9Math.h"
#include "simulation/units/CPPlayer.h"

class CPGameObject;
class CPLine;
class CPSpline;

// What the driving step hands to a unit.
struct AiControls {
    float throttle = 0.0f;  // -1 .. 1; below 0 brakes (or reverses)
    float steering = 0.0f;  // radians, within the car's steering limit; above 0 turns clockwise seen from above
};

class AI_Vehicle : public CPRefObject {
public:
    // The size the record has always reported.
    static constexpr size_t kRecordSize = 160;
    // Path slots of SetPath.
    static constexpr int32_t kPathSlot = 0;
    static constexpr int32_t kRightSlot = 1;
    static constexpr int32_t kLeftSlot = 2;

    // The driving law. Distances in world units, speeds in units per second.
    static constexpr float kMinLookAhead = 8.0f;    // look-ahead distance at rest
    static constexpr float kLookAheadTime = 0.6f;   // seconds of travel added to the look-ahead
    static constexpr float kMaxLookAhead = 30.0f;
    static constexpr float kSteerGain = 1.5f;       // radians of steering per radian of heading error
    static constexpr float kMaxSteering = 0.7f;     // the car's limit
    static constexpr float kMinCornerSpeed = 9.0f;  // target speed of the sharpest bend
    static constexpr float kCornerSlowing = 1.2f;   // per radian of turn within the braking distance
    static constexpr float kBrakeMargin = 3.0f;     // above target + margin the step brakes
    // Lines searched each way from the cursor for the nearest one; a unit moved farther (a respawn) is
    // found again by a search of the whole ring.
    static constexpr int32_t kCursorWindow = 8;
    static constexpr float kLostDistance = 40.0f;

    // Every field at its start value; mCreationTime := gRunningTime.
    AI_Vehicle();
    // Lets go of the unit.
    ~AI_Vehicle() override;

    size_t GetSize() const override { return kRecordSize; }
    std::string GetClassName() const override { return "AI_Vehicle"; }

    // Records the unit's state: camera limits, the mass of the object's physical data, its position, the
    // forward vector made horizontal and normalised, |speed|, the unit (held, the old one let go), and
    // the level's reverse flag (kept once set). A null object keeps the last position and mass.
    void Drive(CPGameObject* object, const D3DXVECTOR3& forward, float speed, CPSmartPtr<CPPlayer> unit,
               int32_t cameraMin, int32_t cameraMax);
    // Slots 0 .. 2 take the node; any slot refreshes the three spline pointers from gLevel (null
    // without a level).
    void SetPath(int32_t slot, CPLine* node);
    // Drops the unit.
    void Reset();

    // The driving step on the recorded state: steering toward a point on the race path ahead of the
    // unit, throttle by the bend ahead. Moves the path cursor; stores the result in mSteerOutput and
    // mThrottleOutput. Zero controls without a unit or a path.
    AiControls ComputeControls();

    // ---- the step's own state (start values are part of the record)
    float mSteerOutput = 0.0f;     // steering of the last step
    float mThrottleOutput = 0.0f;  // throttle of the last step
    float mThrottleScale = 1.0f;   // full throttle of this record
    // ---- written by Drive
    float mSpeed = 0.0f;  // units per second, >= 0
    D3DXVECTOR3 mPosition{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 mForward{0.0f, -1.0f, 0.0f};  // horizontal unit heading
    CPSmartPtr<CPPlayer> mUnit;               // held; null: the record drives nothing
    int32_t mLinesAhead = 0;                  // path lines from the nearest one to the target, last step
    float mMass = 0.0f;
    float mTopSpeed = 30.0f;  // units per second on a straight
    // ---- paths (not owned; valid while the level keeps its splines)
    CPLine* mPathNodes[3] = {nullptr, nullptr, nullptr};  // first lines of the path, right and left lines
    CPSpline* mPath = nullptr;
    CPSpline* mLeftLine = nullptr;
    CPSpline* mRightLine = nullptr;
    float mCreationTime = 0.0f;  // seconds, gRunningTime at construction
    bool mReverse = false;       // the race ran the path backwards; never cleared
    int32_t mCameraMin = 0;
    int32_t mCameraMax = 0;
    CPLine* mCursor = nullptr;   // nearest path line at the last step; null: search the whole ring
    D3DXVECTOR3 mTarget{0.0f, 0.0f, 0.0f};  // the look-ahead point of the last step

private:
    // The next line in the driving direction.
    CPLine* Ahead(CPLine* line) const;
    // The nearest line of the race path to mPosition, from the cursor (or the whole ring).
    CPLine* FindNearestLine() const;
};
