#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "Render/CPCamera.h"
#include "Render/PRenderObject.h"
#include "core/Angles.h"
#include "core/files/CPFileReader.h"
#include "platform/FiniteChecks.h"
#include "platform/PathResolver.h"
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

// The reports the load made that do not stop it ("level load: ..."), from every report of the rig.
std::vector<std::string> LoadReports(LevelLoadRig& rig) {
    std::vector<std::string> reports;
    for (const std::string& report : rig.mBuild.Caches().Reports())
        if (report.rfind("level load: ", 0) == 0) reports.push_back(report);
    return reports;
}

bool AnyReportHas(const std::vector<std::string>& reports, const std::string& text) {
    return std::any_of(reports.begin(), reports.end(),
                       [&](const std::string& report) { return report.find(text) != std::string::npos; });
}

// A level file written by hand, byte by byte, from the layout of the format: a header of four 0.0
// floats, no lights, one placed object ("road" at the origin, unturned, scale 1) and the three splines,
// each open with one straight segment along y from -100 to 100 (P0, P3, P1, P2), "c_path" at x = 0,
// "left" at x = -6 and "right" at x = 6. There is no "player" record.
std::vector<unsigned char> LevelFileWithoutAPlayer() {
    return {
        // header: 4 x float32 0.0
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        // light block: N = 0, no records
        0x00, 0x00, 0x00, 0x00,
        // object table: M = 1
        0x01, 0x00, 0x00, 0x00,
        // "road": length 4, the bytes; position (0, 0, 0); rotation (0, 0, 0, 1); scale (1, 1, 1)
        0x04, 0x00, 0x00, 0x00, 'r', 'o', 'a', 'd',
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3F,
        0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x80, 0x3F,
        // spline table: K = 3
        0x03, 0x00, 0x00, 0x00,
        // "c_path": length 6, the bytes; closed 0; S = 1
        0x06, 0x00, 0x00, 0x00, 'c', '_', 'p', 'a', 't', 'h', 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
        // P0 (0, -100, 0), P3 (0, 100, 0), P1 (0, -50, 0), P2 (0, 50, 0)
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC8, 0xC2, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC8, 0x42, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x48, 0xC2, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x48, 0x42, 0x00, 0x00, 0x00, 0x00,
        // "left": length 4; closed 0; S = 1; the same segment at x = -6
        0x04, 0x00, 0x00, 0x00, 'l', 'e', 'f', 't', 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
        0x00, 0x00, 0xC0, 0xC0, 0x00, 0x00, 0xC8, 0xC2, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0xC0, 0xC0, 0x00, 0x00, 0xC8, 0x42, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0xC0, 0xC0, 0x00, 0x00, 0x48, 0xC2, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0xC0, 0xC0, 0x00, 0x00, 0x48, 0x42, 0x00, 0x00, 0x00, 0x00,
        // "right": length 5; closed 0; S = 1; the same segment at x = 6
        0x05, 0x00, 0x00, 0x00, 'r', 'i', 'g', 'h', 't', 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
        0x00, 0x00, 0xC0, 0x40, 0x00, 0x00, 0xC8, 0xC2, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0xC0, 0x40, 0x00, 0x00, 0xC8, 0x42, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0xC0, 0x40, 0x00, 0x00, 0x48, 0xC2, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0xC0, 0x40, 0x00, 0x00, 0x48, 0x42, 0x00, 0x00, 0x00, 0x00,
    };
}

