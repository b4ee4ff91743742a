#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Render/CPCamera.h"
#include "Render/PCamera.h"
#include "core/ServiceGlobals.h"
#include "script/RacePathScriptFunctions.h"
#include "simulation/level/CPLevel.h"
#include "simulation/level/CPLine.h"
#include "simulation/level/CPSpline.h"
#include "simulation/units/CPPlayer.h"
#include "support/LevelLoadRig.h"
#include "support/LuaScriptRig.h"

namespace {

// The test level (its race path a circle of radius 130 about the origin) with a few trees beside it,
// loaded, and a Lua state.
class RacePathScriptFunctionsTest : public ::testing::Test {
protected:
    static TestLevelTree Tree() {
        TestLevelTree tree;
        tree.extraObjects = 2;  // "tree1" at (145, 145), "tree2" at (153, 145)
        return tree;
    }
    void SetUp() override { ASSERT_TRUE(load.Load()) << load.Level().GetLoadError(); }

    void Run(const std::string& code) { ASSERT_EQ(lua.Run(code), "") << code; }
    // The results of one call, each as a number (a boolean as 1 or 0).
    std::vector<double> Results(const std::string& call) {
        EXPECT_EQ(lua.Run("r = {" + call + "} n = table.getn(r)"), "") << call;
        std::vector<double> values;
        for (int i = 1; i <= static_cast<int>(lua.Number("n")); ++i) {
            lua.Run("v = r[" + std::to_string(i) + "] if type(v) == 'boolean' then v = v and 1 or 0 end");
            values.push_back(lua.Number("v"));
        }
        return values;
    }
    CPSpline& Path() { return *load.Level().mPath; }
    // The ring of the race path from its first line.
    std::vector<CPLine*> Ring() {
        std::vector<CPLine*> ring;
        CPLine* line = Path().GetFirstLine();
        for (size_t i = 0; i < Path().GetRingSize(); ++i, line = line->mNext) ring.push_back(line);
        return ring;
    }
    // The ring's line whose centre lies nearest to (x, y).
    CPLine* NearestByCentre(float x, float y) {
        CPLine* best = nullptr;
        float bestDistance = 1e30f;
        for (CPLine* line : Ring()) {
            const float d = std::hypot(line->mCentre.x - x, line->mCentre.y - y);
            if (d < bestDistance) bestDistance = d, best = line;
        }
        return best;
    }
    CPPerspectiveCamera& MainView() { return *load.Level().mCamera->GetViewCamera(); }
    void Look(const D3DXVECTOR3& eye, const D3DXVECTOR3& target) {
        MainView().SetEye(eye);
        MainView().SetTarget(target);
        MainView().SetUp(D3DXVECTOR3(0, 1, 0));
        MainView().SetFieldOfView(D3DX_PI / 3);
        MainView().SetFar(1000.0f);
        MainView().Update();
    }
    CPGameObject* Placed(const std::string& name) {
        for (const auto& object : load.Level().mObjects)
            if (object && object->GetName() == name) return object.Get();
        return nullptr;
    }

