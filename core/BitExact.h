// Tools for code that must give the same bits as the plain float code it replaces: a comparison of
// values bit for bit, and vectors of four floats whose operations work lane by lane, each lane the same
// IEEE operation on the same operands as the scalar expression (floating-point contraction is off).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#if defined(__SSE__)
#include <xmmintrin.h>
#endif

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

// Whether every lane of a comparison's mask is set.
inline bool AllLanes(Int4 mask) {
    uint64_t halves[2];
    std::memcpy(halves, &mask, sizeof(halves));
    return (halves[0] & halves[1]) == ~uint64_t{0};
}

// Bit i set where lane i of a comparison's mask is set.
inline unsigned LaneBits(Int4 mask) {
#if defined(__SSE__)
    return static_cast<unsigned>(_mm_movemask_ps(reinterpret_cast<__m128>(mask)));
#else
    unsigned bits = 0;
    for (int lane = 0; lane < 4; ++lane) bits |= mask[lane] != 0 ? 1u << lane : 0u;
    return bits;
#endif
}

// The lanes of `yes` where `mask` is set, the lanes of `no` elsewhere.
inline Float4 SelectLanes(Int4 mask, Float4 yes, Float4 no) {
    return reinterpret_cast<Float4>((reinterpret_cast<Int4>(yes) & mask) | (reinterpret_cast<Int4>(no) & ~mask));
}
inline Int4 SelectLanes(Int4 mask, Int4 yes, Int4 no) { return (yes & mask) | (no & ~mask); }

// Row r of a 4 x 4 matrix in the four lanes.
inline Float4 MatrixRow(const float m[4][4], int r) {
    Float4 row;
    std::memcpy(&row, m[r], sizeof(Float4));
    return row;
}

// D3DXMatrixMultiply (out = a x b; out may be a or b) with each row of the product made in the four
// lanes: row i is ((a_i0 B0 + a_i1 B1) + a_i2 B2) + a_i3 B3, the scalar sums in their order.
inline void MultiplyMatricesInLanes(float out[4][4], const float a[4][4], const float b[4][4]) {
    const Float4 rows[4] = {MatrixRow(b, 0), MatrixRow(b, 1), MatrixRow(b, 2), MatrixRow(b, 3)};
    Float4 product[4];
    for (int i = 0; i < 4; ++i)
        product[i] = a[i][0] * rows[0] + a[i][1] * rows[1] + a[i][2] * rows[2] + a[i][3] * rows[3];
    for (int i = 0; i < 4; ++i) std::memcpy(out[i], &product[i], sizeof(Float4));
}
