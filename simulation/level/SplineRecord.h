// A spline record of the level file, read whole into a plain record and checked before a CPSpline is
// built from it: name, closed flag, then segments stored as P0, P3, P1, P2 (48 bytes each).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "simulation/level/SplineSegment.h"

class CPFileReader;

struct SplineRecord {
    std::string name;
    bool closed = false;
    std::vector<SplineSegment> segments;  // control points in curve order; lengths not yet computed
};

// Bytes of one segment in the file.
constexpr int32_t kSplineSegmentBytes = 48;
// Longest spline accepted: its line drawing (three vertices per 10.5 units) must stay addressable by
// 16-bit indices, and a longer one would be cut into an unbounded number of lines.
constexpr float kMaxSplineLength = 200000.0f;

// Reads one record at the reader's cursor. False when the bytes end before the record does or the
// segment count is negative; the record is then incomplete and must not be used.
bool ReadSplineRecord(CPFileReader& reader, SplineRecord& record);

// Sum of the segment lengths in file order, in float.
float SplineTotalLength(const std::vector<SplineSegment>& segments);

// False when a coordinate is not finite or the total length is beyond kMaxSplineLength.
bool ValidateSplineRecord(const SplineRecord& record);
