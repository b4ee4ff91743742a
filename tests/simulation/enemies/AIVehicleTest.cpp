#include <gtest/gtest.h>

#include <cmath>

#include "core/ServiceGlobals.h"
#include "simulation/enemies/AI_Vehicle.h"
#include "simulation/enemies/CPVehicleUpdater.h"
#include "simulation/level/CPLevel.h"
#include "simulation/level/CPSpline.h"
#include "simulation/units/CPPlayer.h"
#include "support/ScopedGlobal.h"
#include "support/ScopedLevel.h"
#include "support/SplineRecordBuilder.h"

namespace {

// A level whose race path is the square of side 100 (driven clockwise: along x = 0 upward, ...).
class SquarePathLevel {
public:
    SquarePathLevel() {
        auto* path = new CPSpline;
        EXPECT_TRUE(path->Build(SquareSplineRecord("c_path")));
        auto* left = new CPSpline;
        EXPECT_TRUE(left->Build(SquareSplineRecord("left")));
        scoped.Level().Adopt(path);
        scoped.Level().Adopt(left);
        scoped.Level().mPath = path;
        scoped.Level().mLeftLine = left;
    }
    CPLevel& Level() { return scoped.Level(); }
    CPSpline& Path() { return *Level().mPath; }

    ScopedLevel scoped;
};

// A record driving `unit`, placed at `at` with the heading `forward`, at `speed`.
void Place(AI_Vehicle& record, CPPlayer& unit, const D3DXVECTOR3& at, const D3DXVECTOR3& forward, float speed) {
    unit.SetPosition(at);
    record.Drive(&unit, forward, speed, CPSmartPtr<CPPlayer>(&unit), 0, 0);
}

}  // namespace

TEST(AIVehicleTest, FreshRecordHoldsItsStartValues) {
    AI_Vehicle record;
    EXPECT_FALSE(record.mUnit);
    EXPECT_FALSE(record.mReverse);
    EXPECT_FLOAT_EQ(record.mThrottleScale, 1.0f);
    EXPECT_FLOAT_EQ(record.mTopSpeed, 30.0f);
    EXPECT_EQ(record.GetSize(), 160u);
    EXPECT_EQ(record.GetClassName(), "AI_Vehicle");
    // Without a unit the driving step drives nothing.
    const AiControls controls = record.ComputeControls();
    EXPECT_EQ(controls.throttle, 0.0f);
    EXPECT_EQ(controls.steering, 0.0f);
}

