#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/CPTaskKernel.h"
#include "core/FrameClock.h"
#include "core/LogStream.h"
#include "simulation/level/CPLevel.h"
#include "support/LevelLoadRig.h"

namespace {

// Load reports through the log; the test reads what it said.
class LogWatch {
public:
    LogWatch() : mPrevious(SetLogReportObserver([this](const std::string& text) { texts.push_back(text); })) {}
    ~LogWatch() { SetLogReportObserver(mPrevious); }
    std::vector<std::string> texts;

private:
    LogReportObserver mPrevious;
};

TEST(LevelStartTest, ALoadedTestLevelStartsAndRunsItsRaceFrames) {
    LevelLoadRig rig;
    LogWatch log;
    ASSERT_TRUE(rig.Load());
    EXPECT_TRUE(log.texts.empty()) << log.texts.front();
    CPLevel& level = rig.Level();
    ASSERT_TRUE(level.Start());
    EXPECT_GT(level.mPathPoints.size(), 50u);
    EXPECT_NE(level.mPlayerNearest, -1);
    for (int frame = 0; frame < 30; ++frame) {
        gDeltaTime = 1.0f / 60.0f;
        gTaskKernel->RunFrame();
    }
    EXPECT_NEAR(level.mClock, 0.5f, 1e-4f);
    EXPECT_EQ(level.mFinishSlots, (std::array<int32_t, 3>{-1, -1, -1}));
    level.Stop();
    EXPECT_TRUE(level.mStopped);
}

TEST(LevelStartTest, ALevelWhoseLoadFailedIsNotStarted) {
    LevelLoadRig rig;
    LogWatch log;
    EXPECT_FALSE(rig.Level().Load("no_such_level", false, false));
    EXPECT_FALSE(rig.Level().Start());
    EXPECT_FALSE(rig.Level().IsStarted());
}

TEST(LevelStartTest, ALevelWithoutStartPostsSaysSoWhenItLoads) {
    TestLevelTree tree;
    tree.startPosts = false;
    LevelLoadRig rig(tree);
    LogWatch log;
    ASSERT_TRUE(rig.Load());
    ASSERT_EQ(log.texts.size(), 1u);
    EXPECT_NE(log.texts[0].find("no start line"), std::string::npos) << log.texts[0];
}

}  // namespace
