// Native script functions for the race camera of the level, the level's sun light, the renderer's
// screen effects (blur, light coefficient, fade), the overlay camera, the
// race view, and the tuning of the followed car.
#pragma once

#include <lua.hpp>

namespace ScriptFunctions {
// race camera
int SetDefaultCamera(lua_State* L);
int SetCameraPos(lua_State* L);
int SetCameraZAngle(lua_State* L);
int GetCameraZAngle(lua_State* L);
int GetCameraPositions(lua_State* L);
int SetFOV(lua_State* L);
int GetFov1(lua_State* L);
int GetFov2(lua_State* L);
int GetCameraPlayer(lua_State* L);
// the race view 0, 1 or 2
int ChangeGameCamera(lua_State* L);
int SetCameraPlayer(lua_State* L);
// the rolling (attract) camera
int SetCamera(lua_State* L);
// sun light
int GetLight(lua_State* L);
int SetLight(lua_State* L);
// screen effects
int SetMotionBlur(lua_State* L);
int SetRadialBlur(lua_State* L);
int SetLightCoeff(lua_State* L);
int SetFade(lua_State* L);
int GetTextureSize(lua_State* L);
// tuning index of the renderer's tuning display
int Pup(lua_State* L);
int Pdown(lua_State* L);
// the selected parameter of the followed unit's car, one step down or up
int Pleft(lua_State* L);
int Pright(lua_State* L);
}  // namespace ScriptFunctions
