#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Render/CPFrameRenderer.h"
#include "Render/CPRenderQueue.h"
#include "Render/PCamera.h"
#include "Render/PDeviceListener.h"
#include "Render/PIVertexBuffer.h"
#include "Render/PMaterial.h"
#include "Render/PMaterialManager.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "Render/PTextureManager.h"
#include "core/FrameClock.h"
#include "core/ServiceGlobals.h"
#include "host/RenderQueueHost.h"
#include "platform/Direct3DResource9.h"
#include "support/EffectFileBuilder.h"
#include "support/PlatformReset.h"
#include "support/ReusedAddress.h"
#include "support/ScopedGlobal.h"
#include "support/ScopedRenderCaches.h"
#include "support/TestScene.h"

namespace {

class CPFrameRendererTest : public ::testing::Test {
protected:
    CPFrameRendererTest() {
        EXPECT_TRUE(mQueues.Create(Renderer()));
        mCameraA->SetEye(D3DXVECTOR3(0, -10, 5));
        mCameraB->SetEye(D3DXVECTOR3(10, 0, 5));
    }
    ~CPFrameRendererTest() override {
        delete mCameraA;
        delete mCameraB;
    }

    static PRender& Renderer() { return *gRenderer; }
    IDirect3DDevice9& Device() { return mCaches.Device(); }
    CPRenderQueue& DrawQueue() { return *mQueues.GetDrawQueue(); }
    CPRenderQueue& BranchQueue() { return *mQueues.GetBranchQueue(); }

    // The frame's drawing as lines: the camera and world matrix a layer sets, and for every draw the
    // ring (and slot) it reads and its minimum vertex, vertex count, first index and triangle count.
    std::vector<std::string> DrawLog() {
        std::vector<std::string> log;
        for (const D3DCallRecord& record : Device().Calls()) {
            if (record.call == D3DCall::SetTransform && record.args[0] == D3DTS_VIEW) {
                const D3DXMATRIX& view = *reinterpret_cast<const D3DXMATRIX*>(&record.matrix);
                log.push_back(view == mCameraA->GetViewMatrix()   ? "view A"
                              : view == mCameraB->GetViewMatrix() ? "view B"
                                                                  : "view ?");
            } else if (record.call == D3DCall::SetTransform && record.args[0] == D3DTS_WORLD) {
                const D3DXMATRIX& world = *reinterpret_cast<const D3DXMATRIX*>(&record.matrix);
                D3DXMATRIX identity;
                D3DXMatrixIdentity(&identity);
                log.push_back(world == mShadow ? "world shadow" : world == identity ? "world identity" : "world ?");
            } else if (record.call == D3DCall::DrawIndexedPrimitive) {
                std::string ring = RingOf(record.object);
                log.push_back(ring + " " + std::to_string(record.args[2]) + "+" + std::to_string(record.args[3]) +
                              " @" + std::to_string(record.args[4]) + " x" + std::to_string(record.args[5]) +
                              (record.result == S_OK ? "" : " FAILED"));
            }
        }
        return log;
    }
    std::string RingOf(const void* buffer) {
        const PIVertexBuffer* rings[] = {DrawQueue().GetRing(), BranchQueue().GetRing()};
        const char* names[] = {"draw", "branch"};
        for (int r = 0; r < 2; ++r)
            for (int32_t slot = 0; slot < rings[r]->GetSlotCount(); ++slot)
                if (rings[r]->GetVertexBuffer(slot) == buffer) return std::string(names[r]) + std::to_string(slot);
        return "?";
    }
    float DrawnX(int32_t slot, int32_t vertex) {
        CPVertex out;
        std::memcpy(&out, DrawQueue().GetRing()->GetVertexBuffer(slot)->Bytes().data() + vertex * sizeof(CPVertex),
                    sizeof(CPVertex));
        return out.position.x;
    }

    ScopedRenderCaches mCaches{DeviceRecording::On};
    RenderQueueHost mQueues;
    TestScene mScene;
    CPPerspectiveCamera* mCameraA = new CPPerspectiveCamera;
    CPPerspectiveCamera* mCameraB = new CPPerspectiveCamera;
    D3DXMATRIX mShadow = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0.01f, 1);
};

