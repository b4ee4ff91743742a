#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/FrameClock.h"
#include "simulation/level/CPLevel.h"
#include "simulation/level/CPSpline.h"
#include "simulation/units/CPPlayer.h"
#include "support/RaceRig.h"
#include "support/SplineRecordBuilder.h"

namespace {

using Messages = std::vector<std::string>;

// A closed rectangle of 400 x 200 from (0, 0) along +x first: 1200 units, over a hundred points. The
// start posts stand across the path one unit beside its first point.
SplineRecord RaceTrack(float width = 400.0f, float height = 200.0f) {
    return MakeSplineRecord({StraightSegment({0, 0, 0}, {width, 0, 0}), StraightSegment({width, 0, 0}, {width, height, 0}),
                             StraightSegment({width, height, 0}, {0, height, 0}), StraightSegment({0, height, 0}, {0, 0, 0})},
                            true);
}

class LapTrackingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(path.Build(RaceTrack()));
        level.mPath = &path;
        level.mCameraTarget = &player;
        level.mStartLinePos = D3DXVECTOR3(1, 0, 0);
        level.mStartLineDir = D3DXVECTOR3(0, 10, 3);  // left post - right post
        rig.data->mRoundCount = 3;
        rig.data->mCurrentLap = 1;
        rig.data->mLapProgress = 0;
        player.SetPosition(Point(0));
    }

    int32_t N() const { return static_cast<int32_t>(level.mPathPoints.size()); }
    D3DXVECTOR3 Point(int32_t i) const {
        const std::vector<CPLine*> points = level.CollectPathPoints();
        return points[static_cast<size_t>(((i % static_cast<int32_t>(points.size())) + static_cast<int32_t>(points.size())) %
                                          static_cast<int32_t>(points.size()))]->mP0;
    }
    // Moves the unit point by point from `from` to `to` (either way), counting after every move.
    void Drive(CPPlayer& unit, int32_t from, int32_t to) {
        const int32_t step = to >= from ? 1 : -1;
        for (int32_t i = from; i != to + step; i += step) {
            unit.SetPosition(Point(i));
            level.UpdateLap();
        }
    }
    // One whole lap of the camera target from the start point back to it.
    void PlayerLap() { Drive(player, 1, N()); }

    RaceRig rig;
    CPSpline path;
    CPPlayer player;
    CPLevel level;
};

TEST_F(LapTrackingTest, ThePathPointsFollowTheRingEitherWay) {
    level.InitLapTracking();
    ASSERT_GT(N(), 100);
    EXPECT_EQ(level.mPathPoints.front(), path.GetFirstLine());
    EXPECT_EQ(level.mPathPoints[1], path.GetFirstLine()->mPrevious);
    EXPECT_EQ(level.mStartPoint, 0);
    EXPECT_EQ(level.mPlayerNearest, 0);
    EXPECT_EQ(level.mStartLineDir.z, 0.0f);
    // Each point leads to the next one the way the line between them heads: the way units face and drive.
    for (int32_t i = 0; i < N(); ++i) {
        const CPLine* line = level.mPathPoints[static_cast<size_t>((i + 1) % N())];
        const D3DXVECTOR3 step = Point(i + 1) - Point(i);
        EXPECT_GT(step.x * std::cos(line->mHeading) + step.y * std::sin(line->mHeading), 0.0f) << i;
    }

    level.mReverse = true;
    level.InitLapTracking();
    EXPECT_EQ(level.mPathPoints[1], path.GetFirstLine()->mNext);
    EXPECT_EQ(static_cast<int32_t>(level.mPathPoints.size()), N());
}

TEST_F(LapTrackingTest, NearestPointIsWithinTheBoundAndTheLaterIndexWinsATie) {
    level.InitLapTracking();
    EXPECT_EQ(level.NearestPathPoint(Point(3) + D3DXVECTOR3(0, -1, 0)), 3);
    // sqrt(100000) is about 316.2 units.
    EXPECT_EQ(level.NearestPathPoint(D3DXVECTOR3(-316, 0, 0)), 0);
    EXPECT_EQ(level.NearestPathPoint(D3DXVECTOR3(-317, 0, 0)), -1);

    CPLine a, b;
    a.mP0 = D3DXVECTOR3(0, 0, 0);
    b.mP0 = D3DXVECTOR3(2, 0, 0);
    level.mPathPoints = {&a, &b};
    EXPECT_EQ(level.NearestPathPoint(D3DXVECTOR3(1, 5, 0)), 1);
}

TEST_F(LapTrackingTest, AStepOfFifteenPointsIsAWrapAndFourteenIsNot) {
    level.InitLapTracking();
    const int32_t n = N();
    struct Case { int32_t from, to, step; };
    for (const Case& c : {Case{0, 1, 1}, Case{1, 0, -1}, Case{0, 14, 14}, Case{0, 15, 15 - (n - 1)}, Case{20, 6, -14},
                          Case{20, 5, -15 + (n - 1)}, Case{n - 1, 0, 0}, Case{0, n - 1, 0}}) {
        EXPECT_EQ(level.WrappedStep(c.from, c.to), c.step) << c.from << " -> " << c.to;
    }
}

