// Geometric helpers of the ray tests: distance along a ray to a facing plane, a point-in-triangle
// test, and arc cosine / arc sine that tolerate arguments a rounding step outside [-1, 1].
#pragma once

#include "platform/D3DX9Math.h"

// Distance along the ray (in units of the direction's length) to a plane facing the ray, computed in
// double precision. -1 when the ray is parallel to the plane or runs along its normal; negative when
// the plane lies behind the origin, so callers keep only results from 0 up.
float RayPlaneDistance(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, const D3DXPLANE& plane);

// Whether a point assumed to lie in the triangle's plane lies inside the triangle: a crossing test in
// the coordinate plane where the triangle is largest, in single precision.
bool RayTriangleHit(const D3DXVECTOR3& point, const D3DXVECTOR3& v0, const D3DXVECTOR3& v1, const D3DXVECTOR3& v2);

// acos / asin with the argument clamped to [-1, 1].
double SafeAcos(float x);
double SafeAsin(float x);
