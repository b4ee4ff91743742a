// Writes spline records of the level file: name, closed flag, segment count, then per segment the
// points in the file's order P0, P3, P1, P2; and builds the same records in memory.
#pragma once

#include <string>
#include <vector>

#include "platform/D3DX9Math.h"
#include "simulation/level/SplineRecord.h"
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

// The record of the segments, as the reader would give it.
inline SplineRecord MakeSplineRecord(const std::vector<SplineSegmentPoints>& points, bool closed = false,
                                     const char* name = "c_path") {
    SplineRecord record;
    record.name = name;
    record.closed = closed;
    for (const SplineSegmentPoints& p : points) {
        SplineSegment segment;
        segment.p0 = p.p0;
        segment.p1 = p.p1;
        segment.p2 = p.p2;
        segment.p3 = p.p3;
        record.segments.push_back(segment);
    }
    return record;
}

// A closed square of side 100 from (0, 0), counter-clockwise, one straight segment per side.
inline SplineRecord SquareSplineRecord(const char* name = "c_path") {
    return MakeSplineRecord({StraightSegment({0, 0, 0}, {100, 0, 0}), StraightSegment({100, 0, 0}, {100, 100, 0}),
                             StraightSegment({100, 100, 0}, {0, 100, 0}), StraightSegment({0, 100, 0}, {0, 0, 0})},
                            true, name);
}
