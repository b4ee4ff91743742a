#include "platform/RuntimeRandom.h"

namespace {
uint32_t gRandomState = 1;
}

void RuntimeSrand(uint32_t seed) { gRandomState = seed; }

int RuntimeRand() {
    gRandomState = gRandomState * 214013u + 2531011u;
    return static_cast<int>((gRandomState >> 16) & 0x7FFFu);
}

float RuntimeRandomFraction() { return static_cast<float>(RuntimeRand()) / 32767.0f; }
