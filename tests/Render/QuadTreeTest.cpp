#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Render/CPQuadTree.h"
#include "Render/CPRenderQueue.h"
#include "Render/PIVertexBuffer.h"
#include "Render/PCamera.h"
#include "Render/PMaterial.h"
#include "Render/PRender.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "support/MathExpect.h"
#include "support/ScopedGlobal.h"
#include "support/TestCamera.h"
#include "support/TestScene.h"

namespace {

using ObjectList = std::vector<CPSmartPtr<CPGameObject>>;

class QuadTreeTest : public ::testing::Test {
protected:
    QuadTreeTest() {
        gSettings::RestoreInitialValues();
        gSettings::screenWidth = 800;
        gSettings::screenHeight = 600;
        gSettings::quadlevels = 1;
        gSettings::distance = 1000;
        mRenderer.SetDrawQueue(&mQueue);
    }
    ~QuadTreeTest() override {
        gSettings::RestoreInitialValues();
    }

    // An object at the position whose hierarchy bounds reach `half` around it on every axis.
    CPGameObject* Object(const std::string& name, const D3DXVECTOR3& position, float half = 1.0f) {
        CPGameObject* object = mScene.WithRenderable(name, mScene.Renderable(3, &mMaterial), kRenderSprite);
        object->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(half, half, half)));
        object->SetPosition(position);
        object->MarkDirty();
        object->UpdateTransform();
        return object;
    }

    // The root over (-100 .. 100) on every axis.
    std::unique_ptr<CPQuadTree> Root() {
        auto root = std::make_unique<CPQuadTree>();
        root->SetBounds(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(100, 100, 100));
        return root;
    }


    // The objects whose renderables the draw queue took this frame, by name.
    std::vector<std::string> Queued() const {
        std::vector<std::string> names;
        for (const CPIVBlock* block : mQueue.GetFrameBlocks())
            for (const CPSmartPtr<CPRenderable>& renderable : block->GetRenderables())
                for (const auto& [object, name] : mNames)
                    if (object->GetRenderable() == renderable.Get()) names.push_back(name);
        return names;
    }

    void Name(CPGameObject* object) { mNames.emplace_back(object, object->GetName()); }

    TestScene mScene;
    CPMaterial mMaterial{20, {}, {}};
    CPRenderQueue mQueue;
    PRender mRenderer;
    ScopedGlobal<PRender*> mInstallRenderer{gRenderer, &mRenderer};
    std::vector<std::pair<CPGameObject*, std::string>> mNames;
};

TEST_F(QuadTreeTest, OneLevelSortsObjectsIntoTheFourQuadrants) {
    auto root = Root();
    CPGameObject* a = Object("a", {-10, -10, 0});
    CPGameObject* b = Object("b", {10, 10, 0});
    CPGameObject* c = Object("c", {10, -10, 0});
    CPGameObject* d = Object("d", {-10, 10, 0});
    root->Build({b, d, a, c}, 0);

    EXPECT_TRUE(root->GetObjects().empty());
    CPGameObject* expected[4] = {a, b, c, d};
    for (int32_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        ASSERT_NE(root->GetChild(i), nullptr);
        EXPECT_EQ(root->GetChild(i)->GetChild(0), nullptr);  // a leaf
        ASSERT_EQ(root->GetChild(i)->GetObjects().size(), 1u);
        EXPECT_EQ(root->GetChild(i)->GetObjects()[0].Get(), expected[i]);
        // A leaf's box is its object's hierarchy bounds.
        ExpectVec3Near(root->GetChild(i)->GetBox()->mCentre, expected[i]->GetPosition());
        ExpectVec3Near(root->GetChild(i)->GetBox()->mHalfExtents, D3DXVECTOR3(1, 1, 1));
    }
}

TEST_F(QuadTreeTest, ObjectsOnASplitLineOrOutsideTheRootAreLeftOut) {
    auto root = Root();
    CPGameObject* inside = Object("inside", {-50, -50, 0});
    std::vector<CPGameObject*> left = {
        Object("on x", {0, -10, 0}), Object("on y", {-10, 0, 0}), Object("at the top", {-10, -10, 100}),
        Object("below", {-10, -10, -120}), Object("far out", {300, 10, 0}),
    };
    ObjectList all = {inside};
    for (CPGameObject* object : left) all.push_back(object);
    root->Build(all, 0);

    size_t total = 0;
    for (int32_t i = 0; i < 4; ++i) total += root->GetChild(i)->GetObjects().size();
    EXPECT_EQ(total, 1u);
    ASSERT_EQ(root->GetChild(0)->GetObjects().size(), 1u);
    EXPECT_EQ(root->GetChild(0)->GetObjects()[0].Get(), inside);
}

