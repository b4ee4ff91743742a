// Every registered script function called with a bad trailing argument: the Lua error that the argument
// raises leaves no C++ object of the function behind.
#include <gtest/gtest.h>

#include <string>

#include "script/ScriptFunctionTables.h"
#include "support/GameMenuScriptRig.h"

#if defined(__SANITIZE_ADDRESS__)
#define ENGINE_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ENGINE_LEAK_CHECK 1
#endif
#endif
#ifdef ENGINE_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

namespace {

class ScriptArgumentErrorTest : public GameMenuScriptRig {};

// Each function with 0, 1, ... 15 long texts (longer than a string object holds in place) before a table,
// which no check accepts. Returns how many calls ended in a Lua error.
int CallEveryFunctionWithABadTrailingArgument(LuaScriptRig& lua) {
    int errors = 0;
    for (const ScriptFunctionEntry* table : {gGameFunctions, gHudFunctions, gCoreFunctions}) {
        for (const ScriptFunctionEntry* entry = table; entry->name != nullptr; ++entry) {
            if (entry->function == nullptr) continue;
            for (int texts = 0; texts < 16; ++texts) {
                lua_State* L = lua.L;
                const int top = lua_gettop(L);
                lua_pushcfunction(L, entry->function);
                for (int i = 0; i < texts; ++i) lua_pushstring(L, std::string(32, 'x').c_str());
                lua_newtable(L);
                if (lua_pcall(L, texts + 1, LUA_MULTRET, 0) != 0) ++errors;
                lua_settop(L, top);
            }
        }
    }
    return errors;
}

TEST_F(ScriptArgumentErrorTest, ABadTrailingArgumentLeavesNothingBehind) {
    const int errors = CallEveryFunctionWithABadTrailingArgument(lua);
    // The functions that check a text or a number raise at the table; the others read it as nothing.
    EXPECT_GT(errors, 0);
#ifdef ENGINE_LEAK_CHECK
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "a Lua error left a C++ object behind";
#endif
}

}  // namespace
