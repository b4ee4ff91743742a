// Near-equality checks for the D3DX math types, for tests of anything that computes vectors or matrices.
#pragma once

#include <gtest/gtest.h>

#include "platform/D3DX9Math.h"

constexpr float kMathTolerance = 1e-5f;

inline void ExpectVec3Near(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected, float tolerance = kMathTolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

inline void ExpectVec4Near(const D3DXVECTOR4& actual, const D3DXVECTOR4& expected, float tolerance = kMathTolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
    EXPECT_NEAR(actual.w, expected.w, tolerance);
}

inline void ExpectQuatNear(const D3DXQUATERNION& actual, const D3DXQUATERNION& expected,
                           float tolerance = kMathTolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
    EXPECT_NEAR(actual.w, expected.w, tolerance);
}

inline void ExpectMatrixNear(const D3DXMATRIX& actual, const D3DXMATRIX& expected, float tolerance = kMathTolerance) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(actual.m[r][c], expected.m[r][c], tolerance) << "row " << r + 1 << " column " << c + 1;
}
