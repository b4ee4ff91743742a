#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Render/PGroundDecal.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "core/ServiceGlobals.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "support/MathExpect.h"
#include "support/ScopedGlobal.h"
#include "support/TestScene.h"

namespace {

class GroundDecalTest : public ::testing::Test {
protected:
    GroundDecalTest() {
        mObject = mScene.Mesh("shadow", 3, nullptr, false);
        mObject->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 2, 0.5f)));
        D3DXMatrixIdentity(&mIdentity);
    }

    int32_t Vertex(float x, float y, float z) {
        mWorld.mVertices.push_back({x, y, z, 0.0f});
        return static_cast<int32_t>(mWorld.mVertices.size()) - 1;
    }
    int32_t Triangle(int32_t a, int32_t b, int32_t c) {
        CPCollisionTriangle triangle;
        triangle.vertices[0] = a;
        triangle.vertices[1] = b;
        triangle.vertices[2] = c;
        mWorld.mTriangles.push_back(triangle);
        return static_cast<int32_t>(mWorld.mTriangles.size()) - 1;
    }
    void List(std::vector<int32_t> indices) {
        for (size_t i = 0; i < indices.size(); ++i) mList.mCandidates[i] = indices[i];
        mList.mCandidateCount = static_cast<int32_t>(indices.size());
    }
    CPRenderObject& Mesh() { return *mObject->GetRenderObject(); }
    void Decal(const D3DXMATRIX& matrix) { mRenderer.AddFootprintDecal(mObject, matrix, &mList); }

    CPPhysicWorld mWorld;
    ScopedGlobal<CPPhysicWorld*> mInstallWorld{gPhysicsWorld, &mWorld};
    CPPhysicData mList{nullptr};
    PRender mRenderer;
    TestScene mScene;
    CPGameObject* mObject;
    D3DXMATRIX mIdentity;
};

TEST_F(GroundDecalTest, FrameIsTheBoxBottomWidenedByATenth) {
    // Ground vertices at the four corners of (-1.1, -2.1) .. (1.1, 2.1) take the frame's corners.
    const int32_t lo = Vertex(-1.1f, -2.1f, 0), xHi = Vertex(1.1f, -2.1f, 0), yHi = Vertex(-1.1f, 2.1f, 0),
                  hi = Vertex(1.1f, 2.1f, 0);
    List({Triangle(lo, xHi, hi), Triangle(lo, hi, yHi)});
    Decal(mIdentity);

    const std::vector<CPVertex>& v = Mesh().GetLocalVertices();
    ASSERT_EQ(v.size(), 6u);
    const float expected[6][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 1}};
    for (size_t i = 0; i < v.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(v[i].u0, expected[i][0], 1e-5f);
        EXPECT_NEAR(v[i].v0, expected[i][1], 1e-5f);
        EXPECT_EQ(v[i].normal, D3DXVECTOR3(0, 0, 1));
        EXPECT_EQ(v[i].diffuse, 0xffffffffu);
        EXPECT_EQ(v[i].specular, 0u);
        EXPECT_EQ(v[i].u1, 0.0f);
        EXPECT_EQ(v[i].v1, 0.0f);
    }
    EXPECT_EQ(Mesh().GetIndices(), (std::vector<uint16_t>{0, 1, 2, 3, 4, 5}));
    ASSERT_EQ(Mesh().GetWorldVertices().size(), 6u);
    EXPECT_EQ(Mesh().GetWorldVertices()[2].position, v[2].position);
}

