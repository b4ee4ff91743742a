#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Render/CPCamera.h"
#include "core/CPCommandTask.h"
#include "core/FrameClock.h"
#include "simulation/level/CPLine.h"
#include "simulation/level/CPSpline.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/units/CPPlayer.h"
#include "simulation/vehicle/CPCar.h"
#include "support/CommandLog.h"
#include "support/LevelLoadRig.h"
#include "support/ScopedGlobal.h"

namespace {


// The loaded test level with receivers for what units post, under the names the scripts use.
class UnitUpdateTest : public ::testing::Test {
protected:
    UnitUpdateTest() {
        EXPECT_TRUE(rig.Load()) << rig.Level().GetLoadError();
        const std::pair<CPCommandTask*, const char*> receivers[] = {
            {&gameInterface, "game_interface"}, {&jeep, "jeep"}, {&mainScript, "main"}, {&gameMenu, "gamemenu"}};
        for (const auto& [receiver, name] : receivers) {
            receiver->Start();
            rig.dispatcher.Register(receiver, name);
        }
        // The path ahead of the start runs as the player heads: no turn arrow.
        if (rig.Level().mPathHint[0]) rig.Level().mPathAngle = rig.Level().mPathHint[0]->mHeading;
    }
    ~UnitUpdateTest() override { gDeltaTime = 0.0f; }

    CPPlayer& Enemy() { return *rig.Level().mEnemies[0]; }
    CPPlayer& Player() { return *rig.Level().mPlayer; }
    // Turned by `angle` about the unit's forward axis (y): 0 upright, pi/2 on its side.
    static D3DXQUATERNION Rolled(float angle) {
        D3DXQUATERNION q;
        const D3DXVECTOR3 axis(0.0f, 1.0f, 0.0f);
        D3DXQuaternionRotationAxis(&q, &axis, angle);
        return q;
    }
    // The unit on the collision mesh (candidate triangles listed), unlocked, not cooling down.
    static void ReadyForRespawnCheck(CPPlayer& unit) {
        unit.GetPhysicData()->mCandidateCount = 1;
        unit.mRespawnCooldown = 0.0f;
        unit.mLocked = false;
    }

    LevelLoadRig rig;
    CPCommandTask gameInterface, jeep, mainScript, gameMenu;
};

}  // namespace

TEST_F(UnitUpdateTest, ALockedUnitDestroyedIsWreckedAndDoesNothingMore) {
    CPPlayer& unit = Enemy();
    unit.mDamage = 100.0f;
    unit.mLocked = true;
    unit.Update(0.1f);
    EXPECT_TRUE(unit.mWrecked);
    EXPECT_FALSE(unit.GetChild("lflarerear")->IsVisible());
    EXPECT_FALSE(unit.GetChild("rflarerear")->IsVisible());
    unit.mLocked = false;
    unit.mStuckTimer = 0.0f;
    unit.Update(0.1f);
    EXPECT_EQ(unit.mStuckTimer, 0.0f) << "a wrecked unit runs no further rule";
    EXPECT_TRUE(DrainCommandTexts(jeep).empty()) << "an enemy's wreck is no defeat";
}

TEST_F(UnitUpdateTest, ThePlayersDefeatIsPostedOnceAndTheDefeatOnceLater) {
    CPPlayer& unit = Player();
    unit.SetSideFlags(kSidePlayer);
    unit.mDamage = 100.0f;
    for (int i = 0; i < 5; ++i) unit.Update(1.0f);
    EXPECT_EQ(DrainCommandTexts(gameInterface),
              (std::vector<std::string>{"show_message:proigrish!", "update_arrows:0", "update_arrows:0",
                                        "update_arrows:0", "update_arrows:0", "update_arrows:0"}));
    EXPECT_EQ(DrainCommandTexts(jeep), (std::vector<std::string>{"game_over"}));
    EXPECT_EQ(DrainCommandTexts(mainScript), (std::vector<std::string>{"defeat"}));
    EXPECT_FLOAT_EQ(unit.mDefeatTimer, 668.0f);
}

