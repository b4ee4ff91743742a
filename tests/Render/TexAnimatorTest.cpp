#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "Render/PTexAnimator.h"
#include "platform/RuntimeRandom.h"
#include "support/FrameTimeScope.h"

namespace {

using Strings = std::vector<std::string>;

CPVertex MakeVertex(float u, float v, uint32_t diffuse = 0xFF123456) {
    CPVertex vertex;
    vertex.u0 = u;
    vertex.v0 = v;
    vertex.diffuse = diffuse;
    return vertex;
}

// Applies the animator once to a copy of `vertex` after a frame of `dt` seconds.
CPVertex ApplyOnce(CPTexAnimator& animator, const CPVertex& vertex, float dt) {
    gDeltaTime = dt;
    CPVertex out;
    animator.Apply(&out, &vertex, 1);
    return out;
}

class TexAnimatorTest : public ::testing::Test {
protected:
    void SetUp() override { RuntimeSrand(1); }
    void TearDown() override { RuntimeSrand(1); }
    FrameTimeScope clock;
};

}  // namespace

TEST_F(TexAnimatorTest, KeywordsAndParametersChooseTheKind) {
    struct Case {
        std::string keyword;
        Strings parameters;
        const char* kind;  // nullptr: no animator
    };
    const std::vector<Case> cases = {
        {"anim", {"4", "4", "12"}, typeid(CPTexAnimAtlas).name()},
        {"ANIM", {"4", "2", "8"}, typeid(CPTexAnimAtlas).name()},
        {"flick", {"3", "100", "200"}, typeid(CPTexAnimFlick).name()},
        {"MovingTex", {"0.5", "-0.25"}, typeid(CPTexAnimMove).name()},
        {"fade", {"100"}, typeid(CPTexAnimFade).name()},
        {"fade", {"-"}, typeid(CPTexAnimFade).name()},  // "-" alone reads as 0
        {"fade", {""}, typeid(CPTexAnimFade).name()},   // an empty parameter is numeric text
        {"environment", {"20"}, typeid(CPTexAnimEnvironment).name()},
        {"fade", {"1", "2"}, nullptr},
        {"movingtex", {"0.5", "x"}, nullptr},
        {"anim", {"4", "4"}, nullptr},
        {"anim", {"1e3", "1", "1"}, nullptr},  // "e" is not numeric text
        {"anim", {"0", "4", "12"}, nullptr},   // no cells
        {"anim", {"4", "-2", "12"}, nullptr},
        {"anim", {"1000", "1000", "12"}, nullptr},  // a million cells
        {"anim ", {"4", "4", "12"}, nullptr},       // whole-string comparison
        {"scroll", {"1"}, nullptr},
        {"", {}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keyword + " " + std::to_string(c.parameters.size()));
        std::unique_ptr<CPTexAnimator> animator = CreateTexAnimator(c.keyword, c.parameters);
        if (!c.kind) {
            EXPECT_FALSE(animator);
            continue;
        }
        ASSERT_TRUE(animator);
        const CPTexAnimator& made = *animator;
        EXPECT_STREQ(typeid(made).name(), c.kind);
    }
}

TEST_F(TexAnimatorTest, AnAtlasWalksItsCellsLeftToRightThenTopToBottom) {
    CPTexAnimAtlas atlas(4, 2, 8.0f);
    ASSERT_EQ(atlas.GetFrameCount(), 8);
    const CPVertex corner = MakeVertex(1.0f, 1.0f);

    CPVertex out = ApplyOnce(atlas, corner, 0.25f);  // int(0.25 * 8) = cell 2
    EXPECT_EQ(atlas.GetFrame(), 2);
    EXPECT_FLOAT_EQ(out.u0, 0.75f);  // 1 * 1/4 + 0.5
    EXPECT_FLOAT_EQ(out.v0, 0.5f);   // 1 * 1/2 + 0

    out = ApplyOnce(atlas, corner, 0.5f);  // 0.75 s: cell 6, second row
    EXPECT_EQ(atlas.GetFrame(), 6);
    EXPECT_FLOAT_EQ(out.u0, 0.75f);
    EXPECT_FLOAT_EQ(out.v0, 1.0f);

    ApplyOnce(atlas, corner, 0.25f);  // 1.0 s: int(8) mod 8
    EXPECT_EQ(atlas.GetFrame(), 0);
}

TEST_F(TexAnimatorTest, AnAtlasRunningBackwardsStaysInsideItsCells) {
    CPTexAnimAtlas atlas(3, 1, -5.0f);
    for (int i = 0; i < 20; ++i) {
        ApplyOnce(atlas, MakeVertex(0, 0), 0.1f);
        EXPECT_GE(atlas.GetFrame(), 0);
        EXPECT_LT(atlas.GetFrame(), 3);
    }
    CPTexAnimAtlas huge(2, 2, 3e38f);  // the cell index from a product past the int range
    ApplyOnce(huge, MakeVertex(0, 0), 10.0f);
    EXPECT_GE(huge.GetFrame(), 0);
    EXPECT_LT(huge.GetFrame(), 4);
}

