#include "Render/PMeshFile.h"

#include <algorithm>
#include <cstring>

#include "Render/PVertexReader.h"
#include "core/StringUtils.h"
#include "core/files/CPFileReader.h"

namespace {

// The fewest bytes a node record of each kind takes (every count 0, an empty animation block), so
// that a child count is checked against the bytes left before any child is read.
constexpr int64_t kSmallestPlainNode = 4 + kMeshNodeNameSize + 4 * 4;
constexpr int64_t kSmallestPhysicsNode = 4 + kMeshNodeNameSize + kMeshPlacementSize + kMeshShapeRecordSize + 4 * 4;
constexpr int64_t kSmallestAnimatedNode =
    kMeshNodeNameSize + kMeshPlacementSize + 2 * kMeshShapeRecordSize + 8 + 2 * 4;
constexpr int64_t kSmallestNamedMatrix = 4 + 12 * 4;

// A count of records of `size` bytes that the bytes left can hold.
bool CountFits(const CPFileReader& reader, int32_t count, int64_t size) {
    return count >= 0 && count <= static_cast<int64_t>(reader.GetRemaining()) / size;
}

// The text before the first zero byte of the 260-byte field; false when the field has no zero byte.
bool ReadNodeName(CPFileReader& reader, std::string& name) {
    char field[kMeshNodeNameSize];
    if (reader.ReadBytes(field, kMeshNodeNameSize) != 0) return false;
    const void* end = std::memchr(field, 0, sizeof field);
    if (!end) return false;
    name.assign(field, static_cast<size_t>(static_cast<const char*>(end) - field));
    return true;
}

CPMeshPlacement ReadPlacement(CPFileReader& reader) {
    CPMeshPlacement placement;
    placement.position = reader.ReadVector();
    placement.rotation = reader.ReadQuaternion();
    return placement;
}

CPMeshShapeRecord ReadShape(CPFileReader& reader) {
    CPMeshShapeRecord shape;
    shape.kind = reader.ReadInt();
    shape.a = reader.ReadFloat();
    shape.b = reader.ReadFloat();
    shape.c = reader.ReadFloat();
    shape.position = reader.ReadVector();
    shape.rotation = reader.ReadQuaternion();
    shape.diameter = reader.ReadFloat();
    shape.mass = reader.ReadFloat();
    return shape;
}

bool ReadShapes(CPFileReader& reader, std::vector<CPMeshShapeRecord>& shapes) {
    const int32_t count = reader.ReadInt();
    if (reader.HasOverrun() || !CountFits(reader, count, kMeshShapeRecordSize)) return false;
    shapes.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) shapes.push_back(ReadShape(reader));
    return true;
}

// Removes every triangle (and a last, incomplete one) that names a vertex the node lacks: one bad index
// costs its triangle, not the whole file.
void DropTrianglesOutside(std::vector<uint16_t>& indices, size_t vertexCount) {
    size_t kept = 0;
    for (size_t first = 0; first < indices.size(); first += 3) {
        const size_t end = std::min(first + 3, indices.size());
        bool inside = true;
        for (size_t i = first; i < end; ++i) inside = inside && indices[i] < vertexCount;
        if (!inside) continue;
        for (size_t i = first; i < end; ++i) indices[kept++] = indices[i];
    }
    indices.resize(kept);
}

// Vertex count and vertices, index count and indices.
bool ReadGeometry(CPFileReader& reader, CPMeshNodeRecord& node) {
    if (!ReadVertices(reader, reader.ReadInt(), node.vertices)) return false;
    if (!ReadIndices(reader, reader.ReadInt(), node.indices)) return false;
    DropTrianglesOutside(node.indices, node.vertices.size());
    return !reader.HasOverrun();
}

bool ReadBoxes(CPFileReader& reader, std::vector<CPMeshBoxRecord>& boxes) {
    const int32_t count = reader.ReadInt();
    if (reader.HasOverrun() || !CountFits(reader, count, kMeshBoxRecordSize)) return false;
    boxes.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        CPMeshBoxRecord box;
        box.centre = reader.ReadVector();
        reader.ReadBytes(nullptr, 4);
        box.halfExtents = reader.ReadVector();
        reader.ReadBytes(nullptr, kMeshBoxRecordSize - 28);
        boxes.push_back(box);
    }
    return true;
}

