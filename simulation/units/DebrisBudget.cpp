#include "simulation/units/DebrisBudget.h"

#include <algorithm>

int32_t gDebrisCount = 0;

bool HasDebrisRoom() { return gDebrisCount < kDebrisBudget; }

int32_t LimitToDebrisRoom(int32_t wanted) {
    // A count already past the budget leaves no room rather than a negative number of pieces.
    const int32_t room = std::max(0, kDebrisBudget - std::max(0, gDebrisCount));
    return std::clamp(wanted, 0, room);
}

void RestoreDebrisBudget() { gDebrisCount = 0; }
