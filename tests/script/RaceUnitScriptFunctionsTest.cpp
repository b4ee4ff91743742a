#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "Render/CPCamera.h"
#include "Render/PCamera.h"
#include "core/CPCommandTask.h"
#include "core/CPGameObject.h"
#include "core/ServiceGlobals.h"
#include "simulation/level/CPLevel.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/PhysRigidBody.h"
#include "simulation/units/CPPlayer.h"
#include "simulation/vehicle/CPCar.h"
#include "support/CommandLog.h"
#include "support/LevelLoadRig.h"
#include "support/LuaScriptRig.h"
#include "support/MathExpect.h"
#include "support/RecordingShot.h"
#include "support/ScopedGlobal.h"

namespace {

constexpr float kHalf = 0.70710677f;  // sqrt(1/2)
// A quarter turn about z: the unit faces +x.
const D3DXQUATERNION kFacingPlusX(0.0f, 0.0f, kHalf, kHalf);

// The test level with seven enemies loaded, a "gamemenu" receiver, and the scripts' handles "player",
// "u0" .. "u6" for its units; results that are units read back as those names.
class RaceUnitScriptFunctionsTest : public ::testing::Test {
protected:
    RaceUnitScriptFunctionsTest() : load(Tree()) {
        loaded = load.Load();
        gTaskKernel->AddTask(&gamemenu);
        load.dispatcher.Register(&gamemenu, "gamemenu");
        lua.Run("label = {}");
        Name("player", Level().mPlayer);
        for (size_t i = 0; i < Level().mEnemies.size(); ++i) Name("u" + std::to_string(i), Level().mEnemies[i]);
        Name("crate", &crate);
    }
    ~RaceUnitScriptFunctionsTest() override { load.dispatcher.Unregister(&gamemenu); }

    static TestLevelTree Tree() {
        TestLevelTree tree;
        tree.enemies = 7;
        return tree;
    }
    void Name(const std::string& name, const CPRefObject* handle) {
        lua.SetHandle(name.c_str(), handle);
        lua.Run("label[" + name + "] = '" + name + "'");
    }
    void SetUp() override {
        ASSERT_TRUE(loaded) << Level().GetLoadError();
        ASSERT_EQ(Level().mEnemies.size(), 7u);
        ASSERT_EQ(Level().mCameraTarget, Level().mPlayer);
    }

    CPLevel& Level() { return load.Level(); }
    CPPlayer& Player() { return *Level().mPlayer; }
    CPPlayer& Unit(size_t i) { return *Level().mEnemies.at(i); }
    CPCar& CarOf(CPPlayer& unit) { return *unit.GetCar(); }
    PhysRigidBody& BodyOf(CPPlayer& unit) { return *unit.GetPhysicData()->mRigidBody; }
    std::vector<CPPlayer*> AllUnits() {
        std::vector<CPPlayer*> units = Level().mEnemies;
        units.push_back(Level().mPlayer);
        return units;
    }

    void Run(const std::string& code) { ASSERT_EQ(lua.Run(code), "") << code; }
    // The results of one call as text, "a,b,c" ("" for none); a unit reads as its handle's name.
    std::string Results(const std::string& call) {
        EXPECT_EQ(lua.Run("local r = {" + call + "} local t = {} for i = 1, table.getn(r) do "
                          "if type(r[i]) == 'userdata' then t[i] = label[r[i]] or 'other' else t[i] = tostring(r[i]) end "
                          "end out = table.concat(t, ',')"),
                  "")
            << call;
        return lua.Text("out");
    }

