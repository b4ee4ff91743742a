#include <gtest/gtest.h>

#include <string>

#include "core/files/CPTextReader.h"
#include "interface/CPButton.h"
#include "interface/CPWindow.h"
#include "support/CommandLog.h"
#include "support/InterfaceRig.h"

namespace {

// Feeds window lines to Load the way a screen file's reader does.
class Lines {
public:
    explicit Lines(std::string text) : mText(std::move(text)), mReader(mText.data(), static_cast<uint32_t>(mText.size())) {}
    CPTextReader& Reader() { return mReader; }

private:
    std::string mText;
    CPTextReader mReader;
};

struct Quad {
    float x, y, width, height, u, v, du, dv;
};

Quad QuadOf(const CPWindow& window) {
    const CPVertex* v = window.GetVertices();
    return {window.GetX(), window.GetY(), v[2].position.x, v[2].position.y, v[0].u0, v[0].v0, v[2].u0 - v[0].u0,
            v[2].v0 - v[0].v0};
}

void ExpectQuadNear(const Quad& actual, const Quad& expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-3f);
    EXPECT_NEAR(actual.y, expected.y, 1e-3f);
    EXPECT_NEAR(actual.width, expected.width, 1e-3f);
    EXPECT_NEAR(actual.height, expected.height, 1e-3f);
    EXPECT_NEAR(actual.u, expected.u, 1e-6f);
    EXPECT_NEAR(actual.v, expected.v, 1e-6f);
    EXPECT_NEAR(actual.du, expected.du, 1e-6f);
    EXPECT_NEAR(actual.dv, expected.dv, 1e-6f);
}

