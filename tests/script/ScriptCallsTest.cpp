#include "script/ScriptCalls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

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

// Names whose behaviour the script tests of this folder exercise through a real Lua state.
const std::set<std::string> kExercised = {
    // objects, commands, tasks
    "GetDeltaTime", "AddRef", "DumpObjects", "Release", "SendCommandByName", "SendCommandByObject",
    "SendCommandByCategory", "SetNextCommand", "GetCurrentCommand", "GetCurrentParams", "PointerToString",
    "StringToPointer", "SetPTransformation", "CheckString", "GetChildObject", "SetVisible", "SetCollision",
    "SplitString", "LoadRenderObject", "DrawDynamicObject", "SetAnimation", "GetParentObject", "ActivateObject",
    "KillAllTasks", "ToInt", "StopScript", "SetPosition", "GetPosition", "GetBBoxInfo", "SetRotation", "Clone",
    "FindObject", "SetObjectVisible", "StartAnimation", "GetObjectSpeed", "IsRigid", "Jump", "ApplyImpulse",
    // sound, music, video, settings, system
    "PlaySpecialSound", "PlaySpecialSound3D", "UpdateSoundPosition", "StopSpecialSound", "IsSpecialSoundPlaying",
    "StopSounds", "GetSoundVolume", "SetSoundVolume", "GetMusicVolume", "SetMusicVolume", "PlayMusic",
    "PlayMusicNoLoop", "StopPlayingMusic", "StopMusic", "GetMusicName", "PlayVideo", "PlayVideoNoSound",
    "PlayVideo1", "StopVideo", "StopVideo1", "GetMouse", "SetMouse", "GetBrightness", "SetBrightness",
    "DumpAIInfo", "GetCurrentResolution", "GetScreenSize", "IsWeather", "InitWarning", "SetLensFlare",
    "GetAICount", "SaveLog", "GoURLlink", "GoURL", "IsFileExists",
    // interface screens
    "CreateInterface", "ActivateInterface", "SilentActivateInterface", "DeactivateInterface", "DeactivateObject",
    "UpdateInterface", "UpdateInterfaceBuffers", "SetWindowVisible", "SetWindowPosition", "SetWindowPositionShop",
    "SetWindowSize", "GetWindowPosition", "SetTextPosition", "GetTextPosition", "SetText", "SetTextString", "SetFont",
    "SetFontString", "SetEditBoxText", "EditBoxProcessKey", "EditBoxTextLength", "GetEditBoxText", "SetCursor",
    "GetCursor", "IMenuRight", "IMenuLeft", "DeselectCurrentButton", "LockButton", "UnlockButton",
    // save games
    "SaveGame", "LoadGame", "DeleteSave", "GetSaves", "NewPlayer",
    // action bindings
    "SetActions", "SetAssignKey", "SaveActions", "UpdateActions", "LoadActions", "SetAction", "GetActionNames",
    // profile
    "SetMoney", "GetMoney", "SetPoints", "GetPoints", "SetKills", "GetScore", "AddScore", "IsInTable",
    "SetScoreLine", "GetScoreLine", "SetMaxAbilityCount", "GetPlayerMana", "SetPlayerMana", "SetTemp", "GetTemp",
    "SetPlayerName", "GetPlayerName", "SetProfileName", "GetProfileName", "InitPlayer", "SetPlayerType", "GetActiveCar",
    "GetNumRacesPassed", "SetNumRacesPassed", "SetDifficulty", "GetDifficulty", "SetDifficult", "GetDifficult",
    // shop
    "GetCarInfo", "SetCarInfo", "GetRealCarInfo", "CommitCarSettings", "AutoSetting", "GetWeaponInfo", "GetMineInfo",
    "GetSuperWeaponInfo", "GetBumperInfo", "GetEquipmentInfo", "GetArmorInfo", "GetEngineInfo", "GetWeaponNames",
    "GetMineNames", "GetSuperWeaponNames", "GetBumperNames", "GetEquipmentNames", "GetArmorNames", "GetEngineNames",
    "IsValidGameDataName",
    // bonuses and records
    "AddBonus", "EraseBonus", "GetBonusesCount", "ClearBonuses", "GetBonusList", "ClearGameData", "GetRecords",
    "CheckPlayerRecords", "SaveScore",
    // camera, light and screen effects
    "SetDefaultCamera", "SetCameraPos", "SetCameraZAngle", "GetCameraZAngle", "GetCameraPositions", "SetFOV",
    "GetLight", "SetLight", "SetMotionBlur", "SetRadialBlur", "SetLightCoeff", "SetFade", "GetTextureSize", "Pup",
    "Pdown", "GetFov1", "GetFov2", "GetCameraPlayer", "SetCamera", "ChangeGameCamera", "SetCameraPlayer", "Pleft",
    "Pright",
    // level life, race settings and race clocks
    "InitLevel", "StartLevel", "StopLevel", "DeleteLevel", "SetLevelTransportCount", "SetLevelTime", "SetUpdateTime",
    "IsRaceStarted", "SetReversed", "SetPlaceToFinish", "IsSingleMode", "IsTimeMode", "ClearLevelTimers",
    "SetTimeBonus", "SetNumRounds", "GetRoundsNumber", "GetCurrentRound", "SetRoundTime", "GetRoundTime",
    "GetCurrentMission", "GetCurrentRace", "SetCurrentMission", "SetCurrentRace", "SetSingle", "IsSingle",
    "SetTimeAttack", "IsTimeAttack", "SetLevelStarted", "IsLevelStarted", "GetTime", "GetTimeBest", "GetTimeAttack",
    "GetBestTimeAttack", "GetBestTimeAttack2", "GetCheckpointTime", "GetFullTime", "UpdateRoundsTime",
    "LoadMissionInfo", "GetCheckPointsCount", "GetCheckPointInfo", "ChangeCheckpointPosition", "ShowCheckPoint",
    "StartGlobalTimer", "StopGlobalTimer", "ClearTimer", "ClearGlobalTimer",
    // combat
    "DamagePlayer", "KillPlayer", "SetCurrentWeapon", "SetPrevWeapon", "SetNextWeapon", "SetShot", "SetMineShot",
    // race units
    "GetPlayerPosition", "GetPlayerDirection", "GetPlayerSpeed", "GetPlayerSlide", "GetPlayerMass", "GetPlayerDamage",
    "GetStats", "IsDead", "IsPlayerDead", "GetAIDamage", "IsDamageMsg", "GetNitro", "IsNitro", "PlayerNitro",
    "PlayerApplyImpulse", "StopPlayerCar", "IsPlayerMoveForward", "IsPlayerMovingBackwards", "ActivateAbilities",
    "SetAbilitiesCount", "LockPlayer", "LockPlayers", "SetWeaponPos", "PlayerShot", "SmartBomb", "IsDarkLeft",
    "IsLightLeft", "GetNearestSelvantaPlayer", "GetNearestOrvantaPlayer", "IsInGloom", "SetCarParams", "SetBrake",
    "SetBrake2", "SetStop", "Spawn", "ThrowPlayer", "ActivateAbilitiesAI", "SetAbilitiesCountAI", "GetPlayerSpeedAI",
    "GetPlayerDirectionAI", "PlayerNitroAI",
    // in-race display
    "InitGameInterface", "UpdateGameInterface", "UpdateTime", "UpdateScore", "EngineState", "SetPlayersPanel",
    "GetPlayerMapPosition", "GetAIPositions", "GetHelthBarCoord",
    // the race path, rays and visibility
    "GetPlayerSplineAngle", "GetSplineLinePoint", "GetSplineLineCount", "GetClosestLineCenter", "GetLevelSize",
    "CrossPlayerRay", "CrossInterfaceRay", "CheckVisible",
    // world objects and enemies
    "Shot", "Explosion", "DirectionalExplosion", "SetBonus", "StartLighting", "UpdateTrasser", "DrawLine",
    "CreateArrow", "DrawArrow", "CheckIntersection", "AddEnemy", "GetEnemyData", "GetEnemyType",
    "IsEnemySourceNear", "GetPositionForEnemy",
};

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

