#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/CPCommandDispatcher.h"
#include "core/CPCommandTask.h"
#include "platform/RuntimeRandom.h"
#include "simulation/level/CPLevel.h"
#include "simulation/physics/PhysRigidBody.h"
#include "simulation/units/CPPlayer.h"
#include "support/CommandLog.h"
#include "support/FrameTimeScope.h"
#include "support/MathExpect.h"
#include "support/RecordingShot.h"
#include "support/ScopedEmitterTable.h"
#include "support/ScopedGameData.h"
#include "support/ScopedLevel.h"
#include "support/ScopedTaskKernel.h"
#include "support/SimulationDoubles.h"
#include "support/SolidBox.h"
#include "support/TestGuns.h"

namespace {

// A race unit with weapon children (each gun with its four flares, the heavy gun with its barrel), the
// game data's weapon table and car configuration, a factory of recording shots, the effect spawner and
// a running "gamemenu" receiver.
class WeaponRig : public ::testing::Test {
protected:
    WeaponRig() {
        data->mWeapons.Add("mgun", TestWeapon(1, 5.0f, 20, 10.0f));
        data->mWeapons.Add("hmgun", TestWeapon(1, 8.0f, 50, 20.0f));
        data->mWeapons.Add("shotgun", TestWeapon(6, 3.0f, 30, 2.0f));
        data->mWeapons.Add("rlauncher", TestWeapon(1, 50.0f, 10, 1.0f));
        data->mWeapons.Add("plasma", TestWeapon(1, 20.0f, 10, 1.0f));
        data->mWeapons.Add("firethrower", TestWeapon(1, 2.0f, 100, 30.0f));
        Configure("mgun", "hmgun", "");
        for (const char* name : {"mgun", "hmgun", "shotgun", "rlauncher", "plasma", "firethrower"}) Gun(name);
        unit.UpdateTransform();
        kernel.AddTask(&menu);
        dispatcher.Register(&menu, "gamemenu");
        casings = effects.AddRecordingEffect("gilze");
        flames = effects.AddRecordingEffect("firethrower");
    }
    ~WeaponRig() override { dispatcher.Unregister(&menu); }

    void Configure(const std::string& a, const std::string& b, const std::string& c) {
        data->mRealCarConfig.mWeapon1 = a;
        data->mRealCarConfig.mWeapon2 = b;
        data->mRealCarConfig.mWeapon3 = c;
    }
    CPGameObject* Gun(const std::string& name) { return AddTestGun(unit, name); }
    CPGameObject* Flare(const std::string& gun, int i) {
        static const char* const suffix[4] = {"", "_01", "_02", "_03"};
        return unit.FindObject("flare_" + gun + suffix[i]).Get();
    }
    void Select(int32_t slot) {
        unit.mWeaponSlot = slot;
        unit.SelectWeapon();
    }
    void Trigger(const D3DXVECTOR3& aim = D3DXVECTOR3(10, 0, 5), float dt = 0.2f) {
        unit.mFireInput = true;
        time.SetDelta(dt);
        unit.UpdateWeapon(aim, nullptr);
    }

    FrameTimeScope time;
    ScopedTaskKernel kernel;
    ScopedGameData data;
    ShotFactoryRig shots{{"trasser11", "trasser12", "trasser13", "rocket1", "plazma"}};
    ScopedEmitterTable effects;
    RecordingEffect* casings = nullptr;
    RecordingEffect* flames = nullptr;
    CPCommandDispatcher dispatcher;
    ScopedGlobal<CPCommandDispatcher*> dispatcherGuard{gCommandDispatcher, &dispatcher};
    CPCommandTask menu;
    CPPlayer unit;
};
}  // namespace

TEST(WeaponKindTest, KindsAndShotsFollowTheWeaponName) {
    struct Case {
        const char* name;
        int32_t kind;
        std::string shot;
    };
    for (const Case& c : {Case{"lgun", 0, "trasser11"}, Case{"mgun", 0, "trasser11"}, Case{"mgun2x", 0, "trasser11"},
                          Case{"lgun2x", 1, "trasser11"}, Case{"hmgun", 2, "trasser12"},
                          Case{"ssrlauncher", 3, "srocket1"}, Case{"rlauncher", 4, "rocket1"},
                          Case{"plasma", 5, "plazma"}, Case{"shotgun", 6, "trasser13"},
                          Case{"autoshotgun", 6, "trasser13"}, Case{"gauss", 7, "gauss1"},
                          Case{"firethrower", 8, ""}, Case{"MGUN", 9, ""}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CPPlayer::WeaponKindOf(c.name), c.kind);
        EXPECT_EQ(CPPlayer::ShotNameOf(c.kind), c.shot);
    }
}