    LevelLoadRig load;
    bool loaded = false;
    CPCommandTask gamemenu;
    CPGameObject crate{"crate"};  // a live engine object that is not a race unit
    LuaScriptRig lua;
};

TEST_F(RaceUnitScriptFunctionsTest, TheFollowedUnitIsTheCameraTarget) {
    CPPlayer& followed = Unit(1);
    Level().mCameraTarget = &followed;
    followed.SetPosition(D3DXVECTOR3(1.5f, -2.0f, 3.0f));
    followed.SetRotation(kFacingPlusX);
    followed.mDamage = 42.5f;
    followed.mWrecked = true;
    followed.mAbilities = 3;
    load.gameData->mMaxAbilityCount = 7;
    Level().mPlayerSpeed = 12.5f;
    CPCar& car = CarOf(followed);
    car.mYawDegrees = 10.5f;
    car.mPitchDegrees = -4.25f;
    car.mSteer = 0.5f;
    car.mNitroReserve = 40.0f;
    car.mNitro = 5.0f;

    EXPECT_EQ(Results("GetPlayerPosition()"), "1.5,-2,3");
    Run("dx, dy, dz = GetPlayerDirection()");
    ExpectVec3Near(D3DXVECTOR3(float(lua.Number("dx")), float(lua.Number("dy")), float(lua.Number("dz"))),
                   D3DXVECTOR3(1.0f, 0.0f, 0.0f));
    EXPECT_EQ(Results("GetPlayerSpeed(), GetPlayerSlide(), GetPlayerDamage(), IsDead(), IsPlayerDead()"),
              "12.5,1,42.5,true,false");
    EXPECT_EQ(Results("GetPlayerMass()"), "20") << "the test car's mass";
    EXPECT_EQ(Results("ActivateAbilities()"), "3,7");
    EXPECT_EQ(Results("GetNitro(), IsNitro()"), "40,true");
    Run("yaw, pitch, speed, steer = GetStats()");
    EXPECT_EQ(lua.Number("yaw"), 10.5);
    EXPECT_EQ(lua.Number("pitch"), -4.25);
    EXPECT_EQ(lua.Number("speed"), 12.5);
    EXPECT_NEAR(lua.Number("steer"), 28.6479, 1e-4) << "half a radian in degrees";

    followed.mDamage = 100.0f;
    EXPECT_EQ(Results("IsPlayerDead()"), "true");
    for (auto [reserve, nitro] : {std::pair{0.0f, 5.0f}, std::pair{40.0f, 0.0f}}) {
        car.mNitroReserve = reserve;
        car.mNitro = nitro;
        EXPECT_EQ(Results("IsNitro()"), "false") << reserve << " " << nitro;
    }
}

TEST_F(RaceUnitScriptFunctionsTest, WithoutALevelOrAFollowedUnitNothingIsTouchedAndOnlyTheFixedAnswersCome) {
    ShotFactoryRig factory({"super"});
    load.gameData->mRealCarConfig.mSuperWeaponCount = 2;
    Level().mPlayerSpeed = 12.5f;
    struct Case {
        const char* call;
        const char* noLevel;
        const char* noFollowedUnit;
    };
    const Case cases[] = {
        {"GetPlayerPosition()", "0,0,0", "0,0,0"},
        {"GetPlayerSpeed()", "0", "12.5"},
        {"GetPlayerSlide()", "1", "1"},
        {"GetStats()", "0,0,0,0", "0,0,0,0"},
        {"IsDead()", "true", "true"},
        {"IsDamageMsg()", "false", "false"},
        {"GetPlayerDirection()", "", ""},
        {"GetPlayerMass()", "", ""},
        {"GetPlayerMass(u0)", "", "20"},
        {"GetPlayerDamage()", "", ""},
        {"IsPlayerDead()", "", ""},
        {"IsPlayerDead('zil_130')", "", "false"},
        {"GetAIDamage('uaz_469')", "", "0"},
        {"GetNitro()", "", ""},
        {"IsNitro()", "", ""},
        {"IsPlayerMoveForward()", "", ""},
        {"IsPlayerMovingBackwards()", "", "false"},
        {"ActivateAbilities()", "", ""},
        {"IsDarkLeft()", "", "0"},
        {"IsLightLeft()", "", "0"},
        {"GetNearestSelvantaPlayer(0, 0, 0, true)", "", ""},
        {"GetNearestOrvantaPlayer(0, 0, 0)", "", ""},
        {"PlayerNitro(30)", "", ""},
        {"PlayerApplyImpulse(0, 0, 50)", "", ""},
        {"PlayerApplyImpulse(1, 2, 3, 0, 0, 50)", "", ""},
        {"StopPlayerCar()", "", ""},
        {"SetAbilitiesCount(5)", "", ""},
        {"LockPlayer(true)", "", ""},
        {"SmartBomb()", "", ""},
    };
    Player().mSideFlags = kSideSelvanta | kSideOrvanta;
    CarOf(Player()).mVelocity = D3DXVECTOR3(1.0f, 2.0f, 3.0f);
    BodyOf(Player()).SetVelocity(D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f));
    for (bool withLevel : {false, true}) {
        ScopedGlobal<CPLevel*> level(gLevel, withLevel ? &Level() : nullptr);
        Level().mCameraTarget = nullptr;
        for (const Case& c : cases)
            EXPECT_EQ(Results(c.call), withLevel ? c.noFollowedUnit : c.noLevel) << c.call << " level " << withLevel;
        Level().mCameraTarget = &Player();
    }
    // The player's unit, no longer followed, kept everything.
    EXPECT_EQ(CarOf(Player()).mNitro, 0.0f);
    EXPECT_EQ(Player().mAbilities, 0);
    EXPECT_FALSE(Player().mLocked);
    ExpectVec4Near(BodyOf(Player()).GetVelocity(), D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f));
    EXPECT_TRUE(factory.Launched().empty());
    EXPECT_EQ(load.gameData->mRealCarConfig.mSuperWeaponCount, 2);
    EXPECT_TRUE(DrainCommandTexts(gamemenu).empty());

    // Without a level the level-wide setters and the shot request do nothing either.
    ScopedGlobal<CPLevel*> noLevel(gLevel, nullptr);
    Run("LockPlayers(true) SetWeaponPos(1, 2, 3) PlayerShot()");
    for (CPPlayer* unit : AllUnits()) EXPECT_FALSE(unit->mLocked);
    EXPECT_FALSE(Level().mShotRequest);
    EXPECT_EQ(Player().mAimPoint, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
}

