#include "script/ProfileScriptFunctions.h"

#include <string>

#include "Render/ScriptValues.h"
#include "core/CPCommandDispatcher.h"
#include "core/ServiceGlobals.h"
#include "core/StringUtils.h"
#include "core/config/Settings.h"
#include "script/ScriptCalls.h"
#include "simulation/level/CPGameData.h"
#include "simulation/units/CPPlayer.h"

using namespace ScriptCalls;

namespace ScriptFunctions {
namespace {
constexpr int32_t kPlayerTypeOn = 10;   // side bits of the player's unit for a true SetPlayerType
constexpr int32_t kPlayerTypeOff = 9;

// Pushes a number field of the game data, or nothing without game data; returns the result count.
template <class Field>
int PushDataNumber(lua_State* L, Field field) {
    CPGameData* data = gGameData;
    if (data == nullptr) return 0;
    lua_pushnumber(L, static_cast<lua_Number>(data->*field));
    return 1;
}

// Stores the first argument, truncated toward zero, in an integer field of the game data.
int StoreDataInteger(lua_State* L, int32_t CPGameData::*field) {
    const int32_t value = ToInteger(L, 1);
    if (CPGameData* data = gGameData) data->*field = value;
    return 0;
}

// The car model a player-name choice stands for; most choices are their model's name.
std::string ActiveCarModel(const std::string& playerName) {
    static const struct {
        const char* name;
        const char* model;
    } kModels[] = {{"audi_tt", "audi_tt"},         {"bmw", "bmw_i745"},        {"gaz_3110_main", "gaz_z110"},
                   {"volswagen_toureg", "volk_t"}, {"uaz", "uaz_469"},         {"zil_130_", "zil_130"}};
    for (const auto& entry : kModels)
        if (playerName == entry.name) return entry.model;
    return playerName;
}
}  // namespace

void ChangeMoney(CPGameData& data, float amount) {
    data.mMoney = amount;
    if (CPCommandDispatcher* dispatcher = gCommandDispatcher)
        dispatcher->SendByName("gamemenu", "change_money", FormatTwoDecimals(data.mMoney));
}

int SetMoney(lua_State* L) {
    const float amount = ToFloat(L, 1);
    if (CPGameData* data = gGameData) ChangeMoney(*data, amount);
    return 0;
}

int GetMoney(lua_State* L) { return PushDataNumber(L, &CPGameData::mMoney); }
int SetPoints(lua_State* L) { return StoreDataInteger(L, &CPGameData::mPoints); }
int GetPoints(lua_State* L) { return PushDataNumber(L, &CPGameData::mPoints); }
int SetKills(lua_State* L) { return StoreDataInteger(L, &CPGameData::mKills); }
int GetScore(lua_State* L) { return PushDataNumber(L, &CPGameData::mKills); }

// Answers one result without making one, so the scripts get the last argument back. Without arguments
// that would be a value outside the call's own stack: nil stands in for it.
int AddScore(lua_State* L) {
    if (lua_gettop(L) == 0) lua_pushnil(L);
    return 1;
}

int IsInTable(lua_State* L) {
    lua_pushboolean(L, 0);
    return 1;
}

int SetScoreLine(lua_State*) { return 0; }

int GetScoreLine(lua_State* L) {
    lua_pushstring(L, "");
    lua_pushnumber(L, 0);
    return 2;
}

int SetMaxAbilityCount(lua_State* L) { return StoreDataInteger(L, &CPGameData::mMaxAbilityCount); }
int GetPlayerMana(lua_State* L) { return PushDataNumber(L, &CPGameData::mMana); }
int SetPlayerMana(lua_State* L) { return StoreDataInteger(L, &CPGameData::mMana); }

int SetTemp(lua_State* L) {
    gTempValue = ToFloat(L, 1);
    return 0;
}

int GetTemp(lua_State* L) {
    lua_pushnumber(L, gTempValue);
    return 1;
}

int SetPlayerName(lua_State* L) {
    const std::string name = PlainString(L, 1);
    if (CPGameData* data = gGameData) data->mPlayerName = name;
    return 0;
}

// Without an argument the profile's player name; with one, the race unit's car name, where a nil, stale
// or foreign handle is a null unit and gives "".
int GetPlayerName(lua_State* L) {
    if (lua_gettop(L) == 0) {
        CPGameData* data = gGameData;
        if (data == nullptr) return 0;
        lua_pushlstring(L, data->mPlayerName.data(), data->mPlayerName.size());
        return 1;
    }
    const CPPlayer* unit = ToObject<CPPlayer>(L, 1);
    if (unit == nullptr) {
        lua_pushstring(L, "");
        return 1;
    }
    lua_pushlstring(L, unit->mModelName.data(), unit->mModelName.size());
    return 1;
}

int SetProfileName(lua_State* L) {
    const std::string name = PlainString(L, 1);
    if (CPGameData* data = gGameData) data->ResetProfile(name);
    return 0;
}

int GetProfileName(lua_State* L) {
    CPGameData* data = gGameData;
    if (data == nullptr) return 0;
    lua_pushlstring(L, data->mProfileName.data(), data->mProfileName.size());
    return 1;
}

int InitPlayer(lua_State*) {
    if (CPGameData* data = gGameData) data->LoadPlayer();
    return 0;
}

int SetPlayerType(lua_State* L) {
    const bool on = ToBool(L, 1);
    if (CPGameData* data = gGameData) data->mPlayerType = on ? kPlayerTypeOn : kPlayerTypeOff;
    return 0;
}

int GetActiveCar(lua_State* L) {
    CPGameData* data = gGameData;
    if (data == nullptr) return 0;
    lua_pushstring(L, ActiveCarModel(data->mPlayerName).c_str());
    return 1;
}

int GetNumRacesPassed(lua_State* L) { return PushDataNumber(L, &CPGameData::mRacesPassed); }
int SetNumRacesPassed(lua_State* L) { return StoreDataInteger(L, &CPGameData::mRacesPassed); }

int SetDifficulty(lua_State* L) {
    gSettings::cam_speed = ToInteger(L, 1);
    return 0;
}

int GetDifficulty(lua_State* L) {
    lua_pushnumber(L, gSettings::cam_speed);
    return 1;
}

int SetDifficult(lua_State* L) {
    const bool difficult = ToBool(L, 1);
    if (CPGameData* data = gGameData) {
        data->mDifficult = difficult;
        data->LoadDifficulty();
    }
    return 0;
}

int GetDifficult(lua_State* L) {
    CPGameData* data = gGameData;
    if (data == nullptr) return 0;
    lua_pushnumber(L, data->mDifficult ? 1 : 0);
    return 1;
}

}  // namespace ScriptFunctions
