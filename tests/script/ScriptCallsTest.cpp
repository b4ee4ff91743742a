#include "script/ScriptCalls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "core/CPGameObject.h"
#include "core/CPCommandTask.h"
#include "core/ObjectAddress.h"
#include "script/ScriptFunctionTables.h"
#include "support/LuaScriptRig.h"
#include "support/ReusedAddress.h"

namespace {

size_t Count(const ScriptFunctionEntry* table) {
    size_t n = 0;
    while (table[n].name != nullptr || table[n].function != nullptr) ++n;
    return n;
}

// The text of every string literal of a C++ source (escapes decoded, raw strings as written); comments
// and character literals are stepped over.
std::vector<std::string> StringLiterals(const std::string& source) {
    std::vector<std::string> literals;
    const size_t n = source.size();
    auto identifierChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    for (size_t i = 0; i < n; ++i) {
        const char c = source[i];
        const bool wordBefore = i > 0 && identifierChar(source[i - 1]);
        if (source.compare(i, 2, "//") == 0) {
            i = source.find('\n', i);
            if (i == std::string::npos) break;
        } else if (source.compare(i, 2, "/*") == 0) {
            i = source.find("*/", i + 2);
            if (i == std::string::npos) break;
            ++i;
        } else if (c == 'R' && i + 1 < n && source[i + 1] == '"' && !wordBefore) {
            const size_t open = source.find('(', i + 2);
            if (open == std::string::npos) break;
            // Built by appends: GCC 12 at -O2 misreads `")" + substr(...)` as an overlapping copy.
            std::string close(1, ')');
            close.append(source, i + 2, open - i - 2).push_back('"');
            const size_t end = source.find(close, open + 1);
            if (end == std::string::npos) break;
            literals.push_back(source.substr(open + 1, end - open - 1));
            i = end + close.size() - 1;
        } else if (c == '"') {
            std::string text;
            for (++i; i < n && source[i] != '"'; ++i) {
                if (source[i] != '\\' || i + 1 >= n) {
                    text += source[i];
                    continue;
                }
                const char escaped = source[++i];
                text += escaped == 'n' ? '\n' : (escaped == 't' ? '\t' : escaped);
            }
            literals.push_back(text);
        } else if (c == '\'' && !wordBefore) {
            // A character literal; a quote after a digit is a digit separator.
            i += source[i + 1] == '\\' ? 3 : 2;
        }
    }
    return literals;
}

// Whether Lua text calls the function `name`: "name(" (not as a field or method, "x.name(" or
// "x:name("), or hands it to pcall. A literal that is just the name counts too: tests that run one call
// per name of a table build the call from it.
bool CallsFunction(const std::string& text, const std::string& name) {
    if (text == name) return true;
    auto identifierChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
        const char before = at > 0 ? text[at - 1] : ' ';
        if (identifierChar(before) || before == '.' || before == ':') continue;
        size_t after = at + name.size();
        while (after < text.size() && text[after] == ' ') ++after;
        if (after < text.size() && text[after] == '(') return true;
        if (at >= 6 && text.compare(at - 6, 6, "pcall(") == 0) return true;
    }
    return false;
}

// The string literals of the script tests of this folder (this file, which names every function, left
// out): the Lua chunks they run.
std::vector<std::string> ScriptTestChunks() {
    // The folder of this file, next to the test data.
    const std::filesystem::path folder = std::filesystem::path(ENGINE_TEST_DATA_DIR).parent_path() / "script";
    std::vector<std::string> chunks;
    for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".cpp" || entry.path().filename() == "ScriptCallsTest.cpp") continue;
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string source((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        for (std::string& literal : StringLiterals(source)) chunks.push_back(std::move(literal));
    }
    return chunks;
}

}  // namespace

TEST(ScriptFunctionTablesTest, HoldEveryNameOfTheScriptsInTheirTables) {
    EXPECT_EQ(Count(gGameFunctions), 239u);
    EXPECT_EQ(Count(gHudFunctions), 53u);
    EXPECT_EQ(Count(gCoreFunctions), 30u);
    EXPECT_STREQ(gGameFunctions[0].name, "SetPlayerName");
    EXPECT_STREQ(gGameFunctions[238].name, "GetScreenSize");
    EXPECT_STREQ(gHudFunctions[52].name, "SetBrake2");
    EXPECT_STREQ(gCoreFunctions[7].name, "SetNextCommand");
    EXPECT_STREQ(gCoreFunctions[29].name, "PlayMusic");
    for (const ScriptFunctionEntry* table : {gGameFunctions, gHudFunctions, gCoreFunctions})
        for (size_t i = 0; i < Count(table); ++i) EXPECT_NE(table[i].name, nullptr) << "entry " << i;
}

