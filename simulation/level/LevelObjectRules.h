// What the level makes of a placed object of the ".lvl" file, decided by its name alone: a race-unit
// start, a numbered hidden object, a source point, a start-line post or a mesh (possibly a checkpoint).
// The kind of a name is the name without its trailing decimal digits ("tree12" -> "tree").
#pragma once

#include <cstdint>
#include <string>

#include "platform/D3DX9Math.h"

enum class LevelObjectKind {
    PlayerStart,     // "player"
    EnemyStart,      // kind begins with "enemy"; the n-th such record starts enemy n
    NumberedHidden,  // kind begins with "chk": number text, then one separator, then the model
    Source,          // kind begins with "src": a named source point
    StartPostLeft,   // "stolb_start_left": only its position is kept
    StartPostRight,  // "stolb_start_right"
    Mesh,            // built from the render description kind + ".rdf"
    Skipped,         // an enemy start in time-attack mode, a "che" object in single-race mode
};

struct LevelObjectPlan {
    LevelObjectKind kind = LevelObjectKind::Skipped;
    std::string kindName;     // the kind the rules settled on ("checkpoint2,30" ends as "checkpoint")
    std::string description;  // NumberedHidden and Mesh: the render description, ".rdf" included
    std::string numberText;   // NumberedHidden: the leading run of digits and '-' after "chk"
    int32_t number = 0;       // NumberedHidden: the number text as atoi reads it, 0 when it has none
    std::string sourceKey;    // Source: the kind from its fifth character on, empty for a short kind
    bool checkpoint = false;  // Mesh from "checkpoint.rdf" or "checkpoint_a.rdf"
    float checkpointTime = 0.0f;  // seconds allowed: the name's second ","-token + 15.0
};

// The name without its trailing '0' .. '9' ("77" gives the empty kind).
std::string LevelObjectKindName(const std::string& name);

// Applies the naming rules in their order. Single-race mode skips the "che" family (checkpoints among
// them); time-attack mode skips the enemy starts.
LevelObjectPlan ClassifyLevelObject(const std::string& name, bool singleRace, bool timeAttack);

// The rotation an object of that kind is placed with: meshes and numbered hidden objects take the
// conjugate of the stored quaternion, the race-unit starts take it unchanged.
D3DXQUATERNION PlacedRotation(LevelObjectKind kind, const D3DXQUATERNION& stored);
