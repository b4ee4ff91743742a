// The starting car configuration "DATA\player.dat": eleven text lines (weapons 1 to 3, mine, armor,
// bumper, engine, super weapon, super-weapon count, equipment 1 and 2); "none" names no item.
#pragma once

#include <cstdint>

#include "simulation/level/ShopRecords.h"

constexpr const char* kPlayerFileName = "DATA\\player.dat";

// Lines the file lacks leave their field empty (count 0). The text need not end in a zero byte.
CarConfigRecord ParsePlayerFile(const void* text, uint32_t size);
