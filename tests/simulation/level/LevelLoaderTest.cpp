#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Render/CPCamera.h"
#include "Render/PRenderObject.h"
#include "core/files/CPFileReader.h"
#include "simulation/enemies/AI_Vehicle.h"
#include "simulation/level/CPLevelBranch.h"
#include "simulation/level/CPSpline.h"
#include "simulation/level/LevelFile.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/units/CPPlayer.h"
#include "simulation/vehicle/CPCar.h"
#include "support/LevelLoadRig.h"
#include "core/FrameClock.h"
#include "support/MathExpect.h"
#include "support/ScopedGlobal.h"

namespace {

constexpr float kDegrees = 0.017453292f;

size_t RingSize(const CPSpline& spline) {
    size_t count = 0;
    const CPLine* first = spline.GetFirstLine();
    const CPLine* line = first;
    do {
        ++count;
        line = line->mNext;
    } while (line && line != first && count < 10000);
    return count;
}

}  // namespace

TEST(TestLevelTreeTest, TheLevelFileHoldsTheStartsPostsAndThreeLongClosedSplines) {
    TestLevelTree tree;
    ScopedWorkingFolder working;
    tree.Write(working.Folder());
    LevelFileRecord record;
    ASSERT_TRUE(LoadLevelFile("level1", record));
    for (const char* name : {"c_path", "left", "right"}) {
        SCOPED_TRACE(name);
        const SplineRecord* found = FindLevelSpline(record, name);
        ASSERT_NE(found, nullptr);
        EXPECT_TRUE(found->closed);
        CPSpline spline;
        ASSERT_TRUE(spline.Build(*found));
        EXPECT_GT(RingSize(spline), 50u);
    }
    // The start posts straddle the first line of the path.
    CPSpline path;
    ASSERT_TRUE(path.Build(*FindLevelSpline(record, "c_path")));
    const CPLine& first = *path.GetFirstLine();
    const float left = first.SignedDistance(TestLevelTree::LeftPost().x, TestLevelTree::LeftPost().y);
    const float right = first.SignedDistance(TestLevelTree::RightPost().x, TestLevelTree::RightPost().y);
    EXPECT_LT(left * right, 0.0f);
    EXPECT_GE(TestLevelTree::LeftPost().y, std::min(first.mP0.y, first.mP1.y));
    EXPECT_LE(TestLevelTree::LeftPost().y, std::max(first.mP0.y, first.mP1.y));
}

