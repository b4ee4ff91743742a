// A script that deletes or replaces the level in the middle of a frame, after the race update has queued
// the old level's objects for drawing: the frame goes on with the objects queued since, and draws them.
#include <gtest/gtest.h>

#include <string>

#include "Render/CPMiniMap.h"
#include "Render/CPRenderQueue.h"
#include "Render/PIVertexBuffer.h"
#include "Render/PMaterial.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "core/CPGameObject.h"
#include "core/CPTaskKernel.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "host/EngineHost.h"
#include "simulation/level/CPGameData.h"
#include "simulation/level/CPLevel.h"
#include "support/LuaScriptRig.h"
#include "support/ManualClock.h"
#include "support/RecordingTask.h"
#include "support/TempFolder.h"
#include "support/TestLevelTree.h"

namespace {

// The engine host on the test data tree, with a race of the tree's level started by a script.
class LevelDeletedWithinAFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.Write(work.Folder());
        host.Startup();
        gSettings::weight_div = 1;
        gGameData->mPlayerName = tree.playerCar;
        ASSERT_EQ(lua.Run("InitLevel('level1', false) StartLevel()"), "");
        ASSERT_TRUE(gLevel && gLevel->IsStarted());
    }
    void TearDown() override {
        EXPECT_EQ(lua.Run("StopLevel() DeleteLevel()"), "");
        host.Shutdown();
        gSettings::RestoreInitialValues();
    }

    void RunFrame() {
        clock.AdvanceUs(16667);
        host.Frame();
    }
    // Where this frame wrote the renderable into the draw ring; null when it was not drawn from it.
    static const PIVertexBuffer::Placement* DrawnPlacement(const CPRenderable* renderable) {
        CPSmartPtr<CPRenderQueue> queue = gRenderer->GetDrawQueue();
        const PIVertexBuffer* ring = queue ? queue->GetRing() : nullptr;
        return ring ? ring->FindPlacement(renderable) : nullptr;
    }

    ScopedWorkingFolder work;
    TestLevelTree tree;
    ManualClock clock{0};
    EngineHost host;
    LuaScriptRig lua;
};

TEST_F(LevelDeletedWithinAFrameTest, ObjectsQueuedAfterDeleteLevelShareTheDeadGroundsBlock) {
    ASSERT_TRUE(gLevel->mPlane && gLevel->mPlane->GetRenderObject());
    CPSmartPtr<CPMaterial> groundMaterial = gLevel->mPlane->GetRenderObject()->GetMaterial();
    ASSERT_TRUE(groundMaterial);

    // A small mesh of the ground's material: 5 vertices, 4 triangles.
    CPGameObject marker("marker");
    CPRenderObject mesh(&marker);
    for (int v = 0; v < 5; ++v) {
        CPVertex vertex;
        vertex.position = D3DXVECTOR3(static_cast<float>(v), 1.0f, 2.0f);
        mesh.GetLocalVertices().push_back(vertex);
    }
    for (uint16_t index : {0, 1, 2, 0, 2, 3, 0, 3, 4, 1, 2, 4}) mesh.GetIndices().push_back(index);
    mesh.SetMaterial(groundMaterial);
    marker.SetRenderPart(&mesh, kRenderObject);
    marker.SetVisible(true);
    marker.UpdateTransform();
    lua.SetHandle("marker", &marker);

    // After the race update (500) queued the ground: the level goes, then the mesh is queued again and again.
    RecordingTask script("script", nullptr);
    std::string scriptError = "(not run)";
    script.mAction = [&](RecordingTask&) {
        scriptError = lua.Run("DeleteLevel() for i = 1, 20 do DrawDynamicObject(marker) end");
    };
    gTaskKernel->AddTask(&script);
    RunFrame();
    EXPECT_EQ(scriptError, "");
    EXPECT_EQ(gLevel, nullptr);
    // Queued twenty times, written once.
    const PIVertexBuffer::Placement* drawn = DrawnPlacement(&mesh);
    ASSERT_NE(drawn, nullptr);
    EXPECT_EQ(drawn->vertexCount, 5);
    EXPECT_EQ(drawn->indexCount, 12);

    // The next frame starts from empty queues.
    script.mAction = nullptr;
    RunFrame();
    EXPECT_EQ(DrawnPlacement(&mesh), nullptr);
    script.Stop();
}

TEST_F(LevelDeletedWithinAFrameTest, ALevelStartedWithinTheFrameQueuesItsMinimapBesideTheOldOnes) {
    // At the race update's priority, after it: the old level's minimap is already queued.
    RecordingTask script("script", nullptr, 500);
    std::string scriptError = "(not run)";
    script.mAction = [&](RecordingTask& self) {
        scriptError = lua.Run("InitLevel('level1', false) StartLevel()");
        self.mAction = nullptr;
    };
    gTaskKernel->AddTask(&script);
    RunFrame();
    EXPECT_EQ(scriptError, "");
    ASSERT_NE(gLevel, nullptr);
    EXPECT_TRUE(gLevel->IsStarted());
    ASSERT_NE(gLevel->mMiniMap, nullptr);
    EXPECT_NE(DrawnPlacement(gLevel->mMiniMap), nullptr);
    script.Stop();
}

}  // namespace