template <class ReadNode>
bool ReadChildren(CPFileReader& reader, int64_t smallestNode, int32_t depth, std::vector<CPMeshNodeRecord>& children,
                  ReadNode readNode) {
    const int32_t count = reader.ReadInt();
    if (reader.HasOverrun() || !CountFits(reader, count, smallestNode)) return false;
    if (count > 0 && depth + 1 >= kMaxMeshNodeDepth) return false;
    children.resize(static_cast<size_t>(count));
    for (CPMeshNodeRecord& child : children)
        if (!readNode(reader, child, depth + 1)) return false;
    return true;
}

bool ReadPlainNode(CPFileReader& reader, CPMeshNodeRecord& node, int32_t depth) {
    reader.ReadBytes(nullptr, 4);
    if (!ReadNodeName(reader, node.name)) return false;
    if (!ReadGeometry(reader, node)) return false;
    if (!ReadBoxes(reader, node.boxes)) return false;
    return ReadChildren(reader, kSmallestPlainNode, depth, node.children, ReadPlainNode);
}

bool ReadPhysicsNode(CPFileReader& reader, CPMeshNodeRecord& node, int32_t depth) {
    reader.ReadBytes(nullptr, 4);
    if (!ReadNodeName(reader, node.name)) return false;
    node.placement = ReadPlacement(reader);
    node.body = ReadShape(reader);
    if (!ReadGeometry(reader, node)) return false;
    if (!ReadShapes(reader, node.shapes)) return false;
    return ReadChildren(reader, kSmallestPhysicsNode, depth, node.children, ReadPhysicsNode);
}

bool ReadAnimatedNode(CPFileReader& reader, CPMeshNodeRecord& node, int32_t depth) {
    if (!ReadNodeName(reader, node.name)) return false;
    node.placement = ReadPlacement(reader);
    node.body = ReadShape(reader);
    node.box = ReadShape(reader);
    if (reader.HasOverrun() || !ReadAnimationBlock(reader, node.animation)) return false;
    if (!ReadShapes(reader, node.shapes)) return false;
    return ReadChildren(reader, kSmallestAnimatedNode, depth, node.children, ReadAnimatedNode);
}

// The optional block of named matrices; false (and nothing kept) when the bytes do not make one.
bool ReadNamedMatrices(CPFileReader& reader, std::vector<CPMeshNamedMatrix>& matrices) {
    const int32_t count = reader.ReadInt();
    if (reader.HasOverrun() || !CountFits(reader, count, kSmallestNamedMatrix)) return false;
    std::vector<CPMeshNamedMatrix> read(static_cast<size_t>(count));
    for (CPMeshNamedMatrix& entry : read) {
        entry.name = reader.ReadString();
        ToLower(entry.name);
        entry.matrix = ReadMatrixColumns(reader);
    }
    if (reader.HasOverrun()) return false;
    matrices.swap(read);
    return true;
}

}  // namespace

D3DXMATRIX ReadMatrixColumns(CPFileReader& reader) {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    for (int column = 0; column < 3; ++column)
        for (int row = 0; row < 4; ++row) m.m[row][column] = reader.ReadFloat();
    return m;
}

bool ReadMeshFile(CPFileReader& reader, CPMeshFileKind kind, CPMeshFileRecord& file) {
    reader.ReadBytes(nullptr, 4);
    const int32_t count = reader.ReadInt();
    const bool physics = kind == CPMeshFileKind::kPhysics;
    // A count below 0 announces no nodes, as 0 does: the builder then makes an empty root.
    if (reader.HasOverrun() ||
        (count > 0 && !CountFits(reader, count, physics ? kSmallestPhysicsNode : kSmallestPlainNode)))
        return false;
    CPMeshFileRecord read;
    read.nodes.resize(count > 0 ? static_cast<size_t>(count) : 0);
    for (CPMeshNodeRecord& node : read.nodes)
        if (!(physics ? ReadPhysicsNode(reader, node, 0) : ReadPlainNode(reader, node, 0))) return false;
    if (!reader.IsAtEnd()) ReadNamedMatrices(reader, read.namedMatrices);
    file = std::move(read);
    return true;
}

bool ReadAnimatedMeshFile(CPFileReader& reader, CPMeshNodeRecord& root) {
    reader.ReadBytes(nullptr, 8);
    CPMeshNodeRecord read;
    if (reader.HasOverrun() || !ReadAnimatedNode(reader, read, 0)) return false;
    root = std::move(read);
    return true;
}
