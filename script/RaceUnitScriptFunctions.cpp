#include "script/RaceUnitScriptFunctions.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "Render/CPCamera.h"
#include "Render/PCamera.h"
#include "core/Angles.h"
#include "core/CPCommandDispatcher.h"
#include "core/CPObjectFactory.h"
#include "core/ServiceGlobals.h"
#include "script/ScriptCalls.h"
#include "simulation/level/CPGameData.h"
#include "simulation/level/CPLevel.h"
#include "simulation/units/CPPlayer.h"
#include "simulation/vehicle/CPCar.h"

namespace ScriptFunctions {
using namespace ScriptCalls;

namespace {
constexpr float kDestroyedDamage = 100.0f;  // a unit with this much damage or more counts as destroyed
constexpr float kStopImpulseFactor = -4.0f;  // StopPlayerCar: impulse per unit of car velocity
// The nearest-side queries: the best distance before any unit is found, and how many units of the
// level's list they look at (the Selvanta query's wide form looks further).
constexpr float kNoNearestUnit = 10000.0f;
constexpr size_t kSideQueryUnits = 5;
constexpr size_t kWideSideQueryUnits = 20;
// ThrowPlayer: the heavy truck is lifted half as hard, twice as far behind its centre.
constexpr const char* kHeavyTruck = "zil_130_";
constexpr float kHeavyThrow = 31.25f;
constexpr float kThrow = 62.5f;

// The car of the followed unit; null without one.
CPCar* FollowedCar() {
    CPPlayer* unit = FollowedUnit();
    return unit ? unit->GetCar() : nullptr;
}

// The race unit behind the handle at `index`; null for nil and for anything that is not a live unit.
CPPlayer* UnitArgument(lua_State* L, int index) { return ToObject<CPPlayer>(L, index); }

bool IsDestroyed(const CPPlayer& unit) { return unit.mDamage >= kDestroyedDamage; }

// The car name of a unit from the model name the scripts use; a name not in the list is the car name.
const char* CarNameOf(const char* modelName) {
    static constexpr const char* kCarNames[][2] = {
        {"zil_130", "zil_130_"}, {"uaz_469", "uaz"},    {"gaz_z110", "gaz_3110_main"},
        {"audi_tt", "audi_tt"},  {"bmw_i745", "bmw"},   {"volk_t", "volswagen_toureg"},
    };
    for (const auto& entry : kCarNames)
        if (std::strcmp(modelName, entry[0]) == 0) return entry[1];
    return modelName;
}

// The first unit of the level's list whose car name is `carName`; null when none is.
CPPlayer* FindUnitByCarName(const CPLevel& level, const std::string& carName) {
    for (CPPlayer* unit : level.mEnemies)
        if (unit && unit->mModelName == carName) return unit;
    return nullptr;
}

// Whether one of the first units of the level's list carries the side bit and is not destroyed.
bool SideLeft(const CPLevel& level, int32_t side) {
    const size_t count = std::min(level.mEnemies.size(), kSideQueryUnits);
    for (size_t i = 0; i < count; ++i) {
        const CPPlayer* unit = level.mEnemies[i];
        if (unit && unit->HasSide(side) && !IsDestroyed(*unit)) return true;
    }
    return false;
}

// The nearest-side query: the nearest candidate among the first `limit` units of the level's list (a
// later unit wins a tie), then the followed unit when it carries `side` and is strictly nearer. Pushes
// the chosen unit's x, y, z, the unit and the distance; nothing when none was chosen.
template <class IsCandidate>
int PushNearestUnit(lua_State* L, const CPLevel& level, int32_t side, size_t limit, IsCandidate isCandidate) {
    const D3DXVECTOR3 from = ToVector(L, 1);
    auto distanceTo = [&from](const CPPlayer& unit) {
        const D3DXVECTOR3 offset = unit.GetPosition() - from;
        return D3DXVec3Length(&offset);
    };
    float best = kNoNearestUnit;
    CPPlayer* chosen = nullptr;
    const size_t count = std::min(level.mEnemies.size(), limit);
    for (size_t i = 0; i < count; ++i) {
        CPPlayer* unit = level.mEnemies[i];
        if (!unit || !isCandidate(*unit)) continue;
        const float distance = distanceTo(*unit);
        if (distance <= best) {
            best = distance;
            chosen = unit;
        }
    }
    if (CPPlayer* followed = level.mCameraTarget; followed && followed->HasSide(side)) {
        const float distance = distanceTo(*followed);
        if (distance < best) {
            best = distance;
            chosen = followed;
        }
    }
    if (!chosen) return 0;
    PushVector(L, chosen->GetPosition());
    PushObject(L, chosen);
    lua_pushnumber(L, best);
    return 5;
}
}  // namespace

// ---- the followed unit

// Three zeros without a level or a followed unit: the scripts take the three numbers whatever happens.
int GetPlayerPosition(lua_State* L) {
    const CPPlayer* unit = FollowedUnit();
    return PushVector(L, unit ? unit->GetPosition() : D3DXVECTOR3(0.0f, 0.0f, 0.0f));
}

int GetPlayerDirection(lua_State* L) {
    const CPPlayer* unit = FollowedUnit();
    if (!unit) return 0;
    return PushVector(L, unit->GetFacing());
}

int GetPlayerSpeed(lua_State* L) {
    lua_pushnumber(L, gLevel ? gLevel->mPlayerSpeed : 0.0f);
    return 1;
}

int GetPlayerSlide(lua_State* L) {
    lua_pushnumber(L, 1);
    return 1;
}

// With an argument (even nil) the mass of the unit passed, 0 for anything that is not a unit.
int GetPlayerMass(lua_State* L) {
    if (!gLevel) return 0;
    if (lua_gettop(L) >= 1) {
        const CPPlayer* unit = UnitArgument(L, 1);
        lua_pushnumber(L, unit ? unit->BodyMass() : 0.0f);
        return 1;
    }
    const CPPlayer* unit = FollowedUnit();
    if (!unit) return 0;
    lua_pushnumber(L, unit->BodyMass());
    return 1;
}

int GetPlayerDamage(lua_State* L) {
    const CPPlayer* unit = FollowedUnit();
    if (!unit) return 0;
    lua_pushnumber(L, unit->mDamage);
    return 1;
}

// Four zeros without a level, a followed unit or its car.
int GetStats(lua_State* L) {
    const CPCar* car = FollowedCar();
    const float values[4] = {car ? car->mYawDegrees : 0.0f, car ? car->mPitchDegrees : 0.0f,
                             car ? gLevel->mPlayerSpeed : 0.0f, car ? D3DXToDegree(car->mSteer) : 0.0f};
    for (float value : values) lua_pushnumber(L, value);
    return 4;
}

// Without a level or a followed unit there is nobody alive to follow: true.
int IsDead(lua_State* L) {
    const CPPlayer* unit = FollowedUnit();
    PushBoolean(L, unit ? unit->mWrecked : true);
    return 1;
}

int IsPlayerDead(lua_State* L) {
    const CPLevel* level = gLevel;
    if (!level) return 0;
    const CPPlayer* followed = level->mCameraTarget;
    if (lua_isnoneornil(L, 1)) {
        if (!followed) return 0;
        PushBoolean(L, IsDestroyed(*followed));
        return 1;
    }
    const std::string carName = CarNameOf(PlainString(L, 1).c_str());
    if (const CPPlayer* unit = FindUnitByCarName(*level, carName)) {
        PushBoolean(L, IsDestroyed(*unit));
    } else {
        PushBoolean(L, followed && followed->mModelName == carName && IsDestroyed(*followed));
    }
    return 1;
}

int GetAIDamage(lua_State* L) {
    const CPLevel* level = gLevel;
    if (!level) return 0;
    const std::string carName = CarNameOf(PlainString(L, 1).c_str());
    const CPPlayer* unit = FindUnitByCarName(*level, carName);
    lua_pushnumber(L, unit ? unit->mDamage : 0.0f);
    return 1;
}

int IsDamageMsg(lua_State* L) {
    const CPLevel* level = gLevel;
    PushBoolean(L, level && (level->mGameOver || (level->mPlayer && level->mPlayer->mDefeatSent)));
    return 1;
}

int GetNitro(lua_State* L) {
    const CPCar* car = FollowedCar();
    if (!car) return 0;
    lua_pushnumber(L, car->mNitroReserve);
    return 1;
}

int IsNitro(lua_State* L) {
    const CPCar* car = FollowedCar();
    if (!car) return 0;
    PushBoolean(L, car->mNitroReserve > 0.0f && car->mNitro > 0.0f);
    return 1;
}

// An amount that is not finite is refused rather than handed to the car's nitro push.
int PlayerNitro(lua_State* L) {
    CPPlayer* unit = FollowedUnit();
    const float amount = ToFloat(L, 1);
    if (!unit || gLevel->mGameOver || !std::isfinite(amount)) return 0;
    unit->SetNitro(amount);
    return 0;
}

// (fx, fy, fz) at the unit's position, or (px, py, pz, fx, fy, fz) at the point given.
int PlayerApplyImpulse(lua_State* L) {
    CPPlayer* unit = FollowedUnit();
    if (!unit) return 0;
    D3DXVECTOR3 point = unit->GetPosition();
    D3DXVECTOR3 impulse;
    const bool pointGiven = lua_gettop(L) > 3;
    if (pointGiven && !ReadFiniteVector(L, 1, point)) return 0;
    if (!ReadFiniteVector(L, pointGiven ? 4 : 1, impulse)) return 0;
    unit->ApplyImpulse(point, impulse);
    return 0;
}

int StopPlayerCar(lua_State*) {
    CPPlayer* unit = FollowedUnit();
    if (!unit) return 0;
    unit->ApplyImpulse(unit->GetPosition(), kStopImpulseFactor * unit->GetCarVelocity());
    return 0;
}

// Whether the followed car moves within a quarter turn of where the camera looks.
int IsPlayerMoveForward(lua_State* L) {
    const CPPlayer* unit = FollowedUnit();
    const CPCamera* camera = gLevel ? gLevel->mCamera : nullptr;
    if (!unit || !camera) return 0;
    const D3DXVECTOR3& looked = camera->mFixedView ? camera->mFixedTarget : camera->mFocus;
    D3DXVECTOR3 view = looked - camera->GetViewCamera()->GetEye();
    D3DXVECTOR3 velocity = unit->GetCarVelocity();
    D3DXVec3Normalize(&view, &view);
    D3DXVec3Normalize(&velocity, &velocity);
    const float angle = ClampedAcos(D3DXVec3Dot(&view, &velocity));
    PushBoolean(L, angle + kHalfPi <= D3DX_PI);
    return 1;
}

int IsPlayerMovingBackwards(lua_State* L) {
    if (!gLevel) return 0;
    PushBoolean(L, gLevel->IsPlayerMovingBackwards());
    return 1;
}

int ActivateAbilities(lua_State* L) {
    const CPPlayer* unit = FollowedUnit();
    if (!unit || !gGameData) return 0;
    lua_pushnumber(L, unit->mAbilities);
    lua_pushnumber(L, gGameData->mMaxAbilityCount);
    return 2;
}

int SetAbilitiesCount(lua_State* L) {
    if (CPPlayer* unit = FollowedUnit()) unit->mAbilities = ToInteger(L, 1);
    return 0;
}

int LockPlayer(lua_State* L) {
    if (CPPlayer* unit = FollowedUnit()) unit->SetLocked(ToBool(L, 1));
    return 0;
}

// The followed unit first, then every unit of the level's list in order.
int LockPlayers(lua_State* L) {
    CPLevel* level = gLevel;
    if (!level) return 0;
    const bool lock = ToBool(L, 1);
    if (CPPlayer* unit = level->mCameraTarget) unit->SetLocked(lock);
    for (CPPlayer* unit : level->mEnemies)
        if (unit) unit->SetLocked(lock);
    return 0;
}

// An aim point that is not finite is refused: the gun keeps its aim.
int SetWeaponPos(lua_State* L) {
    CPLevel* level = gLevel;
    D3DXVECTOR3 aimPoint;
    if (!level || !ReadFiniteVector(L, 1, aimPoint)) return 0;
    CPGameObject* target = ToObject<CPGameObject>(L, 4);
    level->SetWeaponPos(aimPoint, CPSmartPtr<CPGameObject>(target));
    return 0;
}

int PlayerShot(lua_State*) {
    if (gLevel) gLevel->mShotRequest = true;
    return 0;
}

// Fires the installed super weapon from the followed unit, along its facing; one charge is spent. Nothing
// (and nothing spent) without a level, a followed unit, the game data or the object factory.
int SmartBomb(lua_State*) {
    const CPPlayer* unit = FollowedUnit();
    CPObjectFactory* factory = gObjectFactory;
    if (!unit || !gGameData || !factory) return 0;
    int32_t& charges = gGameData->mRealCarConfig.mSuperWeaponCount;
    if (charges <= 0) return 0;
    factory->CreateByName("super", unit->GetPosition(), unit->GetFacing(), -1.0f, CPSmartPtr<CPGameObject>(), 0);
    --charges;
    if (gCommandDispatcher) gCommandDispatcher->SendByName("gamemenu", "update_game_interface", "");
    return 0;
}

// ---- the sides

int IsDarkLeft(lua_State* L) {
    if (!gLevel) return 0;
    lua_pushnumber(L, SideLeft(*gLevel, kSideOrvanta) ? 1 : 0);
    return 1;
}

int IsLightLeft(lua_State* L) {
    if (!gLevel) return 0;
    lua_pushnumber(L, SideLeft(*gLevel, kSideSelvanta) ? 1 : 0);
    return 1;
}

// (x, y, z [, wide]): Selvanta units that are not destroyed; the wide form looks at more units and takes
// units of the third side too, destroyed or not. The followed unit's damage is not looked at.
int GetNearestSelvantaPlayer(lua_State* L) {
    if (!gLevel) return 0;
    const bool wide = ToBool(L, 4);
    return PushNearestUnit(L, *gLevel, kSideSelvanta, wide ? kWideSideQueryUnits : kSideQueryUnits,
                           [wide](const CPPlayer& unit) {
                               return (unit.HasSide(kSideSelvanta) && !IsDestroyed(unit)) ||
                                      (wide && unit.HasSide(kSideThird));
                           });
}

// (x, y, z): Orvanta units, destroyed or not.
int GetNearestOrvantaPlayer(lua_State* L) {
    if (!gLevel) return 0;
    return PushNearestUnit(L, *gLevel, kSideOrvanta, kSideQueryUnits,
                           [](const CPPlayer& unit) { return unit.HasSide(kSideOrvanta); });
}

// ---- a unit given as the first argument

int IsInGloom(lua_State* L) {
    const CPPlayer* unit = UnitArgument(L, 1);
    PushBoolean(L, unit && unit->mInGloom);
    return 1;
}

// Controls that are not finite are refused: the unit keeps its inputs.
int SetCarParams(lua_State* L) {
    CPPlayer* unit = UnitArgument(L, 1);
    const float throttle = ToFloat(L, 2);
    const float steering = ToFloat(L, 3);
    if (!unit || !std::isfinite(throttle) || !std::isfinite(steering)) return 0;
    unit->SetControls(throttle, steering);
    return 0;
}

// The sliding brake: the drift input goes with the brake.
int SetBrake(lua_State* L) {
    if (CPPlayer* unit = UnitArgument(L, 1)) unit->SetBrakeFlares(ToBool(L, 2), true);
    return 0;
}

// The plain brake: the drift input stays clear.
int SetBrake2(lua_State* L) {
    if (CPPlayer* unit = UnitArgument(L, 1)) unit->SetBrakeFlares(ToBool(L, 2), false);
    return 0;
}

int SetStop(lua_State* L) {
    if (CPPlayer* unit = UnitArgument(L, 1)) unit->SetStopLights(ToBool(L, 2));
    return 0;
}

int Spawn(lua_State* L) {
    if (CPPlayer* unit = UnitArgument(L, 1)) unit->CheckRespawn(true);
    return 0;
}

// Throws a Selvanta unit up by its tail; other units stay where they are.
int ThrowPlayer(lua_State* L) {
    CPPlayer* unit = UnitArgument(L, 1);
    if (!unit || !unit->HasSide(kSideSelvanta)) return 0;
    const D3DXVECTOR3 position = unit->GetPosition();
    const D3DXVECTOR3 facing = unit->GetFacing();
    const float mass = unit->BodyMass();
    if (unit->mModelName == kHeavyTruck)
        unit->ApplyImpulse(position - 2.0f * facing, D3DXVECTOR3(0.0f, 0.0f, kHeavyThrow * mass));
    else
        unit->ApplyImpulse(position - facing, D3DXVECTOR3(0.0f, 0.0f, kThrow * mass));
    return 0;
}

int ActivateAbilitiesAI(lua_State* L) {
    const CPPlayer* unit = UnitArgument(L, 1);
    if (!unit) return 0;
    lua_pushnumber(L, unit->mAbilities);
    return 1;
}

int SetAbilitiesCountAI(lua_State* L) {
    if (CPPlayer* unit = UnitArgument(L, 1)) unit->mAbilities = ToInteger(L, 2);
    return 0;
}

int GetPlayerSpeedAI(lua_State* L) {
    const CPPlayer* unit = UnitArgument(L, 1);
    const CPCar* car = unit ? unit->GetCar() : nullptr;
    if (!car) return 0;
    lua_pushnumber(L, car->mSpeed);
    return 1;
}

int GetPlayerDirectionAI(lua_State* L) {
    const CPPlayer* unit = UnitArgument(L, 1);
    if (!unit) return 0;
    return PushVector(L, unit->GetFacing());
}

// With more than one argument (the unit counts) the AI's nitro, which holds the throttle; the unit alone
// gets the car's nitro at the absent amount, 0.
int PlayerNitroAI(lua_State* L) {
    CPPlayer* unit = UnitArgument(L, 1);
    if (!unit) return 0;
    const float amount = ToFloat(L, 2);
    if (lua_gettop(L) > 1)
        unit->SetNitroAI(amount, ToFloat(L, 3));
    else
        unit->SetNitro(amount);
    return 0;
}

}  // namespace ScriptFunctions
