#include "script/SaveGameScriptFunctions.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/Clock.h"
#include "script/SaveGames.h"
#include "support/LuaScriptRig.h"
#include "support/ManualClock.h"
#include "support/SaveFileBuilder.h"
#include "support/ScopedGameData.h"
#include "support/TempFolder.h"

namespace {
const SYSTEMTIME kNow{2024, 5, 2, 14, 18, 30, 12, 345};

class SaveGameScriptFunctionsTest : public ::testing::Test {
protected:
    SaveGameScriptFunctionsTest() {
        work.Folder().MakeFolder("Data/saves");
        PlatformClock::SetLocalTime(kNow);
    }
    void WriteSlot(int slot, const std::string& bytes) { work.Folder().Write(SlotPath(slot), bytes); }
    std::string ReadSlot(int slot) const { return work.Folder().Read(SlotPath(slot)); }
    static std::string SlotPath(int slot) { return "Data/saves/" + SaveSlotFileName(slot); }
    static std::string Save(const std::string& profile, int year) {
        return SaveFileBuilder().Profile(profile).Stamp(year, 1, 1).Bytes();
    }

    ScopedWorkingFolder work;
    ManualClock clock;
    ScopedGameData data;
    LuaScriptRig lua;
};

TEST_F(SaveGameScriptFunctionsTest, SaveGameFillsTheFirstFreeSlotAndKeepsToIt) {
    WriteSlot(0, Save("a", 2020));
    WriteSlot(1, Save("b", 2020));
    WriteSlot(2, "");
    WriteSlot(3, Save("d", 2020));
    data->mProfileName = "Ann";
    data->mPlayerName = "jeep";
    ASSERT_EQ(lua.Run("SaveGame()"), "");
    EXPECT_EQ(data->mCurrentSave, 2);
    const std::string expected =
        SaveFileBuilder().Profile("Ann").Player("jeep").Stamp(kNow).Points(0).Bytes();
    EXPECT_EQ(ReadSlot(2), expected);

    data->mPoints = 70;
    WriteSlot(4, "");  // an earlier free slot no longer draws a profile that has its own
    ASSERT_EQ(lua.Run("SaveGame()"), "");
    EXPECT_EQ(ReadSlot(2), SaveFileBuilder().Profile("Ann").Player("jeep").Stamp(kNow).Points(70).Bytes());
    EXPECT_EQ(ReadSlot(4), "");
}

TEST_F(SaveGameScriptFunctionsTest, SaveGameOfANewProfileReplacesTheLeastRecentlySavedSlot) {
    for (int slot = 0; slot < kSaveSlotCount; ++slot) WriteSlot(slot, Save("p", slot == 4 ? 2017 : 2018));
    ASSERT_EQ(lua.Run("SaveGame()"), "");
    EXPECT_EQ(data->mCurrentSave, 4);
}

TEST_F(SaveGameScriptFunctionsTest, LoadGameReadsTheNamedSlotAndRemembersIt) {
    SaveFileBuilder file;
    file.Profile("Bob").Player("uaz").Stamp(kNow).RacesPassed(3).Points(450);
    file.Result(2, 33.5f, 1, "ghost2", {MakeGhostSample(4), MakeGhostSample(5)});
    WriteSlot(3, file.Bytes());
    data->mLevelResults[6].mSamples = {MakeGhostSample(9)};  // emptied: the file has none for level 7

    ASSERT_EQ(lua.Run("LoadGame('save3.sav')"), "");
    EXPECT_EQ(data->mProfileName, "Bob");
    EXPECT_EQ(data->mPlayerName, "uaz");
    EXPECT_EQ(data->mCurrentSave, 3);
    EXPECT_EQ(data->mRacesPassed, 3);
    EXPECT_EQ(data->mPoints, 450);
    EXPECT_EQ(data->mCurrentMission, 1);
    EXPECT_FLOAT_EQ(data->mLevelResults[1].mBestTime, 33.5f);
    EXPECT_EQ(data->mLevelResults[1].mGhostName, "ghost2");
    ASSERT_EQ(data->mLevelResults[1].mSamples.size(), 2u);
    EXPECT_TRUE(data->mLevelResults[6].mSamples.empty());
}

TEST_F(SaveGameScriptFunctionsTest, LoadGameOfAMissingOrTruncatedFileChangesNothing) {
    const std::string whole = SaveFileBuilder().Profile("Bob").Bytes();
    WriteSlot(1, whole.substr(0, whole.size() - 3));
    data->mProfileName = "Ann";
    data->mCurrentSave = 5;
    ASSERT_EQ(lua.Run("LoadGame('save1.sav')\nLoadGame('save4.sav')\nLoadGame()"), "");
    EXPECT_EQ(data->mProfileName, "Ann");
    EXPECT_EQ(data->mCurrentSave, 5);
}

TEST_F(SaveGameScriptFunctionsTest, DeleteSaveFreesTheSlotForListingAndSaving) {
    for (int slot = 0; slot < kSaveSlotCount; ++slot)
        WriteSlot(slot, Save(std::string("p").append(std::to_string(slot)), 2020));
    data->mProfileName = "new";
    ASSERT_EQ(lua.Run("DeleteSave('save1.sav')\n"
                      "count, names = GetSaves()\n"
                      "first, second, last, size = names[1], names[2], names[6], table.getn(names)\n"
                      "SaveGame()"),
              "");
    EXPECT_EQ(lua.Number("count"), 6);
    EXPECT_EQ(lua.Number("size"), 6);
    EXPECT_EQ(lua.Text("first"), "p0");
    EXPECT_EQ(lua.Text("second"), "");
    EXPECT_EQ(lua.Text("last"), "p5");
    EXPECT_EQ(data->mCurrentSave, 1);
    EXPECT_NE(ReadSlot(1).find("new"), std::string::npos);
}

TEST_F(SaveGameScriptFunctionsTest, GetSavesListsSixEmptyNamesWithoutSaveFiles) {
    WriteSlot(2, "\xff\xff\xff\x7f");  // a count beyond the file reads as no name
    ASSERT_EQ(lua.Run("count, names = GetSaves()\n"
                      "all = ''\n"
                      "for i = 1, 6 do all = all .. '[' .. names[i] .. ']' end"),
              "");
    EXPECT_EQ(lua.Number("count"), 6);
    EXPECT_EQ(lua.Text("all"), "[][][][][][]");
}

TEST_F(SaveGameScriptFunctionsTest, NewPlayerNamesThePlayerAndWritesSlotZero) {
    WriteSlot(0, Save("old", 2020));
    data->mProfileName = "Ann";
    data->mCurrentSave = 3;
    ASSERT_EQ(lua.Run("NewPlayer('bmw')"), "");
    EXPECT_EQ(data->mPlayerName, "bmw");
    EXPECT_EQ(ReadSlot(0), SaveFileBuilder().Profile("Ann").Player("bmw").Stamp(kNow).Bytes());
    EXPECT_EQ(data->mCurrentSave, 3) << "the profile's own slot is not changed";
}

TEST(SaveGameScriptFunctionsWithoutGameDataTest, DoNothingAndRaiseNothing) {
    ScopedWorkingFolder work;
    work.Folder().MakeFolder("Data/saves");
    LuaScriptRig lua;
    ASSERT_EQ(lua.Run("SaveGame()\nLoadGame('save0.sav')\nNewPlayer('x')"), "");
    EXPECT_FALSE(work.Folder().Exists("Data/saves/save0.sav"));
}
}  // namespace
