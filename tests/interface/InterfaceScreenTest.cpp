#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Render/CPRenderQueue.h"
#include "Render/PIVertexBuffer.h"
#include "Render/PEffectManager.h"
#include "Render/PMaterial.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "core/CPTaskKernel.h"
#include "interface/CPButton.h"
#include "interface/CPInputManager.h"
#include "interface/CPInterface.h"
#include "interface/InterfaceFile.h"
#include "simulation/level/CPGameData.h"
#include "support/CommandLog.h"
#include "support/EffectFileBuilder.h"
#include "support/InterfaceFileBuilder.h"
#include "support/InterfaceRig.h"
#include "support/ScopedGlobal.h"
#include "support/ScopedRenderCaches.h"

namespace {

using Builder = InterfaceFileBuilder;

// A working folder with render caches, the interface rig (1024 x 768), game data with a text and a
// running controller registered as "ctl".
class InterfaceScreenTest : public testing::Test {
protected:
    InterfaceScreenTest() {
        mCaches.WriteEffect("interface.fx", EffectFileBuilder().Parameter("texture", "tex0").Str());
        mCaches.WriteEffect("interface2.fx", EffectFileBuilder().Parameter("texture", "tex0").Str());
        mData.mTexts["title_key"] = "Hi";
        mController.Start();
        Resize(1024, 768);
    }
    ~InterfaceScreenTest() override {
        mScreens.clear();
    }

    CPInterface& Load(const Builder& builder, const std::string& name = "menu", int32_t number = 3) {
        builder.WriteTo(mCaches.Folder(), name);
        mScreens.push_back(std::make_unique<CPInterface>());
        mScreens.back()->Load(name, number);
        return *mScreens.back();
    }
    // A rig for another screen size, the controller registered with its dispatcher.
    void Resize(int32_t width, int32_t height) {
        mRig.reset();
        mRig = std::make_unique<InterfaceRig>(width, height);
        mRig->Dispatcher().Register(&mController, "ctl");
    }
    std::vector<std::string> Heard() { return DrainCommandTexts(mRig->InterfaceListener()); }
    std::vector<std::string> ControllerHeard() { return DrainCommandTexts(mController); }