TEST_F(TexAnimatorTest, AFlickerSwingsBetweenItsLevelsAndOnlyTouchesAlpha) {
    CPTexAnimFlick flick(3.0f, 200, 100);  // amplitude -50 around 150
    int lowest = 255, highest = 0;
    for (int i = 0; i < 400; ++i) {
        const CPVertex out = ApplyOnce(flick, MakeVertex(0, 0, 0xFF123456), 0.01f);
        lowest = std::min(lowest, flick.GetLevel());
        highest = std::max(highest, flick.GetLevel());
        EXPECT_EQ(out.diffuse & 0x00FFFFFF, 0x00FFFFFFu);
        EXPECT_NEAR(static_cast<int>(out.diffuse >> 24), flick.GetLevel(), 1);  // opaque source: alpha = level
    }
    EXPECT_GE(lowest, 100);
    EXPECT_LE(lowest, 102);
    EXPECT_LE(highest, 200);
    EXPECT_GE(highest, 198);

    const CPVertex clear = ApplyOnce(flick, MakeVertex(0, 0, 0x00ABCDEF), 0.01f);
    EXPECT_EQ(clear.diffuse, 0x00FFFFFFu);
}

// At frequency 0 the sine stays 0, so the level is the centre: low plus the truncated half range.
TEST_F(TexAnimatorTest, AStillFlickerHoldsItsCentreLevel) {
    struct Case {
        uint8_t low, high;
        int32_t level;
        uint32_t alphaOf80;  // alpha written for a source alpha of 0x80
    };
    const std::vector<Case> cases = {
        {0, 255, 127, 63},    // half range 127.5: the centre drops the half
        {200, 100, 150, 75},  // a negative half range counts down from low
        {10, 11, 10, 5},
        {255, 255, 255, 128},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.low) + ".." + std::to_string(c.high));
        CPTexAnimFlick flick(0.0f, c.low, c.high);
        const CPVertex out = ApplyOnce(flick, MakeVertex(0, 0, 0x80123456), 0.25f);
        EXPECT_EQ(flick.GetLevel(), c.level);
        EXPECT_EQ(out.diffuse, c.alphaOf80 << 24 | 0x00FFFFFF);
    }
}

TEST_F(TexAnimatorTest, TheFlickerStartsAtARandomPhaseFromTheRuntimeGenerator) {
    RuntimeSrand(7);
    CPTexAnimFlick first(1.0f, 0, 255);
    RuntimeSrand(7);
    CPTexAnimFlick second(1.0f, 0, 255);
    CPTexAnimFlick third(1.0f, 0, 255);
    first.Update(0.0f);
    second.Update(0.0f);
    third.Update(0.0f);
    EXPECT_EQ(first.GetLevel(), second.GetLevel());
    EXPECT_NE(second.GetLevel(), third.GetLevel());
}

TEST_F(TexAnimatorTest, AMovingTextureScrollsAndWrapsItsOffsets) {
    RuntimeSrand(3);
    const float draw = static_cast<float>(RuntimeRand());
    RuntimeSrand(3);
    CPTexAnimMove move(0.25f, -0.5f);
    EXPECT_FLOAT_EQ(move.GetOffsetU(), draw * 0.25f);  // unwrapped until the first update

    const CPVertex out = ApplyOnce(move, MakeVertex(0.1f, 0.2f), 1.0f);
    const float u = WrapTextureOffset(draw * 0.25f + 0.25f);
    const float v = WrapTextureOffset(draw * -0.5f - 0.5f);
    EXPECT_FLOAT_EQ(move.GetOffsetU(), u);
    EXPECT_FLOAT_EQ(move.GetOffsetV(), v);
    EXPECT_FLOAT_EQ(out.u0, 0.1f + u);
    EXPECT_FLOAT_EQ(out.v0, 0.2f + v);
    EXPECT_GE(u, 0.0f);
    EXPECT_LE(u, 1.0f);
    EXPECT_GE(v, 0.0f);
    EXPECT_LE(v, 1.0f);
}

// The one-step wrap must give what the repeated steps give wherever those steps end.
TEST_F(TexAnimatorTest, TheOffsetWrapMatchesTheRepeatedStepsAndEndsWhereTheyWouldNot) {
    auto stepped = [](float x) {
        while (x > 1.0f) x -= 1.0f;
        while (x < 0.0f) x += 1.0f;
        return x;
    };
    const std::vector<float> values = {0.0f,   0.5f,     1.0f,     1.0000001f, 1.25f,     2.0f,      3.75f,
                                       -0.3f,  -1.0f,    -2.3f,    -0.0000001f, 8191.75f, -4096.1f,  123456.7f,
                                       -1e-9f, 16777215.0f, 12345.678f, -9999.999f};
    for (float x : values) {
        SCOPED_TRACE(x);
        EXPECT_EQ(WrapTextureOffset(x), stepped(x));
    }
    EXPECT_EQ(WrapTextureOffset(1e30f), 1.0f);   // a whole number: the steps would stop at 1
    EXPECT_EQ(WrapTextureOffset(-1e30f), 0.0f);
    EXPECT_EQ(WrapTextureOffset(INFINITY), 0.0f);
    EXPECT_EQ(WrapTextureOffset(NAN), 0.0f);

    CPTexAnimMove fast(1e30f, 0.0f);  // speed so large the steps would never end
    ApplyOnce(fast, MakeVertex(0, 0), 0.016f);
    EXPECT_GE(fast.GetOffsetU(), 0.0f);
    EXPECT_LE(fast.GetOffsetU(), 1.0f);
}

