#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "Render/CPRenderQueue.h"
#include "Render/PCamera.h"
#include "Render/PIVertexBuffer.h"
#include "Render/PMaterial.h"
#include "Render/PRenderObject.h"
#include "Render/PRender.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "simulation/level/CPLevelBranch.h"
#include "support/ScopedGlobal.h"
#include "support/ScopedRenderCaches.h"
#include "support/TestCamera.h"
#include "support/TestScene.h"

namespace {

using ObjectList = CPLevelBranch::ObjectList;

class LevelBranchTest : public ::testing::Test {
protected:
    LevelBranchTest() {
        gSettings::RestoreInitialValues();
        gSettings::screenWidth = 800;
        gSettings::screenHeight = 600;
        mRenderer.SetDrawQueue(&mQueue);
    }
    ~LevelBranchTest() override { gSettings::RestoreInitialValues(); }

    // A static plain mesh of three vertices at the position, with a box of `half` around it that is both
    // its hierarchy bounds and its one collision box.
    CPGameObject* Box(const std::string& name, const D3DXVECTOR3& position, CPMaterial* material, float half = 1.0f) {
        CPGameObject* object = mScene.Mesh(name, 3, material, true);
        object->SetShadow(false);
        object->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(half, half, half)));
        object->GetCollisionBoxes().emplace_back(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(half, half, half));
        object->SetPosition(position);
        object->UpdateTransform();
        return object;
    }

    static std::vector<CPGameObject*> Raw(const ObjectList& list) {
        std::vector<CPGameObject*> raw;
        for (const CPSmartPtr<CPGameObject>& object : list) raw.push_back(object.Get());
        return raw;
    }

    // The leaves' objects in tree order.
    static void Leaves(const CPLevelBranch& node, std::vector<std::vector<CPGameObject*>>& out) {
        if (node.IsLeaf()) {
            out.push_back(Raw(node.GetObjects()));
            return;
        }
        Leaves(*node.GetFirst(), out);
        Leaves(*node.GetSecond(), out);
    }

    // The names of the objects whose renderables the draw queue took this frame.
    std::vector<std::string> Queued() const {
        std::vector<std::string> names;
        for (const CPIVBlock* block : mQueue.GetFrameBlocks())
            for (const CPSmartPtr<CPRenderable>& renderable : block->GetRenderables())
                for (CPGameObject* object : mNamed)
                    if (object->GetRenderable() == renderable.Get()) names.push_back(object->GetName());
        return names;
    }


    TestScene mScene;
    CPMaterial mStone{20, {}, {}};
    CPMaterial mGlass{20, {}, {}};
    CPMaterial mWood{20, {}, {}};
    CPMaterial mIron{20, {}, {}};
    CPRenderQueue mQueue;
    PRender mRenderer;
    std::vector<CPGameObject*> mNamed;
};

TEST_F(LevelBranchTest, SetObjectsSumsTheStaticMeshesOfTheTreesAndSortsStaticFromDynamic) {
    CPGameObject* house = Box("house", {0, 0, 0}, &mStone);
    CPGameObject* roof = mScene.Mesh("roof", 4, &mGlass, true, 0.0f, house);
    roof->SetShadow(true);
    roof->SetShadowMaterial(&mWood);
    mScene.Mesh("door", 5, &mGlass, false, 0.0f, house);  // not static: not counted
    CPGameObject* cart = Box("cart", {10, 0, 0}, &mStone);
    cart->SetStatic(false);
    house->MarkDirty();
    house->UpdateTransform();

    CPLevelBranch node;
    node.SetObjects({house, cart});
    // house 3 + roof 4 twice (shadow pass); the cart is dynamic and not counted.
    EXPECT_EQ(node.GetVertexCount(), 3 + 4 * 2);
    EXPECT_EQ(node.GetIndexCount(), 3 + 6 * 2);
    EXPECT_EQ(node.GetMaterialCount(), 3u);  // stone, glass, and wood as the roof's shadow material
    EXPECT_EQ(Raw(node.GetStaticObjects()), (std::vector<CPGameObject*>{house}));
    EXPECT_EQ(Raw(node.GetDynamicObjects()), (std::vector<CPGameObject*>{cart}));
    EXPECT_FLOAT_EQ(node.GetBox().mMinimum.x, -1.0f);
    EXPECT_FLOAT_EQ(node.GetBox().mMaximum.x, 12.0f) << "the cart's vertices reach past its box";
    EXPECT_EQ(node.GetClassName(), "CPLevelBranch");
}

