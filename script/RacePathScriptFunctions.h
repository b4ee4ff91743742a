// Native script functions that ask about the race world: the race path "c_path" of the level and where
// the followed unit stands on it, the level's size, rays cast from a point or from the screen, and
// whether an object is in view. A function that needs a level (or its path, camera or followed unit)
// answers nothing without one, unless it says otherwise.
#pragma once

#include <lua.hpp>

namespace ScriptFunctions {
// the race path
int GetPlayerSplineAngle(lua_State* L);
int GetSplineLinePoint(lua_State* L);
int GetSplineLineCount(lua_State* L);
int GetClosestLineCenter(lua_State* L);
int GetLevelSize(lua_State* L);
// rays and visibility
int CrossPlayerRay(lua_State* L);
int CrossInterfaceRay(lua_State* L);
int CheckVisible(lua_State* L);
}  // namespace ScriptFunctions
