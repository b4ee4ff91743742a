#include "Render/PVertexReader.h"

#include <bit>

#include "core/files/CPFileReader.h"

bool ReadVertices(CPFileReader& reader, int32_t count, std::vector<CPVertex>& vertices) {
    if (count < 0 || count > static_cast<int64_t>(reader.GetRemaining()) / kStoredVertexSize) return false;
    std::vector<CPVertex> read(static_cast<size_t>(count));
    // The stored vertex is the one in memory, little-endian (PVertex.h): one copy on such a machine.
    if constexpr (std::endian::native == std::endian::little) {
        reader.ReadBytes(read.data(), count * kStoredVertexSize);
        vertices.swap(read);
        return true;
    }
    for (CPVertex& v : read) {
        v.position = reader.ReadVector();
        v.normal = reader.ReadVector();
        v.diffuse = static_cast<uint32_t>(reader.ReadInt());
        v.specular = static_cast<uint32_t>(reader.ReadInt());
        v.u0 = reader.ReadFloat();
        v.v0 = reader.ReadFloat();
        v.u1 = reader.ReadFloat();
        v.v1 = reader.ReadFloat();
    }
    vertices.swap(read);
    return true;
}

bool ReadIndices(CPFileReader& reader, int32_t count, std::vector<uint16_t>& indices) {
    if (count < 0 || count > static_cast<int64_t>(reader.GetRemaining()) / 2) return false;
    std::vector<uint16_t> read(static_cast<size_t>(count));
    if constexpr (std::endian::native == std::endian::little) {
        reader.ReadBytes(read.data(), static_cast<int64_t>(count) * 2);
        indices.swap(read);
        return true;
    }
    for (uint16_t& index : read) {
        uint8_t bytes[2];
        reader.ReadBytes(bytes, 2);
        index = static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
    }
    indices.swap(read);
    return true;
}
