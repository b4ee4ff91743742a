#include "core/files/ScrambleBuffer.h"

void ScrambleBuffer(std::vector<uint8_t>& bytes) {
    size_t k = 0;
    for (uint8_t& b : bytes) {
        b = static_cast<uint8_t>(b + gScrambleKey[k]);
        if (++k == kScrambleKeySize) k = 0;
    }
}

void UnscrambleBuffer(std::vector<uint8_t>& bytes) {
    size_t k = 0;
    for (uint8_t& b : bytes) {
        b = static_cast<uint8_t>(b - gScrambleKey[k]);
        if (++k == kScrambleKeySize) k = 0;
    }
}