TEST_F(RaceUnitScriptFunctionsTest, FunctionsOnAUnitArgumentIgnoreWhatIsNotALiveUnit) {
    int notAnObject = 0;
    lua.SetLightUserdata("stray", &notAnObject);
    const char* calls[] = {"SetCarParams(%, 1, 0.5)", "SetBrake(%, true)",          "SetBrake2(%, true)",
                           "SetStop(%, true)",         "Spawn(%)",                   "ThrowPlayer(%)",
                           "ActivateAbilitiesAI(%)",   "SetAbilitiesCountAI(%, 4)", "GetPlayerSpeedAI(%)",
                           "GetPlayerDirectionAI(%)",  "PlayerNitroAI(%, 50, 1)",    "PlayerNitroAI(%)"};
    for (const char* argument : {"nil", "crate", "stray"}) {
        for (std::string call : calls) {
            call.replace(call.find('%'), 1, argument);
            EXPECT_EQ(Results(call), "") << call;
        }
        EXPECT_EQ(Results(std::string("IsInGloom(") + argument + ")"), "false") << argument;
        EXPECT_EQ(Results(std::string("GetPlayerMass(") + argument + ")"), "0") << argument;
    }
    Unit(0).mInGloom = true;
    EXPECT_EQ(Results("IsInGloom(u0), IsInGloom(u1)"), "true,false");
}