TEST_F(WeaponRig, SelectingShowsTheSlotsGunWithItsFlaresHidden) {
    Gun("hmgun")->SetVisible(false);
    Select(0);
    EXPECT_EQ(unit.mWeaponObject.Get(), Gun("mgun"));
    EXPECT_EQ(unit.mWeaponName, "mgun");
    EXPECT_EQ(unit.mWeaponKind, CPPlayer::kLightGun);
    EXPECT_EQ(unit.mWeapon.mFullLoad, 20);
    EXPECT_EQ(unit.mFlareIndex, 3);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(unit.mFlares[i].Get(), Flare("mgun", i));
        EXPECT_FALSE(Flare("mgun", i)->IsVisible());
    }
    Select(1);
    EXPECT_FALSE(Gun("mgun")->IsVisible()) << "the gun put away is hidden";
    EXPECT_TRUE(Gun("hmgun")->IsVisible());
    EXPECT_EQ(unit.mWeaponKind, CPPlayer::kHeavyGun);
    Select(-1);
    EXPECT_FALSE(unit.mWeaponObject);
    EXPECT_FALSE(Gun("hmgun")->IsVisible());
}

TEST_F(WeaponRig, NextAndPreviousStepThroughTheFilledSlots) {
    Configure("", "mgun", "");
    Select(1);
    unit.NextWeapon();
    EXPECT_EQ(unit.mWeaponSlot, 1) << "a lone filled slot stays selected";
    unit.PrevWeapon();
    EXPECT_EQ(unit.mWeaponSlot, 1);

    Configure("mgun", "", "hmgun");
    Select(0);
    unit.NextWeapon();
    EXPECT_EQ(unit.mWeaponSlot, 2);
    EXPECT_EQ(unit.mWeaponObject.Get(), Gun("hmgun"));
    unit.NextWeapon();
    EXPECT_EQ(unit.mWeaponSlot, 0);
    unit.PrevWeapon();
    EXPECT_EQ(unit.mWeaponSlot, 2);

    Configure("", "", "");
    unit.NextWeapon();
    EXPECT_EQ(unit.mWeaponSlot, -1);
    EXPECT_FALSE(unit.mWeaponObject);
}