TEST_F(LevelBranchTest, ObjectsGivenAgainAreTakenAsTheyAreNow) {
    CPGameObject* left = Box("left", {0, 0, 0}, &mStone);
    CPGameObject* right = Box("right", {10, 0, 0}, &mGlass);
    CPLevelBranch node;
    node.SetObjects({left, right});
    EXPECT_FLOAT_EQ(node.GetBox().mMaximum.x, 12.0f) << "its vertices reach past its box";
    EXPECT_EQ(node.GetMaterialCount(), 2u);

    // Moved and given another material: the node given them again, and its split, see both changes.
    right->SetPosition(D3DXVECTOR3(30, 0, 0));
    right->UpdateTransform();
    auto* mesh = dynamic_cast<CPRenderObject*>(right->GetRenderable());
    ASSERT_NE(mesh, nullptr);
    mesh->SetMaterial(&mStone);
    node.SetObjects({left, right});
    EXPECT_FLOAT_EQ(node.GetBox().mMaximum.x, 32.0f);
    EXPECT_EQ(node.GetMaterialCount(), 1u);
    node.Build(0);
    ASSERT_FALSE(node.IsLeaf());
    EXPECT_FLOAT_EQ(node.GetFirst()->GetBox().mMaximum.x, 32.0f);
    EXPECT_EQ(node.GetFirst()->GetMaterialCount() + node.GetSecond()->GetMaterialCount(), 2u);

    // Built again: the same split; the earlier children are let go (the sanitizer build reports a leak).
    node.Build(0);
    ASSERT_FALSE(node.IsLeaf());
    EXPECT_EQ(Raw(node.GetFirst()->GetObjects()), (std::vector<CPGameObject*>{right}));
    EXPECT_EQ(Raw(node.GetSecond()->GetObjects()), (std::vector<CPGameObject*>{left}));
}

// A node given objects that no plane splits keeps the children of its earlier build, and those build
// again from their own objects: the child of two objects weighs its two candidate splits afresh.
TEST_F(LevelBranchTest, ANodeWithNoSplitBuildsItsEarlierChildrenAgain) {
    CPGameObject* p = Box("p", {0, 0, 0}, &mStone);
    CPGameObject* q = Box("q", {10, 0, 0}, &mGlass);
    CPGameObject* r = Box("r", {10, 10, 10}, &mGlass);
    CPLevelBranch node;
    node.SetObjects({p, q, r});
    node.Build(0);
    std::vector<std::vector<CPGameObject*>> before;
    Leaves(node, before);
    ASSERT_EQ(before, (std::vector<std::vector<CPGameObject*>>{{r}, {q}, {p}}));

    node.SetObjects({p});
    node.Build(0);
    ASSERT_FALSE(node.IsLeaf());
    EXPECT_EQ(Raw(node.GetFirst()->GetObjects()), (std::vector<CPGameObject*>{q, r}));
    std::vector<std::vector<CPGameObject*>> after;
    Leaves(node, after);
    EXPECT_EQ(after, before);
}

