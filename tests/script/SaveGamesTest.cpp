#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "script/SaveGameRecord.h"
#include "script/SaveGames.h"
#include "simulation/level/CPGameData.h"
#include "support/FileSizeLimit.h"
#include "support/ManualClock.h"
#include "support/SaveFileBuilder.h"
#include "support/TempFolder.h"

namespace {
const SYSTEMTIME kNow{2024, 5, 2, 14, 18, 30, 12, 345};

class SaveGamesTest : public ::testing::Test {
protected:
    SaveGamesTest() {
        work.Folder().MakeFolder("Data/saves");
        PlatformClock::SetLocalTime(kNow);
    }
    void WriteSlot(int slot, const std::string& bytes) { work.Folder().Write(SlotPath(slot), bytes); }
    std::string ReadSlot(int slot) const { return work.Folder().Read(SlotPath(slot)); }
    static std::string SlotPath(int slot) { return "Data/saves/" + SaveSlotFileName(slot); }

    ScopedWorkingFolder work;
    ManualClock clock;
};

// A profile with ghosts on two levels and plain results elsewhere.
void FillProfile(CPGameData& data) {
    data.mProfileName = "Ann";
    data.mPlayerName = "jeep";
    data.mRacesPassed = 5;
    data.mPoints = 1200;
    data.mCurrentMission = 4;
    for (int i = 0; i < CPGameData::kLevelCount; ++i) {
        data.mLevelResults[i].mBestTime = 10.0f + static_cast<float>(i);
        data.mLevelResults[i].mStatus = i;
    }
    data.mLevelResults[0].mGhostName = "ghost1";
    data.mLevelResults[0].mSamples = {MakeGhostSample(1), MakeGhostSample(2)};
    data.mLevelResults[11].mGhostName = "ghost12";
    data.mLevelResults[11].mSamples = {MakeGhostSample(3)};
    data.mLevelResults[5].mGhostName = "no samples: not saved";
}

SaveFileBuilder FilledProfileFile() {
    SaveFileBuilder file;
    file.Profile("Ann").Player("jeep").Stamp(kNow).RacesPassed(5).Points(1200);
    for (int level = 1; level <= 12; ++level) file.Result(level, 9.0f + static_cast<float>(level), level - 1);
    file.Result(1, 10.0f, 0, "ghost1", {MakeGhostSample(1), MakeGhostSample(2)});
    file.Result(12, 21.0f, 11, "ghost12", {MakeGhostSample(3)});
    return file;
}

std::string ValidSave(const std::string& profile, int year, int month = 1, int day = 1, int hour = 0,
                      int minute = 0, int second = 0) {
    return SaveFileBuilder().Profile(profile).Stamp(year, month, day, hour, minute, second).Bytes();
}
}  // namespace

TEST_F(SaveGamesTest, FirstSaveGoesToSlotZeroFieldByFieldWithTheLocalTime) {
    CPGameData data;
    FillProfile(data);
    ASSERT_EQ(SaveCurrentProfile(data), S_OK);
    EXPECT_EQ(data.mCurrentSave, 0);
    EXPECT_EQ(ReadSlot(0), FilledProfileFile().Bytes());

    data.mPoints = 1500;  // the next save of the profile overwrites the same slot
    ASSERT_EQ(SaveCurrentProfile(data), S_OK);
    EXPECT_EQ(data.mCurrentSave, 0);
    EXPECT_EQ(ReadSlot(0), FilledProfileFile().Points(1500).Bytes());
    EXPECT_FALSE(work.Folder().Exists(SlotPath(1)));
}

TEST_F(SaveGamesTest, LoadingASaveRestoresTheProfileAndTakesTheSlotFromTheName) {
    WriteSlot(3, FilledProfileFile().Bytes());
    CPGameData data;
    data.mCurrentMission = 9;
    data.mMoney = 77.0f;
    ASSERT_EQ(LoadSaveGame(data, "save3.sav"), S_OK);

    CPGameData expected;
    FillProfile(expected);
    expected.mLevelResults[5].mGhostName = "";
    EXPECT_EQ(data.mProfileName, "Ann");
    EXPECT_EQ(data.mPlayerName, "jeep");
    EXPECT_EQ(data.mRacesPassed, 5);
    EXPECT_EQ(data.mPoints, 1200);
    EXPECT_EQ(data.mCurrentSave, 3);
    EXPECT_EQ(data.mCurrentMission, 1) << "the profile reset";
    EXPECT_EQ(data.mMoney, 77.0f) << "not in the save";
    for (int i = 0; i < CPGameData::kLevelCount; ++i)
        EXPECT_EQ(data.mLevelResults[i], expected.mLevelResults[i]) << "level " << i + 1;
}

