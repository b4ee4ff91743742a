#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "core/CPGameObject.h"
#include "core/LogStream.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "platform/RuntimeRandom.h"
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

// A straight road 200 units long and 8 wide along x: 50 quads of two triangles.
struct RoadStrip {
    std::vector<CPCollisionVertex> vertices;
    std::vector<CPCollisionTriangle> triangles;
    RoadStrip() {
        for (int i = 0; i <= 50; ++i) {
            vertices.push_back({4.0f * static_cast<float>(i), 0, 0, 0});
            vertices.push_back({4.0f * static_cast<float>(i), 8, 0, 0});
        }
        for (int32_t i = 0; i < 50; ++i) {
            const int32_t v = 2 * i;
            triangles.push_back(Triangles({{v, v + 2, v + 3}})[0]);
            triangles.push_back(Triangles({{v, v + 3, v + 1}})[0]);
        }
    }
};

// The work the grid holds: every listing of a triangle in a cell.
int64_t CellsListed(const CPPhysicWorld& game) {
    int64_t listed = 0;
    for (int32_t x = 0; x < game.GetGridWidth(); ++x)
        for (int32_t y = 0; y < game.GetGridHeight(); ++y)
            listed += game.GetCell(D3DXVECTOR2(static_cast<float>(x), static_cast<float>(y))).count;
    return listed;
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

// Every cell of a triangle's rectangle (its vertices' cells and their ring) is tested against it by the
// plane test, and only those: the grid's listing, whatever shortcut it takes, must be that one.
TEST_F(GamePhysicsWorldTest, EachTriangleIsListedInExactlyTheCellsOfItsRectangleThatItOverlaps) {
    std::vector<CPCollisionVertex> vertices;
    const auto add = [&](float x, float y) {
        vertices.push_back({x, y, 0, 0});
        return static_cast<int32_t>(vertices.size() - 1);
    };
    std::vector<std::array<int32_t, 3>> corners;
    const auto triangle = [&](float ax, float ay, float bx, float by, float cx, float cy) {
        corners.push_back({add(ax, ay), add(bx, by), add(cx, cy)});
    };
    triangle(0, 0, 100, 0, 0, 100);          // large, both windings below
    triangle(100, 100, 0, 100, 100, 0);
    triangle(8, 8, 16, 8, 8, 16);            // on cell lines
    triangle(12, 40, 12, 40, 60, 88);        // two vertices the same: a segment
    triangle(20, 20, 40, 40, 80, 80);        // three in a row along a diagonal
    triangle(16, 120, 80, 120, 120, 120);    // three in a row along a cell line
    triangle(0, 150, 200, 150.001f, 0, 150.002f);  // a sliver
    triangle(5, 5, 195, 190, 196, 195);      // a long thin one across the grid
    RuntimeSrand(11);
    for (int i = 0; i < 60; ++i) {
        float v[6];
        for (float& value : v) value = RuntimeRandomFraction() * 200.0f;
        triangle(v[0], v[1], v[2], v[3], v[4], v[5]);
    }
    std::vector<CPCollisionTriangle> triangles;
    for (const auto& c : corners) triangles.push_back(Triangles({{c[0], c[1], c[2]}})[0]);
    game.BuildCollisionMesh(vertices, triangles);

    const D3DXVECTOR4 origin = game.GetGridOrigin();
    int64_t expected = 0;
    for (size_t t = 0; t < corners.size(); ++t) {
        D3DXVECTOR3 v[3];
        int32_t cx[3], cy[3];
        for (int k = 0; k < 3; ++k) {
            const CPCollisionVertex& p = vertices[static_cast<size_t>(corners[t][static_cast<size_t>(k)])];
            v[k] = D3DXVECTOR3(p.x, p.y, p.z);
            const D3DXVECTOR2 cell = game.GetGridCell(v[k]);
            cx[k] = static_cast<int32_t>(cell.x);
            cy[k] = static_cast<int32_t>(cell.y);
        }
        const int32_t fromX = std::max(std::min({cx[0], cx[1], cx[2]}) - 1, 0);
        const int32_t toX = std::min(std::max({cx[0], cx[1], cx[2]}) + 1, game.GetGridWidth() - 1);
        const int32_t fromY = std::max(std::min({cy[0], cy[1], cy[2]}) - 1, 0);
        const int32_t toY = std::min(std::max({cy[0], cy[1], cy[2]}) + 1, game.GetGridHeight() - 1);
        for (int32_t y = fromY; y <= toY; ++y)
            for (int32_t x = fromX; x <= toX; ++x) {
                const float x0 = origin.x + 4.0f * static_cast<float>(x), y0 = origin.y + 4.0f * static_cast<float>(y);
                const bool overlaps = CPCollisionGeometry::TriangleBoxOverlap(x0, y0, x0 + 4, y0 + 4, v[0], v[1], v[2]);
                const D3DXVECTOR2 cell(static_cast<float>(x), static_cast<float>(y));
                ASSERT_EQ(game.CellHasTriangle(static_cast<int32_t>(t), cell), overlaps)
                    << "triangle " << t << " cell " << x << ", " << y;
                expected += overlaps ? 1 : 0;
            }
    }
    EXPECT_EQ(CellsListed(game), expected) << "listed nowhere outside its rectangle";
}

TEST_F(GamePhysicsWorldTest, TrianglesNamingAVertexTheMeshDoesNotHaveAreSkipped) {
    game.BuildCollisionMesh({{0, 0, 0, 0}, {8, 0, 0, 0}, {0, 8, 0, 0}},
                            Triangles({{0, 1, 2}, {0, 1, 7}, {-1, 1, 2}, {0, 1, 2}}));
    ASSERT_EQ(game.mTriangles.size(), 4u);
    EXPECT_EQ(game.mTriangles[1].vertices[0], -1);
    EXPECT_EQ(game.mTriangles[2].vertices[0], -1);
    const std::span<const int32_t> cell = game.GetCell(D3DXVECTOR2(0, 0)).triangles;
    EXPECT_EQ(std::vector<int32_t>(cell.begin(), cell.end()), (std::vector<int32_t>{0, 3}));
}

TEST_F(GamePhysicsWorldTest, AMeshWiderThanTheGridKeepsTheTrianglesTheGridReaches) {
    // From x = -3000 to 3000: the grid's 1024 columns from -3000 reach to x = 1096.
    game.BuildCollisionMesh({{-3000, 0, 0, 0}, {-2992, 0, 0, 0}, {-3000, 8, 0, 0}, {1000, 0, 0, 0}, {1008, 0, 0, 0},
                             {1000, 8, 0, 0}, {3000, 0, 0, 0}, {3008, 0, 0, 0}, {3000, 8, 0, 0}},
                            Triangles({{0, 1, 2}, {3, 4, 5}, {6, 7, 8}}));
    EXPECT_EQ(game.GetGridWidth(), CPPhysicWorld::kMaxGridSide);
    EXPECT_FLOAT_EQ(game.GetGridOrigin().x, -3000.0f);
    EXPECT_TRUE(game.CellHasTriangle(0, game.GetGridCell(D3DXVECTOR3(-2999, 1, 0))));
    EXPECT_TRUE(game.CellHasTriangle(1, game.GetGridCell(D3DXVECTOR3(1001, 1, 0))));
    EXPECT_EQ(game.mTriangles[2].vertices[0], -1) << "beyond the last column: left out, not piled into it";
    EXPECT_EQ(game.GetCell(D3DXVECTOR2(1023, 0)).count, 0);
}

TEST_F(GamePhysicsWorldTest, ARoadWithFarOrNonFiniteVerticesLoadsWithinTheWorkOfTheRoadWithoutThem) {
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* name;
        CPCollisionVertex moved;
    };
    // Vertex 20 (x = 40, y = 0) of an intact road moved somewhere no road goes.
    const Case cases[] = {
        {"far along x and y", {1e30f, 1e30f, 0, 0}},
        {"far along x", {1e30f, 0, 0, 0}},
        {"far below the origin", {-1e30f, -1e30f, 0, 0}},
        {"infinite", {inf, inf, 0, 0}},
        {"minus infinite", {-inf, 0, 0, 0}},
        {"not a number", {std::nanf(""), 0, 0, 0}},
    };
    const RoadStrip intact;
    game.BuildCollisionMesh(intact.vertices, intact.triangles);
    const int64_t ordinary = CellsListed(game);
    ASSERT_GT(ordinary, 0);
    const int32_t width = game.GetGridWidth(), height = game.GetGridHeight();
    for (const Case& c : cases) {
        RoadStrip damaged;
        damaged.vertices[20] = c.moved;
        std::vector<std::string> reports;
        LogReportObserver previous = SetLogReportObserver([&](const std::string& text) { reports.push_back(text); });
        game.BuildCollisionMesh(damaged.vertices, damaged.triangles);
        SetLogReportObserver(std::move(previous));
        EXPECT_EQ(game.GetGridWidth(), width) << c.name << ": the grid is the intact road's";
        EXPECT_EQ(game.GetGridHeight(), height) << c.name;
        EXPECT_LE(CellsListed(game), ordinary) << c.name;
        // The triangles away from the damage are where they were.
        EXPECT_TRUE(game.CellHasTriangle(99, game.GetGridCell(D3DXVECTOR3(198, 4, 0)))) << c.name;
        EXPECT_FLOAT_EQ(game.GetGroundHeight(D3DXVECTOR3(150, 4, 0)), 0.0f) << c.name;
        EXPECT_EQ(reports.size(), 1u) << c.name << ": the load says what it left out";
    }
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

TEST_F(GamePhysicsWorldTest, AnObjectThatDiesLeavesEveryWorldsSet) {
    // The address stays in the set otherwise, and the next object built there would be taken for it.
    CPPhysicWorld other;
    auto* object = new CPGameObject("crate");
    auto* data = new CPPhysicData(object);
    object->SetPhysicData(data);
    object->Adopt(data);
    game.RegisterObject(object);
    other.RegisterObject(object);
    ASSERT_TRUE(game.IsRegistered(object));
    ASSERT_TRUE(other.IsRegistered(object));
    const CPGameObject* address = object;
    delete object;
    EXPECT_FALSE(game.IsRegistered(address));
    EXPECT_FALSE(other.IsRegistered(address));
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