// From no weapon (slot -1) the next slot is the first one tried (0), the previous the last (2).
TEST_F(WeaponRig, StepsFromNoWeaponStartAtTheNeighbouringSlot) {
    struct Case {
        const char* name;
        const char* weapons[3];
        bool forward;
        int32_t after;
    };
    const Case cases[] = {
        {"forward, all filled", {"mgun", "hmgun", "shotgun"}, true, 0},
        {"forward, first empty", {"", "hmgun", "shotgun"}, true, 1},
        {"back, all filled", {"mgun", "hmgun", "shotgun"}, false, 2},
        {"back, last empty", {"mgun", "hmgun", ""}, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Configure(c.weapons[0], c.weapons[1], c.weapons[2]);
        Select(-1);
        c.forward ? unit.NextWeapon() : unit.PrevWeapon();
        EXPECT_EQ(unit.mWeaponSlot, c.after);
        EXPECT_EQ(unit.mWeaponName, c.weapons[c.after]);
    }
}

TEST_F(WeaponRig, AWeaponMissingItsRecordGunFlareOrBarrelCountsAsAnEmptySlot) {
    struct Case {
        const char* name;
        const char* weapon;
        const char* removed;  // a descendant taken out of the tree; empty: the record is missing
    };
    data->mWeapons.Add("gauss", TestWeapon(1, 1.0f, 10, 1.0f));
    for (const Case& c : {Case{"no record", "unknown", ""}, Case{"no gun", "gauss", ""},
                          Case{"no flare", "shotgun", "flare_shotgun_02"}, Case{"no barrel", "hmgun", "stvol"}}) {
        SCOPED_TRACE(c.name);
        if (*c.removed) {
            CPGameObject* gone = unit.FindObject(c.removed).Get();
            ASSERT_NE(gone, nullptr);
            gone->GetParent()->RemoveChild(gone);
            delete gone;
        }
        Configure("mgun", c.weapon, "");
        Select(1);
        EXPECT_FALSE(unit.mWeaponObject);
        Trigger();
        EXPECT_EQ(unit.mAimPoint, D3DXVECTOR3(10, 0, 5)) << "only the aim point is kept";
        EXPECT_TRUE(shots.Launched().empty());
        unit.mFireInput = false;
        unit.NextWeapon();
        EXPECT_EQ(unit.mWeaponSlot, 0) << "stepping passes over it";
        unit.NextWeapon();
        EXPECT_EQ(unit.mWeaponSlot, 0);
    }
}

TEST_F(WeaponRig, TheGunTurnsTowardTheAimPoint) {
    Select(0);
    for (const D3DXVECTOR3& aim : {D3DXVECTOR3(10, 0, 3), D3DXVECTOR3(-10, 0, 0), D3DXVECTOR3(0, 10, 9),
                                   D3DXVECTOR3(0, -10, 1), D3DXVECTOR3(5, 5, 0)}) {
        unit.UpdateWeapon(aim, nullptr);
        D3DXMATRIX turn;
        D3DXMatrixRotationQuaternion(&turn, &Gun("mgun")->GetRotation());
        D3DXVECTOR3 forward;
        const D3DXVECTOR3 modelForward(0, -1, 0);
        D3DXVec3TransformNormal(&forward, &modelForward, &turn);
        D3DXVECTOR3 expected(aim.x, aim.y, 0);
        D3DXVec3Normalize(&expected, &expected);
        ExpectVec3Near(forward, expected);
    }
}

TEST_F(WeaponRig, AShotLeavesTheFlareLevelWithTheUnitsValueOwnerAndCasing) {
    FakeCar car;
    unit.SetCar(&car);
    Select(0);
    Trigger(D3DXVECTOR3(10, 0, 5));
    ASSERT_EQ(shots.Kinds(), std::vector<std::string>{"trasser11"});
    const RecordingShot::Launched& shot = shots.Launched()[0];
    const D3DXMATRIX& flare = Flare("mgun", 0)->GetWorldMatrix();
    ExpectVec3Near(shot.position, D3DXVECTOR3(flare._41, flare._42, flare._43));
    ExpectVec3Near(shot.direction, D3DXVECTOR3(1, 0, 0));  // without a solid target shots fly level
    EXPECT_EQ(shot.value, 5.0f);
    EXPECT_EQ(shot.owner, Gun("mgun"));
    EXPECT_EQ(shot.extra, reinterpret_cast<intptr_t>(&car.mSpeed)) << "the car's speed, by address";
    EXPECT_EQ(casings->launches.size(), 1u);
    EXPECT_TRUE(Flare("mgun", 0)->IsVisible());
    EXPECT_FLOAT_EQ(unit.mLoad[0], 0.95f);
    EXPECT_FLOAT_EQ(unit.mShotCooldown, 0.1f);
    EXPECT_EQ(DrainCommandTexts(menu), std::vector<std::string>{"update_game_interface"});
    unit.SetCar(nullptr);
}

TEST_F(WeaponRig, ASolidTargetIsAimedAtItsMiddleHeight) {
    CPGameObject target("truck");
    MakeSolidBox(target, D3DXVECTOR3(10, 0, 4));
    auto* data = new FakePhysicData;
    target.SetPhysicData(data);
    target.Adopt(data);
    PhysRigidBody body;
    data->mRigidBody = &body;
    Select(0);
    unit.mFireInput = true;
    time.SetDelta(0.2f);
    unit.UpdateWeapon(D3DXVECTOR3(10, 0, 0), CPSmartPtr<CPGameObject>(&target));
    data->mRigidBody = nullptr;
    ASSERT_EQ(shots.Launched().size(), 1u);
    // From the gun (at 0, 0, 1) to the aim point raised to the middle of the target's bounds.
    D3DXVECTOR3 expected = D3DXVECTOR3(10, 0, 4) - D3DXVECTOR3(0, 0, 1);
    D3DXVec3Normalize(&expected, &expected);
    ExpectVec3Near(shots.Launched()[0].direction, expected);
}

TEST_F(WeaponRig, TheWeaponFiresAgainOnceItsCooldownHasRunDown) {
    Select(0);
    Trigger(D3DXVECTOR3(10, 0, 0), 0.0f);
    EXPECT_EQ(shots.Launched().size(), 1u) << "a fresh unit may fire at once";
    Trigger(D3DXVECTOR3(10, 0, 0), 0.05f);
    EXPECT_EQ(shots.Launched().size(), 1u);
    Trigger(D3DXVECTOR3(10, 0, 0), 0.06f);
    EXPECT_EQ(shots.Launched().size(), 2u) << "0.1 s at 10 shots per second";
    unit.mFireInput = false;
    time.SetDelta(1.0f);
    unit.UpdateWeapon(D3DXVECTOR3(10, 0, 0), nullptr);
    EXPECT_EQ(shots.Launched().size(), 2u) << "no shot without the fire input";
}

TEST_F(WeaponRig, TheFlaresTakeTurnsFromTheFirst) {
    Select(0);
    std::vector<int> shown;
    for (int shot = 0; shot < 5; ++shot) {
        Trigger();
        for (int i = 0; i < 4; ++i)
            if (Flare("mgun", i)->IsVisible()) shown.push_back(i);
    }
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 3, 0}));
}

