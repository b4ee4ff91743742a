#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "Render/CPCamera.h"
#include "Render/CPRenderQueue.h"
#include "Render/PCamera.h"
#include "Render/PIVertexBuffer.h"
#include "Render/PMaterial.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "simulation/enemies/CPVehicleUpdater.h"
#include "simulation/level/CPLevel.h"
#include "simulation/level/CPLevelBranch.h"
#include "simulation/level/CPSpline.h"
#include "simulation/units/CPPlayer.h"
#include "support/ScopedGlobal.h"
#include "support/SplineRecordBuilder.h"
#include "support/TestScene.h"

namespace {

using ObjectList = CPLevel::ObjectList;

std::vector<CPGameObject*> Raw(const ObjectList& list) {
    std::vector<CPGameObject*> raw;
    for (const CPSmartPtr<CPGameObject>& object : list) raw.push_back(object.Get());
    return raw;
}

// Gives the object a box of `half` around its origin as hierarchy bounds and collision box, and places it.
void Place(CPGameObject& object, const D3DXVECTOR3& position, float half = 1.0f) {
    object.SetShadow(false);
    object.SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(half, half, half)));
    object.GetCollisionBoxes().emplace_back(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(half, half, half));
    object.SetPosition(position);
    object.UpdateTransform();
}

// A level before loading: nothing to hand out, every finish place free, no numbered object to show,
// the unit counters sized for the tracked units, and extents that make a grid of one cell.
TEST(LevelTest, AFreshLevelHasNothingBuiltAndEveryPlaceFree) {
    CPLevel level;
    EXPECT_EQ(level.GetClassName(), "CPLevel");
    EXPECT_EQ(level.FormatFloat(2.0f / 3.0f), "0.667");
    EXPECT_FALSE(level.GetCamera());
    EXPECT_FALSE(level.GetSpline());
    EXPECT_FALSE(level.GetLeftLine());
    EXPECT_FALSE(level.GetRightLine());
    EXPECT_EQ(level.GetLevelNumber(), 0);

    for (int32_t unit : {4, 7, 2}) EXPECT_TRUE(level.TakeFinishSlot(unit)) << "a free place for unit " << unit;
    EXPECT_EQ(level.mFinishSlots, (std::array<int32_t, 3>{4, 7, 2}));
    EXPECT_FALSE(level.TakeFinishSlot(CPLevel::kPlayerSlot)) << "three places only";

    level.ShowCheckpoint();
    EXPECT_FALSE(level.mShownCheckpoint);

    // Every unit the lap counting tracks has its counters before the first start sizes them again.
    EXPECT_GE(level.mUnitNearest.size(), static_cast<size_t>(CPLevel::kTrackedUnits));
    EXPECT_GE(level.mUnitProgress.size(), static_cast<size_t>(CPLevel::kTrackedUnits));

    level.AllocateObjectGrid();
    EXPECT_EQ(level.mGridColumns, 1);
    EXPECT_EQ(level.mGridRows, 1);
}

// A vehicle description may lack "angle_div", "distance_div" and "angle": the views start at 1, 1 and
// -90 degrees, and a divisor read as 0 counts as 1 once the view becomes current.
TEST(LevelTest, CameraViewsStartAtDefinedValuesAndADivisorOfZeroCountsAsOne) {
    CPLevel level;
    for (float divisor : {level.mRaceViews[0].angleDiv, level.mRaceViews[0].distanceDiv, level.mRaceViews[1].angleDiv, level.mRaceViews[1].distanceDiv,
                          level.mActiveView.angleDiv, level.mActiveView.distanceDiv})
        EXPECT_FLOAT_EQ(divisor, 1.0f);
    EXPECT_FLOAT_EQ(level.mRaceViews[0].angle, -90.0f);
    EXPECT_FLOAT_EQ(level.mRaceViews[1].angle, -90.0f);

    level.mRaceViews[0].height = 3.0f;
    level.mRaceViews[0].distance = 8.0f;
    level.mRaceViews[0].angleDiv = 0.0f;
    level.mRaceViews[0].distanceDiv = 4.0f;
    level.mRaceViews[0].angle = -30.0f;
    level.mRaceViews[1].height = 5.0f;
    level.mRaceViews[1].distance = 12.0f;
    level.mRaceViews[1].angleDiv = 2.5f;
    level.mRaceViews[1].distanceDiv = 0.0f;
    level.mRaceViews[1].angle = -45.0f;

    struct Case {
        int32_t view;
        float height, distance, angleDiv, distanceDiv, angle;
    };
    const Case cases[] = {
        {1, 5.0f, 12.0f, 2.5f, 1.0f, -45.0f},
        {0, 3.0f, 8.0f, 1.0f, 4.0f, -30.0f},
        {2, 3.0f, 8.0f, 1.0f, 4.0f, -30.0f},
        {7, 3.0f, 8.0f, 1.0f, 4.0f, -30.0f},  // not a view: the current values stay
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.view);
        level.SelectViewParameters(c.view);
        EXPECT_FLOAT_EQ(level.mActiveView.height, c.height);
        EXPECT_FLOAT_EQ(level.mActiveView.distance, c.distance);
        EXPECT_FLOAT_EQ(level.mActiveView.angleDiv, c.angleDiv);
        EXPECT_FLOAT_EQ(level.mActiveView.distanceDiv, c.distanceDiv);
        EXPECT_FLOAT_EQ(level.mActiveView.angle, c.angle);
    }
    EXPECT_FLOAT_EQ(CPLevel::CameraDivisor(std::nanf("")), 1.0f);
    EXPECT_FLOAT_EQ(CPLevel::CameraDivisor(-2.0f), -2.0f);
}

