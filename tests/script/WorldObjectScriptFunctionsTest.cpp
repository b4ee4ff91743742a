#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Render/CPRenderQueue.h"
#include "Render/PMaterial.h"
#include "Render/PIVertexBuffer.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "Render/PRenderObjectManager.h"
#include "Render/PRenderable.h"
#include "core/ServiceGlobals.h"
#include "platform/RuntimeRandom.h"
#include "script/WorldObjectScriptFunctions.h"
#include "simulation/level/CPGameData.h"
#include "simulation/level/CPLevel.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/PhysRigidBody.h"
#include "simulation/units/CPPlayer.h"
#include "simulation/vehicle/CPCar.h"
#include "simulation/vehicle/CPLightningShot.h"
#include "support/FrameTimeScope.h"
#include "support/LevelLoadRig.h"
#include "support/LuaScriptRig.h"
#include "support/ManualClock.h"
#include "support/MathExpect.h"
#include "support/RecordingShot.h"
#include "support/TestRenderable.h"

namespace {

// The test level loaded, a factory with recording prototypes, and a Lua state.
class WorldObjectScriptFunctionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(load.Load()) << load.Level().GetLoadError();
        lua.SetHandle("unit", load.Level().mPlayer);
    }
    void Run(const std::string& code) { ASSERT_EQ(lua.Run(code), "") << code; }
    CPLevel& Level() { return load.Level(); }
    // The kinds launched since the last call, with their positions, directions and values.
    std::vector<RecordingShot::Launched> TakeLaunched() {
        std::vector<RecordingShot::Launched> launched = factory.Launched();
        factory.Clear();
        return launched;
    }

    LevelLoadRig load;
    ShotFactoryRig factory{{"trasser11", "boom", "bonus", "sparks"}};
    LuaScriptRig lua;
};

TEST_F(WorldObjectScriptFunctionsTest, ShotsAndExplosionsAreMadeByNameAtTheirPoints) {
    // An object at (10, 20, 0) turned a quarter about z: its own (1, 0, 3) lies at (10, 21, 3).
    CPGameObject gun("gun");
    gun.SetPosition(D3DXVECTOR3(10, 20, 0));
    const D3DXVECTOR3 z(0, 0, 1);
    D3DXQUATERNION quarter;
    D3DXQuaternionRotationAxis(&quarter, &z, D3DX_PI / 2);
    gun.SetRotation(quarter);
    gun.UpdateTransform();
    lua.SetHandle("gun", &gun);
    struct Case {
        const char* call;
        const char* kind;  // null: nothing is made
        D3DXVECTOR3 position, direction;
    };
    const Case cases[] = {
        {"Shot('trasser11', gun, 1, 0, 3, 7, 8, 9)", "trasser11", {10, 21, 3}, {0, 0, 0}},
        {"Explosion('boom', 1, 2, 3)", "boom", {1, 2, 3}, {0, 0, 0}},
        {"DirectionalExplosion('boom', 1, 2, 3, 0, 0.5, 1)", "boom", {1, 2, 3}, {0, 0.5f, 1}},
        {"Shot('rocket1', gun, 1, 0, 3)", nullptr, {}, {}},  // no prototype of that name
        {"Shot('', gun, 1, 0, 3)", nullptr, {}, {}},
        {"Shot('trasser11', nil, 1, 0, 3)", nullptr, {}, {}},
        {"Shot('trasser11', 12, 1, 0, 3)", nullptr, {}, {}},  // not a handle
        {"Shot('trasser11', gun, 0/0, 0, 3)", nullptr, {}, {}},
        {"Explosion('boom', 1, 1/0, 3)", nullptr, {}, {}},
        {"DirectionalExplosion('boom', 1, 2, 3, 0, 0/0, 1)", nullptr, {}, {}},
    };
    for (const Case& c : cases) {
        Run(c.call);
        const std::vector<RecordingShot::Launched> launched = TakeLaunched();
        if (c.kind == nullptr) {
            EXPECT_TRUE(launched.empty()) << c.call;
            continue;
        }
        ASSERT_EQ(launched.size(), 1u) << c.call;
        EXPECT_EQ(launched[0].kind, c.kind);
        ExpectVec3Near(launched[0].position, c.position, 1e-5f);
        ExpectVec3Near(launched[0].direction, c.direction, 1e-6f);
        EXPECT_EQ(launched[0].value, -1.0f);
        EXPECT_EQ(launched[0].owner, nullptr);
        EXPECT_EQ(launched[0].extra, 0);
    }
    EXPECT_NE(lua.Run("Shot({}, gun, 1, 0, 3)"), "") << "the name is checked";

    // Once the level has stopped, and without a level, no shot is made; explosions are.
    Level().mStopped = true;
    Run("Shot('trasser11', gun, 1, 0, 3)");
    EXPECT_TRUE(TakeLaunched().empty());
    ScopedGlobal<CPLevel*> noLevel(gLevel, nullptr);
    Run("Shot('trasser11', gun, 1, 0, 3) Explosion('boom', 1, 2, 3)");
    EXPECT_EQ(factory.Kinds(), std::vector<std::string>{"boom"});
}