TEST_F(QuadTreeTest, LeafBoxesBoundTheirObjectsAndEmptyLeavesKeepTheirQuadrant) {
    auto root = Root();
    CPGameObject* small = Object("small", {-60, -60, 0}, 1.0f);
    CPGameObject* big = Object("big", {-20, -30, 5}, 4.0f);
    root->Build({small, big}, 0);

    const CPAxisBox* leaf = root->GetChild(0)->GetBox();
    ExpectVec3Near(leaf->mMinimum, D3DXVECTOR3(-61, -61, -1));
    ExpectVec3Near(leaf->mMaximum, D3DXVECTOR3(-16, -26, 9));
    // The empty quadrant 1 keeps (0 .. 100, 0 .. 100, -100 .. 100).
    const CPAxisBox* empty = root->GetChild(1)->GetBox();
    ExpectVec3Near(empty->mCentre, D3DXVECTOR3(50, 50, 0));
    ExpectVec3Near(empty->mHalfExtents, D3DXVECTOR3(50, 50, 100));
    // The root is the union of its four children, the empty quadrants included.
    ExpectVec3Near(root->GetBox()->mMinimum, D3DXVECTOR3(-100, -100, -100));
    ExpectVec3Near(root->GetBox()->mMaximum, D3DXVECTOR3(100, 100, 100));
}

// A placed plain mesh has no main box: its hierarchy bounds are a point at its origin. Its leaf's box
// still reaches its vertices, so the mesh is drawn while its origin lies just above the view.
TEST_F(QuadTreeTest, ALeafBoxReachesThePlacedVerticesOfAMeshWithoutMainBox) {
    auto root = Root();
    CPGameObject* high = mScene.BoxMesh("high", {1, 1, 3}, &mMaterial);
    high->SetPosition({50, 50, 71});
    high->UpdateTransform();
    Name(high);
    root->Build({high}, 0);
    ExpectVec3Near(root->GetChild(1)->GetBox()->mMinimum, D3DXVECTOR3(49, 49, 68));

    // Looking along +y with a vertical field of 70 degrees: 100 ahead the upper edge is at z = 70.02.
    auto camera = CameraAt({50, -50, 0}, {50, 0, 0});
    ASSERT_FALSE(camera->IsBoxVisible(high->GetHierarchyBounds().mMinimum, high->GetHierarchyBounds().mMaximum));
    root->Collect(*camera);
    EXPECT_EQ(Queued(), (std::vector<std::string>{"high"}));
}

TEST_F(QuadTreeTest, TwoLevelsSplitTheQuadrantsAgain) {
    gSettings::quadlevels = 2;
    auto root = Root();
    CPGameObject* a = Object("a", {-80, -20, 0});
    CPGameObject* b = Object("b", {-20, -80, 0});
    root->Build({a, b}, 0);

    CPQuadTree* quadrant = root->GetChild(0);  // (-100 .. 0, -100 .. 0)
    ASSERT_NE(quadrant->GetChild(0), nullptr);
    EXPECT_TRUE(quadrant->GetObjects().empty());
    ASSERT_EQ(quadrant->GetChild(3)->GetObjects().size(), 1u);  // (-100 .. -50, -50 .. 0)
    EXPECT_EQ(quadrant->GetChild(3)->GetObjects()[0].Get(), a);
    ASSERT_EQ(quadrant->GetChild(2)->GetObjects().size(), 1u);  // (-50 .. 0, -100 .. -50)
    EXPECT_EQ(quadrant->GetChild(2)->GetObjects()[0].Get(), b);
}

