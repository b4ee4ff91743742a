#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Render/PMeshFile.h"
#include "core/files/CPFileReader.h"
#include "support/MathExpect.h"
#include "support/MeshFileBuilder.h"
#include "support/TempFolder.h"

namespace {

class MeshFileTest : public ::testing::Test {
public:
    // A reader loaded with the bytes (written as a file first: the reader only reads files).
    CPFileReader Loaded(const std::string& bytes) {
        folder.Folder().Write("mesh.bin", bytes);
        CPFileReader reader("mesh.bin", false);
        EXPECT_EQ(reader.Load(), S_OK);
        return reader;
    }

    bool ReadPlain(const std::string& bytes, CPMeshFileRecord& file) {
        CPFileReader reader = Loaded(bytes);
        return ReadMeshFile(reader, CPMeshFileKind::kPlain, file);
    }
    bool ReadPhysics(const std::string& bytes, CPMeshFileRecord& file) {
        CPFileReader reader = Loaded(bytes);
        return ReadMeshFile(reader, CPMeshFileKind::kPhysics, file);
    }
    bool ReadAnimated(const std::string& bytes, CPMeshNodeRecord& root) {
        CPFileReader reader = Loaded(bytes);
        return ReadAnimatedMeshFile(reader, root);
    }

    ScopedWorkingFolder folder;
};

void ExpectSameVertices(const std::vector<CPVertex>& actual, const std::vector<CPVertex>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i)
        EXPECT_EQ(std::memcmp(&actual[i], &expected[i], sizeof(CPVertex)), 0) << "vertex " << i;
}

D3DXMATRIX TestMatrix(float base) {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 3; ++column) m.m[row][column] = base + static_cast<float>(row * 3 + column);
    return m;
}

}  // namespace

TEST_F(MeshFileTest, PlainFileReadsNodesWithGeometryBoxesChildrenAndTheTrailingBlock) {
    CPMeshNodeRecord roof = MeshTestNode("Roof", 4);
    roof.boxes.push_back({D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(0.5f, 0.25f, 2)});
    CPMeshNodeRecord house = MeshTestNode("house", 3);
    house.children = {roof, MeshTestNode("door", 0)};
    const std::vector<CPMeshNamedMatrix> matrices = {{"Pivot", TestMatrix(1)}, {"hinge", TestMatrix(20)}};

    CPMeshFileRecord file;
    ASSERT_TRUE(ReadPlain(PlainMeshFile({house, MeshTestNode("yard", 3)}, &matrices), file));

    ASSERT_EQ(file.nodes.size(), 2u);
    const CPMeshNodeRecord& read = file.nodes[0];
    EXPECT_EQ(read.name, "house");
    ExpectSameVertices(read.vertices, house.vertices);
    EXPECT_EQ(read.indices, house.indices);
    ASSERT_EQ(read.children.size(), 2u);
    EXPECT_EQ(read.children[0].name, "Roof") << "the record keeps the stored case";
    ASSERT_EQ(read.children[0].boxes.size(), 1u);
    ExpectVec3Near(read.children[0].boxes[0].centre, D3DXVECTOR3(1, 2, 3));
    ExpectVec3Near(read.children[0].boxes[0].halfExtents, D3DXVECTOR3(0.5f, 0.25f, 2));
    EXPECT_EQ(read.children[1].name, "door");
    EXPECT_TRUE(read.children[1].vertices.empty());
    EXPECT_EQ(file.nodes[1].name, "yard");

    ASSERT_EQ(file.namedMatrices.size(), 2u);
    EXPECT_EQ(file.namedMatrices[0].name, "pivot") << "trailing names are lower-cased";
    ExpectMatrixNear(file.namedMatrices[0].matrix, TestMatrix(1));
    EXPECT_FLOAT_EQ(file.namedMatrices[1].matrix._44, 1.0f) << "the fourth column is (0, 0, 0, 1)";
    EXPECT_FLOAT_EQ(file.namedMatrices[1].matrix._14, 0.0f);
}