// Layers 16 (camera A, shadow matrix) and 120 (camera B). Keys 5, 17 and 20 draw in layer 16, 120 in
// layer 120. A static mesh is baked into the branch queue; the rest is queued for the frame.
TEST_F(CPFrameRendererTest, DrawsLayersInKeyOrderBlocksInQueuingOrderAndStaticGeometryFromTheBranchRing) {
    CPMaterial key5(5, {}, {}), key17(17, {}, {}), key20(20, {}, {}), key120(120, {}, {});
    Renderer().SetLayerCamera(120, mCameraB);
    Renderer().SetLayerCamera(16, mCameraA);
    Renderer().SetLayerMatrix(reinterpret_cast<const float*>(&mShadow), 16);

    CPGameObject* ground = mScene.Mesh("ground", 4, &key17, true, 1000.0f);
    ASSERT_TRUE(BranchQueue().LockAll());
    BranchQueue().AddStaticTree(ground);
    BranchQueue().UnlockAll();

    CPGameObject* d1 = mScene.WithRenderable("d1", mScene.Renderable(4, &key20, 100.0f), kRenderSprite);
    CPGameObject* d2 = mScene.WithRenderable("d2", mScene.Renderable(6, &key120, 200.0f), kRenderSprite);
    CPGameObject* d3 = mScene.WithRenderable("d3", mScene.Renderable(3, &key20, 300.0f), kRenderAnimated);
    CPGameObject* d4 = mScene.WithRenderable("d4", mScene.Renderable(3, &key5, 400.0f), kRenderSprite);
    DrawQueue().AddObject(d2);
    DrawQueue().AddObject(d1);
    DrawQueue().AddObjectTree(ground);
    DrawQueue().AddObject(d3);
    DrawQueue().AddObject(d4);
    DrawQueue().AddObject(d1);  // queued twice, drawn once

    D3DLIGHT9 lamp{};
    lamp.Type = D3DLIGHT_POINT;
    Renderer().AddLight(lamp);
    Device().ClearCalls();
    CPFrameRenderer frame;
    EXPECT_EQ(frame.DrawFrame(Renderer()), S_OK);

    EXPECT_EQ(DrawLog(), (std::vector<std::string>{
                             "view A", "world shadow",
                             "draw0 0+7 @0 x3",    // key 20: d1 and d3 in one draw
                             "branch0 0+4 @0 x2",  // key 17: the baked ground
                             "draw0 7+3 @9 x1",    // key 5: d4
                             "view B", "world identity",
                             "draw0 10+6 @12 x4",  // key 120: d2
                         }))
        << DescribeCalls(Device());
    EXPECT_EQ(DrawnX(0, 0), 100.0f);
    EXPECT_EQ(DrawnX(0, 4), 300.0f);
    EXPECT_EQ(DrawnX(0, 7), 400.0f);
    EXPECT_EQ(DrawnX(0, 10), 200.0f);
    EXPECT_EQ(frame.GetStats().blocks, 4);
    EXPECT_EQ(frame.GetStats().dynamicVertices, 16);

    // The frame is framed by a clear and a scene, applies the lights, presents, and leaves empty queues.
    const std::vector<D3DCallRecord>& calls = Device().Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0].call, D3DCall::TestCooperativeLevel);
    EXPECT_EQ(calls[1].call, D3DCall::Clear);
    EXPECT_EQ(calls.back().call, D3DCall::Present);
    EXPECT_EQ(CallsOf(Device(), D3DCall::SetLight).size(), 1u);
    EXPECT_EQ(Renderer().GetLightCount(), 0);
    EXPECT_EQ(Device().PresentCount(), 1u);
    EXPECT_TRUE(DrawQueue().GetFrameBlocks().empty());
    EXPECT_TRUE(DrawQueue().FindBlock(&key20)->IsValid());
    const D3DXMATRIX mainView = mCameraA->GetViewMatrix() * mCameraA->GetProjectionMatrix();
    EXPECT_TRUE(Renderer().mViewProjection == mainView) << "screen projections use the main view";

    // The static geometry stays baked: the next frame draws it again without writing it.
    Device().ClearCalls();
    DrawQueue().AddObjectTree(ground);
    frame.DrawFrame(Renderer());
    EXPECT_EQ(DrawLog(), (std::vector<std::string>{"view A", "world shadow", "branch0 0+4 @0 x2", "view B",
                                                   "world identity"}))
        << "layer 120 takes its turn without blocks";
    EXPECT_EQ(frame.GetStats().dynamicVertices, 0);
}