    ScopedRenderCaches mCaches;
    std::unique_ptr<InterfaceRig> mRig;
    CPGameData mData;
    ScopedGlobal<CPGameData*> mInstallData{gGameData, &mData};
    CPCommandTask mController;
    std::vector<std::unique_ptr<CPInterface>> mScreens;
};

// Two overlapping buttons, a plain window beneath them and a cursor.
Builder Menu() {
    return Builder()
        .Controller("ctl")
        .Window(Builder::WindowLine("back", 0, 0, 1024, 768))
        .Button("one", 100, 100, 200, 50)
        .Button("two", 250, 100, 200, 50)
        .Window(Builder::WindowLine("cursor", 0, 0, 32, 48, 0, 0, 32, 32));
}

TEST_F(InterfaceScreenTest, LoadBuildsWindowsButtonsCursorAndLinksTheController) {
    CPInterface& screen = Load(Menu().LightLine("l,on,0,0,1,0.5,0.5,0.5,smooth"));
    EXPECT_EQ(screen.GetName(), "menu");
    EXPECT_EQ(screen.GetClassName(), "CPInterface - menu");
    EXPECT_EQ(screen.GetController().Get(), &mController);
    EXPECT_EQ(screen.GetCommandTarget().Get(), &mController);

    ASSERT_EQ(screen.GetDrawList().size(), 3u) << "the cursor window is not drawn";
    EXPECT_EQ(screen.GetButtonList().size(), 2u);
    EXPECT_EQ(screen.FindWindow("cursor"), nullptr);
    CPWindow* two = screen.FindWindow("two");
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(two->GetClassName(), "CPButton");
    EXPECT_FLOAT_EQ(two->GetX(), 249.5f);

    CPGameObject* cursor = screen.GetCursor();
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(cursor, screen.FindCursor("cursor"));
    EXPECT_EQ(cursor->GetParent().Get(), &screen);
    ASSERT_NE(cursor->GetRenderObject(), nullptr);
    EXPECT_EQ(cursor->GetRenderObject()->GetLocalVertices().size(), 4u);
    EXPECT_EQ(cursor->GetRenderObject()->GetIndices(), (std::vector<uint16_t>{0, 1, 2, 0, 2, 3}));
    ASSERT_EQ(cursor->GetCollisionBoxes().size(), 1u);
    ASSERT_TRUE(cursor->GetRenderObject()->GetMaterial());
    EXPECT_EQ(cursor->GetRenderObject()->GetMaterial()->GetLayerKey(), 205);
    EXPECT_EQ(cursor->GetRenderObject()->GetMaterial()->GetEffect().Get(), gEffectManager->FindEffect("interface.fx"));

    CPSmartPtr<CPMaterial> material = screen.GetScreenRenderObject()->GetMaterial();
    ASSERT_TRUE(material);
    EXPECT_EQ(material->GetLayerKey(), 203);
    EXPECT_EQ(material->GetEffect().Get(), gEffectManager->FindEffect("interface2.fx"));

    ASSERT_TRUE(screen.IsLightOn());
    EXPECT_EQ(screen.GetLight().Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(screen.GetLight().Direction.z, 1.0f);
    EXPECT_EQ(screen.GetLight().Diffuse.r, 0.5f);
    EXPECT_EQ(screen.GetLight().Specular.b, 0.5f);
    EXPECT_EQ(screen.GetLight().Diffuse.a, 0.0f);
    EXPECT_EQ(screen.GetLight().Range, 10000.0f);
}

TEST_F(InterfaceScreenTest, MissingFileOrTooManyWindowsLeaveAnEmptyUsableScreen) {
    Builder crowded;
    for (size_t i = 0; i <= kMaxInterfaceWindows; ++i) crowded.Window("w 0,0,1,1");
    crowded.Controller("ctl").Text("title", InterfaceRig::kFont, 0, 0, "title_key");

    mScreens.push_back(std::make_unique<CPInterface>());
    CPInterface& missing = *mScreens.back();
    missing.Load("nothing", 0);
    CPInterface& refused = Load(crowded, "crowded");
    for (CPInterface* screen : {&missing, &refused}) {
        EXPECT_TRUE(screen->GetDrawList().empty());
        EXPECT_EQ(screen->FindText("title"), nullptr);
        EXPECT_FALSE(screen->GetController());
        EXPECT_FALSE(screen->GetScreenRenderObject()->GetMaterial());
        EXPECT_TRUE(screen->GetChildren().empty());
        EXPECT_TRUE(screen->GetScreenRenderObject()->GetLocalVertices().empty());
        screen->Activate(450);
        screen->MouseMove(5, 5);
        screen->FocusNext();
    }
    EXPECT_EQ(missing.GetName(), "nothing");
}

TEST_F(InterfaceScreenTest, TextsAndEditBoxesAreLaidOutAtTheirPixelPositions) {
    Resize(2048, 1536);
    CPInterface& screen = Load(Builder()
                                   .Text("title", InterfaceRig::kFont, 100, 200, "title_key", "rd")
                                   .Text("unknown", InterfaceRig::kFont, 0, 0, "no_such_key")
                                   .EditBox("name", 10, 20, InterfaceRig::kFont, 3)
                                   .EditBox("city", 0, 0, InterfaceRig::kFont, 2, "cu,Riga"));
    InterfaceText* title = screen.FindText("title");
    ASSERT_NE(title, nullptr);
    EXPECT_FLOAT_EQ(title->x, 200.5f);
    EXPECT_FLOAT_EQ(title->y, 400.5f);
    EXPECT_EQ(title->text, "") << "the loaded text is not stored";
    EXPECT_EQ(title->object->GetParent().Get(), &screen);
    EXPECT_EQ(title->object->GetRenderObject()->GetLocalVertices().size(), 8u) << "\"Hi\"";
    EXPECT_FLOAT_EQ(title->object->GetRenderObject()->GetLocalVertices()[0].position.x, 200.5f);
    EXPECT_TRUE(screen.FindText("unknown")->object->GetRenderObject()->GetLocalVertices().empty());

    CPEditBox* name = screen.FindEditBox("name");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->GetMaxLength(), 3);
    EXPECT_EQ(name->GetText(), "");
    EXPECT_EQ(screen.FindText("name")->object.Get(), name->GetElement().object.Get());
    EXPECT_EQ(name->GetElement().object->GetRenderObject()->GetLocalVertices().size(), 4u) << "\"_\"";
    name->ProcessKey('a');
    EXPECT_EQ(name->GetText(), "A");
    EXPECT_EQ(screen.FindEditBox("city")->GetText(), "Riga") << "the initial text is kept whole";
    EXPECT_EQ(screen.GetChildren().size(), 4u);
}

TEST_F(InterfaceScreenTest, BatchHoldsTheVisibleQuadsAtTheirWindowPositions) {
    CPInterface& screen = Load(Builder()
                                   .Window(Builder::WindowLine("a", 10, 20, 30, 40))
                                   .Window(Builder::WindowLine("hidden", 0, 0, 5, 5, 0, 0, 0, 0, "false"))
                                   .Button("b", 100, 100, 50, 50));
    const CPRenderObject& batch = *screen.GetScreenRenderObject();
    ASSERT_EQ(batch.GetLocalVertices().size(), 8u);
    EXPECT_EQ(batch.GetIndices(), (std::vector<uint16_t>{0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7}));
    EXPECT_FLOAT_EQ(batch.GetLocalVertices()[2].position.x, 39.5f);
    EXPECT_FLOAT_EQ(batch.GetLocalVertices()[2].position.y, 59.5f);
    EXPECT_FLOAT_EQ(batch.GetLocalVertices()[4].u0, 0.0f) << "normal state quad";
    EXPECT_EQ(batch.GetWorldVertices().size(), 8u);

    screen.ShowWindow("hidden", true);
    screen.SetWindowPos("a", 1, 2);
    screen.ShowWindow("missing", true);
    EXPECT_EQ(batch.GetLocalVertices().size(), 8u) << "no rebuild until asked";
    screen.UpdateBuffers();
    ASSERT_EQ(batch.GetLocalVertices().size(), 12u);
    EXPECT_FLOAT_EQ(batch.GetLocalVertices()[0].position.x, 1.0f);
    float x = -7, y = -7;
    screen.GetWindowPos("missing", x, y);
    EXPECT_EQ(x, -7);
    screen.GetWindowPos("a", x, y);
    EXPECT_EQ(y, 2.0f);
}

TEST_F(InterfaceScreenTest, PointerHighlightsTheTopmostEnabledVisibleWindow) {
    CPInterface& screen = Load(Menu());
    screen.Activate(450);
    Heard();
    auto* one = static_cast<CPButton*>(screen.FindWindow("one"));
    auto* two = static_cast<CPButton*>(screen.FindWindow("two"));

    CPInterface::MouseMoveAll(260, 110);  // both buttons: the later one takes it
    EXPECT_EQ(Heard(), (std::vector<std::string>{"mouse_move:0.25,0.14", "mouse_button_over:two"}));
    EXPECT_EQ(screen.GetCurrentButton(), two);
    EXPECT_EQ(two->GetState(), CPButton::kOver);
    EXPECT_FLOAT_EQ(screen.GetScreenRenderObject()->GetLocalVertices()[8].u0, 64.0f / 256.0f) << "over quad drawn";
    EXPECT_FLOAT_EQ(screen.GetCursor()->GetPosition().x, 260.0f);

    two->SetEnabled(false);  // a locked button lets the one beneath take the pointer
    CPInterface::MouseMoveAll(261, 110);
    EXPECT_EQ(Heard(), (std::vector<std::string>{"mouse_move:0.25,0.14", "mouse_button_over:one"}));
    EXPECT_EQ(screen.GetCurrentButton(), one);

    CPInterface::MouseMoveAll(900, 700);  // only the plain window: over on every move, never current
    EXPECT_EQ(Heard(), (std::vector<std::string>{"mouse_move:0.88,0.91", "mouse_button_out:one",
                                                 "mouse_window_over:back"}));
    EXPECT_EQ(screen.GetCurrentButton(), nullptr);
    EXPECT_EQ(one->GetState(), CPButton::kNormal);
    CPInterface::MouseMoveAll(901, 700);
    EXPECT_EQ(Heard(), (std::vector<std::string>{"mouse_move:0.88,0.91", "mouse_window_over:back"}));

    screen.SwitchCursor("none");  // without a cursor only the position is kept
    EXPECT_FALSE(screen.FindCursor("cursor")->IsVisible());
    CPInterface::MouseMoveAll(110, 110);
    EXPECT_EQ(Heard(), (std::vector<std::string>{"mouse_move:0.11,0.14"}));
    EXPECT_EQ(screen.GetPointerX(), 110.0f);
    screen.SwitchCursor("cursor");
    EXPECT_EQ(screen.GetCursorName(), "cursor");
    EXPECT_TRUE(screen.GetCursor()->IsVisible());
    EXPECT_FLOAT_EQ(screen.GetCursor()->GetPosition().x, 110.0f);
}

TEST_F(InterfaceScreenTest, ActivationSendsThePointerAndHighlightsWithoutAMove) {
    CPInputManager input;
    ScopedGlobal<CPInputManager*> installInput(gInputManager, &input);
    input.SetMousePosition(512.9f, 384.0f);
    CPInterface& screen = Load(Builder().Button("mid", 500, 380, 50, 50).Window("cursor 0,0,8,8"));
    screen.Activate(450);
    EXPECT_EQ(Heard(), (std::vector<std::string>{"mouse_move:0.50,0.50", "mouse_button_over:mid"}));
    EXPECT_TRUE(screen.IsScreenActive());
    EXPECT_TRUE(screen.IsActive());

    screen.Deactivate();
    CPInterface::MouseMoveAll(0, 0);
    EXPECT_EQ(Heard(), (std::vector<std::string>{"mouse_move:0.00,0.00"}));
    EXPECT_EQ(screen.GetCurrentButton(), screen.FindWindow("mid")) << "deactivation keeps the hover state";

    CPInterface& silent = Load(Builder().Button("b", 0, 0, 50, 50).Window("cursor 0,0,8,8"), "silent");
    silent.SilentActivate(450);
    EXPECT_TRUE(Heard().empty());
    EXPECT_TRUE(silent.IsScreenActive());
}

TEST_F(InterfaceScreenTest, ClicksReachTheController) {
    CPInterface& screen = Load(Menu());
    screen.FindWindow("one")->OnClick(0, 110, 110);
    screen.FindWindow("back")->OnClick(0, 5, 6);
    EXPECT_EQ(ControllerHeard(), (std::vector<std::string>{"button:one", "window:back,5.00,6.00"}));
}

TEST_F(InterfaceScreenTest, FocusWalksTheQualifyingButtonsAndWraps) {
    // Buttons far apart so that each focus point hits only its own button.
    CPInterface& screen = Load(Builder()
                                   .Button("a", 0, 0, 50, 50, "false")
                                   .Button("b", 100, 0, 50, 50)
                                   .Button("c", 200, 0, 50, 50)
                                   .Window("cursor 0,0,8,8"));
    screen.FocusNext();
    EXPECT_EQ(screen.GetCurrentButton(), nullptr) << "an inactive screen ignores the focus";
    screen.SilentActivate(450);

    const auto current = [&] { return screen.GetCurrentButton() ? screen.GetCurrentButton()->GetName() : "none"; };
    CPInterface::FocusNextAll();  // first hidden: the next qualifying one at (x + 2, y)
    EXPECT_EQ(current(), "b");
    CPInterface::FocusNextAll();
    EXPECT_EQ(current(), "c");
    CPInterface::FocusNextAll();  // wraps past the hidden first
    EXPECT_EQ(current(), "b");
    CPInterface::FocusPrevAll();  // backward wraps from the first to the last
    EXPECT_EQ(current(), "c");
    EXPECT_EQ(screen.GetPointerX(), 0.0f) << "the focus does not move the pointer";

    screen.FindWindow("b")->SetEnabled(false);
    screen.FindWindow("c")->SetEnabled(false);
    screen.SetCurrentButton(nullptr);
    Heard();
    CPInterface::FocusNextAll();  // nothing qualifies: nothing happens, and the walk ends
    CPInterface::FocusPrevAll();
    EXPECT_EQ(current(), "none");
    EXPECT_TRUE(Heard().empty());

    screen.FindWindow("c")->SetEnabled(true);
    CPInterface::FocusPrevAll();  // without a current button the last one qualifies at (x + 2, y)
    EXPECT_EQ(current(), "c");
}

TEST_F(InterfaceScreenTest, UpdateQueuesTheLightAndTheTree) {
    CPInterface& screen = Load(Menu().LightLine("l,on,0,0,1,1,1,1"));
    auto* queue = new CPRenderQueue();
    gRenderer->SetDrawQueue(queue);
    for (int i = 0; i < PRender::kMaxLights - 1; ++i) gRenderer->AddLight(D3DLIGHT9{});
    screen.Update();
    screen.Update();  // the table is full: left out
    EXPECT_EQ(gRenderer->GetLightCount(), PRender::kMaxLights);
    EXPECT_EQ(gRenderer->GetLight(PRender::kMaxLights - 1).Range, 10000.0f);
    EXPECT_NE(queue->FindBlock(screen.GetScreenRenderObject()->GetMaterial().Get()), nullptr);
    gRenderer->SetDrawQueue(nullptr);
    queue->EmptyFrame();
    delete queue;
}

TEST_F(InterfaceScreenTest, ScreensJoinAndLeaveTheListInCreationOrder) {
    const size_t before = gInterfaces.size();
    CPInterface& first = Load(Menu(), "a");
    CPInterface& second = Load(Menu(), "b");
    ASSERT_EQ(gInterfaces.size(), before + 2);
    EXPECT_EQ(gInterfaces[before], &first);
    EXPECT_EQ(gInterfaces[before + 1], &second);
    mScreens.erase(mScreens.begin());
    ASSERT_EQ(gInterfaces.size(), before + 1);
    EXPECT_EQ(gInterfaces[before], &second);
}

TEST_F(InterfaceScreenTest, OnlyALowerCaseCursorLineMakesTheCursorAndALaterNameTakesTheMapEntry) {
    CPInterface& screen = Load(Builder()
                                   .Window("Cursor 0,0,8,8")
                                   .Window("tile 0,0,10,10")
                                   .Window("tile 100,0,10,10"));
    EXPECT_EQ(screen.GetCursor(), nullptr);
    ASSERT_NE(screen.FindWindow("Cursor"), nullptr) << "a window like any other";
    ASSERT_EQ(screen.GetDrawList().size(), 3u) << "both tiles stay drawn";
    EXPECT_FLOAT_EQ(screen.FindWindow("tile")->GetX(), 99.5f);
    EXPECT_EQ(screen.GetScreenRenderObject()->GetLocalVertices().size(), 12u);
}

TEST_F(InterfaceScreenTest, AHiddenButtonLetsTheWindowBelowTakeThePointerUntilItIsShown) {
    CPInterface& screen = Load(Builder()
                                   .Window(Builder::WindowLine("back", 0, 0, 1024, 768))
                                   .Button("one", 100, 100, 200, 50, "false")
                                   .Window("cursor 0,0,8,8"));
    screen.SilentActivate(450);
    CPInterface::MouseMoveAll(150, 120);
    EXPECT_EQ(Heard(), (std::vector<std::string>{"mouse_move:0.15,0.16", "mouse_window_over:back"}));
    screen.ShowWindow("one", true);
    CPInterface::MouseMoveAll(150, 120);
    EXPECT_EQ(Heard(), (std::vector<std::string>{"mouse_move:0.15,0.16", "mouse_button_over:one"}));
    EXPECT_EQ(screen.GetCurrentButton(), screen.FindWindow("one"));
}

// A thin plain window over the buttons' top edges tells the two focus points apart: (x + 2, y) lies on
// it, (x + 1, y + 1) below it on the button.
TEST_F(InterfaceScreenTest, FocusPointsAtTheButtonCornerOrAtItsTopEdge) {
    CPInterface& screen = Load(Builder()
                                   .Button("a", 100, 100, 50, 50)
                                   .Button("b", 300, 100, 50, 50)
                                   .Window(Builder::WindowLine("lid", 0, 99, 1024, 1)));
    screen.SilentActivate(450);
    const auto current = [&] { return screen.GetCurrentButton() ? screen.GetCurrentButton()->GetName() : "none"; };

    screen.FocusNext();  // the first button qualifies: (x + 1, y + 1)
    EXPECT_EQ(current(), "a");
    screen.FocusNext();  // from a current button: (x + 1, y + 1)
    EXPECT_EQ(current(), "b");
    screen.FocusPrev();
    EXPECT_EQ(current(), "a");
    Heard();

    screen.SetCurrentButton(nullptr);
    screen.ShowWindow("a", false);
    screen.FocusNext();  // a later button without a current one: (x + 2, y), on the lid
    EXPECT_EQ(current(), "none");
    screen.FocusPrev();  // backwards without a current one: (x + 2, y) as well
    EXPECT_EQ(current(), "none");
    EXPECT_EQ(Heard(), (std::vector<std::string>{"mouse_window_over:lid", "mouse_window_over:lid"}));
}

}  // namespace