TEST_F(GroundDecalTest, FrameFollowsThePlacingMatrix) {
    D3DXMATRIX turn, move, placing;
    D3DXMatrixRotationZ(&turn, D3DX_PI / 2.0f);
    D3DXMatrixTranslation(&move, 10, 20, 5);
    D3DXMatrixMultiply(&placing, &turn, &move);
    // Turned a quarter: the box's (-x, -y) corner lands at (12.1, 18.9) and its x extent runs along +y.
    const int32_t o = Vertex(12.1f, 18.9f, 1), a = Vertex(12.1f, 21.1f, 1), b = Vertex(7.9f, 18.9f, 1);
    List({Triangle(o, a, b)});
    Decal(placing);

    const std::vector<CPVertex>& v = Mesh().GetLocalVertices();
    ASSERT_EQ(v.size(), 3u);
    EXPECT_NEAR(v[0].u0, 0.0f, 1e-5f);
    EXPECT_NEAR(v[0].v0, 0.0f, 1e-5f);
    EXPECT_NEAR(v[1].u0, 1.0f, 1e-5f);
    EXPECT_NEAR(v[1].v0, 0.0f, 1e-5f);
    EXPECT_NEAR(v[2].u0, 0.0f, 1e-5f);
    EXPECT_NEAR(v[2].v0, 1.0f, 1e-5f);
}

TEST_F(GroundDecalTest, EachDistinctTriangleOnceInItsOwnOrderLiftedAboveTheGround) {
    const int32_t p0 = Vertex(0, 0, 3.0f), p1 = Vertex(1, 0, 3.0f), p2 = Vertex(0, 1, 3.0f), p3 = Vertex(1, 1, 2.0f);
    const int32_t first = Triangle(p0, p1, p2);
    const int32_t permuted = Triangle(p2, p0, p1);
    const int32_t neighbour = Triangle(p1, p3, p2);  // shares the edge p1-p2
    List({first, first, permuted, neighbour});
    Decal(mIdentity);

    const std::vector<CPVertex>& v = Mesh().GetLocalVertices();
    ASSERT_EQ(v.size(), 6u);  // nothing is shared between triangles
    const D3DXVECTOR3 expected[6] = {{0, 0, 3.03f}, {1, 0, 3.03f}, {0, 1, 3.03f},
                                     {1, 0, 3.03f}, {1, 1, 2.03f}, {0, 1, 3.03f}};
    for (size_t i = 0; i < 6; ++i) ExpectVec3Near(v[i].position, expected[i]);
    EXPECT_EQ(Mesh().GetIndices().size(), 6u);
}

TEST_F(GroundDecalTest, AnEmptyListEmptiesTheMesh) {
    ASSERT_FALSE(Mesh().GetLocalVertices().empty());
    List({});
    Decal(mIdentity);
    EXPECT_TRUE(Mesh().GetLocalVertices().empty());
    EXPECT_TRUE(Mesh().GetWorldVertices().empty());
    EXPECT_TRUE(Mesh().GetIndices().empty());

    // Without a list at all, or without a collision mesh, the decal is empty too.
    Mesh().GetLocalVertices().resize(3);
    mRenderer.AddFootprintDecal(mObject, mIdentity, nullptr);
    EXPECT_TRUE(Mesh().GetLocalVertices().empty());
    List({Triangle(Vertex(0, 0, 0), Vertex(1, 0, 0), Vertex(0, 1, 0))});
    gPhysicsWorld = nullptr;
    Decal(mIdentity);
    EXPECT_TRUE(Mesh().GetLocalVertices().empty());
}

TEST_F(GroundDecalTest, AFrameWithoutAnInverseLeavesTheMeshAsItWas) {
    List({Triangle(Vertex(0, 0, 0), Vertex(1, 0, 0), Vertex(0, 1, 0))});
    // Both axes empty and P on O: the repaired axis is still empty.
    const D3DXVECTOR2 o(5, 5), zero(0, 0);
    mRenderer.BuildGroundDecal(mObject, o, o, zero, zero, &mList);
    EXPECT_EQ(Mesh().GetLocalVertices().size(), 3u);
    EXPECT_EQ(Mesh().GetLocalVertices()[1].position, D3DXVECTOR3(1, 0, 0));  // the scene's own mesh
}

