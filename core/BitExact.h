// Tools for code that must give the same bits as the plain float code it replaces: a comparison of
// values bit for bit, and vectors of four floats whose operations work lane by lane, each lane the same
// IEEE operation on the same operands as the scalar expression (floating-point contraction is off).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

// Four lanes of float or int32 (GCC and Clang vector extensions). A comparison of two Float4 gives an
// Int4 with all bits set in the lanes where it holds.
using Float4 = float __attribute__((vector_size(16)));
using Int4 = int32_t __attribute__((vector_size(16)));

// Whether a and b hold the same bits: a zero of the other sign or another NaN differs. Word by word
// without a call, for the small records (vectors, matrices) it is asked about on every frame.
template <class T>
bool SameBits(const T& a, const T& b) {
    static_assert(std::is_trivially_copyable_v<T> && sizeof(T) % sizeof(uint32_t) == 0, "compared as words");
    constexpr size_t kWords = sizeof(T) / sizeof(uint32_t);
    uint32_t wordsA[kWords], wordsB[kWords];
    std::memcpy(wordsA, &a, sizeof(T));
    std::memcpy(wordsB, &b, sizeof(T));
    uint32_t differ = 0;
    for (size_t i = 0; i < kWords; ++i) differ |= wordsA[i] ^ wordsB[i];
    return differ == 0;
}

// The lanes of `yes` where `mask` is set, the lanes of `no` elsewhere.
inline Float4 SelectLanes(Int4 mask, Float4 yes, Float4 no) {
    return reinterpret_cast<Float4>((reinterpret_cast<Int4>(yes) & mask) | (reinterpret_cast<Int4>(no) & ~mask));
}
inline Int4 SelectLanes(Int4 mask, Int4 yes, Int4 no) { return (yes & mask) | (no & ~mask); }