TEST(LevelTest, PlayerMovesBackwardsWhenTheHeadingTurnsMoreThanAQuarterFromThePath) {
    struct Case {
        float heading, pathAngle;
        bool reverse, backwards;
    };
    const Case cases[] = {
        {1.0f, 1.0f, false, false},                // along the path
        {2.57f, 1.0f, false, false},               // exactly 1.57 away
        {2.58f, 1.0f, false, true},                // just beyond
        {1.0f + D3DX_PI, 1.0f, false, true},       // facing the other way
        {1.0f + 4.72f, 1.0f, false, false},        // past 4.713: a quarter turn the other way round
        {0.2f, 6.0f, false, false},                // the difference wraps into [0, 2 pi)
        {-3.0f, 0.0f, false, true},                // a negative heading wraps too
        {1.0f, 1.0f, true, true},                  // driven in reverse: the path points the other way
        {1.0f + D3DX_PI, 1.0f, true, false},
        {0.5f, 7.0f, false, false},                // a path angle beyond 2 pi wraps to 0.717
    };
    CPLevel level;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.heading << " on " << c.pathAngle << (c.reverse ? " reversed" : ""));
        level.mHeading = c.heading;
        level.mPathAngle = c.pathAngle;
        level.mReverse = c.reverse;
        EXPECT_EQ(level.IsPlayerMovingBackwards(), c.backwards);
    }
}

// The loader bakes a placed object's scale into the vertices of its meshes, their levels of detail
// and the meshes below them; other render parts are left alone.
TEST(LevelTest, BakeTransformReachesTheMeshesOfTheTreeAndTheirLevelsOfDetail) {
    TestScene scene;
    CPMaterial material{20, {}, {}};
    CPGameObject* root = scene.Mesh("root", 2, &material, true, 1.0f);
    CPGameObject* node = scene.Node("node", root);
    CPGameObject* leaf = scene.Mesh("leaf", 1, &material, true, 5.0f, node);
    CPGameObject* lod = scene.Mesh("lod", 1, &material, true, 7.0f);
    root->AddLodLevel(root, 0);
    root->AddLodLevel(lod, 50);
    root->AddLodLevel(nullptr, 100);

    D3DXMATRIX scale;
    D3DXMatrixScaling(&scale, 2.0f, 3.0f, 4.0f);
    CPLevel::BakeTransform(*root, scale);

    auto firstX = [](CPGameObject* object, size_t i) { return object->GetRenderObject()->GetLocalVertices()[i].position.x; };
    EXPECT_FLOAT_EQ(firstX(root, 0), 2.0f);
    EXPECT_FLOAT_EQ(firstX(root, 1), 4.0f);
    EXPECT_FLOAT_EQ(firstX(leaf, 0), 10.0f);
    EXPECT_FLOAT_EQ(firstX(lod, 0), 14.0f);
}

