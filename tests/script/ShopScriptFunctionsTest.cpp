#include "script/ShopScriptFunctions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/config/Settings.h"
#include "support/CommandLog.h"
#include "support/GameMenuScriptRig.h"

namespace {

PartRecord Part(int32_t price, int32_t availability) {
    PartRecord record;
    record.mPrice = price;
    record.mAvailability = availability;
    return record;
}

WeaponRecord Weapon(int32_t price, int32_t availability) {
    WeaponRecord record;
    record.mPrice = price;
    record.mAvailability = availability;
    return record;
}

class ShopScriptFunctionsTest : public GameMenuScriptRig {
protected:
    // Runs the chunk and reads the global table `name` as texts t[1] .. t[n].
    std::vector<std::string> Names(const char* name) {
        return lua.Global(name, [this] {
            std::vector<std::string> names;
            for (int i = 1;; ++i) {
                lua_rawgeti(lua.L, -1, i);
                if (lua_isnil(lua.L, -1)) {
                    lua_pop(lua.L, 1);
                    return names;
                }
                names.push_back(lua_tostring(lua.L, -1));
                lua_pop(lua.L, 1);
            }
        });
    }

};

TEST_F(ShopScriptFunctionsTest, SetCarInfoIsReadBackAndReachesTheRaceOnlyWhenCommitted) {
    data->mRealCarConfig.mWeapon1 = "old";
    ASSERT_EQ(lua.Run("SetCarInfo('w1', 'w2', 'w3', 'e1', 'e2', 'bump', 'eng', 'arm', 'super', '2.9', 'mine')\n"
                      "before = {GetRealCarInfo()}\n"
                      "t = {GetCarInfo()}\n"
                      "CommitCarSettings()\n"
                      "real = {GetRealCarInfo()}\n"
                      "count, n = t[10], select('#', GetCarInfo())"),
              "");
    const CarConfigRecord expected{"w1", "w2", "w3", "e1", "e2", "bump", "eng", "arm", "super", 2, "mine"};
    EXPECT_EQ(data->mCarConfig, expected);
    EXPECT_EQ(data->mRealCarConfig, expected);
    EXPECT_EQ(lua.Number("n"), 11);
    EXPECT_EQ(lua.Number("count"), 2);
    EXPECT_EQ(Names("t"), (std::vector<std::string>{"w1", "w2", "w3", "e1", "e2", "bump", "eng", "arm", "super",
                                                     "2", "mine"}));
    EXPECT_EQ(Names("before")[0], "old");
    EXPECT_EQ(Names("real"), Names("t"));
}

TEST_F(ShopScriptFunctionsTest, SetCarInfoWithMissingValuesLeavesThosePlacesEmpty) {
    data->mCarConfig.mMine = "mounted";
    ASSERT_EQ(lua.Run("SetCarInfo('w1', nil, {})"), "");
    EXPECT_EQ(data->mCarConfig, (CarConfigRecord{"w1", "", "", "", "", "", "", "", "", 0, ""}));
}

TEST_F(ShopScriptFunctionsTest, ItemInformationComesInRecordOrderWithItsTexts) {
    data->mTexts = {{"n_gun", "Gun"}, {"d_gun", "A gun"}, {"n_eng", "V8"}, {"d_eng", "Loud"}};
    WeaponRecord gun{"n_gun", 100, 2, 1.5f, 3, 4.5f, 5.5f, 6, 7.5f, 8.5f, "d_gun", 4};
    data->mWeapons.Add("gun", gun);
    EngineRecord engine{"n_eng", 300, {1.0f, 2.0f, 3.0f, 4.0f, 5.0f}, "d_eng", 2};
    data->mEngines.Add("v8", engine);
    ASSERT_EQ(lua.Run("w = {GetWeaponInfo('gun')}\ne = {GetEngineInfo('v8')}"), "");
    EXPECT_EQ(Names("w"), (std::vector<std::string>{"Gun", "100", "2", "1.5", "3", "4.5", "5.5", "6", "7.5", "8.5",
                                                     "A gun", "4"}));
    EXPECT_EQ(Names("e"), (std::vector<std::string>{"V8", "300", "1", "2", "3", "4", "5", "Loud", "2"}));
}

TEST_F(ShopScriptFunctionsTest, EveryInformationFunctionAnswersItsCountAndNothingForAnUnknownItem) {
    data->mWeapons.Add("x", {});
    data->mMines.Add("x", {});
    data->mSuperWeapons.Add("x", {});
    data->mBumpers.Add("x", {});
    data->mEquipment.Add("x", {});
    data->mArmors.Add("x", {});
    data->mEngines.Add("x", {});
    const struct {
        const char* function;
        int results;
    } cases[] = {{"GetWeaponInfo", 12}, {"GetMineInfo", 11},  {"GetSuperWeaponInfo", 4}, {"GetBumperInfo", 5},
                 {"GetEquipmentInfo", 5}, {"GetArmorInfo", 5}, {"GetEngineInfo", 9}};
    for (const auto& c : cases) {
        const std::string f = c.function;
        ASSERT_EQ(lua.Run("known = select('#', " + f + "('x'))\nunknown = select('#', " + f + "('y'))\n"
                          "absent = select('#', " + f + "())"),
                  "")
            << f;
        EXPECT_EQ(lua.Number("known"), c.results) << f;
        EXPECT_EQ(lua.Number("unknown"), 0) << f;
        EXPECT_EQ(lua.Number("absent"), 0) << f;
    }
}

TEST_F(ShopScriptFunctionsTest, WeaponListingHoldsWhatTheMissionOffersExceptTheMountedOnes) {
    data->mCurrentMission = 2;
    data->mWeapons.Add("a1", Weapon(1, 1));
    data->mWeapons.Add("a2", Weapon(1, 2));
    data->mWeapons.Add("a3", Weapon(1, 3));
    data->mWeapons.Add("mounted", Weapon(1, 1));
    data->mWeapons.Add("a15", Weapon(1, 15));
    data->mWeapons.Add("a16", Weapon(1, 16));
    data->mCarConfig.mWeapon2 = "mounted";
    ASSERT_EQ(lua.Run("n, t = GetWeaponNames()\nSetDifficult(true)\nhard_n, hard = GetWeaponNames()"), "");
    EXPECT_EQ(lua.Number("n"), 2);
    EXPECT_EQ(Names("t"), (std::vector<std::string>{"a1", "a2"}));
    EXPECT_EQ(lua.Number("hard_n"), 4);
    EXPECT_EQ(Names("hard"), (std::vector<std::string>{"a1", "a2", "a3", "a15"}));
}

TEST_F(ShopScriptFunctionsTest, EachListingLeavesOutTheItemsMountedInItsOwnPlaces) {
    data->mCarConfig = {"w1", "w2", "w3", "e1", "e2", "bump", "eng", "arm", "super", 1, "mine"};
    const char* allNames[] = {"w1", "w2", "w3", "e1", "e2", "bump", "eng", "arm", "super", "mine", "free"};
    for (const char* name : allNames) {
        data->mWeapons.Add(name, Weapon(1, 1));
        data->mMines.Add(name, {});
        data->mSuperWeapons.Add(name, {});
        data->mBumpers.Add(name, Part(1, 1));
        data->mEquipment.Add(name, Part(1, 1));
        data->mArmors.Add(name, Part(1, 1));
        data->mEngines.Add(name, {});
    }
    const struct {
        const char* function;
        std::vector<std::string> left;
    } cases[] = {{"GetWeaponNames", {"w1", "w2", "w3"}}, {"GetMineNames", {"mine"}},
                 {"GetSuperWeaponNames", {}},           {"GetBumperNames", {"bump"}},
                 {"GetEquipmentNames", {"e1", "e2"}},   {"GetArmorNames", {"arm"}},
                 {"GetEngineNames", {"eng"}}};
    for (const auto& c : cases) {
        ASSERT_EQ(lua.Run(std::string("n, t = ") + c.function + "()"), "") << c.function;
        std::vector<std::string> expected;
        for (const char* name : allNames)
            if (std::find(c.left.begin(), c.left.end(), name) == c.left.end()) expected.push_back(name);
        EXPECT_EQ(Names("t"), expected) << c.function;
        EXPECT_EQ(lua.Number("n"), static_cast<double>(expected.size())) << c.function;
    }
}

TEST_F(ShopScriptFunctionsTest, ThreeSuperWeaponsFittedEmptyTheirListing) {
    data->mSuperWeapons.Add("rocket", {});
    data->mCarConfig.mSuperWeaponCount = 3;
    ASSERT_EQ(lua.Run("n, t = GetSuperWeaponNames()\nsize = #t"), "");
    EXPECT_EQ(lua.Number("n"), 0);
    EXPECT_EQ(lua.Type("t"), LUA_TTABLE);
    EXPECT_EQ(lua.Number("size"), 0);
    data->mCarConfig.mSuperWeaponCount = 2;
    ASSERT_EQ(lua.Run("n = GetSuperWeaponNames()"), "");
    EXPECT_EQ(lua.Number("n"), 1);
}

TEST_F(ShopScriptFunctionsTest, IsValidGameDataNameLooksInEveryTable) {
    data->mMines.Add("mine", {});
    data->mEngines.Add("engine", {});
    data->mEquipment.Add("radar", Part(1, 1));
    ASSERT_EQ(lua.Run("a, b, c, d, e = IsValidGameDataName('mine'), IsValidGameDataName('engine'), "
                      "IsValidGameDataName('radar'), IsValidGameDataName('boat'), IsValidGameDataName()"),
              "");
    EXPECT_TRUE(lua.Bool("a"));
    EXPECT_TRUE(lua.Bool("b"));
    EXPECT_TRUE(lua.Bool("c"));
    EXPECT_EQ(lua.Type("d"), LUA_TBOOLEAN);
    EXPECT_FALSE(lua.Bool("d"));
    EXPECT_FALSE(lua.Bool("e"));
}

class ShopScriptFunctionsAutoSettingTest : public ShopScriptFunctionsTest {
protected:
    // Presets whose only item is a bumper of the given price.
    void MakePresets(std::vector<int32_t> prices) {
        for (int32_t price : prices) {
            const std::string name = std::string("b").append(std::to_string(price));
            data->mBumpers.Add(name, Part(price, 1));
            CarConfigRecord preset;
            preset.mBumper = name;
            data->mCarPresets.push_back(preset);
        }
    }
};

TEST_F(ShopScriptFunctionsAutoSettingTest, BuysTheBestAffordablePresetWithTheCurrentCarTradedIn) {
    MakePresets({100, 200, 300, 400, 500, 600});
    data->mCurrentMission = 2;
    data->mArmors.Add("plate", Part(150, 1));
    data->mCarConfig.mArmor = "plate";
    data->mMoney = 100.0f;
    ASSERT_EQ(lua.Run("AutoSetting()"), "");
    EXPECT_EQ(data->mCarConfig.mBumper, "b200");
    EXPECT_EQ(data->mCarConfig.mArmor, "");
    EXPECT_EQ(data->mMoney, 50.0f);
    EXPECT_EQ(DrainCommandTexts(gamemenu), std::vector<std::string>{"change_money:50.00"});
}

TEST_F(ShopScriptFunctionsAutoSettingTest, NothingAffordableChangesNothing) {
    MakePresets({100, 200, 300});
    data->mMoney = 99.0f;
    data->mCarConfig.mWeapon1 = "kept";
    ASSERT_EQ(lua.Run("AutoSetting()"), "");
    EXPECT_EQ(data->mCarConfig.mWeapon1, "kept");
    EXPECT_EQ(data->mMoney, 99.0f);
    EXPECT_TRUE(DrainCommandTexts(gamemenu).empty());
}

TEST_F(ShopScriptFunctionsAutoSettingTest, AMissionBeyondThePresetsStartsFromTheLastPreset) {
    MakePresets({100, 200, 300});
    for (int32_t mission : {2, 1000000000, 0}) {
        data->mCurrentMission = mission;
        data->mCarConfig = {};
        data->mMoney = 1000.0f;
        ASSERT_EQ(lua.Run("AutoSetting()"), "") << mission;
        EXPECT_EQ(data->mCarConfig.mBumper, mission > 0 ? "b300" : "") << mission;
        EXPECT_EQ(data->mMoney, mission > 0 ? 700.0f : 1000.0f) << mission;
    }
}

}  // namespace
