// The difficulty coefficients "DATA\coeff.dat": the first four value lines, in file order k1, k3,
// k2, k4 (k2 the bonus, k3 the damage, k4 the level-time coefficient).
#pragma once

#include <array>
#include <cstdint>

constexpr const char* kCoeffFileName = "DATA\\coeff.dat";

// What the file gives: the coefficients in field order k1 .. k4, of which only those whose line the file
// holds are read (a file of two lines gives k1 and k3).
struct CoeffFileRecord {
    std::array<float, 4> values{};
    std::array<bool, 4> present{};
};

// Reads up to four value lines; false for a file without one or with a value too large for a float.
bool ParseCoeffFile(const void* text, uint32_t size, CoeffFileRecord& record);
