#include "simulation/level/SplineSegment.h"

#include <cmath>

namespace {
// B(t) with the weights b0..b3 each rounded to float, summed in the order b1, b0, b2, b3.
D3DXVECTOR3 EvaluateExpanded(const SplineSegment& s, float t) {
    const float t2 = t * t;
    const float t3 = t2 * t;
    const float b0 = 1.0f - 3.0f * t + 3.0f * t2 - t3;
    const float b1 = 3.0f * t - 6.0f * t2 + 3.0f * t3;
    const float b2 = 3.0f * t2 - 3.0f * t3;
    const float b3 = t3;
    return {b1 * s.p1.x + b0 * s.p0.x + b2 * s.p2.x + b3 * s.p3.x,
            b1 * s.p1.y + b0 * s.p0.y + b2 * s.p2.y + b3 * s.p3.y,
            b1 * s.p1.z + b0 * s.p0.z + b2 * s.p2.z + b3 * s.p3.z};
}

float Component(float p0, float p1, float p2, float p3, float t) {
    const float u = 1.0f - t;
    return u * u * u * p0 + 3.0f * u * t * (u * p1 + t * p2) + t * t * t * p3;
}
}  // namespace

D3DXVECTOR3 SplineEvaluate(const SplineSegment& s, float t) {
    return {Component(s.p0.x, s.p1.x, s.p2.x, s.p3.x, t), Component(s.p0.y, s.p1.y, s.p2.y, s.p3.y, t),
            Component(s.p0.z, s.p1.z, s.p2.z, s.p3.z, t)};
}

float SplineSegmentLength(const SplineSegment& segment) {
    float t = 0.1f;
    for (int step = 0; step < 8; ++step) t += 0.1f;
    const D3DXVECTOR3 point = SplineEvaluate(segment, t);
    const float dx = point.x - segment.p0.x;
    const float dy = point.y - segment.p0.y;
    const float dz = point.z - segment.p0.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

D3DXVECTOR3 SplinePointAtDistance(const SplineSegment& segment, float d, D3DXVECTOR3* direction) {
    const float t = segment.length != 0.0f ? d / segment.length : 0.0f;
    const D3DXVECTOR3 point = EvaluateExpanded(segment, t);
    if (direction) {
        const D3DXVECTOR3 ahead = EvaluateExpanded(segment, t + 0.1f);
        *direction = D3DXVECTOR3(ahead.x - point.x, ahead.y - point.y, ahead.z - point.z);
    }
    return point;
}
