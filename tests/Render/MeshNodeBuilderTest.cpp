// The builder's mesh nodes: render parts, vertex colours, boxes, physics data and vertex animations.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Render/PAnimatedObject.h"
#include "Render/PRenderObject.h"
#include "core/config/Settings.h"
#include "core/files/CPFileReader.h"
#include "simulation/physics/CPPhysicData.h"
#include "support/DescriptionBuildRig.h"
#include "support/MathExpect.h"
#include "support/MeshFileBuilder.h"
#include "support/RenderDescriptionBuilder.h"

namespace {

constexpr uint32_t kObjectColour = 0xFF336699;

class MeshNodeBuilderTest : public ::testing::Test {
protected:
    MeshNodeBuilderTest() {
        gSettings::weight_div = 2;
        rig.Manager().SetObjectColour(kObjectColour);
    }
    ~MeshNodeBuilderTest() override { gSettings::RestoreInitialValues(); }

    // A description of the mesh file "<name>" written from the bytes.
    CPGameObject* BuildMesh(const std::string& file, const std::string& bytes) {
        rig.WriteMesh(file, bytes);
        rig.WriteDescription("test.rdf", RenderDescriptionBuilder(file).Str());
        return rig.Build("test.rdf");
    }

    DescriptionBuildRig rig;
};

D3DXVECTOR3 Placed(const CPBoundingBox& box, const D3DXVECTOR3& point) {
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &point, &box.mLocalPlacement);
    return out;
}

CPAnimatedObject* Animated(CPGameObject* object) {
    return object && object->GetRenderKind() == kRenderAnimated ? static_cast<CPAnimatedObject*>(object->GetRenderPart())
                                                                  : nullptr;
}

}  // namespace

TEST_F(MeshNodeBuilderTest, APlainNodeBecomesAMeshInTheObjectColour) {
    CPMeshNodeRecord node = MeshTestNode("Roof", 4);
    node.boxes.push_back({D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(4, 5, 6)});
    CPGameObject* roof = BuildMesh("house.x", PlainMeshFile({node}));
    ASSERT_NE(roof, nullptr);
    EXPECT_EQ(roof->GetName(), "roof");
    ASSERT_EQ(roof->GetRenderKind(), kRenderObject);
    const CPRenderObject* mesh = roof->GetRenderObject();
    ASSERT_EQ(mesh->GetLocalVertices().size(), 4u);
    ASSERT_EQ(mesh->GetWorldVertices().size(), 4u);
    EXPECT_EQ(mesh->GetIndices(), node.indices);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(mesh->GetLocalVertices()[i].diffuse, kObjectColour) << "whatever the file held";
        EXPECT_EQ(mesh->GetWorldVertices()[i].diffuse, kObjectColour);
        ExpectVec3Near(mesh->GetLocalVertices()[i].position, node.vertices[i].position);
        EXPECT_EQ(mesh->GetLocalVertices()[i].u0, node.vertices[i].u0);
    }
    ASSERT_EQ(roof->GetCollisionBoxes().size(), 1u);
    ExpectVec3Near(roof->GetCollisionBoxes()[0].mCentre, D3DXVECTOR3(1, 2, 3));
    ExpectVec3Near(roof->GetCollisionBoxes()[0].mHalfExtents, D3DXVECTOR3(4, 5, 6));
    // The main box is not set; the placing of the tree raises its zero half extents to the smallest one.
    ExpectVec3Near(roof->GetBoundingBox().mCentre, D3DXVECTOR3(0, 0, 0));
    const float least = CPBoundingBox::kMinHalfExtent;
    ExpectVec3Near(roof->GetBoundingBox().mHalfExtents, D3DXVECTOR3(least, least, least));
    EXPECT_EQ(roof->GetPhysicData(), nullptr);
}

TEST_F(MeshNodeBuilderTest, ChildrenFollowTheirParentsInFileOrder) {
    CPMeshNodeRecord house = MeshTestNode("house", 3);
    CPMeshNodeRecord door = MeshTestNode("door", 3);
    door.children = {MeshTestNode("handle", 3)};
    house.children = {door, MeshTestNode("window", 3)};
    CPGameObject* root = BuildMesh("house.x", PlainMeshFile({house}));
    std::vector<std::string> names;
    for (CPGameObject* node : TreeNodes(root)) names.push_back(node->GetName());
    EXPECT_EQ(names, (std::vector<std::string>{"house", "door", "handle", "window"}));
    EXPECT_EQ(TreeNode(root, "handle")->GetParent().Get(), TreeNode(root, "door"));
}

