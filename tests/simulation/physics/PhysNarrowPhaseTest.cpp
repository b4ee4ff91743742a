#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "simulation/physics/PhysNarrowPhase.h"
#include "support/MathExpect.h"

namespace {

using namespace PhysNarrowPhase;

PhysGeometry BoxGeometry(float a, float b, float c) {
    PhysGeometry g;
    g.SetBoxSize(a, b, c);
    return g;
}

PhysGeometry CylinderGeometry(float diameter, float height) {
    PhysGeometry g;
    g.SetCylinder(diameter, height);
    return g;
}

PhysGeometry SphereGeometry(float radius) {
    PhysGeometry g;
    g.type = PhysGeometry::kSphere;
    g.params[0] = radius;
    return g;
}

PhysPlacedShape At(const PhysGeometry& g, const D3DXVECTOR3& centre, float turnAboutZDegrees = 0.0f) {
    const float half = D3DXToRadian(turnAboutZDegrees) / 2.0f;
    return Place(g, PhysMath::RowsFromQuaternion(D3DXQUATERNION(0, 0, std::sin(half), std::cos(half))), centre);
}

struct RayCase {
    const char* name;
    PhysGeometry geometry;
    D3DXVECTOR3 centre;
    D3DXVECTOR3 start, direction;
    float reach;
    bool hits;
    float distance;
    D3DXVECTOR3 normal;
};

TEST(PhysNarrowPhaseTest, RaysMeetShapes) {
    const RayCase cases[] = {
        {"box from above", BoxGeometry(2, 2, 2), {0, 0, 0}, {0.5f, 0, 5}, {0, 0, -1}, 10, true, 4, {0, 0, 1}},
        {"box out of reach", BoxGeometry(2, 2, 2), {0, 0, 0}, {0.5f, 0, 5}, {0, 0, -1}, 3.9f, false, 0, {}},
        {"box beside the ray", BoxGeometry(2, 2, 2), {0, 0, 0}, {1.5f, 0, 5}, {0, 0, -1}, 10, false, 0, {}},
        {"box behind the start", BoxGeometry(2, 2, 2), {0, 0, 0}, {0, 0, 5}, {0, 0, 1}, 10, false, 0, {}},
        {"start inside a box", BoxGeometry(2, 2, 2), {0, 0, 0}, {0, 0, 0.5f}, {0, 0, -1}, 10, true, 0, {0, 0, 1}},
        {"cylinder side", CylinderGeometry(2, 4), {0, 0, 0}, {5, 0, 0}, {-1, 0, 0}, 10, true, 4, {1, 0, 0}},
        {"cylinder cap", CylinderGeometry(2, 4), {0, 0, 0}, {0.5f, 5, 0}, {0, -1, 0}, 10, true, 3, {0, 1, 0}},
        {"past the cylinder", CylinderGeometry(2, 4), {0, 0, 0}, {1.5f, 5, 0}, {0, -1, 0}, 10, false, 0, {}},
        {"sphere", SphereGeometry(1), {0, 0, 3}, {0, 0, 0}, {0, 0, 1}, 10, true, 2, {0, 0, -1}},
    };
    for (const RayCase& c : cases) {
        SCOPED_TRACE(c.name);
        PhysRayHit hit;
        ASSERT_EQ(RayShape(c.start, c.direction, c.reach, At(c.geometry, c.centre), hit), c.hits);
        if (!c.hits) continue;
        EXPECT_NEAR(hit.distance, c.distance, 1e-5f);
        ExpectVec3Near(hit.normal, c.normal);
    }
}

TEST(PhysNarrowPhaseTest, RaysMeetTrianglesFromEitherSide) {
    const D3DXVECTOR3 a(-1, -1, 0), b(1, -1, 0), c(0, 1, 0);
    PhysRayHit hit;
    ASSERT_TRUE(RayTriangle({0, 0, 2}, {0, 0, -1}, 5, a, b, c, hit));
    EXPECT_FLOAT_EQ(hit.distance, 2.0f);
    ExpectVec3Near(hit.normal, D3DXVECTOR3(0, 0, 1));
    ASSERT_TRUE(RayTriangle({0, 0, -2}, {0, 0, 1}, 5, a, b, c, hit));
    ExpectVec3Near(hit.normal, D3DXVECTOR3(0, 0, -1));
    EXPECT_FALSE(RayTriangle({0, 0, 2}, {0, 0, -1}, 1.5f, a, b, c, hit));
    EXPECT_FALSE(RayTriangle({0.9f, 0.9f, 2}, {0, 0, -1}, 5, a, b, c, hit));
    EXPECT_FALSE(RayTriangle({0, 0, 2}, {1, 0, 0}, 5, a, b, c, hit));
}

TEST(PhysNarrowPhaseTest, ShapesApartOnOneAxisDoNotTouch) {
    std::vector<D3DXVECTOR3> scratch;
    std::vector<PhysTouch> touches;
    const PhysGeometry box = BoxGeometry(2, 2, 2);
    // Diagonal neighbours turned 45 degrees: their axis-aligned boxes overlap, their faces stay apart.
    ShapeAgainstShape(At(box, {0, 0, 0}, 45), At(box, {2.2f, 2.2f, 0}, 45), scratch, touches);
    EXPECT_TRUE(touches.empty());
    // Closer, they touch along the diagonal.
    ShapeAgainstShape(At(box, {0, 0, 0}, 45), At(box, {1.35f, 1.35f, 0}, 45), scratch, touches);
    ASSERT_FALSE(touches.empty());
    const float s = std::sqrt(0.5f);
    ExpectVec3Near(touches.front().normal, D3DXVECTOR3(-s, -s, 0));
    touches.clear();
    ShapeAgainstShape(At(box, {0, 0, 0}), At(CylinderGeometry(2, 2), {2.01f, 0, 0}), scratch, touches);
    EXPECT_TRUE(touches.empty());
}

TEST(PhysNarrowPhaseTest, FacesPressedTogetherTouchAtTheCornersAlongTheLeastOverlap) {
    std::vector<D3DXVECTOR3> scratch;
    std::vector<PhysTouch> touches;
    const PhysGeometry box = BoxGeometry(2, 2, 2);
    // A sits on B, reaching 0.1 into it: the push is straight up, at the four corners where they meet.
    ShapeAgainstShape(At(box, {0, 0, 1.9f}), At(box, {0, 0, 0}), scratch, touches);
    ASSERT_EQ(touches.size(), 8u);
    for (const PhysTouch& t : touches) {
        ExpectVec3Near(t.normal, D3DXVECTOR3(0, 0, 1));
        EXPECT_NEAR(t.depth, 0.1f, 1e-5f);
    }
    // A small box on a large one touches only with its own corners.
    touches.clear();
    ShapeAgainstShape(At(BoxGeometry(1, 1, 1), {0, 0, 1.45f}), At(BoxGeometry(10, 10, 2), {0, 0, 0}), scratch,
                      touches);
    ASSERT_EQ(touches.size(), 4u);
    for (const PhysTouch& t : touches) EXPECT_NEAR(t.point.z, 0.95f, 1e-5f);
}

// The contacts of a placed shape against one triangle.
std::vector<PhysTouch> TouchesOf(const PhysPlacedShape& shape, const D3DXVECTOR3& v0, const D3DXVECTOR3& v1,
                                 const D3DXVECTOR3& v2) {
    std::vector<D3DXVECTOR3> samples;
    SamplePoints(shape, samples);
    std::vector<PhysTouch> touches;
    ShapeAgainstTriangle(shape, samples, v0, v1, v2, touches);
    return touches;
}

TEST(PhysNarrowPhaseTest, ShapesOnATriangleTouchBelowItsPlaneOnly) {
    const D3DXVECTOR3 a(-10, -10, 0), b(10, -10, 0), c(0, 10, 0);
    const PhysGeometry boxGeometry = BoxGeometry(2, 2, 2);
    const PhysPlacedShape box = At(boxGeometry, {0, 0, 0.9f});
    std::vector<PhysTouch> touches = TouchesOf(box, a, b, c);
    ASSERT_EQ(touches.size(), 4u);
    for (const PhysTouch& t : touches) {
        ExpectVec3Near(t.normal, D3DXVECTOR3(0, 0, 1));
        EXPECT_NEAR(t.depth, 0.1f, 1e-5f);
    }
    // The winding does not matter: the side the shape stands on is outside.
    EXPECT_EQ(TouchesOf(box, a, c, b).size(), 4u);

    // A cylinder lying on its side touches with the lowest rim points.
    const PhysGeometry wheelGeometry = CylinderGeometry(1, 0.4f);
    const PhysPlacedShape wheel = At(wheelGeometry, {0, 0, 0.45f});
    std::vector<D3DXVECTOR3> samples;
    SamplePoints(wheel, samples);
    EXPECT_EQ(samples.size(), 2u * (kRimPoints + 1));
    EXPECT_EQ(TouchesOf(wheel, a, b, c).size(), 2u);

    // A kerb's corner poking into the box.
    touches = TouchesOf(At(boxGeometry, {0, 0, 1.5f}), {0, 0, 0.7f}, {5, 0, -3}, {0, 5, -3});
    ASSERT_FALSE(touches.empty());
    EXPECT_NEAR(touches.back().depth, 0.2f, 1e-5f);
    ExpectVec3Near(touches.back().normal, D3DXVECTOR3(0, 0, 1));

    // A degenerate triangle has no side: nothing.
    EXPECT_TRUE(TouchesOf(box, a, a, b).empty());
}

}  // namespace
