// The calling conventions every native script function follows: arguments read by position, results
// pushed, engine objects as light-userdata handles that are checked before use.
//
// A handle's light userdata holds the object's ObjectHandle (core/CPRefObject.h), not its address: it
// names the object for the object's whole life and reads as nil afterwards, even once a new object is
// built at the same address. Scripts only compare handles, pass them back and send them as text.
//
// A Lua error (a failed argument check, a stack that cannot grow) is a longjmp out of the function: the
// destructors of the C++ objects in the frames it leaves never run. So every native function first
// reads and checks all its arguments (CheckStrings, luaL_check...) and reserves the stack it needs
// (ReserveResults), and only then builds strings, vectors or smart pointers; nothing that can raise a
// Lua error runs while such an object lives in its frame. (Pushing onto reserved stack space raises
// only when Lua runs out of memory.)
#pragma once

#include <lua.hpp>

#include <cstdint>
#include <string>
#include <vector>

#include "core/CPRefObject.h"
#include "platform/D3DX9Math.h"

class CPPlayer;

namespace ScriptCalls {

// The handle at `index`: the value of a light userdata; kNone for anything else (absent, nil, a number,
// a full userdata).
ObjectHandle ToHandle(lua_State* L, int index);
// Pushes the handle as a light userdata; kNone pushes a null handle, not nil.
void PushHandle(lua_State* L, ObjectHandle handle);

// The engine object behind the handle at `index`, when the handle names a live engine object of class
// T; null otherwise (absent, nil, not a handle, the handle of an object that has died, another class).
template <class T>
T* ToObject(lua_State* L, int index) {
    return dynamic_cast<T*>(gObjectRegistry::Find(ToHandle(L, index)));
}

// The race unit the level's camera follows: the unit most script functions act on; null without a
// level or a followed unit.
CPPlayer* FollowedUnit();

// Pushes the object's handle; null, or an address where no engine object lives, pushes a null handle,
// not nil. Pushed twice for one live object, the two handles compare equal in Lua.
void PushObject(lua_State* L, const CPRefObject* object);

// A number (or a numeric string); anything else reads as 0.
inline double ToNumber(lua_State* L, int index) { return lua_tonumber(L, index); }
inline float ToFloat(lua_State* L, int index) { return static_cast<float>(lua_tonumber(L, index)); }
// The number as a float, 0 when it is not finite (NaN, an infinity, or beyond the float range).
float ToFiniteFloat(lua_State* L, int index);
// The three numbers from `first` on, each as ToFloat reads it.
inline D3DXVECTOR3 ToVector(lua_State* L, int first) {
    return D3DXVECTOR3(ToFloat(L, first), ToFloat(L, first + 1), ToFloat(L, first + 2));
}
// The three numbers from `first` on; false, leaving `out` alone, when one of them is not finite.
bool ReadFiniteVector(lua_State* L, int first, D3DXVECTOR3& out);
// The two numbers from `first` on; false, leaving the outputs alone, when one of them is not finite.
bool ReadFinitePair(lua_State* L, int first, float& x, float& y);
// Truncated toward zero; NaN gives 0 and values beyond the int32 range its nearest end.
int32_t ToInteger(lua_State* L, int index);
// False only for nil, false and an absent argument.
inline bool ToBool(lua_State* L, int index) { return lua_toboolean(L, index) != 0; }
// True only for a boolean true (a number or nil is false).
bool IsTrue(lua_State* L, int index);

// Raises the Lua argument error naming the position of the first argument from `first` to `last` that is
// neither a string nor a number. Builds nothing: call it before any C++ object is made.
void CheckStrings(lua_State* L, int first, int last);
// A string or a number as text; raises the Lua argument error naming the position otherwise. Only as the
// one check of a function, or after CheckStrings: a later check would leave this text behind.
std::string CheckedString(lua_State* L, int index);
// A string or a number as text, raising nothing; anything else is the empty text.
std::string PlainString(lua_State* L, int index);

// Makes room for `count` more results; raises a Lua error when the stack cannot grow that far.
void ReserveResults(lua_State* L, int count);
// Pushes each text as a result; returns their count. Raises (before pushing anything) when the stack
// cannot hold them, so the texts must not live in the caller's frame: pass texts an engine object owns.
int PushStrings(lua_State* L, const std::vector<std::string>& texts);
// A new table of the texts under the keys 1, 2, 3...
void PushTextTable(lua_State* L, const std::vector<std::string>& texts);
// A name list: the count, then a table of the names under the keys 1, 2, 3...; returns 2.
int PushNameList(lua_State* L, const std::vector<std::string>& names);

inline void PushBoolean(lua_State* L, bool value) { lua_pushboolean(L, value ? 1 : 0); }
// Pushes x, y and z; returns 3.
int PushVector(lua_State* L, const D3DXVECTOR3& v);

// A race time of `seconds` as minutes, seconds, hundredths.
struct RaceTime {
    int32_t minutes = 0;
    int32_t seconds = 0;
    int32_t hundredths = 0;
};
RaceTime SplitRaceTime(float seconds);
// Pushes the triple minutes, seconds, hundredths; returns 3.
int PushRaceTime(lua_State* L, float seconds);

}  // namespace ScriptCalls