TEST_F(MeshNodeBuilderTest, APhysicsNodeIsPlacedAndBoundedByItsVertices) {
    CPMeshNodeRecord node = MeshTestNode("crate");
    for (const D3DXVECTOR3& p : {D3DXVECTOR3(-1, 0, 1), D3DXVECTOR3(3, -2, 0), D3DXVECTOR3(0, 2, 0.5f)}) {
        CPVertex v;
        v.position = p;
        v.diffuse = 0x12345678;
        node.vertices.push_back(v);
    }
    node.indices = {0, 1, 2};
    node.placement.position = D3DXVECTOR3(10, 20, 30);
    node.placement.rotation = D3DXQUATERNION(0.1f, 0.2f, 0.3f, 0.9f);
    node.body = MeshTestShape(CPMeshShapeRecord::kBox, 1, 2, 3, D3DXVECTOR3(0, 0, 0), 40.0f);

    CPGameObject* crate = BuildMesh("crate.p3d", PhysicsMeshFile({node}));
    ASSERT_NE(crate, nullptr);
    ExpectVec3Near(crate->GetPosition(), D3DXVECTOR3(10, 20, 30));
    ExpectQuatNear(crate->GetRotation(), D3DXQUATERNION(-0.1f, -0.2f, -0.3f, 0.9f));  // the stored turn's conjugate
    ExpectVec3Near(crate->GetBoundingBox().mCentre, D3DXVECTOR3(1, 0, 0.5f));
    ExpectVec3Near(crate->GetBoundingBox().mHalfExtents, D3DXVECTOR3(2, 2, 0.5f));
    ASSERT_NE(crate->GetPhysicData(), nullptr);
    EXPECT_EQ(crate->GetPhysicData()->GetOwner(), crate);
    const CPPhysicBodyParameters& body = crate->GetPhysicData()->GetBodyParameters();
    EXPECT_FLOAT_EQ(body.boxSize[2], 3.0f);
    EXPECT_FLOAT_EQ(body.mass, 20.0f) << "divided by \"weight_div\"";
    for (const CPVertex& v : crate->GetRenderObject()->GetLocalVertices()) EXPECT_EQ(v.diffuse, kObjectColour);
}

TEST_F(MeshNodeBuilderTest, APhysicsNodeWithoutVerticesKeepsTheStartBounds) {
    CPMeshNodeRecord node = MeshTestNode("crate");
    node.children = {MeshTestNode("lid")};
    rig.WriteMesh("crate.p3d", PhysicsMeshFile({node}));
    CPMeshFileRecord file;
    CPFileReader reader("Data/Meshes/crate.p3d", false);
    ASSERT_EQ(reader.Load(), S_OK);
    ASSERT_TRUE(ReadMeshFile(reader, CPMeshFileKind::kPhysics, file));
    // Straight from the node reader, before any placing of the tree raises the negative half extents.
    CPSmartPtr<CPGameObject> crate = rig.Manager().ReadPhysicMeshNode(file.nodes[0], CPSectionTable(), 20);
    ExpectVec3Near(crate->GetBoundingBox().mCentre, D3DXVECTOR3(2250000, 0, 2250000));
    ExpectVec3Near(crate->GetBoundingBox().mHalfExtents, D3DXVECTOR3(-2750000, -5000000, -2750000));
    EXPECT_EQ(crate->GetChildren().size(), 1u);
    CPGameObject* built = crate.Get();
    crate.Forget();
    delete built;
}