TEST_F(WeaponRig, AShortLoadBlocksTheWeaponAndATriggerBelowTheCostLaunchesNothing) {
    Select(0);
    unit.mLoad[0] = 0.12f;
    Trigger();
    EXPECT_FALSE(unit.mWeaponBlocked);
    Trigger();
    EXPECT_EQ(shots.Launched().size(), 2u);
    EXPECT_TRUE(unit.mWeaponBlocked) << "what is left no longer pays for a shot";
    Trigger();
    EXPECT_EQ(shots.Launched().size(), 2u);

    CPPlayer& fresh = unit;
    fresh.mWeaponBlocked = false;
    fresh.mLoad[0] = 0.03f;
    Trigger();
    EXPECT_EQ(shots.Launched().size(), 2u);
    EXPECT_TRUE(fresh.mWeaponBlocked);
    EXPECT_FLOAT_EQ(fresh.mLoad[0], 0.03f);
}

TEST_F(WeaponRig, TheBlockFollowsTheSlotSelected) {
    Select(0);
    unit.mLoad[0] = 0.01f;
    Trigger();
    EXPECT_TRUE(unit.mWeaponBlocked);
    unit.mFireInput = false;
    Select(1);
    EXPECT_FALSE(unit.mWeaponBlocked) << "a spent slot does not block a full one";
    Trigger();
    EXPECT_EQ(shots.Kinds(), std::vector<std::string>{"trasser12"});
    Select(0);
    EXPECT_TRUE(unit.mWeaponBlocked);
}

TEST_F(WeaponRig, TheHeavyGunSpinsItsBarrelAndSpreadsItsShots) {
    RuntimeSrand(3);
    Select(1);
    CPGameObject* barrel = Gun("hmgun")->GetChild("stvol").Get();
    for (int i = 0; i < 20; ++i) Trigger(D3DXVECTOR3(0, -10, 0), 0.2f);
    EXPECT_NEAR(unit.mBarrelAngle, 20 * 0.2f * 10.5f, 1e-3f);
    D3DXQUATERNION spin;
    const D3DXVECTOR3 axis(0, 1, 0);
    D3DXQuaternionRotationAxis(&spin, &axis, unit.mBarrelAngle);
    ExpectQuatNear(barrel->GetRotation(), spin);
    ASSERT_EQ(shots.Launched().size(), 20u);
    EXPECT_EQ(casings->launches.size(), 20u);
    for (const auto& shot : shots.Launched()) {
        EXPECT_EQ(shot.kind, "trasser12");
        EXPECT_GE(-shot.direction.y, std::cos(0.1f) - 1e-5f) << "within 0.1 rad of the aim, straight back along -y";
    }
}

TEST_F(WeaponRig, TheShotgunFiresAPelletAndACasingPerShotOfTheRecord) {
    Configure("shotgun", "", "");
    Select(0);
    Trigger();
    EXPECT_EQ(shots.Kinds(), std::vector<std::string>(6, "trasser13"));
    EXPECT_EQ(casings->launches.size(), 6u);
}

TEST_F(WeaponRig, TheRocketLauncherLobsAlongTheElevationItShows) {
    Configure("rlauncher", "", "");
    Select(0);
    unit.mFireInput = true;
    const D3DXVECTOR3 muzzle(0, 0, 1);
    Trigger(muzzle + D3DXVECTOR3(30, 0, 0));
    // theta = 0.5 asin(min(1, 9.8 * 30 / 289)) = pi/4, and the gun shows pi/2 - theta.
    ASSERT_EQ(shots.Kinds(), std::vector<std::string>{"rocket1"});
    ExpectVec3Near(shots.Launched()[0].direction, D3DXVECTOR3(std::cos(D3DX_PI / 4), 0, std::sin(D3DX_PI / 4)));
    D3DXMATRIX turn;
    D3DXMatrixRotationQuaternion(&turn, &Gun("rlauncher")->GetRotation());
    D3DXVECTOR3 forward;
    const D3DXVECTOR3 modelForward(0, -1, 0);
    D3DXVec3TransformNormal(&forward, &modelForward, &turn);
    ExpectVec3Near(forward, shots.Launched()[0].direction);  // the rocket leaves along the gun
}