TEST_F(SaveGamesTest, ASaveWithoutSamplesEmptiesEveryGhostLoadedBefore) {
    WriteSlot(0, FilledProfileFile().Bytes());
    WriteSlot(1, SaveFileBuilder().Profile("Bob").Bytes());
    CPGameData data;
    ASSERT_EQ(LoadSaveGame(data, "save0.sav"), S_OK);
    ASSERT_EQ(LoadSaveGame(data, "save1.sav"), S_OK);
    EXPECT_EQ(data.mProfileName, "Bob");
    for (const TimeAttackResult& result : data.mLevelResults) {
        EXPECT_TRUE(result.mSamples.empty());
        EXPECT_EQ(result.mGhostName, "");
        EXPECT_EQ(result.mBestTime, 0.0f);
    }
}

TEST_F(SaveGamesTest, ANegativeSampleCountLoadsAsNoSamples) {
    WriteSlot(2, SaveFileBuilder().Profile("Neg").Result(4, 30.0f, 1, "ghost", {}, -5).Bytes());
    CPGameData data;
    ASSERT_EQ(LoadSaveGame(data, "save2.sav"), S_OK);
    EXPECT_EQ(data.mLevelResults[3].mBestTime, 30.0f);
    EXPECT_TRUE(data.mLevelResults[3].mSamples.empty());
    EXPECT_EQ(data.mLevelResults[3].mGhostName, "");
}

TEST_F(SaveGamesTest, AnUnreadableOrDamagedSaveLeavesTheGameDataAsItWas) {
    const std::string good = FilledProfileFile().Bytes();
    struct Case {
        const char* name;
        std::string bytes;
    };
    std::vector<Case> cases = {
        {"empty file", ""},
        {"sample count beyond the data", SaveFileBuilder().Result(2, 1.0f, 0, "g", {MakeGhostSample(1)}, 0x7FFFFFFF).Bytes()},
        {"one sample short", SaveFileBuilder().Result(2, 1.0f, 0, "g", {MakeGhostSample(1)}, 2).Bytes()},
        {"profile name count beyond the data", std::string("\x40\x00\x00\x00", 4) + "abc"},
    };
    for (size_t cut = 1; cut < good.size(); cut += 7) cases.push_back({"truncated", good.substr(0, good.size() - cut)});

    for (const Case& c : cases) {
        WriteSlot(4, c.bytes);
        CPGameData data;
        FillProfile(data);
        data.mCurrentSave = 1;
        EXPECT_EQ(LoadSaveGame(data, "save4.sav"), E_FAIL) << c.name << " (" << c.bytes.size() << " bytes)";
        CPGameData before;
        FillProfile(before);
        EXPECT_EQ(data.mCurrentSave, 1) << c.name;
        EXPECT_EQ(data.mProfileName, before.mProfileName) << c.name;
        EXPECT_EQ(data.mPoints, before.mPoints) << c.name;
        EXPECT_EQ(data.mCurrentMission, before.mCurrentMission) << c.name;
        EXPECT_EQ(data.mLevelResults, before.mLevelResults) << c.name;
    }
}

TEST_F(SaveGamesTest, LoadingAMissingFileChangesNothing) {
    CPGameData data;
    data.mProfileName = "Kept";
    data.mCurrentSave = 2;
    EXPECT_EQ(LoadSaveGame(data, "save5.sav"), E_FAIL);
    EXPECT_EQ(data.mProfileName, "Kept");
    EXPECT_EQ(data.mCurrentSave, 2);
}

TEST_F(SaveGamesTest, ANewProfileTakesTheFirstFreeElseTheLeastRecentlySavedSlot) {
    const std::string damaged = std::string("\x03\x00\x00\x00", 4) + "Ann";  // ends before the stamp
    struct Case {
        const char* name;
        std::vector<std::string> slots;  // per slot: "" free, else the file's bytes; missing trailing slots free
        int expected;
    };
    const std::string y2018 = ValidSave("p", 2018);
    const Case cases[] = {
        {"no saves", {}, 0},
        {"slots 0, 1 and 3 used", {y2018, y2018, "", y2018}, 2},
        {"slot 4 saved a year earlier", {y2018, y2018, y2018, y2018, ValidSave("p", 2017), y2018}, 4},
        {"identical stamps", {y2018, y2018, y2018, y2018, y2018, y2018}, 0},
        {"year decides before month",
         {y2018, ValidSave("p", 2017, 12, 31, 23, 59, 59), ValidSave("p", 2018, 1, 1), y2018, y2018, y2018}, 1},
        {"the last day of the year before is earliest",
         {ValidSave("p", 2018, 3, 3, 3, 3, 4), y2018, y2018, ValidSave("p", 2018, 1, 1, 0, 0, 0), y2018,
          ValidSave("p", 2017, 12, 31, 23, 59, 59)},
         5},
        {"damaged save replaced first when all are used", {y2018, y2018, y2018, damaged, y2018, y2018}, 3},
        {"damaged save kept while a slot is free", {y2018, damaged, y2018, y2018, y2018}, 5},
    };
    for (const Case& c : cases) {
        for (int slot = 0; slot < kSaveSlotCount; ++slot) std::remove(SlotPath(slot).c_str());
        for (size_t slot = 0; slot < c.slots.size(); ++slot) WriteSlot(static_cast<int>(slot), c.slots[slot]);
        EXPECT_EQ(ChooseSaveSlot(), c.expected) << c.name;

        CPGameData data;
        data.ResetProfile("New");
        ASSERT_EQ(SaveCurrentProfile(data), S_OK) << c.name;
        EXPECT_EQ(data.mCurrentSave, c.expected) << c.name;
        EXPECT_EQ(ListSaveGames()[static_cast<size_t>(c.expected)], "New") << c.name;
    }
}