TEST_F(MeshNodeBuilderTest, ShapeRecordsBecomePhysicsShapesAndBoxShapesCollisionBoxes) {
    CPMeshNodeRecord node = MeshTestNode("crate", 3);
    node.body.mass = 1.0f;
    CPMeshShapeRecord box = MeshTestShape(CPMeshShapeRecord::kBox, 2, 4, 6, D3DXVECTOR3(1, 1, 0), 8.0f);
    CPMeshShapeRecord cylinder = MeshTestShape(CPMeshShapeRecord::kCylinder, 9, 3, 9, D3DXVECTOR3(0, 0, 1), 4.0f);
    cylinder.rotation = D3DXQUATERNION(0, 0, 0.6f, 0.8f);
    cylinder.diameter = 0.5f;
    node.shapes = {box, MeshTestShape(2, 1, 1, 1, D3DXVECTOR3(0, 0, 0)), cylinder};

    CPGameObject* crate = BuildMesh("crate.p3d", PhysicsMeshFile({node}));
    ASSERT_NE(crate, nullptr);
    const auto& shapes = crate->GetPhysicData()->GetShapes();
    ASSERT_EQ(shapes.size(), 2u) << "the shape of kind 2 is skipped";
    EXPECT_EQ(shapes[0].kind, CPPhysicShape::kBox);
    ExpectVec3Near(shapes[0].position, D3DXVECTOR3(1, 1, 2));  // raised by half of b
    EXPECT_FLOAT_EQ(shapes[0].size[0], 2);
    EXPECT_FLOAT_EQ(shapes[0].size[1], 4);
    EXPECT_FLOAT_EQ(shapes[0].size[2], 6);
    EXPECT_FLOAT_EQ(shapes[0].mass, 4);
    EXPECT_EQ(shapes[1].kind, CPPhysicShape::kCylinder);
    ExpectVec3Near(shapes[1].position, D3DXVECTOR3(0, 0, 1));  // not raised
    ExpectQuatNear(shapes[1].rotation, D3DXQUATERNION(0, 0, -0.6f, 0.8f));
    EXPECT_FLOAT_EQ(shapes[1].diameter, 0.5f);
    EXPECT_FLOAT_EQ(shapes[1].size[1], 3);

    ASSERT_EQ(crate->GetCollisionBoxes().size(), 1u) << "only the box shape has a collision box";
    const CPBoundingBox& collision = crate->GetCollisionBoxes()[0];
    ExpectVec3Near(collision.mCentre, D3DXVECTOR3(0, 0, 0));
    ExpectVec3Near(collision.mHalfExtents, D3DXVECTOR3(1, 3, 2));
    ExpectVec3Near(Placed(collision, D3DXVECTOR3(0, 0, 0)), D3DXVECTOR3(1, 1, 2));
}

TEST_F(MeshNodeBuilderTest, ATurnedBoxShapeTurnsByTheConjugateThenMoves) {
    CPMeshNodeRecord node = MeshTestNode("crate");
    CPMeshShapeRecord box = MeshTestShape(CPMeshShapeRecord::kBox, 2, 2, 2, D3DXVECTOR3(5, 0, 0));
    const float s = std::sqrt(0.5f);
    box.rotation = D3DXQUATERNION(0, 0, s, s);  // a quarter turn about z; its conjugate turns back
    node.shapes = {box};
    CPGameObject* crate = BuildMesh("crate.p3d", PhysicsMeshFile({node}));
    ASSERT_NE(crate, nullptr);
    const CPBoundingBox& collision = crate->GetCollisionBoxes().at(0);
    ExpectVec3Near(Placed(collision, D3DXVECTOR3(1, 0, 0)), D3DXVECTOR3(5, -1, 1));
    ExpectQuatNear(crate->GetPhysicData()->GetShapes().at(0).rotation, box.rotation);  // the physics box keeps q
}

TEST_F(MeshNodeBuilderTest, AnAnimatedNodeTakesItsBoxFromTheRecordOrFromItsAnimation) {
    CPMeshNodeRecord man = AnimatedTestNode("Man", 3);
    man.box = MeshTestShape(CPMeshShapeRecord::kBox, 2, 4, 6, D3DXVECTOR3(1, 1, 0), 1.0f);
    man.body = MeshTestShape(CPMeshShapeRecord::kBox, 1, 2, 3, D3DXVECTOR3(0, 0, 0), 6.0f);
    man.shapes = {MeshTestShape(CPMeshShapeRecord::kBox, 1, 1, 1, D3DXVECTOR3(0, 0, 0))};
    CPMeshNodeRecord hat = AnimatedTestNode("hat", 2);
    hat.box.mass = 0.0f;
    hat.body.mass = 0.0f;
    hat.placement.position = D3DXVECTOR3(7, 7, 7);
    hat.shapes = {MeshTestShape(CPMeshShapeRecord::kBox, 1, 1, 1, D3DXVECTOR3(0, 0, 0))};
    man.children = {hat};
    rig.WriteMesh("man.msh", AnimatedMeshFile(man));
    rig.WriteDescription("man.rdf", RenderDescriptionBuilder("anim;walk,man.msh").Str());

    CPGameObject* root = rig.Build("man.rdf");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->GetName(), "man");
    CPAnimatedObject* animated = Animated(root);
    ASSERT_NE(animated, nullptr);
    EXPECT_EQ(animated->GetOwner(), root);
    ASSERT_NE(animated->GetAnimation(), nullptr);
    EXPECT_EQ(animated->GetAnimation(), rig.Animations().Find("man&man.msh"));
    EXPECT_EQ(animated->GetAnimation()->GetFrames()[0].vertices[0].diffuse, kObjectColour);
    ExpectVec3Near(root->GetBoundingBox().mHalfExtents, D3DXVECTOR3(1, 3, 2));
    ExpectVec3Near(Placed(root->GetBoundingBox(), D3DXVECTOR3(0, 0, 0)), D3DXVECTOR3(1, 1, 2));
    ASSERT_NE(root->GetPhysicData(), nullptr);
    EXPECT_FLOAT_EQ(root->GetPhysicData()->GetBodyParameters().mass, 3.0f);
    EXPECT_EQ(root->GetPhysicData()->GetShapes().size(), 1u);

    CPGameObject* hatNode = root->GetChild("hat").Get();
    ASSERT_NE(hatNode, nullptr);
    CPAnimation* hatAnimation = rig.Animations().Find("hat&man.msh");
    ASSERT_NE(hatAnimation, nullptr);
    ExpectVec3Near(hatNode->GetBoundingBox().mCentre, hatAnimation->GetBox().mCentre);
    // The flat triangles have no z extent, which placing the tree raises to the smallest one.
    ExpectVec3Near(hatNode->GetBoundingBox().mHalfExtents,
                   D3DXVECTOR3(hatAnimation->GetBox().mHalfExtents.x, hatAnimation->GetBox().mHalfExtents.y,
                               CPBoundingBox::kMinHalfExtent));
    EXPECT_GT(hatAnimation->GetBox().mHalfExtents.x, 0.5f);
    ExpectVec3Near(hatNode->GetPosition(), D3DXVECTOR3(0, 0, 0));  // an animated node's placement is not applied
    // Without body mass there is no physics data to carry the node's shapes: they are left out.
    EXPECT_EQ(hatNode->GetPhysicData(), nullptr);
    EXPECT_TRUE(hatNode->GetCollisionBoxes().empty());
}

