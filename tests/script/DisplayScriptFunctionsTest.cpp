#include "script/DisplayScriptFunctions.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "Render/CPCamera.h"
#include "Render/CPMiniMap.h"
#include "Render/PCamera.h"
#include "interface/CPInterface.h"
#include "simulation/level/CPGameData.h"
#include "simulation/units/CPPlayer.h"
#include "support/EffectFileBuilder.h"
#include "support/InterfaceFileBuilder.h"
#include "support/InterfaceRig.h"
#include "support/LevelLoadRig.h"
#include "support/LuaScriptRig.h"
#include "support/ScopedGameData.h"
#include "support/ScopedLevel.h"
#include "support/ScopedRenderCaches.h"

namespace {

using Builder = InterfaceFileBuilder;
using Names = std::set<std::string>;

constexpr float kScreenSide = 1000.0f;  // the test screen is square: the view's aspect is 1

const char* const kEquipment[] = {"krest",    "steel",    "steelfibre", "titan",        "energy",     "engine1",
                                  "engine2",  "engine3",  "analyzer",   "repair",       "laser",      "bullets",
                                  "firerate", "damage",   "regeneration", "analyzer2",  "repair2",    "laser2",
                                  "bullets2", "firerate2", "damage2",   "regeneration2", "noequipment1",
                                  "noequipment2"};
const char* const kWeapons[] = {"lgun",      "lgun2x", "gauss",       "shotgun", "mgun",        "mgun2x",
                                "hmgun",     "rlauncher", "ssrlauncher", "plasma", "firethrower", "autoshotgun"};
const char* const kSlots[] = {"contact", "emcontact", "timer",    "nocontact", "emnocontact", "cassette",
                              "no_mina", "mines",     "slot1",    "slot2",     "slot3",       "nosuper1",
                              "nosuper2", "nosuper3", "super1",   "super2",    "super3"};

// The race display "race" with every window and text the display functions name (and the icon of the
// mine type "mine1"), written into a working folder with render caches; game data; a level whose camera
// follows its player; a Lua state, whose global "screen" is the display.
class DisplayScriptFunctionsTest : public testing::Test {
protected:
    DisplayScriptFunctionsTest() : mFirstScreen(gInterfaces.size()) {
        mCaches.WriteEffect("interface.fx", EffectFileBuilder().Parameter("texture", "tex0").Str());
        Builder file;
        float x = 0;
        auto window = [&](const std::string& name) {
            file.Window(Builder::WindowLine(name, x, 10, 8, 8));
            x += 10;
        };
        for (const char* name : kEquipment) window(name);
        for (const char* name : kWeapons) {
            window(name);
            window(std::string(name) + "_off");
        }
        for (const char* name : kSlots) window(name);
        for (int i = 1; i <= 17; ++i) window("bullet" + std::to_string(i));
        for (int i = 1; i <= 12; ++i) window("overheat" + std::to_string(i));
        window("mine1");
        file.Window(Builder::WindowLine("cursor", 0, 0, 32, 48, 0, 0, 32, 32));
        for (const char* text : {"life", "mines", "time", "kills", "score"}) file.Text(text, InterfaceRig::kFont, 0, 0, "");
        file.WriteTo(mCaches.Folder(), "race");
        level.Level().mCameraTarget = &Unit();
        level.Level().mCamera = new CPCamera();
        EXPECT_EQ(lua.Run("screen = CreateInterface('race', 3)"), "");
        mScreen = static_cast<CPInterface*>(static_cast<CPRefObject*>(lua.Handle("screen")));
    }
    ~DisplayScriptFunctionsTest() override {
        while (gInterfaces.size() > mFirstScreen) delete gInterfaces.back();
    }