TEST(ScriptFunctionTablesTest, EveryRegisteredNameIsACallableGlobalWithTestedBehaviour) {
    LuaScriptRig lua;
    std::set<std::string> registered;
    for (const ScriptFunctionEntry* table : {gGameFunctions, gHudFunctions, gCoreFunctions}) {
        for (size_t i = 0; i < Count(table); ++i) {
            const std::string name = table[i].name;
            ASSERT_NE(table[i].function, nullptr) << name << " has no function";
            registered.insert(name);
            EXPECT_EQ(lua.Type(name.c_str()), LUA_TFUNCTION) << name;
            EXPECT_TRUE(kExercised.count(name)) << name << " is registered but no script test calls it";
        }
    }
    for (const std::string& name : kExercised) EXPECT_TRUE(registered.count(name)) << name;
}

// Six pairs of names share a function; so do the two GetWindowPosition entries, which behave alike.
TEST(ScriptFunctionTablesTest, ThreeHundredAndTwentyTwoNamesCallThreeHundredAndFifteenFunctions) {
    std::set<lua_CFunction> functions;
    size_t names = 0;
    for (const ScriptFunctionEntry* table : {gGameFunctions, gHudFunctions, gCoreFunctions}) {
        for (size_t i = 0; i < Count(table); ++i, ++names) functions.insert(table[i].function);
    }
    EXPECT_EQ(names, 322u);
    EXPECT_EQ(functions.size(), 315u);
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
