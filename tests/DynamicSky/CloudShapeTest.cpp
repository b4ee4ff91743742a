#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DynamicSky/CloudShape.h"
#include "core/Angles.h"
#include "support/CloudFileBuilder.h"
#include "support/MathExpect.h"
#include "support/TempFolder.h"

namespace {

CloudShapeFile::Puff Puff(D3DXVECTOR3 position, float width, float height, int32_t anchor = 0) {
    CloudShapeFile::Puff puff;
    puff.position = position;
    puff.width = width;
    puff.height = height;
    puff.anchor = anchor;
    return puff;
}

// One anchor at the origin and the given puffs.
CloudShapeFile ShapeFile(std::vector<CloudShapeFile::Puff> puffs) {
    CloudShapeFile file;
    file.anchors = {D3DXVECTOR3(0, 0, 0)};
    file.puffs = std::move(puffs);
    return file;
}

class CloudShapeTest : public ::testing::Test {
protected:
    void WriteShape(const std::string& name, const std::string& text) const {
        mWork.Folder().Write("Data/Clouds/" + name, text);
    }

    ScopedWorkingFolder mWork;
};

void ExpectDefaults(const CloudShape& shape) {
    EXPECT_TRUE(shape.GetPuffs().empty());
    EXPECT_EQ(shape.GetHalfHeight(), 0.0f);
    EXPECT_EQ(shape.GetRadius(), 0.0f);
    EXPECT_EQ(shape.GetSizeValues(), (std::array<float, 2>{20.0f, 20.0f}));
    EXPECT_EQ(shape.GetShadingValues(), (std::array<float, 6>{128, 128, 128, 128, 128, 128}));
    EXPECT_EQ(shape.GetAlpha(), 255.0f);
    EXPECT_EQ(shape.GetTargetAlpha(), 0.0f);
}
}  // namespace

TEST_F(CloudShapeTest, PuffsAreScaledAndTurnedAboutTheVerticalAxis) {
    CloudShapeFile file;
    file.anchors = {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 0, -1)};
    CloudShapeFile::Puff puff = Puff({1, 0, 0}, 3, 4, 1);
    puff.valueA = 7;
    puff.valueB = -2;
    puff.valueC = 0.25f;
    file.puffs = {puff, Puff({0, 0, 5}, 1, 1, 0)};
    WriteShape("turned.txt", CloudShapeFileText(file));

    CloudShape shape;
    shape.Load("turned.txt", 2.0f, kHalfPi);
    EXPECT_EQ(shape.GetScale(), 2.0f);
    EXPECT_EQ(shape.GetRotation(), kHalfPi);
    ASSERT_EQ(shape.GetPuffs().size(), 2u);
    const CloudPuff& first = shape.GetPuffs()[0];
    ExpectVec3Near(first.position, {0, 2, 0});
    EXPECT_EQ(first.valueA, 7);
    EXPECT_EQ(first.valueB, -2);
    EXPECT_EQ(first.valueC, 0.25f);
    EXPECT_EQ(first.width, 6.0f);
    EXPECT_EQ(first.height, 8.0f);
    EXPECT_EQ(first.owner, &shape);
    // Anchor 1 lands at (0, 2, -2): the normal runs from it to the puff, straight up.
    ExpectVec3Near(first.normal, {0, 0, 1});
    ExpectVec3Near(shape.GetPuffs()[1].position, {0, 0, 10});
    ExpectVec3Near(shape.GetPuffs()[1].normal, {0, 0, 1});
}