TEST_F(LapTrackingTest, ThreeLapsPostTheirMessagesAndTheLastTakesAFinishSlot) {
    level.InitLapTracking();
    rig.Drain();
    PlayerLap();
    EXPECT_EQ(rig.data->mCurrentLap, 2);
    EXPECT_EQ(rig.data->mLapProgress, N());
    EXPECT_EQ(level.mPlayerProgress, 0);
    EXPECT_EQ(rig.Drain(), Messages{"game_interface>show_message:krug_proiden!"});
    PlayerLap();
    EXPECT_EQ(rig.Drain(), Messages{"game_interface>show_message:posledniy_krug!"});
    EXPECT_EQ(rig.data->mLapProgress, 2 * N());
    EXPECT_EQ(level.mFinishSlots, (std::array<int32_t, 3>{-1, -1, -1}));
    PlayerLap();
    EXPECT_EQ(rig.Drain(), Messages{});
    EXPECT_EQ(rig.data->mCurrentLap, 4);
    EXPECT_EQ(level.mFinishSlots, (std::array<int32_t, 3>{CPLevel::kPlayerSlot, -1, -1}));
    // A lap more takes no second slot.
    PlayerLap();
    EXPECT_EQ(level.mFinishSlots, (std::array<int32_t, 3>{CPLevel::kPlayerSlot, -1, -1}));
}

TEST_F(LapTrackingTest, ALapNeedsTheWindowAndTheStartLine) {
    level.InitLapTracking();
    const int32_t window = N() - CPLevel::kPlayerLapMargin;
    EXPECT_EQ(level.PlayerLapWindow(), window);
    struct Case { int32_t progress; D3DXVECTOR3 at; bool lap; };
    // The start line runs through x = 1 across the path.
    for (const Case& c : {Case{window - 1, {0, 0, 0}, false}, Case{window, {0, 0, 0}, true}, Case{window, {3, 0, 0}, true},
                          Case{window, {3.2f, 0, 0}, false}, Case{window, {-1.5f, 0, 0}, false}}) {
        rig.data->mCurrentLap = 1;
        level.mPlayerNearest = 0;
        level.mPlayerProgress = c.progress;
        player.SetPosition(c.at);
        level.UpdateLap();
        EXPECT_EQ(rig.data->mCurrentLap, c.lap ? 2 : 1) << c.progress << " at x " << c.at.x;
    }
}

TEST_F(LapTrackingTest, DrivingBackAcrossTheStartAndForwardAgainCountsNothing) {
    level.InitLapTracking();
    Drive(player, 0, -30);
    EXPECT_EQ(level.mPlayerProgress, -(30 - 1));  // the step across the start counts 0
    Drive(player, -30, 0);
    EXPECT_EQ(level.mPlayerProgress, 0);
    EXPECT_EQ(rig.data->mCurrentLap, 1);
}

TEST_F(LapTrackingTest, StandingAtTheStartBeforeTheFirstLapCountsNothing) {
    level.InitLapTracking();
    Drive(player, 0, 5);
    EXPECT_EQ(rig.data->mLapProgress, 5);
    Drive(player, 5, 0);
    EXPECT_EQ(rig.data->mLapProgress, 0);
}

TEST_F(LapTrackingTest, OtherUnitsCountTheirOwnLapsAndThePlayerTakesTheNextSlot) {
    CPPlayer first, second;
    level.mEnemies = {&first, &second};
    first.SetPosition(Point(0));
    second.SetPosition(Point(0));
    level.InitLapTracking();
    rig.data->mRoundCount = 1;
    const int32_t n = N();
    EXPECT_EQ(level.UnitLapWindow(), n - CPLevel::kUnitLapMargin);

    Drive(first, 1, n);
    const RaceProgress& race = rig.data->mUnitRaces.at("0");
    EXPECT_EQ(race.mLap, 2);
    EXPECT_EQ(race.mProgress, n - 1);  // (n - 1) per lap, where the player's count gives n
    EXPECT_EQ(level.mUnitProgress[0], 0);
    EXPECT_EQ(level.mFinishSlots, (std::array<int32_t, 3>{0, -1, -1}));

    PlayerLap();
    EXPECT_EQ(level.mFinishSlots, (std::array<int32_t, 3>{0, CPLevel::kPlayerSlot, -1}));
    EXPECT_EQ(rig.data->mUnitRaces.at("1").mLap, 1);
}

TEST_F(LapTrackingTest, ThePlayersOwnUnitAmongTheOthersKeepsNoSlotAtStartOrInTheRace) {
    CPPlayer own, rival;
    own.SetSideFlags(kSidePlayer);
    own.SetPosition(Point(50));
    rival.SetPosition(Point(10));
    level.mEnemies = {&own, &rival};
    level.InitLapTracking();
    EXPECT_EQ(level.mUnitNearest[0], 10);  // slot 0 is the rival's
    rival.SetPosition(Point(11));
    level.UpdateLap();
    EXPECT_EQ(level.mUnitProgress[0], 1);
    EXPECT_EQ(rig.data->mUnitRaces.count("0"), 0u);
    EXPECT_EQ(rig.data->mUnitRaces.at("1").mProgress, -1 + 1);
}

