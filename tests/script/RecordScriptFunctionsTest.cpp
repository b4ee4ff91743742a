#include "script/RecordScriptFunctions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/CPGameObject.h"
#include "core/files/CPFileReader.h"
#include "simulation/level/ScoresFile.h"
#include "support/LuaScriptRig.h"
#include "support/ScopedGameData.h"
#include "support/TempFolder.h"

namespace {

class RecordScriptFunctionsTest : public ::testing::Test {
protected:
    // t[i][1] .. "|" .. t[i][2] per entry of the global table `name`, in index order.
    std::vector<std::string> Pairs(const char* name) {
        const std::string code = "pairs_out = {}\nfor i, e in ipairs(" + std::string(name) +
                                 ") do pairs_out[i] = tostring(e[1]) .. '|' .. tostring(e[2]) end\n"
                                 "pairs_n = #pairs_out";
        EXPECT_EQ(lua.Run(code), "");
        std::vector<std::string> out;
        for (int i = 1; i <= static_cast<int>(lua.Number("pairs_n")); ++i) {
            EXPECT_EQ(lua.Run("one = pairs_out[" + std::to_string(i) + "]"), "");
            out.push_back(lua.Text("one"));
        }
        return out;
    }

    ScopedWorkingFolder work;
    ScopedGameData data;
    LuaScriptRig lua;
};

TEST_F(RecordScriptFunctionsTest, ErasingABonusReleasesItAndKeepsTheOthersInOrder) {
    CPGameObject a("a");
    CPGameObject b("b");
    lua.SetHandle("a", &a);
    lua.SetHandle("b", &b);
    ASSERT_EQ(lua.Run("AddBonus(a, 5)\nAddBonus(b, 7.9)\nEraseBonus(a)\nEraseBonus(a)\n"
                      "count = GetBonusesCount()\nlist = GetBonusList()\nsame = list[1][1] == b"),
              "");
    EXPECT_EQ(lua.Number("count"), 1);
    EXPECT_TRUE(lua.Bool("same"));
    EXPECT_EQ(Pairs("list").size(), 1u);
    EXPECT_EQ(lua.Run("value = list[1][2]"), "");
    EXPECT_EQ(lua.Number("value"), 7);
    EXPECT_EQ(a.GetRefCount(), 0);
    EXPECT_EQ(b.GetRefCount(), 1);

    ASSERT_EQ(lua.Run("ClearBonuses()\ncount = GetBonusesCount()\nempty = #GetBonusList()"), "");
    EXPECT_EQ(lua.Number("count"), 0);
    EXPECT_EQ(lua.Number("empty"), 0);
    EXPECT_EQ(b.GetRefCount(), 0);
}

TEST_F(RecordScriptFunctionsTest, OnlyLiveGameObjectsBecomeBonuses) {
    int notAnObject = 0;
    lua.SetLightUserdata("stray", &notAnObject);
    ASSERT_EQ(lua.Run("AddBonus(stray, 1)\nAddBonus(nil, 2)\nAddBonus('text', 3)\nEraseBonus(stray)\n"
                      "count = GetBonusesCount()"),
              "");
    EXPECT_EQ(lua.Number("count"), 0);
}

TEST_F(RecordScriptFunctionsTest, ClearBonusesLeavesAnObjectItsOwnerDeletedUntouched) {
    CPGameObject* gone = new CPGameObject("gone");
    lua.SetHandle("gone", gone);
    ASSERT_EQ(lua.Run("AddBonus(gone, 1)"), "");
    delete gone;
    ASSERT_EQ(lua.Run("ClearBonuses()\ncount = GetBonusesCount()"), "");  // the sanitizer flags a touch
    EXPECT_EQ(lua.Number("count"), 0);
}

TEST_F(RecordScriptFunctionsTest, EraseBonusOfAnObjectItsOwnerDeletedRemovesItsEntry) {
    CPGameObject kept("kept");
    CPGameObject* gone = new CPGameObject("gone");
    lua.SetHandle("kept", &kept);
    lua.SetHandle("gone", gone);
    ASSERT_EQ(lua.Run("AddBonus(gone, 1)\nAddBonus(kept, 2)"), "");
    delete gone;
    ASSERT_EQ(lua.Run("EraseBonus(gone)\ncount = GetBonusesCount()\nsame = GetBonusList()[1][1] == kept"), "");
    EXPECT_EQ(lua.Number("count"), 1);
    EXPECT_TRUE(lua.Bool("same"));
    ASSERT_EQ(lua.Run("ClearBonuses()"), "");
}

TEST_F(RecordScriptFunctionsTest, GetRecordsShowsNamesWithTheirTimesAndEmptyPlaces) {
    data->mRecordTables[2] = {{"ann", 1, 5, 3}, {"", 9, 9, 9}, {"bob", 12, 0, 45}};
    ASSERT_EQ(lua.Run("t = GetRecords(3.7)"), "");
    EXPECT_EQ(Pairs("t"), (std::vector<std::string>{"ann|01:05:03", "|", "bob|12:00:45"}));
}

TEST_F(RecordScriptFunctionsTest, ALevelWithoutATableAnswersEmpty) {
    data->mLapTimes = {60.0f};
    data->mRoundCount = 1;
    for (const char* level : {"0", "13", "-1", "nil", "'x'"}) {
        ASSERT_EQ(lua.Run(std::string("t = GetRecords(") + level + ")\nsize = #t\nin_table = CheckPlayerRecords(" +
                          level + ")"),
                  "")
            << level;
        EXPECT_EQ(lua.Type("t"), LUA_TTABLE) << level;
        EXPECT_EQ(lua.Number("size"), 0) << level;
        EXPECT_EQ(lua.Type("in_table"), LUA_TBOOLEAN) << level;
        EXPECT_FALSE(lua.Bool("in_table")) << level;
    }
    for (const auto& table : data->mRecordTables) EXPECT_TRUE(table.empty());
}

TEST_F(RecordScriptFunctionsTest, CheckPlayerRecordsEntersTheBestRoundUnderTheProfileName) {
    data->mProfileName = "ann";
    data->mLapTimes = {65.30f, 64.90f, 64.95f, 10.0f};
    data->mRoundCount = 3;
    ASSERT_EQ(lua.Run("entered = CheckPlayerRecords(4)"), "");
    EXPECT_TRUE(lua.Bool("entered"));
    EXPECT_EQ(data->mRecordTables[3], (std::vector<RecordEntry>{{"ann", 1, 4, 90}}));
}

TEST_F(RecordScriptFunctionsTest, CheckPlayerRecordsReadsOnlyTheRoundsTheLapTimesHold) {
    data->mProfileName = "ann";
    data->mLapTimes = {70.0f, 65.5f};
    data->mRoundCount = 40;  // more rounds than lap times: the times past the end are never read
    ASSERT_EQ(lua.Run("entered = CheckPlayerRecords(1)"), "");
    EXPECT_TRUE(lua.Bool("entered"));
    EXPECT_EQ(data->mRecordTables[0], (std::vector<RecordEntry>{{"ann", 1, 5, 50}}));

    for (int32_t rounds : {0, -3}) {
        data->mRoundCount = rounds;
        ASSERT_EQ(lua.Run("entered = CheckPlayerRecords(2)"), "");
        EXPECT_FALSE(lua.Bool("entered")) << rounds;
        EXPECT_TRUE(data->mRecordTables[1].empty()) << rounds;
    }
}

TEST_F(RecordScriptFunctionsTest, CheckPlayerRecordsAnswersFalseForARoundSlowerThanAFullTable) {
    data->mRecordTables[0] = std::vector<RecordEntry>(7, RecordEntry{"fast", 0, 30, 0});
    data->mLapTimes = {31.0f};
    data->mRoundCount = 1;
    ASSERT_EQ(lua.Run("entered = CheckPlayerRecords(1)"), "");
    EXPECT_FALSE(lua.Bool("entered"));
    EXPECT_EQ(data->mRecordTables[0].size(), 7u);
}

TEST_F(RecordScriptFunctionsTest, SaveScoreWritesTheTablesAndClearGameDataResetsTheRace) {
    work.Folder().MakeFolder("Data");
    data->mRecordTables[1] = {{"cy", 2, 3, 4}};
    data->mCurrentLap = 3;
    data->mLapProgress = 40;
    ASSERT_EQ(lua.Run("SaveScore()\nClearGameData()"), "");
    CPFileReader reader(kScoresFileName, true);
    ASSERT_EQ(reader.Load(), S_OK);
    std::vector<ScoresFileEntry> entries;
    ASSERT_TRUE(ParseScores(reader, entries));
    EXPECT_EQ(entries, (std::vector<ScoresFileEntry>{{1, {"cy", 2, 3, 4}}}));
    EXPECT_EQ(data->mCurrentLap, 1);
    EXPECT_EQ(data->mLapProgress, -1);
}

}  // namespace
