#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/CPObjUpdater.h"
#include "core/FrameClock.h"
#include "simulation/enemies/CPVehicleUpdater.h"
#include "simulation/level/CPLevel.h"
#include "simulation/level/CPLevelBranch.h"
#include "simulation/level/CPSpline.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "simulation/units/CPPlayer.h"
#include "support/RaceRig.h"
#include "support/ScopedGlobal.h"
#include "support/SplineRecordBuilder.h"

namespace {

using Messages = std::vector<std::string>;

// A loaded level by hand: a square race path, the player's unit on its start, one other unit, the
// physics world and the AI driving as the host makes them.
class LevelLifecycleTest : public ::testing::Test {
protected:
    LevelLifecycleTest() {
        path->Build(SquareSplineRecord());
        level->Adopt(path);
        level->mPath = path;
        level->mPlayer = &player;
        level->mCameraTarget = &player;
        level->mEnemies = {&rival};
        level->mStartLineDir = D3DXVECTOR3(0, 10, 0);
        level->mLoaded = true;
        rig.data->mMoney = 12.5f;
        rig.data->mRoundTime = 45.0f;
        rig.data->mUnitRaces["0"].mLapTimes.assign(2, 0.0f);
        gDeltaTime = 0.25f;
    }
    ~LevelLifecycleTest() override { delete level; }

    // The race tasks the kernel runs, by class and priority.
    std::vector<std::string> Tasks() const {
        std::vector<std::string> out;
        for (CPTask* task : rig.kernel.GetTasks())
            if (task->GetClassName() != "CPCommandTask" && !task->IsStopped())
                out.push_back(task->GetClassName() + " " + std::to_string(task->GetPriority()));
        return out;
    }

