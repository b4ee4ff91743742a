#include "support/AnimationBlockBuilder.h"

CPVertex MakeTestVertex(float x, float y, float z, uint32_t diffuse) {
    CPVertex vertex;
    vertex.position = {x, y, z};
    vertex.normal = {0, 0, 1};
    vertex.diffuse = diffuse;
    vertex.specular = 0xFF000000;
    vertex.u0 = x;
    vertex.v0 = y;
    return vertex;
}

void AppendStoredVertex(ByteBuilder& bytes, const CPVertex& v) {
    bytes.Float32(v.position.x).Float32(v.position.y).Float32(v.position.z);
    bytes.Float32(v.normal.x).Float32(v.normal.y).Float32(v.normal.z);
    bytes.UInt32(v.diffuse).UInt32(v.specular);
    bytes.Float32(v.u0).Float32(v.v0).Float32(v.u1).Float32(v.v1);
}

void AppendAnimationBlock(ByteBuilder& bytes, float storedFrameTime, const std::vector<StoredAnimationFrame>& frames) {
    bytes.Int32(static_cast<int32_t>(frames.size())).Float32(storedFrameTime);
    for (const StoredAnimationFrame& frame : frames) {
        bytes.Int32(static_cast<int32_t>(frame.vertices.size()));
        for (const CPVertex& vertex : frame.vertices) AppendStoredVertex(bytes, vertex);
        bytes.Int32(static_cast<int32_t>(frame.indices.size()));
        for (uint16_t index : frame.indices) bytes.UInt16(index);
    }
}

std::vector<StoredAnimationFrame> NumberedTriangleFrames(int32_t frameCount) {
    std::vector<StoredAnimationFrame> frames;
    for (int32_t i = 0; i < frameCount; ++i) {
        const float x = static_cast<float>(i);
        frames.push_back({{MakeTestVertex(x, 0, 0), MakeTestVertex(x, 1, 0), MakeTestVertex(x + 1, 0, 0)}, {0, 1, 2}});
    }
    return frames;
}
