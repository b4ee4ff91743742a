#include "simulation/units/BonusTraits.h"

#include "core/CPGameObject.h"

namespace {
void SetHalfExtents(CPAxisBox& box, const D3DXVECTOR3& half) {
    box.mHalfExtents = half;
    box.mMinimum = box.mCentre - half;
    box.mMaximum = box.mCentre + half;
}
}  // namespace

BonusTraits ReadBonusTraits(CPGameObject& bonus) {
    BonusTraits traits;
    const std::string& name = bonus.GetName();
    auto has = [&bonus](const char* descendant) { return static_cast<bool>(bonus.FindObject(descendant)); };
    auto set = [&traits](BonusKind kind, bool on) {
        if (on) traits.kinds |= 1u << kind;
    };
    set(kBonusRepair, name == "bonus_remont");
    set(kBonusSpeedUp, has("glow3"));
    set(kBonusSlowDown, has("glow2"));
    set(kBonusAbilityMinus, has("glow6"));
    set(kBonusAbilityPlus, has("glow4"));
    set(kBonusSphere, has("sphera"));
    set(kBonusPortal, has("portal_a"));
    set(kBonusKickPad, has("v_bii"));
    set(kBonusLight, name == "light");
    set(kBonusHalo, name == "halo");

    if (name == "empty") {
        traits.boxObject = bonus.FindObject("v_bii").Get();
        traits.divisor = 0.8f;
    } else {
        traits.boxObject = &bonus;
    }
    traits.sphereBox = traits.Has(kBonusSphere);
    if (name == "fake") traits.divisor = 1.0f;
    if (name == "light") traits.divisor = 2.0f;
    if (name == "halo") {
        traits.divisor = 1.0f;
        traits.haloBox = true;
    }
    return traits;
}

bool BonusContactBox(const BonusTraits& traits, CPAxisBox& box) {
    // A box object taken out of its tree and deleted since the traits were read is no box any more.
    if (!traits.boxObject || !gObjectRegistry::Contains(traits.boxObject)) return false;
    box = traits.boxObject->GetHierarchyBounds();
    if (traits.sphereBox) SetHalfExtents(box, D3DXVECTOR3(3.5f, 3.5f, box.mHalfExtents.z));
    if (traits.haloBox)
        SetHalfExtents(box, D3DXVECTOR3(box.mHalfExtents.x / 3.0f, box.mHalfExtents.y / 3.0f, box.mHalfExtents.z));
    return true;
}