TEST_F(RaceUnitScriptFunctionsTest, TheFollowedUnitTakesNitroAbilitiesLocksAndTheShotRequest) {
    CarOf(Player()).mNitroReserve = 100.0f;
    Run("PlayerNitro(30)");
    EXPECT_EQ(CarOf(Player()).mNitro, 30.0f);
    Run("PlayerNitro(0/0)");
    EXPECT_EQ(CarOf(Player()).mNitro, 30.0f) << "an amount that is not a number is refused";
    Level().mGameOver = true;
    Run("PlayerNitro(10)");
    EXPECT_EQ(CarOf(Player()).mNitro, 30.0f) << "no nitro once the race is over";
    Level().mGameOver = false;

    for (auto [argument, count] : {std::pair{"3.9", 3}, std::pair{"-2.5", -2}, std::pair{"'7'", 7}}) {
        Run(std::string("SetAbilitiesCount(") + argument + ")");
        EXPECT_EQ(Player().mAbilities, count) << argument;
    }

    Run("LockPlayer(true)");
    EXPECT_TRUE(Player().mLocked);
    EXPECT_TRUE(CarOf(Player()).mHeld);
    for (size_t i = 0; i < 7; ++i) EXPECT_FALSE(Unit(i).mLocked) << i;
    Run("LockPlayer(false) LockPlayers(1)");
    for (CPPlayer* unit : AllUnits()) EXPECT_TRUE(unit->mLocked);
    Run("LockPlayers(nil)");
    for (CPPlayer* unit : AllUnits()) EXPECT_FALSE(unit->mLocked);

    Run("PlayerShot()");
    EXPECT_TRUE(Level().mShotRequest);
}

// Impulses land on the unit's rigid body: its velocity changes by impulse / mass, its angular momentum by
// (point - body centre) x impulse.
TEST_F(RaceUnitScriptFunctionsTest, ImpulsesReachTheBodyAtTheirPoints) {
    const float mass = TestLevelTree::kCarMass;
    const D3DXVECTOR3 at(10.0f, 20.0f, 1.0f);
    struct Case {
        const char* call;
        size_t unit;  // 7: the player
        int32_t side;
        const char* model;
        D3DXVECTOR3 point, impulse;  // point relative to the unit's position
    };
    const D3DXVECTOR3 none(0.0f, 0.0f, 0.0f);
    const Case cases[] = {
        {"PlayerApplyImpulse(2, 0, 4)", 7, 0, "uaz", none, D3DXVECTOR3(2.0f, 0.0f, 4.0f)},
        {"PlayerApplyImpulse(10, 21, 1, 0, 0, 4)", 7, 0, "uaz", D3DXVECTOR3(0.0f, 1.0f, 0.0f), D3DXVECTOR3(0.0f, 0.0f, 4.0f)},
        {"PlayerApplyImpulse(0/0, 0, 4)", 7, 0, "uaz", none, none},
        // The car moves at (1, -2, 0.5): four times the opposite.
        {"StopPlayerCar()", 7, 0, "uaz", none, D3DXVECTOR3(-4.0f, 8.0f, -2.0f)},
        // Facing +x: the throw lifts the tail, one unit behind, or two for the heavy truck.
        {"ThrowPlayer(u2)", 2, kSideSelvanta, "subaru3", D3DXVECTOR3(-1.0f, 0.0f, 0.0f), D3DXVECTOR3(0, 0, 62.5f * mass)},
        {"ThrowPlayer(u2)", 2, kSideSelvanta | kSideOrvanta, "zil_130_", D3DXVECTOR3(-2.0f, 0.0f, 0.0f),
         D3DXVECTOR3(0, 0, 31.25f * mass)},
        {"ThrowPlayer(u2)", 2, kSideOrvanta, "subaru3", none, none},
        {"ThrowPlayer(player)", 7, kSideSelvanta, "uaz", D3DXVECTOR3(-1.0f, 0.0f, 0.0f), D3DXVECTOR3(0, 0, 62.5f * mass)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        CPPlayer& unit = c.unit == 7 ? Player() : Unit(c.unit);
        unit.SetPosition(at);
        unit.SetRotation(kFacingPlusX);
        unit.mSideFlags = c.side;
        unit.mModelName = c.model;
        CarOf(unit).mVelocity = D3DXVECTOR3(1.0f, -2.0f, 0.5f);
        PhysRigidBody& body = BodyOf(unit);
        body.SetVelocity(D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f));
        body.SetAngularMomentum(D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f));
        Run(c.call);
        ExpectVec4Near(body.GetVelocity(), D3DXVECTOR4(c.impulse.x / mass, c.impulse.y / mass, c.impulse.z / mass, 0.0f));
        const D3DXVECTOR4& centre = body.GetPosition();
        const D3DXVECTOR3 arm = at + c.point - D3DXVECTOR3(centre.x, centre.y, centre.z);
        D3DXVECTOR3 spin;
        D3DXVec3Cross(&spin, &arm, &c.impulse);
        const D3DXVECTOR4& momentum = body.GetAngularMomentum();
        ExpectVec3Near(D3DXVECTOR3(momentum.x, momentum.y, momentum.z), spin, 1e-3f);
    }
}

