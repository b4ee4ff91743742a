#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ServiceGlobals.h"
#include "simulation/level/CPGameData.h"
#include "simulation/level/CPLevel.h"
#include "simulation/level/MissionInfoFile.h"
#include "support/ScopedGlobal.h"
#include "support/TempFolder.h"

namespace {
struct Share {
    std::string name;
    int32_t first;
    int32_t end;
    bool operator==(const Share&) const = default;
};
std::vector<Share> Shares(const std::vector<SourceEntry>& entries) {
    std::vector<Share> shares;
    for (const SourceEntry& e : entries) shares.push_back({e.mName, e.mFirst, e.mEnd});
    return shares;
}

// A level with two "src" objects, installed as gLevel for the test.
class MissionInfoTest : public ::testing::Test {
protected:
    MissionInfoTest() {
        work.Folder().MakeFolder("data/levels");
        mLevel->mSources["north"] = D3DXVECTOR3(1.0f, 2.0f, 3.0f);
        mLevel->mSources["south"] = D3DXVECTOR3(-4.0f, 5.0f, 0.5f);
    }
    ~MissionInfoTest() override { delete mLevel; }
    void Write(const std::string& text) { work.Folder().Write("data/levels/m1.txt", text); }

    ScopedWorkingFolder work;
    CPLevel* mLevel = new CPLevel();
    ScopedGlobal<CPLevel*> mInstallLevel{gLevel, mLevel};
};

const char* const kMission =
    "// checkpoints: time x y z list value list\n"
    "30.5 100 -200 7 soldier,2;tank,3 4 \"medic,1\"\n"
    "12 1 2\n"
    "sources\n"
    "north attack 0 2.5 soldier,1;tank,1\n"
    "ghost attack 1 0.25 tank,4\n"
    "south guard 00 1 \"dog,2;cat,1\"\n";
}  // namespace

TEST(MissionListTest, CountsBecomeRunningShares) {
    struct Case {
        const char* text;
        std::vector<Share> shares;
    };
    const Case cases[] = {
        {"a,2;b,3", {{"a", 0, 2}, {"b", 2, 5}}},
        {"", {}},
        {"a", {{"a", 0, 0}}},
        {"a,x;b,-1;c,4", {{"a", 0, 0}, {"b", 0, -1}, {"c", -1, 3}}},
        {"a,2147483647", {{"a", 0, INT32_MAX}}},
    };
    for (const Case& c : cases) {
        std::vector<SourceEntry> entries;
        ASSERT_TRUE(ParseSourceList(c.text, entries)) << c.text;
        EXPECT_EQ(Shares(entries), c.shares) << c.text;
    }
}

TEST(MissionListTest, ADrawPicksTheFirstEntryWhoseShareHoldsIt) {
    std::vector<SourceEntry> entries;
    ASSERT_TRUE(ParseSourceList("a,2;empty,0;b,3;c,-1;d,60", entries));
    struct Case {
        int32_t draw;
        const char* picked;  // null: none
    };
    for (const Case& c : {Case{0, "a"}, Case{1, "a"}, Case{2, "b"}, Case{4, "b"}, Case{5, "d"}, Case{63, "d"},
                          Case{64, nullptr}, Case{-1, nullptr}}) {
        const SourceEntry* entry = PickSourceEntry(entries, c.draw);
        if (c.picked == nullptr) {
            EXPECT_EQ(entry, nullptr) << c.draw;
        } else {
            ASSERT_NE(entry, nullptr) << c.draw;
            EXPECT_EQ(entry->mName, c.picked) << c.draw;
        }
    }
}

TEST(MissionListTest, ARunningTotalBeyondInt32IsRefused) {
    for (const char* text : {"a,2147483647;b,1", "a,-2147483648;b,-1", "a,99999999999;b,99999999999"}) {
        std::vector<SourceEntry> entries = {{"kept", 0, 1}};
        EXPECT_FALSE(ParseSourceList(text, entries)) << text;
        EXPECT_EQ(entries.size(), 1u);
    }
}