// Seeded from the clock, the first draw (mod 100) against the chance, the second picks the bonus.
TEST_F(WorldObjectScriptFunctionsTest, ABonusAppearsByTheCheckpointsChanceAndItsListsShare) {
    MissionCheckpointRecord checkpoint;
    checkpoint.mList1 = {{"bonus", 0, 60}};
    checkpoint.mValue = 10;
    load.gameData->mMissionCheckpoints = {MissionCheckpointRecord(), checkpoint};
    load.gameData->mDifficultyCoeffs[1] = 0.05f;  // a chance of 0 (10 x 0.05 truncated)

    // The first clock reading (milliseconds) whose two draws satisfy `wanted`.
    auto clockWhere = [](auto wanted) {
        for (uint32_t ms = 0;; ++ms) {
            RuntimeSrand(ms);
            const int first = RuntimeRand() % 100;
            const int second = RuntimeRand() % 100;
            if (wanted(first, second)) return ms;
        }
    };
    struct Case {
        const char* name;
        uint32_t ms;
        const char* call;
        bool made;
    };
    const Case cases[] = {
        {"first draw 0 meets a chance of 0", clockWhere([](int a, int b) { return a == 0 && b < 60; }), "SetBonus(5, 6, 1)", true},
        {"second draw beyond the list", clockWhere([](int a, int b) { return a == 0 && b >= 60; }), "SetBonus(5, 6, 1)", false},
        {"first draw above the chance", clockWhere([](int a, int b) { return a > 0 && b < 60; }), "SetBonus(5, 6, 1)", false},
        {"a checkpoint the mission lacks", clockWhere([](int a, int b) { return a == 0 && b < 60; }), "SetBonus(5, 6, 2)", false},
        {"a negative checkpoint", clockWhere([](int a, int b) { return a == 0 && b < 60; }), "SetBonus(5, 6, -1)", false},
    };
    for (const Case& c : cases) {
        ManualClock clock(uint64_t{c.ms} * 1000u);
        Run(c.call);
        const std::vector<RecordingShot::Launched> launched = TakeLaunched();
        ASSERT_EQ(launched.size(), c.made ? 1u : 0u) << c.name;
        if (!c.made) continue;
        EXPECT_EQ(launched[0].kind, "bonus");
        ExpectVec3Near(launched[0].position, {5, 6, 0}, 0.0f);
        ExpectVec3Near(launched[0].direction, {5, 6, 0}, 0.0f);
    }
}

