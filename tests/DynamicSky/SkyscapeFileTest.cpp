#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "DynamicSky/SkyscapeFile.h"
#include "support/CloudFileBuilder.h"
#include "support/MathExpect.h"
#include "support/TestData.h"

namespace {
bool Parse(const std::string& text, SkyscapeFile& file) {
    return ParseSkyscapeFile(text.data(), static_cast<uint32_t>(text.size()), file);
}

// A sky written line by line, as a data file would be.
std::string Header(int points, int states, int layers, int groups) {
    return "timescale 2.5\n"
           "first 1\n"
           "radius 500\n"
           "height 0.5\n"
           "segments 16\n"
           "centre 1 2 3\n"
           "texture \"data/textures/my sky.tga\"\n"
           "effect data/effects/sky.fx\n"
           "points " + std::to_string(points) + "\n"
           "states " + std::to_string(states) + "\n"
           "layers " + std::to_string(layers) + "\n"
           "effect0 data/effects/l0.fx\n"
           "effect1 data/effects/l1.fx\n"
           "groups " + std::to_string(groups) + "\n"
           "records rec.txt\n";
}

std::string KeyState(int points, int layers, int doubling) {
    std::string text = "duration 12\nalpha 200\nangle 90\ngrey 3\n";
    for (int i = 0; i < points; ++i) text += "point " + std::to_string(i) + " 10 20\n";
    text += "sun 100 100 100\nambient 10 20 30\nextra1 1 1 1\nextra2 2 2 2\nfog 5 6 7\n";
    text += "fogstart 15\nfogend 300\nspare 9\ndoubling " + std::to_string(doubling) + "\n";
    for (int i = 0; i < layers; ++i) text += "la 180\nle 1\nls 2.5\nlt 1\n";
    return text;
}
}  // namespace

