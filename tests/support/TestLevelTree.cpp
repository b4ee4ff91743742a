#include "support/TestLevelTree.h"

#include <cmath>
#include <cstdio>

#include "Render/PMeshFile.h"
#include "simulation/level/LevelFile.h"
#include "support/D3DTestSupport.h"
#include "support/EffectFileBuilder.h"
#include "support/MeshFileBuilder.h"
#include "support/RenderDescriptionBuilder.h"
#include "support/TempFolder.h"

namespace {

// The control-point factor of a cubic quarter circle.
constexpr float kQuarterCircle = 0.5522848f;

// A closed circle of four cubic segments, counter-clockwise from (r, 0) in curve order.
std::vector<SplineSegmentPoints> Circle(float r) {
    const float k = kQuarterCircle * r;
    return {
        {{r, 0, 0}, {r, k, 0}, {k, r, 0}, {0, r, 0}},
        {{0, r, 0}, {-k, r, 0}, {-r, k, 0}, {-r, 0, 0}},
        {{-r, 0, 0}, {-r, -k, 0}, {-k, -r, 0}, {0, -r, 0}},
        {{0, -r, 0}, {k, -r, 0}, {r, -k, 0}, {r, 0, 0}},
    };
}

CPVertex Vertex(float x, float y, float z, float u, float v) {
    CPVertex vertex;
    vertex.position = D3DXVECTOR3(x, y, z);
    vertex.normal = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
    vertex.diffuse = 0xFFFFFFFF;
    vertex.u0 = u;
    vertex.v0 = v;
    return vertex;
}

// A flat square node of half side h at height z: two triangles facing up.
CPMeshNodeRecord QuadNode(const std::string& name, float h, float z) {
    CPMeshNodeRecord node;
    node.name = name;
    node.vertices = {Vertex(-h, -h, z, 0, 0), Vertex(h, -h, z, 1, 0), Vertex(h, h, z, 1, 1), Vertex(-h, h, z, 0, 1)};
    node.indices = {0, 1, 2, 0, 2, 3};
    return node;
}

// A box node of half extents (hx, hy, hz) about its centre, with its collision box.
CPMeshNodeRecord BoxNode(const std::string& name, float hx, float hy, float hz) {
    CPMeshNodeRecord node;
    node.name = name;
    for (int i = 0; i < 8; ++i)
        node.vertices.push_back(Vertex(i & 1 ? hx : -hx, i & 2 ? hy : -hy, i & 4 ? hz : -hz, 0, 0));
    node.indices = {0, 1, 3, 0, 3, 2, 4, 6, 7, 4, 7, 5, 0, 4, 5, 0, 5, 1,
                    2, 3, 7, 2, 7, 6, 0, 2, 6, 0, 6, 4, 1, 5, 7, 1, 7, 3};
    node.boxes.push_back({D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(hx, hy, hz)});
    return node;
}

// A physics node placed at `position` with no mass of its own.
CPMeshNodeRecord PhysicsChild(const std::string& name, const D3DXVECTOR3& position) {
    CPMeshNodeRecord node;
    node.name = name;
    node.placement.position = position;
    node.placement.rotation = D3DXQUATERNION(0, 0, 0, 1);
    return node;
}

// The car's physics mesh: the chassis node "car" with its body and box shape, four wheels, the headlight
// and the two rear flares.
std::string CarMesh() {
    CPMeshNodeRecord car = BoxNode("car", 1.0f, 2.0f, 0.3f);
    car.boxes.clear();
    car.placement.rotation = D3DXQUATERNION(0, 0, 0, 1);
    car.body = MeshTestShape(CPMeshShapeRecord::kBox, 2.0f, 4.0f, 0.6f, D3DXVECTOR3(0, 0, 0), TestLevelTree::kCarMass);
    // The shape keeps the height second and is raised by half of it: centred on the body.
    car.shapes.push_back(
        MeshTestShape(CPMeshShapeRecord::kBox, 2.0f, 0.6f, 4.0f, D3DXVECTOR3(0, 0, -0.3f), TestLevelTree::kCarMass));
    for (int i = 0; i < 4; ++i) {
        // Built by append: GCC 12 at -O3 warns falsely on a literal + to_string.
        std::string wheel = "w";
        wheel += std::to_string(i);
        car.children.push_back(
            PhysicsChild(wheel, D3DXVECTOR3(i % 2 == 0 ? -1.0f : 1.0f, i < 2 ? -1.5f : 1.5f, 0.0f)));
    }
    car.children.push_back(PhysicsChild("light", D3DXVECTOR3(0, -2.0f, 0.2f)));
    car.children.push_back(PhysicsChild("lflarerear", D3DXVECTOR3(-0.8f, 2.0f, 0.2f)));
    car.children.push_back(PhysicsChild("rflarerear", D3DXVECTOR3(0.8f, 2.0f, 0.2f)));
    return PhysicsMeshFile({car});
}

std::string MeshDescription(const std::string& mesh) { return RenderDescriptionBuilder(mesh).Str(); }

}  // namespace

