#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/CPCommandDispatcher.h"
#include "core/CPCommandTask.h"
#include "platform/RuntimeRandom.h"
#include "simulation/enemies/CPEnemyBrain.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/PhysRigidBody.h"
#include "support/CommandLog.h"
#include "support/MathExpect.h"
#include "support/RecordingShot.h"
#include "support/ScopedGameData.h"
#include "support/ScopedLevel.h"
#include "support/ScopedTaskKernel.h"
#include "support/SimulationDoubles.h"
#include "support/SolidBox.h"

namespace {
class CountingBehaviour : public CPEnemyBehaviour {
public:
    void OnAttackRepeated() override { ++repeats; }
    int repeats = 0;
};

// An enemy "monk" at the origin facing +y, the level's player 3 units ahead (a box of half size 1), a
// factory of recording shots and effects, and running "gamemenu" and "level" receivers.
class EnemyBrainTest : public ::testing::Test {
protected:
    EnemyBrainTest() {
        MakeSolidBox(level.Player(), D3DXVECTOR3(0, 3, 0));
        level.Player().SetEnemyBrain(&playerHits);
        enemy.SetPosition(D3DXVECTOR3(0, 0, 0));
        enemy.UpdateTransform();
        enemy.SetEnemyBrain(&brain);
        brain.mObject = &enemy;
        brain.mName = "monk";
        brain.mBehaviour = &behaviour;
        brain.mStateTable = {{1, 10}, {4, 40}};
        CPEnemyMelee melee;
        melee.hitFrame = 7;
        melee.reachOffset = D3DXVECTOR3(0, 1.5f, 0);
        melee.pushDirection = D3DXVECTOR3(0, 1, 0);
        melee.pushStrength = 5.0f;
        melee.damage = 10.0f;
        brain.mMelee = {melee, melee};
        brain.mMelee[1].damage = 20.0f;
        brain.mMuzzleOffset = D3DXVECTOR3(0, 0, 1);
        brain.mFireFrame = 3;
        kernel.AddTask(&menu);
        kernel.AddTask(&levelScript);
        dispatcher.Register(&menu, "gamemenu");
        dispatcher.Register(&levelScript, "mission", "level");
    }
    ~EnemyBrainTest() override {
        dispatcher.Unregister(&menu);
        dispatcher.Unregister(&levelScript);
        level.Player().SetEnemyBrain(nullptr);
    }

    void Attack(const std::string& animation) {
        brain.PlayAnimation(animation, true, true, 1);
        brain.Update();
    }

    ScopedTaskKernel kernel;
    ScopedLevel level;
    ScopedGameData data;
    ShotFactoryRig shots{{"trasser21", "trasser22", "trasser23", "plazma_shot2", "srocket2", "rocket_exp2", "blood1",
                          "oil1", "gib1", "gib2"}};
    CPCommandDispatcher dispatcher;
    ScopedGlobal<CPCommandDispatcher*> dispatcherGuard{gCommandDispatcher, &dispatcher};
    CPCommandTask menu;
    CPCommandTask levelScript;
    FakeEnemyBrain playerHits;
    CountingBehaviour behaviour;
    CPGameObject enemy{"monk"};
    CPEnemyBrain brain;
};
}  // namespace

TEST_F(EnemyBrainTest, AMeleeBlowPushesAndHurtsThePlayerWithinReach) {
    CPPhysicData body(&level.Player());
    PhysRigidBody rigid;
    body.mRigidBody = &rigid;
    level.Player().SetPhysicData(&body);

    Attack("melee2");
    ASSERT_EQ(playerHits.hits.size(), 1u);
    EXPECT_EQ(playerHits.hits[0].amount, 20.0f);
    ExpectVec3Near(playerHits.hits[0].point, D3DXVECTOR3(0, 1.5f, 0));
    ExpectVec3Near(playerHits.hits[0].direction, D3DXVECTOR3(0, 1, 0));
    const D3DXVECTOR4 velocity = rigid.GetVelocity();
    ExpectVec3Near(D3DXVECTOR3(velocity.x, velocity.y, velocity.z), D3DXVECTOR3(0, 5, 0));

    MakeSolidBox(level.Player(), D3DXVECTOR3(0, 6, 0));
    Attack("melee1");
    EXPECT_EQ(playerHits.hits.size(), 1u) << "out of reach";
    level.Player().SetPhysicData(nullptr);
}

TEST_F(EnemyBrainTest, AnAttackWithoutAPlayerDoesNothing) {
    level.Level().mPlayer = nullptr;
    brain.mWeaponName = "mgun";
    Attack("fire");
    Attack("melee1");
    brain.mWeaponName = "explosion";
    Attack("melee1");
    EXPECT_TRUE(shots.Launched().empty());
    EXPECT_EQ(brain.mState, 0);
    level.Level().mPlayer = &level.Player();
}

