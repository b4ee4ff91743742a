#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/CPGameObject.h"
#include "core/ServiceGlobals.h"
#include "core/files/CPFileReader.h"
#include "core/files/CPFileWriter.h"
#include "core/files/ScrambleBuffer.h"
#include "simulation/level/CPGameData.h"
#include "simulation/level/ScoresFile.h"
#include "support/ByteBuilder.h"
#include "support/TempFolder.h"

namespace {
RecordEntry Rec(const std::string& name, int32_t m, int32_t s, int32_t h) { return {name, m, s, h}; }

// The seven records every full-table case starts from, given worst first so the sort shows.
std::vector<RecordEntry> SevenRecords() {
    return {Rec("g", 1, 7, 0), Rec("f", 1, 6, 0), Rec("e", 1, 5, 0), Rec("d", 1, 4, 0),
            Rec("c", 1, 3, 0), Rec("b", 1, 2, 0), Rec("a", 1, 1, 0)};
}
}  // namespace

TEST(RecordTablesTest, TheFirstSevenResultsEnterInArrivalOrderWithoutComparison) {
    CPGameData data;
    const std::vector<RecordEntry> seven = SevenRecords();
    for (const RecordEntry& record : seven) EXPECT_TRUE(data.CheckPlayerRecord(3, record));
    EXPECT_EQ(data.mRecordTables[2], seven);
    EXPECT_TRUE(data.mRecordTables[1].empty());
}

TEST(RecordTablesTest, AnEighthResultIsComparedWithTheSortedSeven) {
    struct Case {
        const char* label;
        RecordEntry candidate;
        bool entered;
        std::vector<std::string> names;  // the table afterwards, best first
    };
    const Case cases[] = {
        {"equal to the seventh", Rec("x", 1, 7, 0), false, {"g", "f", "e", "d", "c", "b", "a"}},
        {"worse than all", Rec("x", 9, 0, 0), false, {"g", "f", "e", "d", "c", "b", "a"}},
        {"better in seconds", Rec("x", 1, 6, 99), true, {"a", "b", "c", "d", "e", "f", "x"}},
        {"best of all", Rec("x", 0, 59, 99), true, {"x", "a", "b", "c", "d", "e", "f"}},
        {"between", Rec("x", 1, 3, 50), true, {"a", "b", "c", "x", "d", "e", "f"}},
        {"equal to the third goes after it", Rec("x", 1, 3, 0), true, {"a", "b", "c", "x", "d", "e", "f"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        CPGameData data;
        for (const RecordEntry& record : SevenRecords()) data.CheckPlayerRecord(1, record);
        EXPECT_EQ(data.CheckPlayerRecord(1, c.candidate), c.entered);
        std::vector<std::string> names;
        for (const RecordEntry& record : data.mRecordTables[0]) names.push_back(record.mName);
        if (c.entered) {
            EXPECT_EQ(names, c.names);
        } else {
            // A refused result leaves the table sorted, nothing else.
            EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c", "d", "e", "f", "g"}));
        }
    }
}

TEST(RecordTablesTest, HundredthsDecideBetweenEqualMinutesAndSeconds) {
    struct Case {
        const char* label;
        RecordEntry candidate;
        bool entered;
    };
    const Case cases[] = {
        {"better in hundredths only", Rec("x", 1, 7, 4), true},
        {"worse in hundredths only", Rec("x", 1, 7, 6), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        CPGameData data;
        std::vector<RecordEntry> seven = SevenRecords();
        seven.front().mHundredths = 5;  // the seventh after the sort: (1, 7, 5)
        for (const RecordEntry& record : seven) data.CheckPlayerRecord(1, record);
        EXPECT_EQ(data.CheckPlayerRecord(1, c.candidate), c.entered);
        ASSERT_EQ(data.mRecordTables[0].size(), 7u);
        EXPECT_EQ(data.mRecordTables[0].back().mName, c.entered ? "x" : "g");
    }
}

TEST(RecordTablesTest, MinutesDecideFirst) {
    CPGameData data;
    for (int i = 0; i < 7; ++i) data.CheckPlayerRecord(1, Rec("slow", 2, 0, 0));
    EXPECT_TRUE(data.CheckPlayerRecord(1, Rec("fast", 1, 59, 99)));
    EXPECT_EQ(data.mRecordTables[0].front(), Rec("fast", 1, 59, 99));
    EXPECT_EQ(data.mRecordTables[0].size(), 7u);
}

TEST(RecordTablesTest, ALevelWithoutATableEntersNothing) {
    CPGameData data;
    for (int32_t level : {0, -1, CPGameData::kLevelCount + 1, INT32_MIN}) {
        EXPECT_FALSE(data.CheckPlayerRecord(level, Rec("x", 0, 0, 0))) << level;
    }
    for (const auto& table : data.mRecordTables) EXPECT_TRUE(table.empty());
    EXPECT_TRUE(data.CheckPlayerRecord(CPGameData::kLevelCount, Rec("x", 0, 0, 0)));
}

TEST(RecordTablesTest, InsertRecordPlacesBeforeThePositionAndAppendsPastTheEnd) {
    std::vector<RecordEntry> table = {Rec("a", 0, 0, 0), Rec("b", 0, 0, 0)};
    EXPECT_EQ(CPGameData::InsertRecord(table, 1, Rec("x", 0, 0, 0)), 1u);
    EXPECT_EQ(CPGameData::InsertRecord(table, 99, Rec("y", 0, 0, 0)), 3u);
    std::vector<std::string> names;
    for (const RecordEntry& record : table) names.push_back(record.mName);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "x", "b", "y"}));
}

