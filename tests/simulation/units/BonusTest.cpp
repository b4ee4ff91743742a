#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "Render/PRender.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/PhysRigidBody.h"
#include "simulation/units/BonusTraits.h"
#include "simulation/units/CPPlayer.h"
#include "support/BonusRig.h"
#include "support/FrameTimeScope.h"
#include "support/LevelLoadRig.h"
#include "support/ScopedEmitterTable.h"
#include "simulation/vehicle/CPCar.h"

namespace {

struct BonusSetup {
    const char* kind;  // the name the outcome reports
    const char* name;
    std::vector<std::string> children;
};

const BonusSetup kBonuses[] = {
    {"repair", "bonus_remont", {}},      {"speed-up", "bonus", {"glow3"}},  {"slow-down", "bonus", {"glow2"}},
    {"ability-", "bonus", {"glow6"}},    {"ability+", "bonus", {"glow4"}},  {"sphere", "bumper", {"sphera"}},
    {"gloom", "portal", {"portal_a"}},   {"kick", "pad", {"v_bii"}},        {"light", "light", {}},
    {"halo", "halo", {}},
};

// Which effect, if any, the unit shows after one ApplyBonus from a fresh state.
std::string Outcome(const CPPlayer& unit) {
    if (unit.mDamage == 30.0f) return "repair";
    if (unit.mThrottleHold) return "speed-up";
    if (unit.mFlaresForced) return "slow-down";
    if (unit.mAbilities == 1) return "ability-";
    if (unit.mAbilities == 3) return "ability+";
    if (unit.mBounceCount == 1) return "sphere";
    if (unit.mInGloom) return "gloom";
    if (unit.mLocked) return "light";
    if (unit.mLastHaloHit == 10.0) return "halo";
    if (unit.mThrowTimer == 4.0f) return "kick";
    return "-";
}

class BonusTest : public ::testing::Test {
protected:
    BonusTest() {
        mClock.SetRunning(10.0);
        mRig.Data().mMaxAbilityCount = 5;
    }
    CPPlayer* Unit(int32_t sides) {
        CPPlayer* unit = mRig.AddUnit(sides);
        unit->mDamage = 50.0f;
        unit->mAbilities = 2;
        return unit;
    }