TEST_F(EnemyBrainTest, TheSelfDestructingEnemyExplodesAndReportsItsDeathOnce) {
    brain.mWeaponName = "explosion";
    brain.mStateCounter = 3;
    Attack("melee1");
    ASSERT_EQ(shots.Kinds(), std::vector<std::string>{"rocket_exp2"});
    ExpectVec3Near(shots.Launched()[0].position, D3DXVECTOR3(0, 1.5f, 0));
    EXPECT_EQ(brain.mState, 40);
    EXPECT_EQ(brain.mStateCounter, 0);
    EXPECT_TRUE(playerHits.hits.empty());
    EXPECT_EQ(DrainCommandTexts(levelScript), std::vector<std::string>{"enemy_death:monk,0.00,0.00,0.00"});
    Attack("melee1");
    EXPECT_TRUE(DrainCommandTexts(levelScript).empty());
}

TEST_F(EnemyBrainTest, TheEndOfAMeleeAnimationChainsARandomOne) {
    brain.mMeleeCount = 3;
    brain.mMelee.push_back(brain.mMelee[0]);
    for (uint32_t seed : {1u, 2u, 3u, 4u, 5u}) {
        RuntimeSrand(seed);
        const int expected = RuntimeRand() % 3 + 1;
        RuntimeSrand(seed);
        brain.PlayAnimation("melee1", true, true, 7);
        brain.mAttacking = true;
        brain.ChooseAnimation();
        EXPECT_EQ(brain.mAnimation.name, "melee" + std::to_string(expected));
        EXPECT_EQ(brain.mAnimation.loopLimit, 1);
        EXPECT_EQ(brain.mAnimation.reportFrame, 7);
        EXPECT_FALSE(brain.mAttacking);
    }
    EXPECT_EQ(behaviour.repeats, 5);

    brain.PlayAnimation("melee3", true, true, 7);
    brain.mAttacking = true;
    brain.ChooseAnimation();
    EXPECT_EQ(brain.mAnimation.name, "melee3") << "only melee1 and melee2 chain";
    EXPECT_FALSE(brain.mAttacking);

    brain.mMeleeCount = 0;
    brain.PlayAnimation("melee2", true, true, 7);
    brain.ChooseAnimation();
    EXPECT_EQ(brain.mAnimation.name, "melee1") << "no melee count is one";
}

TEST_F(EnemyBrainTest, FiringStartsChainsAndStops) {
    brain.PlayAnimation("fire_in", true, true, -1);
    brain.ChooseAnimation();
    EXPECT_EQ(brain.mAnimation.name, "fire");
    EXPECT_EQ(brain.mAnimation.reportFrame, 3);
    EXPECT_TRUE(brain.mFiring);
    brain.ChooseAnimation();
    EXPECT_EQ(behaviour.repeats, 1);
    brain.mFiring = false;
    brain.ChooseAnimation();
    EXPECT_EQ(behaviour.repeats, 1) << "the fire does not chain once firing stopped";
    brain.PlayAnimation("fire_out", true, true, -1);
    brain.mFiring = true;
    brain.ChooseAnimation();
    EXPECT_FALSE(brain.mFiring);
    EXPECT_EQ(brain.mState, 10);
    brain.PlayAnimation("death2", false, false, 0);
    EXPECT_EQ(brain.mAnimation.loopLimit, 0);
    EXPECT_EQ(brain.mAnimation.reportFrame, -1);
    brain.mDeathValue = 2;
    brain.ChooseAnimation();
    EXPECT_FALSE(enemy.IsCollidable());
    EXPECT_EQ(brain.mDeathValue, 0);
}

TEST_F(EnemyBrainTest, EachGunFiresItsShotsAtThePlayer) {
    D3DXVECTOR3 aim = D3DXVECTOR3(0, 3, 0.3f) - D3DXVECTOR3(0, 0, 1);
    D3DXVec3Normalize(&aim, &aim);
    struct Case {
        const char* weapon;
        std::vector<std::string> kinds;
        float cone;  // 0: along the aim
    };
    RuntimeSrand(11);
    for (const Case& c : {Case{"mgun", {"trasser21"}, 0.0f}, Case{"lgun", {"trasser21"}, 0.0f},
                          Case{"plasma", {"plazma_shot2"}, 0.0f}, Case{"hmgun", {"trasser22"}, 0.1f},
                          Case{"shotgun", std::vector<std::string>(8, "trasser23"), 0.4f}, Case{"sword", {}, 0.0f}}) {
        SCOPED_TRACE(c.weapon);
        shots.Clear();
        brain.mWeaponName = c.weapon;
        Attack("fire");
        EXPECT_EQ(shots.Kinds(), c.kinds);
        for (const auto& shot : shots.Launched()) {
            EXPECT_EQ(shot.position, D3DXVECTOR3(0, 0, 1));
            EXPECT_EQ(shot.value, -1.0f);
            EXPECT_EQ(shot.owner, nullptr);
            if (c.cone == 0.0f)
                ExpectVec3Near(shot.direction, aim);
            else
                EXPECT_GE(D3DXVec3Dot(&shot.direction, &aim), std::cos(c.cone) - 1e-5f);
        }
    }
}