TEST_F(WorldObjectScriptFunctionsTest, ALightningBoltFliesIsDrawnAndStrikesTheUnitInItsWay) {
    FrameTimeScope frame;
    frame.SetDelta(0.5f);  // 5 units a frame at the speed of 10
    CPRenderQueue queue;
    gRenderer->SetDrawQueue(&queue);
    CPPlayer& unit = *Level().mPlayer;
    const D3DXVECTOR3 target = unit.GetCollisionBounds().mCentre;
    // From 12 units above the unit's centre, straight down.
    const D3DXVECTOR3 start = target + D3DXVECTOR3(0, 0, 12);
    Run("bolt = StartLighting('korvath', " + std::to_string(start.x) + ", " + std::to_string(start.y) + ", " +
        std::to_string(start.z) + ", 0, 0, -1)");
    auto* bolt = dynamic_cast<CPLightningShot*>(static_cast<CPRefObject*>(lua.Handle("bolt")));
    ASSERT_NE(bolt, nullptr);
    EXPECT_EQ(bolt->GetKindName(), "korvath");
    EXPECT_EQ(bolt->GetSpeed(), 10.0f);
    EXPECT_EQ(bolt->GetHalfWidth(), 1.5f);
    EXPECT_EQ(bolt->GetTextureName(), "razlom.dds");
    EXPECT_EQ(bolt->GetEffectName(), "light_nofog.fx");
    EXPECT_EQ(bolt->GetMaterialFlags(), 103);
    EXPECT_EQ(bolt->GetHitEffectName(), "sparks");
    EXPECT_EQ(bolt->GetSecondValue(), 10.0f) << "the launch value";
    ExpectVec3Near(bolt->GetTail(), start, 1e-4f);
    ExpectVec3Near(bolt->GetDirection(), {0, 0, -1}, 0.0f);

    Run("state, hit = UpdateTrasser(bolt)");
    EXPECT_EQ(lua.Number("state"), 1.0);
    EXPECT_EQ(lua.Type("hit"), LUA_TNIL);
    ExpectVec3Near(bolt->GetHead(), start + D3DXVECTOR3(0, 0, -5), 1e-4f);
    ASSERT_NE(bolt->GetShotMesh(), nullptr);
    EXPECT_NE(queue.FindBlock(bolt->GetShotMesh()->GetMaterial().Get()), nullptr) << "drawn while it flies";

    // Within the next steps the bolt reaches the unit: the hit effect where it struck, the unit returned.
    factory.Clear();
    Run("for i = 1, 3 do state, hit = UpdateTrasser(bolt) if state ~= 1 then break end end");
    EXPECT_EQ(lua.Number("state"), 0.0);
    EXPECT_EQ(lua.Handle("hit"), static_cast<CPRefObject*>(unit.GetControllerOwner().Get()));
    EXPECT_EQ(factory.Kinds(), std::vector<std::string>{"sparks"});

    // Far from anything, a bolt runs out after 20 units.
    Run("far = StartLighting('korvath', 0, 0, 50, 0, 0, 1) "
        "states = {} for i = 1, 6 do table.insert(states, (UpdateTrasser(far))) end "
        "spent = table.concat(states, ',')");
    EXPECT_EQ(lua.Text("spent"), "1,1,1,1,-1,-1");
    Run("nothing = UpdateTrasser(nil) stale = UpdateTrasser(unit)");
    EXPECT_EQ(lua.Number("nothing"), -1.0);
    EXPECT_EQ(lua.Number("stale"), -1.0) << "not a bolt";
    gRenderer->SetDrawQueue(nullptr);
    queue.EmptyFrame();
}

TEST_F(WorldObjectScriptFunctionsTest, ABoltNeedsALevelToBeMadeAndFliesWithoutADrawQueue) {
    FrameTimeScope frame;
    frame.SetDelta(0.5f);
    Run("bolt = StartLighting('korvath', 0, 0, 50, 0, 0, 1) state = UpdateTrasser(bolt)");
    EXPECT_EQ(lua.Number("state"), 1.0) << "nothing drawn, the bolt still moves";
    ScopedGlobal<CPLevel*> noLevel(gLevel, nullptr);
    Run("n = select('#', StartLighting('korvath', 0, 0, 50, 0, 0, 1))");
    EXPECT_EQ(lua.Number("n"), 0.0);
}

