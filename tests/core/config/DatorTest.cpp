#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/config/CPDator.h"

namespace {
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
}  // namespace

TEST(DatorTest, IntFromText) {
    struct Case {
        const char* text;
        int32_t expected;  // the variable held 77 before
    };
    for (Case c : {Case{"  7", 7}, Case{"-3", -3}, Case{"+5", 5}, Case{"12abc", 12}, Case{"1.9", 1}, Case{"0x10", 0},
                   Case{"010", 10}, Case{"\v\f\r\n\t 4", 4}, Case{"2147483647", kMax}, Case{"-2147483648", kMin},
                   Case{"2147483648", kMax}, Case{"-99999999999999999999", kMin},
                   // No number at the start: the variable keeps its value.
                   Case{"", 77}, Case{"abc", 77}, Case{"-", 77}, Case{"- 3", 77}, Case{"+-3", 77}}) {
        int32_t variable = 77;
        CPDatorInt binder(&variable);
        binder.Set(c.text);
        EXPECT_EQ(variable, c.expected) << '[' << c.text << ']';
    }
    EXPECT_EQ(StringToInt("abc"), 0);
}

TEST(DatorTest, FloatFromText) {
    struct Case {
        const char* text;
        float expected;
    };
    for (Case c : {Case{"1.5e2", 150.0f}, Case{".5", 0.5f}, Case{"5.", 5.0f}, Case{"1,5", 1.0f}, Case{"abc", 0.0f},
                   Case{"0.25xyz", 0.25f}, Case{"-", 0.0f}, Case{".", 0.0f}, Case{"", 0.0f}, Case{" \t-2.5", -2.5f},
                   Case{"+0.125", 0.125f}, Case{"1e", 1.0f}, Case{"1e+", 1.0f}, Case{"2E-1x", 0.2f}, Case{"inf", 0.0f},
                   Case{"nan", 0.0f}, Case{"0x1p3", 0.0f}, Case{"0.2", 0.2f}, Case{"3.4028235e38", 3.4028235e38f},
                   Case{"3.4028236e38", kInf}, Case{"1e40", kInf}, Case{"-1e40", -kInf}, Case{"1e400", kInf},
                   Case{"-1e99999999999", -kInf}, Case{"1e-50", 0.0f}, Case{"1e-400", 0.0f},
                   Case{"0.00000000000000000000000000000000000000000000000000000000000000000000000001e400", kInf},
                   Case{"1e-99999999999", 0.0f}, Case{"0e999999", 0.0f}}) {
        float variable = 77.0f;
        CPDatorFloat binder(&variable);
        binder.Set(c.text);
        EXPECT_EQ(variable, c.expected) << '[' << c.text << ']';
    }
}

TEST(DatorTest, NumbersToText) {
    struct IntCase {
        int32_t value;
        const char* text;
    };
    for (IntCase c : {IntCase{-1, "-1"}, IntCase{0, "0"}, IntCase{22050, "22050"}, IntCase{kMin, "-2147483648"}}) {
        int32_t variable = c.value;
        EXPECT_EQ(CPDatorInt(&variable).ToString(), c.text);
    }
    struct FloatCase {
        float value;
        const char* text;
    };
    for (FloatCase c : {FloatCase{0.5f, "0.5"}, FloatCase{0.2f, "0.2"}, FloatCase{22050.0f, "22050"}, FloatCase{1.0f, "1"},
                        FloatCase{0.0f, "0"}, FloatCase{0.1234567f, "0.123457"}, FloatCase{-1.5f, "-1.5"},
                        FloatCase{123456.0f, "123456"}, FloatCase{1234567.0f, "1.23457e+06"}, FloatCase{1e6f, "1e+06"},
                        FloatCase{0.0001f, "0.0001"}, FloatCase{0.00001f, "1e-05"}, FloatCase{kInf, "inf"},
                        FloatCase{-kInf, "-inf"}}) {
        float variable = c.value;
        EXPECT_EQ(CPDatorFloat(&variable).ToString(), c.text) << c.value;
    }
}

TEST(DatorTest, AddAndSubtract) {
    int32_t count = 10;
    CPDatorInt counter(&count);
    counter.Add("5");
    counter.Subtract("2");
    EXPECT_EQ(count, 13);
    counter.Add("abc");
    EXPECT_EQ(count, 13);

    // Wraps as the 32-bit machine does, without signed overflow.
    int32_t edge = kMax;
    CPDatorInt(&edge).Add("1");
    EXPECT_EQ(edge, kMin);
    CPDatorInt(&edge).Subtract("1");
    EXPECT_EQ(edge, kMax);
    edge = kMin;
    CPDatorInt(&edge).Subtract("2147483647");
    EXPECT_EQ(edge, 1);

    float volume = 0.5f;
    CPDatorFloat level(&volume);
    level.Add("0.25");
    EXPECT_EQ(volume, 0.75f);
    level.Subtract("1");
    EXPECT_EQ(volume, -0.25f);
    float tiny = 1.0f;
    CPDatorFloat(&tiny).Add("0.00000001");
    EXPECT_EQ(tiny, 1.0f) << "rounded to float32";
}

TEST(DatorTest, ComparesTheRenderedText) {
    float one = 1.0f;
    CPDatorFloat floatBinder(&one);
    EXPECT_TRUE(floatBinder.IsEqual("1"));
    EXPECT_FALSE(floatBinder.IsEqual("1.0"));
    EXPECT_TRUE(floatBinder.IsNotEqual("1.0"));
    EXPECT_FALSE(floatBinder.IsEqual(" 1"));
    int32_t minusOne = -1;
    CPDatorInt intBinder(&minusOne);
    EXPECT_TRUE(intBinder.IsEqual("-1"));
    EXPECT_TRUE(intBinder.IsNotEqual("-01"));
}

TEST(DatorTest, IdentityOfBothKinds) {
    int32_t i = 0;
    float f = 0;
    CPDatorInt intBinder(&i);
    CPDatorFloat floatBinder(&f);
    EXPECT_EQ(intBinder.GetClassName(), "CPDator");
    EXPECT_EQ(floatBinder.GetClassName(), "CPDator");
    EXPECT_EQ(intBinder.GetSize(), sizeof(CPDatorInt));
    EXPECT_EQ(floatBinder.GetSize(), sizeof(CPDatorFloat));
    EXPECT_FALSE(intBinder.IsList());
    EXPECT_FALSE(floatBinder.IsList());
    EXPECT_EQ(intBinder.GetRefCount(), 0);
}