// A vehicle description written by hand from the attributes the level reads, each view given values
// that are no numbers a camera can use ("nan", "inf", beyond the float or int32 range, text) beside
// good ones.
constexpr const char* kCarXmlWithUnusableNumbers =
    "<physics><geometry><wheels count=\"4\" x=\"0\" y=\"0\" length=\"1.5\" radius=\"0.5\"/></geometry></physics>\n"
    "<camera distance=\"nan\" height=\"inf\" angle=\"nan\" angle_div=\"1e39\" distance_div=\"-inf\" blur=\"fast\" "
    "fov=\"70\" min=\"nan\" max=\"3e9\"/>\n"
    "<camera2 distance=\"-nan\" height=\"3\" angle=\"inf\" fov=\"nan\"/>\n"
    "<camera3 distance=\"1e400\" height=\"nan\" blur=\"0.5\"/>\n";

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
    EXPECT_FLOAT_EQ(level.mRaceViews[0].distance, 8.0f);
    EXPECT_FLOAT_EQ(level.mRaceViews[0].fov, 60.0f);
    EXPECT_FLOAT_EQ(level.mRaceViews[1].distance, 12.0f);
    EXPECT_FLOAT_EQ(level.mRaceViews[1].angle, -30.0f);
    EXPECT_FLOAT_EQ(level.mRaceViews[2].blur, 0.3f);
    EXPECT_FLOAT_EQ(level.mActiveView.distance, 8.0f);
    EXPECT_FLOAT_EQ(level.mActiveView.angleDiv, 2.0f);
    EXPECT_FLOAT_EQ(level.mCamera->mTargetDistance, 8.0f);
    EXPECT_FLOAT_EQ(level.mCamera->mPitch, D3DXToRadian(-30.0f));
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
    EXPECT_FLOAT_EQ(level.mActiveView.distance, 12.0f);
    EXPECT_FALSE(level.mCamera->mFixedView);
    level.SetCameraMode(2);
    EXPECT_FLOAT_EQ(level.mActiveView.distance, 8.0f);
    EXPECT_TRUE(level.mCamera->mFixedView);
    level.SetCameraMode(7);
    EXPECT_EQ(level.mCameraMode, 7);
    EXPECT_FLOAT_EQ(level.mActiveView.distance, 8.0f);
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
        {"no player start", [](TestLevelTree& t) { t.player = false; }, true, "", 2},
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

TEST(LevelLoaderTest, ALoadReadsEachFileOnceAndTheNextLoadReadsThemAgain) {
    TestLevelTree tree;
    tree.extraObjects = 12;  // twelve objects from one description and mesh
    LevelLoadRig rig(tree);
    ScopedOpenLog log;
    ASSERT_TRUE(rig.Load()) << rig.Level().GetLoadError();
    ASSERT_EQ(rig.Level().mObjects.size(), 13u);
    for (size_t i = 1; i < rig.Level().mObjects.size(); ++i)
        EXPECT_EQ(rig.Level().mObjects[i]->GetSourceName(), "tree.rdf") << i;
    // Each load reads each of its files once; nothing is kept past a load (the textures, which the
    // engine's texture cache keeps, are not read again), so the next one reads them again.
    auto checkReads = [&](size_t from, const char* load) {
        std::vector<std::string> read(log.Paths().begin() + static_cast<std::ptrdiff_t>(from), log.Paths().end());
        std::sort(read.begin(), read.end());
        EXPECT_EQ(std::adjacent_find(read.begin(), read.end()), read.end()) << load << ": a file was read twice";
        for (const char* file : {"Data/Meshes/tree.rdf", "Data/Meshes/tree.x", "Data/Meshes/car.p3d"})
            EXPECT_TRUE(std::binary_search(read.begin(), read.end(), std::string(file))) << load << ": " << file;
    };
    checkReads(0, "first load");
    const size_t firstLoad = log.Paths().size();
    rig.DeleteLevel();
    ASSERT_TRUE(rig.Load()) << rig.Level().GetLoadError();
    checkReads(firstLoad, "second load");
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

// A level file without a "player" record starts the player at (100, 100, 1), unturned.
TEST(LevelLoaderTest, ALevelFileWithoutAPlayerRecordStartsThePlayerAtTheDefaultPlace) {
    TestLevelTree tree;
    tree.enemies = 0;
    LevelLoadRig rig(tree);
    rig.Folder().Write("Data/Levels/level1.lvl", LevelFileWithoutAPlayer());
    ASSERT_TRUE(rig.Load()) << rig.Level().GetLoadError();
    CPLevel& level = rig.Level();
    ASSERT_NE(level.mPlayer, nullptr);
    ExpectVec3Near(level.mPlayer->GetPosition(), D3DXVECTOR3(100.0f, 100.0f, 1.0f), 1e-5f);
    EXPECT_EQ(level.mPlayer->GetRotation(), D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f));
    ASSERT_EQ(level.mObjects.size(), 1u);
    EXPECT_EQ(level.mObjects[0]->GetName(), "road");
    ASSERT_TRUE(level.mPath);
    EXPECT_FLOAT_EQ(level.mPath->GetFirstLine()->mP0.x, 0.0f);
    ASSERT_TRUE(level.mLeftLine);
    EXPECT_FLOAT_EQ(level.mLeftLine->GetFirstLine()->mP0.x, -6.0f);
    ASSERT_TRUE(level.mRightLine);
    EXPECT_FLOAT_EQ(level.mRightLine->GetFirstLine()->mP0.x, 6.0f);
    EXPECT_TRUE(level.mEnemies.empty());
}