// The layers of a race: 16 (camera A and the shadow matrix), 17 (identity matrix, no camera), 120
// (camera B) and the overlay 195 (orthographic view, identity projection). The level's blocks (key 20)
// belong to layer 17, which has no camera: they draw through camera A with the identity world, whether or
// not layer 16 had blocks of its own, and never with what the overlay left on the device a frame before.
TEST_F(CPFrameRendererTest, EveryLayerTakesItsTurnAndALayerWithoutACameraUsesTheLastCameraOfTheFrame) {
    Renderer().SetDefaultStates();
    ASSERT_TRUE(Renderer().GetLayers().count(195));
    const CPBaseCamera* overlay = Renderer().GetLayers().at(195).mCamera.Get();
    Renderer().SetLayerCamera(16, mCameraA);
    Renderer().SetLayerMatrix(reinterpret_cast<const float*>(&mShadow), 16);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    Renderer().SetLayerMatrix(reinterpret_cast<const float*>(&identity), 17);
    Renderer().SetLayerCamera(120, mCameraB);
    CPMaterial shadow(16, {}, {}), level(20, {}, {}), second(120, {}, {});

    // Views, projections, worlds and draws as names; a draw is named after its renderable's tag.
    auto frameLog = [&] {
        std::vector<std::string> log;
        for (const D3DCallRecord& record : Device().Calls()) {
            if (record.call == D3DCall::SetTransform) {
                const D3DXMATRIX& m = *reinterpret_cast<const D3DXMATRIX*>(&record.matrix);
                if (record.args[0] == D3DTS_VIEW)
                    log.push_back(m == mCameraA->GetViewMatrix()   ? "view A"
                                  : m == mCameraB->GetViewMatrix() ? "view B"
                                  : m == overlay->GetViewMatrix()  ? "view overlay"
                                                                   : "view ?");
                else if (record.args[0] == D3DTS_PROJECTION)
                    log.push_back(m == mCameraA->GetProjectionMatrix() && m == mCameraB->GetProjectionMatrix()
                                      ? "projection AB"
                                  : m == identity ? "projection identity"
                                                  : "projection ?");
                else if (record.args[0] == D3DTS_WORLD)
                    log.push_back(m == mShadow ? "world shadow" : m == identity ? "world identity" : "world ?");
            } else if (record.call == D3DCall::DrawIndexedPrimitive) {
                const PIVertexBuffer& ring = *DrawQueue().GetRing();
                int32_t slot = 0;
                while (slot + 1 < ring.GetSlotCount() && ring.GetVertexBuffer(slot) != record.object) ++slot;
                log.push_back("draw " + std::to_string(static_cast<int>(DrawnX(slot, static_cast<int32_t>(record.args[2])))));
            }
        }
        return log;
    };

    DrawQueue().AddRenderable(mScene.Renderable(3, &shadow, 16.0f));
    DrawQueue().AddRenderable(mScene.Renderable(3, &level, 20.0f));
    Device().ClearCalls();
    CPFrameRenderer frame;
    frame.DrawFrame(Renderer());
    EXPECT_EQ(frameLog(), (std::vector<std::string>{
                              "view A", "projection AB", "world shadow", "draw 16",      // 16
                              "view A", "projection AB", "world identity", "draw 20",    // 17
                              "view B", "projection AB", "world identity",               // 120
                              "view overlay", "projection identity", "world identity",  // 195
                          }))
        << DescribeCalls(Device());

    // No shadow block this time, and one of the second view.
    DrawQueue().AddRenderable(mScene.Renderable(3, &level, 20.0f));
    DrawQueue().AddRenderable(mScene.Renderable(3, &second, 120.0f));
    Device().ClearCalls();
    frame.DrawFrame(Renderer());
    EXPECT_EQ(frameLog(), (std::vector<std::string>{
                              "view A", "projection AB", "world shadow",                // 16
                              "view A", "projection AB", "world identity", "draw 20",    // 17
                              "view B", "projection AB", "world identity", "draw 120",  // 120
                              "view overlay", "projection identity", "world identity",  // 195
                          }))
        << DescribeCalls(Device());
    const D3DXMATRIX mainView = mCameraA->GetViewMatrix() * mCameraA->GetProjectionMatrix();
    EXPECT_TRUE(Renderer().mViewProjection == mainView) << "screen projections follow layer 16, not the first drawn";
}

