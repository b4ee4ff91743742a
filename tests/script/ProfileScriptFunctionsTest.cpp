#include "script/ProfileScriptFunctions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Render/ScriptValues.h"
#include "core/CPGameObject.h"
#include "core/config/Settings.h"
#include "simulation/units/CPPlayer.h"
#include "support/CommandLog.h"
#include "support/GameMenuScriptRig.h"
#include "support/ScopedGlobal.h"

namespace {

class ProfileScriptFunctionsTest : public GameMenuScriptRig {};

TEST_F(ProfileScriptFunctionsTest, SetMoneyStoresSinglePrecisionAndTellsTheGameMenuInHundredths) {
    ASSERT_EQ(lua.Run("SetMoney(1234.567)\nmoney = GetMoney()"), "");
    EXPECT_EQ(data->mMoney, 1234.567f);
    EXPECT_EQ(lua.Number("money"), static_cast<double>(1234.567f));
    EXPECT_EQ(DrainCommandTexts(gamemenu), std::vector<std::string>{"change_money:1234.57"});
}

TEST_F(ProfileScriptFunctionsTest, IntegerFieldsAreTruncatedAndReadBack) {
    ASSERT_EQ(lua.Run("SetPoints('12.9')\nSetKills(-3.7)\nSetPlayerMana(40.5)\nSetMaxAbilityCount(2.2)\n"
                      "SetNumRacesPassed(7.99)\n"
                      "points, kills, mana, races = GetPoints(), GetScore(), GetPlayerMana(), GetNumRacesPassed()"),
              "");
    EXPECT_EQ(lua.Number("points"), 12);
    EXPECT_EQ(lua.Number("kills"), -3);
    EXPECT_EQ(lua.Number("mana"), 40);
    EXPECT_EQ(lua.Number("races"), 7);
    EXPECT_EQ(data->mMaxAbilityCount, 2);
    EXPECT_EQ(data->mRacesPassed, 7);
}

TEST_F(ProfileScriptFunctionsTest, ScoreTableStubsAnswerWithoutEffect) {
    ScopedGlobal<float> temp(gTempValue, 0.0f);
    ASSERT_EQ(lua.Run("echo = AddScore(1, 2, 'last')\nbare = AddScore()\nin_table = IsInTable(5)\n"
                      "SetScoreLine('ann', 1, 2)\nline, value = GetScoreLine(1)\nSetTemp(2.5)\ntemp = GetTemp()"),
              "");
    EXPECT_EQ(lua.Text("echo"), "last") << "the caller receives the last argument";
    EXPECT_EQ(lua.Type("bare"), LUA_TNIL);
    EXPECT_EQ(lua.Type("in_table"), LUA_TBOOLEAN);
    EXPECT_FALSE(lua.Bool("in_table"));
    EXPECT_EQ(lua.Text("line"), "");
    EXPECT_EQ(lua.Number("value"), 0);
    EXPECT_EQ(lua.Number("temp"), 2.5);
    EXPECT_EQ(data->mKills, 0);
}

TEST_F(ProfileScriptFunctionsTest, SetTempKeepsTheValueTheChaseCameraReads) {
    ScopedGlobal<float> temp(gTempValue, 0.0f);
    ASSERT_EQ(lua.Run("SetTemp(-1.5)\nback = GetTemp()"), "");
    EXPECT_EQ(gTempValue, -1.5f) << "one value: a non-zero one stops the camera's level yaw offset";
    EXPECT_EQ(lua.Number("back"), -1.5);
}

TEST_F(ProfileScriptFunctionsTest, SetProfileNameResetsTheProfile) {
    data->mCurrentSave = 3;
    data->mCurrentMission = 5;
    data->mPoints = 900;
    data->mLevelResults[2].mBestTime = 40.0f;
    ASSERT_EQ(lua.Run("SetProfileName('Ann')\nSetPlayerName('uaz')\nname = GetProfileName()"), "");
    EXPECT_EQ(lua.Text("name"), "Ann");
    EXPECT_EQ(data->mPlayerName, "uaz");
    EXPECT_EQ(data->mCurrentSave, -1);
    EXPECT_EQ(data->mCurrentMission, 1);
    EXPECT_EQ(data->mPoints, 0);
    EXPECT_EQ(data->mLevelResults[2].mBestTime, 0.0f);
}

TEST_F(ProfileScriptFunctionsTest, PlayerNameIsTheProfilesOrTheUnitsCarNameAndANullUnitGivesTheEmptyText) {
    CPGameObject plain("crate");
    CPPlayer unit;
    lua.SetHandle("plain", &plain);
    lua.SetHandle("unit", &unit);
    ASSERT_EQ(lua.Run("SetPlayerName('uaz')\nbare = GetPlayerName()\nnone = GetPlayerName(nil)\n"
                      "other = GetPlayerName(plain)\nnameless = GetPlayerName(unit)"),
              "");
    EXPECT_EQ(lua.Text("bare"), "uaz");
    EXPECT_EQ(lua.Text("none"), "");
    EXPECT_EQ(lua.Text("other"), "") << "a handle of another class is a null unit";
    EXPECT_EQ(lua.Text("nameless"), "") << "a unit the loader has not named yet";
    unit.SetModelName("zil_130_");
    ASSERT_EQ(lua.Run("car = GetPlayerName(unit)"), "");
    EXPECT_EQ(lua.Text("car"), "zil_130_") << "the unit's car name, not the profile's";
}

TEST_F(ProfileScriptFunctionsTest, ActiveCarMapsSixChoicesToTheirModels) {
    const struct {
        const char* player;
        const char* model;
    } cases[] = {{"bmw", "bmw_i745"}, {"gaz_3110_main", "gaz_z110"}, {"volswagen_toureg", "volk_t"},
                 {"uaz", "uaz_469"},  {"zil_130_", "zil_130"},       {"audi_tt", "audi_tt"},
                 {"jeep", "jeep"},    {"", ""}};
    for (const auto& c : cases) {
        data->mPlayerName = c.player;
        ASSERT_EQ(lua.Run("car = GetActiveCar()"), "");
        EXPECT_EQ(lua.Text("car"), c.model) << c.player;
    }
}

TEST_F(ProfileScriptFunctionsTest, PlayerTypeDifficultyAndTheDifficultFlag) {
    ASSERT_EQ(lua.Run("SetPlayerType(true)"), "");
    EXPECT_EQ(data->mPlayerType, 10);
    ASSERT_EQ(lua.Run("SetPlayerType(nil)"), "");
    EXPECT_EQ(data->mPlayerType, 9);

    ASSERT_EQ(lua.Run("SetDifficulty(2.7)\nlevel = GetDifficulty()"), "");
    EXPECT_EQ(gSettings::cam_speed, 2);
    EXPECT_EQ(lua.Number("level"), 2);

    work.Folder().MakeFolder("DATA");
    work.Folder().Write("DATA/coeff.dat", "2\n3\n4\n5\n");
    ASSERT_EQ(lua.Run("SetDifficult(true)\nhard = GetDifficult()"), "");
    EXPECT_EQ(lua.Number("hard"), 1);
    EXPECT_EQ(data->mDifficultyCoeffs[3], 1.0f) << "difficult at a non-zero level: every coefficient 1";
    ASSERT_EQ(lua.Run("SetDifficult(false)\nhard = GetDifficult()"), "");
    EXPECT_EQ(lua.Number("hard"), 0);
    EXPECT_EQ(data->mDifficultyCoeffs[0], 2.0f) << "reloaded from the file";
}

TEST_F(ProfileScriptFunctionsTest, InitPlayerReadsTheStartingCar) {
    work.Folder().MakeFolder("DATA");
    work.Folder().Write("DATA/player.dat", "gun\nnone\nrocket\nmine1\narmor1\nbumper1\nengine1\nnuke\n3\nradar\nnone\n");
    ASSERT_EQ(lua.Run("InitPlayer()"), "");
    EXPECT_EQ(data->mCarConfig.mWeapon1, "gun");
    EXPECT_EQ(data->mCarConfig.mSuperWeaponCount, 3);
    EXPECT_EQ(data->mRealCarConfig, data->mCarConfig);
}

TEST(ProfileScriptFunctionsWithoutGameDataTest, ReturnNothingAndRaiseNothing) {
    LuaScriptRig lua;
    ASSERT_EQ(lua.Run("SetMoney(5)\nSetPoints(1)\nSetProfileName('a')\nInitPlayer()\nSetDifficult(true)\n"
                      "money, name, car, hard = GetMoney(), GetProfileName(), GetActiveCar(), GetDifficult()"),
              "");
    EXPECT_EQ(lua.Type("money"), LUA_TNIL);
    EXPECT_EQ(lua.Type("name"), LUA_TNIL);
    EXPECT_EQ(lua.Type("car"), LUA_TNIL);
    EXPECT_EQ(lua.Type("hard"), LUA_TNIL);
}
}  // namespace