    LevelLoadRig load{Tree()};
    LuaScriptRig lua;
};

TEST_F(RacePathScriptFunctionsTest, LinePointsFollowTheRingFromItsFirstLine) {
    const std::vector<CPLine*> ring = Ring();
    const int n = static_cast<int>(ring.size());
    ASSERT_GT(n, 50);
    struct Case {
        std::string index;
        int line;
    };
    for (const Case& c : {Case{"0", 0}, Case{"1", 1}, Case{"2.9", 2}, Case{std::to_string(n), 0},
                          Case{std::to_string(n + 3), 3}, Case{"-4", 0}, Case{"1e9", 1000000000 % n}}) {
        const std::vector<double> point = Results("GetSplineLinePoint(" + c.index + ")");
        ASSERT_EQ(point.size(), 3u) << c.index;
        EXPECT_FLOAT_EQ(point[0], ring[c.line]->mP0.x) << c.index;
        EXPECT_FLOAT_EQ(point[1], ring[c.line]->mP0.y) << c.index;
        EXPECT_FLOAT_EQ(point[2], ring[c.line]->mP0.z) << c.index;
    }
    EXPECT_EQ(Results("GetSplineLineCount()"), std::vector<double>{1});
    EXPECT_EQ(Results("GetLevelSize()"),
              (std::vector<double>{load.Level().mExtentX, load.Level().mExtentY}));
}

TEST_F(RacePathScriptFunctionsTest, TheClosestLineIsTheFirstCloseOneInWalkingOrderMovedByTheSteps) {
    const std::vector<CPLine*> ring = Ring();
    const int n = static_cast<int>(ring.size());
    // Between the points of lines 3 and 4, nearer to 4: line 3 comes first in the walk.
    const D3DXVECTOR3 between = ring[3]->mP0 + (ring[4]->mP0 - ring[3]->mP0) * 0.7f;
    // The last line of the ring ends just past the first line's point and starts 1.5 units short of it:
    // this point lies within 20 of the first line's point alone, which the walk reaches last.
    ASSERT_LT(std::hypot(ring[n - 1]->mP0.x - ring[0]->mP0.x, ring[n - 1]->mP0.y - ring[0]->mP0.y), 2.0f);
    const D3DXVECTOR3 outside = ring[0]->mP0 + D3DXVECTOR3(19.8f, 1.8f, 0.0f);
    struct Case {
        const char* name;
        D3DXVECTOR3 at;
        std::string steps;
        int line;
    };
    const Case cases[] = {
        {"first in walking order", between, "0", 3},
        {"two lines back", between, "2", 1},
        {"one line on", between, "-1", 4},
        {"back across the first line", between, "5", n - 2},
        {"whole turns are skipped", between, std::to_string(3 * n + 1), 2},
        {"the first line is examined too", outside, "0", 0},
    };
    for (const Case& c : cases) {
        const std::vector<double> found = Results("GetClosestLineCenter(" + std::to_string(c.at.x) + ", " +
                                                  std::to_string(c.at.y) + ", 0, " + c.steps + ")");
        ASSERT_EQ(found.size(), 4u) << c.name;
        const CPLine* line = ring[c.line];
        EXPECT_FLOAT_EQ(found[0], line->mP0.x) << c.name;
        EXPECT_FLOAT_EQ(found[1], line->mP0.y) << c.name;
        EXPECT_EQ(found[2], 0.5) << c.name;
        // The heading of the line nearest to that point, less a quarter turn: the point is the end of
        // two lines at (almost) the same distance, the one before it and its own.
        const float turned = static_cast<float>(found[3]) + D3DX_PI / 2;
        EXPECT_TRUE(std::fabs(turned - line->mHeading) < 1e-5f || std::fabs(turned - line->mPrevious->mHeading) < 1e-5f)
            << c.name << ": " << turned;
    }
    EXPECT_TRUE(Results("GetClosestLineCenter(0, 0, 0, 0)").empty()) << "no path point within 20";
}

TEST_F(RacePathScriptFunctionsTest, ThePathAngleSearchKeepsItsStartLineUntilAskedToRestart) {
    CPPlayer& unit = *load.Level().mCameraTarget;
    load.Level().mHeading = 1.25f;
    const D3DXVECTOR3 start = unit.GetPosition();
    CPLine* nearStart = NearestByCentre(start.x, start.y);
    std::vector<double> angle = Results("GetPlayerSplineAngle()");
    ASSERT_EQ(angle.size(), 2u);
    EXPECT_FLOAT_EQ(angle[0], 1.25f);
    EXPECT_FLOAT_EQ(angle[1], nearStart->mHeading);
    EXPECT_EQ(Path().GetScriptStartLine(), nearStart);

    // At the centre of the circle no line lies within the search window: the search answers its start.
    unit.SetPosition(D3DXVECTOR3(0.0f, 0.0f, start.z));
    EXPECT_FLOAT_EQ(Results("GetPlayerSplineAngle()")[1], nearStart->mHeading);
    // The level's own search moves on to a line across the circle; a restart starts from there.
    CPLine* across = NearestByCentre(-130.0f, 0.0f);
    CPLine* hint = across->mNext;
    float radius = 20.0f;
    Path().GetNearestPoint(D3DXVECTOR3(-130.0f, 0.0f, 0.0f), radius, 0, hint);
    ASSERT_EQ(Path().GetCurrentLine(), across);
    EXPECT_FLOAT_EQ(Results("GetPlayerSplineAngle(true)")[1], across->mHeading);
    EXPECT_EQ(Path().GetScriptStartLine(), across);
}

TEST_F(RacePathScriptFunctionsTest, ANewLevelStartsThePathAngleSearchAfresh) {
    Run("GetPlayerSplineAngle()");
    ASSERT_NE(Path().GetScriptStartLine(), nullptr);
    load.DeleteLevel();  // the kept line goes with its path
    ASSERT_TRUE(load.Load());
    EXPECT_EQ(Path().GetScriptStartLine(), nullptr);
    const D3DXVECTOR3 start = load.Level().mCameraTarget->GetPosition();
    const std::vector<double> angle = Results("GetPlayerSplineAngle()");
    ASSERT_EQ(angle.size(), 2u);
    EXPECT_FLOAT_EQ(angle[1], NearestByCentre(start.x, start.y)->mHeading);
}

TEST_F(RacePathScriptFunctionsTest, RaysReportWhetherTheyAreClearAndHowFarTheyWent) {
    struct Case {
        const char* name;
        const char* call;
        std::vector<double> results;
    };
    const Case cases[] = {
        {"into a tree: the direction", "CrossPlayerRay(145, 145, 20, 0, 0, -40)", {0, 0, 0, -1}},
        {"clear: the whole vector", "CrossPlayerRay(0, 0, 20, 3, 0, 4)", {1, 3, 0, 4}},
        {"no length: nothing to divide", "CrossPlayerRay(145, 145, 20, 0, 0, 0)", {1, 0, 0, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(Results(c.call), c.results) << c.name;
}

TEST_F(RacePathScriptFunctionsTest, AScreenRayFindsWhatIsUnderThePointerAndTheGroundPoint) {
    // Straight down onto the player's unit from 60 above the ground.
    CPPlayer& unit = *load.Level().mPlayer;
    const D3DXVECTOR3 at = unit.GetPosition();
    Look(D3DXVECTOR3(at.x, at.y, 60), D3DXVECTOR3(at.x, at.y, 0));
    Run("hit, object, gx, gy, gz = CrossInterfaceRay(0.5, 0.5)");
    EXPECT_TRUE(lua.Bool("hit"));
    EXPECT_EQ(lua.Handle("object"), static_cast<CPRefObject*>(unit.GetControllerOwner().Get()));
    EXPECT_NEAR(lua.Number("gx"), at.x, 1e-2);
    EXPECT_NEAR(lua.Number("gy"), at.y, 1e-2);
    EXPECT_EQ(lua.Number("gz"), 0.0);

    // Down on the open middle of the circle, at the right edge of the screen: nothing there, and the
    // ground point lies half the view's width away (the view's right is -x looking down with +y up).
    Look(D3DXVECTOR3(0, 0, 60), D3DXVECTOR3(0, 0, 0));
    Run("hit, object, gx, gy, gz = CrossInterfaceRay(1, 0.5)");
    EXPECT_FALSE(lua.Bool("hit"));
    EXPECT_EQ(lua.Type("object"), LUA_TLIGHTUSERDATA);
    EXPECT_EQ(lua.Handle("object"), nullptr);
    const double halfWidth = 60.0 * std::tan(D3DX_PI / 6) * 640.0 / 480.0;
    EXPECT_NEAR(lua.Number("gx"), -halfWidth, 1e-2);
    EXPECT_NEAR(lua.Number("gy"), 0.0, 1e-2);
}

TEST_F(RacePathScriptFunctionsTest, AnObjectIsVisibleWhenTheMainViewSeesItsBox) {
    CPGameObject* tree = Placed("tree");
    ASSERT_NE(tree, nullptr);
    lua.SetHandle("tree", tree);
    Look(D3DXVECTOR3(100, 100, 10), D3DXVECTOR3(145, 145, 0));
    EXPECT_EQ(Results("CheckVisible(tree), CheckVisible(nil), CheckVisible(12)"), (std::vector<double>{1, 0, 0}));
    Look(D3DXVECTOR3(100, 100, 10), D3DXVECTOR3(50, 50, 0));
    EXPECT_EQ(Results("CheckVisible(tree)"), std::vector<double>{0}) << "behind the eye";
}

TEST_F(RacePathScriptFunctionsTest, WithoutALevelAPathAUnitOrACameraNothingIsAnswered) {
    CPLevel& level = load.Level();
    lua.SetHandle("tree", Placed("tree"));
    const std::vector<std::string> pathCalls = {"GetSplineLinePoint(1)", "GetClosestLineCenter(130, 0, 0, 0)",
                                                "GetPlayerSplineAngle(true)"};
    // No followed unit.
    CPPlayer* target = level.mCameraTarget;
    level.mCameraTarget = nullptr;
    EXPECT_TRUE(Results("GetPlayerSplineAngle()").empty());
    level.mCameraTarget = target;
    // No path.
    CPSmartPtr<CPSpline> path = level.mPath;
    level.mPath.Reset();
    for (const std::string& call : pathCalls) EXPECT_TRUE(Results(call).empty()) << call;
    level.mPath = path;
    // No camera: the screen ray answers nothing hit at the origin, nothing is visible.
    CPCamera* camera = level.mCamera;
    level.mCamera = nullptr;
    EXPECT_EQ(Results("CrossInterfaceRay(0.5, 0.5)"), (std::vector<double>{0, 0, 0, 0, 0}));
    EXPECT_EQ(Results("CheckVisible(tree)"), std::vector<double>{0});
    level.mCamera = camera;
    // No level.
    ScopedGlobal<CPLevel*> noLevel(gLevel, nullptr);
    for (const std::string& call : pathCalls) EXPECT_TRUE(Results(call).empty()) << call;
    EXPECT_TRUE(Results("GetLevelSize()").empty());
    EXPECT_EQ(Results("GetSplineLineCount()"), std::vector<double>{1});
    EXPECT_EQ(Results("CrossPlayerRay(0, 0, 0, 3, 0, 4)"), (std::vector<double>{0, 0.6f, 0, 0.8f}));
    EXPECT_EQ(Results("CrossPlayerRay(0, 0, 0, 0, 0, 0)"), (std::vector<double>{0, 0, 0, 0}));
    EXPECT_EQ(Results("CrossInterfaceRay(0.5, 0.5)"), (std::vector<double>{0, 0, 0, 0, 0}));
    Run("hit, object = CrossInterfaceRay(0.5, 0.5)");
    EXPECT_EQ(lua.Type("object"), LUA_TLIGHTUSERDATA);
    EXPECT_EQ(Results("CheckVisible(tree)"), std::vector<double>{0});
}

}  // namespace
