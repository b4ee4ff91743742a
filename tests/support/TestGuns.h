// Weapon children of a race unit for tests: a gun named after its weapon with its four muzzle flares
// (and, for the heavy gun, its barrel), as the unit's weapon code finds them, and a weapon record.
#pragma once

#include <cstdint>
#include <string>

#include "core/CPGameObject.h"
#include "simulation/level/ShopRecords.h"

// A new child of `parent`, owned by it, at `at`.
inline CPGameObject* AddTestChild(CPGameObject& parent, const std::string& name, const D3DXVECTOR3& at = {}) {
    auto* child = new CPGameObject(name);
    child->SetPosition(at);
    parent.AddOwnedChild(CPSmartPtr<CPGameObject>(child));
    return child;
}

// The gun child of that name, made the first time 1 unit above the unit with its flares "flare_<name>",
// "flare_<name>_01" .. "_03" 1 unit in front of it; "hmgun" also gets its barrel "stvol".
inline CPGameObject* AddTestGun(CPGameObject& unit, const std::string& name) {
    if (CPSmartPtr<CPGameObject> gun = unit.FindObject(name)) return gun.Get();
    CPGameObject* gun = AddTestChild(unit, name, D3DXVECTOR3(0, 0, 1));
    for (const char* suffix : {"", "_01", "_02", "_03"})
        AddTestChild(*gun, "flare_" + name + suffix, D3DXVECTOR3(0, -1, 0));
    if (name == "hmgun") AddTestChild(*gun, "stvol");
    return gun;
}

inline WeaponRecord TestWeapon(int32_t pellets, float value, int32_t fullLoad, float rate) {
    WeaponRecord record;
    record.mShotsPerTrigger = pellets;
    record.mShotValue = value;
    record.mFullLoad = fullLoad;
    record.mFireRate = rate;
    return record;
}