TEST_F(WeaponRig, ThePlasmaGunFiresFromTheFlareJustShown) {
    Configure("plasma", "", "");
    Select(0);
    Trigger();
    ASSERT_EQ(shots.Kinds(), std::vector<std::string>{"plazma"});
    EXPECT_EQ(shots.Launched()[0].position, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(shots.Launched()[0].direction, D3DXVECTOR3(0, -1, 0));
    EXPECT_EQ(shots.Launched()[0].owner, Flare("plasma", 0));
}

TEST_F(WeaponRig, TheFlameThrowerSpraysAnEffectThatBurnsWhatItTouches) {
    ScopedLevel level;
    MakeSolidBox(level.Player(), D3DXVECTOR3(100, 100, 0));
    CPGameObject barrel("barrel");
    MakeSolidBox(barrel, D3DXVECTOR3(5, 0, 0));
    level.Level().mObjects.push_back(CPSmartPtr<CPGameObject>(&barrel));
    FakeEnemyBrain brain;
    barrel.SetEnemyBrain(&brain);
    level.Level().mPlayer = &unit;
    Configure("firethrower", "", "");
    Select(0);
    Trigger(D3DXVECTOR3(10, 0, 0), 0.0f);
    ASSERT_EQ(flames->launches.size(), 1u);
    const RecordingEffect::Seen& flame = flames->launches[0];
    EXPECT_NEAR(D3DXVec3Length(&flame.velocity), 14.0f, 1e-3f);
    EXPECT_GE(flame.life, 0.8f);
    EXPECT_LE(flame.life, 1.1f);
    EXPECT_EQ(flame.owner, &unit);
    ASSERT_EQ(flame.hook, &CPPlayer::OnContactHook);

    CPEffectParticle touching;
    touching.position = D3DXVECTOR3(4.5f, 0, 0);
    touching.previousPosition = D3DXVECTOR3(3.0f, 0, 0);
    touching.radius = 1.0f;
    flame.hook(&unit, touching);
    EXPECT_EQ(touching.age, 1000.0f);
    EXPECT_EQ(unit.GetBurnedCount(), 1u);
    CPEffectParticle clear;
    clear.position = D3DXVECTOR3(-5, 0, 0);
    clear.previousPosition = D3DXVECTOR3(-4, 0, 0);
    clear.radius = 0.5f;
    flame.hook(&unit, clear);
    EXPECT_EQ(clear.age, 0.0f);

    unit.mFireInput = false;
    time.SetDelta(0.2f);
    unit.UpdateWeapon(D3DXVECTOR3(10, 0, 0), nullptr);
    ASSERT_EQ(brain.hits.size(), 1u) << "one tick of the flame";
    EXPECT_EQ(brain.hits[0].amount, 2.0f);
    ExpectVec3Near(brain.hits[0].direction, D3DXVECTOR3(5, 0, 0) - unit.GetPosition());
    EXPECT_EQ(unit.GetBurnedCount(), 0u);

    unit.AddBurned(&barrel);
    time.SetDelta(1e30f);
    unit.UpdateWeapon(D3DXVECTOR3(10, 0, 0), nullptr);
    EXPECT_EQ(brain.hits.size(), 1u + CPPlayer::kMaxFlameTicks) << "a long frame deals a bounded number of ticks";
    EXPECT_GT(unit.mFlameTick, 0.0f);
    level.Level().mObjects.clear();
    level.Level().mPlayer = &level.Player();
}

TEST_F(WeaponRig, TheLevelAimsThePlayersWeapon) {
    ScopedLevel level;
    level.Level().SetWeaponPos(D3DXVECTOR3(1, 2, 3), nullptr);
    EXPECT_EQ(level.Player().mAimPoint, D3DXVECTOR3(1, 2, 3));
    level.Level().mPlayer = nullptr;
    level.Level().SetWeaponPos(D3DXVECTOR3(4, 5, 6), nullptr);  // nothing to aim
    EXPECT_EQ(level.Player().mAimPoint, D3DXVECTOR3(1, 2, 3));
}

TEST_F(WeaponRig, AWreckedUnitNeitherSelectsNorAims) {
    unit.mWrecked = true;
    Select(0);
    EXPECT_FALSE(unit.mWeaponObject);
    Trigger();
    EXPECT_EQ(unit.mAimPoint, D3DXVECTOR3(0, 0, 0));
}
