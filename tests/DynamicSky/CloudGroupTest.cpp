#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DynamicSky/CloudGroup.h"
#include "core/Angles.h"
#include "support/CloudFileBuilder.h"
#include "support/MathExpect.h"
#include "support/TempFolder.h"

namespace {
class CloudGroupTest : public ::testing::Test {
protected:
    CloudGroupTest() {
        CloudShapeFile puff;
        puff.anchors = {D3DXVECTOR3(0, 0, 0)};
        CloudShapeFile::Puff one;
        one.position = D3DXVECTOR3(1, 0, 0);
        one.width = 1.0f;
        puff.puffs = {one};
        Write("puff.txt", CloudShapeFileText(puff));
    }

    void Write(const std::string& name, const std::string& text) const {
        mWork.Folder().Write("Data/Clouds/" + name, text);
    }

    static CloudGroupFile Group(std::vector<CloudGroupFile::Block> blocks) {
        CloudGroupFile file;
        file.centre = D3DXVECTOR3(100, 200, 300);
        file.headerFloat1 = 1.5f;
        file.headerInt = 7;
        file.headerVector = D3DXVECTOR3(4, 5, 6);
        file.headerFloat2 = -2.5f;
        file.blocks = std::move(blocks);
        return file;
    }

    ScopedWorkingFolder mWork;
};
}  // namespace

TEST_F(CloudGroupTest, EachBlockBecomesAShapePlacedAboutTheCentre) {
    Write("group.txt", CloudGroupFileText(Group({
                           CloudBlock("puff.txt", {1, 2, 3}, 2.0f, kHalfPi, 0.75f),
                           CloudBlock("puff.txt", {-10, 0, 5}, 1.0f, 0.0f, 3.0f),
                       })));
    CloudGroup group;
    group.Load("group.txt");

    ExpectVec3Near(group.GetCentre(), {100, 200, 300});
    EXPECT_EQ(group.GetHeaderFloat1(), 1.5f);
    EXPECT_EQ(group.GetHeaderInt(), 7);
    ExpectVec3Near(group.GetHeaderVector(), {4, 5, 6});
    EXPECT_EQ(group.GetHeaderFloat2(), -2.5f);
    EXPECT_FALSE(group.IsOn());
    EXPECT_FALSE(group.IsOff());

    // The same shape file twice gives two separate shapes, each with its block's values.
    ASSERT_EQ(group.GetShapes().size(), 2u);
    const CloudShape& first = *group.GetShapes()[0];
    const CloudShape& second = *group.GetShapes()[1];
    EXPECT_NE(&first, &second);
    ExpectVec3Near(first.GetPosition(), {101, 202, 303});
    ExpectVec3Near(first.GetOffset(), {1, 2, 3});
    EXPECT_EQ(first.GetScale(), 2.0f);
    EXPECT_EQ(first.GetRotation(), kHalfPi);
    ASSERT_EQ(first.GetPuffs().size(), 1u);
    ExpectVec3Near(first.GetPuffs()[0].position, {0, 2, 0});
    EXPECT_EQ(group.GetEntryValue(0), 0.75f);
    ExpectVec3Near(second.GetPosition(), {90, 200, 305});
    ExpectVec3Near(second.GetPuffs()[0].position, {1, 0, 0});
    EXPECT_EQ(group.GetEntryValue(1), 3.0f);
}

TEST_F(CloudGroupTest, ABlockWhoseShapeFileIsMissingGivesAPlacedDefaultShape) {
    Write("group.txt", CloudGroupFileText(Group({CloudBlock("nowhere.txt", {1, 1, 1}, 4.0f)})));
    CloudGroup group;
    group.Load("group.txt");
    ASSERT_EQ(group.GetShapes().size(), 1u);
    EXPECT_TRUE(group.GetShapes()[0]->GetPuffs().empty());
    EXPECT_EQ(group.GetShapes()[0]->GetScale(), 4.0f);
    ExpectVec3Near(group.GetShapes()[0]->GetPosition(), {101, 201, 301});
}

