// A Lua state with the standard libraries and every registered native function, for running real
// scripts against the engine in tests.
#pragma once

#include <lua.hpp>

#include <string>

#include "core/CPRefObject.h"
#include "script/ScriptCalls.h"
#include "script/ScriptFunctionTables.h"

class LuaScriptRig {
public:
    lua_State* L;

    LuaScriptRig() : L(luaL_newstate()) {
        luaL_openlibs(L);
        RegisterAllScriptFunctions(L);
    }
    ~LuaScriptRig() { lua_close(L); }
    LuaScriptRig(const LuaScriptRig&) = delete;
    LuaScriptRig& operator=(const LuaScriptRig&) = delete;

    // Runs the chunk; the Lua error message, or "" when it ran through.
    std::string Run(const std::string& code) {
        if (luaL_loadstring(L, code.c_str()) != 0 || lua_pcall(L, 0, 0, 0) != 0) {
            std::string message = lua_tostring(L, -1) ? lua_tostring(L, -1) : "(error)";
            lua_pop(L, 1);
            return message;
        }
        return "";
    }
    // Makes the object's handle a global of the scripts, as the engine hands it out (a null handle for
    // null or for an address where no engine object lives).
    void SetHandle(const char* name, const CPRefObject* object) {
        ScriptCalls::PushObject(L, object);
        lua_setglobal(L, name);
    }
    // Makes any value a global light userdata: a handle no engine function hands out.
    void SetLightUserdata(const char* name, const void* value) {
        lua_pushlightuserdata(L, const_cast<void*>(value));
        lua_setglobal(L, name);
    }
    // Reads the global with `read` while it is on the stack.
    template <class F>
    auto Global(const char* name, F read) {
        lua_getglobal(L, name);
        auto value = read();
        lua_pop(L, 1);
        return value;
    }
    double Number(const char* name) { return Global(name, [this] { return lua_tonumber(L, -1); }); }
    std::string Text(const char* name) {
        return Global(name, [this] { return std::string(lua_tostring(L, -1) ? lua_tostring(L, -1) : "(nil)"); });
    }
    bool Bool(const char* name) { return Global(name, [this] { return lua_toboolean(L, -1) != 0; }); }
    // The live engine object the global's handle names; null for nil, a null handle, or a handle whose
    // object has died.
    CPRefObject* Handle(const char* name) {
        return Global(name, [this] { return gObjectRegistry::Find(ScriptCalls::ToHandle(L, -1)); });
    }
    int Type(const char* name) { return Global(name, [this] { return lua_type(L, -1); }); }
    // The results of one call (any expression list) as text, "a,b,c"; "" for none, "(error)" when it
    // raised.
    std::string Results(const std::string& call) {
        if (!Run("local r = {" + call + "} local t = {} for i = 1, table.getn(r) do t[i] = tostring(r[i]) end "
                 "out = table.concat(t, ',')")
                 .empty())
            return "(error)";
        return Text("out");
    }
};