TEST(ScoresFileTest, SavesEveryRecordScrambledAndReadsBackUnscrambled) {
    ScopedWorkingFolder work;
    work.Folder().MakeFolder("data");
    CPGameData data;
    data.mRecordTables = {{Rec("Ann", 1, 2, 3), Rec("Bob", 4, 5, 6), Rec("", 0, 0, 0)}, {}, {Rec("Cy", 7, 8, 9)}};
    ASSERT_EQ(data.SaveScores(), S_OK);

    // The bytes on disk are the plain layout moved by the key.
    CPFileWriter plain("unused", false);
    EncodeScores(data.mRecordTables, plain);
    std::vector<uint8_t> expected = plain.GetBytes();
    ScrambleBuffer(expected);
    const std::string onDisk = work.Folder().Read("data/scores.dat");
    EXPECT_EQ(std::vector<uint8_t>(onDisk.begin(), onDisk.end()), expected);

    CPFileReader reader(kScoresFileName, true);
    ASSERT_EQ(reader.Load(), S_OK);
    std::vector<ScoresFileEntry> entries;
    ASSERT_TRUE(ParseScores(reader, entries));
    const std::vector<ScoresFileEntry> wanted = {
        {0, Rec("Ann", 1, 2, 3)}, {0, Rec("Bob", 4, 5, 6)}, {0, Rec("", 0, 0, 0)}, {2, Rec("Cy", 7, 8, 9)}};
    EXPECT_EQ(entries, wanted);
}

TEST(ScoresFileTest, TwoTablesOfThreeAndNoneGiveThreeEntriesOfTableZero) {
    CPFileWriter writer("unused", false);
    EncodeScores({{Rec("a", 1, 0, 0), Rec("bb", 2, 0, 0), Rec("ccc", 3, 0, 0)}, {}}, writer);
    const std::vector<uint8_t>& bytes = writer.GetBytes();
    // Each entry: table, count, name, three values.
    ASSERT_EQ(bytes.size(), 3u * 20u + 1u + 2u + 3u);
    for (size_t offset : {size_t{0}, size_t{21}, size_t{43}}) {
        for (size_t i = 0; i < 4; ++i) EXPECT_EQ(bytes[offset + i], 0u) << offset;
    }
}

TEST(ScoresFileTest, EachEntryIsTableNameMinutesSecondsHundredths) {
    CPFileWriter writer("unused", false);
    EncodeScores({{}, {Rec("Ann", 1, 2, 3), Rec("Bo", -4, 5, 600)}}, writer);
    const std::vector<uint8_t> expected = ByteBuilder()
                                              .Int32(1).String("Ann").Int32(1).Int32(2).Int32(3)
                                              .Int32(1).String("Bo").Int32(-4).Int32(5).Int32(600)
                                              .Bytes();
    EXPECT_EQ(writer.GetBytes(), expected);
}

TEST(ScoresFileTest, AFailedSaveKeepsThePreviousFile) {
    ScopedWorkingFolder work;
    work.Folder().Write("Data/scores.dat", std::string("old"));
    // A folder where the temporary file would go makes the write fail.
    work.Folder().MakeFolder("Data/scores.dat.~tmp/x");
    CPGameData data;
    data.mRecordTables[0] = {Rec("Ann", 1, 2, 3)};
    EXPECT_EQ(data.SaveScores(), E_FAIL);
    EXPECT_EQ(work.Folder().Read("Data/scores.dat"), "old");
}

TEST(ScoresFileTest, ADamagedFileIsRefusedWhole) {
    CPFileWriter good("unused", false);
    EncodeScores({{Rec("Ann", 1, 2, 3)}}, good);
    std::vector<uint8_t> truncated = good.GetBytes();
    ASSERT_FALSE(truncated.empty());
    truncated.pop_back();
    CPFileWriter negative("unused", false);
    negative.WriteInt(-1);
    negative.WriteString("x");
    for (int i = 0; i < 3; ++i) negative.WriteInt(0);
    CPFileWriter hugeName("unused", false);
    hugeName.WriteInt(0);
    hugeName.WriteInt(INT32_MAX);

    for (const std::vector<uint8_t>& bytes : {truncated, negative.GetBytes(), hugeName.GetBytes()}) {
        ScopedWorkingFolder work;
        work.Folder().Write("scores.dat", std::vector<unsigned char>(bytes.begin(), bytes.end()));
        CPFileReader reader("scores.dat", false);
        ASSERT_EQ(reader.Load(), S_OK);
        std::vector<ScoresFileEntry> entries = {{5, Rec("kept", 0, 0, 0)}};
        EXPECT_FALSE(ParseScores(reader, entries));
        EXPECT_EQ(entries.size(), 1u);
    }
}

TEST(RecordTablesTest, ClearGameDataResetsTheRaceProgressAndLetsGoOfTheBonuses) {
    CPGameData data;
    data.mCurrentLap = 4;
    data.mLapTimes = {1.0f, 2.0f};
    data.mLapProgress = 77;
    data.mAIPositions["0"] = {1.0f, 2.0f};
    data.mUnitRaces["1"].mLap = 3;
    CPGameObject* alive = new CPGameObject("bonus");
    CPGameObject* gone = new CPGameObject("gone");
    data.mBonusList.push_back({alive, 5});
    data.mBonusList.push_back({gone, 6});
    delete gone;  // its owner deleted it while the list still names it

    data.ClearGameData();

    EXPECT_EQ(data.mCurrentLap, 1);
    EXPECT_EQ(data.mLapTimes, std::vector<float>(20, 0.0f));
    EXPECT_EQ(data.mLapProgress, -1);
    EXPECT_TRUE(data.mAIPositions.empty());
    EXPECT_TRUE(data.mUnitRaces.empty());
    EXPECT_TRUE(data.mBonusList.empty());
    EXPECT_EQ(alive->GetRefCount(), 0);
    delete alive;
}
