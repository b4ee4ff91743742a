#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "core/EngineAssert.h"
#include "core/FrameClock.h"
#include "simulation/level/CPLevel.h"
#include "simulation/level/CPLine.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "simulation/physics/PhysWorld.h"
#include "simulation/units/CPPlayer.h"
#include "support/LevelLoadRig.h"
#include "support/ScopedGlobal.h"

namespace {

// The test level loaded and started, one race frame run.
class RunningRace {
public:
    RunningRace() {
        loaded = rig.Load() && rig.Level().Start();
        if (loaded) rig.Level().Update();
    }
    CPLevel& Level() { return rig.Level(); }

    LevelLoadRig rig;
    ScopedGlobal<float> frame{gDeltaTime, CPLevel::kPlayerStep};
    bool loaded = false;
};

// Each case breaks one of the race's links the way only a programming error could, and mends it again
// so that the race ends as it would have.
struct BrokenRace {
    const char* name;
    std::function<void(CPLevel&)> breakIt;
    std::function<void(CPLevel&)> mend;
};

TEST(RaceChecksTest, ARunningRaceIsSoundAndEachBrokenLinkIsFound) {
    CPPhysicWorld otherWorld;
    otherWorld.Create();
    PhysRigidBody* ownBody = nullptr;
    CPLine* dropped = nullptr;
    const BrokenRace cases[] = {
        {"a finish slot taken twice", [](CPLevel& l) { l.mFinishSlots = {0, 0, -1}; },
         [](CPLevel& l) { l.mFinishSlots = {-1, -1, -1}; }},
        {"a finish slot taken after a free one", [](CPLevel& l) { l.mFinishSlots = {-1, CPLevel::kPlayerSlot, -1}; },
         [](CPLevel& l) { l.mFinishSlots = {-1, -1, -1}; }},
        {"lap counters of unequal size", [](CPLevel& l) { l.mUnitProgress.pop_back(); },
         [](CPLevel& l) { l.mUnitProgress.push_back(0); }},
        {"a path point left out of the ring",
         [&](CPLevel& l) {
             dropped = l.mPathPoints[1];
             l.mPathPoints.erase(l.mPathPoints.begin() + 1);
         },
         [&](CPLevel& l) { l.mPathPoints.insert(l.mPathPoints.begin() + 1, dropped); }},
        {"a unit's body from another world",
         [&](CPLevel& l) {
             CPPhysicData* data = l.mPlayer->GetPhysicData();
             ownBody = data->mRigidBody;
             data->mRigidBody = otherWorld.GetWorld()->CreateRigidBody();
         },
         [&](CPLevel& l) { l.mPlayer->GetPhysicData()->mRigidBody = ownBody; }},
    };
    RunningRace race;
    ASSERT_TRUE(race.loaded) << race.Level().GetLoadError();
    CPLevel& level = race.Level();
    ASSERT_GT(level.mPathPoints.size(), 2u);
    ASSERT_TRUE(level.mPlayer && level.mPlayer->GetPhysicData() && level.mPlayer->GetPhysicData()->mRigidBody);
    EXPECT_TRUE(level.RaceIsSound());
    for (const BrokenRace& c : cases) {
        c.breakIt(level);
        EXPECT_FALSE(level.RaceIsSound()) << c.name;
        c.mend(level);
        EXPECT_TRUE(level.RaceIsSound()) << c.name << " mended";
    }
    // A script may turn the driving order after the start: the ring is then walked the other way.
    level.mReverse = true;
    std::reverse(level.mPathPoints.begin(), level.mPathPoints.end());
    EXPECT_TRUE(level.RaceIsSound());
}

void RunRaceWithAFinishSlotTakenTwice() {
    RunningRace race;
    race.Level().mFinishSlots = {CPLevel::kPlayerSlot, CPLevel::kPlayerSlot, -1};
    race.Level().Update();
}

TEST(RaceChecksTest, TheRaceUpdateStopsOnABrokenRace) {
    if constexpr (!kEngineAssertsActive) GTEST_SKIP() << "the checks are compiled out of this build";
    EXPECT_DEATH(RunRaceWithAFinishSlotTakenTwice(), "ENGINE_ASSERT failed: RaceIsSound\\(\\)");
}

}  // namespace
