// The difficulty coefficients "DATA\coeff.dat": the first four value lines, in file order k1, k3,
// k2, k4 (k2 the bonus, k3 the damage, k4 the level-time coefficient).
#pragma once

#include <array>
#include <cstdint>

constexpr const char* kCoeffFileName = "DATA\\coeff.dat";

// The coefficients in field order k1 .. k4; false for a file of fewer than four lines or with a value
// too large for a float.
bool ParseCoeffFile(const void* text, uint32_t size, std::array<float, 4>& coefficients);
