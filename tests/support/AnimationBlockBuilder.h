// Writes vertices and vertex-animation blocks in their stored form (48-byte vertices, 16-bit indices,
// a frame time in 1/2400 s) into a ByteBuilder, for tests of the readers of mesh and animation data.
#pragma once

#include <cstdint>
#include <vector>

#include "Render/PVertex.h"
#include "support/ByteBuilder.h"

struct StoredAnimationFrame {
    std::vector<CPVertex> vertices;
    std::vector<uint16_t> indices;
};

// A vertex at (x, y, z) with the given diffuse colour and first texture coordinates (x, y).
CPVertex MakeTestVertex(float x, float y, float z, uint32_t diffuse = 0xFF00FF00);

void AppendStoredVertex(ByteBuilder& bytes, const CPVertex& vertex);
// Frame count, frame time (stored units), then each frame's vertex count, vertices, index count, indices.
void AppendAnimationBlock(ByteBuilder& bytes, float storedFrameTime, const std::vector<StoredAnimationFrame>& frames);
// `frameCount` frames of one triangle each, whose first vertex lies at x = the frame number: the frame
// shown can be read off the vertices.
std::vector<StoredAnimationFrame> NumberedTriangleFrames(int32_t frameCount);