// A square of side 100 as the race path, with the left edge 10 inside it and the right edge 10 outside;
// its lines run counter-clockwise, so their headings are pi, 3 pi / 2, 0 and pi / 2 side by side.
class LevelRoadTest : public ::testing::Test {
protected:
    static SplineRecord Square(float from, float to, const char* name) {
        const D3DXVECTOR3 a(from, from, 0), b(to, from, 0), c(to, to, 0), d(from, to, 0);
        return MakeSplineRecord({StraightSegment(a, b), StraightSegment(b, c), StraightSegment(c, d), StraightSegment(d, a)},
                                true, name);
    }
    LevelRoadTest() {
        EXPECT_TRUE(mPath.Build(Square(0, 100, "c_path")));
        EXPECT_TRUE(mLeft.Build(Square(10, 90, "left")));
        EXPECT_TRUE(mRight.Build(Square(-10, 110, "right")));
        mLevel.mPath = &mPath;
        mLevel.mLeftLine = &mLeft;
        mLevel.mRightLine = &mRight;
        mLevel.mPlayer = &mPlayer;
    }

    CPSpline mPath, mLeft, mRight;
    CPPlayer mPlayer;
    CPLevel mLevel;
};

TEST_F(LevelRoadTest, BackwardsAgainstTheDirectionOfThePathNearThePlayer) {
    struct Case {
        D3DXVECTOR3 position;
        float heading;
        bool reverse, backwards;
    };
    const Case cases[] = {
        {{50, 0, 0}, D3DX_PI, false, false},           // first side: the path's lines point to pi
        {{50, 0, 0}, D3DX_PI - 1.0f, false, false},
        {{50, 0, 0}, 0.0f, false, true},
        {{50, 0, 0}, D3DX_PI / 2.0f, false, true},     // a right angle either way is backwards
        {{50, 0, 0}, 0.0f, true, false},               // driven in reverse
        {{100, 50, 0}, 1.5f * D3DX_PI, false, false},  // second side
        {{100, 50, 0}, D3DX_PI / 2.0f, false, true},
        {{50, 100, 0}, 0.1f, false, false},            // third side: heading 0 wraps with the path's
        {{50, 100, 0}, 6.2f, false, false},
        {{50, 100, 0}, 3.0f, false, true},
        {{0, 50, 0}, D3DX_PI / 2.0f, false, false},    // fourth side
        {{0, 50, 0}, 1.5f * D3DX_PI, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.position.x << "," << c.position.y << " heading " << c.heading);
        mPlayer.SetPosition(c.position);
        mLevel.mHeading = c.heading;
        mLevel.mReverse = c.reverse;
        mLevel.UpdateRoadPosition();
        EXPECT_EQ(mLevel.IsPlayerMovingBackwards(), c.backwards);
    }
    EXPECT_NE(mLevel.mPathHint[0], nullptr) << "the cursors follow the player";
}

TEST_F(LevelRoadTest, OffRoadIsTheDistanceBeyondTheNearerEdge) {
    struct Case {
        D3DXVECTOR3 position;
        float offRoad;
    };
    const Case cases[] = {
        {{50, 0, 0}, 0.0f},    // on the path
        {{50, 5, 0}, 0.0f},    // between the path and the left edge
        {{50, 25, 0}, 15.0f},  // 15 beyond the left edge
        {{50, -20, 0}, 10.0f}, // 10 beyond the right edge
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.position.x << "," << c.position.y);
        mPlayer.SetPosition(c.position);
        mLevel.UpdateRoadPosition();
        EXPECT_NEAR(mLevel.mOffRoad, c.offRoad, 1e-3f);
    }

    // Without the edges only the path is measured and the player counts as on the road.
    mLevel.mLeftLine.Reset();
    mLevel.mRightLine.Reset();
    mPlayer.SetPosition({50, -20, 0});
    mLevel.UpdateRoadPosition();
    EXPECT_FLOAT_EQ(mLevel.mOffRoad, 0.0f);
}

TEST(LevelTest, TheObjectGridHasItsCountsButNoCellsUntilSomethingIsPutIn) {
    CPLevel level;
    level.mExtentX = 3800.0f;
    level.mExtentY = 1234.0f;
    level.AllocateObjectGrid();
    EXPECT_EQ(level.mGridColumns, 380);
    EXPECT_EQ(level.mGridRows, 123);
    EXPECT_TRUE(level.GetGridCell(0, 0).empty());

    CPGameObject object("kept");
    EXPECT_TRUE(level.AddToGridCell(379, 122, &object));
    EXPECT_FALSE(level.AddToGridCell(380, 0, &object));
    EXPECT_FALSE(level.AddToGridCell(0, -1, &object));
    EXPECT_EQ(Raw(level.GetGridCell(379, 122)), (std::vector<CPGameObject*>{&object}));
    EXPECT_TRUE(level.GetGridCell(-5, 500).empty());
}

