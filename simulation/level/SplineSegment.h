// One cubic Bezier segment of a level spline and the single-precision evaluations the path lines are
// cut with. The float arithmetic order is kept as written: lengths and line ends depend on it.
#pragma once

#include "platform/D3DX9Math.h"

struct SplineSegment {
    D3DXVECTOR3 p0;  // start point
    D3DXVECTOR3 p1;  // first control point
    D3DXVECTOR3 p2;  // second control point
    D3DXVECTOR3 p3;  // end point
    // Straight distance from p0 to the curve point at t = 0.9 (SplineSegmentLength), not an arc length.
    float length = 0.0f;
};

// The curve point at t, as u^3 p0 + 3ut (u p1 + t p2) + t^3 p3 with u = 1 - t.
D3DXVECTOR3 SplineEvaluate(const SplineSegment& segment, float t);

// |B(0.9) - p0|, with 0.9 reached as 0.1 plus eight more steps of 0.1 in float (0.9000001).
float SplineSegmentLength(const SplineSegment& segment);

// The point at distance d into the segment: t = d / length, evaluated with the expanded Bernstein
// weights. The direction (optional) is B(t + 0.1) - B(t), neither normalised nor clamped at the end.
// A segment of zero length gives its start point (t = 0) instead of the 0 / 0 of the plain formula.
D3DXVECTOR3 SplinePointAtDistance(const SplineSegment& segment, float d, D3DXVECTOR3* direction = nullptr);