TEST_F(CloudShapeTest, ExtentsAreMeasuredFromTheOrigin) {
    struct Case {
        const char* name;
        std::vector<CloudShapeFile::Puff> puffs;
        float halfHeight;
        float radius;
    };
    const std::vector<Case> cases = {
        {"no puffs", {}, 0.0f, 0.0f},
        {"above the origin, r = 5", {Puff({0, 0, 10}, 3, 4)}, 7.5f, 15.0f},
        {"a point on -x", {Puff({-4, 0, 0}, 0, 0)}, 0.0f, 4.0f},
        {"below reaches further than above", {Puff({0, 0, -6}, 0, 1), Puff({0, 0, 2}, 0, 1)}, 3.5f, 7.0f},
        {"widest along y", {Puff({1, -9, 1}, 0, 2)}, 1.5f, 11.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CloudShape shape;
        ASSERT_TRUE(shape.Apply(ShapeFile(c.puffs)));
        EXPECT_FLOAT_EQ(shape.GetHalfHeight(), c.halfHeight);
        EXPECT_FLOAT_EQ(shape.GetRadius(), c.radius);
    }
}

TEST_F(CloudShapeTest, LastEightLinesAreTheSizeValuesSecondFirstThenTheShadingValues) {
    CloudShapeFile file;  // no anchors, no puffs: the eight lines are still read
    file.sizeValues = {11.0f, 22.0f};
    file.shadingValues = {1, 2, 3, 4, 5, 6};
    const std::string text = CloudShapeFileText(file);
    ASSERT_NE(text.find("size2 22\r\nsize1 11\r\n"), std::string::npos);
    WriteShape("flat.txt", text);

    CloudShape shape;
    shape.Load("flat.txt", 1.0f, 0.0f);
    EXPECT_TRUE(shape.GetPuffs().empty());
    EXPECT_EQ(shape.GetSizeValues(), (std::array<float, 2>{11.0f, 22.0f}));
    EXPECT_EQ(shape.GetShadingValues(), (std::array<float, 6>{1, 2, 3, 4, 5, 6}));
}

TEST_F(CloudShapeTest, APuffAtItsAnchorHasAZeroNormal) {
    CloudShape shape;
    ASSERT_TRUE(shape.Apply(ShapeFile({Puff({0, 0, 0}, 1, 1)})));
    ExpectVec3Near(shape.GetPuffs()[0].normal, {0, 0, 0});
}

TEST_F(CloudShapeTest, FilesThatCannotBeUsedLeaveTheDefaults) {
    const std::string good = CloudShapeFileText(ShapeFile({Puff({1, 2, 3}, 1, 1)}));
    const std::string cut = good.substr(0, good.find("shade"));
    struct Case {
        const char* name;
        std::string text;  // empty: no file at all
    };
    const std::vector<Case> cases = {
        {"missing file", ""},
        {"empty file", "\r\n"},
        {"last lines missing", cut},
        {"anchor count beyond the text", "anchors 2147483647\r\na 1 2 3\r\n"},
        {"puff count beyond the text", "anchors 0\r\npuffs 1000000000\r\np 1 2 3\r\nab 1 2\r\n"},
        {"anchor index past the anchors", CloudShapeFileText(ShapeFile({Puff({1, 2, 3}, 1, 1, 1)}))},
        {"negative anchor index", CloudShapeFileText(ShapeFile({Puff({1, 2, 3}, 1, 1, -1)}))},
        {"puff without anchors", CloudShapeFileText([] {
             CloudShapeFile file = ShapeFile({Puff({1, 2, 3}, 1, 1, 0)});
             file.anchors.clear();
             return file;
         }())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.text.empty()) WriteShape("bad.txt", c.text);
        CloudShape shape;
        shape.Load(c.text.empty() ? "absent.txt" : "bad.txt", 3.0f, 0.5f);
        ExpectDefaults(shape);
        EXPECT_EQ(shape.GetScale(), 3.0f);
        EXPECT_EQ(shape.GetRotation(), 0.5f);
    }
}

TEST_F(CloudShapeTest, ParsedFileKeepsTheWrittenValues) {
    const std::string text =
        "anchors 1\n"
        "a 1 2 3\n"
        "puffs 1\n"
        "p 4 5 6\n"
        "v 7 8\n"
        "c 0.5\n"
        "i 0\n"
        "wh 9 10\n"
        "s 1\ns 2\ns 3\ns 4\ns 5\ns 6\ns 7\ns 8\n";
    CloudShapeFile file;
    ASSERT_TRUE(ParseCloudShapeFile(text.data(), static_cast<uint32_t>(text.size()), file));
    ASSERT_EQ(file.anchors.size(), 1u);
    ExpectVec3Near(file.anchors[0], {1, 2, 3});
    ASSERT_EQ(file.puffs.size(), 1u);
    ExpectVec3Near(file.puffs[0].position, {4, 5, 6});
    EXPECT_EQ(file.puffs[0].valueA, 7);
    EXPECT_EQ(file.puffs[0].valueB, 8);
    EXPECT_EQ(file.puffs[0].valueC, 0.5f);
    EXPECT_EQ(file.puffs[0].anchor, 0);
    EXPECT_EQ(file.puffs[0].width, 9.0f);
    EXPECT_EQ(file.puffs[0].height, 10.0f);
    EXPECT_EQ(file.sizeValues, (std::array<float, 2>{2, 1}));
    EXPECT_EQ(file.shadingValues, (std::array<float, 6>{3, 4, 5, 6, 7, 8}));
    EXPECT_TRUE(IsValidCloudShapeFile(file));
}

TEST(CloudShapeSwitchTest, SetsFadeFlagsAndOptionallyRestartsTheAlpha) {
    struct Case {
        bool on;
        bool resetAlpha;
        bool fadingIn;
        bool fadingOut;
        float alpha;
        float targetAlpha;
    };
    // The shape starts from alpha 100 and target 50 so that an untouched alpha shows.
    const Case cases[] = {
        {true, true, true, false, 0.0f, 255.0f},
        {true, false, true, false, 100.0f, 50.0f},
        {false, true, false, true, 255.0f, 0.0f},
        {false, false, false, true, 100.0f, 50.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "on " << c.on << " reset " << c.resetAlpha);
        CloudShape shape;
        EXPECT_FALSE(shape.IsUpdatePending());
        EXPECT_FALSE(shape.IsSecondUpdatePending());
        shape.SetAlpha(100.0f);
        shape.SetTargetAlpha(50.0f);
        shape.Switch(c.on, c.resetAlpha);
        EXPECT_EQ(shape.IsFadingIn(), c.fadingIn);
        EXPECT_EQ(shape.IsFadingOut(), c.fadingOut);
        EXPECT_EQ(shape.GetAlpha(), c.alpha);
        EXPECT_EQ(shape.GetTargetAlpha(), c.targetAlpha);
        EXPECT_TRUE(shape.IsUpdatePending());
        EXPECT_TRUE(shape.IsSecondUpdatePending());
    }
}
