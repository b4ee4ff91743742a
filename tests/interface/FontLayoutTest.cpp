#include <gtest/gtest.h>

#include <string>

#include "Render/PRenderObject.h"
#include "core/CPGameObject.h"
#include "interface/CPFontManager.h"
#include "interface/InterfaceText.h"
#include "support/InterfaceRig.h"
#include "support/ScopedGlobal.h"

namespace {

CPRenderObject& RenderObjectOf(const InterfaceText& element) { return *element.object->GetRenderObject(); }

// Width of the test font's character c in pixels at screen width w.
float PixelWidth(unsigned char c, float w) { return w * (10.0f + static_cast<float>(c % 7)) * 0.0009765625f; }
// The pen's move after c: (width - spacing 1 - extra spacing 2 / 2) x w / 1024.
float PixelAdvance(unsigned char c, float w) { return (10.0f + static_cast<float>(c % 7) - 1.0f - 1.0f) * w * 0.0009765625f; }

TEST(FontLayoutTest, EachCharacterBecomesATexturedQuadAndThePenMovesByTheAdvance) {
    InterfaceRig rig;
    InterfaceText element = rig.Text(100.0f, 50.0f);

    CPSmartPtr<CPRenderObject> result = rig.Fonts().BuildText(element.object, 100.0f, 50.0f, InterfaceRig::kFont, "AB");

    ASSERT_EQ(result.Get(), element.object->GetRenderObject());
    const auto& vertices = result->GetLocalVertices();
    ASSERT_EQ(vertices.size(), 8u);
    const float wA = PixelWidth('A', 1024.0f);
    const float bX = 100.0f + PixelAdvance('A', 1024.0f);
    const float wB = PixelWidth('B', 1024.0f);
    const struct {
        float x, y, u, v;
    } expected[8] = {
        {100.0f, 50.0f, 65 / 256.0f, 0.5f},  {100.0f + wA, 50.0f, 66 / 256.0f, 0.5f},
        {100.0f + wA, 70.0f, 66 / 256.0f, 0.75f}, {100.0f, 70.0f, 65 / 256.0f, 0.75f},
        {bX, 50.0f, 66 / 256.0f, 0.5f},      {bX + wB, 50.0f, 67 / 256.0f, 0.5f},
        {bX + wB, 70.0f, 67 / 256.0f, 0.75f},    {bX, 70.0f, 66 / 256.0f, 0.75f},
    };
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        EXPECT_FLOAT_EQ(vertices[i].position.x, expected[i].x);
        EXPECT_FLOAT_EQ(vertices[i].position.y, expected[i].y);
        EXPECT_EQ(vertices[i].position.z, 0.0f);
        EXPECT_FLOAT_EQ(vertices[i].u0, expected[i].u);
        EXPECT_FLOAT_EQ(vertices[i].v0, expected[i].v);
    }
    EXPECT_EQ(result->GetIndices(), (std::vector<uint16_t>{0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7}));
    EXPECT_EQ(result->GetMaterial().Get(), rig.Material());
    ASSERT_EQ(result->GetWorldVertices().size(), 8u);
    EXPECT_EQ(result->GetWorldVertices()[5].position.x, vertices[5].position.x);
}

TEST(FontLayoutTest, CaretStartsANewLineOneCharacterHeightLowerAtTheStartingX) {
    InterfaceRig rig;
    InterfaceText element = rig.Text(30.0f, 40.0f);

    rig.Fonts().BuildText(element.object, 30.0f, 40.0f, InterfaceRig::kFont, "A^B");

    const auto& vertices = RenderObjectOf(element).GetLocalVertices();
    ASSERT_EQ(vertices.size(), 8u);
    EXPECT_FLOAT_EQ(vertices[4].position.x, 30.0f);
    EXPECT_FLOAT_EQ(vertices[4].position.y, 60.0f);
    EXPECT_FLOAT_EQ(vertices[6].position.y, 80.0f);
    EXPECT_EQ(RenderObjectOf(element).GetIndices().size(), 12u);
}

TEST(FontLayoutTest, GlyphsScaleWithTheScreenWidthOnly) {
    for (const int32_t height : {768, 200}) {
        InterfaceRig rig(2048, height);
        InterfaceText element = rig.Text(0.0f, 0.0f);
        rig.Fonts().BuildText(element.object, 0.0f, 0.0f, InterfaceRig::kFont, "AB");
        const auto& vertices = RenderObjectOf(element).GetLocalVertices();
        ASSERT_EQ(vertices.size(), 8u);
        EXPECT_FLOAT_EQ(vertices[1].position.x, 2.0f * PixelWidth('A', 1024.0f)) << height;
        EXPECT_FLOAT_EQ(vertices[2].position.y, 40.0f) << height;
        EXPECT_FLOAT_EQ(vertices[4].position.x, 2.0f * PixelAdvance('A', 1024.0f)) << height;
    }
}

TEST(FontLayoutTest, BlankAndHighBytesHaveGlyphsOfTheirOwn) {
    InterfaceRig rig;
    InterfaceText element = rig.Text(0.0f, 0.0f);
    rig.Fonts().BuildText(element.object, 0.0f, 0.0f, InterfaceRig::kFont, std::string(" \xff", 2));
    const auto& vertices = RenderObjectOf(element).GetLocalVertices();
    ASSERT_EQ(vertices.size(), 8u);
    EXPECT_FLOAT_EQ(vertices[0].u0, 32 / 256.0f);
    EXPECT_FLOAT_EQ(vertices[4].u0, 255 / 256.0f);
    EXPECT_FLOAT_EQ(vertices[5].u0, 1.0f);
}