// Before the first camera of a frame, layers draw with the renderer's default view, not with whatever the
// device holds from the frame before.
TEST_F(CPFrameRendererTest, LayersBeforeTheFirstCameraUseTheDefaultView) {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    Renderer().SetLayerMatrix(reinterpret_cast<const float*>(&identity), 17);
    Renderer().SetLayerCamera(120, mCameraB);
    CPMaterial level(20, {}, {});
    DrawQueue().AddRenderable(mScene.Renderable(3, &level));
    const D3DXMATRIX stale = mCameraB->GetViewMatrix();
    Device().SetTransform(D3DTS_VIEW, &stale);
    const D3DXMATRIX screenProjection = Renderer().mViewProjection;
    Device().ClearCalls();
    CPFrameRenderer frame;
    frame.DrawFrame(Renderer());

    std::vector<D3DXMATRIX> views;
    for (const D3DCallRecord& record : Device().Calls())
        if (record.call == D3DCall::SetTransform && record.args[0] == D3DTS_VIEW)
            views.push_back(*reinterpret_cast<const D3DXMATRIX*>(&record.matrix));
    ASSERT_EQ(views.size(), 2u);
    EXPECT_TRUE(views[0] == PRender::DefaultView());
    EXPECT_TRUE(views[1] == mCameraB->GetViewMatrix());
    ASSERT_EQ(CallsOf(Device(), D3DCall::DrawIndexedPrimitive).size(), 1u);
    EXPECT_TRUE(Renderer().mViewProjection == screenProjection) << "no layer 16: the screen projection is left alone";
}

// Frames drawn while the device is lost empty what they queued: the lights do not pile up for the frame
// after the reset, whose own lights are all applied.
TEST_F(CPFrameRendererTest, LostFramesEmptyTheirLightsAndTheNextFrameAppliesOnlyItsOwn) {
    CPMaterial material(20, {}, {});
    D3DLIGHT9 lamp{};
    lamp.Type = D3DLIGHT_POINT;
    Device().LoseDevice();
    CPFrameRenderer frame;
    for (int lost = 0; lost < 3; ++lost) {
        for (int i = 0; i < PRender::kMaxLights; ++i) Renderer().AddLight(lamp);
        DrawQueue().AddRenderable(mScene.Renderable(3, &material));
        EXPECT_EQ(frame.DrawFrame(Renderer()), D3DERR_DEVICENOTRESET);
        EXPECT_EQ(Renderer().GetLightCount(), 0);
        EXPECT_TRUE(DrawQueue().GetFrameBlocks().empty());
    }
    D3DPRESENT_PARAMETERS parameters = Device().PresentParameters();
    g_DeviceListeners.NotifyLostDevice();
    ASSERT_EQ(Device().Reset(&parameters), D3D_OK);
    g_DeviceListeners.NotifyResetDevice();

    D3DLIGHT9 own{};
    own.Type = D3DLIGHT_SPOT;
    own.Range = 7.0f;
    Renderer().AddLight(own);
    DrawQueue().AddRenderable(mScene.Renderable(3, &material));
    Device().ClearCalls();
    EXPECT_EQ(frame.DrawFrame(Renderer()), S_OK);
    auto lights = CallsOf(Device(), D3DCall::SetLight);
    ASSERT_EQ(lights.size(), 1u);
    D3DLIGHT9 applied{};
    ASSERT_EQ(Device().GetLight(0, &applied), D3D_OK);
    EXPECT_EQ(applied.Type, D3DLIGHT_SPOT);
    EXPECT_EQ(applied.Range, 7.0f);
    EXPECT_EQ(CallsOf(Device(), D3DCall::DrawIndexedPrimitive).size(), 1u) << "only this frame's block";
}

// A level's stop clears its mesh buffers, and its baked geometry goes with them: a renderable queued
// afterwards (one of the next screen, perhaps at an address a baked one had) is written into the draw ring
// instead of being drawn from the old bake.
TEST_F(CPFrameRendererTest, ALevelStopForgetsTheBakedGeometry) {
    CPMaterial material(20, {}, {});
    CPGameObject* ground = mScene.Mesh("ground", 4, &material, true, 1000.0f);
    ASSERT_TRUE(BranchQueue().LockAll());
    BranchQueue().AddStaticTree(ground);
    BranchQueue().UnlockAll();

    Renderer().ClearMeshBuffers();
    DrawQueue().AddObjectTree(ground);
    Device().ClearCalls();
    CPFrameRenderer frame;
    frame.DrawFrame(Renderer());

    std::vector<std::string> draws;
    for (const D3DCallRecord& record : CallsOf(Device(), D3DCall::DrawIndexedPrimitive))
        draws.push_back(RingOf(record.object));
    EXPECT_EQ(draws, (std::vector<std::string>{"draw0"}));
    EXPECT_EQ(frame.GetStats().staticRuns, 0);
    EXPECT_EQ(DrawnX(0, 0), 1000.0f);
}

