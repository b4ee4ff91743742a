#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "Render/CPCamera.h"
#include "Render/CPFrameRenderer.h"
#include "Render/CPRenderQueue.h"
#include "Render/PIVertexBuffer.h"
#include "Render/PCamera.h"
#include "Render/PMaterial.h"
#include "Render/PMaterialManager.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "host/RenderQueueHost.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "simulation/level/CPLevel.h"
#include "simulation/units/CPPlayer.h"
#include "simulation/units/DebrisBudget.h"
#include "simulation/vehicle/CPCar.h"
#include "support/D3DTestSupport.h"
#include "support/DescriptionBuildRig.h"
#include "support/FrameTimeScope.h"
#include "support/MeshFileBuilder.h"
#include "support/RenderDescriptionBuilder.h"
#include "support/ScopedEmitterTable.h"
#include "support/ScopedGlobal.h"
#include "support/ScopedRenderCaches.h"
#include "support/SimulationDoubles.h"
#include "support/TestRenderable.h"

namespace {

TEST(UnitDebrisTest, DebrisStaysWithinTheBudgetOf40WithDustOnEverySecondPiece) {
    struct Case {
        const char* name;
        int32_t counted, asked;
        size_t pieces, dust;
    };
    for (const Case& c : {Case{"35 counted, 10 asked", 35, 10, 5, 2}, Case{"none counted, 50 asked", 0, 50, 40, 20},
                          Case{"budget spent", 40, 3, 0, 0}, Case{"one piece", 0, 1, 1, 0},
                          Case{"negative count", 0, -4, 0, 0}}) {
        SCOPED_TRACE(c.name);
        ScopedEmitterTable emitters;
        RecordingEffect* pieces = emitters.AddRecordingEffect("derbis");
        RecordingEffect* dust = emitters.AddRecordingEffect("pil_");
        ScopedGlobal<int32_t> budget(gDebrisCount, c.counted);
        CPPlayer unit;
        const D3DXVECTOR3 where(5.0f, 6.0f, 7.0f), velocity(0.0f, 10.0f, 0.0f);
        unit.SpawnDebris(where, D3DXVECTOR3(0, 0, 1), velocity, c.asked);
        EXPECT_EQ(pieces->launches.size(), c.pieces);
        EXPECT_EQ(dust->launches.size(), c.dust);
        EXPECT_EQ(gDebrisCount, c.counted + static_cast<int32_t>(c.pieces));
        EXPECT_LE(gDebrisCount, kDebrisBudget);
        for (const RecordingEffect::Seen& seen : pieces->launches) {
            EXPECT_EQ(seen.position, where);
            EXPECT_EQ(seen.life, 1.0f);
            EXPECT_EQ(seen.flag, 0);
            // Thrown at 0.5 .. 6 units per second on top of the crash velocity, falling under gravity.
            const D3DXVECTOR3 own = seen.velocity - velocity;
            EXPECT_GE(D3DXVec3Length(&own), 0.5f - 1e-4f);
            EXPECT_LE(D3DXVec3Length(&own), 6.0f + 1e-4f);
            EXPECT_LE(seen.acceleration.z, -9.8f + 1e-4f);
        }
        for (const RecordingEffect::Seen& seen : dust->launches) {
            EXPECT_EQ(seen.param, 0.5f);
            EXPECT_EQ(seen.flag, 1);
        }
    }
}

TEST(UnitDebrisTest, AShellCasingLeavesTheGunAlongTheTurnedDirectionNotTheMovedOne) {
    ScopedEmitterTable emitters;
    RecordingEffect* shells = emitters.AddRecordingEffect("gilze");
    CPGameObject gun("gun");
    D3DXQUATERNION quarterTurn;
    const D3DXVECTOR3 up(0, 0, 1);
    D3DXQuaternionRotationAxis(&quarterTurn, &up, D3DX_PI / 2.0f);
    gun.SetPosition(D3DXVECTOR3(100.0f, 50.0f, 0.0f));
    gun.SetRotation(quarterTurn);
    gun.UpdateTransform();

    CPPlayer unit;
    unit.EjectShell(gun);
    ASSERT_EQ(shells->launches.size(), 1u);
    const RecordingEffect::Seen& shell = shells->launches[0];
    EXPECT_EQ(shell.position, D3DXVECTOR3(100.0f, 50.0f, 0.0f));
    // (-1, 0, 2) turned a quarter about z is (0, -1, 2), scaled by 4 .. 5.
    const float scale = shell.velocity.z / 2.0f;
    EXPECT_GE(scale, 4.0f);
    EXPECT_LE(scale, 5.0f);
    EXPECT_NEAR(shell.velocity.x, 0.0f, 1e-4f);
    EXPECT_NEAR(shell.velocity.y, -scale, 1e-4f);
    EXPECT_EQ(shell.acceleration, D3DXVECTOR3(0.0f, 0.0f, -24.8f));
    EXPECT_EQ(shell.size, 0.2f);
}

// A unit with a sprite part and a shadow with a plain mesh, a chase camera looking down +y from the
// origin, the renderer's draw queue and a level whose camera target the test chooses.
class UnitDrawTest : public ::testing::Test {
protected:
    UnitDrawTest() : mRendererGuard(gRenderer, &mRenderer), mLevelGuard(gLevel, &mLevel) {
        gSettings::RestoreInitialValues();
        gSettings::screenWidth = 800;
        gSettings::screenHeight = 600;
        mRenderer.SetFadeMaximum(16);
        mUnit.SetRenderPart(&mUnitPart, kRenderSprite);
        mUnit.SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 2, 1)));

        auto* shadow = new CPGameObject("shadow");
        auto* mesh = new CPRenderObject(shadow);
        mesh->SetMaterial(&mShadowMaterial);
        shadow->SetRenderPart(mesh, kRenderObject);
        shadow->Adopt(mesh);
        mUnit.mShadow = shadow;  // the unit deletes it

        const CPSmartPtr<CPPerspectiveCamera> view = mCamera.GetViewCamera();
        view->SetEye(D3DXVECTOR3(0, 0, 0));
        view->SetTarget(D3DXVECTOR3(0, 1, 0));
        view->SetFar(5000.0f);
        view->SetFieldOfView(1.0f);
        view->Update();
    }
    ~UnitDrawTest() override {
        mUnit.SetRenderPart(nullptr, kRenderNone);
        gSettings::RestoreInitialValues();
    }

    void PlaceUnit(const D3DXVECTOR3& position) {
        mUnit.SetPosition(position);
        mUnit.UpdateTransform();
    }

    // What the queue took this frame: "unit" and "shadow" in queueing order.
    std::vector<std::string> Queued() const {
        std::vector<std::string> names;
        for (const CPIVBlock* block : mQueue.GetFrameBlocks())
            for (const CPSmartPtr<CPRenderable>& renderable : block->GetRenderables()) {
                if (renderable.Get() == &mUnitPart) names.push_back("unit");
                if (mUnit.mShadow && renderable.Get() == mUnit.mShadow->GetRenderable()) names.push_back("shadow");
            }
        return names;
    }

    PRender mRenderer;
    ScopedGlobal<PRender*> mRendererGuard;
    CPLevel mLevel;
    ScopedGlobal<CPLevel*> mLevelGuard;
    FrameTimeScope mClock;
    CPMaterial mUnitMaterial{20, {}, {}};
    CPMaterial mShadowMaterial{120, {}, {}};
    TestRenderable mUnitPart{4, TestRenderable::FanIndices(4), &mUnitMaterial};
    CPRenderQueue mQueue;
    CPCamera mCamera;
    CPPlayer mUnit;
};

