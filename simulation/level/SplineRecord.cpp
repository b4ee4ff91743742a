#include "simulation/level/SplineRecord.h"

#include <cmath>

#include "core/files/CPFileReader.h"

namespace {
D3DXVECTOR3 ReadPoint(CPFileReader& reader) {
    D3DXVECTOR3 point;
    point.x = reader.ReadFloat();
    point.y = reader.ReadFloat();
    point.z = reader.ReadFloat();
    return point;
}

bool IsFinite(const D3DXVECTOR3& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }
}  // namespace

bool ReadSplineRecord(CPFileReader& reader, SplineRecord& record) {
    record = SplineRecord();
    record.name = reader.ReadString();
    record.closed = reader.ReadInt() != 0;
    const int32_t count = reader.ReadInt();
    if (reader.HasOverrun() || count < 0) return false;
    // The count is checked against the bytes left before anything is reserved for it.
    if (static_cast<int64_t>(count) * kSplineSegmentBytes > reader.GetRemaining()) {
        reader.ReadBytes(nullptr, static_cast<int64_t>(count) * kSplineSegmentBytes);
        return false;
    }
    record.segments.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        SplineSegment segment;
        segment.p0 = ReadPoint(reader);
        segment.p3 = ReadPoint(reader);
        segment.p1 = ReadPoint(reader);
        segment.p2 = ReadPoint(reader);
        record.segments.push_back(segment);
    }
    return !reader.HasOverrun();
}

float SplineTotalLength(const std::vector<SplineSegment>& segments) {
    float total = 0.0f;
    for (const SplineSegment& segment : segments) total += SplineSegmentLength(segment);
    return total;
}

bool ValidateSplineRecord(const SplineRecord& record) {
    for (const SplineSegment& s : record.segments)
        if (!IsFinite(s.p0) || !IsFinite(s.p1) || !IsFinite(s.p2) || !IsFinite(s.p3)) return false;
    // Also false for an infinite total (coordinates so large that the length overflows).
    return SplineTotalLength(record.segments) <= kMaxSplineLength;
}