TEST(LevelLoaderTest, TheTestLevelLoadsIntoAPlayableRace) {
    LevelLoadRig rig;
    ASSERT_TRUE(rig.Load()) << rig.Level().GetLoadError();
    CPLevel& level = rig.Level();
    EXPECT_TRUE(level.GetLoadError().empty());
    EXPECT_EQ(level.mLevelNumber, 1);

    // Placed objects: the road mesh, static, in the partition.
    ASSERT_EQ(level.mObjects.size(), 1u);
    EXPECT_EQ(level.mObjects[0]->GetName(), "road");
    EXPECT_TRUE(level.mObjects[0]->IsStatic());
    EXPECT_TRUE(level.mObjects[0]->IsActive());
    ASSERT_NE(level.mBranchRoot, nullptr);
    ASSERT_NE(level.mCamera, nullptr);
    EXPECT_EQ(level.mCamera->mPartitionRoot.Get(), level.mBranchRoot);
    ASSERT_TRUE(level.mScene);
    ASSERT_TRUE(level.mPlane);
    ASSERT_NE(level.mPlane->GetRenderObject(), nullptr);
    const std::vector<CPVertex>& quad = level.mPlane->GetRenderObject()->GetLocalVertices();
    ASSERT_EQ(quad.size(), 4u);
    ExpectVec3Near(quad[2].position, D3DXVECTOR3(500.0f, 500.0f, -0.6f), 1e-4f);
    EXPECT_FLOAT_EQ(quad[2].u1, 200.0f);
    ASSERT_TRUE(level.mRoadPhysics);
    EXPECT_EQ(rig.physics.mTriangles.size(), 2u) << "the road's collision mesh";
    EXPECT_NE(rig.physics.GetWorld(), nullptr);

    // The enemy units: model by level, lifted by 2, each with its car on a body of the world.
    ASSERT_EQ(level.mEnemies.size(), 2u);
    EXPECT_EQ(level.mUnitModels, (std::vector<std::string>{"subaru1", "subaru2"}));
    for (size_t i = 0; i < level.mEnemies.size(); ++i) {
        SCOPED_TRACE(i);
        CPPlayer* unit = level.mEnemies[i];
        EXPECT_EQ(unit->mModelName, level.mUnitModels[i]);
        ExpectVec3Near(unit->GetPosition(), TestLevelTree::EnemyStart(static_cast<int32_t>(i)) + D3DXVECTOR3(0, 0, 2),
                       1e-4f);
        ASSERT_NE(unit->GetCar(), nullptr);
        ASSERT_NE(unit->GetPhysicData(), nullptr);
        EXPECT_NE(unit->GetPhysicData()->mRigidBody, nullptr);
        EXPECT_TRUE(rig.physics.IsRegistered(unit));
        EXPECT_TRUE(unit->mShadow);
        EXPECT_FALSE(unit->mIsPlayer);
        EXPECT_EQ(unit->mCameraMin, 1);
        EXPECT_EQ(unit->mCameraMax, 5);
        // Its AI vehicle record follows the three splines from their first lines.
        AI_Vehicle* record = rig.updater.GetEnemyVehicle(static_cast<int32_t>(i));
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->mPathNodes[AI_Vehicle::kPathSlot], level.mPath->GetFirstLine());
        EXPECT_EQ(record->mPathNodes[AI_Vehicle::kLeftSlot], level.mLeftLine->GetFirstLine());
        EXPECT_EQ(record->mPathNodes[AI_Vehicle::kRightSlot], level.mRightLine->GetFirstLine());
    }
    EXPECT_EQ(rig.updater.GetAfterRaceVehicle()->mPathNodes[0], level.mPath->GetFirstLine());

    // The player's unit: at its start, its model's headlight hidden, flagged as the player.
    ASSERT_NE(level.mPlayer, nullptr);
    CPPlayer& player = *level.mPlayer;
    ExpectVec3Near(player.GetPosition(), TestLevelTree::PlayerStart(), 1e-4f);
    EXPECT_EQ(player.mModelName, "uaz");
    EXPECT_TRUE(player.mIsPlayer);
    ASSERT_NE(player.GetCar(), nullptr);
    EXPECT_TRUE(player.GetCar()->mPlayerCar);
    ASSERT_TRUE(player.FindObject("light"));
    EXPECT_FALSE(player.FindObject("light")->IsVisible());
    EXPECT_TRUE(player.FindObject("lflarerear")->IsVisible());
    EXPECT_EQ(level.mCameraTarget, &player);
    EXPECT_EQ(level.mGhostName, "uaz");

    // Path, hints and the start line.
    EXPECT_EQ(level.mPath->GetName(), "c_path");
    EXPECT_EQ(level.mLeftLine->GetName(), "left");
    EXPECT_EQ(level.mRightLine->GetName(), "right");
    EXPECT_EQ(level.mPathHint[0], level.mPath->GetFirstLine());
    EXPECT_EQ(level.mPathHint[1], level.mLeftLine->GetFirstLine());
    EXPECT_EQ(level.mPathHint[2], level.mRightLine->GetFirstLine());
    ExpectVec3Near(level.mStartLineDir, D3DXVECTOR3(12.0f, 0.0f, 0.0f), 1e-4f);
    ExpectVec3Near(level.mStartLinePos, D3DXVECTOR3(TestLevelTree::kPathRadius, 5.0f, 0.0f), 1e-4f);

    // The camera views from the car's description; "camera2" overrides the angle the camera starts at.
    EXPECT_EQ(level.mCameraMode, 0);
    EXPECT_FLOAT_EQ(level.mCam1Dist, 8.0f);
    EXPECT_FLOAT_EQ(level.mCam1Fov, 60.0f);
    EXPECT_FLOAT_EQ(level.mCam2Dist, 12.0f);
    EXPECT_FLOAT_EQ(level.mCam2Angle, -30.0f);
    EXPECT_FLOAT_EQ(level.mCam3Blur, 0.3f);
    EXPECT_FLOAT_EQ(level.mCamDist, 8.0f);
    EXPECT_FLOAT_EQ(level.mCamAngleDiv, 2.0f);
    EXPECT_FLOAT_EQ(level.mCamera->mTargetDistance, 8.0f);
    EXPECT_FLOAT_EQ(level.mCamera->mPitch, -30.0f * kDegrees);
    EXPECT_FALSE(level.mCamera->mFixedView);
    // The player faces along the path: its forward turned from -y by the start arc.
    const float arc = TestLevelTree::kPlayerArc / TestLevelTree::kPathRadius;
    EXPECT_NEAR(level.mCamera->mYaw, std::acos(std::sin(arc)) * -1.0f, 1e-4f);

    // The race counters.
    EXPECT_EQ(level.mCheckpointTimer, 0.0f);
    EXPECT_EQ(level.mLastCheckpoint, -1);
    EXPECT_EQ(rig.gameData->mCurrentLap, 1);
    EXPECT_EQ(rig.gameData->mLapTimes[0], 0.0f);
}

