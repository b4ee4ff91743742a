#include "script/ScriptCalls.h"

#include <cmath>

#include "core/FloatToInt.h"
#include "core/ServiceGlobals.h"
#include "platform/FiniteChecks.h"
#include "simulation/level/CPLevel.h"

namespace ScriptCalls {

// A light userdata carries the handle's 64 bits as its pointer value.
static_assert(sizeof(void*) >= sizeof(ObjectHandle), "a handle must fit in a light userdata");

ObjectHandle ToHandle(lua_State* L, int index) {
    if (lua_type(L, index) != LUA_TLIGHTUSERDATA) return ObjectHandle::kNone;
    return static_cast<ObjectHandle>(reinterpret_cast<uintptr_t>(lua_touserdata(L, index)));
}

void PushHandle(lua_State* L, ObjectHandle handle) {
    lua_pushlightuserdata(L, reinterpret_cast<void*>(static_cast<uintptr_t>(handle)));
}

void PushObject(lua_State* L, const CPRefObject* object) { PushHandle(L, gObjectRegistry::HandleOf(object)); }

float ToFiniteFloat(lua_State* L, int index) { return FiniteOrZero(ToFloat(L, index)); }

bool ReadFiniteVector(lua_State* L, int first, D3DXVECTOR3& out) {
    const D3DXVECTOR3 value = ToVector(L, first);
    if (!IsFinite(value)) return false;
    out = value;
    return true;
}

bool ReadFinitePair(lua_State* L, int first, float& x, float& y) {
    const float a = ToFloat(L, first), b = ToFloat(L, first + 1);
    if (!std::isfinite(a) || !std::isfinite(b)) return false;
    x = a;
    y = b;
    return true;
}

int32_t ToInteger(lua_State* L, int index) { return TruncateToInt32(lua_tonumber(L, index)); }

bool IsTrue(lua_State* L, int index) { return lua_type(L, index) == LUA_TBOOLEAN && lua_toboolean(L, index) != 0; }

void CheckStrings(lua_State* L, int first, int last) {
    for (int index = first; index <= last; ++index) luaL_checklstring(L, index, nullptr);
}

std::string CheckedString(lua_State* L, int index) {
    size_t length = 0;
    const char* text = luaL_checklstring(L, index, &length);
    return std::string(text, length);
}

std::string PlainString(lua_State* L, int index) {
    size_t length = 0;
    const char* text = lua_tolstring(L, index, &length);
    return text ? std::string(text, length) : std::string();
}

void ReserveResults(lua_State* L, int count) { luaL_checkstack(L, count, "too many results"); }

int PushStrings(lua_State* L, const std::vector<std::string>& texts) {
    // A command or a text may hold more parts than the stack has room for by default.
    ReserveResults(L, static_cast<int>(texts.size()));
    for (const std::string& text : texts) lua_pushlstring(L, text.data(), text.size());
    return static_cast<int>(texts.size());
}

void PushTextTable(lua_State* L, const std::vector<std::string>& texts) {
    lua_newtable(L);
    for (size_t i = 0; i < texts.size(); ++i) {
        lua_pushnumber(L, static_cast<lua_Number>(i + 1));
        lua_pushlstring(L, texts[i].data(), texts[i].size());
        lua_settable(L, -3);
    }
}

int PushNameList(lua_State* L, const std::vector<std::string>& names) {
    lua_pushnumber(L, static_cast<lua_Number>(names.size()));
    PushTextTable(L, names);
    return 2;
}

RaceTime SplitRaceTime(float seconds) {
    RaceTime time;
    time.seconds = TruncateToInt32(seconds);
    time.hundredths = TruncateToInt32((seconds - static_cast<float>(time.seconds)) * 100.0f);
    if (time.seconds >= 60) {
        time.minutes = TruncateToInt32(static_cast<float>(time.seconds) * 0.016666668f);
        time.seconds -= 60 * time.minutes;
    }
    return time;
}

int PushRaceTime(lua_State* L, float seconds) {
    const RaceTime time = SplitRaceTime(seconds);
    lua_pushnumber(L, time.minutes);
    lua_pushnumber(L, time.seconds);
    lua_pushnumber(L, time.hundredths);
    return 3;
}

CPPlayer* FollowedUnit() { return gLevel ? gLevel->mCameraTarget : nullptr; }

int PushVector(lua_State* L, const D3DXVECTOR3& v) {
    lua_pushnumber(L, v.x);
    lua_pushnumber(L, v.y);
    lua_pushnumber(L, v.z);
    return 3;
}

}  // namespace ScriptCalls