// Every name is a function of the registered state, and a script test of this folder calls it from Lua
// (found in the tests' own text, so a name whose test goes away fails here).
TEST(ScriptFunctionTablesTest, EveryRegisteredNameIsACallableGlobalWithTestedBehaviour) {
    LuaScriptRig lua;
    const std::vector<std::string> chunks = ScriptTestChunks();
    ASSERT_GT(chunks.size(), 100u) << "the script tests' sources were not found";
    for (const ScriptFunctionEntry* table : {gGameFunctions, gHudFunctions, gCoreFunctions}) {
        for (size_t i = 0; i < Count(table); ++i) {
            const std::string name = table[i].name;
            ASSERT_NE(table[i].function, nullptr) << name << " has no function";
            EXPECT_EQ(lua.Type(name.c_str()), LUA_TFUNCTION) << name;
            const bool called = std::any_of(chunks.begin(), chunks.end(),
                                            [&](const std::string& chunk) { return CallsFunction(chunk, name); });
            EXPECT_TRUE(called) << name << " is registered but no script test calls it";
        }
    }
}

TEST(ScriptFunctionTablesTest, TheCheckForACallFindsLuaCallsOnly) {
    const std::string source = "x = 1'000; // \"Hidden(\" in a comment\n"
                               "run(\"a = Shown(1)\\nb = pcall(Handed, 2)\"); c = 'q';\n"
                               "run(R\"(Raw( 3 ))\"); run(\"t.Field(1) t:Method(2) Named\"); /* \"Gone(\" */";
    const std::vector<std::string> literals = StringLiterals(source);
    ASSERT_EQ(literals.size(), 3u);
    auto calledIn = [&](const char* name) {
        return std::any_of(literals.begin(), literals.end(),
                           [&](const std::string& literal) { return CallsFunction(literal, name); });
    };
    for (const char* name : {"Shown", "Handed", "Raw"}) EXPECT_TRUE(calledIn(name)) << name;
    for (const char* name : {"Hidden", "Field", "Method", "Named", "Gone", "Show"}) EXPECT_FALSE(calledIn(name)) << name;
    EXPECT_TRUE(CallsFunction("Named", "Named")) << "a literal of the name alone";
}

// Six pairs of names share a function; the two GetWindowPosition entries (and the two SetCursor ones)
// are functions of their own.
TEST(ScriptFunctionTablesTest, ThreeHundredAndTwentyTwoNamesCallThreeHundredAndSixteenFunctions) {
    std::set<lua_CFunction> functions;
    size_t names = 0;
    for (const ScriptFunctionEntry* table : {gGameFunctions, gHudFunctions, gCoreFunctions}) {
        for (size_t i = 0; i < Count(table); ++i, ++names) functions.insert(table[i].function);
    }
    EXPECT_EQ(names, 322u);
    EXPECT_EQ(functions.size(), 316u);
}

TEST(ScriptFunctionTablesTest, PairedNamesShareOneFunction) {
    auto find = [](const ScriptFunctionEntry* table, const char* name) -> lua_CFunction {
        for (size_t i = 0; i < Count(table); ++i)
            if (std::string(table[i].name) == name) return table[i].function;
        return nullptr;
    };
    EXPECT_EQ(find(gGameFunctions, "StopPlayingMusic"), find(gGameFunctions, "StopMusic"));
    EXPECT_EQ(find(gGameFunctions, "SetBrightness"), find(gGameFunctions, "DumpAIInfo"));
    EXPECT_EQ(find(gGameFunctions, "DeactivateInterface"), find(gCoreFunctions, "DeactivateObject"));
    EXPECT_NE(find(gGameFunctions, "SetCursor"), find(gHudFunctions, "SetCursor")) << "plain and checked name";
    EXPECT_NE(find(gGameFunctions, "GetWindowPosition"), find(gHudFunctions, "GetWindowPosition"));
    EXPECT_NE(find(gGameFunctions, "StopMusic"), nullptr);
}

TEST(ScriptFunctionTablesTest, ALaterTableReplacesAnEarlierFunctionOfTheSameName) {
    static const ScriptFunctionEntry first[] = {{"Twice", [](lua_State* L) { lua_pushnumber(L, 1); return 1; }},
                                                {"Unbuilt", nullptr},
                                                {nullptr, nullptr}};
    static const ScriptFunctionEntry second[] = {{"Twice", [](lua_State* L) { lua_pushnumber(L, 2); return 1; }},
                                                 {nullptr, nullptr}};
    lua_State* L = luaL_newstate();
    EXPECT_EQ(RegisterScriptFunctions(L, first), 1);
    EXPECT_EQ(RegisterScriptFunctions(L, second), 1);
    ASSERT_EQ(luaL_dostring(L, "r = Twice(); u = Unbuilt"), 0);
    lua_getglobal(L, "r");
    EXPECT_EQ(lua_tonumber(L, -1), 2.0);
    lua_getglobal(L, "u");
    EXPECT_TRUE(lua_isnil(L, -1));
    lua_close(L);
}

