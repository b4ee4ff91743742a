// Native script functions for the bonuses collected in the race and the per-level best results: the
// bonus list, the clearing of the race's data, the records tables and the scores file.
#pragma once

#include <lua.hpp>

namespace ScriptFunctions {
// bonuses
int AddBonus(lua_State* L);
int EraseBonus(lua_State* L);
int GetBonusesCount(lua_State* L);
int ClearBonuses(lua_State* L);
int GetBonusList(lua_State* L);
// records
int ClearGameData(lua_State* L);
int GetRecords(lua_State* L);
int CheckPlayerRecords(lua_State* L);
int SaveScore(lua_State* L);
}  // namespace ScriptFunctions