TEST_F(WorldObjectScriptFunctionsTest, DebugLinesAreRedAndOnlyForFinitePoints) {
    gRenderer->ClearDebugLines();
    Run("DrawLine(1, 2, 3, 4, 5, 6) DrawLine(0/0, 0, 0, 1, 1, 1)");
    const std::vector<CPVertex>& points = gRenderer->GetDebugLinePoints();
    ASSERT_EQ(points.size(), 2u);
    ExpectVec3Near(points[0].position, {1, 2, 3}, 0.0f);
    ExpectVec3Near(points[1].position, {4, 5, 6}, 0.0f);
    EXPECT_EQ(points[0].diffuse, 0xffff0000u);
    EXPECT_EQ(points[1].diffuse, 0xffff0000u);
    gRenderer->ClearDebugLines();
    ScopedGlobal<PRender*> noRenderer(gRenderer, nullptr);
    Run("DrawLine(1, 2, 3, 4, 5, 6)");
}

// The layer keys of the tree's meshes.
std::vector<int32_t> LayerKeys(CPGameObject* root) {
    std::vector<int32_t> keys;
    for (CPGameObject* node : TreeNodes(root)) {
        auto* part = dynamic_cast<CPRenderable*>(node->GetRenderPart());
        if (part && part->GetMaterial()) keys.push_back(part->GetMaterial()->GetLayerKey());
    }
    return keys;
}

TEST_F(WorldObjectScriptFunctionsTest, TheSpeedNeedleIsBuiltOnItsLayersAndTurnedBySpeed) {
    Run("arrow = CreateArrow('tree.rdf', 3.7) missing = CreateArrow('no_such.rdf', 3)");
    auto* arrow = dynamic_cast<CPGameObject*>(static_cast<CPRefObject*>(lua.Handle("arrow")));
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(LayerKeys(arrow), LayerKeys(load.mBuild.Build("tree.rdf", 208)));
    EXPECT_NE(LayerKeys(arrow), LayerKeys(load.mBuild.Build("tree.rdf", 0)));
    // "wrong.rdf" stands in for a description that cannot be read.
    auto* missing = static_cast<CPGameObject*>(static_cast<CPRefObject*>(lua.Handle("missing")));
    ASSERT_NE(missing, nullptr);
    {
        ScopedGlobal<CPRenderObjectManager*> noBuilder(gRenderObjectManager, nullptr);
        Run("none = CreateArrow('tree.rdf', 3)");
        EXPECT_EQ(lua.Type("none"), LUA_TLIGHTUSERDATA);
        EXPECT_EQ(lua.Handle("none"), nullptr);
    }

    // A needle with a part of its own to queue.
    CPMaterial material(5, {}, {});
    TestRenderable part(4, TestRenderable::FanIndices(4), &material);
    CPGameObject needle("needle");
    needle.SetRenderPart(&part, kRenderSprite);
    lua.SetHandle("needle", &needle);
    CPRenderQueue queue;
    gRenderer->SetDrawQueue(&queue);
    struct Case {
        float speed;
        bool level;
        float degrees;
    };
    for (const Case& c : {Case{5.0f, true, 81.0f}, Case{0.0f, true, 45.0f}, Case{12.0f, false, 45.0f}}) {
        queue.EmptyFrame();
        Level().mPlayerSpeed = c.speed;
        ScopedGlobal<CPLevel*> level(gLevel, c.level ? &Level() : nullptr);
        Run("DrawArrow(needle, 512, 384)");
        const D3DXMATRIX& world = needle.GetWorldMatrix();
        // 1024 x 768 design units on the 640 x 480 screen.
        EXPECT_FLOAT_EQ(world._41, 320.0f);
        EXPECT_FLOAT_EQ(world._42, 240.0f);
        EXPECT_NEAR(world._11, std::cos(c.degrees * D3DX_PI / 180), 1e-6) << c.speed;
        EXPECT_NEAR(world._12, std::sin(c.degrees * D3DX_PI / 180), 1e-6) << c.speed;
        EXPECT_NE(queue.FindBlock(&material), nullptr) << c.speed;
    }
    // Without a draw queue the needle is neither queued nor moved.
    gRenderer->SetDrawQueue(nullptr);
    Run("DrawArrow(needle, 0, 0) DrawArrow(nil, 0, 0)");
    EXPECT_FLOAT_EQ(needle.GetWorldMatrix()._41, 320.0f);
    queue.EmptyFrame();
    delete arrow;
    delete missing;
}