// A level before loading (no partition, no objects, no player) and a built partition of no objects
// answer every query with nothing.
TEST(LevelTest, QueriesOfAnEmptyLevelFindNothing) {
    CPLevel level;
    CPRayQuery query;
    query.direction = D3DXVECTOR3(1, 0, 0);
    query.length = 50.0f;
    EXPECT_FALSE(level.CrossPlayerRay(query));
    EXPECT_FALSE(level.CrossInterfaceRay(query));
    EXPECT_FALSE(level.RayHitsUnits(query));
    EXPECT_EQ(query.hitPoint, D3DXVECTOR3(50, 0, 0));
    ObjectList found;
    level.CollectInSphere(D3DXVECTOR3(0, 0, 0), 1000.0f, found);
    EXPECT_TRUE(found.empty());
    level.UpdateRoadPosition();
    EXPECT_FLOAT_EQ(level.mPathAngle, 0.0f);

    level.mBranchRoot = new CPLevelBranch();
    level.mBranchRoot->SetObjects({});
    level.mBranchRoot->Build(0);
    EXPECT_FALSE(level.CrossPlayerRay(query));
    level.CollectInSphere(D3DXVECTOR3(0, 0, 0), 1e6f, found);
    EXPECT_TRUE(found.empty());

    CPRenderQueue queue;
    PRender renderer;  // let go of the queue first
    renderer.SetDrawQueue(&queue);
    ScopedGlobal<PRender*> current(gRenderer, &renderer);
    CPPerspectiveCamera camera;
    camera.Update();
    EXPECT_EQ(level.mBranchRoot->QueueVisible(camera, 1000000.0f), CPLevelBranch::kQueueResult);
    EXPECT_EQ(renderer.mQueuedObjectCount, 0);
    EXPECT_TRUE(queue.GetFrameBlocks().empty());
}

// A level with a player unit, two placed objects near it and a partition of three more boxes.
class LevelQueryTest : public ::testing::Test {
protected:
    LevelQueryTest() {
        gSettings::RestoreInitialValues();
        Place(mPlayer, {0, 0, 0});
        mLevel.mPlayer = &mPlayer;
        mPost = mScene.Node("post");
        Place(*mPost, {5, 0, 0});
        mWall = mScene.Node("wall");
        Place(*mWall, {-6, 0, 0});
        mLevel.mObjects = {mPost, mWall};
        for (float x : {20.0f, 60.0f, 100.0f}) {
            mBoxes.push_back(mScene.Node("box"));
            Place(*mBoxes.back(), {x, 50, 0});
        }
        mLevel.mBranchRoot = new CPLevelBranch();
        mLevel.mBranchRoot->SetObjects({mBoxes[0], mBoxes[1], mBoxes[2]});
        mLevel.mBranchRoot->Build(0);
    }
    ~LevelQueryTest() override {
        mLevel.mPlayer = nullptr;
        gSettings::RestoreInitialValues();
    }

    static CPRayQuery Ray(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float length) {
        CPRayQuery query;
        query.origin = origin;
        query.direction = direction;
        query.length = length;
        return query;
    }

    TestScene mScene;
    CPPlayer mPlayer;
    CPGameObject* mPost = nullptr;
    CPGameObject* mWall = nullptr;
    std::vector<CPGameObject*> mBoxes;
    CPLevel mLevel;
};