TEST(ScriptCallsTest, AHandleIsAnObjectOnlyWhileItLivesAndHasTheExpectedClass) {
    lua_State* L = luaL_newstate();
    auto* object = new CPGameObject("crate");
    CPCommandTask task;
    int local = 0;
    ScriptCalls::PushObject(L, object);
    ScriptCalls::PushObject(L, &task);
    lua_pushlightuserdata(L, &local);
    lua_pushnil(L);
    lua_pushstring(L, "crate");

    EXPECT_EQ(ScriptCalls::ToObject<CPGameObject>(L, 1), object);
    EXPECT_EQ(ScriptCalls::ToObject<CPCommandTask>(L, 1), nullptr) << "a game object is not a controller";
    EXPECT_EQ(ScriptCalls::ToObject<CPCommandTask>(L, 2), &task);
    EXPECT_EQ(ScriptCalls::ToObject<CPGameObject>(L, 3), nullptr) << "an address that is no engine object";
    EXPECT_EQ(ScriptCalls::ToObject<CPGameObject>(L, 4), nullptr);
    EXPECT_EQ(ScriptCalls::ToObject<CPGameObject>(L, 5), nullptr);
    EXPECT_EQ(ScriptCalls::ToObject<CPGameObject>(L, 6), nullptr) << "an absent argument";
    delete object;
    EXPECT_EQ(ScriptCalls::ToObject<CPGameObject>(L, 1), nullptr) << "a stale handle";
    lua_close(L);
}

// A deleted object's handle, kept by a script as light userdata and as command text, reads as nil even
// when a new object of the same class is built at the same address.
TEST(ScriptCallsTest, AHandleNamesNothingAfterItsObjectDiesEvenWhenANewObjectTakesTheAddress) {
    LuaScriptRig lua;
    ReusedAddress<CPGameObject> storage;
    CPGameObject* first = storage.Make("first");
    ScriptCalls::PushObject(lua.L, first);
    lua_setglobal(lua.L, "old");
    const std::string oldText = AddressToText(first);

    CPGameObject* second = storage.Make("second");
    ASSERT_EQ(static_cast<const void*>(second), storage.Address()) << "the new object took the old address";
    ScriptCalls::PushObject(lua.L, second);
    lua_setglobal(lua.L, "new");
    lua_getglobal(lua.L, "old");
    EXPECT_EQ(ScriptCalls::ToObject<CPGameObject>(lua.L, -1), nullptr) << "the old handle names the new object";
    lua_pop(lua.L, 1);

    ASSERT_EQ(lua.Run("same = old == new\n"
                      "direct = select('#', GetPosition(old))\n"
                      "viaText = select('#', GetPosition(StringToPointer('" + oldText + "')))\n"
                      "alive = select('#', GetPosition(new))"),
              "");
    EXPECT_FALSE(lua.Bool("same"));
    EXPECT_EQ(lua.Number("direct"), 0) << "a stale handle reads as nil";
    EXPECT_EQ(lua.Number("viaText"), 0) << "a stale command-text address reads as nil";
    EXPECT_EQ(lua.Number("alive"), 3) << "the new object's own handle names it";
}

TEST(ScriptCallsTest, RaceTimesSplitIntoMinutesSecondsAndHundredths) {
    struct Case {
        float seconds;
        int32_t minutes, wholeSeconds, hundredths;
    } cases[] = {
        {0.0f, 0, 0, 0}, {59.99f, 0, 59, 99}, {60.0f, 1, 0, 0}, {125.5f, 2, 5, 50}, {3599.0f, 59, 59, 0},
        {-1.5f, 0, -1, -50}, {std::nanf(""), 0, 0, 0},
    };
    for (const Case& c : cases) {
        const ScriptCalls::RaceTime t = ScriptCalls::SplitRaceTime(c.seconds);
        EXPECT_EQ(t.minutes, c.minutes) << c.seconds;
        EXPECT_EQ(t.seconds, c.wholeSeconds) << c.seconds;
        EXPECT_EQ(t.hundredths, c.hundredths) << c.seconds;
    }
}