    RaceRig rig;
    CPPhysicWorld physics;
    CPVehicleUpdater updater;
    ScopedGlobal<CPPhysicWorld*> installPhysics{gPhysicsWorld, &physics};
    ScopedGlobal<CPVehicleUpdater*> installUpdater{gLevelUpdater, &updater};
    CPPlayer player;
    CPPlayer rival;
    CPSpline* path = new CPSpline();
    CPLevel* level = new CPLevel();
};

TEST_F(LevelLifecycleTest, StartHandsTheRaceToTheKernelInPriorityOrder) {
    level->mRequiredPlace = 2;
    level->mFinishSlots = {3, -1, -1};
    ASSERT_TRUE(level->Start());
    EXPECT_EQ(Tasks(), (std::vector<std::string>{"CPVehicleUpdater 100", "CPPhysicWorld 400", "CPObjUpdater 500"}));
    EXPECT_EQ(rig.Drain(), (Messages{"gamemenu>set_money:12.50", "gamemenu>init_game_interface"}));
    EXPECT_EQ(level->mRequiredPlace, 0);
    EXPECT_EQ(level->mFinishSlots, (std::array<int32_t, 3>{-1, -1, -1}));
    EXPECT_EQ(level->mLevelTime, 600.0f);
    EXPECT_EQ(gDeltaTime, 0.0f);
    EXPECT_FALSE(level->mStopped);
    EXPECT_TRUE(level->IsStarted());
    EXPECT_EQ(rig.data->mUnitRaces["0"].mLapTimes, (std::vector<float>{45, 45, 45, 45, 45}));
    EXPECT_FALSE(level->mPathPoints.empty());

    // The race task runs the race update every frame.
    gDeltaTime = 0.5f;
    rig.kernel.RunFrame();
    EXPECT_EQ(level->mClock, 0.5f);
}

TEST_F(LevelLifecycleTest, ALevelWhoseLoadFailedIsRefused) {
    level->mLoaded = false;
    EXPECT_FALSE(level->Start());
    EXPECT_EQ(Tasks(), std::vector<std::string>{});
    EXPECT_EQ(rig.Drain(), Messages{});
    EXPECT_FALSE(level->IsStarted());
    EXPECT_EQ(gDeltaTime, 0.25f);
}

TEST_F(LevelLifecycleTest, ASecondStartRunsOneRaceTaskWithTheSettingsResetAgain) {
    ASSERT_TRUE(level->Start());
    level->mFinishSlots = {10, -1, -1};
    level->mRequiredPlace = 1;
    level->mLevelTime = 3.0f;
    ASSERT_TRUE(level->Start());
    EXPECT_EQ(Tasks(), (std::vector<std::string>{"CPVehicleUpdater 100", "CPPhysicWorld 400", "CPObjUpdater 500"}));
    EXPECT_EQ(level->mFinishSlots, (std::array<int32_t, 3>{-1, -1, -1}));
    EXPECT_EQ(level->mRequiredPlace, 0);
    EXPECT_EQ(level->mLevelTime, 600.0f);
    gDeltaTime = 0.5f;
    rig.kernel.RunFrame();
    EXPECT_EQ(level->mClock, 0.5f);  // one update a frame
}

TEST_F(LevelLifecycleTest, StopEndsTheRaceAndAStartAfterItCountsLapsAgain) {
    ASSERT_TRUE(level->Start());
    level->mRaceClockOn = true;
    rig.data->mLevelStarted = true;
    CPGameObject burned("burned");
    player.AddBurned(&burned);
    rival.AddBurned(&burned);
    level->Stop();
    EXPECT_EQ(player.GetBurnedCount(), 0u);
    EXPECT_EQ(rival.GetBurnedCount(), 0u);
    EXPECT_TRUE(level->mStopped);
    EXPECT_FALSE(level->IsStarted());
    EXPECT_FALSE(level->mUnitsActive);
    EXPECT_FALSE(level->mRaceClockOn);
    EXPECT_FALSE(rig.data->mLevelStarted);
    EXPECT_FALSE(level->mPath);
    EXPECT_TRUE(level->mPathPoints.empty());
    EXPECT_TRUE(level->mUnitNearest.empty());
    EXPECT_TRUE(level->mEnemies.empty());
    EXPECT_EQ(level->mPlayer, nullptr);
    EXPECT_EQ(Tasks(), std::vector<std::string>{});
    level->Stop();  // a second stop finds nothing to do

    // The counters the stop emptied are sized again by the next start.
    level->mPath = path;
    level->mPlayer = &player;
    level->mCameraTarget = &player;
    level->mEnemies = {&rival};
    ASSERT_TRUE(level->Start());
    EXPECT_EQ(level->mUnitNearest.size(), 20u);
    EXPECT_EQ(level->mUnitProgress.size(), 20u);
    rival.SetPosition(level->mPathPoints[1]->mP0);
    level->UpdateLap();
    EXPECT_EQ(level->mUnitProgress[0], 1);
}

// The partition's dynamic objects (here one that is not among the placed objects) stop with the race;
// a static object of the partition is left as it is.
TEST_F(LevelLifecycleTest, StopDeactivatesThePartitionsDynamicObjects) {
    CPGameObject moving("moving");
    CPGameObject still("still");
    moving.SetStatic(false);
    level->mBranchRoot = new CPLevelBranch();
    level->mBranchRoot->SetObjects({&moving, &still});
    ASSERT_TRUE(level->Start());
    moving.Activate(CPLevel::kUnitPriority);
    still.Activate(CPLevel::kUnitPriority);
    level->Stop();
    EXPECT_FALSE(moving.IsActive());
    EXPECT_TRUE(still.IsActive());
    EXPECT_EQ(level->mBranchRoot, nullptr) << "and the partition is gone";
    still.Deactivate();
}

TEST_F(LevelLifecycleTest, DeletingAStartedLevelStopsItsRaceFirst) {
    ASSERT_TRUE(level->Start());
    rig.Drain();
    delete level;
    level = nullptr;
    EXPECT_EQ(Tasks(), std::vector<std::string>{});
    gDeltaTime = 0.5f;
    rig.kernel.RunFrame();  // nothing runs a deleted level
    EXPECT_EQ(rig.Drain(), Messages{});
}

}  // namespace
