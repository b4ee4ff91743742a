// The one budget that limits debris pieces and wheel dust: the count of pieces spawned since the
// budget was last restored. Callers add 1 per piece they spawn.
#pragma once

#include <cstdint>

inline constexpr int32_t kDebrisBudget = 40;

// Pieces of debris and puffs of wheel dust spawned since the last restore; 0 at program start.
extern int32_t gDebrisCount;

// Whether one more piece fits the budget.
bool HasDebrisRoom();
// The part of `wanted` pieces the budget still allows, never below 0.
int32_t LimitToDebrisRoom(int32_t wanted);
// Gives the whole budget back. The host does it at the start of every frame, so the budget caps the
// pieces spawned per frame rather than ending debris for good after the first forty.
void RestoreDebrisBudget();
