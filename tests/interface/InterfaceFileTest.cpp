#include <gtest/gtest.h>

#include <string>

#include "interface/InterfaceFile.h"
#include "support/InterfaceFileBuilder.h"

namespace {

InterfaceFileRecord Parse(const std::string& text) {
    return ParseInterfaceFile(text.data(), static_cast<uint32_t>(text.size()));
}

TEST(InterfaceFileTest, PathIsTheFolderTheScreenNameAnd1024) {
    EXPECT_EQ(InterfaceFilePath("menu"), "Data\\Interface\\menu1024.int");
}

TEST(InterfaceFileTest, HeaderLinesGiveControllerTextureLightAndEffect) {
    const struct {
        const char* name;
        const char* lightLine;
        bool on;
        float direction[3];
        float colour[3];
        bool smooth;
    } cases[] = {
        {"light on", "x,on,0.5,-1,2,0.25,0.5,0.75,smooth", true, {0.5f, -1.0f, 2.0f}, {0.25f, 0.5f, 0.75f}, true},
        {"off keeps the effect field", "x,off,1,2,3,4,5,6,smooth", false, {0, 0, 0}, {0, 0, 0}, true},
        {"other word is off", "x,On,1,2,3,4,5,6,flat", false, {0, 0, 0}, {0, 0, 0}, false},
        {"missing fields read 0", "x,on,1", true, {1.0f, 0, 0}, {0, 0, 0}, false},
        {"empty line", "", false, {0, 0, 0}, {0, 0, 0}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const InterfaceFileRecord record =
            Parse(InterfaceFileBuilder().Controller("main menu").Texture("menu.tga", 512, 128).LightLine(c.lightLine).Build());
        EXPECT_EQ(record.controllerName, "main menu");
        EXPECT_EQ(record.textureName, "menu.tga");
        EXPECT_EQ(record.textureWidth, 512.0f);
        EXPECT_EQ(record.textureHeight, 128.0f);
        EXPECT_EQ(record.lightOn, c.on);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(record.lightDirection[i], c.direction[i]);
            EXPECT_EQ(record.lightColour[i], c.colour[i]);
        }
        EXPECT_EQ(record.smooth, c.smooth);
        EXPECT_TRUE(record.elements.empty());
    }
}

TEST(InterfaceFileTest, KeywordsAnyCaseDispatchAndOtherLinesAreSkipped) {
    const InterfaceFileRecord record = Parse(InterfaceFileBuilder()
                                                 .Line("WINDOW")
                                                 .Line("panel 10,20,30,40,1,2,3,4,false,stretch")
                                                 .Line("nonsense here")
                                                 .Line("Button")
                                                 .Line("ok 1,1,1,1")
                                                 .Line("ok_over 2,2,2,2")
                                                 .Line("ok_down 3,3,3,3")
                                                 .Line("TextEdit")
                                                 .Line("\"player name\" 100,200,big,12,cu,\"Joe Jr\"")
                                                 .Line("text")
                                                 .Line("title small,300,400,title_key,center")
                                                 .Build());
    ASSERT_EQ(record.elements.size(), 4u);

    const WindowLine& panel = record.elements[0].windows[0];
    EXPECT_EQ(record.elements[0].kind, InterfaceElement::kWindow);
    EXPECT_EQ(panel.name, "panel");
    EXPECT_EQ((std::vector<float>{panel.x, panel.y, panel.width, panel.height, panel.u, panel.v, panel.du, panel.dv}),
              (std::vector<float>{10, 20, 30, 40, 1, 2, 3, 4}));
    EXPECT_TRUE(panel.hasVisibility);
    EXPECT_FALSE(panel.visible);
    EXPECT_EQ(panel.anchor, "stretch");

    EXPECT_EQ(record.elements[1].kind, InterfaceElement::kButton);
    EXPECT_EQ(record.elements[1].windows[0].name, "ok");
    EXPECT_EQ(record.elements[1].windows[1].name, "ok_over");
    EXPECT_EQ(record.elements[1].windows[2].x, 3.0f);

    const EditBoxLine& box = record.elements[2].editBox;
    EXPECT_EQ(record.elements[2].kind, InterfaceElement::kEditBox);
    EXPECT_EQ(box.name, "player name");
    EXPECT_EQ(box.x, 100.0f);
    EXPECT_EQ(box.y, 200.0f);
    EXPECT_EQ(box.font, "big");
    EXPECT_EQ(box.maxLength, 12);
    EXPECT_EQ(box.anchor, "cu");
    EXPECT_TRUE(box.hasInitialText);
    EXPECT_EQ(box.initialText, "Joe Jr") << "a blank inside a field is quoted";

    const TextLine& text = record.elements[3].text;
    EXPECT_EQ(record.elements[3].kind, InterfaceElement::kText);
    EXPECT_EQ(text.name, "title");
    EXPECT_EQ(text.font, "small");
    EXPECT_EQ(text.x, 300.0f);
    EXPECT_EQ(text.y, 400.0f);
    EXPECT_EQ(text.key, "title_key");
    EXPECT_EQ(text.anchor, "center");
}

TEST(InterfaceFileTest, KeywordWithoutItsLineTakesWhatFollowsOrNothing) {
    const InterfaceFileRecord record = Parse(InterfaceFileBuilder().Line("window").Line("text").Line("window").Build());
    ASSERT_EQ(record.elements.size(), 2u);
    EXPECT_EQ(record.elements[0].windows[0].name, "text") << "the next keyword line is read as the window's line";
    EXPECT_EQ(record.elements[1].windows[0].name, "");
    EXPECT_EQ(record.elements[1].windows[0].width, 0.0f);
}

TEST(InterfaceFileTest, EditBoxLengthBeyondInt32IsClampedAndMissingPartsAreEmpty) {
    const InterfaceFileRecord record =
        Parse(InterfaceFileBuilder().Line("textedit").Line("name 1,2,font,99999999999").Line("textedit").Line("bare").Build());
    ASSERT_EQ(record.elements.size(), 2u);
    EXPECT_EQ(record.elements[0].editBox.maxLength, INT32_MAX);
    EXPECT_FALSE(record.elements[0].editBox.hasInitialText);
    EXPECT_EQ(record.elements[1].editBox.name, "bare");
    EXPECT_EQ(record.elements[1].editBox.font, "");
    EXPECT_EQ(record.elements[1].editBox.maxLength, 0);
}

TEST(InterfaceFileTest, MoreWindowsThanOneBatchCanAddressIsRefused) {
    InterfaceFileRecord record;
    InterfaceElement window;
    window.kind = InterfaceElement::kWindow;
    record.elements.assign(kMaxInterfaceWindows, window);
    InterfaceElement cursor = window;
    cursor.windows[0].name = "cursor";
    record.elements.push_back(cursor);  // not drawn in the batch
    EXPECT_EQ(ValidateInterfaceFile(record), "");

    record.elements.push_back(window);
    EXPECT_NE(ValidateInterfaceFile(record), "");
}

}  // namespace