TEST_F(MeshFileTest, PhysicsFileReadsPlacementBodyAndShapes) {
    CPMeshNodeRecord crate = MeshTestNode("crate", 3);
    crate.placement.position = D3DXVECTOR3(4, 5, 6);
    crate.placement.rotation = D3DXQUATERNION(0.5f, 0.5f, 0.5f, 0.5f);
    crate.body = MeshTestShape(CPMeshShapeRecord::kBox, 1, 2, 3, D3DXVECTOR3(0, 0, 0), 50.0f);
    crate.shapes = {MeshTestShape(CPMeshShapeRecord::kBox, 2, 4, 6, D3DXVECTOR3(1, 1, 0)),
                    MeshTestShape(CPMeshShapeRecord::kCylinder, 0, 3, 0, D3DXVECTOR3(0, 0, 1)),
                    MeshTestShape(7, 1, 1, 1, D3DXVECTOR3(0, 0, 0))};
    crate.shapes[1].diameter = 0.75f;
    crate.children = {MeshTestNode("lid", 3)};

    CPMeshFileRecord file;
    ASSERT_TRUE(ReadPhysics(PhysicsMeshFile({crate}), file));

    ASSERT_EQ(file.nodes.size(), 1u);
    const CPMeshNodeRecord& read = file.nodes[0];
    ExpectVec3Near(read.placement.position, D3DXVECTOR3(4, 5, 6));
    ExpectQuatNear(read.placement.rotation, D3DXQUATERNION(0.5f, 0.5f, 0.5f, 0.5f));
    EXPECT_FLOAT_EQ(read.body.c, 3.0f);
    EXPECT_FLOAT_EQ(read.body.mass, 50.0f);
    ASSERT_EQ(read.shapes.size(), 3u);
    EXPECT_EQ(read.shapes[1].kind, CPMeshShapeRecord::kCylinder);
    EXPECT_FLOAT_EQ(read.shapes[1].diameter, 0.75f);
    EXPECT_EQ(read.shapes[2].kind, 7) << "an unknown kind is read whole and kept for the builder to skip";
    ASSERT_EQ(read.children.size(), 1u);
    EXPECT_EQ(read.children[0].name, "lid");
    EXPECT_TRUE(file.namedMatrices.empty());
}

TEST_F(MeshFileTest, AnimatedFileReadsTheNodeTreeWithEachAnimationBlock) {
    CPMeshNodeRecord body = AnimatedTestNode("Body", 3);
    body.body.mass = 2.0f;
    body.box = MeshTestShape(CPMeshShapeRecord::kBox, 1, 2, 3, D3DXVECTOR3(0, 0, 0), 1.0f);
    body.children = {AnimatedTestNode("arm", 5), AnimatedTestNode("leg", 1)};

    CPMeshNodeRecord root;
    ASSERT_TRUE(ReadAnimated(AnimatedMeshFile(body), root));

    EXPECT_EQ(root.name, "Body");
    EXPECT_FLOAT_EQ(root.body.mass, 2.0f);
    EXPECT_FLOAT_EQ(root.box.b, 2.0f);
    ASSERT_EQ(root.animation.frames.size(), 3u);
    EXPECT_NEAR(root.animation.frameTime, 0.1f, 1e-6f);
    ExpectSameVertices(root.animation.frames[2].vertices, body.animation.frames[2].vertices);
    ASSERT_EQ(root.children.size(), 2u);
    EXPECT_EQ(root.children[0].animation.frames.size(), 5u);
    EXPECT_EQ(root.children[1].name, "leg");
}

// Every cut of a file short of its end is refused, whatever field it falls in (cuts three bytes apart
// meet every field and every byte position inside the 4-byte fields).
TEST_F(MeshFileTest, EveryTruncationIsRefused) {
    CPMeshNodeRecord plain = MeshTestNode("a", 3);
    plain.boxes.push_back({D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1)});
    plain.children = {MeshTestNode("b", 3)};
    CPMeshNodeRecord physics = MeshTestNode("a", 3);
    physics.shapes = {MeshTestShape(CPMeshShapeRecord::kBox, 1, 1, 1, D3DXVECTOR3(0, 0, 0))};
    physics.children = {MeshTestNode("b", 3)};
    CPMeshNodeRecord animated = AnimatedTestNode("a", 2);
    animated.children = {AnimatedTestNode("b", 1)};

    struct Case {
        const char* name;
        std::string bytes;
        std::function<bool(MeshFileTest&, const std::string&)> read;
    };
    const std::vector<Case> cases = {
        {"plain", PlainMeshFile({plain}),
         [](MeshFileTest& t, const std::string& b) { CPMeshFileRecord f; return t.ReadPlain(b, f); }},
        {"physics", PhysicsMeshFile({physics}),
         [](MeshFileTest& t, const std::string& b) { CPMeshFileRecord f; return t.ReadPhysics(b, f); }},
        {"animated", AnimatedMeshFile(animated),
         [](MeshFileTest& t, const std::string& b) { CPMeshNodeRecord r; return t.ReadAnimated(b, r); }},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(c.read(*this, c.bytes)) << c.name << " whole";
        for (size_t size = 0; size < c.bytes.size(); size += 3)
            ASSERT_FALSE(c.read(*this, c.bytes.substr(0, size))) << c.name << " cut to " << size << " bytes";
        EXPECT_FALSE(c.read(*this, c.bytes.substr(0, c.bytes.size() - 1))) << c.name << " without its last byte";
    }
}