TEST_F(RaceUnitScriptFunctionsTest, UnitArgumentsTakeControlsLightsAbilitiesNitroAndRespawn) {
    CPPlayer& unit = Unit(3);
    CPCar& car = CarOf(unit);
    Run("SetCarParams(u3, 0.75, -0.5)");
    EXPECT_EQ(unit.mThrottle, 0.75f);
    EXPECT_EQ(unit.mSteering, -0.5f);
    Run("SetCarParams(u3, 0/0, 1) SetCarParams(u3, 1, 1/0)");
    EXPECT_EQ(unit.mThrottle, 0.75f) << "controls that are not finite are refused";
    EXPECT_EQ(unit.mSteering, -0.5f);

    struct Light {
        const char* call;
        bool brake, drift, stop;
    };
    for (const Light& l : {Light{"SetBrake(u3, true)", true, true, false}, Light{"SetBrake2(u3, true)", true, false, false},
                           Light{"SetBrake(u3, false)", false, true, false}, Light{"SetStop(u3, 1)", false, true, true},
                           Light{"SetStop(u3, nil)", false, true, false}}) {
        Run(l.call);
        EXPECT_EQ(car.mBrakeInput, l.brake) << l.call;
        EXPECT_EQ(car.mDriftInput, l.drift) << l.call;
        EXPECT_EQ(car.mStopInput, l.stop) << l.call;
    }

    Run("SetAbilitiesCountAI(u3, 4.7)");
    EXPECT_EQ(unit.mAbilities, 4);
    car.mSpeed = 17.5f;
    unit.SetRotation(kFacingPlusX);
    EXPECT_EQ(Results("ActivateAbilitiesAI(u3), GetPlayerSpeedAI(u3)"), "4,17.5");
    Run("dx, dy, dz = GetPlayerDirectionAI(u3)");
    ExpectVec3Near(D3DXVECTOR3(float(lua.Number("dx")), float(lua.Number("dy")), float(lua.Number("dz"))),
                   D3DXVECTOR3(1.0f, 0.0f, 0.0f));

    // With more than the unit the AI's nitro holds the throttle and leaves the car's nitro; the unit
    // alone gets the car's nitro at the absent amount.
    car.mNitroReserve = 100.0f;
    car.mNitro = 25.0f;
    Run("PlayerNitroAI(u3, 50, 1)");
    EXPECT_TRUE(unit.mThrottleHold);
    EXPECT_EQ(unit.mThrottle, 0.0f);
    EXPECT_EQ(car.mNitro, 25.0f);
    Run("PlayerNitroAI(u3)");
    EXPECT_EQ(car.mNitro, 0.0f);

    // A forced respawn puts the unit back on the race path, far from where it stood, and starts the cooldown.
    unit.SetPosition(D3DXVECTOR3(0.0f, 0.0f, 50.0f));
    Run("Spawn(u3)");
    EXPECT_EQ(unit.mRespawnCooldown, 1.0f);
    const D3DXVECTOR3 p = unit.GetPosition();
    EXPECT_NEAR(std::hypot(p.x, p.y), TestLevelTree::kPathRadius, TestLevelTree::kRoadHalfWidth);
}