TEST_F(QuadTreeTest, OutOfRangeLevelsAreBoundedInsteadOfSplittingForEver) {
    struct Case {
        int32_t quadlevels;
        int32_t leafDepth;
    } cases[] = {{-3, 0}, {0, 0}, {3, 3}, {1000, CPQuadTree::kMaxDepth}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.quadlevels);
        gSettings::quadlevels = c.quadlevels;
        EXPECT_EQ(CPQuadTree::LeafDepth(), c.leafDepth);
    }

    gSettings::quadlevels = -3;
    auto root = Root();
    CPGameObject* a = Object("a", {-10, -10, 0});
    root->Build({a}, 0);
    EXPECT_EQ(root->GetChild(0), nullptr);
    ASSERT_EQ(root->GetObjects().size(), 1u);

    // A depth already past the leaves makes a leaf too.
    gSettings::quadlevels = 1;
    auto deep = Root();
    deep->Build({a}, 5);
    EXPECT_EQ(deep->GetChild(0), nullptr);
    EXPECT_EQ(deep->GetObjects().size(), 1u);
}

TEST_F(QuadTreeTest, ANodeWithoutBoundsBecomesALeaf) {
    CPQuadTree root;
    CPGameObject* a = Object("a", {-10, -10, 0});
    root.Build({a, nullptr}, 0);
    EXPECT_EQ(root.GetChild(0), nullptr);
    ASSERT_EQ(root.GetObjects().size(), 1u);
    ASSERT_NE(root.GetBox(), nullptr);
    ExpectVec3Near(root.GetBox()->mCentre, D3DXVECTOR3(-10, -10, 0));
}

TEST_F(QuadTreeTest, SetChildReplacesAndDeletesAndRefusesBadIndices) {
    CPQuadTree root;
    root.SetChild(2, new CPQuadTree());
    root.SetChild(2, new CPQuadTree());  // the first is deleted (the leak checker watches)
    root.SetChild(4, new CPQuadTree());  // refused and deleted
    root.SetChild(-1, new CPQuadTree());
    EXPECT_NE(root.GetChild(2), nullptr);
    EXPECT_EQ(root.GetChild(4), nullptr);
    EXPECT_EQ(root.GetChild(0), nullptr);
}

TEST_F(QuadTreeTest, CollectQueuesTheVisibleNearLeavesAndCountsTheirObjects) {
    auto root = Root();
    CPGameObject* behind = Object("behind", {-50, -50, 0});
    CPGameObject* ahead1 = Object("ahead1", {50, 50, 0});
    CPGameObject* ahead2 = Object("ahead2", {60, 40, 0});
    CPGameObject* side = Object("side", {50, -50, 0});
    for (CPGameObject* object : {behind, ahead1, ahead2, side}) Name(object);
    root->Build({behind, ahead1, ahead2, side}, 0);

    // From (0, 0, 0) looking along +x+y the leaf of (-50, -50) lies behind the camera and the one of
    // (50, -50), as near as the others, lies 90 degrees off to the side: neither is queued nor counted.
    auto camera = CameraAt({0, 0, 0}, {1, 1, 0});
    root->Collect(*camera);
    EXPECT_EQ(Queued(), (std::vector<std::string>{"ahead1", "ahead2"}));
    EXPECT_EQ(mRenderer.mQueuedObjectCount, 2);
}

TEST_F(QuadTreeTest, ALeafAtExactlyTheViewDistanceIsNotDrawn) {
    gSettings::quadlevels = 0;
    gSettings::distance = 30;
    auto root = Root();
    CPGameObject* a = Object("a", {0, 0, 0});
    Name(a);
    root->Build({a}, 0);  // a leaf root, centred on the object

    auto atDistance = CameraAt({-30, 0, 0}, {0, 0, 0});
    root->Collect(*atDistance);
    EXPECT_TRUE(Queued().empty());
    EXPECT_EQ(mRenderer.mQueuedObjectCount, 0);

    // A root leaf is not tested against the camera, only its distance counts.
    auto inside = CameraAt({-29.99f, 0, 0}, {-100, 0, 0});
    root->Collect(*inside);
    EXPECT_EQ(Queued(), (std::vector<std::string>{"a"}));
}

TEST_F(QuadTreeTest, LargeViewDistanceDoesNotOverflow) {
    gSettings::quadlevels = 0;
    gSettings::distance = 100000;  // its square exceeds 32 bits
    auto root = Root();
    CPGameObject* a = Object("a", {0, 0, 0});
    Name(a);
    root->Build({a}, 0);
    auto camera = CameraAt({-5000, 0, 0}, {0, 0, 0});
    root->Collect(*camera);
    EXPECT_EQ(Queued(), (std::vector<std::string>{"a"}));
}

}  // namespace