TEST_F(CloudGroupTest, ABlockCountOfZeroOrLessGivesTheCentreAndNoShapes) {
    for (const char* count : {"0", "-3"}) {
        SCOPED_TRACE(count);
        Write("empty.txt", "c 5 6 7\nh 1\nh 2\nh 1 2 3\nh 4\nshapes " + std::string(count) + "\n");
        CloudGroup group;
        group.Load("empty.txt");
        ExpectVec3Near(group.GetCentre(), {5, 6, 7});
        EXPECT_EQ(group.GetHeaderInt(), 2);
        EXPECT_TRUE(group.GetShapes().empty());
    }
}

TEST_F(CloudGroupTest, FilesThatCannotBeUsedLeaveTheGroupEmpty) {
    const std::string good = CloudGroupFileText(Group({CloudBlock("puff.txt"), CloudBlock("puff.txt")}));
    struct Case {
        const char* name;
        std::string text;  // empty: no file
    };
    const std::vector<Case> cases = {
        {"missing file", ""},
        {"header cut short", "c 5 6 7\nh 1\n"},
        {"second block cut short", good.substr(0, good.rfind("scale"))},
        {"block count beyond the text", "c 5 6 7\nh 1\nh 2\nh 1 2 3\nh 4\nshapes 2147483647\nfile puff.txt\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.text.empty()) Write("bad.txt", c.text);
        CloudGroup group;
        group.Load(c.text.empty() ? "absent.txt" : "bad.txt");
        EXPECT_TRUE(group.GetShapes().empty());
        ExpectVec3Near(group.GetCentre(), {0, 0, 0});
        EXPECT_EQ(group.GetHeaderInt(), 0);
    }
}

TEST_F(CloudGroupTest, SwitchingFlagsTheGroupAndEveryShape) {
    Write("group.txt", CloudGroupFileText(Group({CloudBlock("puff.txt"), CloudBlock("puff.txt")})));
    CloudGroup group;
    group.Load("group.txt");

    group.SetActive(true, false);  // alpha and target alpha stay as they were
    EXPECT_TRUE(group.IsOn());
    EXPECT_FALSE(group.IsOff());
    for (const CloudShape* shape : group.GetShapes()) {
        EXPECT_TRUE(shape->IsFadingIn());
        EXPECT_FALSE(shape->IsFadingOut());
        EXPECT_EQ(shape->GetAlpha(), 255.0f);
        EXPECT_EQ(shape->GetTargetAlpha(), 0.0f);
        EXPECT_TRUE(shape->IsUpdatePending());
        EXPECT_TRUE(shape->IsSecondUpdatePending());
    }

    group.SetActive(true, true);
    for (const CloudShape* shape : group.GetShapes()) {
        EXPECT_EQ(shape->GetAlpha(), 0.0f);
        EXPECT_EQ(shape->GetTargetAlpha(), 255.0f);
    }

    group.SetActive(false, true);
    EXPECT_FALSE(group.IsOn());
    EXPECT_TRUE(group.IsOff());
    for (const CloudShape* shape : group.GetShapes()) {
        EXPECT_FALSE(shape->IsFadingIn());
        EXPECT_TRUE(shape->IsFadingOut());
        EXPECT_EQ(shape->GetAlpha(), 255.0f);
        EXPECT_EQ(shape->GetTargetAlpha(), 0.0f);
    }
}

TEST_F(CloudGroupTest, PlacingPutsMovedShapesBackAtCentrePlusOffset) {
    Write("group.txt", CloudGroupFileText(Group({CloudBlock("puff.txt", {1, 2, 3})})));
    CloudGroup group;
    group.Load("group.txt");
    group.GetShapes()[0]->SetPosition({0, 0, 0});
    group.PlaceShapes();
    ExpectVec3Near(group.GetShapes()[0]->GetPosition(), {101, 202, 303});
}