// Indices are drawn as whole triangles: a renderable whose index count is no multiple of three must not
// shift the triangles of the one written after it by sharing its draw.
TEST_F(CPFrameRendererTest, ARenderableWithALooseIndexDoesNotShiftTheNextOnesTriangles) {
    CPMaterial material(20, {}, {});
    DrawQueue().AddRenderable(mScene.Own(new TestRenderable(4, {0, 1, 2, 3}, &material, 10.0f)));
    DrawQueue().AddRenderable(mScene.Own(new TestRenderable(3, {0, 1, 2}, &material, 20.0f)));
    DrawQueue().AddRenderable(mScene.Own(new TestRenderable(3, {0, 2, 1}, &material, 30.0f)));
    Device().ClearCalls();
    CPFrameRenderer frame;
    frame.DrawFrame(Renderer());

    std::vector<std::string> draws;
    for (const std::string& line : DrawLog())
        if (line.rfind("draw", 0) == 0) draws.push_back(line);
    EXPECT_EQ(draws, (std::vector<std::string>{"draw0 0+4 @0 x1", "draw0 4+6 @4 x2"}));
}

// A renderable deleted after it was queued is neither written nor drawn; the rest of its block is.
TEST_F(CPFrameRendererTest, ARenderableDeletedAfterQueuingIsNotDrawn) {
    CPMaterial material(20, {}, {});
    DrawQueue().AddRenderable(new TestRenderable(4, TestRenderable::FanIndices(4), &material, 10.0f));
    DrawQueue().AddRenderable(mScene.Renderable(3, &material, 20.0f));
    delete DrawQueue().FindBlock(&material)->GetRenderables().front().Get();
    Device().ClearCalls();
    CPFrameRenderer frame;
    frame.DrawFrame(Renderer());

    auto draws = CallsOf(Device(), D3DCall::DrawIndexedPrimitive);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].args[3], 3u);
    EXPECT_EQ(DrawnX(0, 0), 20.0f);
    EXPECT_TRUE(DrawQueue().GetFrameBlocks().empty());
}

// A renderable built where a queued one died is not drawn in the dead one's place.
TEST_F(CPFrameRendererTest, ARenderableBuiltAtADeadOnesAddressIsNotDrawnForIt) {
    CPMaterial stone(20, {}, {}), glass(21, {}, {});
    ReusedAddress<TestRenderable> place;
    DrawQueue().AddRenderable(place.Make(4, TestRenderable::FanIndices(4), &stone, 10.0f));
    DrawQueue().AddRenderable(mScene.Renderable(3, &stone, 20.0f));
    const TestRenderable* newcomer = place.Make(5, TestRenderable::FanIndices(5), &glass, 30.0f);
    Device().ClearCalls();
    CPFrameRenderer frame;
    frame.DrawFrame(Renderer());

    auto draws = CallsOf(Device(), D3DCall::DrawIndexedPrimitive);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].args[3], 3u);
    EXPECT_EQ(DrawnX(0, 0), 20.0f);
    EXPECT_EQ(newcomer->Fills(), 0);
}

