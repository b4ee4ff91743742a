// Writes spline records of the level file: name, closed flag, segment count, then per segment the
// points in the file's order P0, P3, P1, P2.
#pragma once

#include <string>
#include <vector>

#include "platform/D3DX9Math.h"
#include "support/ByteBuilder.h"

struct SplineSegmentPoints {
    D3DXVECTOR3 p0, p1, p2, p3;  // curve order
};

inline void AppendSplineRecord(ByteBuilder& bytes, const std::string& name, int32_t closed,
                               const std::vector<SplineSegmentPoints>& segments) {
    bytes.String(name).Int32(closed).Int32(static_cast<int32_t>(segments.size()));
    for (const SplineSegmentPoints& s : segments)
        for (const D3DXVECTOR3* p : {&s.p0, &s.p3, &s.p1, &s.p2}) bytes.Float32(p->x).Float32(p->y).Float32(p->z);
}

// A straight segment from a to b with its control points at a third and two thirds of the way.
inline SplineSegmentPoints StraightSegment(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    const D3DXVECTOR3 step = (b - a) / 3.0f;
    return {a, a + step, a + step * 2.0f, b};
}
