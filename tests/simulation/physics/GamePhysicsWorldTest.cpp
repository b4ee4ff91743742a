#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/CPGameObject.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "simulation/physics/CPCollisionGeometry.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "simulation/physics/PhysWorld.h"
#include "support/CarTestRig.h"
#include "support/ScopedGlobal.h"

namespace {

std::vector<CPCollisionTriangle> Triangles(std::initializer_list<std::array<int32_t, 3>> list) {
    std::vector<CPCollisionTriangle> out;
    for (const auto& t : list) {
        CPCollisionTriangle triangle;
        for (int k = 0; k < 3; ++k) triangle.vertices[k] = t[k];
        out.push_back(triangle);
    }
    return out;
}

class GamePhysicsWorldTest : public ::testing::Test {
protected:
    ~GamePhysicsWorldTest() override { gSettings::RestoreInitialValues(); }
    CPPhysicWorld game;
    ScopedGlobal<CPPhysicWorld*> globalGuard{gPhysicsWorld, &game};
};

TEST_F(GamePhysicsWorldTest, TheGridStartsAtTheOriginOrTheMeshMinimumWithTenCellsOfMargin) {
    game.BuildCollisionMesh({{20, 5, 0, 0}, {60, 5, 0, 0}, {60, 30, 1, 0}}, Triangles({{0, 1, 2}}));
    EXPECT_FLOAT_EQ(game.GetGridOrigin().x, 0.0f) << "the origin is always inside the bounds";
    EXPECT_EQ(game.GetGridWidth(), 60 / 4 + 10);
    EXPECT_EQ(game.GetGridHeight(), 30 / 4 + 10);
    // Below the origin: cell 0; far beyond: the last cell.
    EXPECT_EQ(game.GetGridCell(D3DXVECTOR3(-50, -50, 0)), D3DXVECTOR2(0, 0));
    EXPECT_EQ(game.GetGridCell(D3DXVECTOR3(1e6f, 1e6f, 0)), D3DXVECTOR2(24, 16));
    EXPECT_EQ(game.GetGridCell(D3DXVECTOR3(21, 9, 0)), D3DXVECTOR2(5, 2));

    game.BuildCollisionMesh({{-40, -8, 0, 0}, {-20, -8, 0, 0}, {-20, 0, 0, 0}}, Triangles({{0, 1, 2}}));
    EXPECT_FLOAT_EQ(game.GetGridOrigin().x, -40.0f);
    EXPECT_FLOAT_EQ(game.GetGridOrigin().y, -8.0f);
}

TEST_F(GamePhysicsWorldTest, ATriangleIsListedInEveryCellItOverlapsAndOnlyThere) {
    // A large triangle over a 4 x 4 cell with no vertex in it and no edge crossing it.
    game.BuildCollisionMesh({{0, 0, 0, 0}, {100, 0, 0, 0}, {0, 100, 0, 0}}, Triangles({{0, 1, 2}}));
    EXPECT_TRUE(game.CellHasTriangle(0, D3DXVECTOR2(5, 5))) << "covered whole";
    EXPECT_TRUE(game.CellHasTriangle(0, D3DXVECTOR2(0, 0))) << "holds a vertex";
    EXPECT_TRUE(game.CellHasTriangle(0, D3DXVECTOR2(12, 12))) << "crossed by the long edge";
    EXPECT_FALSE(game.CellHasTriangle(0, D3DXVECTOR2(20, 20))) << "beyond the long edge";
    EXPECT_EQ(game.GetCell(D3DXVECTOR2(5, 5)).count, 1);

    EXPECT_TRUE(CPCollisionGeometry::TriangleBoxOverlap(20, 20, 24, 24, {0, 0, 0}, {100, 0, 0}, {0, 100, 0}));
    EXPECT_FALSE(CPCollisionGeometry::TriangleBoxOverlap(60, 60, 64, 64, {0, 0, 0}, {100, 0, 0}, {0, 100, 0}));
    EXPECT_TRUE(CPCollisionGeometry::SegmentsIntersect({0, 0, 0}, {4, 4, 0}, {0, 4, 0}, {4, 0, 0}));
    EXPECT_FALSE(CPCollisionGeometry::SegmentsIntersect({0, 0, 0}, {4, 0, 0}, {0, 1, 0}, {4, 1, 0}));
}

TEST_F(GamePhysicsWorldTest, TrianglesNamingAVertexTheMeshDoesNotHaveAreSkipped) {
    game.BuildCollisionMesh({{0, 0, 0, 0}, {8, 0, 0, 0}, {0, 8, 0, 0}},
                            Triangles({{0, 1, 2}, {0, 1, 7}, {-1, 1, 2}, {0, 1, 2}}));
    ASSERT_EQ(game.mTriangles.size(), 4u);
    EXPECT_EQ(game.mTriangles[1].vertices[0], -1);
    EXPECT_EQ(game.mTriangles[2].vertices[0], -1);
    const std::vector<int32_t>& cell = game.GetCell(D3DXVECTOR2(0, 0)).triangles;
    EXPECT_EQ(cell, (std::vector<int32_t>{0, 3}));
}

TEST_F(GamePhysicsWorldTest, AFarStrayVertexGetsACappedGridWhoseLastCellsStillHoldTheMesh) {
    game.BuildCollisionMesh({{0, 0, 0, 0}, {8, 0, 0, 0}, {0, 8, 0, 0}, {1e9f, 1e9f, 0, 0}, {1e9f + 8, 1e9f, 0, 0},
                             {1e9f, 1e9f + 8, 0, 0}},
                            Triangles({{0, 1, 2}, {3, 4, 5}}));
    EXPECT_EQ(game.GetGridWidth(), CPPhysicWorld::kMaxGridSide);
    EXPECT_EQ(game.GetGridHeight(), CPPhysicWorld::kMaxGridSide);
    EXPECT_TRUE(game.CellHasTriangle(1, game.GetGridCell(D3DXVECTOR3(1e9f + 1, 1e9f + 1, 0))));
    EXPECT_TRUE(game.CellHasTriangle(0, D3DXVECTOR2(0, 0)));
}

TEST_F(GamePhysicsWorldTest, TheGroundHeightIsTheZOfTheNearestVertexOfTheCellsTriangles) {
    struct Case {
        D3DXVECTOR3 point;
        float height;
    };
    // A ramp: z = 0 along x = 0, z = 3 along x = 8; and a far plateau at z = 50.
    game.BuildCollisionMesh({{0, 0, 0, 0}, {8, 0, 3, 0}, {8, 8, 3, 0}, {0, 8, 0, 0}, {400, 400, 50, 0},
                             {404, 400, 50, 0}, {400, 404, 50, 0}},
                            Triangles({{0, 1, 2}, {0, 2, 3}, {4, 5, 6}}));
    const Case cases[] = {
        {{0.5f, 0.5f, 0}, 0.0f},   // nearest (0, 0)
        {{7.0f, 1.0f, 0}, 3.0f},   // nearest (8, 0)
        {{6.0f, 7.0f, 0}, 3.0f},   // nearest (8, 8)
        {{401, 401, 0}, 50.0f},    // the plateau's own cell
        {{200, 200, 0}, 0.0f},     // an empty cell
    };
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(game.GetGroundHeight(c.point), c.height) << c.point.x << ", " << c.point.y;
    // Before any mesh the answer is 0.
    CPPhysicWorld empty;
    EXPECT_FLOAT_EQ(empty.GetGroundHeight(D3DXVECTOR3(1, 1, 0)), 0.0f);
}

// A body of a registered object over a flat mesh, for the terrain query.
class TerrainQueryTest : public GamePhysicsWorldTest {
protected:
    TerrainQueryTest() {
        gSettings::weight_div = 1;
        game.Create();
        data = new CPPhysicData(&object);
        data->SetBoxMass(1, 1, 1, 1);
        data->AddBoxShape(D3DXVECTOR3(0, 0, 0), D3DXQUATERNION(0, 0, 0, 1), 1, 1, 1, 1);
        object.SetPhysicData(data);
        object.Adopt(data);
    }
    // Each cell of a 40 x 40 square gets `perCell` small triangles.
    void Carpet(int perCell) {
        std::vector<CPCollisionVertex> vertices;
        std::vector<CPCollisionTriangle> triangles;
        for (int cx = 0; cx < 10; ++cx)
            for (int cy = 0; cy < 10; ++cy)
                for (int k = 0; k < perCell; ++k) {
                    const float x = cx * 4.0f + 0.5f + 0.002f * static_cast<float>(k), y = cy * 4.0f + 0.5f;
                    const auto first = static_cast<int32_t>(vertices.size());
                    for (const CPCollisionVertex& v : {CPCollisionVertex{x, y, 0, 0}, CPCollisionVertex{x + 1, y, 0, 0},
                                                       CPCollisionVertex{x, y + 1, 0, 0}})
                        vertices.push_back(v);
                    triangles.push_back(Triangles({{first, first + 1, first + 2}})[0]);
                }
        game.BuildCollisionMesh(std::move(vertices), std::move(triangles));
    }
    int32_t Query(const D3DXVECTOR3& low, const D3DXVECTOR3& high) {
        const float m[4] = {low.x, low.y, low.z, 1}, M[4] = {high.x, high.y, high.z, 1};
        const int32_t* list = nullptr;
        const CPCollisionTriangle* triangles = nullptr;
        const CPCollisionVertex* vertices = nullptr;
        int32_t count = -1, triangleCount = -1;
        CPPhysicWorld::OnTerrainQuery(m, M, &list, &triangles, &vertices, &count, &triangleCount, data->mRigidBody);
        return count;
    }

