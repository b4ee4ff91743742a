#include "script/RecordScriptFunctions.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/CPGameObject.h"
#include "core/ServiceGlobals.h"
#include "script/ScriptCalls.h"
#include "simulation/level/CPGameData.h"

using namespace ScriptCalls;

namespace ScriptFunctions {
namespace {
// Sets t[key] = value on the table at the top of the stack, with the value pushed by `push`.
template <class Push>
void SetIndexed(lua_State* L, int key, Push push) {
    lua_pushnumber(L, key);
    push();
    lua_settable(L, -3);
}

void PushText(lua_State* L, const std::string& text) { lua_pushlstring(L, text.data(), text.size()); }

// The records table of a level given as the first argument; null for a level without one.
const std::vector<RecordEntry>* LevelTable(lua_State* L, CPGameData& data) {
    const int32_t level = ToInteger(L, 1);
    if (level < 1 || static_cast<size_t>(level) > data.mRecordTables.size()) return nullptr;
    return &data.mRecordTables[static_cast<size_t>(level - 1)];
}

std::string FormatRecordTime(const RecordEntry& record) {
    char text[48];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(record.mMinutes),
                  static_cast<int>(record.mSeconds), static_cast<int>(record.mHundredths));
    return text;
}
}  // namespace

// An argument that is not a live game object adds nothing: the list holds only objects it can release.
int AddBonus(lua_State* L) {
    CPGameObject* object = ToObject<CPGameObject>(L, 1);
    const int32_t value = ToInteger(L, 2);
    CPGameData* data = gGameData;
    // Made in place: a copied temporary's Release would leave the object's count at 0.
    if (data != nullptr && object != nullptr) data->mBonusList.emplace_back(object, value);
    return 0;
}

// Matched by handle, without touching the object: an entry whose object its owner has deleted since
// is removed too, instead of handing out a dead handle until the list is cleared.
int EraseBonus(lua_State* L) {
    const ObjectHandle handle = ToHandle(L, 1);
    CPGameData* data = gGameData;
    if (data == nullptr || handle == ObjectHandle::kNone) return 0;
    auto& list = data->mBonusList;
    const auto found = std::find_if(list.begin(), list.end(),
                                    [handle](const BonusEntry& entry) { return entry.mHandle == handle; });
    if (found == list.end()) return 0;
    ReleaseIfAlive(found->mObject);
    list.erase(found);
    return 0;
}

int GetBonusesCount(lua_State* L) {
    CPGameData* data = gGameData;
    lua_pushnumber(L, data ? static_cast<lua_Number>(data->mBonusList.size()) : 0);
    return 1;
}

int ClearBonuses(lua_State*) {
    CPGameData* data = gGameData;
    if (data == nullptr) return 0;
    for (BonusEntry& entry : data->mBonusList) ReleaseIfAlive(entry.mObject);
    data->mBonusList.clear();
    return 0;
}

int GetBonusList(lua_State* L) {
    lua_newtable(L);
    CPGameData* data = gGameData;
    if (data == nullptr) return 1;
    int index = 1;
    for (const BonusEntry& entry : data->mBonusList) {
        SetIndexed(L, index++, [&] {
            lua_createtable(L, 2, 0);
            SetIndexed(L, 1, [&] { PushHandle(L, entry.mHandle); });
            SetIndexed(L, 2, [&] { lua_pushnumber(L, entry.mValue); });
        });
    }
    return 1;
}

int ClearGameData(lua_State*) {
    if (CPGameData* data = gGameData) data->ClearGameData();
    return 0;
}

// A level without a records table answers an empty table.
int GetRecords(lua_State* L) {
    CPGameData* data = gGameData;
    const std::vector<RecordEntry>* table = data ? LevelTable(L, *data) : nullptr;
    lua_newtable(L);
    if (table == nullptr) return 1;
    int index = 1;
    for (const RecordEntry& record : *table) {
        const bool named = !record.mName.empty();
        SetIndexed(L, index++, [&] {
            lua_createtable(L, 2, 0);
            SetIndexed(L, 1, [&] { PushText(L, named ? record.mName : std::string()); });
            SetIndexed(L, 2, [&] { PushText(L, named ? FormatRecordTime(record) : std::string()); });
        });
    }
    return 1;
}

// Offers the player's best round of the race to the level's records. Only the rounds the lap times hold
// are read, and a race without a round offers nothing.
int CheckPlayerRecords(lua_State* L) {
    CPGameData* data = gGameData;
    bool entered = false;
    if (data != nullptr && LevelTable(L, *data) != nullptr) {
        const size_t rounds = std::min(static_cast<size_t>(std::max(data->mRoundCount, 0)), data->mLapTimes.size());
        RecordEntry best;
        for (size_t i = 0; i < rounds; ++i) {
            const RaceTime time = SplitRaceTime(data->mLapTimes[i]);
            RecordEntry round{data->mProfileName, time.minutes, time.seconds, time.hundredths};
            if (i == 0 || IsBetterRecord(round, best)) best = round;
        }
        if (rounds > 0) entered = data->CheckPlayerRecord(ToInteger(L, 1), best);
    }
    lua_pushboolean(L, entered);
    return 1;
}

int SaveScore(lua_State*) {
    if (CPGameData* data = gGameData) data->SaveScores();
    return 0;
}

}  // namespace ScriptFunctions