// Twelve boxes on the x axis (two share x = 5): each split goes through the middle of the extreme
// centres, the upper half strictly above it and everything at or below it in the second child.
TEST_F(LevelBranchTest, ADozenBoxesSplitAtTheMiddleWithTheMiddleInTheSecondHalf) {
    ObjectList objects;
    std::vector<CPGameObject*> byX;
    for (int x = 0; x <= 10; ++x) {
        byX.push_back(Box(std::string("b").append(std::to_string(x)), {static_cast<float>(x), 0, 0}, &mStone, 0.25f));
        objects.push_back(byX.back());
    }
    CPGameObject* twin = Box("twin", {5, 0, 0}, &mStone, 0.25f);
    objects.push_back(twin);

    CPLevelBranch root;
    root.SetObjects(objects);
    root.Build(0);

    ASSERT_FALSE(root.IsLeaf());
    EXPECT_EQ(Raw(root.GetFirst()->GetObjects()),
              (std::vector<CPGameObject*>{byX[6], byX[7], byX[8], byX[9], byX[10]}));
    EXPECT_EQ(Raw(root.GetSecond()->GetObjects()),
              (std::vector<CPGameObject*>{byX[0], byX[1], byX[2], byX[3], byX[4], byX[5], twin}));
    // {6..10}: mid 8 gives {9, 10} and {6, 7, 8}; {0..5, twin}: mid 2.5 gives {3, 4, 5, twin} and {0, 1, 2}.
    EXPECT_EQ(Raw(root.GetFirst()->GetFirst()->GetObjects()), (std::vector<CPGameObject*>{byX[9], byX[10]}));
    EXPECT_EQ(Raw(root.GetSecond()->GetFirst()->GetObjects()),
              (std::vector<CPGameObject*>{byX[3], byX[4], byX[5], twin}));

    std::vector<std::vector<CPGameObject*>> leaves;
    Leaves(root, leaves);
    ASSERT_EQ(leaves.size(), 11u) << "one leaf per distinct position";
    EXPECT_EQ(leaves[0], (std::vector<CPGameObject*>{byX[10]}));
    // Equal centres never split: the twins end in one leaf.
    bool twinsTogether = false;
    for (const std::vector<CPGameObject*>& leaf : leaves)
        if (leaf == std::vector<CPGameObject*>{byX[5], twin}) twinsTogether = true;
    EXPECT_TRUE(twinsTogether);
}

TEST_F(LevelBranchTest, ANodeThatCannotSplitIsALeaf) {
    CPLevelBranch single;
    single.SetObjects({Box("only", {3, 4, 5}, &mStone)});
    single.Build(0);
    EXPECT_TRUE(single.IsLeaf());

    CPLevelBranch stacked;
    stacked.SetObjects({Box("a", {1, 1, 1}, &mStone), Box("b", {1, 1, 1}, &mGlass, 2.0f)});
    stacked.Build(0);
    EXPECT_TRUE(stacked.IsLeaf());

    CPLevelBranch empty;
    empty.SetObjects({});
    empty.Build(0);
    EXPECT_TRUE(empty.IsLeaf());
    EXPECT_EQ(empty.GetMaterialCount(), 0u);
}