D3DXVECTOR3 TestLevelTree::OnCircle(float radius, float arc) {
    const float angle = arc / kPathRadius;
    return D3DXVECTOR3(radius * std::cos(angle), radius * std::sin(angle), 0.0f);
}

D3DXQUATERNION TestLevelTree::FacingAlongPath(float arc) {
    // A car's forward is -y; turned by the angle about z it faces (sin, -cos): clockwise along the circle.
    const float angle = arc / kPathRadius;
    return D3DXQUATERNION(0.0f, 0.0f, std::sin(angle * 0.5f), std::cos(angle * 0.5f));
}

D3DXVECTOR3 TestLevelTree::PlayerStart() {
    D3DXVECTOR3 at = OnCircle(kPathRadius, kPlayerArc);
    at.z = kPlayerHeight;
    return at;
}

D3DXQUATERNION TestLevelTree::PlayerRotation() { return FacingAlongPath(kPlayerArc); }

D3DXVECTOR3 TestLevelTree::EnemyStart(int32_t index) {
    const float arc = kEnemyArc + kEnemySpacing * static_cast<float>(index / 2);
    const float side = index % 2 == 0 ? -kEnemySideOffset : kEnemySideOffset;
    return OnCircle(kPathRadius + side, arc);
}

D3DXVECTOR3 TestLevelTree::LeftPost() { return D3DXVECTOR3(kPathRadius + kRoadHalfWidth, 5.0f, 0.0f); }

D3DXVECTOR3 TestLevelTree::RightPost() { return D3DXVECTOR3(kPathRadius - kRoadHalfWidth, 5.0f, 0.0f); }

std::string TestLevelTree::CarXml() {
    return "<physics><geometry><wheels count=\"4\" x=\"0\" y=\"0\" length=\"1.5\" radius=\"0.5\"/></geometry>"
           "</physics>\n"
           "<camera distance=\"8\" height=\"2.5\" angle=\"-20\" angle_div=\"2\" distance_div=\"3\" blur=\"0.1\" "
           "fov=\"60\" min=\"1\" max=\"5\"/>\n"
           "<camera2 distance=\"12\" height=\"4\" angle=\"-30\" angle_div=\"4\" distance_div=\"5\" blur=\"0.2\" "
           "fov=\"55\"/>\n"
           "<camera3 distance=\"3\" height=\"1\" blur=\"0.3\"/>\n";
}

