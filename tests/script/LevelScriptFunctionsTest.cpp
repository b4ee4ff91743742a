#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/CPTaskKernel.h"
#include "core/FrameClock.h"
#include "Render/PRender.h"
#include "core/ServiceGlobals.h"
#include "script/LevelScriptFunctions.h"
#include "simulation/level/CPLevel.h"
#include "simulation/units/CPPlayer.h"
#include "support/LevelLoadRig.h"
#include "support/LuaScriptRig.h"
#include "support/RaceRig.h"
#include "support/RecordingTask.h"
#include "support/ScopedGlobal.h"

namespace {

using Messages = std::vector<std::string>;

class LevelScriptFunctionsTest : public ::testing::Test {
protected:
    // Runs the chunk, failing the test on a Lua error.
    void Run(const std::string& code) { ASSERT_EQ(lua.Run(code), "") << code; }
    std::string Results(const std::string& call) { return lua.Results(call); }

    RaceRig rig;
    LuaScriptRig lua;
    ScopedGlobal<CPLevel*> installLevel{gLevel, nullptr};
};

TEST_F(LevelScriptFunctionsTest, RaceTimesComeAsMinutesSecondsAndHundredths) {
    struct Case {
        float seconds;
        const char* triple;
    };
    for (const Case& c : {Case{59.99f, "0,59,99"}, Case{61.5f, "1,1,50"}, Case{125.25f, "2,5,25"}, Case{0.0f, "0,0,0"}}) {
        rig.data->mCurrentLap = 1;
        rig.data->mLapTimes = {c.seconds};
        EXPECT_EQ(Results("GetTime()"), c.triple) << c.seconds;
        EXPECT_EQ(Results("GetTimeAttack()"), c.triple) << c.seconds;
    }
}

TEST_F(LevelScriptFunctionsTest, TheBestRoundIsTheShortestFinishedOne) {
    struct Case {
        int32_t lap;
        std::vector<float> times;
        const char* best;
    };
    for (const Case& c : {Case{3, {40.0f, 35.5f, 12.0f}, "0,35,50"}, Case{3, {0.0f, 0.0f, 12.0f}, "0,0,0"},
                          Case{1, {12.0f}, "0,0,0"}, Case{9, {50.0f, 70.0f}, "0,50,0"}}) {
        rig.data->mCurrentLap = c.lap;
        rig.data->mLapTimes = c.times;
        EXPECT_EQ(Results("GetTimeBest()"), c.best) << c.lap;
    }
}

TEST_F(LevelScriptFunctionsTest, RoundTimesListTenRoundsWithWhetherEachWasReached) {
    rig.data->mCurrentLap = 2;
    rig.data->mLapTimes = {61.5f, 12.25f};  // fewer than ten: the rest show 0
    Run("count, rounds = UpdateRoundsTime() n = table.getn(rounds)");
    EXPECT_EQ(lua.Number("count"), 40);
    EXPECT_EQ(lua.Number("n"), 40);
    EXPECT_EQ(Results("unpack(rounds)"),
              "1,1,50,true,0,12,25,true,0,0,0,false,0,0,0,false,0,0,0,false,0,0,0,false,0,0,0,false,0,0,0,false,"
              "0,0,0,false,0,0,0,false");
}

TEST_F(LevelScriptFunctionsTest, ClockQueriesOutsideTheirEntriesAnswerNothing) {
    rig.data->mLapTimes.clear();
    rig.data->mCurrentLap = 1;
    for (const char* call : {"GetTime()", "GetTimeAttack()", "GetBestTimeAttack2(12)", "GetBestTimeAttack2(-1)",
                             "GetCheckPointInfo(0)"})
        EXPECT_EQ(Results(call), "") << call;
    rig.data->mCurrentLap = 0;
    rig.data->mLapTimes = {5.0f};
    EXPECT_EQ(Results("GetTime()"), "");
}

TEST_F(LevelScriptFunctionsTest, FunctionsThatNeedALevelDoNothingWithoutOne) {
    for (const char* call : {"IsRaceStarted()", "IsSingleMode()", "IsTimeMode()", "GetCheckpointTime()",
                             "GetBestTimeAttack()", "StartLevel()", "StopLevel()", "DeleteLevel()", "SetLevelTime(5)",
                             "SetReversed(true)", "SetPlaceToFinish(1)", "SetUpdateTime(true)", "ClearLevelTimers()",
                             "ChangeCheckpointPosition(1, 2)", "ShowCheckPoint()", "SetTimeBonus(nil)"})
        EXPECT_EQ(Results(call), "") << call;
    EXPECT_EQ(gLevel, nullptr);
}

TEST_F(LevelScriptFunctionsTest, TheRaceSettingsLiveInTheGameData) {
    Run("SetNumRounds(3.9) SetRoundTime(42.5) SetCurrentMission(4) SetSingle(1) SetTimeAttack(false) "
        "SetLevelStarted(true) SetLevelTransportCount(7)");
    EXPECT_EQ(rig.data->mRoundCount, 3);
    EXPECT_EQ(rig.data->mRoundTime, 42.5f);
    EXPECT_EQ(rig.data->mCurrentMission, 4);
    EXPECT_TRUE(rig.data->mSingle);
    EXPECT_FALSE(rig.data->mTimeAttack);
    EXPECT_TRUE(rig.data->mLevelStarted);
    EXPECT_EQ(rig.data->mTransportCount, 7);
    EXPECT_EQ(Results("GetRoundsNumber(), GetRoundTime(), GetCurrentMission(), GetCurrentRace(), IsSingle(), "
                      "IsTimeAttack(), IsLevelStarted(), GetCurrentRound()"),
              "3,42.5,4,4,true,false,true,1");
    Run("SetCurrentRace(6)");
    EXPECT_EQ(rig.data->mCurrentMission, 6);
}

TEST_F(LevelScriptFunctionsTest, TheLevelSettingsLiveInTheLevel) {
    CPLevel level;
    gLevel = &level;
    CPPlayer unit;
    lua.SetHandle("unit", &unit);
    rig.data->mDifficultyCoeffs[3] = 1.5f;
    rig.data->mTotalRaceTime = 99.0f;
    level.mSingleMode = true;
    level.mCheckpointTimer = 61.5f;
    Run("SetLevelTime(100) SetUpdateTime(true) SetReversed(true) SetPlaceToFinish(2.7) ClearLevelTimers() "
        "SetTimeBonus(unit)");
    EXPECT_EQ(level.mLevelTime, 150.0f);
    EXPECT_TRUE(level.mRaceClockOn);
    EXPECT_TRUE(level.mReverse);
    EXPECT_EQ(level.mRequiredPlace, 2);
    EXPECT_EQ(rig.data->mTotalRaceTime, 0.0f);
    EXPECT_EQ(unit.mThrowTimer, 4.0f);
    EXPECT_EQ(Results("IsRaceStarted(), IsSingleMode(), IsTimeMode(), GetCheckpointTime()"), "true,true,false,1,1,50");
    gLevel = nullptr;
}

TEST_F(LevelScriptFunctionsTest, BestTimeAttackReadsTheLevelsEntryOrTheOneGiven) {
    CPLevel level;
    level.mLevelNumber = 1;
    gLevel = &level;
    rig.data->mLevelResults[0].mBestTime = 61.5f;
    rig.data->mLevelResults[11].mBestTime = 125.25f;
    EXPECT_EQ(Results("GetBestTimeAttack()"), "1,1,50");
    EXPECT_EQ(Results("GetBestTimeAttack2(0)"), "1,1,50");
    EXPECT_EQ(Results("GetBestTimeAttack2(11)"), "2,5,25");
    level.mLevelNumber = 0;  // not a numbered level
    EXPECT_EQ(Results("GetBestTimeAttack()"), "");
    gLevel = nullptr;
}

TEST_F(LevelScriptFunctionsTest, TheMissionsCheckpointsAreReadByIndex) {
    Run("LoadMissionInfo('no_such_mission')");
    EXPECT_EQ(Results("GetCheckPointsCount()"), "0");
    MissionCheckpointRecord record;
    record.mTime = 30.5f;
    record.mX = 10;
    record.mY = -20;
    record.mZ = 3;
    rig.data->mMissionCheckpoints = {record};
    EXPECT_EQ(Results("GetCheckPointsCount()"), "1");
    EXPECT_EQ(Results("GetCheckPointInfo(0)"), "10,-20,3,30.5");
    EXPECT_EQ(Results("GetCheckPointInfo(1)"), "");
}

TEST_F(LevelScriptFunctionsTest, ShowCheckPointShowsTheFirstNumberedObjectAndMovesIt) {
    CPLevel level;
    gLevel = &level;
    CPGameObject chk("chk1_box");
    chk.SetVisible(false);
    level.mChkObjects.push_back(ChkObject{"1", 1, &chk});
    level.mChkCursor = level.mChkObjects.begin();
    Run("ShowCheckPoint() ChangeCheckpointPosition(12, 34)");
    EXPECT_EQ(level.mShownCheckpoint.Get(), &chk);
    EXPECT_TRUE(chk.IsVisible());
    EXPECT_EQ(chk.GetPosition(), D3DXVECTOR3(12, 34, 0));
    EXPECT_EQ(rig.Drain(), Messages{"main>say_show"});

    level.mChkCursor = level.mChkObjects.end();
    Run("ShowCheckPoint() ChangeCheckpointPosition(1, 1)");
    EXPECT_FALSE(level.mShownCheckpoint);
    EXPECT_EQ(chk.GetPosition(), D3DXVECTOR3(12, 34, 0));
    level.mChkObjects.clear();
    gLevel = nullptr;
}

TEST_F(LevelScriptFunctionsTest, TheGlobalTimerRunsUntilStoppedAndClearsTheFrameTime) {
    std::vector<std::string> log;
    RecordingTask timer("timer", &log);
    ScopedGlobal<CPTask*> installTimer{gGlobalTimer, &timer};
    ScopedGlobal<double> running{gRunningTime, 12.5};
    Run("StartGlobalTimer() StartGlobalTimer()");
    rig.kernel.RunFrame();
    EXPECT_EQ(log, std::vector<std::string>{"timer"});
    gDeltaTime = 0.5f;
    Run("StopGlobalTimer() dt = GetDeltaTime()");
    EXPECT_EQ(lua.Number("dt"), 0);
    EXPECT_TRUE(timer.IsStopped());
    for (const char* clear : {"ClearTimer()", "ClearGlobalTimer()"}) {
        gDeltaTime = 0.5f;
        Run(clear);
        EXPECT_EQ(gDeltaTime, 0.0f) << clear;
    }
    EXPECT_EQ(Results("GetFullTime()"), "12.5");
}

// The whole life of a level from a script, on the test data tree.
class LevelLifeScriptTest : public ::testing::Test {
protected:
    LevelLoadRig load;
    LuaScriptRig lua;
};

TEST_F(LevelLifeScriptTest, InitLevelLoadsWithTheFlagsGivenAndReplacesALiveLevel) {
    ASSERT_EQ(lua.Run("InitLevel('level1', true)"), "");
    ASSERT_NE(gLevel, nullptr);
    EXPECT_TRUE(gLevel->mLoaded);
    EXPECT_TRUE(gLevel->mSingleMode);
    EXPECT_FALSE(gLevel->mTimeMode);
    ASSERT_EQ(lua.Run("StartLevel()"), "");
    EXPECT_TRUE(gLevel->IsStarted());

    // A second InitLevel stops and deletes the running level first: one race task is left, the new one's.
    ASSERT_EQ(lua.Run("InitLevel('level1', false, true) StartLevel()"), "");
    EXPECT_FALSE(gLevel->mSingleMode);
    EXPECT_TRUE(gLevel->mTimeMode);
    size_t raceTasks = 0;
    for (CPTask* task : gTaskKernel->GetTasks())
        if (task->GetClassName() == "CPObjUpdater" && !task->IsStopped()) ++raceTasks;
    EXPECT_EQ(raceTasks, 1u);

    ASSERT_EQ(lua.Run("StopLevel() DeleteLevel()"), "");
    EXPECT_EQ(gLevel, nullptr);
}

// A level's static meshes live in the renderer's mesh buffers while it runs; once it is stopped and
// deleted they are gone, so that loading level after level does not grow the renderer.
TEST_F(LevelLifeScriptTest, LevelCyclesLeaveTheRenderersMeshBuffersAsTheyWere) {
    ASSERT_NE(gRenderer, nullptr);
    const size_t records = gRenderer->GetLiveMeshBufferRecords();
    const size_t named = gRenderer->GetMeshBufferCount();
    for (int cycle = 0; cycle < 3; ++cycle) {
        ASSERT_EQ(lua.Run("InitLevel('level1', false) StartLevel()"), "");
        ASSERT_TRUE(gLevel && gLevel->IsStarted());
        EXPECT_GT(gRenderer->GetLiveMeshBufferRecords(), records) << "the level has static meshes";
        ASSERT_EQ(lua.Run("StopLevel() DeleteLevel()"), "");
        EXPECT_EQ(gRenderer->GetLiveMeshBufferRecords(), records) << cycle;
        EXPECT_EQ(gRenderer->GetMeshBufferCount(), named) << cycle;
    }
}

TEST_F(LevelLifeScriptTest, ALevelThatFailsToLoadIsNotStarted) {
    ASSERT_EQ(lua.Run("InitLevel('no_such_level', false) StartLevel()"), "");
    ASSERT_NE(gLevel, nullptr);
    EXPECT_FALSE(gLevel->IsStarted());
    ASSERT_EQ(lua.Run("DeleteLevel()"), "");
    EXPECT_EQ(gLevel, nullptr);
}

}  // namespace
