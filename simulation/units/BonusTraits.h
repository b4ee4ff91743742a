// What a bonus object of the race is, read once from its name and the names of its descendants: which
// of the ten bonus tests its object side passes and how its contact box is shaped. Reading it once per
// bonus spares the race units the depth-first searches on every frame.
#pragma once

#include <cstdint>

#include "core/CPAxisBox.h"

class CPGameObject;

// The bonus kinds in the order the race unit tests them.
enum BonusKind : int32_t {
    kBonusRepair,        // named "bonus_remont"
    kBonusSpeedUp,       // has "glow3"
    kBonusSlowDown,      // has "glow2"
    kBonusAbilityMinus,  // has "glow6"
    kBonusAbilityPlus,   // has "glow4"
    kBonusSphere,        // has "sphera": a bumper that stays
    kBonusPortal,        // has "portal_a": the gloom portal
    kBonusKickPad,       // has "v_bii": a pad that stays
    kBonusLight,         // named "light": a barrier that stays
    kBonusHalo,          // named "halo": stays
    kBonusKindCount
};

struct BonusTraits {
    uint32_t kinds = 0;  // bit (1 << BonusKind) set when the object passes that kind's object test
    // The object whose hierarchy bounds are the contact box: the "v_bii" descendant of an "empty"
    // bonus, otherwise the bonus itself; null for an "empty" bonus without one, which is skipped. Not
    // counted: a part of the bonus's own tree, checked against the object registry before use.
    CPGameObject* boxObject = nullptr;
    float divisor = 3.3f;      // contact when |centre distance| <= (half sizes summed) / divisor
    bool sphereBox = false;    // x and y half sizes become 3.5
    bool haloBox = false;      // x and y half sizes divided by 3

    bool Has(BonusKind kind) const { return (kinds >> kind) & 1u; }
};

// Reads the traits of a bonus object.
BonusTraits ReadBonusTraits(CPGameObject& bonus);

// The contact box of a bonus with these traits now: its box object's hierarchy bounds reshaped. False
// when there is no box object.
bool BonusContactBox(const BonusTraits& traits, CPAxisBox& box);