// Values a camera cannot use are refused where they are read: the views keep what they had, and the
// camera stays finite through the race's first frames.
TEST(LevelLoaderTest, CameraValuesThatAreNoUsableNumbersAreRefused) {
    LevelLoadRig rig;
    rig.mBuild.WriteXmlDescription(TestLevelTree::kCarDescription, kCarXmlWithUnusableNumbers);
    ASSERT_TRUE(rig.Load()) << rig.Level().GetLoadError();
    CPLevel& level = rig.Level();
    const CPLevel fresh;
    EXPECT_EQ(level.mRaceViews[0].distance, fresh.mRaceViews[0].distance);
    EXPECT_EQ(level.mRaceViews[0].height, fresh.mRaceViews[0].height);
    EXPECT_EQ(level.mRaceViews[0].angle, fresh.mRaceViews[0].angle);
    EXPECT_EQ(level.mRaceViews[0].angleDiv, fresh.mRaceViews[0].angleDiv);
    EXPECT_EQ(level.mRaceViews[0].distanceDiv, fresh.mRaceViews[0].distanceDiv);
    EXPECT_EQ(level.mRaceViews[0].blur, fresh.mRaceViews[0].blur);
    EXPECT_FLOAT_EQ(level.mRaceViews[0].fov, 70.0f) << "a good value beside them is taken";
    EXPECT_EQ(level.mRaceViews[1].distance, fresh.mRaceViews[1].distance);
    EXPECT_FLOAT_EQ(level.mRaceViews[1].height, 3.0f);
    EXPECT_EQ(level.mRaceViews[1].angle, fresh.mRaceViews[1].angle);
    EXPECT_EQ(level.mRaceViews[1].fov, fresh.mRaceViews[1].fov);
    EXPECT_EQ(level.mRaceViews[2].distance, fresh.mRaceViews[2].distance);
    EXPECT_EQ(level.mRaceViews[2].height, fresh.mRaceViews[2].height);
    EXPECT_FLOAT_EQ(level.mRaceViews[2].blur, 0.5f);
    const CPPlayer unit;
    for (CPPlayer* enemy : level.mEnemies) {
        EXPECT_EQ(enemy->mCameraMin, unit.mCameraMin);
        EXPECT_EQ(enemy->mCameraMax, unit.mCameraMax);
    }
    EXPECT_FLOAT_EQ(level.mCamera->mPitch, -kHalfPi) << "no angle read: the start angle stays";

    level.mRolling = false;
    ScopedGlobal<float> frame(gDeltaTime, CPLevel::kPlayerStep);
    for (int i = 0; i < 3; ++i) level.Update();
    const D3DXVECTOR3 eye = level.mCamera->GetViewCamera()->GetEye();
    EXPECT_TRUE(IsFinite(eye));
    EXPECT_TRUE(std::isfinite(level.mCamera->mTargetDistance));
}

// The free view is placed by its own element; it follows with the first view's angle, so an angle in
// "camera3" neither turns the camera at the load nor in a race in that view.
TEST(LevelLoaderTest, TheFreeViewsOwnAngleNeverTurnsTheCamera) {
    LevelLoadRig rig;
    rig.mBuild.WriteXmlDescription(
        TestLevelTree::kCarDescription,
        "<physics><geometry><wheels count=\"4\" x=\"0\" y=\"0\" length=\"1.5\" radius=\"0.5\"/></geometry></physics>\n"
        "<camera distance=\"8\" angle=\"-20\"/>\n"
        "<camera3 distance=\"3\" height=\"1\" angle=\"-75\" blur=\"0.3\"/>\n");
    ASSERT_TRUE(rig.Load()) << rig.Level().GetLoadError();
    CPLevel& level = rig.Level();
    EXPECT_FLOAT_EQ(level.mCamera->mPitch, D3DXToRadian(-20.0f));
    level.SetCameraMode(2);
    EXPECT_FLOAT_EQ(level.mActiveView.distance, 8.0f);
    EXPECT_FLOAT_EQ(level.mActiveView.angle, -20.0f);
    level.mRolling = false;
    ScopedGlobal<float> frame(gDeltaTime, CPLevel::kPlayerStep);
    level.Update();
    EXPECT_FLOAT_EQ(level.mCamera->mPitch, D3DXToRadian(-20.0f));
    // The free view's eye stands 3 ahead along the car's forward and 1 up its up axis.
    const D3DXVECTOR3 offset = level.mCamera->mFixedEye - level.mPlayer->GetPosition();
    EXPECT_NEAR(D3DXVec3Length(&offset), std::sqrt(10.0f), 1e-3f);
}