TEST_F(SaveGamesTest, DayOfWeekAndMillisecondsDoNotMakeASaveOlder) {
    SYSTEMTIME later{2018, 1, 6, 1, 0, 0, 0, 999};
    SYSTEMTIME earlierParts{2018, 1, 0, 1, 0, 0, 0, 0};
    WriteSlot(0, SaveFileBuilder().Stamp(later).Bytes());
    for (int slot = 1; slot < kSaveSlotCount; ++slot) WriteSlot(slot, SaveFileBuilder().Stamp(earlierParts).Bytes());
    EXPECT_EQ(ChooseSaveSlot(), 0);
}

TEST_F(SaveGamesTest, DeletingASaveLeavesAnEmptyFileThatCountsAsAFreeSlot) {
    for (int slot = 0; slot < kSaveSlotCount; ++slot)
        WriteSlot(slot, ValidSave(std::string("p").append(std::to_string(slot)), 2018));
    ASSERT_EQ(DeleteSaveGame("save1.sav"), S_OK);
    EXPECT_TRUE(work.Folder().Exists(SlotPath(1)));
    EXPECT_EQ(ReadSlot(1), "");

    const auto names = ListSaveGames();
    EXPECT_EQ(names, (std::array<std::string, 6>{"p0", "", "p2", "p3", "p4", "p5"}));

    CPGameData data;
    data.ResetProfile("New");
    ASSERT_EQ(SaveCurrentProfile(data), S_OK);
    EXPECT_EQ(data.mCurrentSave, 1);
}

TEST_F(SaveGamesTest, ANameThatCouldLeaveTheSaveFolderIsRefused) {
    const std::string victim = ValidSave("Victim", 2018);
    work.Folder().Write("victim.txt", victim);
    work.Folder().Write("Data/victim.txt", victim);
    WriteSlot(0, ValidSave("Ann", 2018));
    CPGameData data;
    data.mProfileName = "Kept";
    const std::string zero("save0.sav\0x", 11);
    for (const std::string& name : {std::string("../../victim.txt"), std::string("..\\..\\victim.txt"),
                                    std::string("../victim.txt"), std::string("..\\saves\\save0.sav"),
                                    std::string("./save0.sav"), std::string("sub/save0.sav"), std::string(".."),
                                    std::string(""), zero}) {
        EXPECT_EQ(DeleteSaveGame(name), E_FAIL) << name;
        EXPECT_EQ(LoadSaveGame(data, name), E_FAIL) << name;
        EXPECT_EQ(WriteSaveGame(data, name), E_FAIL) << name;
    }
    EXPECT_EQ(work.Folder().Read("victim.txt"), victim);
    EXPECT_EQ(work.Folder().Read("Data/victim.txt"), victim);
    EXPECT_EQ(ReadSlot(0), ValidSave("Ann", 2018));
    EXPECT_EQ(data.mProfileName, "Kept");
    EXPECT_TRUE(IsSaveFileName("save0.sav"));
    EXPECT_TRUE(IsSaveFileName("my.save.sav")) << "a single dot is part of a plain name";
}

TEST_F(SaveGamesTest, ListingGivesSixNamesEmptyForMissingEmptyOrDamagedFiles) {
    WriteSlot(0, ValidSave("Ann", 2018));
    WriteSlot(2, "");
    WriteSlot(3, std::string("\x7F\x00\x00\x00", 4) + "Bob");  // name count beyond the data
    WriteSlot(5, SaveFileBuilder().Profile(std::string("Eve\0junk", 8)).Bytes());
    EXPECT_EQ(ListSaveGames(), (std::array<std::string, 6>{"Ann", "", "", "", "", "Eve"}));
}