TEST(AIVehicleTest, DriveRecordsTheUnitsState) {
    ScopedGlobal<CPLevel*> noLevel(gLevel, nullptr);
    CPPlayer unit;
    unit.SetPosition(D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    AI_Vehicle record;
    record.Drive(&unit, D3DXVECTOR3(3.0f, 4.0f, 7.0f), -12.5f, CPSmartPtr<CPPlayer>(&unit), 4, 9);
    EXPECT_FLOAT_EQ(record.mSpeed, 12.5f);
    EXPECT_FLOAT_EQ(record.mForward.x, 0.6f);
    EXPECT_FLOAT_EQ(record.mForward.y, 0.8f);
    EXPECT_EQ(record.mForward.z, 0.0f);
    EXPECT_EQ(record.mPosition, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(record.mCameraMin, 4);
    EXPECT_EQ(record.mCameraMax, 9);
    EXPECT_EQ(record.mUnit.Get(), &unit);

    record.Drive(&unit, D3DXVECTOR3(0.0f, 0.0f, 1.0f), 2.0f, CPSmartPtr<CPPlayer>(&unit), 0, 0);
    EXPECT_EQ(record.mUnit.Get(), &unit);
    // A forward vector straight up has no heading.
    EXPECT_EQ(record.mForward, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    record.Reset();
    EXPECT_FALSE(record.mUnit);
}

TEST(AIVehicleTest, ReverseFlagStaysOnceTheLevelRanBackwards) {
    ScopedLevel level;
    AI_Vehicle record;
    CPPlayer& unit = level.Player();
    Place(record, unit, D3DXVECTOR3(), D3DXVECTOR3(0, -1, 0), 0.0f);
    EXPECT_FALSE(record.mReverse);
    level.Level().mReverse = true;
    Place(record, unit, D3DXVECTOR3(), D3DXVECTOR3(0, -1, 0), 0.0f);
    level.Level().mReverse = false;
    Place(record, unit, D3DXVECTOR3(), D3DXVECTOR3(0, -1, 0), 0.0f);
    EXPECT_TRUE(record.mReverse);
    record.Reset();
}

TEST(AIVehicleTest, SetPathTakesTheSlotsNodeAndRefreshesTheSplines) {
    SquarePathLevel level;
    AI_Vehicle record;
    CPLine* first = level.Path().GetFirstLine();
    record.SetPath(AI_Vehicle::kPathSlot, first);
    EXPECT_EQ(record.mPathNodes[0], first);
    EXPECT_EQ(record.mPath, &level.Path());
    EXPECT_EQ(record.mLeftLine, level.Level().mLeftLine.Get());
    EXPECT_EQ(record.mRightLine, nullptr);

    // Slot 3 takes no node but still refreshes the spline pointers.
    level.Level().mRightLine = level.Level().mLeftLine;
    record.SetPath(3, first->mNext);
    EXPECT_EQ(record.mPathNodes[0], first);
    EXPECT_EQ(record.mPathNodes[1], nullptr);
    EXPECT_EQ(record.mPathNodes[2], nullptr);
    EXPECT_EQ(record.mRightLine, level.Level().mLeftLine.Get());
}

// The driving step steers toward the path ahead: on the square driven clockwise, a unit on the bottom
// side heading -x toward (0, 0).
TEST(AIVehicleTest, SteersTowardThePathAhead) {
    struct Case {
        const char* name;
        D3DXVECTOR3 at;
        D3DXVECTOR3 forward;
        int expectedSign;  // of the steering
    };
    const Case cases[] = {
        // Target below-left of a unit heading west: a turn to the left (counter-clockwise), negative.
        {"inside the square", {60.0f, 6.0f, 0.0f}, {-1.0f, 0.0f, 0.0f}, -1},
        // Target above-left: a turn to the right (clockwise), positive.
        {"outside the square", {60.0f, -6.0f, 0.0f}, {-1.0f, 0.0f, 0.0f}, +1},
        {"on the line", {60.0f, 0.0f, 0.0f}, {-1.0f, 0.0f, 0.0f}, 0},
        // Facing east, the wrong way: the path ahead lies behind, the step turns hard.
        {"facing backwards", {60.0f, 1.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, +1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SquarePathLevel level;
        AI_Vehicle record;
        record.SetPath(AI_Vehicle::kPathSlot, level.Path().GetFirstLine());
        Place(record, level.scoped.Player(), c.at, c.forward, 5.0f);
        const AiControls controls = record.ComputeControls();
        if (c.expectedSign == 0)
            EXPECT_NEAR(controls.steering, 0.0f, 1e-3f);
        else
            EXPECT_EQ(controls.steering > 0.0f ? 1 : -1, c.expectedSign) << controls.steering;
        EXPECT_LE(std::fabs(controls.steering), AI_Vehicle::kMaxSteering);
        // The target lies ahead along the path, toward (0, 0).
        EXPECT_LT(record.mTarget.x, c.at.x);
        record.Reset();
    }
}

TEST(AIVehicleTest, ThrottleFallsBeforeABendAndNotOnAStraight) {
    struct Case {
        const char* name;
        float x;
        float speed;
        float expectedThrottle;
    };
    const Case cases[] = {
        {"long straight ahead", 85.0f, 25.0f, 1.0f},
        {"fast into the corner", 25.0f, 25.0f, -1.0f},
        {"slow into the corner", 25.0f, 5.0f, 1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SquarePathLevel level;
        AI_Vehicle record;
        record.SetPath(AI_Vehicle::kPathSlot, level.Path().GetFirstLine());
        Place(record, level.scoped.Player(), D3DXVECTOR3(c.x, 0.0f, 0.0f), D3DXVECTOR3(-1, 0, 0), c.speed);
        EXPECT_EQ(record.ComputeControls().throttle, c.expectedThrottle);
        record.Reset();
    }
}

TEST(AIVehicleTest, ReversedRaceDrivesTheOtherWay) {
    SquarePathLevel level;
    level.Level().mReverse = true;
    AI_Vehicle record;
    record.SetPath(AI_Vehicle::kPathSlot, level.Path().GetFirstLine());
    Place(record, level.scoped.Player(), D3DXVECTOR3(40.0f, 0.0f, 0.0f), D3DXVECTOR3(1, 0, 0), 5.0f);
    record.ComputeControls();
    EXPECT_GT(record.mTarget.x, 40.0f);
    record.Reset();
}

TEST(AIVehicleTest, AUnitMovedFarAwayIsFoundAgainOnTheWholeRing) {
    SquarePathLevel level;
    AI_Vehicle record;
    record.SetPath(AI_Vehicle::kPathSlot, level.Path().GetFirstLine());
    CPPlayer& unit = level.scoped.Player();
    Place(record, unit, D3DXVECTOR3(60.0f, 0.0f, 0.0f), D3DXVECTOR3(-1, 0, 0), 5.0f);
    record.ComputeControls();
    // Respawned on the opposite side, heading +x there (clockwise along y = 100).
    Place(record, unit, D3DXVECTOR3(40.0f, 100.0f, 0.0f), D3DXVECTOR3(1, 0, 0), 5.0f);
    record.ComputeControls();
    EXPECT_NEAR(record.mCursor->mCentre.y, 100.0f, 1.0f);
    EXPECT_GT(record.mTarget.x, 40.0f);
    record.Reset();
}

TEST(VehicleUpdaterTest, EnemyIndicesMapToTheirOwnRecords) {
    CPVehicleUpdater updater;
    updater.PrepareVehicles(2);
    ASSERT_EQ(updater.GetFirstList().size(), 12u);
    ASSERT_EQ(updater.GetSecondList().size(), 2u);
    EXPECT_EQ(updater.GetEnemyVehicle(0), updater.GetFirstList()[0]);
    EXPECT_EQ(updater.GetEnemyVehicle(10), updater.GetFirstList()[10]);
    // The twelfth enemy does not share the after-race record; the second list is used from its start.
    EXPECT_EQ(updater.GetEnemyVehicle(11), updater.GetSecondList()[0]);
    EXPECT_EQ(updater.GetEnemyVehicle(12), updater.GetSecondList()[1]);
    EXPECT_EQ(updater.GetAfterRaceVehicle(), updater.GetFirstList()[11]);
    // Outside both lists: no record, and driving it does nothing.
    EXPECT_EQ(updater.GetEnemyVehicle(13), nullptr);
    EXPECT_EQ(updater.GetEnemyVehicle(-1), nullptr);
    CPPlayer unit;
    updater.DriveEnemy(13, &unit, D3DXVECTOR3(0, -1, 0), 1.0f, 0, 0);
    updater.AssignEnemyPath(40, 0, nullptr);

    updater.EnsureEnemyVehicle(14);
    ASSERT_EQ(updater.GetSecondList().size(), 4u);
    EXPECT_EQ(updater.GetEnemyVehicle(14), updater.GetSecondList()[3]);
    EXPECT_TRUE(updater.mTransportsActive);
}

TEST(VehicleUpdaterTest, ALoadWithoutTransportsClearsTheFlagAndReplacesTheRecords) {
    CPVehicleUpdater updater;
    updater.PrepareVehicles(3);
    CPPlayer unit;
    updater.DriveEnemy(0, &unit, D3DXVECTOR3(0, -1, 0), 1.0f, 0, 0);
    EXPECT_EQ(updater.GetEnemyVehicle(0)->mUnit.Get(), &unit);
    updater.PrepareVehicles(0);
    EXPECT_EQ(updater.GetVehicleCount(), 0);
    EXPECT_FALSE(updater.mTransportsActive);
    EXPECT_EQ(updater.GetFirstList().size(), 12u);
    EXPECT_TRUE(updater.GetSecondList().empty());
    EXPECT_FALSE(updater.GetEnemyVehicle(0)->mUnit);
    updater.ClearVehicleLists();
    EXPECT_TRUE(updater.GetFirstList().empty());
}

TEST(VehicleUpdaterTest, ExecuteHandsEachDrivenRecordsControlsToItsUnit) {
    SquarePathLevel level;
    CPVehicleUpdater updater;
    updater.PrepareVehicles(0);
    updater.AssignEnemyPath(0, AI_Vehicle::kPathSlot, level.Path().GetFirstLine());
    CPPlayer driven;
    CPPlayer idle;
    driven.SetPosition(D3DXVECTOR3(60.0f, 6.0f, 0.0f));
    updater.DriveEnemy(0, &driven, D3DXVECTOR3(-1, 0, 0), 5.0f, 0, 0);
    updater.Execute();
    EXPECT_EQ(driven.mThrottle, 1.0f);
    EXPECT_LT(driven.mSteering, 0.0f);
    EXPECT_EQ(idle.mThrottle, 0.0f);
    EXPECT_EQ(idle.mSteering, 0.0f);
}