TEST(FontLayoutTest, ALayoutReplacesThePreviousOneAndAnEmptyTextKeepsOnlyTheMaterial) {
    InterfaceRig rig;
    InterfaceText element = rig.Text(0.0f, 0.0f);
    rig.Fonts().BuildText(element.object, 0.0f, 0.0f, InterfaceRig::kFont, "LONGER");
    rig.Fonts().BuildText(element.object, 5.0f, 0.0f, InterfaceRig::kFont, "X");
    EXPECT_EQ(RenderObjectOf(element).GetLocalVertices().size(), 4u);
    EXPECT_EQ(RenderObjectOf(element).GetIndices().size(), 6u);
    EXPECT_FLOAT_EQ(RenderObjectOf(element).GetLocalVertices()[0].position.x, 5.0f);

    rig.Fonts().BuildText(element.object, 0.0f, 0.0f, InterfaceRig::kFont, "");
    EXPECT_TRUE(RenderObjectOf(element).GetLocalVertices().empty());
    EXPECT_TRUE(RenderObjectOf(element).GetWorldVertices().empty());
    EXPECT_TRUE(RenderObjectOf(element).GetIndices().empty());
    EXPECT_EQ(RenderObjectOf(element).GetMaterial().Get(), rig.Material());
}

TEST(FontLayoutTest, ObjectsItCannotLayOutAreLeftAsTheyWere) {
    InterfaceRig rig;
    InterfaceText element = rig.Text(0.0f, 0.0f);
    rig.Fonts().BuildText(element.object, 0.0f, 0.0f, InterfaceRig::kFont, "AB");
    CPGameObject node("node");  // render kind 5

    EXPECT_FALSE(rig.Fonts().BuildText(CPSmartPtr<CPGameObject>(&node), 0.0f, 0.0f, InterfaceRig::kFont, "A"));
    EXPECT_FALSE(rig.Fonts().BuildText(CPSmartPtr<CPGameObject>(), 0.0f, 0.0f, InterfaceRig::kFont, "A"));
    EXPECT_FALSE(rig.Fonts().BuildText(element.object, 0.0f, 0.0f, "no such font", "A"));
    EXPECT_EQ(RenderObjectOf(element).GetLocalVertices().size(), 8u);
}

// 16-bit indices address 65536 vertices: a longer text would wrap its indices onto the first quads.
TEST(FontLayoutTest, ATextBeyondTheIndexRangeIsCutAtTheLastAddressableQuad) {
    InterfaceRig rig;
    InterfaceText element = rig.Text(0.0f, 0.0f);
    rig.Fonts().BuildText(element.object, 0.0f, 0.0f, InterfaceRig::kFont, std::string(CPFontManager::kMaxQuads + 10, 'A'));
    const CPRenderObject& renderObject = RenderObjectOf(element);
    ASSERT_EQ(renderObject.GetLocalVertices().size(), 65536u);
    ASSERT_EQ(renderObject.GetIndices().size(), CPFontManager::kMaxQuads * 6);
    EXPECT_EQ(renderObject.GetIndices().back(), 65535);
}

TEST(FontLayoutTest, AFontFiledAgainUnderANameReplacesTheOldOne) {
    InterfaceRig rig;
    CPFont* font = InterfaceRig::MakeFont(rig.Material());
    font->SetHeight(40.0f);
    EXPECT_TRUE(rig.Fonts().AddFont(InterfaceRig::kFont, font));
    EXPECT_FALSE(rig.Fonts().AddFont("other", nullptr));
    EXPECT_EQ(rig.Fonts().FindFont(InterfaceRig::kFont), font);
    EXPECT_EQ(rig.Fonts().FindFont("other"), nullptr);
}

TEST(InterfaceTextTest, SetTextStoresAndLaysOutWhileSetPositionLaysTheStoredTextOutAgain) {
    InterfaceRig rig;
    InterfaceText element = rig.Text(10.0f, 20.0f);

    element.SetPosition(5.0f, 6.0f);  // nothing stored yet: the element shows nothing
    EXPECT_TRUE(RenderObjectOf(element).GetLocalVertices().empty());

    element.SetText("HI");
    EXPECT_EQ(element.text, "HI");
    EXPECT_EQ(RenderObjectOf(element).GetLocalVertices().size(), 8u);

    element.Layout("Z");  // shown once, not stored
    EXPECT_EQ(element.text, "HI");
    element.SetPosition(7.0f, 8.0f);
    ASSERT_EQ(RenderObjectOf(element).GetLocalVertices().size(), 8u);
    EXPECT_FLOAT_EQ(RenderObjectOf(element).GetLocalVertices()[0].position.x, 7.0f);
    EXPECT_FLOAT_EQ(RenderObjectOf(element).GetLocalVertices()[0].position.y, 8.0f);
}

TEST(InterfaceTextTest, WithoutAFontManagerNothingIsLaidOut) {
    InterfaceRig rig;
    InterfaceText element = rig.Text(0.0f, 0.0f);
    ScopedGlobal<CPFontManager*> noFonts(gFontManager, nullptr);
    element.SetText("A");
    EXPECT_EQ(element.text, "A");
    EXPECT_TRUE(RenderObjectOf(element).GetLocalVertices().empty());
}

TEST(InterfaceTextTest, ATextObjectIsAKindZeroObjectNamedText) {
    std::unique_ptr<CPGameObject> object(CreateTextObject());
    EXPECT_EQ(object->GetName(), "text");
    EXPECT_EQ(object->GetRenderKind(), kRenderObject);
    ASSERT_NE(object->GetRenderObject(), nullptr);
    EXPECT_EQ(object->GetRenderObject()->GetOwner(), object.get());
}

}  // namespace
