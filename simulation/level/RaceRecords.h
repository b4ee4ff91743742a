// Records of races and their results kept in the game data: best-result entries, time-attack results
// with their ghost runs, the race progress of a unit and the collected bonuses.
#pragma once

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "core/CPGameObject.h"
#include "core/CPSmartPtr.h"
#include "platform/D3DX9Math.h"
#include "simulation/units/BonusTraits.h"

// One line of a level's best-results table; the time as the race clock shows it.
struct RecordEntry {
    std::string mName;
    int32_t mMinutes = 0;
    int32_t mSeconds = 0;
    int32_t mHundredths = 0;

    bool operator==(const RecordEntry&) const = default;
};

// Whether a is the better (shorter) time: minutes first, then seconds, then hundredths; names play no part.
inline bool IsBetterRecord(const RecordEntry& a, const RecordEntry& b) {
    return std::tie(a.mMinutes, a.mSeconds, a.mHundredths) < std::tie(b.mMinutes, b.mSeconds, b.mHundredths);
}

// One sample of a time-attack run, replayed as the ghost car. Its 68 bytes are also its layout in the
// save games, where it is written field by field.
struct GhostSample {
    D3DXVECTOR3 mPosition;
    D3DXQUATERNION mRotation;
    uint8_t mBikeShown = 0;      // 1 when the car's "bike" child is the one shown, 0 for "bike01"
    uint8_t mPadding[3] = {};    // unused; saved as zero
    D3DXQUATERNION mBikeRotation;  // of "bike" or "bike01", as mBikeShown says
    D3DXQUATERNION mCar2Rotation;  // of the child "car2"
    float mTime = 0.0f;            // seconds on the level clock

    bool operator==(const GhostSample&) const = default;
};
static_assert(sizeof(GhostSample) == 68);

// The best time-attack run of one level.
struct TimeAttackResult {
    static constexpr int32_t kResetStatus = 4;  // what a profile reset stores in mStatus

    float mBestTime = 0.0f;  // seconds; 0: no run yet
    int32_t mStatus = 0;     // kept and saved for the scripts; the engine gives it no meaning
    std::string mGhostName;  // description name of the ghost car; empty: no ghost
    std::vector<GhostSample> mSamples;

    bool operator==(const TimeAttackResult&) const = default;
};

// How far one unit has come in the current race.
struct RaceProgress {
    static constexpr int kDefaultLapSlots = 20;

    int32_t mLap = 1;  // 1-based
    std::vector<float> mLapTimes = std::vector<float>(kDefaultLapSlots, 0.0f);  // seconds per lap
    int32_t mProgress = -1;  // path points advanced; -1 before the first
};

// A bonus collected in the current race: the object holds a counted reference.
struct BonusEntry {
    BonusEntry() = default;
    BonusEntry(CPGameObject* object, int32_t value)
        : mObject(object), mHandle(gObjectRegistry::HandleOf(object)), mValue(value) {}

    // The object while it lives; null once its owner has deleted it, even when a new object has taken
    // its address since.
    CPGameObject* Live() const { return gObjectRegistry::Find(mHandle) ? mObject.Get() : nullptr; }

    CPSmartPtr<CPGameObject> mObject;
    ObjectHandle mHandle = ObjectHandle::kNone;  // the object's handle, what the scripts passed and get back
    int32_t mValue = 0;
    // What the object is, read by the race units when they first meet the entry.
    BonusTraits mTraits;
    bool mTraitsRead = false;
};