TEST_F(UnitUpdateTest, TiltBeyond85DegreesRespawnsAndASideIsTiltedToo) {
    struct Case {
        const char* name;
        float roll;
        bool respawns;
    };
    const Case cases[] = {
        {"upright", 0.0f, false},
        {"84 degrees", 84.0f * D3DX_PI / 180.0f, false},
        {"86 degrees", 86.0f * D3DX_PI / 180.0f, true},
        // Lying exactly on its side: the down axis is horizontal, the tilt pi/2.
        {"on its side", D3DX_PI * 0.5f, true},
        {"upside down", D3DX_PI, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPPlayer& unit = Enemy();
        const D3DXVECTOR3 at(TestLevelTree::kPathRadius + 2.0f, -40.0f, 1.2f);
        unit.SetPosition(at);
        unit.SetRotation(Rolled(c.roll));
        unit.UpdateTransform();
        ReadyForRespawnCheck(unit);
        EXPECT_NEAR(unit.TiltAngle(), std::fabs(c.roll), 1e-3f);
        unit.CheckRespawn(false);
        if (!c.respawns) {
            EXPECT_EQ(unit.GetPosition(), at);
            continue;
        }
        // Back on the path (circle of the path radius), three units up, upright, facing along the path.
        const D3DXVECTOR3 p = unit.GetPosition();
        EXPECT_NEAR(std::hypot(p.x, p.y), TestLevelTree::kPathRadius, 1.0f);
        EXPECT_NEAR(p.z, 3.0f, 1e-3f);
        EXPECT_NEAR(unit.TiltAngle(), 0.0f, 1e-3f);
        EXPECT_FLOAT_EQ(unit.mRespawnCooldown, 1.0f);
        EXPECT_EQ(rig.Level().mRespawnClock, 0.0f);
        // Clockwise round the origin: the forward (0, -1, 0) turned points along (y, -x) of the place.
        D3DXMATRIX turn;
        D3DXMatrixRotationQuaternion(&turn, &unit.GetRotation());
        D3DXVECTOR3 forward;
        const D3DXVECTOR3 minusY(0, -1, 0);
        D3DXVec3TransformNormal(&forward, &minusY, &turn);
        const D3DXVECTOR3 along = D3DXVECTOR3(p.y, -p.x, 0.0f) / std::hypot(p.x, p.y);
        EXPECT_GT(forward.x * along.x + forward.y * along.y, 0.98f);
        // A second check during the cooldown leaves it.
        unit.SetRotation(Rolled(D3DX_PI));
        unit.UpdateTransform();
        unit.CheckRespawn(false);
        EXPECT_NEAR(unit.TiltAngle(), D3DX_PI, 1e-3f);
    }
}

TEST_F(UnitUpdateTest, AUnitOffTheCollisionMeshRespawnsUnlessLocked) {
    CPPlayer& unit = Enemy();
    ReadyForRespawnCheck(unit);
    unit.GetPhysicData()->mCandidateCount = 0;
    unit.mLocked = true;
    const D3DXVECTOR3 at = unit.GetPosition();
    unit.CheckRespawn(false);
    EXPECT_EQ(unit.GetPosition(), at);
    unit.mLocked = false;
    unit.CheckRespawn(false);
    EXPECT_NE(unit.GetPosition(), at);
}

TEST_F(UnitUpdateTest, AStuckEnemyRespawnsAndThePlayerNever) {
    rig.Level().mRespawnClock = 1.0f;
    for (CPPlayer* unit : {&Enemy(), &Player()}) {
        ReadyForRespawnCheck(*unit);
        const D3DXVECTOR3 at(0.0f, -TestLevelTree::kPathRadius, 1.2f);
        unit->SetPosition(at);
        unit->UpdateTransform();
        unit->mLastPos = at;
        unit->mStuckTimer = 2.5f;
        unit->CheckRespawn(false);
        EXPECT_EQ(unit->mStuckTimer, 0.0f);
        EXPECT_EQ(unit->GetPosition() != at, unit == &Enemy());
    }
}

// The drift time runs on the unit's steps, however long the frame: 76 steps of 1/60 s in one 0.1 s frame.
TEST_F(UnitUpdateTest, TheDriftBonusCountsTheStepsAndIsPostedWhenTheDriftEnds) {
    rig.gameData->mTexts["drift_time"] = "Drift";
    CPPlayer& unit = Player();
    CPCar& car = *unit.GetCar();
    gDeltaTime = 0.1f;
    car.mSlideAmount = 0.9f;
    unit.SetControls(0.0f, 0.3f);  // the steering reaches the car with every step
    car.mSteer = 0.3f;
    for (int i = 0; i < 76; ++i) unit.Update(1.0f / 60.0f);
    EXPECT_NEAR(unit.mDriftTime, 76.0f / 60.0f, 1e-4f);
    DrainCommands(gameInterface);
    car.mSlideAmount = 0.0f;
    unit.Update(1.0f / 60.0f);
    EXPECT_EQ(DrainCommandTexts(gameInterface),
              (std::vector<std::string>{"bonus_points2:time,Drift,1.200000", "update_arrows:0"}));
    EXPECT_EQ(unit.mDriftTime, 0.0f);

    // A drift of exactly 0.5 s posts nothing.
    car.mSlideAmount = 0.9f;
    unit.Update(0.25f);
    unit.Update(0.25f);
    car.mSlideAmount = 0.0f;
    DrainCommands(gameInterface);
    unit.Update(0.0f);
    EXPECT_EQ(DrainCommandTexts(gameInterface), (std::vector<std::string>{"update_arrows:0"}));
}

TEST_F(UnitUpdateTest, TheEngineGaugeCrossingPostsEachWayOnce) {
    CPPlayer& unit = Enemy();
    unit.mEngine.mValues[3] = 1.0f;
    unit.mEngine.mValues[4] = 1.0f;
    unit.mEngineHeat = 0.7f;
    unit.mThrottle = 1.0f;
    unit.Update(0.2f);
    unit.Update(0.05f);
    unit.mThrottle = 0.0f;
    unit.Update(0.2f);
    EXPECT_EQ(DrainCommandTexts(gameMenu), (std::vector<std::string>{"engine_temp:1", "engine_temp:0"}));
}

// trunc(60 / (25 / psystems)), the divisions in single precision: 2.4 sparks per step of the setting,
// truncated once.
TEST(UnitUpdateSparksTest, TheGloomSparkCountFollowsTheParticleSetting) {
    const std::pair<int32_t, int32_t> cases[] = {{25, 60}, {0, 0},  {-3, 0},  {10, 24},
                                                 {1, 2},   {3, 7},  {26, 62}, {50, 120}};
    for (auto [density, sparks] : cases) EXPECT_EQ(CPPlayer::GloomSparkCount(density), sparks) << density;
}