// Counts and indices from the physics side are not trusted: only the list's room is read and triangles
// reaching outside the mesh are skipped.
TEST_F(GroundDecalTest, BadCountsAndIndicesAreSkippedNotRead) {
    const int32_t good = Triangle(Vertex(0, 0, 0), Vertex(1, 0, 0), Vertex(0, 1, 0));
    const int32_t badVertex = Triangle(0, 1, 99);
    const int32_t negativeVertex = Triangle(-1, 0, 1);
    struct Case {
        const char* name;
        std::vector<int32_t> list;
        int32_t count;
        size_t vertices;
    } cases[] = {
        {"count beyond the room", {good}, 5000, 3},
        {"negative count", {good}, -4, 0},
        {"triangle outside the table", {7, -2, good}, 3, 3},
        {"vertex outside the mesh", {badVertex, negativeVertex, good}, 3, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        mList.mCandidates.fill(good);
        List(c.list);
        mList.mCandidateCount = c.count;
        Decal(mIdentity);
        EXPECT_EQ(Mesh().GetLocalVertices().size(), c.vertices);
    }
}

TEST_F(GroundDecalTest, ObjectsWithoutAPlainMeshAreLeftAlone) {
    List({Triangle(Vertex(0, 0, 0), Vertex(1, 0, 0), Vertex(0, 1, 0))});
    CPGameObject* node = mScene.Node("node");
    mRenderer.AddFootprintDecal(node, mIdentity, &mList);
    mRenderer.AddFootprintDecal(nullptr, mIdentity, &mList);
    EXPECT_EQ(node->GetRenderObject(), nullptr);
    EXPECT_EQ(Mesh().GetLocalVertices().size(), 3u);
}

struct FitCase {
    const char* name;
    D3DXVECTOR2 origin, axisA, axisB, point;
    D3DXVECTOR2 fittedOrigin, fittedA, fittedB;
};

TEST(FitDecalFrameTest, WidensOrRepairsTheFrame) {
    const FitCase cases[] = {
        {"P on O: the unit square stays", {0, 0}, {2, 0}, {0, 3}, {0, 0}, {0, 0}, {2, 0}, {0, 3}},
        {"P beyond B: B grows", {0, 0}, {2, 0}, {0, 1}, {0, 4}, {0, 0}, {2, 0}, {0, 5}},
        {"P behind O: the origin moves", {0, 0}, {1, 0}, {0, 1}, {-2, -1}, {-2, -1}, {3, 0}, {0, 2}},
        {"empty A", {1, 1}, {0, 0}, {0, 1}, {4, 5}, {1, 1}, {3, 4}, {0, 1}},
        {"empty B", {1, 1}, {2, 0}, {0, 0}, {4, 5}, {1, 1}, {2, 0}, {3, 4}},
        {"parallel, B within A", {0, 0}, {4, 0}, {2, 0}, {1, 3}, {0, 0}, {4, 0}, {1, 3}},
        {"parallel, B beyond A", {0, 0}, {1, 0}, {3, 0}, {1, 3}, {0, 0}, {3, 0}, {1, 3}},
        // t = -1: O moves back by A, A doubles, B runs from the new O to P - A.
        {"parallel, B behind O", {0, 0}, {1, 0}, {-1, 0}, {2, 2}, {-1, 0}, {2, 0}, {2, 2}},
    };
    for (const FitCase& c : cases) {
        SCOPED_TRACE(c.name);
        D3DXVECTOR2 o = c.origin, a = c.axisA, b = c.axisB;
        FitDecalFrame(o, a, b, c.point);
        EXPECT_NEAR(o.x, c.fittedOrigin.x, 1e-5f);
        EXPECT_NEAR(o.y, c.fittedOrigin.y, 1e-5f);
        EXPECT_NEAR(a.x, c.fittedA.x, 1e-5f);
        EXPECT_NEAR(a.y, c.fittedA.y, 1e-5f);
        EXPECT_NEAR(b.x, c.fittedB.x, 1e-5f);
        EXPECT_NEAR(b.y, c.fittedB.y, 1e-5f);
    }
}

}  // namespace