// The units stand on the x axis; the queries look from the origin, so a unit's distance is |x|.
TEST_F(RaceUnitScriptFunctionsTest, NearestSideQueriesFollowTheirCandidatesLimitsAndTies) {
    struct Placed {
        size_t unit;  // 7: the player (followed)
        float x;
        int32_t side;
        float damage;
    };
    struct Case {
        const char* name;
        std::vector<Placed> placed;
        const char* call;
        const char* result;
    };
    const int32_t S = kSideSelvanta, O = kSideOrvanta, T = kSideThird;
    const char* selvanta = "GetNearestSelvantaPlayer(0, 0, 0)";
    const char* wide = "GetNearestSelvantaPlayer(0, 0, 0, true)";
    const char* orvanta = "GetNearestOrvantaPlayer(0, 0, 0)";
    const Case cases[] = {
        {"the nearest Selvanta unit", {{0, 30, S, 0}, {1, 10, S, 0}, {2, 20, S, 0}}, selvanta, "10,0,0,u1,10"},
        {"destroyed units of the list are skipped", {{1, 10, S, 100}, {2, 20, S, 0}}, selvanta, "20,0,0,u2,20"},
        {"a destroyed followed unit is not", {{7, 5, S, 150}, {2, 20, S, 0}}, selvanta, "5,0,0,player,5"},
        {"the later of two at one distance", {{0, 10, S, 0}, {3, -10, S, 0}}, selvanta, "-10,0,0,u3,10"},
        {"the followed unit only when strictly nearer", {{7, 10, S, 0}, {0, -10, S, 0}}, selvanta, "-10,0,0,u0,10"},
        {"other sides are no candidates", {{0, 10, O, 0}, {1, 20, T, 0}, {2, 30, O | S, 0}}, selvanta, "30,0,0,u2,30"},
        {"a unit beyond the fifth is not seen", {{5, 1, S, 0}, {0, 50, S, 0}}, selvanta, "50,0,0,u0,50"},
        {"the wide form sees it", {{5, 1, S, 0}, {0, 50, S, 0}}, wide, "1,0,0,u5,1"},
        {"the wide form takes the third side, destroyed or not", {{6, 3, T, 200}, {0, 50, S, 0}}, wide, "3,0,0,u6,3"},
        {"nothing within 10000", {{0, 20000, S, 0}}, selvanta, ""},
        {"a destroyed Orvanta unit is found", {{1, 5, O, 100}, {0, 8, O, 0}}, orvanta, "5,0,0,u1,5"},
        {"Orvanta looks at five units only", {{5, 1, O, 0}}, orvanta, ""},
        {"a nearer followed Orvanta unit", {{7, 2, O, 0}, {0, 4, O, 0}}, orvanta, "2,0,0,player,2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (CPPlayer* unit : AllUnits()) {
            unit->SetPosition(D3DXVECTOR3(5000.0f, 0.0f, 0.0f));
            unit->mSideFlags = 0;
            unit->mDamage = 0.0f;
        }
        for (const Placed& p : c.placed) {
            CPPlayer& unit = p.unit == 7 ? Player() : Unit(p.unit);
            unit.SetPosition(D3DXVECTOR3(p.x, 0.0f, 0.0f));
            unit.mSideFlags = p.side;
            unit.mDamage = p.damage;
        }
        EXPECT_EQ(Results(c.call), c.result) << c.call;
    }
}

TEST_F(RaceUnitScriptFunctionsTest, SidesAreLeftWhileOneOfTheFirstFiveUnitsStands) {
    struct Case {
        const char* name;
        size_t unit;  // 7: the player
        int32_t side;
        float damage;
        const char* darkAndLight;
    };
    for (const Case& c : {Case{"an Orvanta unit", 0, kSideOrvanta, 99.0f, "1,0"},
                          Case{"a destroyed one", 0, kSideOrvanta, 100.0f, "0,0"},
                          Case{"the fifth Selvanta unit", 4, kSideSelvanta, 0.0f, "0,1"},
                          Case{"the sixth", 5, kSideSelvanta | kSideOrvanta, 0.0f, "0,0"},
                          Case{"the followed unit does not count", 7, kSideSelvanta | kSideOrvanta, 0.0f, "0,0"}}) {
        for (CPPlayer* unit : AllUnits()) unit->mSideFlags = 0;
        CPPlayer& unit = c.unit == 7 ? Player() : Unit(c.unit);
        unit.mSideFlags = c.side;
        unit.mDamage = c.damage;
        EXPECT_EQ(Results("IsDarkLeft(), IsLightLeft()"), c.darkAndLight) << c.name;
    }
}