TEST(ScriptCallsTest, ScriptsReceiveTheTripleNameListsAndArgumentConversions) {
    LuaScriptRig lua;
    lua_register(lua.L, "RaceTime", [](lua_State* L) { return ScriptCalls::PushRaceTime(L, ScriptCalls::ToFloat(L, 1)); });
    lua_register(lua.L, "Names", [](lua_State* L) { return ScriptCalls::PushNameList(L, {"gun", "mine", "rocket"}); });
    lua_register(lua.L, "Read", [](lua_State* L) {
        lua_pushnumber(L, ScriptCalls::ToInteger(L, 1));
        lua_pushboolean(L, ScriptCalls::ToBool(L, 2));
        lua_pushboolean(L, ScriptCalls::IsTrue(L, 2));
        lua_pushstring(L, ScriptCalls::PlainString(L, 3).c_str());
        return 4;
    });
    lua_register(lua.L, "Checked", [](lua_State* L) {
        lua_pushstring(L, ScriptCalls::CheckedString(L, 2).c_str());
        return 1;
    });
    ASSERT_EQ(lua.Run("m, s, h = RaceTime(125.5)\n"
                      "n, list = Names()\n"
                      "i, b, t, p = Read('12.9', 0, nil)\n"
                      "ok, err = pcall(Checked, 1, {})"),
              "");
    EXPECT_EQ(lua.Number("m"), 2);
    EXPECT_EQ(lua.Number("s"), 5);
    EXPECT_EQ(lua.Number("h"), 50);
    EXPECT_EQ(lua.Number("n"), 3);
    ASSERT_EQ(lua.Run("first, last = list[1], list[3]"), "");
    EXPECT_EQ(lua.Text("first"), "gun");
    EXPECT_EQ(lua.Text("last"), "rocket");
    EXPECT_EQ(lua.Number("i"), 12) << "a numeric string, truncated";
    EXPECT_TRUE(lua.Bool("b")) << "the number 0 is true";
    EXPECT_FALSE(lua.Bool("t")) << "only a boolean true counts as a switch";
    EXPECT_EQ(lua.Text("p"), "") << "an absent plain string is empty";
    EXPECT_FALSE(lua.Bool("ok"));
    EXPECT_NE(lua.Text("err").find("bad argument #2"), std::string::npos) << lua.Text("err");
}

// Positions and impulses come as three numbers in a row; ToVector reads them as ToFloat does (a missing
// or non-numeric one is 0), ReadFiniteVector refuses one that is not finite and leaves its output alone.
TEST(ScriptCallsTest, ThreeNumbersInARowReadAsAVector) {
    LuaScriptRig lua;
    lua_register(lua.L, "Vector", [](lua_State* L) {
        const D3DXVECTOR3 v = ScriptCalls::ToVector(L, 2);
        D3DXVECTOR3 finite(-9.0f, -9.0f, -9.0f);
        const bool ok = ScriptCalls::ReadFiniteVector(L, 2, finite);
        lua_pushnumber(L, v.x);
        lua_pushnumber(L, v.y);
        lua_pushnumber(L, v.z);
        lua_pushboolean(L, ok);
        lua_pushnumber(L, finite.x);
        return 5;
    });
    struct Case {
        const char* name;
        const char* arguments;
        double x, y, z;
        bool finite;
        double finiteX;
    };
    for (const Case& c : {
             Case{"three numbers", "'skip', 1, -2.5, 3", 1, -2.5, 3, true, 1},
             Case{"a numeric string", "'skip', '4', 5, 6", 4, 5, 6, true, 4},
             Case{"the third missing", "'skip', 1, 2", 1, 2, 0, true, 1},
             Case{"a table reads as 0", "'skip', {}, 2, 3", 0, 2, 3, true, 0},
             Case{"beyond the float range", "'skip', 1e39, 2, 3", HUGE_VAL, 2, 3, false, -9},
             Case{"NaN", "'skip', 1, 0/0, 3", 1, NAN, 3, false, -9},
         }) {
        ASSERT_EQ(lua.Run(std::string("x, y, z, ok, fx = Vector(") + c.arguments + ")"), "") << c.name;
        EXPECT_EQ(lua.Number("x"), c.x) << c.name;
        if (std::isnan(c.y)) {
            EXPECT_TRUE(std::isnan(lua.Number("y"))) << c.name;
        } else {
            EXPECT_EQ(lua.Number("y"), c.y) << c.name;
        }
        EXPECT_EQ(lua.Number("z"), c.z) << c.name;
        EXPECT_EQ(lua.Bool("ok"), c.finite) << c.name;
        EXPECT_EQ(lua.Number("fx"), c.finiteX) << c.name;
    }
}