// A mesh kept in a static mesh buffer writes nothing into the rings: it is drawn from its buffer, placed by
// its owner's world matrix and then the layer's.
TEST_F(CPFrameRendererTest, StaticMeshBuffersDrawPlacedByTheirOwner) {
    CPMaterial material(20, {}, {});
    Renderer().SetLayerCamera(16, mCameraA);
    Renderer().SetLayerMatrix(reinterpret_cast<const float*>(&mShadow), 16);
    CPGameObject* box = mScene.Mesh("box", 4, &material, true);
    box->SetPosition(D3DXVECTOR3(5, 0, 0));
    box->UpdateTransform();
    auto* mesh = static_cast<CPRenderObject*>(box->GetRenderable());
    auto buffers = Renderer().GetMeshBuffers("box", mesh->GetLocalVertices().data(), mesh->GetIndices().data(), 4, 6);
    mesh->SetMeshBuffers(buffers);
    mesh->SetSkipped(true);
    DrawQueue().AddObject(box);
    DrawQueue().AddRenderable(mScene.Renderable(3, &material));

    Device().ClearCalls();
    CPFrameRenderer frame;
    frame.DrawFrame(Renderer());

    std::vector<std::string> log;
    for (const D3DCallRecord& record : Device().Calls()) {
        if (record.call == D3DCall::SetTransform && record.args[0] == D3DTS_WORLD) {
            const D3DXMATRIX& world = *reinterpret_cast<const D3DXMATRIX*>(&record.matrix);
            log.push_back(world == box->GetWorldMatrix() * mShadow ? "world box" : world == mShadow ? "world layer"
                                                                                                    : "world ?");
        } else if (record.call == D3DCall::DrawIndexedPrimitive) {
            ASSERT_EQ(record.result, S_OK);
            log.push_back(record.object == buffers->vertexBuffer ? "draw mesh buffer " + std::to_string(record.args[3])
                                                                 : "draw ring");
        }
    }
    EXPECT_EQ(log, (std::vector<std::string>{"world layer", "draw ring", "world box", "draw mesh buffer 4",
                                             "world layer"}));
    EXPECT_EQ(frame.GetStats().dynamicVertices, 3) << "the skipped mesh took no room in the ring";
    EXPECT_EQ(frame.GetStats().meshDraws, 1);
}

TEST_F(CPFrameRendererTest, AFullFillIsDrawnAndTheFrameGoesOnInTheNextSlot) {
    CPMaterial material(20, {}, {});
    PIVertexBuffer small;
    ASSERT_TRUE(small.Create(&Device(), 2, 8, 16, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DPOOL_DEFAULT));
    CPRenderQueue queue(&small);
    Renderer().SetDrawQueue(&queue);

    for (float tag : {10.0f, 20.0f, 30.0f}) queue.AddRenderable(mScene.Renderable(5, &material, tag));
    queue.AddRenderable(mScene.Renderable(9, &material, 90.0f));  // larger than a whole slot
    Device().ClearCalls();
    CPFrameRenderer frame;
    frame.DrawFrame(Renderer());

    std::vector<std::string> draws;
    for (const D3DCallRecord& record : CallsOf(Device(), D3DCall::DrawIndexedPrimitive)) {
        ASSERT_EQ(record.result, S_OK);
        draws.push_back(std::string(record.object == small.GetVertexBuffer(0) ? "slot0" : "slot1") + " " +
                        std::to_string(record.args[2]) + "+" + std::to_string(record.args[3]));
    }
    EXPECT_EQ(draws, (std::vector<std::string>{"slot0 0+5", "slot1 0+5", "slot0 0+5"}));
    EXPECT_EQ(frame.GetStats().fills, 3);
    EXPECT_EQ(frame.GetStats().dropped, 1);
    EXPECT_TRUE(queue.GetFrameBlocks().empty());
    Renderer().SetDrawQueue(mQueues.GetDrawQueue());
}

