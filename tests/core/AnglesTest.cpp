#include "core/Angles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

uint32_t BitsOf(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Equal to the bit, so +0 and -0 differ; any NaN matches a NaN.
void ExpectSameFloat(float actual, float expected, const char* name) {
    if (std::isnan(expected)) {
        EXPECT_TRUE(std::isnan(actual)) << name << ": " << actual;
    } else {
        EXPECT_EQ(BitsOf(actual), BitsOf(expected)) << name << ": " << actual << " instead of " << expected;
    }
}

}  // namespace

// Every literal pi the code has carried is one float; the fractions are exact.
TEST(AnglesTest, PiAndItsFractionsAreTheFloatsEveryCallerWrote) {
    struct Case {
        const char* name;
        float value, literal;
    };
    for (const Case& c : {
             Case{"pi 3.141592654f", D3DX_PI, 3.141592654f},
             Case{"pi 3.1415927f", D3DX_PI, 3.1415927f},
             Case{"pi 3.14159265f", D3DX_PI, 3.14159265f},
             Case{"half pi", kHalfPi, 1.5707964f},
             Case{"two pi 6.2831855f", kTwoPi, 6.2831855f},
             Case{"two pi 6.2831853f", kTwoPi, 6.2831853f},
             Case{"one degree", D3DXToRadian(1.0f), 0.017453292f},
             Case{"one radian in degrees", D3DXToDegree(1.0f), 57.295776f},
             Case{"three quarters of a turn", 0.75f * D3DX_PI, 2.3561945f},
             Case{"a twelfth of pi", D3DX_PI / 12.0f, 0.2617994f},
             Case{"a sixth of pi", D3DX_PI / 6.0f, 0.5235988f},
         }) {
        ExpectSameFloat(c.value, c.literal, c.name);
    }
}

TEST(AnglesTest, ClampedAcosTakesARoundingStepBeyondTheEnds) {
    struct Case {
        const char* name;
        float cosine, angle;
    };
    for (const Case& c : {
             Case{"1", 1.0f, 0.0f},
             Case{"a step above 1", 1.0000001f, 0.0f},
             Case{"far above 1", 5.0f, 0.0f},
             Case{"-1", -1.0f, D3DX_PI},
             Case{"a step below -1", -1.0000001f, D3DX_PI},
             Case{"0", 0.0f, kHalfPi},
             Case{"+infinity", kInfinity, 0.0f},
             Case{"-infinity", -kInfinity, D3DX_PI},
             Case{"NaN", kNaN, kNaN},
         }) {
        ExpectSameFloat(ClampedAcos(c.cosine), c.angle, c.name);
    }
}

// The race's backwards test measures in [0, turn): a full turn is 0 again, a negative angle comes up by
// one turn, and the turn need not be 2 pi.
TEST(AnglesTest, WrapHalfOpenBringsAnglesIntoZeroToTheTurn) {
    struct Case {
        const char* name;
        float angle, turn, wrapped;
    };
    for (const Case& c : {
             Case{"inside", 1.0f, kTwoPi, 1.0f},
             Case{"0", 0.0f, kTwoPi, 0.0f},
             Case{"-0 stays -0", -0.0f, kTwoPi, -0.0f},
             Case{"the turn itself is 0", kTwoPi, kTwoPi, 0.0f},
             Case{"one and a bit turns", kTwoPi + 1.0f, kTwoPi, (kTwoPi + 1.0f) - kTwoPi},
             Case{"negative", -1.0f, kTwoPi, kTwoPi - 1.0f},
             Case{"minus a whole turn is -0", -kTwoPi, kTwoPi, -0.0f},
             Case{"a tiny negative angle rounds up to the turn", -1e-8f, kTwoPi, kTwoPi},
             Case{"a rounded turn", 6.283f, 6.283f, 0.0f},
             Case{"two pi by the rounded turn", kTwoPi, 6.283f, kTwoPi - 6.283f},
             Case{"negative by the rounded turn", -3.0f, 6.283f, 6.283f - 3.0f},
             Case{"NaN", kNaN, kTwoPi, kNaN},
             Case{"+infinity", kInfinity, kTwoPi, kNaN},
             Case{"-infinity", -kInfinity, kTwoPi, kNaN},
         }) {
        ExpectSameFloat(WrapAngleHalfOpen(c.angle, c.turn), c.wrapped, c.name);
    }
}