TEST_F(RaceUnitScriptFunctionsTest, DamageByModelNameLooksForTheUnitsCarName) {
    Unit(0).mModelName = "uaz";
    Unit(0).mDamage = 100.0f;
    Unit(1).mModelName = "bmw";
    Unit(1).mDamage = 30.0f;
    Unit(2).mModelName = "subaru3";
    Unit(2).mDamage = 7.0f;
    Unit(3).mModelName = "bmw";  // a later unit of the same car is never reached
    Unit(3).mDamage = 100.0f;
    Unit(4).mModelName = "volswagen_toureg";
    Unit(4).mDamage = 120.0f;
    Player().mModelName = "zil_130_";
    Player().mDamage = 120.0f;
    struct Case {
        const char* name;
        const char* damage;
        const char* dead;
    };
    for (const Case& c : {Case{"uaz_469", "100", "true"}, Case{"bmw_i745", "30", "false"},
                          Case{"subaru3", "7", "false"}, Case{"volk_t", "120", "true"},
                          // The followed unit is searched only by IsPlayerDead, after the list.
                          Case{"zil_130", "0", "true"}, Case{"nobody", "0", "false"}}) {
        EXPECT_EQ(Results(std::string("GetAIDamage('") + c.name + "')"), c.damage) << c.name;
        EXPECT_EQ(Results(std::string("IsPlayerDead('") + c.name + "')"), c.dead) << c.name;
    }
    EXPECT_EQ(Results("IsPlayerDead(nil)"), "true") << "nil asks about the followed unit";
}

TEST_F(RaceUnitScriptFunctionsTest, ADamageMessageIsDueAtGameOverOrOnceThePlayerWasDefeated) {
    CPPlayer* const player = Level().mPlayer;
    struct Case {
        bool gameOver, defeatSent, withPlayer;
        const char* result;
    };
    for (const Case& c : {Case{false, false, true, "false"}, Case{true, false, true, "true"},
                          Case{false, true, true, "true"}, Case{false, true, false, "false"},
                          Case{true, true, false, "true"}}) {
        Level().mGameOver = c.gameOver;
        player->mDefeatSent = c.defeatSent;
        Level().mPlayer = c.withPlayer ? player : nullptr;
        EXPECT_EQ(Results("IsDamageMsg()"), c.result) << c.gameOver << c.defeatSent << c.withPlayer;
    }
    Level().mPlayer = player;
    Level().mGameOver = false;
}

