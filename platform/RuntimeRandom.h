// The runtime library's random generator, the engine's only source of random numbers.
// state = state * 214013 + 2531011 (mod 2^32); each draw is (state >> 16) & 0x7FFF.
#pragma once

#include <cstdint>

constexpr int RUNTIME_RAND_MAX = 0x7FFF;

// Sets the state (the runtime's srand); the state before any seed is 1.
void RuntimeSrand(uint32_t seed);
// One draw in 0..32767 (the runtime's rand).
int RuntimeRand();
// One draw divided by 32767: a fraction in 0..1.
float RuntimeRandomFraction();