// The closed range keeps both of its ends: a path angle of exactly 2 pi stays 2 pi from 0, and the AI's
// turn measure keeps pi and -pi from -pi.
TEST(AnglesTest, WrapClosedKeepsBothEndsAndMovesOnlyWhatLiesOutside) {
    struct Case {
        const char* name;
        float angle, lowest, wrapped;
    };
    for (const Case& c : {
             Case{"from 0: inside", 1.0f, 0.0f, 1.0f},
             Case{"from 0: 0", 0.0f, 0.0f, 0.0f},
             Case{"from 0: 2 pi stays", kTwoPi, 0.0f, kTwoPi},
             Case{"from 0: above 2 pi", kTwoPi + 1.0f, 0.0f, (kTwoPi + 1.0f) - kTwoPi},
             Case{"from 0: two whole turns", 2.0f * kTwoPi, 0.0f, 0.0f},
             Case{"from 0: negative", -1.0f, 0.0f, kTwoPi - 1.0f},
             Case{"from 0: NaN", kNaN, 0.0f, kNaN},
             Case{"from 0: +infinity", kInfinity, 0.0f, kNaN},
             Case{"from -pi: inside", -2.0f, -D3DX_PI, -2.0f},
             Case{"from -pi: pi stays", D3DX_PI, -D3DX_PI, D3DX_PI},
             Case{"from -pi: -pi stays", -D3DX_PI, -D3DX_PI, -D3DX_PI},
             Case{"from -pi: just above pi", 4.0f, -D3DX_PI, 4.0f - kTwoPi},
             Case{"from -pi: just below -pi", -4.0f, -D3DX_PI, -4.0f + kTwoPi},
             Case{"from -pi: 2 pi", kTwoPi, -D3DX_PI, 0.0f},
             Case{"from -pi: -2 pi", -kTwoPi, -D3DX_PI, -0.0f},
             Case{"from -pi: two turns and one", 2.0f * kTwoPi + 1.0f, -D3DX_PI, (2.0f * kTwoPi + 1.0f) - 2.0f * kTwoPi},
             Case{"from -pi: NaN", kNaN, -D3DX_PI, kNaN},
             Case{"from -pi: -infinity", -kInfinity, -D3DX_PI, kNaN},
         }) {
        ExpectSameFloat(WrapAngleClosed(c.angle, c.lowest), c.wrapped, c.name);
    }
}

TEST(AnglesTest, HeadingOfADirectionIsItsAngleFromXSignedByY) {
    const float root = std::sqrt(0.5f);
    struct Case {
        const char* name;
        D3DXVECTOR3 direction;
        float heading;
    };
    for (const Case& c : {
             Case{"+x", {1, 0, 0}, 0.0f},
             Case{"+y", {0, 1, 0}, kHalfPi},
             Case{"-x", {-1, 0, 0}, D3DX_PI},
             Case{"-x with y just below 0 is -pi", {-1, -0.0001f, 0}, -D3DX_PI},
             Case{"-y", {0, -1, 0}, -kHalfPi},
             Case{"-y at y = -0 counts as above", {0, -0.0f, 0}, kHalfPi},
             Case{"second quadrant", {-root, root, 0}, ClampedAcos(-root)},
             Case{"fourth quadrant", {root, -root, 0}, -ClampedAcos(root)},
             Case{"z is ignored", {0, 1, 5}, kHalfPi},
             Case{"x a step beyond 1 clamps", {1.0000001f, 0, 0}, 0.0f},
             Case{"NaN", {kNaN, 0, 0}, kNaN},
         }) {
        ExpectSameFloat(HeadingOf(c.direction), c.heading, c.name);
    }
}

// The model faces -y: no turn heads at -pi/2, a quarter turn about z at 0, half a turn at pi/2.
TEST(AnglesTest, HeadingOfARotationIsTheHeadingOfTheTurnedForwardAxis) {
    const D3DXVECTOR3 z(0, 0, 1), x(1, 0, 0);
    struct Case {
        const char* name;
        D3DXVECTOR3 axis;
        float angle, heading;
    };
    for (const Case& c : {
             Case{"no turn", z, 0.0f, -kHalfPi},
             Case{"a quarter turn about z", z, kHalfPi, 0.0f},
             Case{"half a turn about z", z, D3DX_PI, kHalfPi},
             Case{"three eighths of a turn about z", z, 0.75f * D3DX_PI, D3DX_PI / 4.0f},
             Case{"a pitch keeps the heading", x, 0.3f, -kHalfPi},
         }) {
        D3DXQUATERNION q;
        D3DXQuaternionRotationAxis(&q, &c.axis, c.angle);
        D3DXMATRIX m;
        D3DXMatrixRotationQuaternion(&m, &q);
        const D3DXVECTOR3 forward(0, -1, 0);
        D3DXVECTOR3 turned;
        D3DXVec3TransformNormal(&turned, &forward, &m);
        // Near heading 0 the arc cosine magnifies the quaternion's rounding: a tolerance of 1e-3.
        EXPECT_NEAR(HeadingOf(q), c.heading, 1e-3f) << c.name;
        ExpectSameFloat(HeadingOf(q), HeadingOf(turned), c.name);
    }
}
