// The three tables of native functions the host registers as global functions of its Lua state,
// before it runs the scripts.
#pragma once

#include <lua.hpp>

// One native function under the name the scripts call it by. A table ends with an entry whose name and
// function are both null; an entry with a name and no function is a name the engine cannot serve yet.
struct ScriptFunctionEntry {
    const char* name;
    lua_CFunction function;
};

extern const ScriptFunctionEntry gGameFunctions[];  // the game interface, 239 names
extern const ScriptFunctionEntry gHudFunctions[];   // the in-race display and combat, 53 names
extern const ScriptFunctionEntry gCoreFunctions[];  // the core, 30 names

// Sets every entry that has a function as a global of the state, in table order (a later entry of a
// name replaces an earlier one). Returns how many it set.
int RegisterScriptFunctions(lua_State* L, const ScriptFunctionEntry* table);
// The game-interface table, then the in-race display table, then the core table: where a name stands
// in two tables the scripts see the later table's function.
int RegisterAllScriptFunctions(lua_State* L);