TEST_F(TexAnimatorTest, AFadeFallsToZeroStaysThereAndResetRestoresIt) {
    CPTexAnimFade fade(100.0f);
    const std::vector<uint32_t> alphas = {205, 155, 105, 55, 5, 0, 0};
    for (uint32_t alpha : alphas) {
        const CPVertex out = ApplyOnce(fade, MakeVertex(0, 0, 0x80123456), 0.5f);
        EXPECT_EQ(out.diffuse, alpha << 24 | 0x00FFFFFF);
    }
    fade.Reset();
    EXPECT_EQ(ApplyOnce(fade, MakeVertex(0, 0), 0.0f).diffuse, 0xFFFFFFFFu);

    CPTexAnimFade brighten(-100.0f);  // rises, and clamps at opaque instead of wrapping
    EXPECT_EQ(ApplyOnce(brighten, MakeVertex(0, 0), 1.0f).diffuse, 0xFFFFFFFFu);
    CPTexAnimFade broken(NAN);
    EXPECT_EQ(ApplyOnce(broken, MakeVertex(0, 0), 1.0f).diffuse, 0x00FFFFFFu);
}

TEST_F(TexAnimatorTest, EnvironmentCoordinatesComeFromPositionAndNormal) {
    CPTexAnimEnvironment environment(20.0f);
    CPVertex vertex = MakeVertex(0.3f, 0.4f);
    vertex.position = {10.0f, -40.0f, 7.0f};
    vertex.normal = {0.6f, 0.8f, 0.0f};
    environment.Apply(&vertex, &vertex, 1);  // in place
    EXPECT_FLOAT_EQ(vertex.u1, 0.5f + 0.3f);
    EXPECT_FLOAT_EQ(vertex.v1, -2.0f + 0.4f);
    EXPECT_FLOAT_EQ(vertex.u0, 0.3f);
    EXPECT_FLOAT_EQ(vertex.v0, 0.4f);
    EXPECT_EQ(vertex.diffuse, 0xFF123456u);
}

TEST_F(TexAnimatorTest, AListRunsInOrderAndLeavesItsSourceAlone) {
    CPTexAnimatorList list;
    list.push_back(CreateTexAnimator("anim", {"2", "1", "0"}));  // halves u
    list.push_back(CreateTexAnimator("fade", {"0"}));
    const std::vector<CPVertex> source = {MakeVertex(1.0f, 1.0f, 0x00000000), MakeVertex(0.5f, 0.0f)};
    std::vector<CPVertex> batch(2);
    gDeltaTime = 0.1f;
    ApplyTexAnimators(list, batch.data(), source.data(), 2);
    EXPECT_FLOAT_EQ(batch[0].u0, 0.5f);
    EXPECT_FLOAT_EQ(batch[1].u0, 0.25f);
    EXPECT_EQ(batch[0].diffuse, 0xFFFFFFFFu);  // the fade saw the atlas' output, then set alpha
    EXPECT_FLOAT_EQ(source[0].u0, 1.0f);
    EXPECT_EQ(source[0].diffuse, 0u);
}

TEST_F(TexAnimatorTest, ClonesCarryTheStateAndRunOnTheirOwn) {
    CPTexAnimatorList list;
    list.push_back(std::make_unique<CPTexAnimAtlas>(4, 1, 4.0f));
    list.push_back(std::make_unique<CPTexAnimFade>(100.0f));
    ApplyOnce(*list[0], MakeVertex(0, 0), 0.5f);  // cell 2
    ApplyOnce(*list[1], MakeVertex(0, 0), 1.0f);  // level 155

    CPTexAnimatorList copies = CloneTexAnimators(list);
    ASSERT_EQ(copies.size(), 2u);
    auto* atlas = dynamic_cast<CPTexAnimAtlas*>(copies[0].get());
    auto* fade = dynamic_cast<CPTexAnimFade*>(copies[1].get());
    ASSERT_TRUE(atlas && fade);
    EXPECT_EQ(atlas->GetFrame(), 2);
    EXPECT_FLOAT_EQ(atlas->GetColumnOffset(3), 0.75f);
    EXPECT_FLOAT_EQ(fade->GetLevel(), 155.0f);

    ApplyOnce(*atlas, MakeVertex(0, 0), 0.25f);  // only the clone moves on
    EXPECT_EQ(atlas->GetFrame(), 3);
    EXPECT_EQ(dynamic_cast<CPTexAnimAtlas&>(*list[0]).GetFrame(), 2);
}
