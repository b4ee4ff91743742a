// Native script functions for the action bindings of the input manager: switching them on, waiting for a
// key to assign, loading, saving and listing them and giving an action another key.
#pragma once

#include <lua.hpp>

namespace ScriptFunctions {
int SetActions(lua_State* L);
int SetAssignKey(lua_State* L);
int SaveActions(lua_State* L);
int UpdateActions(lua_State* L);
int LoadActions(lua_State* L);
int SetAction(lua_State* L);
int GetActionNames(lua_State* L);
}  // namespace ScriptFunctions
