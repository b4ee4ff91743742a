// Reads the stored form of vertices and 16-bit indices (the same 48-byte layout in mesh and animation
// files) field by field from a file reader, with counts checked against the bytes left.
#pragma once

#include <cstdint>
#include <vector>

#include "Render/PVertex.h"

class CPFileReader;

constexpr int64_t kStoredVertexSize = 48;

// Reads `count` vertices into `vertices` (resized). False, with `vertices` untouched, when the count is
// negative or more than the bytes left hold.
bool ReadVertices(CPFileReader& reader, int32_t count, std::vector<CPVertex>& vertices);
// Reads `count` indices into `indices` (resized). False, with `indices` untouched, when the count is
// negative or more than the bytes left hold.
bool ReadIndices(CPFileReader& reader, int32_t count, std::vector<uint16_t>& indices);
