// Native script functions for the race units: the followed unit's position, facing, speed, damage,
// nitro and abilities, its locks and impulses, the nearest unit of each side, and the controls, lights,
// nitro and respawn of any unit the script passes.
#pragma once

#include <lua.hpp>

namespace ScriptFunctions {
// the followed unit (the level's camera target)
int GetPlayerPosition(lua_State* L);
int GetPlayerDirection(lua_State* L);
int GetPlayerSpeed(lua_State* L);
int GetPlayerSlide(lua_State* L);
int GetPlayerMass(lua_State* L);
int GetPlayerDamage(lua_State* L);
int GetStats(lua_State* L);
int IsDead(lua_State* L);
int IsPlayerDead(lua_State* L);
int GetAIDamage(lua_State* L);
int IsDamageMsg(lua_State* L);
int GetNitro(lua_State* L);
int IsNitro(lua_State* L);
int PlayerNitro(lua_State* L);
int PlayerApplyImpulse(lua_State* L);
int StopPlayerCar(lua_State* L);
int IsPlayerMoveForward(lua_State* L);
int IsPlayerMovingBackwards(lua_State* L);
int ActivateAbilities(lua_State* L);
int SetAbilitiesCount(lua_State* L);
int LockPlayer(lua_State* L);
int LockPlayers(lua_State* L);
int SetWeaponPos(lua_State* L);
int PlayerShot(lua_State* L);
int SmartBomb(lua_State* L);
// the sides
int IsDarkLeft(lua_State* L);
int IsLightLeft(lua_State* L);
int GetNearestSelvantaPlayer(lua_State* L);
int GetNearestOrvantaPlayer(lua_State* L);
// a unit given as the first argument
int IsInGloom(lua_State* L);
int SetCarParams(lua_State* L);
int SetBrake(lua_State* L);
int SetBrake2(lua_State* L);
int SetStop(lua_State* L);
int Spawn(lua_State* L);
int ThrowPlayer(lua_State* L);
int ActivateAbilitiesAI(lua_State* L);
int SetAbilitiesCountAI(lua_State* L);
int GetPlayerSpeedAI(lua_State* L);
int GetPlayerDirectionAI(lua_State* L);
int PlayerNitroAI(lua_State* L);
}  // namespace ScriptFunctions