TEST(WindowTest, LoadConvertsDesignUnitsAndTexelsOfTheScreenFileLine) {
    const struct {
        const char* name;
        const char* line;
        bool visible;
        Quad expected;
    } cases[] = {
        {"plain", "panel 512,384,256,192,64,32,128,16", true, {639.5f, 511.5f, 320.0f, 256.0f, 0.25f, 0.125f, 0.5f, 0.0625f}},
        {"stretch", "panel 512,384,256,192,64,32,128,16,true,stretch", true,
         {639.5f, 511.5f, 400.0f, 341.3333f, 0.25f, 0.125f, 0.5f, 0.0625f}},
        {"anchor words keep the place", "panel 512,384,256,192,64,32,128,16,yes,rd", true,
         {639.5f, 511.5f, 320.0f, 256.0f, 0.25f, 0.125f, 0.5f, 0.0625f}},
        {"hidden", "panel 512,384,256,192,64,32,128,16,false", false,
         {639.5f, 511.5f, 320.0f, 256.0f, 0.25f, 0.125f, 0.5f, 0.0625f}},
        {"missing numbers read 0", "panel 512,,abc", true, {639.5f, -0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InterfaceRig rig(1280, 1024);
        RecordingWindowOwner owner;
        CPWindow window(&owner);
        Lines lines(c.line);
        EXPECT_TRUE(window.Load(lines.Reader(), 256.0f, 256.0f));
        EXPECT_EQ(window.GetName(), "panel");
        EXPECT_EQ(window.IsVisible(), c.visible);
        ExpectQuadNear(QuadOf(window), c.expected);
        EXPECT_EQ(window.GetVertices()[1].position.y, 0.0f);
        EXPECT_EQ(window.GetVertices()[3].position.x, 0.0f);
        const uint16_t* indices = window.GetIndices();
        EXPECT_EQ(std::vector<uint16_t>(indices, indices + 6), (std::vector<uint16_t>{0, 1, 2, 0, 2, 3}));
    }
}

TEST(WindowTest, ALoadWithoutALineGivesAnUnnamedEmptyWindow) {
    InterfaceRig rig;
    CPWindow window(nullptr);
    Lines lines("");
    EXPECT_TRUE(window.Load(lines.Reader(), 256.0f, 256.0f));
    EXPECT_EQ(window.GetName(), "");
    ExpectQuadNear(QuadOf(window), {-0.5f, -0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f});
}

// A screen file whose texture size is missing gives size 0: the texels must not become inf or NaN.
TEST(WindowTest, AZeroTextureSizeGivesZeroTextureCoordinates) {
    InterfaceRig rig;
    CPWindow window(nullptr);
    Lines lines("w 0,0,10,10,64,32,128,16");
    window.Load(lines.Reader(), 0.0f, 0.0f);
    ExpectQuadNear(QuadOf(window), {-0.5f, -0.5f, 10.0f, 10.0f, 0.0f, 0.0f, 0.0f, 0.0f});
    window.Create("w", 0.0f, 256.0f, 0, 0, 10, 10, 64, 32, 128, 16);
    ExpectQuadNear(QuadOf(window), {-0.5f, -0.5f, 10.0f, 10.0f, 0.0f, 0.125f, 0.0f, 0.0625f});
}

TEST(WindowTest, CreateConvertsLikeALineAndShowsTheWindow) {
    InterfaceRig rig(2048, 1536);
    CPWindow window(nullptr);
    window.SetVisible(false);
    EXPECT_TRUE(window.Create("made", 512.0f, 128.0f, 100.0f, 50.0f, 10.0f, 20.0f, 256.0f, 64.0f, 128.0f, 32.0f));
    EXPECT_EQ(window.GetName(), "made");
    EXPECT_TRUE(window.IsVisible());
    ExpectQuadNear(QuadOf(window), {199.5f, 99.5f, 20.0f, 40.0f, 0.5f, 0.5f, 0.25f, 0.25f});
}

TEST(WindowTest, SetSizeReshapesTheQuadAndKeepsItsTexture) {
    InterfaceRig rig;
    CPWindow window(nullptr);
    window.Create("w", 256.0f, 256.0f, 0, 0, 10, 10, 64, 32, 128, 16);
    window.SetSize(30.0f, 40.0f);
    ExpectQuadNear(QuadOf(window), {-0.5f, -0.5f, 30.0f, 40.0f, 0.25f, 0.125f, 0.5f, 0.0625f});
    EXPECT_EQ(window.GetVertices()[1].position.x, 30.0f);
    EXPECT_EQ(window.GetVertices()[3].position.y, 40.0f);
}

TEST(WindowTest, HitTestIncludesTheEdges) {
    InterfaceRig rig;
    CPWindow window(nullptr);
    window.SetSize(100.0f, 50.0f);
    window.SetPosition(10.0f, 20.0f);
    const struct {
        float x, y;
        bool hit;
    } cases[] = {{10.0f, 20.0f, true},   {110.0f, 70.0f, true},  {60.0f, 45.0f, true},  {9.99f, 45.0f, false},
                 {110.01f, 45.0f, false}, {60.0f, 19.99f, false}, {60.0f, 70.01f, false}};
    for (const auto& c : cases) EXPECT_EQ(window.HitTest(c.x, c.y), c.hit) << c.x << "," << c.y;
}

TEST(WindowTest, PointerEventsGoToTheInterfaceCategoryAndAClickOnItToTheController) {
    InterfaceRig rig;
    RecordingWindowOwner owner;
    CPCommandTask controller;
    controller.Start();
    owner.target = &controller;
    CPWindow window(&owner);
    window.Create("map", 256.0f, 256.0f, 0, 0, 100, 100, 0, 0, 0, 0);

    EXPECT_FALSE(window.OnMouseOver(5.0f, 5.0f));
    EXPECT_FALSE(window.OnMouseOut(5.0f, 5.0f));
    EXPECT_FALSE(window.OnMouseDown(0, 5.0f, 5.0f));
    EXPECT_FALSE(window.OnClick(0, 12.5f, 3.125f));
    EXPECT_FALSE(window.OnClick(0, 200.0f, 3.0f));  // outside: nothing posted
    EXPECT_EQ(DrainCommandTexts(rig.InterfaceListener()),
              (std::vector<std::string>{"mouse_window_over:map", "mouse_window_out:map"}));
    EXPECT_EQ(DrainCommandTexts(controller), (std::vector<std::string>{"window:map,12.50,3.12"}));
    EXPECT_EQ(owner.rebuilds, 0);

    owner.target = nullptr;  // a screen without controller loses its clicks
    window.OnClick(0, 12.5f, 3.125f);
    CPWindow orphan(nullptr);
    orphan.SetSize(10.0f, 10.0f);
    EXPECT_FALSE(orphan.OnClick(0, 1.0f, 1.0f));
    EXPECT_TRUE(DrainCommandTexts(controller).empty());
}

class ButtonTest : public ::testing::Test {
protected:
    ButtonTest() {
        controller.Start();
        owner.target = &controller;
    }

    // Normal at (100, 200) design units, 50 x 20, over and pressed with their own sizes and texels.
    void LoadButton(const std::string& normalExtra = "") {
        Lines lines("play 100,200,50,20,0,0,64,16" + normalExtra +
                    "\nplay_over 0,0,60,30,0,16,64,16\nplay_down 0,0,70,40,0,32,64,16\n");
        EXPECT_TRUE(button.Load(lines.Reader(), 64.0f, 64.0f));
    }

    InterfaceRig rig;
    RecordingWindowOwner owner;
    CPCommandTask controller;
    CPButton button{&owner};
};

TEST_F(ButtonTest, LoadTakesNameAndPlaceOfTheNormalWindowAndShowsTheQuadOfItsState) {
    LoadButton();
    EXPECT_EQ(button.GetName(), "play");
    EXPECT_FLOAT_EQ(button.GetX(), 99.5f);
    EXPECT_FLOAT_EQ(button.GetY(), 199.5f);
    EXPECT_TRUE(button.IsVisible());
    EXPECT_EQ(button.GetState(), CPButton::kNormal);
    EXPECT_EQ(button.GetStateWindow(CPButton::kOver)->GetName(), "play_over");
    EXPECT_FLOAT_EQ(button.GetVertices()[2].position.x, 50.0f);

    button.OnMouseOver(0, 0);
    EXPECT_FLOAT_EQ(button.GetVertices()[2].position.x, 60.0f);
    EXPECT_FLOAT_EQ(button.GetVertices()[0].v0, 0.25f);
    button.OnMouseDown(0, 0, 0);
    EXPECT_EQ(button.GetState(), CPButton::kPressed);
    EXPECT_FLOAT_EQ(button.GetVertices()[2].position.x, 70.0f);
    EXPECT_EQ(button.GetIndices(), button.GetStateWindow(CPButton::kPressed)->GetIndices());
}

TEST_F(ButtonTest, TheHitTestIsThatOfTheNormalQuadWhateverTheState) {
    LoadButton();
    button.OnMouseDown(0, 0, 0);  // the pressed quad is 70 wide, the normal one 50
    EXPECT_TRUE(button.HitTest(149.5f, 219.5f));
    EXPECT_FALSE(button.HitTest(160.0f, 210.0f));
}

TEST_F(ButtonTest, AButtonHiddenInTheFileStartsHiddenAndShowingItResetsItsState) {
    LoadButton(",false");
    EXPECT_FALSE(button.IsVisible());
    button.OnMouseOver(0, 0);
    button.SetVisible(true);
    EXPECT_TRUE(button.IsVisible());
    EXPECT_EQ(button.GetState(), CPButton::kNormal);
}

TEST_F(ButtonTest, PointerOverAndOutAreAnnouncedToTheInterfaceCategory) {
    LoadButton();
    EXPECT_TRUE(button.OnMouseOver(0, 0));
    EXPECT_EQ(button.GetState(), CPButton::kOver);
    EXPECT_TRUE(button.OnMouseOut(0, 0));
    EXPECT_EQ(button.GetState(), CPButton::kNormal);
    EXPECT_EQ(DrainCommandTexts(rig.InterfaceListener()),
              (std::vector<std::string>{"mouse_button_over:play", "mouse_button_out:play"}));
    EXPECT_EQ(owner.rebuilds, 0);
}

TEST_F(ButtonTest, OnlyThePrimaryMouseButtonPressesAndClicks) {
    LoadButton();
    EXPECT_FALSE(button.OnMouseDown(1, 120.0f, 205.0f));
    EXPECT_EQ(button.GetState(), CPButton::kNormal);
    EXPECT_TRUE(button.OnMouseDown(0, 120.0f, 205.0f));
    EXPECT_FALSE(button.OnClick(1, 120.0f, 205.0f));
    EXPECT_EQ(button.GetState(), CPButton::kPressed);

    EXPECT_TRUE(button.OnClick(0, 120.0f, 205.0f));
    EXPECT_EQ(button.GetState(), CPButton::kOver);
    EXPECT_TRUE(button.OnClick(0, 500.0f, 205.0f));  // released elsewhere
    EXPECT_EQ(button.GetState(), CPButton::kNormal);
    EXPECT_EQ(DrainCommandTexts(controller), (std::vector<std::string>{"button:play"}));
    EXPECT_TRUE(DrainCommandTexts(rig.InterfaceListener()).empty());
}

TEST_F(ButtonTest, EnablingOrDisablingResetsTheStateAndRebuildsTheScreen) {
    LoadButton();
    button.OnMouseOver(0, 0);
    button.SetEnabled(false);
    EXPECT_FALSE(button.IsEnabled());
    EXPECT_EQ(button.GetState(), CPButton::kNormal);
    EXPECT_EQ(owner.rebuilds, 1);
    button.SetEnabled(true);
    EXPECT_TRUE(button.IsEnabled());
    EXPECT_EQ(owner.rebuilds, 2);
}

TEST_F(ButtonTest, LoadingAgainReplacesTheStateWindows) {
    LoadButton();
    Lines lines("again 0,0,1,1,0,0,0,0\na2 0,0,1,1,0,0,0,0\na3 0,0,1,1,0,0,0,0\n");
    button.Load(lines.Reader(), 64.0f, 64.0f);
    EXPECT_EQ(button.GetName(), "again");
    EXPECT_EQ(button.GetStateWindow(CPButton::kPressed)->GetName(), "a3");
    EXPECT_EQ(button.GetStateWindow(CPButton::kNormal)->GetOwner(), &owner);
}

// A button that no file line has filled has no state windows: its own empty quad stands in.
TEST(UnloadedButtonTest, DrawsAndHitTestsItsOwnQuadInsteadOfMissingStateWindows) {
    InterfaceRig rig;
    CPButton button(nullptr);
    button.OnMouseOver(0, 0);
    EXPECT_EQ(button.GetVertices()[2].position.x, 0.0f);
    EXPECT_NE(button.GetIndices(), nullptr);
    EXPECT_TRUE(button.HitTest(0.0f, 0.0f));
    EXPECT_FALSE(button.HitTest(1.0f, 0.0f));
    button.SetEnabled(false);  // no screen to rebuild
    EXPECT_TRUE(button.OnClick(0, 0.0f, 0.0f));
}

}  // namespace