TEST_F(MeshFileTest, ATriangleWithAnIndexPastItsNodesVerticesIsLeftOutAndTheRestKept) {
    CPMeshNodeRecord body = MeshTestNode("body", 4);
    body.indices = {0, 1, 2, 0, 2, 4, 1, 2, 3, 3, 9};  // the second triangle and the last two are bad
    CPMeshNodeRecord physics = body;
    body.children = {MeshTestNode("door", 3)};
    for (bool isPhysics : {false, true}) {
        CPMeshFileRecord file;
        ASSERT_TRUE(isPhysics ? ReadPhysics(PhysicsMeshFile({physics}), file)
                              : ReadPlain(PlainMeshFile({body, MeshTestNode("yard", 3)}), file));
        ASSERT_FALSE(file.nodes.empty());
        EXPECT_EQ(file.nodes[0].indices, (std::vector<uint16_t>{0, 1, 2, 1, 2, 3})) << isPhysics;
        EXPECT_EQ(file.nodes[0].vertices.size(), 4u);
        if (!isPhysics) {
            ASSERT_EQ(file.nodes.size(), 2u);
            ASSERT_EQ(file.nodes[0].children.size(), 1u);
            EXPECT_EQ(file.nodes[0].children[0].indices, MeshTestNode("door", 3).indices);
            EXPECT_EQ(file.nodes[1].name, "yard");
        }
    }
}

TEST_F(MeshFileTest, DamagedCountsAndNamesAreRefused) {
    // Offsets into one plain node record: reserved 4, name 260, then the vertex count.
    constexpr size_t kNodeStart = 8;
    constexpr size_t kName = kNodeStart + 4;
    constexpr size_t kVertexCount = kName + 260;
    const std::string good = PlainMeshFile({MeshTestNode("a", 3)});
    const size_t indexCount = kVertexCount + 4 + 3 * 48;
    const size_t firstIndex = indexCount + 4;
    const size_t boxCount = firstIndex + 2 * 3;
    const size_t childCount = boxCount + 4;

    auto patched = [&](size_t offset, const std::string& bytes) {
        std::string damaged = good;
        damaged.replace(offset, bytes.size(), bytes);
        return damaged;
    };
    auto int32 = [](int32_t v) { return ByteBuilder().Int32(v).Str(); };
    struct Case {
        const char* name;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"node count beyond the bytes left", patched(4, int32(2))},
        {"huge node count", patched(4, int32(INT32_MAX))},
        {"name without a zero byte", patched(kName, std::string(260, 'x'))},
        {"negative vertex count", patched(kVertexCount, int32(-3))},
        {"vertex count beyond the bytes left", patched(kVertexCount, int32(1000000))},
        {"negative index count", patched(indexCount, int32(-1))},
        {"index count beyond the bytes left", patched(indexCount, int32(INT32_MAX))},
        {"negative box count", patched(boxCount, int32(-1))},
        {"box count beyond the bytes left", patched(boxCount, int32(1))},
        {"negative child count", patched(childCount, int32(-2))},
        {"child count beyond the bytes left", patched(childCount, int32(1))},
    };
    CPMeshFileRecord untouched;
    untouched.nodes.push_back(MeshTestNode("kept"));
    for (const Case& c : cases) {
        CPMeshFileRecord file = untouched;
        EXPECT_FALSE(ReadPlain(c.bytes, file)) << c.name;
        ASSERT_EQ(file.nodes.size(), 1u) << c.name << ": a refused file leaves the record as it was";
        EXPECT_EQ(file.nodes[0].name, "kept") << c.name;
    }
    CPMeshFileRecord file;
    EXPECT_TRUE(ReadPlain(good, file)) << "the undamaged file reads";
}