// The camera looks along -y from the origin, or at its fixed target (+y) while its fixed view is on.
TEST_F(RaceUnitScriptFunctionsTest, MovingForwardIsWithinAQuarterTurnOfTheCamerasView) {
    ASSERT_NE(Level().mCamera, nullptr);
    CPCamera& camera = *Level().mCamera;
    camera.GetViewCamera()->SetEye(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    camera.mFocus = D3DXVECTOR3(0.0f, -10.0f, 0.0f);
    camera.mFixedTarget = D3DXVECTOR3(0.0f, 10.0f, 0.0f);
    struct Case {
        bool fixedView;
        D3DXVECTOR3 velocity;
        const char* result;
    };
    for (const Case& c : {Case{false, D3DXVECTOR3(0, -5, 0), "true"}, Case{false, D3DXVECTOR3(3, -1, 2), "true"},
                          Case{false, D3DXVECTOR3(5, 0, 0), "true"}, Case{false, D3DXVECTOR3(-1, 1, 0), "false"},
                          Case{false, D3DXVECTOR3(0, 5, 0), "false"}, Case{false, D3DXVECTOR3(0, 0, 0), "true"},
                          Case{true, D3DXVECTOR3(0, 5, 0), "true"}, Case{true, D3DXVECTOR3(0, -5, 0), "false"}}) {
        camera.mFixedView = c.fixedView;
        CarOf(Player()).mVelocity = c.velocity;
        EXPECT_EQ(Results("IsPlayerMoveForward()"), c.result)
            << c.fixedView << " " << c.velocity.x << " " << c.velocity.y << " " << c.velocity.z;
    }
    // A level without its camera has no view to compare with: no answer.
    ScopedGlobal<CPCamera*> noCamera(Level().mCamera, nullptr);
    EXPECT_EQ(Results("IsPlayerMoveForward()"), "");
}

TEST_F(RaceUnitScriptFunctionsTest, MovingBackwardsIsTheLevelsTest) {
    Level().mPathAngle = 0.0f;
    for (auto [heading, reverse, result] : {std::tuple{3.0f, false, "true"}, std::tuple{0.5f, false, "false"},
                                            std::tuple{3.0f, true, "false"}, std::tuple{0.5f, true, "true"}}) {
        Level().mHeading = heading;
        Level().mReverse = reverse;
        EXPECT_EQ(Results("IsPlayerMovingBackwards()"), result) << heading << " " << reverse;
    }
}

TEST_F(RaceUnitScriptFunctionsTest, SmartBombFiresFromTheFollowedUnitAndSpendsACharge) {
    ShotFactoryRig factory({"super"});
    Player().SetPosition(D3DXVECTOR3(4.0f, -6.0f, 1.5f));
    Player().SetRotation(kFacingPlusX);
    load.gameData->mRealCarConfig.mSuperWeaponCount = 2;
    Run("SmartBomb()");
    ASSERT_EQ(factory.Launched().size(), 1u);
    const RecordingShot::Launched& bomb = factory.Launched()[0];
    EXPECT_EQ(bomb.kind, "super");
    EXPECT_EQ(bomb.position, D3DXVECTOR3(4.0f, -6.0f, 1.5f));
    ExpectVec3Near(bomb.direction, D3DXVECTOR3(1.0f, 0.0f, 0.0f));
    EXPECT_EQ(bomb.value, -1.0f);
    EXPECT_EQ(bomb.owner, nullptr);
    EXPECT_EQ(bomb.extra, 0);
    EXPECT_EQ(load.gameData->mRealCarConfig.mSuperWeaponCount, 1);
    EXPECT_EQ(DrainCommandTexts(gamemenu), std::vector<std::string>{"update_game_interface"});

    // The last charge goes; with none left nothing is fired or posted.
    Run("SmartBomb() SmartBomb()");
    EXPECT_EQ(factory.Launched().size(), 2u);
    EXPECT_EQ(load.gameData->mRealCarConfig.mSuperWeaponCount, 0);
    EXPECT_EQ(DrainCommandTexts(gamemenu).size(), 1u);
    load.gameData->mRealCarConfig.mSuperWeaponCount = -3;
    Run("SmartBomb()");
    EXPECT_EQ(factory.Launched().size(), 2u);
    EXPECT_EQ(load.gameData->mRealCarConfig.mSuperWeaponCount, -3);
    EXPECT_TRUE(DrainCommandTexts(gamemenu).empty());
}

TEST_F(RaceUnitScriptFunctionsTest, SetWeaponPosAimsThePlayersWeapon) {
    Level().mCameraTarget = &Unit(0);  // the weapon is the player's whoever is followed
    Run("SetWeaponPos(1, 2, 3, crate)");
    EXPECT_EQ(Player().mAimPoint, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    Run("SetWeaponPos(0/0, 5, 6) SetWeaponPos(4, 5, 1/0, u1)");
    EXPECT_EQ(Player().mAimPoint, D3DXVECTOR3(1.0f, 2.0f, 3.0f)) << "an aim point that is not finite is refused";
    Run("SetWeaponPos(4, 5, 6)");
    EXPECT_EQ(Player().mAimPoint, D3DXVECTOR3(4.0f, 5.0f, 6.0f));
}

}  // namespace
