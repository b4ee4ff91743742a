#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/GeometryUtils.h"

TEST(GeometryUtilsTest, RayPlaneDistance) {
    struct Case {
        const char* name;
        D3DXVECTOR3 origin, direction;
        D3DXPLANE plane;
        float expected;
    };
    const D3DXPLANE ground(0, 0, 1, 0);
    for (const Case& c : {
             Case{"down onto the ground", {0, 0, 10}, {0, 0, -1}, ground, 10.0f},
             Case{"along the normal", {0, 0, 10}, {0, 0, 1}, ground, -1.0f},
             Case{"parallel", {0, 0, 10}, {1, 0, 0}, ground, -1.0f},
             Case{"unnormalised direction counts its length", {0, 0, 10}, {0, 0, -2}, ground, 5.0f},
             Case{"plane behind the origin", {0, 0, -4}, {0, 0, -1}, ground, -4.0f},
             Case{"offset plane z = 3", {5, 5, 10}, {0, 0, -1}, D3DXPLANE(0, 0, 1, -3), 7.0f},
             Case{"slanted ray", {0, 0, 10}, {1, 0, -1}, ground, 10.0f},
             Case{"facing product rounds to zero in float", {0, 0, 1}, {0, 0, -1e-30f}, D3DXPLANE(0, 0, 1e-30f, 0), -1.0f},
         }) {
        EXPECT_FLOAT_EQ(RayPlaneDistance(c.origin, c.direction, c.plane), c.expected) << c.name;
    }
}

TEST(GeometryUtilsTest, PointInTriangle) {
    struct Case {
        const char* name;
        D3DXVECTOR3 p, v0, v1, v2;
        bool inside;
    };
    const D3DXVECTOR3 o(0, 0, 0), x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
    for (const Case& c : {
             Case{"inside x-y", {0.25f, 0.25f, 0}, o, x, y, true},
             Case{"outside x-y", {1, 1, 0}, o, x, y, false},
             Case{"beyond the hypotenuse", {0.6f, 0.6f, 0}, o, x, y, false},
             Case{"left of the triangle", {-0.1f, 0.5f, 0}, o, x, y, false},
             Case{"corner v0 lies under two edges", {0, 0, 0}, o, x, y, false},
             Case{"corner v1 (open upper end)", {1, 0, 0}, o, x, y, false},
             Case{"inside x-z plane", {0.2f, 0, 0.2f}, o, x, z, true},
             Case{"outside x-z plane", {0.8f, 0, 0.8f}, o, x, z, false},
             Case{"inside y-z plane", {0, 0.3f, 0.3f}, o, y, z, true},
             Case{"outside y-z plane", {0, -0.3f, 0.3f}, o, y, z, false},
             Case{"winding reversed", {0.25f, 0.25f, 0}, o, y, x, true},
             Case{"on an upright edge (no division by zero)", {0, 0.5f, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 0}, true},
             Case{"degenerate triangle", {0.5f, 0, 0}, o, x, {2, 0, 0}, false},
         }) {
        EXPECT_EQ(RayTriangleHit(c.p, c.v0, c.v1, c.v2), c.inside) << c.name;
    }
}

TEST(GeometryUtilsTest, SafeArcFunctionsClamp) {
    struct Case {
        float x;
        double acos, asin;
    };
    const double pi = std::numbers::pi;
    for (Case c : {Case{1.0000001f, 0.0, pi / 2}, Case{-2.0f, pi, -pi / 2}, Case{2.0f, 0.0, pi / 2},
                   Case{0.5f, std::acos(0.5), std::asin(0.5)}, Case{-1.0f, pi, -pi / 2}}) {
        EXPECT_DOUBLE_EQ(SafeAcos(c.x), c.acos) << c.x;
        EXPECT_DOUBLE_EQ(SafeAsin(c.x), c.asin) << c.x;
    }
}
