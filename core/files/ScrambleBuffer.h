// The additive byte scrambler of stored files: byte i moves by key byte (i mod 1933), modulo 256,
// counting from the first byte of the whole file however it was assembled.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr size_t kScrambleKeySize = 1933;
// 1932 printable ASCII characters followed by one zero byte.
extern const unsigned char gScrambleKey[kScrambleKeySize];

// byte[i] += key[i mod 1933] (the writer's direction), in place.
void ScrambleBuffer(std::vector<uint8_t>& bytes);
// byte[i] -= key[i mod 1933] (the reader's direction), in place.
void UnscrambleBuffer(std::vector<uint8_t>& bytes);