TEST_F(SaveGamesTest, AProfileLoadedFromAnOutOfRangeSlotNameSavesToAChosenSlot) {
    work.Folder().Write("Data/saves/save17.sav", ValidSave("Far", 2018));
    CPGameData data;
    ASSERT_EQ(LoadSaveGame(data, "save17.sav"), S_OK);
    EXPECT_EQ(data.mCurrentSave, 17);
    ASSERT_EQ(SaveCurrentProfile(data), S_OK);
    EXPECT_EQ(data.mCurrentSave, 0);
    EXPECT_EQ(ListSaveGames()[0], "Far");
}

TEST(SaveSlotNamesTest, SlotFollowsTheFirstFourCharactersAsAtoiReadsIt) {
    struct Case {
        const char* name;
        int32_t slot;
    };
    const Case cases[] = {
        {"save0.sav", 0},   {"save5.sav", 5}, {"save12.sav", 12}, {"save.sav", 0},  {"save", 0},
        {"save-2.sav", -2}, {"sav", -1},      {"", -1},           {"save 3.sav", 3}, {"save99999999999.sav", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(SaveSlotFromFileName(c.name), c.slot) << c.name;
    EXPECT_EQ(SaveSlotFileName(4), "save4.sav");
}

TEST_F(SaveGamesTest, AFailedWriteKeepsThePreviousSaveAndReportsFailure) {
    CPGameData data;
    FillProfile(data);
    ASSERT_EQ(SaveCurrentProfile(data), S_OK);
    const std::string before = ReadSlot(0);

    data.mPoints = 5;
    {
        FileSizeLimit limit(16);
        EXPECT_EQ(SaveCurrentProfile(data), E_FAIL);
    }
    EXPECT_EQ(ReadSlot(0), before);
}

TEST_F(SaveGamesTest, SavingWithoutTheFolderFailsAndChoosesSlotZero) {
    std::filesystem::remove_all("Data");
    CPGameData data;
    data.ResetProfile("Ann");
    EXPECT_EQ(SaveCurrentProfile(data), E_FAIL);
    EXPECT_EQ(data.mCurrentSave, 0);
}

TEST(SaveStampsTest, TheFirstDifferingFieldFromYearToSecondDecides) {
    // Each case is earlier in the named field only and later in every field after it.
    struct Case {
        const char* field;
        SYSTEMTIME earlier;
        SYSTEMTIME later;
    };
    const Case cases[] = {
        {"year", {2017, 12, 0, 31, 23, 59, 59, 0}, {2018, 1, 0, 1, 0, 0, 0, 0}},
        {"month", {2018, 1, 0, 31, 23, 59, 59, 0}, {2018, 2, 0, 1, 0, 0, 0, 0}},
        {"day", {2018, 3, 0, 1, 23, 59, 59, 0}, {2018, 3, 0, 2, 0, 0, 0, 0}},
        {"hour", {2018, 3, 0, 2, 5, 59, 59, 0}, {2018, 3, 0, 2, 6, 0, 0, 0}},
        {"minute", {2018, 3, 0, 2, 6, 7, 59, 0}, {2018, 3, 0, 2, 6, 8, 0, 0}},
        {"second", {2018, 3, 6, 2, 6, 8, 9, 999}, {2018, 3, 0, 2, 6, 8, 10, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(IsEarlierStamp(c.earlier, c.later)) << c.field;
        EXPECT_FALSE(IsEarlierStamp(c.later, c.earlier)) << c.field;
        EXPECT_FALSE(IsEarlierStamp(c.earlier, c.earlier)) << c.field;
    }
}

TEST_F(SaveGamesTest, ASampleLoadsWhateverItsPaddingBytesHold) {
    std::string bytes =
        SaveFileBuilder().Profile("P").Player("Q").Result(1, 5.0f, 0, "g", {MakeGhostSample(1)}).Bytes();
    // Names (5 + 5), stamp 16, races and points 8, best time, status and count 12, ghost name 5.
    const size_t sample = 51;
    ASSERT_EQ(bytes[sample + 28], 1) << "the body flag of an odd seed";
    bytes.replace(sample + 29, 3, "\xAB\xCD\xEF");
    WriteSlot(2, bytes);

    CPGameData data;
    ASSERT_EQ(LoadSaveGame(data, "save2.sav"), S_OK);
    EXPECT_EQ(data.mLevelResults[0].mSamples, std::vector<GhostSample>{MakeGhostSample(1)});
}

TEST_F(SaveGamesTest, ASampleIsSavedWithZeroPaddingWhateverItHoldsInMemory) {
    CPGameData data;
    FillProfile(data);
    for (uint8_t& byte : data.mLevelResults[0].mSamples[0].mPadding) byte = 0xEE;
    ASSERT_EQ(SaveCurrentProfile(data), S_OK);
    EXPECT_EQ(ReadSlot(0), FilledProfileFile().Bytes());
}
