#include "simulation/level/SplineRecord.h"

#include "core/files/CPFileReader.h"
#include "platform/FiniteChecks.h"

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
        segment.p0 = reader.ReadVector();
        segment.p3 = reader.ReadVector();
        segment.p1 = reader.ReadVector();
        segment.p2 = reader.ReadVector();
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