TEST_F(LevelQueryTest, CrossPlayerRayFindsThePartitionAndNearThePlayerTheLevelsObjects) {
    // Along the boxes' row, 50 units from the player: only the partition is searched.
    CPRayQuery far = Ray({0, 50, 0}, {1, 0, 0}, 200.0f);
    EXPECT_TRUE(mLevel.CrossPlayerRay(far));
    EXPECT_EQ(far.hitObject.Get(), mBoxes[0]);
    EXPECT_EQ(far.hitPoint, D3DXVECTOR3(19, 50, 0));

    // Through the player's neighbourhood: the placed objects are searched, the player is not.
    CPRayQuery near = Ray({0, 0, 0}, {1, 0, 0}, 30.0f);
    EXPECT_TRUE(mLevel.CrossPlayerRay(near));
    EXPECT_EQ(near.hitObject.Get(), mPost);
    EXPECT_FLOAT_EQ(near.length, 4.0f);
    EXPECT_EQ(near.hitPoint, D3DXVECTOR3(4, 0, 0));

    // A miss still leaves the end point of the whole segment.
    CPRayQuery miss = Ray({0, -40, 0}, {0, -1, 0}, 10.0f);
    EXPECT_FALSE(mLevel.CrossPlayerRay(miss));
    EXPECT_EQ(miss.hitPoint, D3DXVECTOR3(0, -50, 0));

    // With the quadtree in use the partition is not searched.
    gSettings::quadlevels = 2;
    CPRayQuery quad = Ray({0, 50, 0}, {1, 0, 0}, 200.0f);
    EXPECT_FALSE(mLevel.CrossPlayerRay(quad));
    EXPECT_EQ(quad.hitPoint, D3DXVECTOR3(200, 50, 0));

    // A ray of length 0, starting on the post's face, finds nothing; its end point is its start.
    gSettings::quadlevels = 0;
    for (const bool interface : {false, true}) {
        SCOPED_TRACE(interface ? "CrossInterfaceRay" : "CrossPlayerRay");
        CPRayQuery empty = Ray({4, 0, 0}, {1, 0, 0}, 0.0f);
        empty.hitPoint = D3DXVECTOR3(7, 7, 7);
        EXPECT_FALSE(interface ? mLevel.CrossInterfaceRay(empty) : mLevel.CrossPlayerRay(empty));
        EXPECT_FALSE(empty.hitObject);
        EXPECT_EQ(empty.hitPoint, D3DXVECTOR3(4, 0, 0));
        // One of no number finds nothing either, and its end point is no number.
        CPRayQuery unknown = Ray({4, 0, 0}, {1, 0, 0}, std::nanf(""));
        unknown.hitPoint = D3DXVECTOR3(7, 7, 7);
        EXPECT_FALSE(interface ? mLevel.CrossInterfaceRay(unknown) : mLevel.CrossPlayerRay(unknown));
        EXPECT_TRUE(std::isnan(unknown.hitPoint.x));
    }
}

TEST_F(LevelQueryTest, CrossInterfaceRayAlsoTestsThePlayersUnit) {
    CPRayQuery aim = Ray({-3, 0, 0}, {1, 0, 0}, 30.0f);
    EXPECT_TRUE(mLevel.CrossInterfaceRay(aim));
    EXPECT_EQ(aim.hitObject.Get(), &mPlayer);

    CPRayQuery plain = Ray({-3, 0, 0}, {1, 0, 0}, 30.0f);
    EXPECT_TRUE(mLevel.CrossPlayerRay(plain));
    EXPECT_EQ(plain.hitObject.Get(), mPost);

    CPRayQuery ignoring = Ray({-3, 0, 0}, {1, 0, 0}, 30.0f);
    ignoring.ignored = &mPlayer;
    EXPECT_TRUE(mLevel.CrossInterfaceRay(ignoring));
    EXPECT_EQ(ignoring.hitObject.Get(), mPost);
}

TEST_F(LevelQueryTest, RayHitsUnitsStopsAtTheFirstUnitHit) {
    CPPlayer first, second;
    Place(first, {10, 0, 0});
    Place(second, {20, 0, 0});
    mLevel.mEnemies = {&second, &first};
    CPRayQuery query = Ray({0, 0, 0}, {1, 0, 0}, 100.0f);
    EXPECT_TRUE(mLevel.RayHitsUnits(query));
    EXPECT_EQ(query.hitObject.Get(), &second) << "the first unit listed that is hit, not the nearest";

    CPRayQuery playerOnly = Ray({0, -10, 0}, {0, 1, 0}, 100.0f);
    EXPECT_TRUE(mLevel.RayHitsUnits(playerOnly));
    EXPECT_EQ(playerOnly.hitObject.Get(), &mPlayer);

    CPRayQuery none = Ray({0, 30, 0}, {1, 0, 0}, 100.0f);
    EXPECT_FALSE(mLevel.RayHitsUnits(none));
    mLevel.mEnemies.clear();
}

