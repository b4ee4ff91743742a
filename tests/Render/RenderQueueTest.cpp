#include <gtest/gtest.h>

#include <vector>

#include "Render/CPIVBlock.h"
#include "Render/CPRenderQueue.h"
#include "Render/PIVertexBuffer.h"
#include "Render/PLight.h"
#include "Render/PMaterial.h"
#include "Render/PParticleSystem.h"
#include "Render/PRender.h"
#include "core/ServiceGlobals.h"
#include "support/ReusedAddress.h"
#include "support/ScopedRenderCaches.h"
#include "support/TestScene.h"

namespace {

class RenderQueueTest : public ::testing::Test {
protected:
    RenderQueueTest() {
        mRing->Create(&mCaches.Device(), 1, 256, 512, D3DUSAGE_WRITEONLY, D3DPOOL_MANAGED);
        mRing->SetNoDiscard(true);
    }

    std::vector<CPRenderable*> RenderablesOf(const CPIVBlock* block) const {
        std::vector<CPRenderable*> out;
        for (const CPSmartPtr<CPRenderable>& renderable : block->GetRenderables()) out.push_back(renderable.Get());
        return out;
    }

    ScopedRenderCaches mCaches;
    CPMaterial mStone{20, {}, {}};
    CPMaterial mGlass{20, {}, {}};
    std::unique_ptr<PIVertexBuffer> mRing = std::make_unique<PIVertexBuffer>();
    TestScene mScene;
    CPRenderQueue mQueue{mRing.get()};
};

TEST_F(RenderQueueTest, RenderablesGroupByMaterialInQueuingOrder) {
    TestRenderable* a = mScene.Renderable(4, &mStone);
    TestRenderable* b = mScene.Renderable(6, &mGlass);
    TestRenderable* c = mScene.Renderable(5, &mStone);
    mQueue.AddObject(mScene.WithRenderable("a", a, kRenderSprite));
    mQueue.AddObject(mScene.WithRenderable("b", b, kRenderAnimated));
    mQueue.AddRenderable(c);

    ASSERT_EQ(mQueue.GetFrameBlocks().size(), 2u);
    CPIVBlock* stone = mQueue.GetFrameBlocks()[0];
    CPIVBlock* glass = mQueue.GetFrameBlocks()[1];
    EXPECT_EQ(stone->GetMaterial(), &mStone);
    EXPECT_EQ(glass->GetMaterial(), &mGlass);
    EXPECT_EQ(RenderablesOf(stone), (std::vector<CPRenderable*>{a, c}));
    EXPECT_EQ(RenderablesOf(glass), (std::vector<CPRenderable*>{b}));
    EXPECT_EQ(stone->GetVertexTotal(), 9);
    EXPECT_EQ(stone->GetIndexTotal(), 6 + 9);
    EXPECT_EQ(stone->GetRing(), mRing.get());
    EXPECT_EQ(stone->GetClassName(), "CPIVBlock");
    EXPECT_TRUE(stone->GetSecondList().empty());

    // The next frame starts empty, reuses the blocks, and orders them by what it queues first.
    mQueue.EmptyFrame();
    EXPECT_TRUE(mQueue.GetFrameBlocks().empty());
    EXPECT_TRUE(stone->GetRenderables().empty());
    EXPECT_EQ(stone->GetVertexTotal(), 0);
    mQueue.AddRenderable(b);
    mQueue.AddRenderable(a);
    EXPECT_EQ(mQueue.GetFrameBlocks(), (std::vector<CPIVBlock*>{glass, stone}));
    EXPECT_EQ(mQueue.GetBlockCount(), 2u);
    EXPECT_EQ(mQueue.FindBlock(&mStone), stone);
}

TEST_F(RenderQueueTest, ASkippedRenderableIsListedButNotCounted) {
    TestRenderable* skipped = mScene.Renderable(4, &mStone);
    skipped->SetSkipped(true);
    TestRenderable* drawn = mScene.Renderable(3, &mStone);
    mQueue.AddRenderable(skipped);
    mQueue.AddRenderable(drawn);
    CPIVBlock* block = mQueue.FindBlock(&mStone);
    EXPECT_EQ(RenderablesOf(block), (std::vector<CPRenderable*>{skipped, drawn}));
    EXPECT_EQ(block->GetVertexTotal(), 3);
    EXPECT_EQ(block->GetIndexTotal(), 3);
}

TEST_F(RenderQueueTest, WhatQueuesNothing) {
    CPGameObject* hidden = mScene.WithRenderable("hidden", mScene.Renderable(4, &mStone), kRenderSprite);
    hidden->SetVisible(false);
    CPGameObject* particles = mScene.Node("particles");
    // A particle system draws nothing itself: its launched effects do.
    ASSERT_TRUE(particles->SetRenderPart(mScene.Own(new CPParticleSystem(particles, {"sparks"})), kRenderParticles));
    CPGameObject* empty = mScene.Node("empty");
    CPGameObject* noMaterial = mScene.WithRenderable("bare", mScene.Renderable(4, nullptr), kRenderSprite);
    CPGameObject* meshWithoutMaterial = mScene.Mesh("bare mesh", 4, nullptr, false);
    CPGameObject* noMesh = mScene.Node("no mesh");
    ASSERT_TRUE(noMesh->SetRenderPart(nullptr, kRenderObject));
    CPGameObject* noLight = mScene.Node("no light");
    ASSERT_TRUE(noLight->SetRenderPart(nullptr, kRenderLight));

    mQueue.AddObject(hidden);
    mQueue.AddObject(particles);
    mQueue.AddObject(empty);
    mQueue.AddObject(noMaterial);
    mQueue.AddObject(meshWithoutMaterial);
    mQueue.AddObject(noMesh);
    mQueue.AddObject(noLight);
    mQueue.AddObject(nullptr);
    mQueue.AddRenderable(nullptr);
    EXPECT_TRUE(mQueue.GetFrameBlocks().empty());
    EXPECT_EQ(mQueue.GetBlockCount(), 0u);
    EXPECT_EQ(gRenderer->GetLightCount(), 0);

    // What hangs below a particle system is queued as usual.
    TestRenderable* glow = mScene.Renderable(4, &mStone);
    mScene.WithRenderable("glow", glow, kRenderSprite, particles);
    mQueue.AddObjectTree(particles);
    EXPECT_EQ(RenderablesOf(mQueue.FindBlock(&mStone)), (std::vector<CPRenderable*>{glow}));
}

TEST_F(RenderQueueTest, LightsGoToTheRendererUntilItsTableIsFull) {
    PRender& renderer = *gRenderer;
    std::vector<CPGameObject*> lamps;
    for (int i = 0; i < 31; ++i) {
        CPGameObject* lamp = mScene.Node("lamp");
        auto* light = mScene.Own(new CPLight);
        light->GetRecord().Type = D3DLIGHT_POINT;
        light->GetRecord().Range = static_cast<float>(i);
        light->SetOwner(lamp);
        ASSERT_TRUE(lamp->SetRenderPart(light, kRenderLight));
        lamp->SetPosition(D3DXVECTOR3(static_cast<float>(i), 2.0f, 3.0f));
        lamp->UpdateTransform();
        lamps.push_back(lamp);
    }
    for (CPGameObject* lamp : lamps) mQueue.AddObjectTree(lamp);

    ASSERT_EQ(renderer.GetLightCount(), 30);
    EXPECT_EQ(renderer.GetLight(29).Range, 29.0f) << "the 31st light is the one dropped";
    EXPECT_EQ(renderer.GetLight(7).Position.x, 7.0f) << "placed at its owner";
    EXPECT_EQ(renderer.GetLight(7).Position.z, 3.0f);
    EXPECT_TRUE(mQueue.GetFrameBlocks().empty()) << "a light joins no block";

    // A light kind whose part is no light adds nothing.
    renderer.ApplyLights();
    CPGameObject* odd = mScene.Node("odd");
    ASSERT_TRUE(odd->SetRenderPart(mScene.Renderable(4, &mStone), kRenderLight));
    mQueue.AddObject(odd);
    EXPECT_EQ(renderer.GetLightCount(), 0);
    EXPECT_TRUE(mQueue.GetFrameBlocks().empty());
}

TEST_F(RenderQueueTest, TreesFollowVisibilityAndTheStaticOnlyFlag) {
    // root (static) -> hidden (static, invisible) -> under (static)
    //               -> moving (dynamic) -> fixed (static)
    CPGameObject* root = mScene.Mesh("root", 3, &mStone, true, 0.0f);
    CPGameObject* hidden = mScene.Mesh("hidden", 3, &mStone, true, 10.0f, root);
    hidden->SetVisible(false);
    CPGameObject* under = mScene.Mesh("under", 3, &mStone, true, 20.0f, hidden);
    CPGameObject* moving = mScene.Mesh("moving", 3, &mGlass, false, 30.0f, root);
    CPGameObject* fixed = mScene.Mesh("fixed", 3, &mGlass, true, 40.0f, moving);

    mQueue.AddObjectTree(root);
    EXPECT_EQ(RenderablesOf(mQueue.FindBlock(&mStone)), (std::vector<CPRenderable*>{root->GetRenderable()}))
        << "an invisible object hides its whole subtree";
    EXPECT_EQ(RenderablesOf(mQueue.FindBlock(&mGlass)),
              (std::vector<CPRenderable*>{moving->GetRenderable(), fixed->GetRenderable()}));
    (void)under;

    mQueue.EmptyFrame();
    mQueue.SetStaticOnly(true);
    mQueue.AddObjectTree(root);
    EXPECT_EQ(mQueue.GetFrameBlocks().size(), 1u) << "the dynamic object leaves out its static child too";
    EXPECT_EQ(RenderablesOf(mQueue.FindBlock(&mStone)), (std::vector<CPRenderable*>{root->GetRenderable()}));
    mQueue.EmptyFrame();
    mQueue.AddObjectTree(moving);
    EXPECT_TRUE(mQueue.GetFrameBlocks().empty());
}

TEST_F(RenderQueueTest, StaticTreesAreBakedOncePerFill) {
    // root -> child (static), dynamic (not static), sprite (kind 3), hidden (invisible) -> below
    // root's levels of detail: lod1 (static mesh), lod2 (hidden), an empty entry.
    CPGameObject* root = mScene.Mesh("root", 4, &mStone, true, 0.0f);
    CPGameObject* child = mScene.Mesh("child", 3, &mStone, true, 100.0f, root);
    CPGameObject* dynamic = mScene.Mesh("dynamic", 3, &mStone, false, 200.0f, root);
    CPGameObject* sprite = mScene.WithRenderable("sprite", mScene.Renderable(4, &mStone), kRenderSprite, root);
    sprite->SetStatic(true);
    CPGameObject* hidden = mScene.Mesh("hidden", 3, &mStone, true, 300.0f, root);
    hidden->SetVisible(false);
    CPGameObject* below = mScene.Mesh("below", 3, &mStone, true, 400.0f, hidden);
    CPGameObject* lod1 = mScene.Mesh("lod1", 5, &mStone, true, 500.0f);
    CPGameObject* lod2 = mScene.Mesh("lod2", 3, &mStone, true, 600.0f);
    lod2->SetVisible(false);
    root->AddLodLevel(root, 0);
    root->AddLodLevel(lod1, 50);
    root->AddLodLevel(lod2, 100);
    root->AddLodLevel(nullptr, 200);

    ASSERT_TRUE(mQueue.LockAll());
    mQueue.AddStaticTree(root);
    mQueue.AddStaticTree(root);
    EXPECT_EQ(mRing->GetVerticesWritten(), 4 + 3 + 5) << "baking the same tree twice writes nothing more";
    mQueue.UnlockAll();

    int32_t base = -1;
    ASSERT_TRUE(mRing->GetBaseVertex(root->GetRenderable(), &base));
    EXPECT_EQ(base, 0);
    ASSERT_TRUE(mRing->GetBaseVertex(child->GetRenderable(), &base));
    EXPECT_EQ(base, 4);
    ASSERT_TRUE(mRing->GetBaseVertex(lod1->GetRenderable(), &base));
    EXPECT_EQ(base, 7);
    for (CPGameObject* left : {dynamic, sprite, hidden, below, lod2})
        EXPECT_FALSE(mRing->GetBaseVertex(left->GetRenderable(), nullptr)) << left->GetName();
    EXPECT_TRUE(mQueue.GetFrameBlocks().empty()) << "baking queues nothing for the frame";

    CPRenderQueue noRing;
    EXPECT_FALSE(noRing.LockAll());
    noRing.AddStaticTree(root);
    noRing.UnlockAll();
}

// A renderable deleted by its owner after it was queued (a script stopping the level later in the same
// frame) is let go of without touching it when the frame empties the queue or the block goes.
TEST_F(RenderQueueTest, ARenderableDeletedAfterQueuingIsLetGoOfWithoutTouchingIt) {
    TestRenderable* kept = mScene.Renderable(3, &mStone);
    mQueue.AddRenderable(kept);
    mQueue.AddRenderable(new TestRenderable(4, TestRenderable::FanIndices(4), &mStone));
    delete mQueue.FindBlock(&mStone)->GetRenderables().back().Get();
    mQueue.EmptyFrame();
    EXPECT_TRUE(mQueue.FindBlock(&mStone)->GetRenderables().empty());
    mQueue.AddRenderable(kept);
    EXPECT_EQ(mQueue.FindBlock(&mStone)->GetVertexTotal(), 3) << "the block goes on being used";

    {
        CPRenderQueue queue(mRing.get());
        queue.AddRenderable(new TestRenderable(4, TestRenderable::FanIndices(4), &mGlass));
        delete queue.FindBlock(&mGlass)->GetRenderables().back().Get();
    }
}

// The block's list grows after one of its renderables died: the dead entry is moved, never called.
TEST_F(RenderQueueTest, ABlockGrowingPastADeadRenderableNeverTouchesIt) {
    mQueue.AddRenderable(new TestRenderable(4, TestRenderable::FanIndices(4), &mStone));
    delete mQueue.FindBlock(&mStone)->GetRenderables().front().Get();
    TestRenderable* kept = mScene.Renderable(3, &mStone);
    for (int i = 0; i < 20; ++i) mQueue.AddRenderable(kept);

    const CPIVBlock* stone = mQueue.FindBlock(&mStone);
    ASSERT_EQ(stone->GetRenderables().size(), 21u);
    EXPECT_EQ(stone->LiveRenderable(0), nullptr);
    for (size_t i = 1; i < 21; ++i) EXPECT_EQ(stone->LiveRenderable(i), kept) << i;
    EXPECT_GE(kept->GetRefCount(), 1) << "held while queued";
    mQueue.EmptyFrame();
    EXPECT_TRUE(stone->GetRenderables().empty());
}

// A renderable made where a queued one died is not the queued one: the queue neither hands it out nor
// lets go of it (its count stays as its own holder left it).
TEST_F(RenderQueueTest, ARenderableBuiltAtADeadOnesAddressIsNotTakenForIt) {
    ReusedAddress<TestRenderable> place;
    mQueue.AddRenderable(place.Make(4, TestRenderable::FanIndices(4), &mStone));
    TestRenderable* newcomer = place.Make(3, TestRenderable::FanIndices(3), &mGlass);
    newcomer->AddRef();

    const CPIVBlock* stone = mQueue.FindBlock(&mStone);
    ASSERT_EQ(stone->GetRenderables().size(), 1u);
    EXPECT_EQ(stone->GetRenderables().front().Get(), newcomer) << "the same address";
    EXPECT_EQ(stone->LiveRenderable(0), nullptr);
    mQueue.EmptyFrame();
    EXPECT_EQ(newcomer->GetRefCount(), 1);
}

TEST_F(RenderQueueTest, BlocksHearOfADeviceLossAndLeaveTheListWithTheQueue) {
    const size_t before = g_DeviceListeners.Size();
    {
        CPRenderQueue queue(mRing.get());
        queue.AddRenderable(mScene.Renderable(3, &mStone));
        queue.AddRenderable(mScene.Renderable(3, &mGlass));
        EXPECT_EQ(g_DeviceListeners.Size(), before + 2);
        CPIVBlock* block = queue.FindBlock(&mStone);
        EXPECT_FALSE(block->IsValid());
        block->SetValid(true);
        g_DeviceListeners.NotifyLostDevice();
        EXPECT_FALSE(block->IsValid());
        g_DeviceListeners.NotifyResetDevice();
        EXPECT_FALSE(block->IsValid()) << "the frame sets it again when it draws the block";
    }
    EXPECT_EQ(g_DeviceListeners.Size(), before);
}

}  // namespace