TEST_F(WorldObjectScriptFunctionsTest, TheBlastPushesOrvantaCarsInItsZoneAgainstTheirTravel) {
    CPLevel& level = Level();
    ASSERT_GE(level.mEnemies.size(), 2u);
    CPPlayer* followed = level.mCameraTarget;
    CPPlayer* moving = level.mEnemies[0];
    CPPlayer* other = level.mEnemies[1];
    auto body = [](CPPlayer* unit) { return unit->GetCar()->GetOwner()->GetPhysicData()->mRigidBody; };
    followed->SetSideFlags(kSideOrvanta | kSidePlayer);
    moving->SetSideFlags(kSideOrvanta);
    other->SetSideFlags(kSideSelvanta);
    moving->GetCar()->mVelocity = D3DXVECTOR3(3, 4, 0);
    other->GetCar()->mVelocity = D3DXVECTOR3(3, 4, 0);
    followed->GetCar()->mVelocity = D3DXVECTOR3(0, 0, 0);
    for (CPPlayer* unit : {followed, moving, other}) body(unit)->SetVelocity(D3DXVECTOR4(0, 0, 0, 0));

    // Around the first enemy, wide enough to hold all three.
    const D3DXVECTOR3 centre = moving->GetPosition();
    Run("CheckIntersection(" + std::to_string(centre.x) + ", " + std::to_string(centre.y) + ", 500, 60)");
    const float mass = body(moving)->mass;
    const D3DXVECTOR4 pushed = body(moving)->GetVelocity();
    EXPECT_NEAR(pushed.x, -72.0f * 0.6f / mass, 1e-4f);
    EXPECT_NEAR(pushed.y, -72.0f * 0.8f / mass, 1e-4f);
    EXPECT_NEAR(pushed.z, 0.0f, 1e-6f);
    const D3DXVECTOR4 still = body(followed)->GetVelocity();
    EXPECT_EQ(D3DXVECTOR3(still.x, still.y, still.z), D3DXVECTOR3(0, 0, 0)) << "a standing car takes a zero push";
    const D3DXVECTOR4 spared = body(other)->GetVelocity();
    EXPECT_EQ(D3DXVECTOR3(spared.x, spared.y, spared.z), D3DXVECTOR3(0, 0, 0)) << "not of the Orvanta side";

    // Followed and listed among the units: pushed once.
    level.mCameraTarget = moving;
    body(moving)->SetVelocity(D3DXVECTOR4(0, 0, 0, 0));
    Run("CheckIntersection(" + std::to_string(centre.x) + ", " + std::to_string(centre.y) + ", 500, 60)");
    EXPECT_NEAR(body(moving)->GetVelocity().x, -72.0f * 0.6f / mass, 1e-4f);
    level.mCameraTarget = followed;

    // Out of the zone, and without a level, nothing moves.
    body(moving)->SetVelocity(D3DXVECTOR4(0, 0, 0, 0));
    Run("CheckIntersection(" + std::to_string(centre.x + 61.0f) + ", " + std::to_string(centre.y) + ", 0, 60)");
    {
        ScopedGlobal<CPLevel*> noLevel(gLevel, nullptr);
        Run("CheckIntersection(" + std::to_string(centre.x) + ", " + std::to_string(centre.y) + ", 0, 60)");
    }
    const D3DXVECTOR4 after = body(moving)->GetVelocity();
    EXPECT_EQ(D3DXVECTOR3(after.x, after.y, after.z), D3DXVECTOR3(0, 0, 0));
}

}  // namespace