TEST_F(UnitDrawTest, ANearUnitIsQueuedWithItsShadowAFarOneAloneAnUnseenOneNot) {
    struct Case {
        const char* name;
        D3DXVECTOR3 position;
        std::vector<std::string> queued;
    };
    const Case cases[] = {
        {"near, in view", {0, 50, 0}, {"unit", "shadow"}},
        {"just inside 100", {0, 99.9f, 0}, {"unit", "shadow"}},
        {"far, in view", {0, 150, 0}, {"unit"}},
        {"behind the camera", {0, -50, 0}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlaceUnit(c.position);
        mQueue.EmptyFrame();
        mUnit.Draw(mQueue, mCamera);
        EXPECT_EQ(Queued(), c.queued);
    }
}

TEST_F(UnitDrawTest, AUnitWithoutAShadowIsDrawnAlone) {
    delete mUnit.mShadow.Get();
    mUnit.mShadow.Forget();
    PlaceUnit(D3DXVECTOR3(0, 20, 0));
    mUnit.Draw(mQueue, mCamera);
    EXPECT_EQ(Queued(), std::vector<std::string>{"unit"});
}

TEST_F(UnitDrawTest, TheRespawnFadeGoesDarkIn01SecondsAndBackIn04) {
    mLevel.mCameraTarget = &mUnit;
    PlaceUnit(D3DXVECTOR3(0, 20, 0));
    mClock.SetDelta(0.0625f);
    mUnit.mFadeOut = true;
    mUnit.mFadeTime = 0.0f;
    std::vector<float> levels;  // fade value over the maximum of 16
    for (int frame = 0; frame < 10; ++frame) {
        mUnit.Draw(mQueue, mCamera);
        levels.push_back(mRenderer.GetFadeValue());
    }
    // Out: 1 - 10 t at t = 1/16, then dark; in: 2.5 t every 1/16 s, full once t reaches 0.4, then still.
    EXPECT_EQ(levels, (std::vector<float>{6.0f, 0.0f, 2.5f, 5.0f, 7.5f, 10.0f, 12.5f, 15.0f, 16.0f, 16.0f}));
    EXPECT_FALSE(mUnit.mFadeIn);
    EXPECT_FALSE(mUnit.mFadeOut);
}

TEST_F(UnitDrawTest, OnlyTheCameraTargetFades) {
    CPPlayer other;
    mLevel.mCameraTarget = &other;
    mClock.SetDelta(0.0625f);
    mUnit.mFadeOut = true;
    mRenderer.SetFadeLevel(0.5f);
    mUnit.Draw(mQueue, mCamera);
    EXPECT_EQ(mRenderer.GetFadeValue(), 8.0f);
    EXPECT_TRUE(mUnit.mFadeOut);
    EXPECT_EQ(mUnit.mFadeTime, 0.0f);
}

// The frame drawn on the recording device: the unit's quad through the main view, and its shadow laid
// on the two ground triangles under it while it is within 100 units of the camera.
TEST(UnitFrameTest, TheDeviceDrawsTheUnitAndItsShadowDecalOnlyWhenNear) {
    ScopedRenderCaches caches(DeviceRecording::On);
    RenderQueueHost queues;
    ASSERT_TRUE(queues.Create(*gRenderer));
    gSettings::RestoreInitialValues();
    gSettings::screenWidth = 800;
    gSettings::screenHeight = 600;

    CPPhysicWorld world;
    ScopedGlobal<CPPhysicWorld*> worldGuard(gPhysicsWorld, &world);
    for (const CPCollisionVertex& v : {CPCollisionVertex{-500, 0, 0}, CPCollisionVertex{500, 0, 0},
                                       CPCollisionVertex{500, 500, 0}, CPCollisionVertex{-500, 500, 0}})
        world.mVertices.push_back(v);
    world.mTriangles.resize(2);
    world.mTriangles[0].vertices[0] = 0, world.mTriangles[0].vertices[1] = 1, world.mTriangles[0].vertices[2] = 2;
    world.mTriangles[1].vertices[0] = 0, world.mTriangles[1].vertices[1] = 2, world.mTriangles[1].vertices[2] = 3;

    CPMaterial unitMaterial(20, {}, {}), shadowMaterial(120, {}, {});
    TestRenderable part(4, TestRenderable::FanIndices(4), &unitMaterial);
    CPPlayer unit;
    unit.SetRenderPart(&part, kRenderSprite);
    unit.SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 2, 1)));
    CPPhysicData ground(&unit);  // the triangles found under the unit
    ground.mCandidates[0] = 0;
    ground.mCandidates[1] = 1;
    ground.mCandidateCount = 2;
    unit.SetPhysicData(&ground);
    auto* shadow = new CPGameObject("shadow");
    auto* mesh = new CPRenderObject(shadow);
    mesh->SetMaterial(&shadowMaterial);
    shadow->SetRenderPart(mesh, kRenderObject);
    shadow->Adopt(mesh);
    shadow->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 2, 1)));
    unit.mShadow = shadow;

    CPCamera camera;
    const CPSmartPtr<CPPerspectiveCamera> view = camera.GetViewCamera();
    view->SetEye(D3DXVECTOR3(0, 0, 5));
    view->SetTarget(D3DXVECTOR3(0, 100, 0));
    view->SetFar(5000.0f);
    view->SetFieldOfView(1.0f);
    view->Update();
    gRenderer->SetLayerCamera(16, view);
    gRenderer->SetLayerCamera(120, view);

    // Triangles per draw, in drawing order.
    auto drawnFrame = [&](const D3DXVECTOR3& position) {
        unit.SetPosition(position);
        unit.UpdateTransform();
        unit.Draw(*queues.GetDrawQueue(), camera);
        caches.Device().ClearCalls();
        CPFrameRenderer frame;
        EXPECT_EQ(frame.DrawFrame(*gRenderer), S_OK);
        std::vector<uint32_t> triangles;
        for (const D3DCallRecord& record : CallsOf(caches.Device(), D3DCall::DrawIndexedPrimitive))
            triangles.push_back(static_cast<uint32_t>(record.args[5]));
        return triangles;
    };
    EXPECT_EQ(drawnFrame(D3DXVECTOR3(0, 40, 0)), (std::vector<uint32_t>{2, 2})) << DescribeCalls(caches.Device());
    EXPECT_FALSE(mesh->GetLocalVertices().empty()) << "the decal lies on the ground triangles";
    EXPECT_EQ(drawnFrame(D3DXVECTOR3(0, 150, 0)), (std::vector<uint32_t>{2})) << DescribeCalls(caches.Device());
    EXPECT_TRUE(drawnFrame(D3DXVECTOR3(0, -50, 0)).empty()) << DescribeCalls(caches.Device());

    unit.SetPhysicData(nullptr);
    unit.SetRenderPart(nullptr, kRenderNone);
    gSettings::RestoreInitialValues();
}