    FrameTimeScope mClock;
    ScopedEmitterTable mEmitters;
    BonusRig mRig;
};

TEST_F(BonusTest, KindBySideFlag) {
    // Per side flag value, the outcome of each bonus in kBonuses order.
    struct Case {
        int32_t sides;
        std::vector<std::string> outcomes;
    };
    const Case cases[] = {
        {0, {"repair", "speed-up", "slow-down", "ability-", "ability+", "-", "gloom", "-", "-", "-"}},
        {1, {"repair", "speed-up", "slow-down", "ability-", "ability+", "-", "gloom", "kick", "-", "halo"}},
        {2, {"repair", "speed-up", "slow-down", "ability-", "ability+", "sphere", "gloom", "-", "light", "-"}},
        {4, {"-", "-", "-", "-", "-", "sphere", "-", "kick", "light", "halo"}},
        {8, {"repair", "speed-up", "slow-down", "ability-", "ability+", "-", "gloom", "-", "-", "-"}},
        {1 | 2, {"repair", "speed-up", "slow-down", "ability-", "ability+", "sphere", "gloom", "kick", "light", "halo"}},
    };
    for (const Case& c : cases) {
        for (size_t i = 0; i < std::size(kBonuses); ++i) {
            SCOPED_TRACE(std::string("sides ") + std::to_string(c.sides) + ", " + kBonuses[i].kind);
            BonusRig rig;
            rig.Data().mMaxAbilityCount = 5;
            rig.AddBonus(kBonuses[i].name, D3DXVECTOR3(0, 0, 0), kBonuses[i].children);
            CPPlayer* unit = rig.AddUnit(c.sides);
            unit->mDamage = 50.0f;
            unit->mAbilities = 2;
            unit->ApplyBonus();
            EXPECT_EQ(Outcome(*unit), c.outcomes[i]);
            // Pick-ups are consumed, world objects stay.
            const bool pickUp = i <= 4 || i == 6;
            const bool taken = c.outcomes[i] != "-";
            EXPECT_EQ(rig.Data().mBonusList.size(), pickUp && taken ? 0u : 1u);
        }
    }
}

TEST_F(BonusTest, APickUpTellsTheInterfaceOnlyForThePlayersUnitAndMainAlways) {
    mRig.AddBonus("bonus_remont", D3DXVECTOR3(0, 0, 0));
    mRig.AddBonus("bonus", D3DXVECTOR3(50, 0, 0), {"glow4"});
    CPPlayer* enemy = Unit(kSideSelvanta);
    enemy->ApplyBonus();
    EXPECT_TRUE(mRig.InterfaceCommands().empty());
    EXPECT_EQ(mRig.MainCommands(), (std::vector<std::string>{"update_bonus_list:repair"}));

    CPPlayer* player = Unit(kSidePlayer);
    player->SetPosition(D3DXVECTOR3(50, 0, 0));
    player->UpdateTransform();
    player->ApplyBonus();
    EXPECT_EQ(mRig.InterfaceCommands(), (std::vector<std::string>{"redraw_abilities", "show_message:sposobnost+1!"}));
    EXPECT_EQ(mRig.MainCommands(), (std::vector<std::string>{"update_bonus_list:plus"}));
    EXPECT_TRUE(mRig.Data().mBonusList.empty());
}

TEST_F(BonusTest, RepairAndAbilityLimits) {
    struct Case {
        const char* name;
        const char* bonus;
        std::vector<std::string> children;
        float damage;
        int32_t abilities;
        float damageAfter;
        int32_t abilitiesAfter;
        std::vector<std::string> interface;
    };
    const Case cases[] = {
        {"repair at 15", "bonus_remont", {}, 15.0f, 0, 0.0f, 0, {"show_message:remont!"}},
        {"repair at 50", "bonus_remont", {}, 50.0f, 0, 30.0f, 0, {"show_message:remont!"}},
        {"plus at the maximum", "bonus", {"glow4"}, 0.0f, 5, 0.0f, 5, {"show_message:sposobnost+1!"}},
        {"minus at 0", "bonus", {"glow6"}, 0.0f, 0, 0.0f, 0, {"show_message:sposobnost-1!"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        mRig.AddBonus(c.bonus, D3DXVECTOR3(0, 0, 0), c.children);
        CPPlayer* unit = mRig.AddUnit(kSidePlayer);
        unit->mDamage = c.damage;
        unit->mAbilities = c.abilities;
        unit->ApplyBonus();
        EXPECT_EQ(unit->mDamage, c.damageAfter);
        EXPECT_EQ(unit->mAbilities, c.abilitiesAfter);
        EXPECT_EQ(mRig.InterfaceCommands(), c.interface);
        EXPECT_EQ(mRig.MainCommands().size(), 1u);
        EXPECT_TRUE(mRig.Data().mBonusList.empty());
    }
}

TEST_F(BonusTest, NothingActsWhileTheRaceClockIsStopped) {
    mRig.Level().mRaceClockOn = false;
    mRig.AddBonus("bonus_remont", D3DXVECTOR3(0, 0, 0));
    mRig.AddBonus("light", D3DXVECTOR3(0, 0, 0));
    CPPlayer* unit = Unit(kSideOrvanta);
    unit->ApplyBonus();
    EXPECT_EQ(Outcome(*unit), "-");
    EXPECT_EQ(mRig.Data().mBonusList.size(), 2u);
}

TEST_F(BonusTest, ContactUsesTheBoxesShrunkByTheDivisor) {
    // Unit half sizes (1, 2, 1), bonus (1, 1, 1): along x the reach is 2 / 3.3 for a plain bonus and
    // 2 / 2 for a light barrier.
    struct Case {
        const char* name;
        float x;
        bool touched;
    };
    for (const Case& c : {Case{"bonus inside the reach", 0.6f, true}, Case{"bonus beyond it", 0.7f, false},
                          Case{"light inside", 0.99f, true}, Case{"light beyond", 1.01f, false}}) {
        SCOPED_TRACE(c.name);
        const bool light = std::string(c.name).rfind("light", 0) == 0;
        BonusRig rig;
        rig.AddBonus(light ? "light" : "bonus_remont", D3DXVECTOR3(c.x, 0, 0));
        CPPlayer* unit = rig.AddUnit(kSideOrvanta);
        unit->mDamage = 50.0f;
        unit->ApplyBonus();
        EXPECT_EQ(Outcome(*unit) != "-", c.touched);
    }
}

TEST_F(BonusTest, AnEmptyBonusTouchesByItsKickPadAndIsSkippedWithoutOne) {
    // The "v_bii" child sits 10 units away from its parent: only its box counts.
    CPGameObject* empty = mRig.AddBonus("empty", D3DXVECTOR3(10, 0, 0), {"v_bii"});
    empty->FindObject("v_bii")->SetPosition(D3DXVECTOR3(-10, 0, 0));
    empty->MarkDirty();
    empty->UpdateTransform();
    mRig.AddBonus("empty", D3DXVECTOR3(0, 0, 0), {"glow3"});  // no "v_bii": skipped
    CPPlayer* unit = Unit(kSideSelvanta);
    unit->ApplyBonus();
    EXPECT_EQ(Outcome(*unit), "kick");
    EXPECT_EQ(mRig.Data().mBonusList.size(), 2u);
}

TEST_F(BonusTest, EachBonusIsReadOnce) {
    CPGameObject* bonus = mRig.AddBonus("bonus", D3DXVECTOR3(50, 0, 0), {"glow3"});
    CPPlayer* unit = Unit(0);
    unit->ApplyBonus();  // out of reach, but read
    ASSERT_TRUE(mRig.Data().mBonusList.front().mTraitsRead);
    EXPECT_TRUE(mRig.Data().mBonusList.front().mTraits.Has(kBonusSpeedUp));
    // A descendant added later does not change what the bonus is.
    bonus->AddOwnedChild(CPSmartPtr<CPGameObject>(new CPGameObject("glow2")));
    bonus->SetPosition(D3DXVECTOR3(0, 0, 0));
    bonus->UpdateTransform();
    unit->ApplyBonus();
    EXPECT_EQ(Outcome(*unit), "speed-up");
    EXPECT_FALSE(unit->mFlaresForced);
}

TEST_F(BonusTest, TheEleventhBounceOfASeriesDoesNothingAndAPauseStartsANewSeries) {
    mRig.AddBonus("bumper", D3DXVECTOR3(0.5f, 0, 0), {"sphera"});
    CPPlayer* unit = Unit(kSideOrvanta);
    for (int i = 0; i < 11; ++i) {
        mClock.SetRunning(10.0 + 0.5 * i);
        unit->ApplyBonus();
    }
    EXPECT_EQ(unit->mBounceCount, 10);
    EXPECT_EQ(unit->mLastBounce, 14.5);
    EXPECT_EQ(unit->mBounceDir, D3DXVECTOR3(-0.5f, 0.0f, 0.0f));
    mClock.SetRunning(20.0);
    unit->SetPosition(D3DXVECTOR3(0.2f, 0.3f, 0));
    unit->UpdateTransform();
    unit->ApplyBonus();
    EXPECT_EQ(unit->mBounceCount, 1);
    EXPECT_NEAR(unit->mBounceDir.x, -0.3f, 1e-6f);
    EXPECT_NEAR(unit->mBounceDir.y, 0.3f, 1e-6f);
}

TEST_F(BonusTest, HaloPushesAtMostOncePerFifthOfASecond) {
    RecordingEffect* walls = mEmitters.AddRecordingEffect("wall");
    mRig.AddBonus("halo", D3DXVECTOR3(0, 0.5f, 0));
    CPPlayer* unit = Unit(kSideSelvanta);
    unit->ApplyBonus();
    mClock.SetRunning(10.1);
    unit->ApplyBonus();
    EXPECT_EQ(walls->launches.size(), 1u);
    mClock.SetRunning(10.25);
    unit->ApplyBonus();
    EXPECT_EQ(walls->launches.size(), 2u);
    EXPECT_EQ(walls->launches[0].size, 4.0f);
    EXPECT_EQ(walls->launches[0].life, 0.5f);
    // One unit towards the halo, straight up +y.
    EXPECT_NEAR(walls->launches[0].position.y, 1.0f, 1e-6f);
}

TEST_F(BonusTest, AnInfiniteMassPushesNoNaNIntoTheBody) {
    CPPlayer* unit = Unit(kSideSelvanta | kSideOrvanta);
    CPPhysicData data(unit);
    CPPhysicBodyParameters parameters;
    parameters.mass = std::numeric_limits<float>::infinity();
    data.SetBodyParameters(parameters);
    PhysRigidBody body;
    data.mRigidBody = &body;
    unit->SetPhysicData(&data);
    CPCar car(unit);
    unit->SetCar(&car);

    mRig.AddBonus("pad", D3DXVECTOR3(0, 0, 0), {"v_bii"});
    mRig.AddBonus("bumper", D3DXVECTOR3(0, 0, 0), {"sphera"});
    unit->ApplyBonus();
    EXPECT_EQ(unit->mBounceCount, 1);
    for (float value : {body.GetVelocity().x, body.GetVelocity().y, body.GetVelocity().z,
                        body.GetAngularMomentum().x, body.GetAngularMomentum().y, body.GetAngularMomentum().z})
        EXPECT_TRUE(std::isfinite(value));

    unit->SetCar(nullptr);
    unit->SetPhysicData(nullptr);
}

TEST_F(BonusTest, TheGloomDimsTheCameraTargetsViewAndHidesOtherEnemies) {
    PRender renderer;
    ScopedGlobal<PRender*> rendererGuard(gRenderer, &renderer);
    mRig.AddBonus("portal", D3DXVECTOR3(0, 0, 0), {"portal_a"});
    mRig.AddBonus("portal", D3DXVECTOR3(50, 0, 0), {"portal_a"});
    CPPlayer* target = Unit(kSidePlayer);
    mRig.Level().mCameraTarget = target;
    target->ApplyBonus();
    EXPECT_TRUE(target->mGloomView);
    EXPECT_EQ(renderer.mMotionBlurEnabled, 1);
    EXPECT_EQ(renderer.mMotionBlurAmount, 0.3f);
    EXPECT_EQ(renderer.mMotionBlurAlpha, 150);
    EXPECT_FALSE(mRig.Level().mUnitsActive);
    EXPECT_EQ(mRig.InterfaceCommands(), std::vector<std::string>{"show_message:uron_x2!"});

    CPPlayer* enemy = Unit(0);
    enemy->SetPosition(D3DXVECTOR3(50, 0, 0));
    enemy->UpdateTransform();
    enemy->ApplyBonus();
    EXPECT_TRUE(enemy->mInGloom);
    EXPECT_FALSE(enemy->mGloomView);
    EXPECT_FALSE(enemy->IsVisible());
    EXPECT_EQ(mRig.MainCommands(), (std::vector<std::string>{"update_bonus_list:gloom", "update_bonus_list:gloom"}));
}

}  // namespace

// The test level's car has four wheel nodes without vertices. A repair kit on the car is taken by an
// enemy and, with the default car prefix, by the player: both test contact with their hierarchy bounds,
// which the wheels must leave around the car.
TEST(BonusLevelTest, ACarWithWheelNodesWithoutVerticesTakesAPickUpPlacedOnIt) {
    TestLevelTree tree;
    tree.playerCar = CPLevel::kDefaultCarPrefix;
    LevelLoadRig rig(tree);
    ASSERT_TRUE(rig.Load()) << rig.Level().GetLoadError();
    CPLevel& level = rig.Level();
    level.mRaceClockOn = true;
    ASSERT_FALSE(level.mEnemies.empty());
    for (CPPlayer* unit : {level.mEnemies[0], level.mPlayer}) {
        SCOPED_TRACE(unit->mModelName);
        ASSERT_TRUE(unit->FindObject("w0"));
        CPGameObject kit("bonus_remont");
        kit.SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0.5f, 0.5f, 0.5f)));
        kit.SetPosition(unit->GetPosition());
        kit.UpdateTransform();
        rig.gameData->mBonusList.emplace_back(&kit, 0);
        unit->mDamage = 50.0f;
        unit->ApplyBonus();
        EXPECT_FLOAT_EQ(unit->mDamage, 30.0f);
        EXPECT_TRUE(rig.gameData->mBonusList.empty()) << "the kit is taken";
        rig.gameData->mBonusList.clear();
    }
}
