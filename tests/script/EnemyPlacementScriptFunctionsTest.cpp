#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/ServiceGlobals.h"
#include "platform/RuntimeRandom.h"
#include "script/EnemyPlacementScriptFunctions.h"
#include "simulation/level/CPGameData.h"
#include "simulation/level/CPLevel.h"
#include "simulation/units/CPPlayer.h"
#include "support/LevelLoadRig.h"
#include "support/LuaScriptRig.h"
#include "support/ScopedGlobal.h"

namespace {

// The test level loaded, with enemy sources of the mission placed around the followed unit:
// under "3" one exactly 25 and one exactly 40 away (flag set), and one 30 away (flag clear); under
// "4" one 20 away on the ground but 28.3 in space (flag set). Checkpoint 2 (the third) lists "medic".
class EnemyPlacementScriptFunctionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(load.Load()) << load.Level().GetLoadError();
        at = load.Level().mCameraTarget->GetPosition();
        auto source = [&](const D3DXVECTOR3& offset, bool flag, std::vector<SourceEntry> list) {
            EnemySourceRecord record;
            record.mPosition = at + offset;
            record.mFlag = flag;
            record.mList = std::move(list);
            return record;
        };
        load.gameData->mEnemyTypes["3"] = {source({25, 0, 0}, true, {{"far", 0, 100}}),
                                           source({0, 40, 0}, true, {{"far", 0, 100}}),
                                           source({18, 24, 0}, false, {{"tank", 0, 100}})};
        load.gameData->mEnemyTypes["4"] = {source({20, 0, 20}, true, {{"soldier", 0, 50}, {"dog", 50, 100}})};
        MissionCheckpointRecord medic;
        medic.mList2 = {{"medic", 0, 100}};
        load.gameData->mMissionCheckpoints = {MissionCheckpointRecord(), MissionCheckpointRecord(), medic};
    }
    void TearDown() override { gEnemyData.clear(); }

    void Run(const std::string& code) { ASSERT_EQ(lua.Run(code), "") << code; }
    // The results of one call as text, "a,b,c"; "" for none.
    std::string Results(const std::string& call) {
        EXPECT_EQ(lua.Run("local r = {" + call + "} local t = {} for i = 1, table.getn(r) do t[i] = tostring(r[i]) end "
                          "out = table.concat(t, ',')"),
                  "")
            << call;
        return lua.Text("out");
    }
    static std::string Number(float value) {
        char text[64];
        std::snprintf(text, sizeof(text), "%.14g", static_cast<double>(value));
        return text;
    }
    std::string Place(const D3DXVECTOR3& offset) { return Number(at.x + offset.x) + "," + Number(at.y + offset.y); }

    LevelLoadRig load;
    LuaScriptRig lua;
    D3DXVECTOR3 at;  // the followed unit's position
};

TEST_F(EnemyPlacementScriptFunctionsTest, ASourceIsNearStrictlyBetween25And40WithTheFlagAsked) {
    struct Case {
        const char* call;
        const char* near;
    };
    for (const Case& c : {Case{"IsEnemySourceNear(1, '3')", "false"}, Case{"IsEnemySourceNear(0, '3')", "true"},
                          Case{"IsEnemySourceNear(false, '3')", "true"}, Case{"IsEnemySourceNear(true, '4')", "true"},
                          Case{"IsEnemySourceNear(1, 4)", "true"}, Case{"IsEnemySourceNear(0, '4')", "false"},
                          Case{"IsEnemySourceNear(1, '5')", "false"}})
        EXPECT_EQ(Results(c.call), c.near) << c.call;
}

TEST_F(EnemyPlacementScriptFunctionsTest, AnEnemyTypeComesFromANearSourceOrFromTheCheckpointsList) {
    struct Case {
        const char* call;
        std::string results;
    };
    const Case cases[] = {
        // Keyed by the script's own text of the number: 3, 3.0 and "3" are all "3".
        {"GetEnemyType(3, 0)", "tank,true," + Place({18, 24, 0})},
        {"GetEnemyType(3.0, false)", "tank,true," + Place({18, 24, 0})},
        {"GetEnemyType('3', 0)", "tank,true," + Place({18, 24, 0})},
        // No near source with the flag: the third checkpoint's list 2, at the followed unit.
        {"GetEnemyType(3, 1)", "medic,false," + Place({0, 0, 0})},
        // A checkpoint the mission lacks: no name.
        {"GetEnemyType(9, 1)", ",false," + Place({0, 0, 0})},
        {"GetEnemyType(-2, 1)", ",false," + Place({0, 0, 0})},
    };
    for (const Case& c : cases) EXPECT_EQ(Results(c.call), c.results) << c.call;

    // The name is the share of the second draw: the first chooses among the near sources (one here).
    RuntimeSrand(7);
    RuntimeRand();
    const char* expected = RuntimeRand() % 100 < 50 ? "soldier" : "dog";
    RuntimeSrand(7);
    EXPECT_EQ(Results("GetEnemyType(4, 1)"), std::string(expected) + ",true," + Place({20, 0, 0}));
}