    CPGameObject object{"crate"};
    CPPhysicData* data = nullptr;
};

TEST_F(TerrainQueryTest, TheCandidatesAreTheTrianglesOfTheBoxCellsAndTheirRingUpToTheLimit) {
    Carpet(2);
    game.AddObject(&object, true, 1);
    ASSERT_NE(data->mRigidBody, nullptr);
    // One cell and its ring of eight: nine cells of two triangles.
    EXPECT_EQ(Query({17, 17, 0}, {18, 18, 1}), 18);
    EXPECT_EQ(data->mCandidateCount, 18);
    // A box over many cells: more than 45 cells, every one listed.
    EXPECT_EQ(Query({2, 2, 0}, {38, 38, 1}), 200);
    // A body without an owner gets nothing.
    data->mRigidBody->SetUserData(nullptr);
    EXPECT_EQ(Query({17, 17, 0}, {18, 18, 1}), 0);
}

TEST_F(TerrainQueryTest, CellsThatDoNotFitAreLeftOutWholeButACrowdedCellStillGivesItsNearTriangles) {
    Carpet(300);
    game.AddObject(&object, true, 1);
    // The first cell fits (300), the next three do (1200 > 999: stop after three).
    EXPECT_EQ(Query({17, 17, 0}, {18, 18, 1}), 900);
    Carpet(1200);
    const int32_t count = Query({16.4f, 16.4f, 0}, {16.6f, 16.6f, 1});
    EXPECT_GT(count, 0) << "a cell of 1000 or more triangles must not leave the body without ground";
    EXPECT_LT(count, CPPhysicWorld::kCandidateLimit);
}

TEST_F(GamePhysicsWorldTest, BodiesAreMadeFromTheShapesAndParkedBodiesCarryNoOwner) {
    gSettings::weight_div = 1;
    game.Create();
    CPGameObject object("crate");
    object.SetPosition(D3DXVECTOR3(1, 2, 3));
    auto* data = new CPPhysicData(&object);
    data->AddBoxShape(D3DXVECTOR3(0, 0, 0.5f), D3DXQUATERNION(0, 0, 0, 1), 2, 4, 6, 1);
    data->SetBoxMass(2, 4, 6, 1);
    object.SetPhysicData(data);
    object.Adopt(data);
    game.RegisterObject(&object);
    EXPECT_TRUE(game.IsRegistered(&object));
    EXPECT_TRUE(data->mActiveWanted);
    game.AddObject(&object, true, 1);
    ASSERT_NE(data->mRigidBody, nullptr);
    EXPECT_EQ(data->mRigidBody->GetUserData(), &object);
    const PhysGeometry* box = data->mRigidBody->geometries;
    ASSERT_NE(box, nullptr);
    // The second and third sizes are swapped.
    EXPECT_FLOAT_EQ(box->params[0], 1.0f);
    EXPECT_FLOAT_EQ(box->params[1], 3.0f);
    EXPECT_FLOAT_EQ(box->params[2], 2.0f);
    EXPECT_EQ(box->material, 1);

    PhysRigidBody* body = data->mRigidBody;
    data->ParkBody();
    EXPECT_EQ(data->mRigidBody, nullptr);
    EXPECT_EQ(body->GetUserData(), nullptr) << "a parked body carries no stale owner";
    EXPECT_FLOAT_EQ(body->GetPosition().z, CPPhysicWorld::kFirstParkingHeight);

    game.UnregisterObject(&object);
    EXPECT_FALSE(game.IsRegistered(&object));
    EXPECT_FALSE(data->mActiveWanted);
}

TEST_F(GamePhysicsWorldTest, ASecondCreateLeavesNoBodyOfTheFirstWorld) {
    gSettings::weight_div = 1;
    game.Create();
    PhysWorld* first = game.GetWorld();
    ASSERT_NE(first, nullptr);
    CarTestRig rig;  // its own world is not used: the unit's bodies come from the game world
    game.RegisterObject(&rig.unit);
    game.AddObject(&rig.unit, true, 1);
    game.CreateCar(&rig.unit, false);
    CPCar* car = rig.unit.GetCar().Get();
    ASSERT_NE(car, nullptr);
    ASSERT_NE(car->GetController(), nullptr);
    EXPECT_EQ(first->GetRigidPool().GetTakenCount(), 1);
    game.RecycleBody(CPSmartPtr<CPPhysicData>(rig.data));

    game.Create();
    EXPECT_NE(game.GetWorld(), nullptr);
    EXPECT_EQ(game.GetWorld()->GetRigidPool().GetTakenCount(), 0);
    EXPECT_EQ(rig.data->mRigidBody, nullptr);
    EXPECT_EQ(car->GetController(), nullptr);
    EXPECT_EQ(car->mSensors[0], nullptr);
    EXPECT_TRUE(game.mParkedBodies.empty());
    EXPECT_FALSE(game.IsRegistered(&rig.unit));
    EXPECT_FLOAT_EQ(game.mParkingHeight, CPPhysicWorld::kFirstParkingHeight);
    rig.unit.SetCar(nullptr);
    delete car;
}

TEST_F(GamePhysicsWorldTest, TheCollisionTableLetsCarsHitEachOtherFromDifficultyTwo) {
    for (int32_t difficulty : {0, 1, 2, 3}) {
        gSettings::cam_speed = difficulty;
        game.Create();
        PhysCollisionTable& table = game.GetWorld()->GetCollisionTable();
        EXPECT_EQ(table.Get(0, 0), difficulty < 2 ? 0 : 3) << difficulty;
        EXPECT_EQ(table.Get(0, PhysCollisionTable::kWorldId), 3);
        EXPECT_FLOAT_EQ(game.GetWorld()->GetMaterial(1).friction, gSettings::friction);
    }
}

}  // namespace
