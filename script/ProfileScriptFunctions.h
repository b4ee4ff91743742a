// Native script functions for the player's profile in the game data: money, points, kills, mana, the
// score-table stubs, names, races passed, the player's side and the difficulty.
#pragma once

#include <lua.hpp>

class CPGameData;

namespace ScriptFunctions {
// Stores the player's money and tells the game menu, which shows it, the new amount.
void ChangeMoney(CPGameData& data, float amount);

// money, points and scores
int SetMoney(lua_State* L);
int GetMoney(lua_State* L);
int SetPoints(lua_State* L);
int GetPoints(lua_State* L);
int SetKills(lua_State* L);
int GetScore(lua_State* L);
int AddScore(lua_State* L);
int IsInTable(lua_State* L);
int SetScoreLine(lua_State* L);
int GetScoreLine(lua_State* L);
int SetMaxAbilityCount(lua_State* L);
int GetPlayerMana(lua_State* L);
int SetPlayerMana(lua_State* L);
int SetTemp(lua_State* L);
int GetTemp(lua_State* L);
// names, profile and difficulty
int SetPlayerName(lua_State* L);
int GetPlayerName(lua_State* L);
int SetProfileName(lua_State* L);
int GetProfileName(lua_State* L);
int InitPlayer(lua_State* L);
int SetPlayerType(lua_State* L);
int GetActiveCar(lua_State* L);
int GetNumRacesPassed(lua_State* L);
int SetNumRacesPassed(lua_State* L);
int SetDifficulty(lua_State* L);
int GetDifficulty(lua_State* L);
int SetDifficult(lua_State* L);
int GetDifficult(lua_State* L);
}  // namespace ScriptFunctions