TEST_F(EnemyPlacementScriptFunctionsTest, AnAnchoredPlaceIsTheAnchorMovedByTwoAndCheckedAgainstTheMargins) {
    const float halfWidth = load.Level().mExtentX * 0.5f - 20.0f;
    EXPECT_EQ(Results("GetPositionForEnemy('soldier', 7, 'src1', 10, 20)"), "true,12,22");
    EXPECT_EQ(Results("GetPositionForEnemy('soldier', 7, 'src1', " + Number(halfWidth - 2.0f) + ", 0)"),
              "true," + Number(halfWidth) + ",2") << "on the margin";
    EXPECT_EQ(Results("GetPositionForEnemy('soldier', 7, 'src1', " + Number(halfWidth) + ", 0)"),
              "false," + Number(halfWidth + 2.0f) + ",2");
}

TEST_F(EnemyPlacementScriptFunctionsTest, WithoutAnAnchorThePlaceLiesOnTheSpreadsSquareAroundTheUnit) {
    CPLevel& level = load.Level();
    level.mPlayerSpeed = 0.0f;
    RuntimeSrand(11);
    for (int i = 0; i < 40; ++i) {
        Run("ok, x, y = GetPositionForEnemy('soldier', 8, nil, 0, 0)");
        ASSERT_TRUE(lua.Bool("ok"));
        const double dx = lua.Number("x") - at.x;
        const double dy = lua.Number("y") - at.y;
        // One coordinate on an edge (+-4), the other a whole step from -4 to 3.
        const bool onSide = std::fabs(std::fabs(dx) - 4.0) < 1e-4 && dy >= -4.0 - 1e-4 && dy <= 3.0 + 1e-4;
        const bool onEnd = std::fabs(std::fabs(dy) - 4.0) < 1e-4 && dx >= -4.0 - 1e-4 && dx <= 3.0 + 1e-4;
        EXPECT_TRUE(onSide || onEnd) << dx << ", " << dy;
    }
}

TEST_F(EnemyPlacementScriptFunctionsTest, AtSpeedASpreadOfTwoPlacesAheadWithoutDividingByZero) {
    CPLevel& level = load.Level();
    level.mPlayerSpeed = 10.0f;
    const CPPlayer& unit = *level.mCameraTarget;
    D3DXMATRIX turn;
    D3DXMatrixRotationQuaternion(&turn, &unit.GetRotation());
    const D3DXVECTOR3 forward(-turn._21, -turn._22, 0.0f);  // the car's -y
    RuntimeSrand(3);
    int ahead = 0;
    for (int i = 0; i < 40; ++i) {
        Run("ok, x, y = GetPositionForEnemy('soldier', 2, nil, 0, 0)");
        const double dx = lua.Number("x") - at.x;
        const double dy = lua.Number("y") - at.y;
        const double length = std::hypot(dx, dy);
        if (std::fabs(length - 1.0) < 1e-4 && dx * forward.x + dy * forward.y > 0.9) {
            ++ahead;  // one unit ahead: the offset (0 - 0.25, -1) turned with the car, normalised
        } else {
            // The square of side 2: both coordinates +-1 or 0.
            EXPECT_TRUE((std::fabs(std::fabs(dx) - 1.0) < 1e-4 || std::fabs(std::fabs(dy) - 1.0) < 1e-4) &&
                        length <= std::sqrt(2.0) + 1e-4)
                << dx << ", " << dy;
        }
    }
    EXPECT_GT(ahead, 20) << "four in five draws place ahead";
}

TEST_F(EnemyPlacementScriptFunctionsTest, TheEnemyTypeTableAnswersInItsOrderAndGrowsByWhatIsAsked) {
    gEnemyData["korvath"] = {1.5f, 2.5f, "c text", "d text", "e text"};
    EXPECT_EQ(Results("GetEnemyData('korvath')"), "1.5,d text,2.5,c text,e text");
    EXPECT_EQ(Results("GetEnemyData('ghost')"), "0,,0,,");
    EXPECT_EQ(gEnemyData.count("ghost"), 1u);
    EXPECT_NE(lua.Run("GetEnemyData({})"), "") << "the name is checked";
    EXPECT_EQ(Results("AddEnemy('soldier', 1, 2)"), "");
}

TEST_F(EnemyPlacementScriptFunctionsTest, WithoutALevelAFollowedUnitOrTheGameDataNothingIsAnswered) {
    const std::vector<std::string> calls = {"GetEnemyType(3, 0)", "IsEnemySourceNear(0, '3')",
                                            "GetPositionForEnemy('soldier', 8, 'src1', 1, 2)",
                                            "GetPositionForEnemy('soldier', 8, nil, 1, 2)"};
    CPLevel& level = load.Level();
    CPPlayer* target = level.mCameraTarget;
    level.mCameraTarget = nullptr;
    for (const std::string& call : calls) EXPECT_EQ(Results(call), "") << call << " without a followed unit";
    level.mCameraTarget = target;
    {
        ScopedGlobal<CPLevel*> noLevel(gLevel, nullptr);
        for (const std::string& call : calls) EXPECT_EQ(Results(call), "") << call << " without a level";
    }
    ScopedGlobal<CPGameData*> noData(gGameData, nullptr);
    EXPECT_EQ(Results("GetEnemyType(3, 0)"), "");
    EXPECT_EQ(Results("IsEnemySourceNear(0, '3')"), "");
}

}  // namespace