TEST(LevelLoaderTest, CameraModesSelectTheirViews) {
    LevelLoadRig rig;
    ASSERT_TRUE(rig.Load());
    CPLevel& level = rig.Level();
    level.SetCameraMode(1);
    EXPECT_FLOAT_EQ(level.mCamDist, 12.0f);
    EXPECT_FALSE(level.mCamera->mFixedView);
    level.SetCameraMode(2);
    EXPECT_FLOAT_EQ(level.mCamDist, 8.0f);
    EXPECT_TRUE(level.mCamera->mFixedView);
    level.SetCameraMode(7);
    EXPECT_EQ(level.mCameraMode, 7);
    EXPECT_FLOAT_EQ(level.mCamDist, 8.0f);
}

TEST(LevelLoaderTest, TimeAttackLeavesTheEnemiesOutAndALevelWithoutNumberLooksUpNoGhost) {
    TestLevelTree tree;
    tree.levelName = "arena";
    tree.enemyModel = "";
    LevelLoadRig rig(tree);
    rig.gameData->mLevelResults[0].mGhostName = "uaz";
    ASSERT_TRUE(rig.Load(false, true)) << rig.Level().GetLoadError();
    EXPECT_EQ(rig.Level().mLevelNumber, 0);
    EXPECT_FALSE(rig.Level().mGhost);
    EXPECT_TRUE(rig.Level().mEnemies.empty());
    EXPECT_FLOAT_EQ(rig.Level().mExtentX, 1000.0f);
}

TEST(LevelLoaderTest, SingleRaceEnemiesDriveThePlayersModel) {
    TestLevelTree tree;
    tree.enemyModel = "uaz";
    LevelLoadRig rig(tree);
    ASSERT_TRUE(rig.Load(true, false));
    EXPECT_EQ(rig.Level().mUnitModels, (std::vector<std::string>{"uaz1", "uaz2"}));
}

