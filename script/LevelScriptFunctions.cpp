#include "script/LevelScriptFunctions.h"

#include <string>

#include "Render/PEffectSpawner.h"
#include "core/CPTask.h"
#include "core/CPTaskKernel.h"
#include "core/FrameClock.h"
#include "core/ServiceGlobals.h"
#include "script/ScriptCalls.h"
#include "simulation/level/CPGameData.h"
#include "simulation/level/CPLevel.h"
#include "simulation/units/CPPlayer.h"

using namespace ScriptCalls;

CPTask* gGlobalTimer = nullptr;

namespace ScriptFunctions {
namespace {

constexpr size_t kShownRounds = 10;    // UpdateRoundsTime lists the first ten rounds
constexpr float kNoBestTime = 100000.0f;  // GetTimeBest's start: above any round time
constexpr float kTimeBonusCountdown = 4.0f;

// The lap time at `index`; false when there is none.
bool LapTime(const CPGameData& data, int64_t index, float& time) {
    if (index < 0 || static_cast<size_t>(index) >= data.mLapTimes.size()) return false;
    time = data.mLapTimes[static_cast<size_t>(index)];
    return true;
}

// The best time-attack time of level index (0-based); false outside the levels.
bool BestTimeAttack(int32_t index, float& time) {
    if (!gGameData || index < 0 || index >= CPGameData::kLevelCount) return false;
    time = gGameData->mLevelResults[static_cast<size_t>(index)].mBestTime;
    return true;
}

}  // namespace

// ---- level life

// A level that exists is deleted first (stopped when it runs): only one level lives at a time.
int InitLevel(lua_State* L) {
    const bool single = ToBool(L, 2);
    const bool timeAttack = lua_gettop(L) >= 3 && ToBool(L, 3);
    const std::string name = PlainString(L, 1);
    delete gLevel;
    gLevel = new CPLevel();
    gLevel->Load(name, single, timeAttack);
    return 0;
}

int StartLevel(lua_State*) {
    if (gLevel) gLevel->Start();
    return 0;
}

int StopLevel(lua_State*) {
    if (!gLevel) return 0;
    if (gEmitterTable) gEmitterTable->ResetAllEffects();
    gLevel->Stop();
    return 0;
}

int DeleteLevel(lua_State*) {
    delete gLevel;  // stops a running race and clears gLevel
    gLevel = nullptr;
    return 0;
}

// ---- level settings

int SetLevelTransportCount(lua_State* L) {
    if (gGameData) gGameData->mTransportCount = ToInteger(L, 1);
    return 0;
}

int SetLevelTime(lua_State* L) {
    if (gLevel && gGameData) gLevel->mLevelTime = ToFloat(L, 1) * gGameData->mDifficultyCoeffs[3];
    return 0;
}

int SetUpdateTime(lua_State* L) {
    if (gLevel) gLevel->mRaceClockOn = ToBool(L, 1);
    return 0;
}

int IsRaceStarted(lua_State* L) {
    if (!gLevel) return 0;
    PushBoolean(L, gLevel->mRaceClockOn);
    return 1;
}

int SetReversed(lua_State* L) {
    if (gLevel) gLevel->mReverse = ToBool(L, 1);
    return 0;
}

int SetPlaceToFinish(lua_State* L) {
    if (gLevel) gLevel->mRequiredPlace = ToInteger(L, 1);
    return 0;
}

int IsSingleMode(lua_State* L) {
    if (!gLevel) return 0;
    PushBoolean(L, gLevel->mSingleMode);
    return 1;
}

int IsTimeMode(lua_State* L) {
    if (!gLevel) return 0;
    PushBoolean(L, gLevel->mTimeMode);
    return 1;
}

int ClearLevelTimers(lua_State*) {
    if (gLevel && gGameData) gGameData->mTotalRaceTime = 0.0f;
    return 0;
}

int SetTimeBonus(lua_State* L) {
    if (CPPlayer* unit = ToObject<CPPlayer>(L, 1)) unit->mThrowTimer = kTimeBonusCountdown;
    return 0;
}

// ---- race settings in the game data

int SetNumRounds(lua_State* L) {
    if (gGameData) gGameData->mRoundCount = ToInteger(L, 1);
    return 0;
}

int GetRoundsNumber(lua_State* L) {
    if (!gGameData) return 0;
    lua_pushnumber(L, gGameData->mRoundCount);
    return 1;
}

int GetCurrentRound(lua_State* L) {
    if (!gGameData) return 0;
    lua_pushnumber(L, gGameData->mCurrentLap);
    return 1;
}

int SetRoundTime(lua_State* L) {
    if (gGameData) gGameData->mRoundTime = ToFloat(L, 1);
    return 0;
}

int GetRoundTime(lua_State* L) {
    if (!gGameData) return 0;
    lua_pushnumber(L, gGameData->mRoundTime);
    return 1;
}

int GetCurrentMission(lua_State* L) {
    if (!gGameData) return 0;
    lua_pushnumber(L, gGameData->mCurrentMission);
    return 1;
}

int SetCurrentMission(lua_State* L) {
    if (gGameData) gGameData->mCurrentMission = ToInteger(L, 1);
    return 0;
}

int SetSingle(lua_State* L) {
    if (gGameData) gGameData->mSingle = ToBool(L, 1);
    return 0;
}

int IsSingle(lua_State* L) {
    if (!gGameData) return 0;
    PushBoolean(L, gGameData->mSingle);
    return 1;
}

int SetTimeAttack(lua_State* L) {
    if (gGameData) gGameData->mTimeAttack = ToBool(L, 1);
    return 0;
}

int IsTimeAttack(lua_State* L) {
    if (!gGameData) return 0;
    PushBoolean(L, gGameData->mTimeAttack);
    return 1;
}

int SetLevelStarted(lua_State* L) {
    if (gGameData) gGameData->mLevelStarted = ToBool(L, 1);
    return 0;
}

int IsLevelStarted(lua_State* L) {
    if (!gGameData) return 0;
    PushBoolean(L, gGameData->mLevelStarted);
    return 1;
}

// ---- race clocks: a round or an entry that does not exist answers nothing

int GetTime(lua_State* L) {
    float time = 0.0f;
    if (!gGameData || !LapTime(*gGameData, static_cast<int64_t>(gGameData->mCurrentLap) - 1, time)) return 0;
    return PushRaceTime(L, time);
}

int GetTimeBest(lua_State* L) {
    if (!gGameData) return 0;
    float best = kNoBestTime;
    for (int64_t i = 0; i <= static_cast<int64_t>(gGameData->mCurrentLap) - 2; ++i) {
        float time = 0.0f;
        if (!LapTime(*gGameData, i, time)) break;
        if (time > 0.0f && time < best) best = time;
    }
    return PushRaceTime(L, best == kNoBestTime ? 0.0f : best);
}

int GetTimeAttack(lua_State* L) {
    float time = 0.0f;
    if (!gGameData || !LapTime(*gGameData, 0, time)) return 0;
    return PushRaceTime(L, time);
}

int GetBestTimeAttack(lua_State* L) {
    float time = 0.0f;
    if (!gLevel || !BestTimeAttack(gLevel->mLevelNumber - 1, time)) return 0;
    return PushRaceTime(L, time);
}

int GetBestTimeAttack2(lua_State* L) {
    float time = 0.0f;
    if (!BestTimeAttack(ToInteger(L, 1), time)) return 0;
    return PushRaceTime(L, time);
}

int GetCheckpointTime(lua_State* L) {
    if (!gLevel) return 0;
    return PushRaceTime(L, gLevel->mCheckpointTimer);
}

int GetFullTime(lua_State* L) {
    lua_pushnumber(L, gRunningTime);
    return 1;
}

// The first ten rounds; a round without a stored time shows 0.
int UpdateRoundsTime(lua_State* L) {
    if (!gGameData) return 0;
    lua_pushnumber(L, 4 * kShownRounds);
    lua_newtable(L);
    int key = 1;
    for (size_t r = 1; r <= kShownRounds; ++r) {
        float time = 0.0f;
        LapTime(*gGameData, static_cast<int64_t>(r) - 1, time);
        const RaceTime split = SplitRaceTime(time);
        for (int32_t value : {split.minutes, split.seconds, split.hundredths}) {
            lua_pushnumber(L, key++);
            lua_pushnumber(L, value);
            lua_settable(L, -3);
        }
        lua_pushnumber(L, key++);
        PushBoolean(L, static_cast<int64_t>(r) <= gGameData->mCurrentLap);
        lua_settable(L, -3);
    }
    return 2;
}

// ---- mission checkpoints

int LoadMissionInfo(lua_State* L) {
    const std::string name = PlainString(L, 1);
    if (gGameData) gGameData->LoadMissionInfo(name);
    return 0;
}

int GetCheckPointsCount(lua_State* L) {
    if (!gGameData) return 0;
    lua_pushnumber(L, static_cast<lua_Number>(gGameData->mMissionCheckpoints.size()));
    return 1;
}

int GetCheckPointInfo(lua_State* L) {
    const int32_t index = ToInteger(L, 1);
    if (!gGameData || index < 0 || static_cast<size_t>(index) >= gGameData->mMissionCheckpoints.size()) return 0;
    const MissionCheckpointRecord& record = gGameData->mMissionCheckpoints[static_cast<size_t>(index)];
    lua_pushnumber(L, record.mX);
    lua_pushnumber(L, record.mY);
    lua_pushnumber(L, record.mZ);
    lua_pushnumber(L, record.mTime);
    return 4;
}

int ChangeCheckpointPosition(lua_State* L) {
    float x = 0.0f, y = 0.0f;
    if (!gLevel || !ReadFinitePair(L, 1, x, y)) return 0;
    CPGameObject* shown = gLevel->mShownCheckpoint.Get();
    if (!shown || !gObjectRegistry::Contains(shown)) return 0;
    shown->SetPosition(D3DXVECTOR3(x, y, 0.0f));
    shown->UpdateTransform();
    return 0;
}

int ShowCheckPoint(lua_State*) {
    if (gLevel) gLevel->ShowCheckpoint();
    return 0;
}

// ---- global timer

int StartGlobalTimer(lua_State*) {
    if (gGlobalTimer && gTaskKernel) gTaskKernel->AddTask(gGlobalTimer);
    return 0;
}

int StopGlobalTimer(lua_State*) {
    if (gGlobalTimer) gGlobalTimer->Stop();
    gDeltaTime = 0.0f;
    return 0;
}

int ClearTimer(lua_State*) {
    gDeltaTime = 0.0f;
    return 0;
}

}  // namespace ScriptFunctions