    CPInterface& Screen() { return *mScreen; }
    void Run(const std::string& code) { ASSERT_EQ(lua.Run(code), "") << code; }
    std::string Results(const std::string& call) { return lua.Results(call); }
    // How many results the call answers.
    int ResultCount(const std::string& call) {
        EXPECT_EQ(lua.Run("out = select('#', " + call + ")"), "") << call;
        return static_cast<int>(lua.Number("out"));
    }
    bool Visible(const std::string& name) {
        CPWindow* window = Screen().FindWindow(name);
        EXPECT_NE(window, nullptr) << name;
        return window && window->IsVisible();
    }
    // Those of the names whose windows are visible.
    template <class List>
    Names VisibleOf(const List& names) {
        Names shown;
        for (const auto& name : names)
            if (Visible(name)) shown.insert(name);
        return shown;
    }
    Names VisibleNumbered(const std::string& prefix, int count) {
        std::vector<std::string> names;
        for (int i = 1; i <= count; ++i) names.push_back(prefix + std::to_string(i));
        return VisibleOf(names);
    }
    static Names FirstNumbered(const std::string& prefix, int count) {
        Names names;
        for (int i = 1; i <= count; ++i) names.insert(prefix + std::to_string(i));
        return names;
    }
    std::string Text(const std::string& name) { return Screen().FindText(name)->text; }
    std::pair<float, float> Place(const std::string& name) {
        float x = -1;
        float y = -1;
        Screen().GetWindowPos(name, x, y);
        return {x, y};
    }
    CPPlayer& Unit() { return level.Player(); }
    CarConfigRecord& Config() { return data->mRealCarConfig; }
    // The minimap symbols of GetAIPositions as sorted "x,y,false" texts (their order is a hash order),
    // after its count.
    std::string Symbols() {
        Run("n, t = GetAIPositions() s = {} for i = 1, table.getn(t), 3 do "
            "table.insert(s, string.format('%.1f,%.1f,%s', t[i], t[i + 1], tostring(t[i + 2]))) end "
            "table.sort(s) out = n .. ':' .. table.concat(s, ' ')");
        return lua.Text("out");
    }