TEST(SkyscapeFileTest, ReadsTheHeaderKeyStatesLayersAndGroupsInFileOrder) {
    const std::string text = Header(2, 1, 1, 2) + KeyState(2, 1, 0) +
                             "axis 0 0 2\nsize 30\ndistance 400\nangle 45\ntextures 2\nt a.tga\nt b.tga\n"
                             "group g1.txt\ngroup g2.txt\n";
    SkyscapeFile file;
    ASSERT_TRUE(Parse(text, file));
    EXPECT_EQ(file.timeScale, 2.5f);
    EXPECT_EQ(file.firstState, 1);
    EXPECT_EQ(file.domeRadius, 500.0f);
    EXPECT_EQ(file.domeHeightScale, 0.5f);
    EXPECT_EQ(file.domeSegments, 16);
    ExpectVec3Near(file.domeCentre, D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(file.domeTexture, "data/textures/my sky.tga");
    EXPECT_EQ(file.domeEffect, "data/effects/sky.fx");
    EXPECT_EQ(file.colourPointCount, 2);
    EXPECT_EQ(file.layerEffects[0], "data/effects/l0.fx");
    EXPECT_EQ(file.layerEffects[1], "data/effects/l1.fx");
    EXPECT_EQ(file.recordFile, "rec.txt");

    ASSERT_EQ(file.keyStates.size(), 1u);
    const SkyKeyState& state = file.keyStates[0];
    EXPECT_EQ(state.duration, 12.0f);
    EXPECT_EQ(state.domeAlpha, 200.0f);
    EXPECT_EQ(state.domeAngle, 90.0f * 0.017453292f);
    EXPECT_EQ(state.greyChannel, 2);
    ASSERT_EQ(state.colourPoints.size(), 2u);
    ExpectVec3Near(state.colourPoints[1], D3DXVECTOR3(1, 10, 20));
    ExpectVec3Near(state.sun, D3DXVECTOR3(100, 100, 100));
    ExpectVec3Near(state.ambient, D3DXVECTOR3(10, 20, 30));
    ExpectVec3Near(state.extra1, D3DXVECTOR3(1, 1, 1));
    ExpectVec3Near(state.extra2, D3DXVECTOR3(2, 2, 2));
    ExpectVec3Near(state.fog, D3DXVECTOR3(5, 6, 7));
    EXPECT_EQ(state.fogStart, 15.0f);
    EXPECT_EQ(state.fogEnd, 300.0f);
    EXPECT_EQ(state.spare, 9.0f);
    EXPECT_EQ(state.layerAngles, std::vector<float>{180.0f * 0.017453292f});
    EXPECT_EQ(state.layerEffects, std::vector<int32_t>{1});
    EXPECT_EQ(state.layerScales, std::vector<float>{2.5f});
    EXPECT_EQ(state.layerTextureSteps, std::vector<int32_t>{1});

    ASSERT_EQ(file.layers.size(), 1u);
    ExpectVec3Near(file.layers[0].axis, D3DXVECTOR3(0, 0, 2));
    EXPECT_EQ(file.layers[0].quadSize, 30.0f);
    EXPECT_EQ(file.layers[0].distance, 400.0f);
    EXPECT_EQ(file.layers[0].baseAngle, 45.0f * 0.017453292f);
    EXPECT_EQ(file.layers[0].textures, (std::vector<std::string>{"a.tga", "b.tga"}));
    EXPECT_EQ(file.groups, (std::vector<std::string>{"g1.txt", "g2.txt"}));
    EXPECT_TRUE(IsValidSkyscapeFile(file));
}

TEST(SkyscapeFileTest, LightDoublingDoublesSunAndAmbientOnlyWhenNotZero) {
    struct Case {
        int doubling;
        float sun;
        float ambientRed;
    };
    for (const Case& c : {Case{2, 200, 20}, Case{1, 200, 20}, Case{0, 100, 10}, Case{-1, 200, 20}}) {
        SCOPED_TRACE(c.doubling);
        SkyscapeFile file;
        ASSERT_TRUE(Parse(Header(1, 1, 0, 0) + KeyState(1, 0, c.doubling), file));
        ExpectVec3Near(file.keyStates[0].sun, D3DXVECTOR3(c.sun, c.sun, c.sun));
        EXPECT_EQ(file.keyStates[0].ambient.x, c.ambientRed);
        EXPECT_EQ(file.keyStates[0].extra1.x, 1.0f);  // the other colours stay as written
        EXPECT_EQ(file.keyStates[0].lightDoubling, c.doubling);
    }
}

// Every key-state block holds four lines per layer after its light doubling line, whatever that value.
TEST(SkyscapeFileTest, EachKeyStateHoldsFourLayerLinesPerLayer) {
    const std::string layers = "axis 0 0 1\nsize 1\ndistance 1\nangle 0\ntextures 1\nt x.tga\n";
    const std::string text = Header(1, 2, 3, 0) + KeyState(1, 3, 0) + KeyState(1, 3, 7) + layers + layers + layers;
    SkyscapeFile file;
    ASSERT_TRUE(Parse(text, file));
    ASSERT_EQ(file.keyStates.size(), 2u);
    EXPECT_EQ(file.keyStates[1].layerScales, (std::vector<float>{2.5f, 2.5f, 2.5f}));
    ASSERT_EQ(file.layers.size(), 3u);
    EXPECT_EQ(file.layers[2].textures, std::vector<std::string>{"x.tga"});
}

TEST(SkyscapeFileTest, ATextShorterThanItsCountsIsRefused) {
    const std::string full = Header(2, 1, 1, 1) + KeyState(2, 1, 0) +
                             "axis 0 0 1\nsize 1\ndistance 1\nangle 0\ntextures 1\nt x.tga\ngroup g.txt\n";
    SkyscapeFile file;
    ASSERT_TRUE(Parse(full, file));
    // Cut after every line: each shorter text misses a line its counts promise.
    size_t end = full.find('\n');
    while (end + 1 < full.size()) {
        SCOPED_TRACE(full.substr(0, end));
        EXPECT_FALSE(Parse(full.substr(0, end + 1), file));
        end = full.find('\n', end + 1);
    }
    // Counts far beyond the text end at the text, without reading or allocating for them.
    EXPECT_FALSE(Parse(Header(2000000000, 1, 0, 0), file));
    EXPECT_FALSE(Parse(Header(1, 2000000000, 0, 0) + KeyState(1, 0, 0), file));
    EXPECT_FALSE(Parse(Header(1, 1, 0, 2000000000) + KeyState(1, 0, 0), file));
}

TEST(SkyscapeFileTest, NegativeCountsReadAsNone) {
    SkyscapeFile file;
    ASSERT_TRUE(Parse(Header(-3, 1, -2, -5) + KeyState(0, 0, 0), file));
    EXPECT_EQ(file.colourPointCount, 0);
    EXPECT_TRUE(file.layers.empty());
    EXPECT_TRUE(file.groups.empty());
    EXPECT_TRUE(file.keyStates[0].colourPoints.empty());
    EXPECT_TRUE(IsValidSkyscapeFile(file));

    ASSERT_TRUE(Parse(Header(1, -1, 0, 0), file));
    EXPECT_TRUE(file.keyStates.empty());
}

TEST(SkyscapeFileTest, ASkyNeedsAKeyStateAndListsMatchingItsCounts) {
    EXPECT_TRUE(IsValidSkyscapeFile(MakeSkyscapeFile(2, 3, 2)));
    EXPECT_FALSE(IsValidSkyscapeFile(MakeSkyscapeFile(0, 3, 2)));
    SkyscapeFile file = MakeSkyscapeFile(2, 3, 2);
    file.keyStates[1].colourPoints.pop_back();
    EXPECT_FALSE(IsValidSkyscapeFile(file));
    file = MakeSkyscapeFile(2, 3, 2);
    file.keyStates[0].layerTextureSteps.push_back(0);
    EXPECT_FALSE(IsValidSkyscapeFile(file));
}

TEST(SkyscapeFileTest, TheTestWriterReadsBackAsTheRecord) {
    SkyscapeFile written = MakeSkyscapeFile(2, 3, 1, 16);
    written.keyStates[1].domeAngle = 1.0f;
    written.keyStates[1].lightDoubling = 1;
    written.keyStates[1].sun = D3DXVECTOR3(50, 60, 70);
    written.keyStates[0].greyChannel = 1;
    written.groups = {"clouds one.txt"};
    SkyscapeFile read;
    ASSERT_TRUE(Parse(SkyscapeFileText(written), read));
    EXPECT_NEAR(read.keyStates[1].domeAngle, 1.0f, 1e-6f);
    ExpectVec3Near(read.keyStates[1].sun, D3DXVECTOR3(50, 60, 70));
    EXPECT_EQ(read.keyStates[0].greyChannel, 1);
    EXPECT_EQ(read.groups, written.groups);
    EXPECT_EQ(read.layers[0].textures, written.layers[0].textures);
}

// The grey channel is stored one-based: the lowest number once overflowed on the way to zero-based.
TEST(SkyscapeFileTest, TheLowestGreyChannelNumberReadsWithoutOverflow) {
    SkyscapeFile written = MakeSkyscapeFile(1, 3, 1, 16);
    written.keyStates[0].greyChannel = 1;
    std::string text = SkyscapeFileText(written);
    const size_t grey = text.find("grey 2");
    ASSERT_NE(grey, std::string::npos);
    text.replace(grey, 6, "grey -2147483648");
    SkyscapeFile read;
    ASSERT_TRUE(Parse(text, read));
    EXPECT_EQ(read.keyStates[0].greyChannel, std::numeric_limits<int32_t>::min());

    // The input that found it.
    SkyscapeFile found;
    Parse(ReadTestData("regressions/sky-grey-channel-lowest-int.sky"), found);
}

