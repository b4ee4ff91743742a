#include "script/CombatScriptFunctions.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Sound/NSound.h"
#include "core/ServiceGlobals.h"
#include "simulation/level/CPLevel.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "simulation/physics/PhysRigidBody.h"
#include "simulation/units/CPPlayer.h"
#include "support/LevelLoadRig.h"
#include "support/LuaScriptRig.h"
#include "support/RaceRig.h"
#include "support/SoundRig.h"
#include "support/TestGuns.h"

namespace {

// A race unit "car" with the guns of "mgun", "hmgun" and "firethrower", the game data's weapons, the
// receivers of the race's commands, the weapon sounds, and a Lua state; "stranger" is a game object
// that is no race unit.
class CombatScriptFunctionsTest : public ::testing::Test {
protected:
    CombatScriptFunctionsTest() {
        for (const char* name : {"mgun", "hmgun", "firethrower"}) {
            rig.data->mWeapons.Add(name, TestWeapon(1, 5.0f, 20, 10.0f));
            AddTestGun(unit, name);
        }
        for (const char* name : {"change_weapon", "undo_weapon"}) {
            sounds.WriteSound(std::string(name) + ".wav", riff::PcmWave(1, 22050, 16, riff::Ramp(4000)));
            auto sound = std::make_unique<CNSound>(sounds.Device(), "Data\\Sounds\\" + std::string(name) + ".wav",
                                                   CNSound::kModePlain);
            sounds.Manager().SetNamedSound(name, sound.get());
            soundObjects.push_back(std::move(sound));
        }
        lua.SetHandle("car", &unit);
        lua.SetHandle("stranger", &stranger);
    }
    void Run(const std::string& code) { ASSERT_EQ(lua.Run(code), "") << code; }
    void Configure(const std::string& a, const std::string& b, const std::string& c) {
        rig.data->mRealCarConfig.mWeapon1 = a;
        rig.data->mRealCarConfig.mWeapon2 = b;
        rig.data->mRealCarConfig.mWeapon3 = c;
    }
    bool Playing(const char* sound) { return sounds.Manager().GetSound(sound)->IsPlaying(); }