// What loads but will not race as its writer meant is said where the load says its other faults.
TEST(LevelLoaderTest, LoadsThatGoWrongWithoutFailingAreReported) {
    struct Case {
        const char* name;
        void (*changeTree)(TestLevelTree&);
        void (*changeFiles)(LevelLoadRig&);
        std::vector<std::string> said;
        std::vector<std::string> unsaid;
    };
    const std::string noValue = "gives the car no value";
    const std::string scene = "the scene description \"level1.rdf\" cannot be read: the scene is \"wrong.rdf\"";
    const std::string against = "facing against the driving order";
    auto wrapped = [](LevelLoadRig& rig) {
        rig.mBuild.WriteXmlDescription(TestLevelTree::kCarDescription,
                                       "<vehicle>" + TestLevelTree::CarXml() + "</vehicle>");
    };
    const Case cases[] = {
        {"the test level", nullptr, nullptr, {}, {noValue, scene, against}},
        {"a vehicle description wrapped in one root element", nullptr, wrapped,
         {"\"subaru1_enemy.rdf\" " + noValue, "\"subaru2_enemy.rdf\" " + noValue, "\"uaz.rdf\" " + noValue},
         {scene}},
        {"no scene description", [](TestLevelTree& t) { t.sceneDescription = false; }, nullptr, {scene}, {noValue}},
        {"the player facing back", [](TestLevelTree& t) { t.playerTurn = D3DX_PI; }, nullptr, {against}, {scene}},
        {"the player facing across", [](TestLevelTree& t) { t.playerTurn = 1.2f; }, nullptr, {}, {against}},
        {"the player facing back across", [](TestLevelTree& t) { t.playerTurn = -2.0f; }, nullptr, {against}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestLevelTree tree;
        if (c.changeTree) c.changeTree(tree);
        LevelLoadRig rig(tree);
        if (c.changeFiles) c.changeFiles(rig);
        ASSERT_TRUE(rig.Load()) << rig.Level().GetLoadError();
        const std::vector<std::string> reports = LoadReports(rig);
        for (const std::string& text : c.said) EXPECT_TRUE(AnyReportHas(reports, text)) << text;
        for (const std::string& text : c.unsaid) EXPECT_FALSE(AnyReportHas(reports, text)) << text;
    }
}

// A level whose start faces against the driving order still loads; driven reversed it races.
TEST(LevelLoaderTest, AStartFacingBackRacesWhenThePathIsDrivenReversed) {
    TestLevelTree tree;
    tree.playerTurn = D3DX_PI;
    LevelLoadRig rig(tree);
    ASSERT_TRUE(rig.Load()) << rig.Level().GetLoadError();
    CPLevel& level = rig.Level();
    EXPECT_NE(level.DescribeStartHeadingFault(), "");
    level.mReverse = true;
    EXPECT_EQ(level.DescribeStartHeadingFault(), "");
}

// In rolling mode the player's unit is driven by the AI like the enemies: it gets their paths and moves.
TEST(LevelLoaderTest, RollingModeDrivesThePlayersUnitAlongThePaths) {
    ScopedGlobal<int32_t> rolling(gSettings::rolling, 1);
    LevelLoadRig rig;
    ASSERT_TRUE(rig.Load()) << rig.Level().GetLoadError();
    CPLevel& level = rig.Level();
    ASSERT_TRUE(level.mRolling);
    ASSERT_FALSE(level.mEnemies.empty());
    ASSERT_EQ(level.mEnemies.back(), level.mPlayer);
    const int32_t index = static_cast<int32_t>(level.mEnemies.size()) - 1;
    AI_Vehicle* record = rig.updater.GetEnemyVehicle(index);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->mPathNodes[AI_Vehicle::kPathSlot], level.mPath->GetFirstLine());
    EXPECT_EQ(record->mPathNodes[AI_Vehicle::kLeftSlot], level.mLeftLine->GetFirstLine());
    EXPECT_EQ(record->mPathNodes[AI_Vehicle::kRightSlot], level.mRightLine->GetFirstLine());

    // Frames in task order: the AI driving, the physics step, the race update (which steps the units).
    const D3DXVECTOR3 start = level.mPlayer->GetPosition();
    ScopedGlobal<float> frame(gDeltaTime, 1.0f / 60.0f);
    for (int i = 0; i < 300; ++i) {
        rig.updater.Execute();
        rig.physics.Execute();
        level.Update();
    }
    const D3DXVECTOR3 moved = level.mPlayer->GetPosition() - start;
    EXPECT_GT(std::hypot(moved.x, moved.y), 20.0f) << "the followed car drives";
}
