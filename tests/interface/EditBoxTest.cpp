#include <gtest/gtest.h>

#include <string>

#include "interface/CPEditBox.h"
#include "support/InterfaceRig.h"

namespace {

constexpr auto Shown = &InterfaceRig::Shown;

void ForgetLayout(const InterfaceText& element) { element.object->GetRenderObject()->GetLocalVertices().clear(); }

TEST(EditBoxTest, ConstructionLaysTheTextOutWithTheUnderscore) {
    InterfaceRig rig;
    const InterfaceText empty = rig.Text(0.0f, 0.0f);
    CPEditBox emptyBox(empty, 8);
    EXPECT_EQ(emptyBox.GetText(), "");
    EXPECT_EQ(Shown(empty), "_");

    // The initial text is kept in full, even beyond the maximum.
    const InterfaceText initial = rig.Text(0.0f, 0.0f);
    CPEditBox initialBox(initial, 3, "name");
    EXPECT_EQ(initialBox.GetText(), "name");
    EXPECT_EQ(Shown(initial), "name_");
}

TEST(EditBoxTest, KeysAreTypedUpperCasedUpToTheMaximumLength) {
    const struct {
        const char* name;
        const char* before;
        int32_t maxLength;
        int32_t key;
        const char* after;
        const char* shown;  // "-": not laid out again
    } cases[] = {
        {"letter upper-cased", "", 4, 'a', "A", "A_"},
        {"digit", "A", 4, '7', "A7", "A7_"},
        {"only the low byte counts", "", 4, 0x100 + 'b', "B", "B_"},
        {"a Latin-1 letter is kept as it is", "", 4, 0xE9, "\xe9", "\xe9_"},
        {"blank", "AB", 4, ' ', "AB ", "AB _"},
        {"backspace", "AB", 4, 8, "A", "A_"},
        {"backspace on empty", "", 4, 8, "", "_"},
        {"letter on full", "ABCD", 4, 'e', "ABCD", "-"},
        {"blank on full", "ABCD", 4, ' ', "ABCD", "-"},
        {"backspace on full", "ABCD", 4, 8, "ABC", "ABC_"},
        {"other key", "AB", 4, '-', "AB", "-"},
        {"zero length takes no letter", "", 0, 'a', "", "-"},
        {"zero length backspace", "", 0, 8, "", "_"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InterfaceRig rig;
        const InterfaceText element = rig.Text(0.0f, 0.0f);
        CPEditBox box(element, c.maxLength, c.before);
        ForgetLayout(element);
        box.ProcessKey(c.key);
        EXPECT_EQ(box.GetText(), c.after);
        EXPECT_EQ(Shown(element), c.shown);
    }
}

TEST(EditBoxTest, SetTextKeepsTheFirstMaximumLengthCharacters) {
    InterfaceRig rig;
    const InterfaceText element = rig.Text(0.0f, 0.0f);
    CPEditBox box(element, 5);
    box.SetText("abcdefgh");
    EXPECT_EQ(box.GetText(), "abcde");
    EXPECT_EQ(Shown(element), "abcde_");
    box.SetText("xy");
    EXPECT_EQ(Shown(element), "xy_");
}

// A negative maximum in a screen file would have let SetText keep any text at all while no key could
// be typed: it counts as 0.
TEST(EditBoxTest, ANegativeMaximumLengthCountsAsZero) {
    InterfaceRig rig;
    const InterfaceText element = rig.Text(0.0f, 0.0f);
    CPEditBox box(element, -3);
    EXPECT_EQ(box.GetMaxLength(), 0);
    box.SetText("abc");
    EXPECT_EQ(box.GetText(), "");
    box.ProcessKey('a');
    EXPECT_EQ(box.GetText(), "");
    EXPECT_EQ(Shown(element), "_");
}

TEST(EditBoxTest, TheBoxDrawsIntoTheElementsObjectAtItsPlace) {
    InterfaceRig rig;
    const InterfaceText element = rig.Text(40.0f, 60.0f);
    CPEditBox box(element, 5);
    EXPECT_EQ(box.GetElement().object.Get(), element.object.Get());
    const auto& vertices = element.object->GetRenderObject()->GetLocalVertices();
    ASSERT_EQ(vertices.size(), 4u);
    EXPECT_FLOAT_EQ(vertices[0].position.x, 40.0f);
    EXPECT_FLOAT_EQ(vertices[0].position.y, 60.0f);
}

}  // namespace