TEST_F(MeshFileTest, ShapeCountsOfPhysicsAndAnimatedNodesAreChecked) {
    ByteBuilder physics;
    physics.Int32(0).Int32(1).Int32(0);
    AppendMeshNodeName(physics, "a");
    physics.Zeros(static_cast<size_t>(kMeshPlacementSize + kMeshShapeRecordSize));
    physics.Int32(0).Int32(0).Int32(5).Int32(0);  // no geometry, five shapes announced, none stored
    CPMeshFileRecord file;
    EXPECT_FALSE(ReadPhysics(physics.Str(), file));

    ByteBuilder animated;
    animated.Int32(0).Int32(0);
    AppendMeshNodeName(animated, "a");
    animated.Zeros(static_cast<size_t>(kMeshPlacementSize + 2 * kMeshShapeRecordSize));
    animated.Int32(0).Float32(240.0f);  // an empty animation block
    animated.Int32(-1).Int32(0);
    CPMeshNodeRecord root;
    EXPECT_FALSE(ReadAnimated(animated.Str(), root)) << "a negative shape count";
}

TEST_F(MeshFileTest, AnAnimatedNodeWithABadAnimationBlockIsRefused) {
    CPMeshNodeRecord node = AnimatedTestNode("a", 2);
    node.animation.frames[1].indices[0] = 9;  // past the frame's three vertices
    CPMeshNodeRecord root;
    EXPECT_FALSE(ReadAnimated(AnimatedMeshFile(node), root));
}

TEST_F(MeshFileTest, TreesDeeperThanTheLimitAreRefused) {
    auto chain = [](int32_t depth) {
        CPMeshNodeRecord leaf = MeshTestNode("n");
        for (int32_t i = 1; i < depth; ++i) {
            CPMeshNodeRecord parent = MeshTestNode("n");
            parent.children.push_back(std::move(leaf));
            leaf = std::move(parent);
        }
        return leaf;
    };
    CPMeshFileRecord file;
    EXPECT_TRUE(ReadPlain(PlainMeshFile({chain(kMaxMeshNodeDepth)}), file));
    EXPECT_FALSE(ReadPlain(PlainMeshFile({chain(kMaxMeshNodeDepth + 1)}), file));
}

// A node count below 0 announces no nodes; the file is not damaged by it, and a trailing block may follow.
TEST_F(MeshFileTest, ANegativeNodeCountReadsAsNoNodes) {
    const std::vector<CPMeshNamedMatrix> matrices = {{"pivot", TestMatrix(1)}};
    ByteBuilder bytes;
    bytes.Int32(0).Int32(-3);
    AppendNamedMatrices(bytes, matrices);
    for (CPMeshFileKind kind : {CPMeshFileKind::kPlain, CPMeshFileKind::kPhysics}) {
        CPMeshFileRecord file;
        file.nodes.push_back(MeshTestNode("stale"));
        CPFileReader bare = Loaded(ByteBuilder().Int32(0).Int32(-1).Str());
        ASSERT_TRUE(ReadMeshFile(bare, kind, file));
        EXPECT_TRUE(file.nodes.empty());

        CPFileReader trailed = Loaded(bytes.Str());
        ASSERT_TRUE(ReadMeshFile(trailed, kind, file));
        EXPECT_TRUE(file.nodes.empty());
        ASSERT_EQ(file.namedMatrices.size(), 1u);
        EXPECT_EQ(file.namedMatrices[0].name, "pivot");
    }
}

// The trailing block has no effect on the tree: bytes after the nodes that do not make one are ignored.
TEST_F(MeshFileTest, BytesAfterTheNodesThatMakeNoTrailingBlockAreIgnored) {
    const std::string nodes = PlainMeshFile({MeshTestNode("a", 3)});
    const std::vector<std::string> tails = {
        ByteBuilder().Int32(5).Str(),               // five matrices announced, none stored
        ByteBuilder().Int32(-1).Str(),              // a negative count
        ByteBuilder().Int32(1).String("x").Str(),   // a matrix cut short
        std::string("\x01\x02", 2),                 // not even a count
    };
    for (const std::string& tail : tails) {
        CPMeshFileRecord file;
        ASSERT_TRUE(ReadPlain(nodes + tail, file)) << tail.size() << " trailing bytes";
        ASSERT_EQ(file.nodes.size(), 1u);
        EXPECT_TRUE(file.namedMatrices.empty());
    }
}
