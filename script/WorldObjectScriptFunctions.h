// Native script functions that put things into the race world: shots, explosions and bonus pick-ups
// made by name through the object factory, lightning bolts launched and advanced frame by frame, debug
// lines, the speed needle of the in-race display, and the blast that pushes the Orvanta cars away.
#pragma once

#include <lua.hpp>

namespace ScriptFunctions {
// objects made by name through gObjectFactory
int Shot(lua_State* L);
int Explosion(lua_State* L);
int DirectionalExplosion(lua_State* L);
int SetBonus(lua_State* L);
// lightning
int StartLighting(lua_State* L);
int UpdateTrasser(lua_State* L);
// drawing
int DrawLine(lua_State* L);
int CreateArrow(lua_State* L);
int DrawArrow(lua_State* L);
// the blast zone
int CheckIntersection(lua_State* L);
}  // namespace ScriptFunctions