TEST_F(CPFrameRendererTest, EffectsGetTimeTexturesAndOnePassAtATime) {
    mCaches.WriteEffect("glow.fx", EffectFileBuilder()
                                       .Parameter("float", "time")
                                       .Parameter("texture", "tex0")
                                       .Technique("Main", 2)
                                       .Str());
    mCaches.WriteTexture("a.tga", MakeImageFile(ImageKind::Tga, 4, 4));
    CPSmartPtr<CPMaterial> glow = gMaterialManager->CreateMaterial(20, "glow.fx", {"a.tga"});
    CPMaterial plain(20, {}, gTextureManager->CreateTextureBlock({"a.tga"}));
    DrawQueue().AddRenderable(mScene.Renderable(3, glow.Get()));
    DrawQueue().AddRenderable(mScene.Renderable(3, &plain));
    ScopedGlobal<double> runningTime(gRunningTime, 2.5);

    Device().ClearCalls();
    CPFrameRenderer frame;
    frame.DrawFrame(Renderer());

    IDirect3DBaseTexture9* texture = gTextureManager->GetTexture("a.tga")->GetBaseTexture();
    std::vector<std::string> log;
    for (const D3DCallRecord& record : Device().Calls()) {
        switch (record.call) {
        case D3DCall::EffectSetValue:
            log.push_back("set " + record.name);
            if (record.name == "time") {
                float time;
                std::memcpy(&time, &record.args[0], sizeof time);
                EXPECT_EQ(time, 2.5f);
            }
            if (record.name == "tex0") {
                EXPECT_EQ(record.object, texture);
            }
            break;
        case D3DCall::EffectBegin: log.push_back("begin"); break;
        case D3DCall::EffectBeginPass: log.push_back("pass " + std::to_string(record.args[0])); break;
        case D3DCall::EffectEndPass: log.push_back("end pass"); break;
        case D3DCall::EffectEnd: log.push_back("end"); break;
        case D3DCall::SetTexture: log.push_back("stage texture " + std::to_string(record.args[0])); break;
        case D3DCall::DrawIndexedPrimitive: log.push_back("draw"); break;
        default: break;
        }
    }
    EXPECT_EQ(log, (std::vector<std::string>{"set time", "set tex0", "begin", "pass 0", "draw", "end pass", "pass 1",
                                             "draw", "end pass", "end", "stage texture 0", "draw"}))
        << DescribeCalls(Device());
}

TEST_F(CPFrameRendererTest, ALostDeviceDrawsNothingAndTheRingsSurviveTheReset) {
    CPMaterial material(20, {}, {});
    DrawQueue().AddRenderable(mScene.Renderable(4, &material));
    Device().LoseDevice();
    CPFrameRenderer frame;
    EXPECT_EQ(frame.DrawFrame(Renderer()), D3DERR_DEVICENOTRESET);
    EXPECT_TRUE(CallsOf(Device(), D3DCall::DrawIndexedPrimitive).empty());
    EXPECT_TRUE(DrawQueue().GetFrameBlocks().empty()) << "queues empty even when nothing was drawn";

    // The draw ring's default-pool buffers go with the reset and come back after it.
    D3DPRESENT_PARAMETERS parameters = Device().PresentParameters();
    g_DeviceListeners.NotifyLostDevice();
    ASSERT_EQ(Device().Reset(&parameters), D3D_OK);
    g_DeviceListeners.NotifyResetDevice();
    DrawQueue().AddRenderable(mScene.Renderable(4, &material));
    Device().ClearCalls();
    EXPECT_EQ(frame.DrawFrame(Renderer()), S_OK);
    auto draws = CallsOf(Device(), D3DCall::DrawIndexedPrimitive);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].result, S_OK);
}

}  // namespace

namespace {
std::vector<const D3DCallRecord*> LineDraws(IDirect3DDevice9& device) {
    std::vector<const D3DCallRecord*> draws;
    for (const D3DCallRecord& record : device.Calls())
        if (record.call == D3DCall::DrawPrimitiveUP && record.args[0] == D3DPT_LINELIST) draws.push_back(&record);
    return draws;
}
}  // namespace

TEST_F(CPFrameRendererTest, DebugLinesAreDrawnOnceAndTheListEmptiesEveryFrame) {
    Renderer().AddDebugLine(0xffff0000, D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(4, 5, 6));
    Renderer().AddDebugLine(0xff00ff00, D3DXVECTOR3(7, 8, 9), D3DXVECTOR3(10, 11, 12));
    Device().ClearCalls();
    CPFrameRenderer frame;
    frame.DrawFrame(Renderer());

    std::vector<const D3DCallRecord*> draws = LineDraws(Device());
    ASSERT_EQ(draws.size(), 1u) << DescribeCalls(Device());
    EXPECT_EQ(draws[0]->args[1], 2u);  // two lines
    ASSERT_EQ(draws[0]->vertices.size(), 4 * sizeof(CPVertex));
    CPVertex last;
    std::memcpy(&last, draws[0]->vertices.data() + 3 * sizeof(CPVertex), sizeof(CPVertex));
    EXPECT_EQ(last.position.x, 10.0f);
    EXPECT_EQ(last.diffuse, 0xff00ff00u);
    EXPECT_EQ(frame.GetStats().debugLines, 2);
    EXPECT_TRUE(Renderer().GetDebugLinePoints().empty());

    // Nothing added: the next frame draws no lines.
    Device().ClearCalls();
    frame.DrawFrame(Renderer());
    EXPECT_TRUE(LineDraws(Device()).empty());
}