TEST(UnitShadowTest, TheShadowIsBuiltFromShadowRdfWithTheCarsShadowTexture) {
    DescriptionBuildRig rig;
    rig.WriteMesh("shadow.x", PlainMeshFile({MeshTestNode("shadow", 4)}));
    rig.WriteDescription("shadow.rdf", RenderDescriptionBuilder("shadow.x").Str());
    CPPlayer unit;
    FakeCar car;
    car.mRenderName = "uaz_shadow.tga";
    unit.SetCar(&car);
    unit.mWrecked = true;
    unit.mDeadSent = true;

    EXPECT_TRUE(unit.CreateVehicleShadow());
    EXPECT_FALSE(unit.mWrecked);
    EXPECT_FALSE(unit.mDeadSent);
    ASSERT_TRUE(unit.mShadow);
    CPRenderObject* mesh = unit.mShadow->GetRenderObject();
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetMaterial().Get(),
              gMaterialManager->CreateMaterial(CPPlayer::kShadowLayerKey, "shadow.fx", {"uaz_shadow.tga"}).Get());
    EXPECT_TRUE(unit.mShadow->IsVisible());
    EXPECT_TRUE(unit.mShadow->IsStatic());
    EXPECT_EQ(unit.mShadow->GetPhysicData(), nullptr);

    // A second call replaces the first shadow (the unit deletes the old tree).
    EXPECT_TRUE(unit.CreateVehicleShadow());
    EXPECT_TRUE(unit.mShadow);
    unit.SetCar(nullptr);
}

TEST(UnitShadowTest, WithoutAShadowObjectTheUnitGoesOnWithout) {
    ScopedGlobal<CPRenderObjectManager*> noBuilder(gRenderObjectManager, nullptr);
    CPPlayer unit;
    unit.mWrecked = true;
    EXPECT_TRUE(unit.CreateVehicleShadow());
    EXPECT_FALSE(unit.mWrecked);
    EXPECT_FALSE(unit.mShadow);
}

}  // namespace
