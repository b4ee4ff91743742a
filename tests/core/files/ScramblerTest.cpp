#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/files/ScrambleBuffer.h"

TEST(ScramblerTest, KeyIsPrintableTextThenOneZero) {
    static_assert(sizeof(gScrambleKey) == 1933);
    for (size_t i = 0; i + 1 < kScrambleKeySize; ++i) {
        EXPECT_GE(gScrambleKey[i], 0x20) << i;
        EXPECT_LE(gScrambleKey[i], 0x7E) << i;
    }
    EXPECT_EQ(gScrambleKey[kScrambleKeySize - 1], 0);
}

TEST(ScramblerTest, AddsTheKeyCyclicallyFromTheFirstByte) {
    // Scrambling zeros yields the key itself, repeating with a period of 1933 (zero byte included).
    std::vector<uint8_t> bytes(2 * kScrambleKeySize + 7, 0);
    ScrambleBuffer(bytes);
    for (size_t i = 0; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], gScrambleKey[i % kScrambleKeySize]) << i;

    // The addition wraps modulo 256: 0xFF + key.
    std::vector<uint8_t> high(3, 0xFF);
    ScrambleBuffer(high);
    for (size_t i = 0; i < high.size(); ++i) EXPECT_EQ(high[i], static_cast<uint8_t>(0xFF + gScrambleKey[i]));
}

TEST(ScramblerTest, ZeroKeyByteLeavesItsPositionAndTheCycleRestarts) {
    std::vector<uint8_t> bytes(1934, 0x41);
    ScrambleBuffer(bytes);
    EXPECT_EQ(bytes[1932], 0x41);
    EXPECT_EQ(bytes[1933], bytes[0]);
    EXPECT_NE(bytes[0], 0x41);
}

TEST(ScramblerTest, UnscrambleRestoresEveryByte) {
    std::vector<uint8_t> original(5000);
    for (size_t i = 0; i < original.size(); ++i) original[i] = static_cast<uint8_t>(i * 131 + 7);
    std::vector<uint8_t> bytes = original;
    ScrambleBuffer(bytes);
    EXPECT_NE(bytes, original);
    UnscrambleBuffer(bytes);
    EXPECT_EQ(bytes, original);
}