TEST_F(LapTrackingTest, UnitsFromTheTwelfthOnAreNotCounted) {
    std::vector<CPPlayer> units(13);
    for (CPPlayer& unit : units) {
        unit.SetPosition(Point(0));
        level.mEnemies.push_back(&unit);
    }
    level.InitLapTracking();
    for (CPPlayer& unit : units) unit.SetPosition(Point(1));
    level.UpdateLap();
    EXPECT_EQ(rig.data->mUnitRaces.size(), 11u);
    EXPECT_EQ(rig.data->mUnitRaces.count("11"), 0u);
}

TEST_F(LapTrackingTest, TheClocksRunOnlyWhileSwitchedOn) {
    level.InitLapTracking();
    rig.data->mUnitRaces["0"].mLap = 2;
    rig.data->mUnitRaces["0"].mLapTimes[2] = 30.0f;
    gDeltaTime = 0.5f;
    level.TickLap();
    EXPECT_EQ(rig.data->mLapTimes[0], 0.0f);
    EXPECT_EQ(rig.data->mTotalRaceTime, 0.0f);

    level.mRaceClockOn = true;
    level.TickLap();
    level.TickLap();
    EXPECT_EQ(rig.data->mLapTimes[0], 1.0f);
    EXPECT_EQ(rig.data->mTotalRaceTime, 1.0f);
    EXPECT_EQ(rig.data->mUnitRaces["0"].mLapTimes[2], 29.0f);  // counted down under the lap's own number
}

TEST_F(LapTrackingTest, AUnitsLapClockGrowsPastTwentyLaps) {
    level.InitLapTracking();
    level.mRaceClockOn = true;
    rig.data->mUnitRaces["3"].mLap = 25;
    gDeltaTime = 0.25f;
    level.TickLap();
    ASSERT_EQ(rig.data->mUnitRaces["3"].mLapTimes.size(), 26u);
    EXPECT_EQ(rig.data->mUnitRaces["3"].mLapTimes[25], -0.25f);
}

TEST_F(LapTrackingTest, ThePlayersLapClockGrowsWithTheLap) {
    level.InitLapTracking();
    level.mRaceClockOn = true;
    rig.data->mLapTimes.clear();
    rig.data->mCurrentLap = 3;
    gDeltaTime = 0.25f;
    level.TickLap();
    ASSERT_EQ(rig.data->mLapTimes.size(), 3u);
    EXPECT_EQ(rig.data->mLapTimes[2], 0.25f);
}

TEST_F(LapTrackingTest, AShortPathStillCountsOneLapPerLap) {
    CPSpline small;
    // 120 units round: about a dozen points, fewer than either lap window.
    ASSERT_TRUE(small.Build(RaceTrack(40.0f, 20.0f)));
    level.mPath = &small;
    level.InitLapTracking();
    ASSERT_LT(N(), CPLevel::kPlayerLapMargin);
    EXPECT_EQ(level.PlayerLapWindow(), 1);
    EXPECT_NE(level.DescribeRacePathFault(), "");
    rig.data->mRoundCount = 10;

    for (int frame = 0; frame < 5; ++frame) level.UpdateLap();  // standing on the start line
    EXPECT_EQ(rig.data->mCurrentLap, 1);
    PlayerLap();
    EXPECT_EQ(rig.data->mCurrentLap, 2);
    for (int frame = 0; frame < 5; ++frame) level.UpdateLap();
    EXPECT_EQ(rig.data->mCurrentLap, 2);
    PlayerLap();
    EXPECT_EQ(rig.data->mCurrentLap, 3);
    level.mPath = nullptr;
}

TEST_F(LapTrackingTest, WithoutAPathOrWithoutStartPostsNothingIsCounted) {
    level.mStartLineDir = D3DXVECTOR3(0, 0, 0);
    level.InitLapTracking();
    EXPECT_NE(level.DescribeRacePathFault(), "");
    level.mPlayerProgress = N();
    level.UpdateLap();
    PlayerLap();
    EXPECT_EQ(rig.data->mCurrentLap, 1);

    level.mPath = nullptr;
    level.InitLapTracking();
    EXPECT_TRUE(level.mPathPoints.empty());
    EXPECT_NE(level.DescribeRacePathFault(), "");
    const int32_t progress = rig.data->mLapProgress;
    player.SetPosition(D3DXVECTOR3(50, 0, 0));
    level.UpdateLap();
    EXPECT_EQ(rig.data->mLapProgress, progress);
    EXPECT_EQ(rig.data->mCurrentLap, 1);
}

TEST_F(LapTrackingTest, AWholePathWithStartPostsHasNothingToReport) {
    EXPECT_EQ(level.DescribeRacePathFault(), "");
}

}  // namespace