TEST_F(LevelQueryTest, CollectInSphereStagesAppendWithoutLookingAtEachOther) {
    // Near the player: the partition finds nothing, the player and the post are appended.
    ObjectList found;
    mLevel.CollectInSphere(D3DXVECTOR3(2.5f, 0, 0), 2.0f, found);
    EXPECT_EQ(Raw(found), (std::vector<CPGameObject*>{&mPlayer, mPost}));

    // 20 units from the player in x: the partition finds the box, the placed objects are not searched.
    found.clear();
    mLevel.mObjects.push_back(mBoxes[0]);  // also in the partition
    mLevel.CollectInSphere(D3DXVECTOR3(20, 48, 0), 2.0f, found);
    EXPECT_EQ(Raw(found), (std::vector<CPGameObject*>{mBoxes[0]}));

    // With the player near, the same box is found by the partition and again among the placed objects.
    found.clear();
    Place(mPlayer, {15, 45, 0});
    mLevel.CollectInSphere(D3DXVECTOR3(20, 48, 0), 2.0f, found);
    EXPECT_EQ(Raw(found), (std::vector<CPGameObject*>{mBoxes[0], mBoxes[0]}));

    // Cells of the object grid around the player are searched once something is put in them.
    found.clear();
    mLevel.mExtentX = mLevel.mExtentY = 1000.0f;
    mLevel.AllocateObjectGrid();
    mLevel.AddToGridCell(51, 54, mPost);  // a cell within 10 units of the player at (15, 45)
    mLevel.mObjects.clear();
    mLevel.CollectInSphere(D3DXVECTOR3(5, 0, 0), 1.0f, found);
    EXPECT_EQ(Raw(found), (std::vector<CPGameObject*>{mPost}));
}

TEST_F(LevelQueryTest, EnableUnitsBringsBackTheUnitsFromTheSixthOn) {
    std::vector<std::unique_ptr<CPPlayer>> units;
    for (int i = 0; i < 7; ++i) {
        units.push_back(std::make_unique<CPPlayer>());
        Place(*units.back(), {static_cast<float>(i), 2.0f, -40.0f});
        units.back()->SetVisible(false);
        units.back()->SetCollidable(false);
        mLevel.mEnemies.push_back(units.back().get());
    }
    mLevel.DisableUnits();
    EXPECT_FALSE(mLevel.mUnitsActive);
    mLevel.EnableUnits();
    EXPECT_TRUE(mLevel.mUnitsActive);
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        const bool returns = i >= 5;
        EXPECT_EQ(units[i]->IsVisible(), returns);
        EXPECT_EQ(units[i]->IsCollidable(), returns);
        EXPECT_EQ(units[i]->GetPosition(), D3DXVECTOR3(static_cast<float>(i), 2.0f, returns ? 3.0f : -40.0f));
        EXPECT_FALSE(units[i]->IsDirty());
    }
    mLevel.mEnemies.clear();
}

TEST_F(LevelQueryTest, EnableUnitsSetsTheTransportsFlagOnlyWhenTheUpdaterHoldsVehicles) {
    CPVehicleUpdater updater;
    ScopedGlobal<CPVehicleUpdater*> installed(gLevelUpdater, &updater);
    const struct {
        int32_t transports;
        bool active;
    } cases[] = {{0, false}, {3, true}, {0, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.transports);
        updater.PrepareVehicles(c.transports);
        updater.mTransportsActive = !c.active;
        mLevel.EnableUnits();
        EXPECT_EQ(updater.mTransportsActive, c.active);
    }
}

TEST(LevelTest, OwnsItsPartitionAndWhatItAdopts) {
    gSettings::RestoreInitialValues();
    auto* level = new CPLevel();
    level->mCamera = new CPCamera();
    level->mBranchRoot = new CPLevelBranch();
    level->mCamera->mPartitionRoot = level->mBranchRoot;
    auto* adopted = new CPGameObject("adopted");
    auto* deletedEarlier = new CPGameObject("early");
    level->Adopt(adopted);
    level->Adopt(deletedEarlier);
    level->mScene = adopted;
    delete deletedEarlier;

    CPLevelBranch* root = level->mBranchRoot;
    level->DeletePartition();
    EXPECT_EQ(level->mBranchRoot, nullptr);
    EXPECT_FALSE(gObjectRegistry::Contains(root));
    EXPECT_FALSE(level->mCamera->mPartitionRoot);

    ScopedGlobal<CPLevel*> current(gLevel, level);
    delete level;
    EXPECT_EQ(gLevel, nullptr);
    EXPECT_FALSE(gObjectRegistry::Contains(adopted));
}

}  // namespace
