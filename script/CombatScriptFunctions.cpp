#include "script/CombatScriptFunctions.h"

#include <string>

#include "script/ScriptCalls.h"
#include "simulation/units/CPPlayer.h"

namespace ScriptFunctions {
using namespace ScriptCalls;

int DamagePlayer(lua_State* L) {
    CPPlayer* unit = ToObject<CPPlayer>(L, 1);
    // An amount that is not finite would leave the unit's life NaN for good: it reads as no hit.
    const float amount = ToFiniteFloat(L, 2);
    lua_pushboolean(L, unit ? unit->TakeDamage(amount) : true);
    return 1;
}

int KillPlayer(lua_State* L) {
    if (CPPlayer* unit = ToObject<CPPlayer>(L, 1)) unit->Remove();
    return 0;
}

int SetCurrentWeapon(lua_State* L) {
    CPPlayer* unit = ToObject<CPPlayer>(L, 1);
    const std::string name = CheckedString(L, 2);
    // Only the shown object changes: the slot and the selected weapon stay.
    if (unit) unit->mWeaponObject = unit->FindObject(name);
    return 0;
}

int SetPrevWeapon(lua_State* L) {
    if (CPPlayer* unit = ToObject<CPPlayer>(L, 1)) unit->PrevWeapon();
    return 0;
}

int SetNextWeapon(lua_State* L) {
    if (CPPlayer* unit = ToObject<CPPlayer>(L, 1)) unit->NextWeapon();
    return 0;
}

int SetShot(lua_State* L) {
    CPPlayer* unit = ToObject<CPPlayer>(L, 1);
    if (!unit) return 0;
    const bool wasFiring = unit->mFireInput;
    unit->mFireInput = ToBool(L, 2) && unit->mWeaponSlot >= 0 && !unit->mWeaponBlocked;
    // A flame thrower that starts firing burns at its next step instead of waiting out the old tick.
    if (unit->mFireInput && !wasFiring && unit->mWeaponKind == CPPlayer::kFlameThrower) unit->mFlameTick = 0.0f;
    return 0;
}

int SetMineShot(lua_State* L) {
    CPPlayer* unit = ToObject<CPPlayer>(L, 1);
    if (unit) unit->mMineInput = ToBool(L, 2) && unit->mMineReady && !unit->mMineBlocked;
    return 0;
}

}  // namespace ScriptFunctions