    RaceRig rig;
    SoundRig sounds;
    std::vector<std::unique_ptr<CNSound>> soundObjects;
    CPPlayer unit;
    CPGameObject stranger{"crate"};
    LuaScriptRig lua;
};

TEST_F(CombatScriptFunctionsTest, DamageAnswersWhetherTheUnitSurvivesAndANilUnitAlwaysDoes) {
    unit.mLife = 25.0f;
    Run("first = DamagePlayer(car, 10) second = DamagePlayer(car, '20')");
    EXPECT_TRUE(lua.Bool("first"));
    EXPECT_FALSE(lua.Bool("second")) << "a numeric text is a number";
    EXPECT_EQ(unit.mLife, 0.0f);
    EXPECT_EQ(rig.Drain(), (std::vector<std::string>{"gamemenu>update_game_interface", "gamemenu>update_game_interface",
                                                     "main>say_critical", "main>player_dead"}));

    unit.mLife = 50.0f;
    unit.mDeadSent = false;
    // An amount that is not a finite float reads as no hit instead of leaving the life NaN.
    Run("nan = DamagePlayer(car, 0/0) huge = DamagePlayer(car, 1e39)");
    EXPECT_EQ(unit.mLife, 50.0f);
    EXPECT_TRUE(lua.Bool("nan"));
    rig.Drain();

    Run("a = DamagePlayer(nil, 1000) b = DamagePlayer(stranger, 1000) c = DamagePlayer()");
    for (const char* result : {"a", "b", "c"}) EXPECT_TRUE(lua.Bool(result)) << result;
    EXPECT_TRUE(rig.Drain().empty());
    EXPECT_EQ(unit.mLife, 50.0f);
}

TEST_F(CombatScriptFunctionsTest, WeaponStepsGoThroughTheFilledSlotsWithTheirSound) {
    struct Case {
        const char* name;
        const char* weapons[3];
        int32_t slot;
        const char* call;
        int32_t after;
        const char* sound;
    };
    const Case cases[] = {
        {"back over an empty slot", {"mgun", "", "hmgun"}, 0, "SetPrevWeapon(car)", 2, "change_weapon"},
        {"forward over an empty slot", {"mgun", "", "hmgun"}, 0, "SetNextWeapon(car)", 2, "change_weapon"},
        {"forward, wrapping", {"mgun", "hmgun", ""}, 1, "SetNextWeapon(car)", 0, "change_weapon"},
        {"a lone slot stays", {"", "hmgun", ""}, 1, "SetPrevWeapon(car)", 1, "undo_weapon"},
        {"no weapon at all", {"", "", ""}, -1, "SetPrevWeapon(car)", -1, "undo_weapon"},
        {"nil unit", {"mgun", "hmgun", ""}, 0, "SetNextWeapon(nil) SetPrevWeapon(stranger)", 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sounds.Manager().StopAllSounds();
        Configure(c.weapons[0], c.weapons[1], c.weapons[2]);
        unit.mWeaponSlot = c.slot;
        Run(c.call);
        EXPECT_EQ(unit.mWeaponSlot, c.after);
        for (const char* sound : {"change_weapon", "undo_weapon"})
            EXPECT_EQ(Playing(sound), c.sound && std::string(c.sound) == sound) << sound;
        if (c.sound && c.after >= 0) {
            EXPECT_EQ(unit.mWeaponName, c.weapons[c.after]) << "the weapon is selected";
        }
    }
}

TEST_F(CombatScriptFunctionsTest, TheCurrentWeaponObjectIsFoundByNameWithoutChangingTheSlot) {
    Configure("mgun", "hmgun", "");
    unit.mWeaponSlot = 0;
    unit.SelectWeapon();
    Run("SetCurrentWeapon(car, 'hmgun')");
    EXPECT_EQ(unit.mWeaponObject.Get(), unit.FindObject("hmgun").Get());
    EXPECT_EQ(unit.mWeaponSlot, 0);
    EXPECT_EQ(unit.mWeaponName, "mgun") << "no weapon is selected";
    Run("SetCurrentWeapon(car, 'flare_mgun_02')");
    EXPECT_EQ(unit.mWeaponObject.Get(), unit.FindObject("flare_mgun_02").Get()) << "any descendant";
    Run("SetCurrentWeapon(nil, 'mgun') SetCurrentWeapon(stranger, 'mgun')");
    EXPECT_EQ(unit.mWeaponObject.Get(), unit.FindObject("flare_mgun_02").Get());
    Run("SetCurrentWeapon(car, 'nothing')");
    EXPECT_FALSE(unit.mWeaponObject);
    EXPECT_NE(lua.Run("SetCurrentWeapon(car, {})").find("bad argument #2"), std::string::npos);
}

TEST_F(CombatScriptFunctionsTest, TheFireInputNeedsASlotAndAnUnblockedWeaponAndStartsTheFlameAtOnce) {
    struct Case {
        const char* name;
        int32_t slot;
        bool blocked;
        int32_t kind;
        bool firing;  // before
        const char* flag;
        bool fire;        // after
        float flameTick;  // after, from 0.15
    };
    const Case cases[] = {
        {"fires", 0, false, CPPlayer::kLightGun, false, "true", true, 0.15f},
        {"a number is true", 0, false, CPPlayer::kLightGun, false, "0", true, 0.15f},
        {"released", 0, false, CPPlayer::kLightGun, true, "false", false, 0.15f},
        {"no slot", -1, false, CPPlayer::kLightGun, false, "true", false, 0.15f},
        {"blocked", 0, true, CPPlayer::kLightGun, false, "true", false, 0.15f},
        {"the flame starts burning at once", 2, false, CPPlayer::kFlameThrower, false, "true", true, 0.0f},
        {"the held flame keeps its tick", 2, false, CPPlayer::kFlameThrower, true, "true", true, 0.15f},
        {"a blocked flame does not start", 2, true, CPPlayer::kFlameThrower, false, "true", false, 0.15f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        unit.mWeaponSlot = c.slot;
        unit.mWeaponBlocked = c.blocked;
        unit.mWeaponKind = c.kind;
        unit.mFireInput = c.firing;
        unit.mFlameTick = 0.15f;
        Run(std::string("SetShot(car, ") + c.flag + ") SetShot(nil, false) SetShot(stranger, false)");
        EXPECT_EQ(unit.mFireInput, c.fire);
        EXPECT_EQ(unit.mFlameTick, c.flameTick);
    }
}

TEST_F(CombatScriptFunctionsTest, TheMineInputNeedsAReadyUnblockedMine) {
    struct Case {
        bool ready, blocked;
        const char* flag;
        bool input;
    };
    for (const Case& c : {Case{true, false, "true", true}, Case{true, false, "nil", false}, Case{false, false, "true", false},
                          Case{true, true, "true", false}}) {
        SCOPED_TRACE(std::string(c.flag) + (c.ready ? " ready" : "") + (c.blocked ? " blocked" : ""));
        unit.mMineReady = c.ready;
        unit.mMineBlocked = c.blocked;
        unit.mMineInput = !c.input;
        Run(std::string("SetMineShot(car, ") + c.flag + ") SetMineShot(nil, false)");
        EXPECT_EQ(unit.mMineInput, c.input);
    }
}

// KillPlayer on the units of the test level.
class KillPlayerScriptTest : public ::testing::Test {
protected:
    LevelLoadRig load;
    LuaScriptRig lua;
};

TEST_F(KillPlayerScriptTest, AKilledUnitIsHiddenParkedBelowTheLevelAndOutOfThePhysicsWorld) {
    ASSERT_TRUE(load.Load());
    CPPlayer* unit = load.Level().mPlayer;
    ASSERT_NE(unit, nullptr);
    CPPhysicData* data = unit->GetPhysicData();
    ASSERT_NE(data, nullptr);
    ASSERT_NE(data->mRigidBody, nullptr);
    ASSERT_TRUE(load.physics.IsRegistered(unit));
    PhysRigidBody* body = data->mRigidBody;
    lua.SetHandle("car", unit);
    ASSERT_EQ(lua.Run("KillPlayer(nil) KillPlayer()"), "");
    EXPECT_TRUE(unit->IsVisible());
    EXPECT_TRUE(load.physics.IsRegistered(unit));

    ASSERT_EQ(lua.Run("KillPlayer(car)"), "");
    EXPECT_FALSE(unit->IsVisible());
    EXPECT_FALSE(unit->IsCollidable());
    EXPECT_EQ(data->mRigidBody, nullptr);
    EXPECT_LE(body->GetPosition().z, CPPhysicWorld::kFirstParkingHeight);
    EXPECT_FALSE(load.physics.IsRegistered(unit));
}

}  // namespace