TEST_F(MeshNodeBuilderTest, BuildingTheSameAnimatedFileAgainReusesItsCachedAnimations) {
    rig.WriteMesh("man.msh", AnimatedMeshFile(AnimatedTestNode("man", 2)));
    rig.WriteDescription("man.rdf", RenderDescriptionBuilder("anim;walk,man.msh").Str());
    CPGameObject* first = rig.Build("man.rdf");
    CPGameObject* second = rig.Build("man.rdf");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(Animated(first)->GetAnimation(), Animated(second)->GetAnimation());
    EXPECT_EQ(rig.Animations().GetCount(), 1u);
}

TEST_F(MeshNodeBuilderTest, FurtherAnimatedFilesAddTheirAnimationsToTheNodesTheyName) {
    CPMeshNodeRecord walk = AnimatedTestNode("man", 2);
    walk.children = {AnimatedTestNode("arm", 2), AnimatedTestNode("leg", 2)};
    CPMeshNodeRecord run = AnimatedTestNode("ignored", 4);  // the root's stored name is not compared
    CPMeshNodeRecord tail = AnimatedTestNode("tail", 4);
    tail.children = {AnimatedTestNode("tip", 1)};
    run.children = {AnimatedTestNode("Arm", 4), tail, AnimatedTestNode("leg", 4)};
    rig.WriteMesh("walk.msh", AnimatedMeshFile(walk));
    rig.WriteMesh("run.msh", AnimatedMeshFile(run));
    rig.WriteDescription("man.rdf", RenderDescriptionBuilder("anim;walk,walk.msh;run,run.msh").Str());

    CPGameObject* man = rig.Build("man.rdf");
    ASSERT_NE(man, nullptr);
    CPAnimatedObject* root = Animated(man);
    ASSERT_EQ(root->GetAnimations().size(), 2u);
    EXPECT_EQ(root->GetAnimations().at("run").Get(), rig.Animations().Find("man&run.msh"));
    EXPECT_EQ(root->GetAnimationName(), "") << "nothing was started";
    EXPECT_EQ(root->GetAnimation(), rig.Animations().Find("man&walk.msh")) << "the first animation stays the one played";

    // "Arm" is compared as stored and reaches no node; "tail" matches nothing and is stepped over whole,
    // so "leg" after it still lines up.
    EXPECT_EQ(Animated(man->GetChild("arm").Get())->GetAnimations().count("run"), 0u);
    CPAnimatedObject* leg = Animated(man->GetChild("leg").Get());
    ASSERT_EQ(leg->GetAnimations().count("run"), 1u);
    EXPECT_EQ(leg->GetAnimations().at("run")->GetFrameCount(), 4);
    EXPECT_EQ(rig.Animations().Find("tail&run.msh"), nullptr);
    EXPECT_EQ(man->GetChildren().size(), 2u) << "a further file adds no node";
}
