#include "support/MeshFileBuilder.h"

#include "support/AnimationBlockBuilder.h"

namespace {

void AppendVector(ByteBuilder& bytes, const D3DXVECTOR3& v) { bytes.Float32(v.x).Float32(v.y).Float32(v.z); }

void AppendQuaternion(ByteBuilder& bytes, const D3DXQUATERNION& q) {
    bytes.Float32(q.x).Float32(q.y).Float32(q.z).Float32(q.w);
}

void AppendPlacement(ByteBuilder& bytes, const CPMeshPlacement& placement) {
    AppendVector(bytes, placement.position);
    AppendQuaternion(bytes, placement.rotation);
}

void AppendGeometry(ByteBuilder& bytes, const CPMeshNodeRecord& node) {
    bytes.Int32(static_cast<int32_t>(node.vertices.size()));
    for (const CPVertex& vertex : node.vertices) AppendStoredVertex(bytes, vertex);
    bytes.Int32(static_cast<int32_t>(node.indices.size()));
    for (uint16_t index : node.indices) bytes.UInt16(index);
}

void AppendShapes(ByteBuilder& bytes, const std::vector<CPMeshShapeRecord>& shapes) {
    bytes.Int32(static_cast<int32_t>(shapes.size()));
    for (const CPMeshShapeRecord& shape : shapes) AppendMeshShape(bytes, shape);
}

std::string MeshFile(const std::vector<CPMeshNodeRecord>& nodes, const std::vector<CPMeshNamedMatrix>* matrices,
                     void (*appendNode)(ByteBuilder&, const CPMeshNodeRecord&)) {
    ByteBuilder bytes;
    bytes.Int32(0).Int32(static_cast<int32_t>(nodes.size()));
    for (const CPMeshNodeRecord& node : nodes) appendNode(bytes, node);
    if (matrices) AppendNamedMatrices(bytes, *matrices);
    return bytes.Str();
}

}  // namespace

CPMeshNodeRecord MeshTestNode(const std::string& name, int32_t vertexCount) {
    CPMeshNodeRecord node;
    node.name = name;
    for (int32_t i = 0; i < vertexCount; ++i) node.vertices.push_back(MakeTestVertex(static_cast<float>(i), 0.0f, 0.0f));
    for (int32_t i = 1; i + 1 < vertexCount; ++i) {
        node.indices.push_back(0);
        node.indices.push_back(static_cast<uint16_t>(i));
        node.indices.push_back(static_cast<uint16_t>(i + 1));
    }
    node.placement.rotation = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
    node.body.rotation = node.placement.rotation;
    node.box.rotation = node.placement.rotation;
    return node;
}

CPMeshNodeRecord AnimatedTestNode(const std::string& name, int32_t frameCount) {
    CPMeshNodeRecord node = MeshTestNode(name);
    node.animation.frameTime = 240.0f * kAnimationTimeUnit;
    for (const StoredAnimationFrame& stored : NumberedTriangleFrames(frameCount)) {
        CPAnimationFrame frame;
        frame.vertices = stored.vertices;
        frame.indices = stored.indices;
        frame.frameNumber = static_cast<int32_t>(node.animation.frames.size());
        node.animation.frames.push_back(frame);
    }
    return node;
}

CPMeshShapeRecord MeshTestShape(int32_t kind, float a, float b, float c, const D3DXVECTOR3& position, float mass) {
    CPMeshShapeRecord shape;
    shape.kind = kind;
    shape.a = a;
    shape.b = b;
    shape.c = c;
    shape.position = position;
    shape.rotation = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
    shape.mass = mass;
    return shape;
}

void AppendMeshNodeName(ByteBuilder& bytes, const std::string& name) {
    bytes.FixedText(name, static_cast<size_t>(kMeshNodeNameSize));
}

void AppendMeshShape(ByteBuilder& bytes, const CPMeshShapeRecord& shape) {
    bytes.Int32(shape.kind).Float32(shape.a).Float32(shape.b).Float32(shape.c);
    AppendVector(bytes, shape.position);
    AppendQuaternion(bytes, shape.rotation);
    bytes.Float32(shape.diameter).Float32(shape.mass);
}

void AppendPlainMeshNode(ByteBuilder& bytes, const CPMeshNodeRecord& node) {
    bytes.Int32(0);
    AppendMeshNodeName(bytes, node.name);
    AppendGeometry(bytes, node);
    bytes.Int32(static_cast<int32_t>(node.boxes.size()));
    for (const CPMeshBoxRecord& box : node.boxes) {
        AppendVector(bytes, box.centre);
        bytes.Zeros(4);
        AppendVector(bytes, box.halfExtents);
        bytes.Zeros(static_cast<size_t>(kMeshBoxRecordSize - 28));
    }
    bytes.Int32(static_cast<int32_t>(node.children.size()));
    for (const CPMeshNodeRecord& child : node.children) AppendPlainMeshNode(bytes, child);
}

void AppendPhysicsMeshNode(ByteBuilder& bytes, const CPMeshNodeRecord& node) {
    bytes.Int32(0);
    AppendMeshNodeName(bytes, node.name);
    AppendPlacement(bytes, node.placement);
    AppendMeshShape(bytes, node.body);
    AppendGeometry(bytes, node);
    AppendShapes(bytes, node.shapes);
    bytes.Int32(static_cast<int32_t>(node.children.size()));
    for (const CPMeshNodeRecord& child : node.children) AppendPhysicsMeshNode(bytes, child);
}

void AppendAnimatedMeshNode(ByteBuilder& bytes, const CPMeshNodeRecord& node) {
    AppendMeshNodeName(bytes, node.name);
    AppendPlacement(bytes, node.placement);
    AppendMeshShape(bytes, node.body);
    AppendMeshShape(bytes, node.box);
    std::vector<StoredAnimationFrame> frames;
    for (const CPAnimationFrame& frame : node.animation.frames) frames.push_back({frame.vertices, frame.indices});
    AppendAnimationBlock(bytes, node.animation.frameTime / kAnimationTimeUnit, frames);
    AppendShapes(bytes, node.shapes);
    bytes.Int32(static_cast<int32_t>(node.children.size()));
    for (const CPMeshNodeRecord& child : node.children) AppendAnimatedMeshNode(bytes, child);
}

void AppendNamedMatrices(ByteBuilder& bytes, const std::vector<CPMeshNamedMatrix>& matrices) {
    bytes.Int32(static_cast<int32_t>(matrices.size()));
    for (const CPMeshNamedMatrix& entry : matrices) {
        bytes.String(entry.name);
        for (int column = 0; column < 3; ++column)
            for (int row = 0; row < 4; ++row) bytes.Float32(entry.matrix.m[row][column]);
    }
}

std::string PlainMeshFile(const std::vector<CPMeshNodeRecord>& nodes, const std::vector<CPMeshNamedMatrix>* matrices) {
    return MeshFile(nodes, matrices, AppendPlainMeshNode);
}

std::string PhysicsMeshFile(const std::vector<CPMeshNodeRecord>& nodes,
                            const std::vector<CPMeshNamedMatrix>* matrices) {
    return MeshFile(nodes, matrices, AppendPhysicsMeshNode);
}

std::string AnimatedMeshFile(const CPMeshNodeRecord& root) {
    ByteBuilder bytes;
    bytes.Int32(0).Int32(0);
    AppendAnimatedMeshNode(bytes, root);
    return bytes.Str();
}