// Four corners of a square, each axis split halving them; the materials decide.
TEST_F(LevelBranchTest, TheSplitWithStrictlyFewerMaterialsWinsAndXWinsTies) {
    struct Case {
        const char* name;
        CPMaterial* corners[4];  // (0,0) (10,0) (0,10) (10,10), z 0
        int expectedAxis;        // 0 x, 1 y
    };
    const Case cases[] = {
        {"all different: 2 + 2 on both, x stays", {&mStone, &mGlass, &mWood, &mStone}, 0},
        {"rows of one material: y gives 1 + 1", {&mStone, &mStone, &mGlass, &mGlass}, 1},
        {"columns of one material: x gives 1 + 1", {&mStone, &mGlass, &mStone, &mGlass}, 0},
        {"one material: 1 + 1 on both, x stays", {&mStone, &mStone, &mStone, &mStone}, 0},
    };
    const D3DXVECTOR3 at[4] = {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {10, 10, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ObjectList objects;
        for (int i = 0; i < 4; ++i) objects.push_back(Box("corner", at[i], c.corners[i]));
        CPLevelBranch root;
        root.SetObjects(objects);
        root.Build(0);
        ASSERT_FALSE(root.IsLeaf());
        const std::vector<CPGameObject*> upper = Raw(root.GetFirst()->GetObjects());
        ASSERT_EQ(upper.size(), 2u);
        if (c.expectedAxis == 0)
            EXPECT_EQ(upper, (std::vector<CPGameObject*>{objects[1].Get(), objects[3].Get()}));
        else
            EXPECT_EQ(upper, (std::vector<CPGameObject*>{objects[2].Get(), objects[3].Get()}));
    }
}

// Three materials per half on x (3 + 3) against 2 + 2 on y: the later axis wins with strictly fewer.
TEST_F(LevelBranchTest, ALaterAxisReplacesTheSplitWithStrictlyFewerMaterials) {
    CPGameObject* a = Box("a", {0, 0, 0}, &mStone);
    CPGameObject* b = Box("b", {0, 0, 0}, &mGlass);
    CPGameObject* c = Box("c", {0, 10, 0}, &mWood);
    CPGameObject* d = Box("d", {10, 0, 0}, &mStone);
    CPGameObject* e = Box("e", {10, 10, 0}, &mIron);
    CPGameObject* f = Box("f", {10, 10, 0}, &mWood);
    // x: {d, e, f} stone iron wood and {a, b, c} stone glass wood: 3 + 3.
    // y: {c, e, f} wood iron and {a, b, d} stone glass: 2 + 2.
    CPLevelBranch root;
    root.SetObjects({a, b, c, d, e, f});
    root.Build(0);
    ASSERT_FALSE(root.IsLeaf());
    EXPECT_EQ(Raw(root.GetFirst()->GetObjects()), (std::vector<CPGameObject*>{c, e, f}));
    EXPECT_EQ(root.GetFirst()->GetMaterialCount() + root.GetSecond()->GetMaterialCount(), 4u);
}

TEST_F(LevelBranchTest, LevelOfDetailByDistanceFromTheEye) {
    CPGameObject* tower = Box("tower", {0, 0, 0}, &mStone);
    CPGameObject* lod50 = mScene.Mesh("lod50", 3, &mGlass, true);
    CPGameObject* lod100 = mScene.Mesh("lod100", 3, &mWood, true);
    // As the description builder makes them: the object itself first, at distance 0.
    tower->AddLodLevel(tower, 0);
    tower->AddLodLevel(lod50, 50);
    tower->AddLodLevel(lod100, 100);
    CPGameObject* withNullLevel = Box("withNull", {0, 0, 0}, &mStone);
    withNullLevel->AddLodLevel(withNullLevel, 0);
    withNullLevel->AddLodLevel(lod50, 50);
    withNullLevel->AddLodLevel(nullptr, 100);
    const float reach = 200.0f * 200.0f;

    struct Case {
        float distance;
        CPGameObject* expected;
        CPGameObject* expectedWithNull;
    };
    const Case cases[] = {
        {30, tower, withNullLevel}, {50, tower, withNullLevel}, {70, lod50, lod50},
        {150, lod100, nullptr},     {200, lod100, nullptr},     {250, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.distance);
        EXPECT_EQ(CPLevelBranch::ChooseLevelOfDetail(*tower, c.distance * c.distance, reach), c.expected);
        EXPECT_EQ(CPLevelBranch::ChooseLevelOfDetail(*withNullLevel, c.distance * c.distance, reach),
                  c.expectedWithNull);
    }
    // Without levels (only itself, or no list at all) the object is drawn at any distance.
    CPGameObject* plain = Box("plain", {0, 0, 0}, &mStone);
    EXPECT_EQ(CPLevelBranch::ChooseLevelOfDetail(*plain, 1e9f, reach), plain);
    plain->AddLodLevel(plain, 0);
    EXPECT_EQ(CPLevelBranch::ChooseLevelOfDetail(*plain, 1e9f, reach), plain);
}

TEST_F(LevelBranchTest, QueueVisibleQueuesTheSeenLeavesAtTheirLevelOfDetail) {
    ScopedGlobal<PRender*> renderer(gRenderer, &mRenderer);
    gSettings::distance = 200;
    CPGameObject* ahead = Box("ahead", {0, 100, 0}, &mStone);
    CPGameObject* far = Box("far", {0, 170, 0}, &mStone);
    CPGameObject* farLod = mScene.Mesh("farLod", 3, &mGlass, true);
    far->AddLodLevel(far, 0);
    far->AddLodLevel(farLod, 50);
    CPGameObject* behind = Box("behind", {0, -100, 0}, &mStone);
    CPGameObject* moving = Box("moving", {10, 100, 0}, &mWood);
    moving->SetStatic(false);
    mNamed = {ahead, far, farLod, behind, moving};

    CPLevelBranch root;
    root.SetObjects({ahead, far, behind, moving});
    root.Build(0);
    auto camera = CameraAt({0, 0, 0}, {0, 1, 0});
    EXPECT_EQ(root.QueueVisible(*camera, 1000000.0f), CPLevelBranch::kQueueResult);

    std::vector<std::string> queued = Queued();
    std::sort(queued.begin(), queued.end());
    EXPECT_EQ(queued, (std::vector<std::string>{"ahead", "farLod", "moving"}));
    EXPECT_EQ(mRenderer.mQueuedObjectCount, 3) << "the objects of the leaves seen";

    // No draw queue: nothing queued, nothing counted.
    mQueue.EmptyFrame();
    mRenderer.SetDrawQueue(nullptr);
    EXPECT_EQ(root.QueueVisible(*camera, 1000000.0f), CPLevelBranch::kQueueResult);
    EXPECT_EQ(mRenderer.mQueuedObjectCount, 3);
    EXPECT_TRUE(mQueue.GetFrameBlocks().empty());
}

TEST_F(LevelBranchTest, RayQueryFindsTheNearestBoxWhateverTheQueryHeldBefore) {
    CPGameObject* near = Box("near", {20, 0, 0}, &mStone);
    CPGameObject* farther = Box("farther", {40, 0, 0}, &mStone);
    CPGameObject* aside = Box("aside", {30, 30, 0}, &mStone);
    CPLevelBranch root;
    root.SetObjects({farther, near, aside, mScene.Node("empty")});
    root.Build(0);

    CPRayQuery query;
    query.origin = D3DXVECTOR3(0, 0, 0);
    query.direction = D3DXVECTOR3(1, 0, 0);
    query.length = 100.0f;
    // A stale end point from an earlier query must not steer the box tests.
    query.hitPoint = D3DXVECTOR3(-500, -500, -500);
    ASSERT_TRUE(root.RayQuery(query));
    EXPECT_EQ(query.hitObject.Get(), near);
    EXPECT_FLOAT_EQ(query.length, 19.0f);

    struct Miss {
        const char* name;
        D3DXVECTOR3 origin, direction;
        float length;
    };
    const Miss misses[] = {
        {"too short", {0, 0, 0}, {1, 0, 0}, 18.0f},
        {"wrong way", {0, 0, 0}, {-1, 0, 0}, 100.0f},
        {"above", {0, 0, 5}, {1, 0, 0}, 100.0f},
        {"length 0", {20, 0, 0}, {1, 0, 0}, 0.0f},
    };
    for (const Miss& m : misses) {
        SCOPED_TRACE(m.name);
        CPRayQuery q;
        q.origin = m.origin;
        q.direction = m.direction;
        q.length = m.length;
        EXPECT_FALSE(root.RayQuery(q));
        EXPECT_EQ(q.hitObject.Get(), nullptr);
        EXPECT_FLOAT_EQ(q.length, m.length);
    }
}

TEST_F(LevelBranchTest, CollectInSphereAppendsTheTouchedObjectsLeafByLeaf) {
    CPGameObject* a = Box("a", {0, 0, 0}, &mStone);
    CPGameObject* b = Box("b", {3, 0, 0}, &mStone);
    CPGameObject* c = Box("c", {20, 0, 0}, &mStone);
    CPLevelBranch root;
    root.SetObjects({a, b, c});
    root.Build(0);

    CPGameObject* before = Box("before", {100, 100, 100}, &mStone);
    ObjectList found{before};
    root.CollectInSphere(D3DXVECTOR3(1.5f, 0, 0), 1.0f, found);
    // The first child holds the upper x half: b comes before a.
    EXPECT_EQ(Raw(found), (std::vector<CPGameObject*>{before, b, a}));

    found.clear();
    root.CollectInSphere(D3DXVECTOR3(20, 0, 3), 2.0f, found);
    EXPECT_EQ(Raw(found), (std::vector<CPGameObject*>{c}));
    found.clear();
    root.CollectInSphere(D3DXVECTOR3(50, 50, 50), 5.0f, found);
    EXPECT_TRUE(found.empty());
}

// Placed plain meshes carry no main box: their hierarchy bounds are a point at the origin. The boxes of
// the partition still reach as far as their collision boxes and their vertices, so a ray, a sphere or
// the view that meets a mesh away from its origin finds it.
class LevelBranchPlacedMeshTest : public LevelBranchTest {
protected:
    LevelBranchPlacedMeshTest() {
        // Behind the camera of the view test, the first two.
        mTree = Placed("tree", {10, -10, 0});
        mOther = Placed("other", {-10, -10, 0});
        mHigh = Placed("high", {0, 100, 71});
        mHigher = Placed("higher", {0, 100, 75});
        mNamed = {mTree, mOther, mHigh, mHigher};
        mRoot.SetObjects({mTree, mOther, mHigh, mHigher});
        mRoot.Build(0);
    }
    // A 2 x 2 x 6 box mesh as the builder makes it, placed at the position.
    CPGameObject* Placed(const std::string& name, const D3DXVECTOR3& position) {
        CPGameObject* object = mScene.BoxMesh(name, {1, 1, 3}, &mStone);
        object->SetPosition(position);
        object->UpdateTransform();
        return object;
    }
    CPGameObject* mTree = nullptr;
    CPGameObject* mOther = nullptr;
    CPGameObject* mHigh = nullptr;    // its origin just above the view's upper edge, its lower half below
    CPGameObject* mHigher = nullptr;  // wholly above the view
    CPLevelBranch mRoot;
};

TEST_F(LevelBranchPlacedMeshTest, RaysAndSpheresFindAMeshAwayFromItsOrigin) {
    ASSERT_FALSE(mRoot.IsLeaf());
    ASSERT_LT(mTree->GetHierarchyBounds().mHalfExtents.x, 0.01f) << "the fixture has no main box";
    struct Ray {
        const char* name;
        D3DXVECTOR3 origin, direction;
        float expectedLength;
    };
    const Ray rays[] = {
        {"down, 0.2 off the centre", {10.2f, -10, 10}, {0, 0, -1}, 7.0f},
        {"down near a corner", {10.9f, -10.9f, 10}, {0, 0, -1}, 7.0f},
        {"level, 2.5 above the origin", {0, -10, 2.5f}, {1, 0, 0}, 9.0f},
    };
    for (const Ray& r : rays) {
        SCOPED_TRACE(r.name);
        CPRayQuery query;
        query.origin = r.origin;
        query.direction = r.direction;
        query.length = 20.0f;
        EXPECT_TRUE(mRoot.RayQuery(query));
        EXPECT_EQ(query.hitObject.Get(), mTree);
        EXPECT_FLOAT_EQ(query.length, r.expectedLength);
    }

    ObjectList found;
    mRoot.CollectInSphere(D3DXVECTOR3(11.5f, -10, 2), 0.6f, found);
    EXPECT_EQ(Raw(found), (std::vector<CPGameObject*>{mTree}));
}

TEST_F(LevelBranchPlacedMeshTest, TheViewSeesAMeshWhoseOriginLiesJustOutsideIt) {
    ScopedGlobal<PRender*> renderer(gRenderer, &mRenderer);
    // Looking along +y with a vertical field of 70 degrees: at y = 100 the upper edge is at z = 70.02.
    auto camera = CameraAt({0, 0, 0}, {0, 1, 0});
    ASSERT_GT(camera->GetFieldOfView(), 1.2f);
    ASSERT_LT(camera->GetFieldOfView(), 1.25f);
    ASSERT_FALSE(camera->IsBoxVisible(mHigh->GetHierarchyBounds().mMinimum, mHigh->GetHierarchyBounds().mMaximum));

    mRoot.QueueVisible(*camera, 1000000.0f);
    EXPECT_EQ(Queued(), (std::vector<std::string>{"high"}));
}

TEST_F(LevelBranchTest, LeavesListTheirBonusObjectsWithTheirWorldPositions) {
    CPGameObject* repair = Box("repair", {5, 6, 7}, &mStone);
    repair->SetParameterText("bonus_remont");
    CPGameObject* mine = Box("mine", {5, 6, 7}, &mStone);
    mine->SetParameterText("mybonus_x");
    CPGameObject* quoted = Box("quoted", {5, 6, 7}, &mStone);
    quoted->SetParameterText("\"bonus_a\"_b");
    CPLevelBranch root;
    root.SetObjects({mine, repair, quoted});
    root.Build(0);
    ASSERT_TRUE(root.IsLeaf());
    EXPECT_EQ(Raw(root.GetBonusObjects()), (std::vector<CPGameObject*>{repair}));
    ASSERT_EQ(root.GetBonusPositions().size(), 1u);
    EXPECT_EQ(root.GetBonusPositions()[0], D3DXVECTOR3(5, 6, 7));
}

TEST_F(LevelBranchTest, DeactivateDynamicLeavesTheStaticObjectsActive) {
    CPGameObject* still = Box("still", {0, 0, 0}, &mStone);
    CPGameObject* moving = Box("moving", {5, 0, 0}, &mStone);
    moving->SetStatic(false);
    still->Activate(200);
    moving->Activate(200);
    CPLevelBranch root;
    root.SetObjects({still, moving});
    root.DeactivateDynamic();
    EXPECT_TRUE(still->IsActive());
    EXPECT_FALSE(moving->IsActive());
    still->Deactivate();
}

// With "static" on, the static objects are baked into the branch queue once each, although the
// candidate nodes of every split list them again; dynamic objects are never baked.
class LevelBranchBakingTest : public LevelBranchTest {
protected:
    LevelBranchBakingTest() {
        mRing->Create(&mCaches.Device(), 1, 256, 512, D3DUSAGE_WRITEONLY, D3DPOOL_MANAGED);
        mRing->SetNoDiscard(true);
        mRenderer.SetBranchQueue(&mBranchQueue);
    }
    // The base fixture's renderer outlives the queue below.
    ~LevelBranchBakingTest() override { mRenderer.SetBranchQueue(nullptr); }
    ScopedRenderCaches mCaches;
    std::unique_ptr<PIVertexBuffer> mRing = std::make_unique<PIVertexBuffer>();
    CPRenderQueue mBranchQueue{mRing.get()};
};

TEST_F(LevelBranchBakingTest, StaticObjectsAreBakedOnceEach) {
    ScopedGlobal<PRender*> renderer(gRenderer, &mRenderer);
    ObjectList objects;
    for (int i = 0; i < 6; ++i) objects.push_back(Box("s", {static_cast<float>(i * 10), 0, 0}, &mStone));
    CPGameObject* moving = Box("moving", {25, 0, 0}, &mStone);
    moving->SetStatic(false);
    objects.push_back(moving);

    gSettings::static_ = 1;
    ASSERT_TRUE(mBranchQueue.LockAll());
    CPLevelBranch root;
    root.SetObjects(objects);
    root.Build(0);
    mBranchQueue.UnlockAll();
    EXPECT_EQ(mRing->GetWrittenCount(), 6u);
    EXPECT_EQ(mRing->GetVerticesWritten(), 6 * 3);
    int32_t base = -1;
    EXPECT_FALSE(mRing->GetBaseVertex(moving->GetRenderable(), &base));

    gSettings::static_ = 0;
    ASSERT_TRUE(mBranchQueue.LockAll());
    CPLevelBranch unbaked;
    CPGameObject* later = Box("later", {0, 0, 0}, &mGlass);
    unbaked.SetObjects({later});
    mBranchQueue.UnlockAll();
    EXPECT_FALSE(mRing->GetBaseVertex(later->GetRenderable(), &base)) << "with \"static\" off nothing is baked";
}

}  // namespace