LevelFileBuilder TestLevelTree::LevelFile() const {
    LevelFileBuilder file;
    file.Lights(1);
    if (player) {
        D3DXQUATERNION turn;
        const D3DXVECTOR3 up(0.0f, 0.0f, 1.0f);
        D3DXQuaternionRotationAxis(&turn, &up, playerTurn);
        file.Object({"player", PlayerStart(), PlayerRotation() * turn, D3DXVECTOR3(1, 1, 1)});
    }
    for (int32_t i = 0; i < enemies; ++i) {
        const float arc = kEnemyArc + kEnemySpacing * static_cast<float>(i / 2);
        file.Object({"enemy" + std::to_string(i + 1), EnemyStart(i), FacingAlongPath(arc), D3DXVECTOR3(1, 1, 1)});
    }
    if (startPosts) {
        file.Object("stolb_start_left", LeftPost());
        file.Object("stolb_start_right", RightPost());
    }
    file.Object("road", D3DXVECTOR3(0, 0, 0));
    // Extra meshes on a grid of 8-unit steps in the corner outside the circle.
    for (int32_t i = 0; i < extraObjects; ++i) {
        const float x = 145.0f + 8.0f * static_cast<float>(i % 40);
        const float y = 145.0f + 8.0f * static_cast<float>(i / 40);
        file.Object("tree" + std::to_string(i + 1), D3DXVECTOR3(x, y, 0.0f));
    }
    for (const std::string& name : splines) {
        float radius = kPathRadius;
        if (name == kLeftSplineName) radius = kPathRadius + kRoadHalfWidth;
        if (name == kRightSplineName) radius = kPathRadius - kRoadHalfWidth;
        file.Spline({name, 1, Circle(radius)});
    }
    return file;
}

void TestLevelTree::Write(const TempFolder& folder) const {
    LevelFile().WriteLevel(folder, levelName);
    auto mesh = [&](const std::string& name, const std::string& bytes) { folder.Write("Data/Meshes/" + name, bytes); };

    // The level's own description, the road and its physics, the ground quad.
    if (sceneDescription) mesh(levelName + ".rdf", RenderDescriptionBuilder("empty").Str());
    mesh("road.x", PlainMeshFile({QuadNode("road", kGroundHalfSide, 0.0f)}));
    mesh("road.rdf", MeshDescription("road.x"));
    if (roadPhysics) {
        mesh("road_phys.x", PlainMeshFile({QuadNode("road_phys", kGroundHalfSide, 0.0f)}));
        mesh("road_phys" + std::to_string(LevelNumberFromName(levelName)) + ".rdf", MeshDescription("road_phys.x"));
    }
    mesh("land.x", PlainMeshFile({QuadNode("land", 1.0f, 0.0f)}));
    mesh("land.rdf", MeshDescription("land.x"));
    if (extraObjects > 0) {
        mesh("tree.x", PlainMeshFile({BoxNode("tree", 1.0f, 1.0f, 3.0f)}));
        mesh("tree.rdf", MeshDescription("tree.x"));
    }

    // The cars: one physics mesh and one vehicle XML serve every body.
    mesh(kCarMesh, CarMesh());
    const std::string carDescription = RenderDescriptionBuilder(kCarMesh).Key("description", kCarDescription).Str();
    if (playerBody) {
        mesh(playerCar + ".rdf", carDescription);
        mesh(playerCar + "_enemy.rdf", carDescription);
    }
    if (enemyBodies)
        for (int32_t i = 1; i <= enemies; ++i) mesh(enemyModel + std::to_string(i) + "_enemy.rdf", carDescription);
    folder.Write(std::string("Data/Descriptions/") + kCarDescription, CarXml());

    // The units' shadow, the minimap's objects and the replacement of a missing description.
    mesh("shadow.x", PlainMeshFile({QuadNode("shadow", 1.5f, 0.0f)}));
    mesh("shadow.rdf", MeshDescription("shadow.x"));
    mesh("minimap_obj.x", PlainMeshFile({QuadNode("arrow", 1.0f, 0.0f), QuadNode("checkpoint", 1.0f, 0.0f)}));
    mesh("minimap_obj.rdf", MeshDescription("minimap_obj.x"));
    if (fallbackDescription) {
        mesh("wrong.x", PlainMeshFile({BoxNode("wrong", 0.5f, 0.5f, 0.5f)}));
        mesh("wrong.rdf", MeshDescription("wrong.x"));
    }

    // The effect and texture fallbacks every missing effect or texture ends at.
    for (const char* effect : {"simple.fx", "error.fx"})
        folder.Write(std::string("Data/Effects/") + effect, EffectFileBuilder().Str());
    folder.Write("Data/Textures/error.tga", MakeImageFile(ImageKind::Tga, 2, 2));
}