TEST_F(MissionInfoTest, CheckpointsAndSourcesAreReadAndPlacedAtTheLevelsSourceObjects) {
    Write(kMission);
    CPGameData data;
    ASSERT_EQ(data.LoadMissionInfo("m1.txt"), S_OK);

    ASSERT_EQ(data.mMissionCheckpoints.size(), 2u);
    const MissionCheckpointRecord& first = data.mMissionCheckpoints[0];
    EXPECT_EQ(first.mTime, 30.5f);
    EXPECT_EQ(first.mX, 100);
    EXPECT_EQ(first.mY, -200);
    EXPECT_EQ(first.mZ, 7);
    EXPECT_EQ(Shares(first.mList1), (std::vector<Share>{{"soldier", 0, 2}, {"tank", 2, 5}}));
    EXPECT_EQ(first.mValue, 4);
    EXPECT_EQ(Shares(first.mList2), (std::vector<Share>{{"medic", 0, 1}}));
    // Tokens a line lacks read as empty.
    const MissionCheckpointRecord& second = data.mMissionCheckpoints[1];
    EXPECT_EQ(second.mTime, 12.0f);
    EXPECT_EQ(second.mY, 2);
    EXPECT_EQ(second.mZ, 0);
    EXPECT_TRUE(second.mList1.empty());
    EXPECT_EQ(second.mValue, 0);

    ASSERT_EQ(data.mEnemyTypes.size(), 2u);
    const std::vector<EnemySourceRecord>& attack = data.mEnemyTypes.at("attack");
    ASSERT_EQ(attack.size(), 2u);
    EXPECT_EQ(attack[0].mPosition, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    EXPECT_TRUE(attack[0].mFlag);
    EXPECT_EQ(attack[0].mValue, 2.5f);
    EXPECT_EQ(Shares(attack[0].mList), (std::vector<Share>{{"soldier", 0, 1}, {"tank", 1, 2}}));
    EXPECT_EQ(attack[1].mPosition, D3DXVECTOR3());  // the level has no "ghost"
    EXPECT_FALSE(attack[1].mFlag);
    const std::vector<EnemySourceRecord>& guard = data.mEnemyTypes.at("guard");
    ASSERT_EQ(guard.size(), 1u);
    EXPECT_EQ(guard[0].mPosition, D3DXVECTOR3(-4.0f, 5.0f, 0.5f));
    EXPECT_FALSE(guard[0].mFlag);  // only the token "0" sets it
    EXPECT_EQ(Shares(guard[0].mList), (std::vector<Share>{{"dog", 0, 2}, {"cat", 2, 3}}));

    EXPECT_EQ(mLevel->mSources.count("ghost"), 0u);  // the level's map is only read
}

TEST_F(MissionInfoTest, AFileWithoutSourcesFillsOnlyTheCheckpoints) {
    Write("5 1 1 1\n6 2 2 2\n");
    CPGameData data;
    ASSERT_EQ(data.LoadMissionInfo("M1.TXT"), S_OK);
    EXPECT_EQ(data.mMissionCheckpoints.size(), 2u);
    EXPECT_TRUE(data.mEnemyTypes.empty());
}

TEST_F(MissionInfoTest, LoadingAMissionAgainReplacesItsSourcesInsteadOfAddingToThem) {
    Write(kMission);
    CPGameData data;
    data.mEnemyTypes["old_mission"].push_back(EnemySourceRecord{});
    ASSERT_EQ(data.LoadMissionInfo("m1.txt"), S_OK);
    ASSERT_EQ(data.LoadMissionInfo("m1.txt"), S_OK);
    EXPECT_EQ(data.mMissionCheckpoints.size(), 2u);
    EXPECT_EQ(data.mEnemyTypes.count("old_mission"), 0u);
    EXPECT_EQ(data.mEnemyTypes.at("attack").size(), 2u);
    EXPECT_EQ(data.mEnemyTypes.at("guard").size(), 1u);
}

TEST_F(MissionInfoTest, WithoutALevelEverySourceSitsAtTheOrigin) {
    Write(kMission);
    ScopedGlobal<CPLevel*> noLevel(gLevel, nullptr);
    CPGameData data;
    ASSERT_EQ(data.LoadMissionInfo("m1.txt"), S_OK);
    for (const auto& [key, sources] : data.mEnemyTypes)
        for (const EnemySourceRecord& source : sources) EXPECT_EQ(source.mPosition, D3DXVECTOR3()) << key;
}

TEST_F(MissionInfoTest, AMissingFileEmptiesOnlyTheCheckpointsAndLeavesTheSources) {
    Write(kMission);
    CPGameData data;
    ASSERT_EQ(data.LoadMissionInfo("m1.txt"), S_OK);
    EXPECT_EQ(data.LoadMissionInfo("absent.txt"), E_FAIL);
    EXPECT_TRUE(data.mMissionCheckpoints.empty());
    ASSERT_EQ(data.mEnemyTypes.size(), 2u);
    EXPECT_EQ(data.mEnemyTypes.at("attack").size(), 2u);
    EXPECT_EQ(data.mEnemyTypes.at("guard").size(), 1u);
}

TEST_F(MissionInfoTest, ADamagedFileChangesNothing) {
    Write(kMission);
    CPGameData data;
    ASSERT_EQ(data.LoadMissionInfo("m1.txt"), S_OK);
    for (const char* damaged : {"1 2 3 4 a,2147483647;b,1\n", "1 2 3 4\nsources\nnorth k 0 1 a,2147483647;b,9\n"}) {
        Write(damaged);
        EXPECT_EQ(data.LoadMissionInfo("m1.txt"), E_FAIL) << damaged;
        EXPECT_EQ(data.mMissionCheckpoints.size(), 2u);
        EXPECT_EQ(data.mEnemyTypes.size(), 2u);
    }
}
