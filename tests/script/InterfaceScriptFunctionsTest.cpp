#include "script/InterfaceScriptFunctions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Render/CPRenderQueue.h"
#include "Render/PIVertexBuffer.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "core/FrameClock.h"
#include "interface/CPButton.h"
#include "interface/CPInterface.h"
#include "simulation/level/CPGameData.h"
#include "support/CommandLog.h"
#include "support/EffectFileBuilder.h"
#include "support/InterfaceFileBuilder.h"
#include "support/InterfaceRig.h"
#include "support/LuaScriptRig.h"
#include "support/ScopedGlobal.h"
#include "support/ScopedRenderCaches.h"

namespace {

using Builder = InterfaceFileBuilder;

// A font whose glyphs sit lower in the texture (t0 = 0.25) than the rig's test font (t0 = 0.5).
constexpr const char* kOtherFont = "other";

// The screen files "menu" (windows, two buttons, a cursor, texts and edit boxes) written into a working
// folder with render caches; game data with display texts; the screen's controller "ctl"; a Lua state
// with every registered function and the game-interface versions of the names the later tables replace.
class InterfaceScriptFunctionsTest : public testing::Test {
protected:
    InterfaceScriptFunctionsTest() : mFirstScreen(gInterfaces.size()) {
        mCaches.WriteEffect("interface.fx", EffectFileBuilder().Parameter("texture", "tex0").Str());
        mCaches.WriteEffect("interface2.fx", EffectFileBuilder().Parameter("texture", "tex0").Str());
        CPFont* other = InterfaceRig::MakeFont(mRig.Material());
        for (CPGlyph& glyph : other->Glyphs()) glyph.t0 = 0.25f;
        mRig.Fonts().AddFont(kOtherFont, other);
        mRig.Dispatcher().Register(&mController, "ctl");
        mController.Start();
        mData.mTexts["greeting"] = "Hi";
        Builder()
            .Controller("ctl")
            .Window(Builder::WindowLine("back", 0, 0, 1024, 768))
            .Button("one", 100, 100, 200, 50)
            .Button("two", 400, 100, 200, 50)
            .Window(Builder::WindowLine("cursor", 0, 0, 32, 48, 0, 0, 32, 32))
            .Text("title", InterfaceRig::kFont, 100, 200, "greeting")
            .EditBox("name", 10, 20, InterfaceRig::kFont, 4)
            .WriteTo(mCaches.Folder(), "menu");
        lua_register(lua.L, "GameSetCursor", ScriptFunctions::SetCursor);
    }
    ~InterfaceScriptFunctionsTest() override {
        // Screens the scripts created are the host's to delete.
        while (gInterfaces.size() > mFirstScreen) delete gInterfaces.back();
    }

    // A "menu" screen created by the script into the global `screen`.
    CPInterface& Create() {
        EXPECT_EQ(lua.Run("screen = CreateInterface('menu', 3)"), "");
        auto* screen = static_cast<CPInterface*>(static_cast<CPRefObject*>(lua.Handle("screen")));
        EXPECT_EQ(screen, gInterfaces.back());
        return *screen;
    }
    std::vector<std::string> Heard() { return DrainCommandTexts(mRig.InterfaceListener()); }
    static std::string Shown(InterfaceText* element) { return InterfaceRig::Shown(*element); }
    // The first texture row of the element's first quad: 0.5 in the rig's font, 0.25 in the other.
    static float FontRow(InterfaceText* element) {
        return element->object->GetRenderObject()->GetLocalVertices().at(0).v0;
    }

