// Native script functions for the six save-game slots: saving, loading, emptying and listing them, and
// starting a new player in slot 0.
#pragma once

#include <lua.hpp>

namespace ScriptFunctions {
int SaveGame(lua_State* L);
int LoadGame(lua_State* L);
int DeleteSave(lua_State* L);
int GetSaves(lua_State* L);
int NewPlayer(lua_State* L);
}  // namespace ScriptFunctions