// Each part a race cannot do without, removed from the tree: the load fails with a message and builds
// nothing of the level; an enemy without a car is left out.
TEST(LevelLoaderTest, ATreeMissingAPartFailsCleanlyOrLeavesThePartOut) {
    struct Case {
        const char* name;
        void (*remove)(TestLevelTree&);
        bool loads;
        const char* message;  // part of the load error
        size_t enemies;
    };
    const Case cases[] = {
        {"no player start", [](TestLevelTree& t) { t.player = false; }, false, "player", 0},
        {"no c_path", [](TestLevelTree& t) { t.splines = {"left", "right"}; }, false, "c_path", 0},
        {"no left", [](TestLevelTree& t) { t.splines = {"c_path", "right"}; }, false, "left", 0},
        {"no right", [](TestLevelTree& t) { t.splines = {"c_path", "left"}; }, false, "right", 0},
        {"no player car", [](TestLevelTree& t) { t.playerBody = false; }, false, "uaz.rdf", 0},
        {"no car and no fallback",
         [](TestLevelTree& t) {
             t.playerBody = false;
             t.fallbackDescription = false;
         },
         false, "uaz.rdf", 0},
        {"no enemy cars", [](TestLevelTree& t) { t.enemyBodies = false; }, true, "", 0},
        {"no start posts", [](TestLevelTree& t) { t.startPosts = false; }, true, "", 2},
        {"no road physics", [](TestLevelTree& t) { t.roadPhysics = false; }, true, "", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestLevelTree tree;
        c.remove(tree);
        LevelLoadRig rig(tree);
        EXPECT_EQ(rig.Load(), c.loads);
        CPLevel& level = rig.Level();
        EXPECT_NE(level.GetLoadError().find(c.message), std::string::npos) << level.GetLoadError();
        EXPECT_EQ(level.mEnemies.size(), c.enemies);
        if (!c.loads) {
            EXPECT_EQ(level.mPlayer, nullptr);
            EXPECT_TRUE(level.mObjects.empty());
            EXPECT_FALSE(level.mPath);
            EXPECT_EQ(level.mCamera, nullptr);
            EXPECT_EQ(level.mMiniMap, nullptr);
            EXPECT_FALSE(level.mScene);
            EXPECT_EQ(level.mBranchRoot, nullptr);
            EXPECT_TRUE(rig.physics.mTriangles.empty());
        } else {
            EXPECT_NE(level.mPlayer, nullptr);
        }
    }
}

TEST(LevelLoaderTest, AMissingFileFailsRightAfterTheRecordsAreMade) {
    LevelLoadRig rig;
    EXPECT_FALSE(rig.Level().Load("level7", false, false));
    EXPECT_NE(rig.Level().GetLoadError().find("level7.lvl"), std::string::npos);
    EXPECT_EQ(rig.updater.GetFirstList().size(), 12u);
    EXPECT_EQ(rig.Level().mLevelNumber, 7);
}

// A placed tree is a plain mesh: its hierarchy bounds are a point at its origin. Rays and spheres far
// from the player go through the partition only, and still find it wherever they meet its box.
TEST(LevelLoaderTest, RaysAndSpheresThroughThePartitionFindAPlacedMeshAwayFromItsOrigin) {
    TestLevelTree tree;
    tree.extraObjects = 2;  // "tree1" at (145, 145, 0), "tree2" at (153, 145, 0): boxes of 2 x 2 x 6
    LevelLoadRig rig(tree);
    ASSERT_TRUE(rig.Load()) << rig.Level().GetLoadError();
    CPLevel& level = rig.Level();
    ASSERT_EQ(level.mObjects.size(), 3u);
    CPGameObject* tree1 = level.mObjects[1].Get();
    ASSERT_EQ(tree1->GetPosition(), D3DXVECTOR3(145, 145, 0));
    ASSERT_LT(tree1->GetHierarchyBounds().mHalfExtents.x, 0.01f);

    struct Ray {
        const char* name;
        D3DXVECTOR3 origin, direction;
        float length, expectedLength;
    };
    const Ray rays[] = {
        {"down, 0.2 off the centre", {145.2f, 145, 10}, {0, 0, -1}, 20, 7},
        {"level, 0.5 aside and 1 up", {140, 145.5f, 1}, {1, 0, 0}, 10, 4},
    };
    for (const Ray& r : rays) {
        SCOPED_TRACE(r.name);
        CPRayQuery query;
        query.origin = r.origin;
        query.direction = r.direction;
        query.length = r.length;
        EXPECT_TRUE(level.CrossPlayerRay(query));
        EXPECT_EQ(query.hitObject.Get(), tree1);
        EXPECT_FLOAT_EQ(query.length, r.expectedLength);
    }

    CPLevel::ObjectList near;
    level.CollectInSphere(D3DXVECTOR3(146.5f, 145, 2), 0.6f, near);
    ASSERT_FALSE(near.empty());
    EXPECT_EQ(near.front().Get(), tree1);
}

TEST(LevelLoaderTest, EnemiesBeyondTheFirstListGetRecordsOfTheirOwn) {
    TestLevelTree tree;
    tree.enemies = 13;
    LevelLoadRig rig(tree);
    rig.gameData->mTransportCount = 1;
    ASSERT_TRUE(rig.Load());
    ASSERT_EQ(rig.Level().mEnemies.size(), 13u);
    EXPECT_EQ(rig.updater.GetSecondList().size(), 2u);
    EXPECT_NE(rig.updater.GetEnemyVehicle(11), rig.updater.GetAfterRaceVehicle());
    EXPECT_EQ(rig.updater.GetEnemyVehicle(12)->mPathNodes[0], rig.Level().mPath->GetFirstLine());
}

// The race update steps the loaded race units: each enemy once with the frame, the player's unit in its
// fixed steps, and each hands its controls to its car.
TEST(LevelLoaderTest, TheRaceUpdateStepsTheLoadedUnits) {
    LevelLoadRig rig;
    ASSERT_TRUE(rig.Load());
    CPLevel& level = rig.Level();
    level.mRolling = false;
    CPPlayer& enemy = *level.mEnemies[0];
    CPPlayer& player = *level.mPlayer;
    enemy.SetControls(1.0f, 0.0f);
    player.SetControls(1.0f, 0.0f);
    player.mStuckTimer = 0.0f;
    ScopedGlobal<float> frame(gDeltaTime, 2.0f * CPLevel::kPlayerStep + 0.001f);
    level.Update();
    EXPECT_GT(enemy.GetCar()->mDrive, 0.0f);
    EXPECT_GT(player.GetCar()->mDrive, 0.0f);
    EXPECT_FLOAT_EQ(player.mStuckTimer, 2.0f * CPLevel::kPlayerStep);
}