TEST_F(EnemyBrainTest, AnAimStraightBackAlongYStillSpreadsAroundIt) {
    MakeSolidBox(level.Player(), D3DXVECTOR3(0, -5, 0.7f));
    brain.mWeaponName = "hmgun";
    RuntimeSrand(5);
    for (int i = 0; i < 20; ++i) Attack("fire");
    ASSERT_EQ(shots.Launched().size(), 20u);
    for (const auto& shot : shots.Launched()) EXPECT_GE(-shot.direction.y, std::cos(0.1f) - 1e-5f);
}

TEST_F(EnemyBrainTest, TheRocketEnemyMayFireARocketEveryThirdTime) {
    brain.mWeaponName = "rocket";
    for (int round = 0; round < 2; ++round) {
        shots.Clear();
        uint32_t seed = 20u + static_cast<uint32_t>(round);
        RuntimeSrand(seed);
        const std::string third = RuntimeRand() % 2 == 0 ? "srocket2" : "plazma_shot2";
        RuntimeSrand(seed);
        for (int i = 0; i < 3; ++i) Attack("fire");
        EXPECT_EQ(shots.Kinds(), (std::vector<std::string>{"plazma_shot2", "plazma_shot2", third}));
        EXPECT_EQ(brain.mRocketCounter, 0);
    }
}

TEST_F(EnemyBrainTest, DamageLowersHealthAndDeathPaysTheRewardOnce) {
    auto* body = new FakePhysicData;
    body->mPushing = true;
    enemy.SetPhysicData(body);
    enemy.Adopt(body);
    enemy.SetPosition(D3DXVECTOR3(1, 2, 0));
    brain.mHealth = 10.0f;
    brain.mReward = 50;
    brain.mHitEffect = "blood1";
    brain.mGibs = true;
    brain.mGibHeight = 1.5f;
    data->mMoney = 100.0f;

    enemy.Damage(D3DXVECTOR3(1, 1, 1), D3DXVECTOR3(0, 1, 0), 4.0f, 0, false);
    EXPECT_EQ(brain.mHealth, 6.0f);
    EXPECT_TRUE(brain.mHit);
    EXPECT_FALSE(body->mPushing);
    ASSERT_EQ(shots.Kinds(), std::vector<std::string>{"blood1"});
    EXPECT_EQ(shots.Launched()[0].position, D3DXVECTOR3(1, 1, 1));

    shots.Clear();
    enemy.Damage(D3DXVECTOR3(1, 1, 1), D3DXVECTOR3(0, 1, 0), 7.0f, 1, false);  // no effect
    EXPECT_EQ(data->mMoney, 150.0f);
    EXPECT_EQ(data->mKills, 1);
    EXPECT_EQ(DrainCommandTexts(menu), std::vector<std::string>{"change_money:150.00"});
    EXPECT_EQ(DrainCommandTexts(levelScript), std::vector<std::string>{"enemy_death:monk,1.00,2.00,0.00"});
    EXPECT_FALSE(enemy.IsVisible()) << "burst into gibs";
    ASSERT_GE(shots.Launched().size(), 5u);
    ASSERT_LE(shots.Launched().size(), 9u);
    for (const auto& gib : shots.Launched()) {
        EXPECT_TRUE(gib.kind == "gib1" || gib.kind == "gib2");
        EXPECT_EQ(gib.position, D3DXVECTOR3(1, 2, 1.5f));
    }
    EXPECT_EQ(brain.mState, 40);

    brain.mStateCounter = 9;
    brain.mState = 0;
    enemy.Damage(D3DXVECTOR3(1, 1, 1), D3DXVECTOR3(0, 1, 0), 1.0f, 1, false);
    EXPECT_EQ(data->mMoney, 150.0f);
    EXPECT_TRUE(DrainCommandTexts(menu).empty());
    EXPECT_TRUE(DrainCommandTexts(levelScript).empty());
    EXPECT_EQ(brain.mState, 40) << "the brain is dead again";
    EXPECT_EQ(brain.mStateCounter, 0);

    brain.mDead = true;
    brain.mHit = false;
    enemy.Damage(D3DXVECTOR3(1, 1, 1), D3DXVECTOR3(0, 1, 0), 1.0f, 0, false);
    EXPECT_FALSE(brain.mHit) << "a dead enemy ignores damage";
}

TEST_F(EnemyBrainTest, RestrictedDamageOnlyHurtsAnOilEnemy) {
    brain.mHealth = 10.0f;
    for (const char* effect : {"blood1", "oil1"}) {
        SCOPED_TRACE(effect);
        brain.mHitEffect = effect;
        brain.mHit = false;
        brain.TakeDamage(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 1), 3.0f, false, true);
        EXPECT_TRUE(brain.mHit);
    }
    EXPECT_EQ(brain.mHealth, 7.0f);
    EXPECT_EQ(shots.Kinds(), std::vector<std::string>{"oil1"});
}