    ScopedRenderCaches mCaches;
    InterfaceRig mRig;
    CPGameData mData;
    ScopedGlobal<CPGameData*> mInstallData{gGameData, &mData};
    CPCommandTask mController;
    size_t mFirstScreen;
    LuaScriptRig lua;
};

TEST_F(InterfaceScriptFunctionsTest, AScriptCreatesActivatesAndDeactivatesAScreen) {
    CPInterface& screen = Create();
    EXPECT_EQ(screen.GetName(), "menu");
    EXPECT_EQ(screen.GetController().Get(), &mController);
    EXPECT_EQ(screen.GetScreenRenderObject()->GetMaterial()->GetLayerKey(), 203) << "the number is the layer";
    EXPECT_EQ(screen.GetButtonList().size(), 2u);

    ASSERT_EQ(lua.Run("SilentActivateInterface(screen)"), "");
    EXPECT_TRUE(screen.IsScreenActive());
    EXPECT_TRUE(screen.IsActive());
    EXPECT_TRUE(Heard().empty()) << "a silent activation moves no pointer";
    ASSERT_EQ(lua.Run("DeactivateInterface(screen)"), "");
    EXPECT_FALSE(screen.IsScreenActive());
    EXPECT_FALSE(screen.IsActive());

    ASSERT_EQ(lua.Run("ActivateInterface(screen)"), "");
    EXPECT_TRUE(screen.IsScreenActive());
    EXPECT_EQ(Heard(), (std::vector<std::string>{"mouse_move:0.00,0.00", "mouse_window_over:back"}));
    ASSERT_EQ(lua.Run("DeactivateObject(screen)"), "");
    EXPECT_FALSE(screen.IsScreenActive()) << "the screen's own deactivation, through the core name too";

    CPGameObject crate("crate");
    crate.Activate(10);
    lua.SetHandle("crate", &crate);
    ASSERT_EQ(lua.Run("DeactivateObject(crate)"), "");
    EXPECT_FALSE(crate.IsActive()) << "any game object";

    ASSERT_EQ(lua.Run("missing = CreateInterface('nothing', 1)"), "");
    auto* missing = static_cast<CPInterface*>(static_cast<CPRefObject*>(lua.Handle("missing")));
    ASSERT_NE(missing, nullptr) << "a screen without a file is an empty screen";
    EXPECT_TRUE(missing->GetDrawList().empty());
}

TEST_F(InterfaceScriptFunctionsTest, UpdateInterfaceQueuesTheScreenAndBuffersFollowTheWindows) {
    CPInterface& screen = Create();
    auto* queue = new CPRenderQueue();
    gRenderer->SetDrawQueue(queue);
    ASSERT_EQ(lua.Run("UpdateInterface(screen)"), "");
    EXPECT_NE(queue->FindBlock(screen.GetScreenRenderObject()->GetMaterial().Get()), nullptr);
    gRenderer->SetDrawQueue(nullptr);
    queue->EmptyFrame();
    delete queue;

    const auto& batch = screen.GetScreenRenderObject()->GetLocalVertices();
    ASSERT_EQ(batch.size(), 12u);
    ASSERT_EQ(lua.Run("SetWindowVisible(screen, 'one', false)\n"
                      "SetWindowPosition(screen, 'back', 7, 9)"),
              "");
    EXPECT_FALSE(screen.FindWindow("one")->IsVisible());
    EXPECT_EQ(batch.size(), 12u) << "nothing is rebuilt until the script asks";
    ASSERT_EQ(lua.Run("UpdateInterfaceBuffers(screen)"), "");
    ASSERT_EQ(batch.size(), 8u);
    EXPECT_FLOAT_EQ(batch[0].position.x, 7.0f);
    EXPECT_FLOAT_EQ(batch[0].position.y, 9.0f);
}

TEST_F(InterfaceScriptFunctionsTest, WindowPositionsAndSizesAreInPixels) {
    CPInterface& screen = Create();
    ASSERT_EQ(lua.Run("x1, y1 = GetWindowPosition(screen, 'two')\n"
                      "SetWindowPosition(screen, 'one', 12.3, 45.6)\n"
                      "SetWindowPositionShop(screen, 'two', 12.3 + 0.5, 45.6 + 0.5)\n"
                      "x2, y2 = GetWindowPosition(screen, 'one')\n"
                      "x3, y3 = GetWindowPosition(screen, 'two')\n"
                      "xu, yu = GetWindowPosition(screen, 'One')\n"
                      "xn, yn = GetWindowPosition(nil, 'one')\n"
                      "SetWindowSize(screen, 'back', 300, 200)\n"
                      "SetWindowSize(screen, 'nobody', 300, 200)"),
              "");
    EXPECT_EQ(lua.Number("x1"), 399.5);
    EXPECT_EQ(lua.Number("y1"), 99.5);
    EXPECT_EQ(lua.Number("x2"), static_cast<double>(12.3f));
    EXPECT_EQ(lua.Number("y2"), static_cast<double>(45.6f));
    EXPECT_EQ(lua.Number("x3"), lua.Number("x2")) << "the shop's half-pixel offset lands on the same pixel";
    EXPECT_EQ(lua.Number("y3"), lua.Number("y2"));
    EXPECT_EQ(screen.FindWindow("two")->GetX(), 12.3f);
    for (const char* name : {"xu", "yu", "xn", "yn"}) EXPECT_EQ(lua.Number(name), -1.0) << name;

    const CPVertex* quad = screen.FindWindow("back")->GetVertices();
    EXPECT_FLOAT_EQ(quad[2].position.x, 300.0f);
    EXPECT_FLOAT_EQ(quad[2].position.y, 200.0f);
    EXPECT_FLOAT_EQ(quad[1].position.y, 0.0f);

    // The in-race display table has a function of its own that reads a window position the same way.
    const ScriptFunctionEntry* hud = gHudFunctions;
    while (std::string(hud->name) != "GetWindowPosition") ++hud;
    lua_register(lua.L, "HudGetWindowPosition", hud->function);
    ASSERT_EQ(lua.Run("hx, hy = HudGetWindowPosition(screen, 'one')\n"
                      "hxu, hyu = HudGetWindowPosition(screen, 'One')\n"
                      "hxn, hyn = HudGetWindowPosition(nil, 'one')"),
              "");
    EXPECT_EQ(lua.Number("hx"), lua.Number("x2"));
    EXPECT_EQ(lua.Number("hy"), lua.Number("y2"));
    for (const char* name : {"hxu", "hyu", "hxn", "hyn"}) EXPECT_EQ(lua.Number(name), -1.0) << name;
}

TEST_F(InterfaceScriptFunctionsTest, PlacesAndSizesThatAreNotFiniteAreRefused) {
    CPInterface& screen = Create();
    ASSERT_EQ(lua.Run("SetWindowPosition(screen, 'one', 12, 34)\nSetWindowSize(screen, 'back', 300, 200)\n"
                      "SetTextPosition(screen, 'title', 30, 40)"),
              "");
    ASSERT_EQ(lua.Run("SetWindowPosition(screen, 'one', 0/0, 5)\nSetWindowPositionShop(screen, 'one', 5, 1/0)\n"
                      "SetWindowSize(screen, 'back', -1/0, 5)\nSetTextPosition(screen, 'title', 1e300, 5)\n"
                      "x, y = GetWindowPosition(screen, 'one')\ntx, ty = GetTextPosition(screen, 'title')"),
              "");
    EXPECT_EQ(lua.Number("x"), 12.0);
    EXPECT_EQ(lua.Number("y"), 34.0);
    EXPECT_EQ(lua.Number("tx"), 30.0);
    EXPECT_EQ(lua.Number("ty"), 40.0);
    EXPECT_FLOAT_EQ(screen.FindWindow("back")->GetVertices()[2].position.x, 300.0f);
}

TEST_F(InterfaceScriptFunctionsTest, TextSettersLayTheElementOutAtOnce) {
    CPInterface& screen = Create();
    InterfaceText* title = screen.FindText("title");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(Shown(title), "Hi") << "the loader's layout";

    // Moving an element the loader laid out re-lays its stored text, which is empty.
    ASSERT_EQ(lua.Run("SetTextPosition(screen, 'title', 30, 40)\n"
                      "tx, ty = GetTextPosition(screen, 'title')\n"
                      "ux, uy = GetTextPosition(screen, 'nobody')\n"
                      "nx, ny = GetTextPosition(nil, 'title')"),
              "");
    EXPECT_EQ(Shown(title), "-");
    EXPECT_EQ(lua.Number("tx"), 30.0);
    EXPECT_EQ(lua.Number("ty"), 40.0);
    for (const char* name : {"ux", "uy", "nx", "ny"}) EXPECT_EQ(lua.Number(name), -1.0) << name;

    ASSERT_EQ(lua.Run("SetText(screen, 'title', 'Go')"), "");
    EXPECT_EQ(title->text, "Go");
    EXPECT_EQ(Shown(title), "Go");
    EXPECT_FLOAT_EQ(title->object->GetRenderObject()->GetLocalVertices()[0].position.x, 30.0f);

    ASSERT_EQ(lua.Run("SetTextString(screen, 'title', 'greeting')"), "");
    EXPECT_EQ(Shown(title), "Hi");
    ASSERT_EQ(lua.Run("SetTextString(screen, 'title', 'no_such_key')"), "");
    EXPECT_EQ(title->text, "");
    EXPECT_EQ(Shown(title), "-") << "a missing key is an empty text";
}

TEST_F(InterfaceScriptFunctionsTest, SetFontLaysOutOnceWithoutChangingTheStoredFontOrText) {
    CPInterface& screen = Create();
    InterfaceText* title = screen.FindText("title");
    ASSERT_EQ(lua.Run("SetText(screen, 'title', 'Go')\n"
                      "SetFont(screen, 'title', 'other', 'Away')"),
              "");
    EXPECT_EQ(Shown(title), "Away");
    EXPECT_EQ(FontRow(title), 0.25f);
    EXPECT_EQ(title->font, InterfaceRig::kFont);
    EXPECT_EQ(title->text, "Go");

    ASSERT_EQ(lua.Run("SetText(screen, 'title', 'Back')"), "");
    EXPECT_EQ(Shown(title), "Back");
    EXPECT_EQ(FontRow(title), 0.5f) << "the element's loaded font again";

    ASSERT_EQ(lua.Run("SetFontString(screen, 'title', 'other', 'greeting')"), "");
    EXPECT_EQ(Shown(title), "Hi");
    EXPECT_EQ(FontRow(title), 0.25f);
    EXPECT_EQ(title->text, "Back");

    ASSERT_EQ(lua.Run("SetFont(screen, 'title', 'no_such_font', 'Lost')"), "");
    EXPECT_EQ(Shown(title), "Hi") << "a font the manager lacks lays nothing out";
}

TEST_F(InterfaceScriptFunctionsTest, SetFontLeavesTheTextObjectsReferenceCountAsItWas) {
    CPInterface& screen = Create();
    InterfaceText* title = screen.FindText("title");
    ASSERT_TRUE(title->object);
    title->object->AddRef();  // held by someone besides the screen
    const int32_t before = title->object->GetRefCount();
    ASSERT_EQ(lua.Run("SetFont(screen, 'title', 'other', 'Away')\n"
                      "SetFontString(screen, 'title', 'other', 'greeting')"),
              "");
    EXPECT_EQ(title->object->GetRefCount(), before);
}

TEST_F(InterfaceScriptFunctionsTest, TextSettersDoNothingOnceTheProgramIsExiting) {
    CPInterface& screen = Create();
    InterfaceText* title = screen.FindText("title");
    std::string error;
    {
        ScopedGlobal<bool> exiting(gAppExiting, true);
        error = lua.Run("SetText(screen, 'title', 'Go')\n"
                        "SetTextString(screen, 'title', 'greeting')");
    }
    ASSERT_EQ(error, "");
    EXPECT_EQ(title->text, "");
    EXPECT_EQ(Shown(title), "Hi") << "the loader's layout stays";
}

TEST_F(InterfaceScriptFunctionsTest, EditBoxesTakeTextAndKeys) {
    CPInterface& screen = Create();
    CPEditBox* box = screen.FindEditBox("name");
    ASSERT_NE(box, nullptr);
    InterfaceText* element = screen.FindText("name");

    ASSERT_EQ(lua.Run("EditBoxProcessKey(screen, 'name', 8)"), "");
    EXPECT_EQ(box->GetText(), "");
    EXPECT_EQ(Shown(element), "_") << "backspace on an empty box";

    ASSERT_EQ(lua.Run("SetEditBoxText(screen, 'name', 'abcdefg')\n"
                      "n = EditBoxTextLength(screen, 'name')\n"
                      "t = GetEditBoxText(screen, 'name')"),
              "");
    EXPECT_EQ(lua.Text("t"), "abcd") << "the first maximum-length characters";
    EXPECT_EQ(lua.Number("n"), 4);
    EXPECT_EQ(Shown(element), "abcd_");

    struct Case {
        const char* key;
        const char* after;
    } cases[] = {
        {"8", "abc"}, {"string.byte('x')", "abcX"}, {"8", "abc"}, {"256 + 50", "abc2"}, {"'8'", "abc"},
        {"0/0", "abc"}, {"string.byte('!')", "abc"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(lua.Run(std::string("EditBoxProcessKey(screen, 'name', ") + c.key + ")"), "") << c.key;
        EXPECT_EQ(box->GetText(), c.after) << c.key;
    }

    ASSERT_EQ(lua.Run("un = EditBoxTextLength(screen, 'nobody')\n"
                      "ut = GetEditBoxText(screen, 'nobody')\n"
                      "SetEditBoxText(screen, 'nobody', 'x')\n"
                      "EditBoxProcessKey(screen, 'nobody', 65)\n"
                      "nn = select('#', EditBoxTextLength(nil, 'name'))\n"
                      "nt = select('#', GetEditBoxText(nil, 'name'))"),
              "");
    EXPECT_EQ(lua.Number("un"), 0);
    EXPECT_EQ(lua.Text("ut"), "");
    EXPECT_EQ(lua.Number("nn"), 0) << "no results for a null screen";
    EXPECT_EQ(lua.Number("nt"), 0);
}

TEST_F(InterfaceScriptFunctionsTest, EditBoxTextComesBackWholePastAZeroByte) {
    CPInterface& screen = Create();
    ASSERT_EQ(lua.Run("SetEditBoxText(screen, 'name', 'a\\0bc')\n"
                      "n = EditBoxTextLength(screen, 'name')\n"
                      "same = GetEditBoxText(screen, 'name') == 'a\\0bc'"),
              "");
    EXPECT_EQ(screen.FindEditBox("name")->GetText(), std::string("a\0bc", 4));
    EXPECT_EQ(lua.Number("n"), 4);
    EXPECT_TRUE(lua.Bool("same"));
}

TEST_F(InterfaceScriptFunctionsTest, SelectingAnotherCursorHidesItAndStopsTheHover) {
    CPInterface& screen = Create();
    CPGameObject* cursor = screen.GetCursor();
    ASSERT_NE(cursor, nullptr);
    ASSERT_EQ(lua.Run("before = GetCursor(screen)\n"
                      "SilentActivateInterface(screen)"),
              "");
    EXPECT_EQ(lua.Text("before"), "");
    screen.MouseMove(150, 100);
    EXPECT_EQ(Heard(), std::vector<std::string>{"mouse_button_over:one"});

    ASSERT_EQ(lua.Run("SetCursor(screen, 'arrow')\n"
                      "now = GetCursor(screen)"),
              "");
    EXPECT_EQ(lua.Text("now"), "arrow");
    EXPECT_EQ(screen.GetCursor(), nullptr);
    EXPECT_FALSE(cursor->IsVisible());
    screen.MouseMove(500, 100);
    EXPECT_TRUE(Heard().empty()) << "no hover without a cursor";

    ASSERT_EQ(lua.Run("SetCursor(screen, 'cursor')"), "");
    EXPECT_EQ(screen.GetCursor(), cursor);
    EXPECT_TRUE(cursor->IsVisible());
    EXPECT_FLOAT_EQ(cursor->GetPosition().x, 500.0f) << "shown at the stored pointer";
    EXPECT_FLOAT_EQ(cursor->GetPosition().y, 100.0f);

    // The in-race display binding checks the name; the game-interface one takes anything as text.
    ASSERT_EQ(lua.Run("ok, err = pcall(SetCursor, screen, {})\n"
                      "GameSetCursor(screen, {})\n"
                      "empty = GetCursor(screen)\n"
                      "GameSetCursor(screen, 'cursor')\n"
                      "back = GetCursor(screen)\n"
                      "none = select('#', GetCursor(nil))\n"
                      "SetCursor(nil, 'arrow')"),
              "");
    EXPECT_FALSE(lua.Bool("ok"));
    EXPECT_NE(lua.Text("err").find("bad argument #2"), std::string::npos) << lua.Text("err");
    EXPECT_EQ(lua.Text("empty"), "");
    EXPECT_EQ(lua.Text("back"), "cursor");
    EXPECT_EQ(lua.Number("none"), 0) << "no cursor name without a screen";
    EXPECT_EQ(screen.GetCursor(), cursor);
}

TEST_F(InterfaceScriptFunctionsTest, FocusMovesOnEveryActiveScreenAndDeselectLetsGo) {
    CPInterface& first = Create();
    ASSERT_EQ(lua.Run("first = screen"), "");
    CPInterface& second = Create();
    ASSERT_EQ(lua.Run("SilentActivateInterface(first)\n"
                      "SilentActivateInterface(screen)\n"
                      "IMenuRight()"),
              "");
    EXPECT_EQ(first.GetCurrentButton(), first.FindWindow("one"));
    EXPECT_EQ(second.GetCurrentButton(), second.FindWindow("one"));
    Heard();
    ASSERT_EQ(lua.Run("IMenuLeft()"), "");
    EXPECT_EQ(first.GetCurrentButton(), first.FindWindow("two")) << "wrapping back";
    EXPECT_EQ(second.GetCurrentButton(), second.FindWindow("two"));
    Heard();

    ASSERT_EQ(lua.Run("DeselectCurrentButton(first)"), "");
    EXPECT_EQ(first.GetCurrentButton(), nullptr);
    EXPECT_EQ(static_cast<CPButton*>(first.FindWindow("two"))->GetState(), CPButton::kNormal);
    EXPECT_EQ(Heard(), std::vector<std::string>{"mouse_button_out:two"});
    ASSERT_EQ(lua.Run("DeselectCurrentButton(first)"), "");
    EXPECT_TRUE(Heard().empty()) << "nothing left to deselect";

    // A current window that is no button of the screen is left alone.
    second.SetCurrentButton(second.FindWindow("back"));
    ASSERT_EQ(lua.Run("DeselectCurrentButton(screen)"), "");
    EXPECT_EQ(second.GetCurrentButton(), second.FindWindow("back"));
    EXPECT_TRUE(Heard().empty());
}

TEST_F(InterfaceScriptFunctionsTest, LockingTheButtonUnderThePointerLetsGoAtOnce) {
    CPInterface& screen = Create();
    ASSERT_EQ(lua.Run("SilentActivateInterface(screen)"), "");
    screen.MouseMove(150, 100);
    auto* one = static_cast<CPButton*>(screen.FindWindow("one"));
    EXPECT_EQ(one->GetState(), CPButton::kOver);
    Heard();

    ASSERT_EQ(lua.Run("LockButton(screen, 'one')"), "");
    EXPECT_FALSE(one->IsEnabled());
    EXPECT_EQ(one->GetState(), CPButton::kNormal);
    EXPECT_EQ(screen.GetCurrentButton(), nullptr);
    EXPECT_EQ(Heard(), std::vector<std::string>{"mouse_button_out:one"});
    screen.MouseMove(151, 100);
    EXPECT_EQ(Heard(), std::vector<std::string>{"mouse_window_over:back"}) << "a locked button takes no pointer";

    ASSERT_EQ(lua.Run("UnlockButton(screen, 'one')"), "");
    EXPECT_TRUE(one->IsEnabled());
    EXPECT_EQ(one->GetState(), CPButton::kNormal) << "no highlight until the pointer moves";
    EXPECT_TRUE(Heard().empty());
    screen.MouseMove(152, 100);
    EXPECT_EQ(Heard(), std::vector<std::string>{"mouse_button_over:one"});

    // A button elsewhere is locked without touching the current one; a plain window is locked too.
    ASSERT_EQ(lua.Run("LockButton(screen, 'two')\nLockButton(screen, 'back')\nLockButton(screen, 'nobody')"), "");
    EXPECT_FALSE(screen.FindWindow("two")->IsEnabled());
    EXPECT_FALSE(screen.FindWindow("back")->IsEnabled());
    EXPECT_EQ(screen.GetCurrentButton(), one);
    EXPECT_TRUE(Heard().empty());
}

TEST_F(InterfaceScriptFunctionsTest, NullOrStaleScreensAndUnknownNamesChangeNothing) {
    CPInterface& screen = Create();
    CPGameObject crate("crate");
    lua.SetHandle("crate", &crate);
    auto* gone = new CPInterface();
    lua.SetHandle("gone", gone);
    delete gone;
    const std::string calls[] = {
        "ActivateInterface(%s)", "SilentActivateInterface(%s)", "UpdateInterface(%s)",
        "UpdateInterfaceBuffers(%s)", "SetWindowVisible(%s, 'one', false)", "SetWindowPosition(%s, 'one', 1, 2)",
        "SetWindowPositionShop(%s, 'one', 1, 2)", "SetWindowSize(%s, 'back', 1, 2)",
        "SetTextPosition(%s, 'title', 1, 2)", "SetText(%s, 'title', 'x')", "SetTextString(%s, 'title', 'greeting')",
        "SetFont(%s, 'title', 'other', 'x')", "SetFontString(%s, 'title', 'other', 'greeting')",
        "SetEditBoxText(%s, 'name', 'x')", "EditBoxProcessKey(%s, 'name', 65)", "SetCursor(%s, 'x')",
        "DeselectCurrentButton(%s)", "LockButton(%s, 'one')", "UnlockButton(%s, 'one')",
    };
    screen.FindWindow("two")->SetEnabled(false);
    for (const char* handle : {"nil", "crate", "gone"}) {
        for (const std::string& call : calls) {
            std::string code = call;
            code.replace(code.find("%s"), 2, handle);
            ASSERT_EQ(lua.Run("n = select('#', " + code + ")"), "") << code;
            EXPECT_EQ(lua.Number("n"), 0) << code;
        }
    }
    EXPECT_FALSE(screen.IsScreenActive());
    EXPECT_TRUE(screen.FindWindow("one")->IsVisible());
    EXPECT_FLOAT_EQ(screen.FindWindow("one")->GetX(), 99.5f);
    EXPECT_FALSE(screen.FindWindow("two")->IsEnabled());
    EXPECT_EQ(screen.FindText("title")->text, "");
    EXPECT_EQ(screen.FindEditBox("name")->GetText(), "");
    EXPECT_NE(screen.GetCursor(), nullptr);
    EXPECT_FALSE(crate.IsActive());

    // Unknown names on a real screen.
    ASSERT_EQ(lua.Run("SetWindowVisible(screen, 'ONE', false)\n"
                      "SetWindowPosition(screen, 'nobody', 1, 2)\n"
                      "SetTextPosition(screen, 'nobody', 1, 2)\n"
                      "SetText(screen, 'nobody', 'x')\n"
                      "SetFont(screen, 'nobody', 'other', 'x')\n"
                      "UnlockButton(screen, 'nobody')"),
              "");
    EXPECT_TRUE(screen.FindWindow("one")->IsVisible()) << "names are case-sensitive";
}

}  // namespace
