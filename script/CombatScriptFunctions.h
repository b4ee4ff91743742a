// Native script functions of combat: hits and the removal of a destroyed race unit, the choice of its
// weapon and its fire and mine inputs. Each takes the unit as its first argument and does nothing for
// a nil or unknown one.
#pragma once

#include <lua.hpp>

namespace ScriptFunctions {
// damage and destruction
int DamagePlayer(lua_State* L);
int KillPlayer(lua_State* L);
// weapon choice
int SetCurrentWeapon(lua_State* L);
int SetPrevWeapon(lua_State* L);
int SetNextWeapon(lua_State* L);
// fire and mine inputs
int SetShot(lua_State* L);
int SetMineShot(lua_State* L);
}  // namespace ScriptFunctions
