#include "platform/FiniteChecks.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <limits>

namespace {
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr float kDenormal = std::numeric_limits<float>::denorm_min();

// The values a number check must tell apart, each with whether it is finite.
struct Value {
    const char* name;
    float value;
    bool finite;
};
constexpr Value kValues[] = {
    {"0", 0.0f, true},           {"-0", -0.0f, true},          {"1", 1.0f, true},
    {"-1", -1.0f, true},         {"largest", FLT_MAX, true},   {"lowest", -FLT_MAX, true},
    {"denormal", kDenormal, true}, {"NaN", kNaN, false},       {"-NaN", -kNaN, false},
    {"+infinity", kInfinity, false}, {"-infinity", -kInfinity, false},
};
}  // namespace

TEST(FiniteChecksTest, AVectorIsFiniteOnlyWhenEveryComponentIs) {
    for (const Value& v : kValues) {
        for (int slot = 0; slot < 4; ++slot) {
            float c[4] = {1.0f, 2.0f, 3.0f, 4.0f};
            c[slot] = v.value;
            const D3DXQUATERNION q(c[0], c[1], c[2], c[3]);
            EXPECT_EQ(IsFinite(q), v.finite) << v.name << " in quaternion slot " << slot;
            if (slot == 3) continue;
            const D3DXVECTOR3 vector(c[0], c[1], c[2]);
            EXPECT_EQ(IsFinite(vector), v.finite) << v.name << " in vector slot " << slot;
            const D3DVECTOR plain{c[0], c[1], c[2]};
            EXPECT_EQ(IsFinite(plain), v.finite) << v.name << " in D3DVECTOR slot " << slot;
        }
    }
}

TEST(FiniteChecksTest, NumberChecks) {
    for (const Value& v : kValues) {
        const bool positive = v.finite && v.value > 0.0f;
        EXPECT_EQ(IsPositiveFinite(v.value), positive) << v.name;
        const float kept = FiniteOrZero(v.value);
        if (v.finite) {
            EXPECT_EQ(std::signbit(kept), std::signbit(v.value)) << v.name << " keeps its sign";
            EXPECT_EQ(kept, v.value) << v.name;
        } else {
            EXPECT_EQ(kept, 0.0f) << v.name;
            EXPECT_FALSE(std::signbit(kept)) << v.name << " gives +0";
        }
    }
}
