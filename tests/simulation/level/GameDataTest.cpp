#include <gtest/gtest.h>

#include "core/CPGameObject.h"
#include "simulation/level/CPGameData.h"
#include "support/SaveFileBuilder.h"

TEST(GameDataTest, ProfileResetClearsProgressAndResultsButKeepsGhostSamplesAndTheRest) {
    CPGameData data;
    data.mCurrentSave = 4;
    data.mCurrentMission = 7;
    data.mPoints = 900;
    data.mMoney = 1234.5f;
    data.mRacesPassed = 6;
    data.mPlayerName = "jeep";
    for (TimeAttackResult& result : data.mLevelResults) {
        result.mBestTime = 61.5f;
        result.mStatus = 1;
        result.mGhostName = "ghost";
        result.mSamples = {MakeGhostSample(1)};
    }

    data.ResetProfile("Ann");

    EXPECT_EQ(data.mCurrentSave, -1);
    EXPECT_EQ(data.mCurrentMission, 1);
    EXPECT_EQ(data.mPoints, 0);
    EXPECT_EQ(data.mProfileName, "Ann");
    for (const TimeAttackResult& result : data.mLevelResults) {
        EXPECT_EQ(result.mBestTime, 0.0f);
        EXPECT_EQ(result.mStatus, 4);
        EXPECT_EQ(result.mGhostName, "");
        EXPECT_EQ(result.mSamples, std::vector<GhostSample>{MakeGhostSample(1)});
    }
    EXPECT_EQ(data.mMoney, 1234.5f);
    EXPECT_EQ(data.mRacesPassed, 6);
    EXPECT_EQ(data.mPlayerName, "jeep");
}

TEST(GameDataTest, ResetWithItsOwnProfileNameKeepsTheName) {
    CPGameData data;
    data.mProfileName = "Bob";
    data.ResetProfile(data.mProfileName);
    EXPECT_EQ(data.mProfileName, "Bob");
}

TEST(GameDataTest, ShopOffersItemsUpToTheMissionOrFifteenWhileDifficult) {
    struct Case {
        int32_t mission;
        bool difficult;
        int32_t availability;
        bool offered;
    };
    const Case cases[] = {
        {3, false, 3, true}, {3, false, 4, false}, {3, false, -1, true},
        {3, true, 15, true}, {3, true, 16, false}, {20, true, 16, false},
    };
    for (const Case& c : cases) {
        CPGameData data;
        data.mCurrentMission = c.mission;
        data.mDifficult = c.difficult;
        EXPECT_EQ(data.IsOffered(c.availability), c.offered)
            << "mission " << c.mission << " difficult " << c.difficult << " availability " << c.availability;
    }
}

TEST(GameDataTest, LookingUpAMissingTextEntersItEmpty) {
    CPGameData data;
    data.mTexts["gun"] = "Machine gun";
    EXPECT_EQ(data.GetText("gun"), "Machine gun");
    EXPECT_EQ(data.GetText("unknown"), "");
    EXPECT_EQ(data.mTexts.count("unknown"), 1u);
}

TEST(GameDataTest, StartsWithOneEmptyRecordsTablePerLevelAndDefaultRaceProgress) {
    CPGameData data;
    ASSERT_EQ(data.mRecordTables.size(), 12u);
    for (const auto& table : data.mRecordTables) EXPECT_TRUE(table.empty());
    EXPECT_EQ(data.mCurrentSave, -1);

    const RaceProgress progress;
    EXPECT_EQ(progress.mLap, 1);
    EXPECT_EQ(progress.mLapTimes, std::vector<float>(20, 0.0f));
    EXPECT_EQ(progress.mProgress, -1);

    // The player's progress starts as the same default record: a running lap time is there to read.
    EXPECT_EQ(data.mCurrentLap, progress.mLap);
    EXPECT_EQ(data.mLapTimes, progress.mLapTimes);
    EXPECT_EQ(data.mLapProgress, progress.mProgress);
}

TEST(GameDataTest, DestroyingItLetsGoOfLiveBonusesAndSkipsDeletedOnes) {
    auto* kept = new CPGameObject("bonus1");
    auto* deleted = new CPGameObject("bonus2");
    {
        CPGameData data;
        data.mBonusList.emplace_back(kept, 10);
        data.mBonusList.emplace_back(deleted, 20);
        EXPECT_EQ(kept->GetRefCount(), 1);
        delete deleted;  // its owner deletes it before the game data goes
    }
    EXPECT_EQ(kept->GetRefCount(), 0) << "released";
    delete kept;
}