    ScopedRenderCaches mCaches;
    InterfaceRig mRig{static_cast<int32_t>(kScreenSide), static_cast<int32_t>(kScreenSide)};
    ScopedGameData data;
    ScopedLevel level;
    size_t mFirstScreen;
    LuaScriptRig lua;
    CPInterface* mScreen = nullptr;
};

TEST_F(DisplayScriptFunctionsTest, TheEquipmentIconsFollowTheCarsConfiguration) {
    struct Case {
        const char* armor;
        const char* engine;
        const char* first;
        const char* second;
        Names shown;
    };
    for (const Case& c : {Case{"", "", "", "", {"krest", "noequipment1", "noequipment2"}},
                          Case{"titan", "engine2", "laser", "repair", {"titan", "engine2", "laser", "repair2"}}}) {
        SCOPED_TRACE(c.armor);
        Config().mArmor = c.armor;
        Config().mEngine = c.engine;
        Config().mEquipment1 = c.first;
        Config().mEquipment2 = c.second;
        Run("InitGameInterface(screen) InitGameInterface(nil)");
        EXPECT_EQ(VisibleOf(kEquipment), c.shown);
    }
    // The engine's icon stands for the engine's state; no engine, no icon.
    Run("EngineState(screen, false)");
    EXPECT_FALSE(Visible("engine2"));
    Run("EngineState(screen, 1) EngineState(nil, false)");
    EXPECT_TRUE(Visible("engine2"));
    Config().mEngine = "";
    Run("EngineState(screen, false)");
    EXPECT_TRUE(Visible("engine2"));
}

TEST_F(DisplayScriptFunctionsTest, WeaponSlotsChargesAndLifeShowTheFollowedUnit) {
    Config().mWeapon1 = "mgun";
    Config().mWeapon3 = "rlauncher";
    Config().mSuperWeaponCount = 2;
    Unit().mWeaponSlot = 0;
    Unit().mLife = 57.9f;
    Run("UpdateGameInterface(screen)");
    EXPECT_EQ(VisibleOf(kSlots), (Names{"slot2", "super1", "super2", "nosuper3", "no_mina"}));
    Names icons;
    for (const char* weapon : kWeapons) icons.insert({weapon, std::string(weapon) + "_off"});
    EXPECT_EQ(VisibleOf(icons), (Names{"mgun", "rlauncher_off"}));
    EXPECT_EQ(Place("mgun"), Place("slot1"));
    EXPECT_EQ(Place("rlauncher_off"), Place("slot3"));
    EXPECT_EQ(Text("life"), "057");
    EXPECT_EQ(Text("mines"), "00");

    Unit().mWeaponSlot = 2;
    Config().mSuperWeaponCount = 0;
    Run("UpdateGameInterface(screen)");
    EXPECT_EQ(VisibleOf(icons), (Names{"mgun_off", "rlauncher"}));
    EXPECT_EQ(VisibleOf(Names{"super1", "super2", "super3"}), Names{});
}

TEST_F(DisplayScriptFunctionsTest, TheMineCountAndTheMineTypesIconShowWhenAMineIsReady) {
    Unit().mMineReady = true;
    Unit().mMineCount = 3;
    Unit().mMine.mName = "mine1";
    Run("UpdateGameInterface(screen)");
    EXPECT_EQ(Text("mines"), "03");
    EXPECT_TRUE(Visible("mines"));
    EXPECT_FALSE(Visible("no_mina"));
    EXPECT_TRUE(Visible("mine1"));
    EXPECT_EQ(Place("mine1"), Place("no_mina"));
}

TEST_F(DisplayScriptFunctionsTest, AmmunitionRoundsHalfUpToSeventeenWindows) {
    struct Case {
        int32_t slot;
        float load;
        int lit;
    };
    for (const Case& c : {Case{0, 0.5f, 9}, Case{0, 1.0f, 17}, Case{1, 0.0f, 0}, Case{2, 0.47f, 8},
                          Case{0, 0.44f, 7}, Case{-1, 1.0f, 0}}) {
        SCOPED_TRACE(testing::Message() << c.slot << " " << c.load);
        Unit().mWeaponSlot = c.slot;
        for (float& load : Unit().mLoad) load = 1.0f;
        if (c.slot >= 0) Unit().mLoad[c.slot] = c.load;
        Run("UpdateGameInterface(screen)");
        EXPECT_EQ(VisibleNumbered("bullet", 17), FirstNumbered("bullet", c.lit));
    }
}

TEST_F(DisplayScriptFunctionsTest, TheAimCursorFollowsTheWeaponKind) {
    struct Case {
        int32_t kind;
        const char* cursor;
    };
    Screen().SwitchCursor("cursor");
    ASSERT_NE(Screen().GetCursor(), nullptr);
    for (const Case& c : {Case{9, "cursor"}, Case{0, "bullet"}, Case{1, "bullet"}, Case{2, "bullet"}, Case{6, "bullet"},
                          Case{3, "rocket"}, Case{4, "rocket"}, Case{5, "plazma"}, Case{7, "plazma"},
                          Case{8, "shotgun"}, Case{9, "shotgun"}, Case{-4, "shotgun"}}) {
        SCOPED_TRACE(c.kind);
        Unit().mWeaponKind = c.kind;
        Run("UpdateGameInterface(screen)");
        EXPECT_EQ(Screen().GetCursorName(), c.cursor);
    }
    EXPECT_EQ(Screen().GetCursor(), nullptr) << "the screen file has no cursor under those names";
}

TEST_F(DisplayScriptFunctionsTest, ClockHeatKillsAndScore) {
    struct Case {
        float heat;
        int lit;
    };
    level.Level().mLevelTime = 125.5f;
    data->mKills = 42;
    for (const Case& c : {Case{1.0f, 12}, Case{0.04f, 0}, Case{0.042f, 1}, Case{0.5f, 6}, Case{0.0f, 0}}) {
        SCOPED_TRACE(c.heat);
        Unit().mEngineHeat = c.heat;
        Run("UpdateTime(screen)");
        EXPECT_EQ(VisibleNumbered("overheat", 12), FirstNumbered("overheat", c.lit));
    }
    EXPECT_EQ(Text("time"), "02:05");
    EXPECT_EQ(Text("kills"), "00042");
    Run("UpdateScore(screen, 1234.9) UpdateScore(nil, 5)");
    EXPECT_EQ(Text("score"), "01234");
}

TEST_F(DisplayScriptFunctionsTest, WithoutALevelOrAFollowedUnitNothingIsShownOrAnswered) {
    Screen().SetText("life", "x");
    Screen().SetText("time", "x");
    Unit().mWeaponSlot = -1;
    for (bool withLevel : {true, false}) {
        SCOPED_TRACE(withLevel);
        level.Level().mCameraTarget = nullptr;
        ScopedGlobal<CPLevel*> install(gLevel, withLevel ? &level.Level() : nullptr);
        Run("UpdateGameInterface(screen) UpdateTime(screen)");
        EXPECT_EQ(Text("life"), "x");
        EXPECT_EQ(Text("time"), "x");
        EXPECT_EQ(ResultCount("GetAIPositions()"), 0);
        EXPECT_EQ(ResultCount("SetPlayersPanel()"), withLevel ? 1 : 0);
        EXPECT_EQ(ResultCount("GetPlayerMapPosition()"), withLevel ? 2 : 0);
        lua.SetHandle("car", &Unit());
        EXPECT_EQ(ResultCount("GetHelthBarCoord(car)"), withLevel ? 3 : 0);
    }
    EXPECT_TRUE(Visible("bullet1")) << "nothing was hidden";
    delete level.Level().mCamera;
    level.Level().mCamera = nullptr;
    level.Level().mCameraTarget = &Unit();
    EXPECT_EQ(ResultCount("GetAIPositions()"), 0) << "no camera";
    EXPECT_EQ(ResultCount("GetHelthBarCoord(car)"), 0) << "no camera";
    EXPECT_EQ(Results("GetHelthBarCoord(nil)"), "-100,-100,0");
}

TEST_F(DisplayScriptFunctionsTest, ThePlayersPanelRanksByLapTimesPathPointsHighestFirst) {
    EXPECT_EQ(Results("unpack(SetPlayersPanel())"), "11,10,9,8,7,6,5,4,3,2,1,0") << "equal keys: the later first";

    data->mUnitRaces["3"].mLap = 2;
    data->mUnitRaces["3"].mProgress = 50;
    data->mUnitRaces["7"].mLap = 3;
    data->mUnitRaces["7"].mProgress = 40;
    data->mCurrentLap = 1;
    data->mLapProgress = 70;
    EXPECT_EQ(Results("unpack(SetPlayersPanel())"), "7,3,11,10,9,8,6,5,4,2,1,0");

    // A product beyond 32 bits still ranks first instead of wrapping round.
    data->mUnitRaces["5"].mLap = 100000;
    data->mUnitRaces["5"].mProgress = 100000;
    EXPECT_EQ(Results("unpack(SetPlayersPanel())"), "5,7,3,11,10,9,8,6,4,2,1,0");
    EXPECT_EQ(Results("GetPlayerMapPosition()"), "132,852");
}

TEST_F(DisplayScriptFunctionsTest, TheMinimapShowsTheUnitsWithinItsRangeAroundTheFollowedUnit) {
    CPLevel& race = level.Level();
    Unit().SetPosition(D3DXVECTOR3(10, 20, 0));
    race.mExtentX = 400;
    race.mExtentY = 200;  // the larger extent counts: 4 world units a pixel
    data->mAIPositions = {{"1", {30, 20}}, {"2", {10, 100}}, {"3", {410, 20}}, {"4", {-390, 20}}, {"5", {10, 20}}};
    struct Case {
        const char* name;
        float yaw;
        float mapScale;  // 0: no minimap
        std::string symbols;
    };
    const float quarter = D3DX_PI / 2;
    const Case cases[] = {
        {"north up", -quarter, 0, "9:140.0,860.0,false 140.0,880.0,false 145.0,860.0,false"},
        {"turned a quarter", 0, 0, "9:140.0,855.0,false 140.0,860.0,false 160.0,860.0,false"},
        {"the map's scale", -quarter, 0.5f, "9:140.0,860.0,false 140.0,900.0,false 150.0,860.0,false"},
        {"a map never sized", -quarter, -1, "0:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        race.mCamera->mYaw = c.yaw;
        delete race.mMiniMap;
        race.mMiniMap = nullptr;
        if (c.mapScale != 0) {
            race.mMiniMap = new CPMiniMap();
            race.mMiniMap->mWindow = c.mapScale < 0 ? 0.0f : c.mapScale;
        }
        EXPECT_EQ(Symbols(), c.symbols);
    }
}

TEST_F(DisplayScriptFunctionsTest, InATimeAttackTheMinimapShowsOnlyTheGhost) {
    CPLevel& race = level.Level();
    race.mExtentX = race.mExtentY = 100;
    race.mCamera->mYaw = -D3DX_PI / 2;
    data->mAIPositions = {{"1", {5, 5}}};
    CPGameObject ghost("ghost");
    race.mGhost = &ghost;
    ghost.SetPosition(D3DXVECTOR3(30, -20, 0));
    EXPECT_EQ(Symbols(), "3:170.0,840.0,false");
    ghost.SetPosition(D3DXVECTOR3(300, 0, 0));
    EXPECT_EQ(Symbols(), "0:");
    race.mGhost = nullptr;
}

TEST_F(DisplayScriptFunctionsTest, TheHealthBarSitsAtTheCarsUpperLeftCornerWhileTheCarIsInView) {
    CPPerspectiveCamera& view = *level.Level().mCamera->GetViewCamera();
    view.SetEye(D3DXVECTOR3(0, 0, 0));
    view.SetTarget(D3DXVECTOR3(0, 1, 0));
    view.SetUp(D3DXVECTOR3(0, 0, 1));
    view.SetFieldOfView(D3DX_PI / 2);
    view.Update();
    Unit().SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 2, 1)));
    lua.SetHandle("car", &Unit());
    struct Case {
        const char* name;
        D3DXVECTOR3 at;
        float damage;
        float x, y, length;
    };
    // Straight ahead at 20: the halved corners lie 9 to 11 ahead and 0.5 to the sides, so the upper
    // left one is 0.5 / 9 of the half screen from the middle.
    const float corner = (1.0f - 0.5f / 9.0f) * kScreenSide * 0.5f;
    const Case cases[] = {
        {"ahead, intact", {0, 20, 0}, 0, corner, corner, 47.001317f},
        {"ahead, half damaged", {0, 20, 0}, 50, corner, corner, 23.500658f},
        {"behind", {0, -20, 0}, 0, -100, -100, 0},
        {"beside", {20, -4, 0}, 0, -100, -100, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Unit().SetPosition(c.at);
        Unit().UpdateTransform();
        Unit().mDamage = c.damage;
        const D3DXVECTOR3 before = Unit().GetBoundingBox().GetCorners()[0];
        Run("x, y, length = GetHelthBarCoord(car)");
        EXPECT_NEAR(lua.Number("x"), c.x, 1e-3);
        EXPECT_NEAR(lua.Number("y"), c.y, 1e-3);
        EXPECT_NEAR(lua.Number("length"), c.length, 1e-5);
        EXPECT_EQ(Unit().GetBoundingBox().GetCorners()[0], before) << "the car's own box stays";
    }
}

// The minimap symbols on the test level as loaded: its camera, extents and sized minimap.
class LoadedLevelDisplayTest : public ::testing::Test {
protected:
    LevelLoadRig load;
    LuaScriptRig lua;
};

TEST_F(LoadedLevelDisplayTest, AUnitBesideTheFollowedOneSitsAtTheMapsCentreAndAFarOneIsOffTheMap) {
    ASSERT_TRUE(load.Load());
    CPLevel& race = load.Level();
    ASSERT_NE(race.mMiniMap, nullptr);
    ASSERT_NE(race.mCamera, nullptr);
    const D3DXVECTOR3 at = race.mCameraTarget->GetPosition();
    load.gameData->mAIPositions = {{"0", {at.x, at.y}}, {"1", {at.x + 2 * race.mExtentX, at.y}}};
    ASSERT_EQ(lua.Run("n, t = GetAIPositions()"), "");
    EXPECT_EQ(lua.Number("n"), 3);
    EXPECT_EQ(lua.Results("unpack(t)"), "140," + std::to_string(gSettings::screenHeight - 140) + ",false");
}

}  // namespace
