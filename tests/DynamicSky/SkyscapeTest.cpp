#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "DynamicSky/Skyscape.h"
#include "Render/PRender.h"
#include "core/Angles.h"
#include "core/ServiceGlobals.h"
#include "platform/RuntimeRandom.h"
#include "simulation/level/CPLevel.h"
#include "support/CloudFileBuilder.h"
#include "support/D3DTestSupport.h"
#include "support/EffectFileBuilder.h"
#include "support/MathExpect.h"
#include "support/ScopedGlobal.h"
#include "support/SkyTestRig.h"

namespace {


// The red, green and blue bytes and the alpha byte of a packed colour.
struct Argb {
    uint32_t a, r, g, b;
    bool operator==(const Argb&) const = default;
};
Argb Unpack(uint32_t c) { return {c >> 24, (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF}; }
std::ostream& operator<<(std::ostream& out, const Argb& c) {
    return out << "(" << c.a << ", " << c.r << ", " << c.g << ", " << c.b << ")";
}

class SkyscapeTest : public ::testing::Test {
protected:
    SkyscapeTest() {
        RuntimeSrand(1);
        mRig.Caches().WriteEffect("dome.fx", EffectFileBuilder().Parameter("texture", "tex0").Str());
        mRig.Caches().WriteEffect("layer0.fx", EffectFileBuilder().Technique("Zero").Str());
        mRig.Caches().WriteEffect("layer1.fx", EffectFileBuilder().Technique("One").Str());
        mRig.Caches().WriteEffect("skyscape_light.fx", EffectFileBuilder().Technique("Light").Str());
        mRig.Device().BeginScene();
    }
    ~SkyscapeTest() override {
        mRig.Device().EndScene();
    }

    // Writes the record file and an empty group file (centre at its index) for every group the sky names.
    void WriteCloudFiles(const SkyscapeFile& file, const std::vector<CloudRecord>& records) {
        mRig.WriteCloudFile(file.recordFile, CloudRecordFileText(records));
        for (size_t i = 0; i < file.groups.size(); ++i) {
            CloudGroupFile group;
            group.centre = D3DXVECTOR3(static_cast<float>(i), 0, 0);
            mRig.WriteCloudFile(file.groups[i], CloudGroupFileText(group));
        }
    }

    std::unique_ptr<Skyscape> Build(const SkyscapeFile& file, const std::vector<CloudRecord>& records = {}) {
        WriteCloudFiles(file, records);
        auto sky = std::make_unique<Skyscape>();
        sky->Apply(file);
        return sky;
    }

    // A sky of one long key state and no layers, with these groups and records: for record switching.
    std::unique_ptr<Skyscape> RecordSky(const std::vector<std::string>& groups,
                                        const std::vector<CloudRecord>& records);

    // Diffuse colour of vertex `column` of dome ring `ring`.
    static Argb DomeColour(const Skyscape& sky, int ring, int column = 0) {
        const size_t columns = static_cast<size_t>(sky.GetDomeSegments()) + 1;
        const size_t index = static_cast<size_t>(ring) * columns + static_cast<size_t>(column);
        return Unpack(sky.GetWorldVertices().at(index).diffuse);
    }

    ScopedGlobal<D3DXVECTOR3> mSun{gSunPosition, D3DXVECTOR3(0, 0, 0)};
    SkyTestRig mRig{DeviceRecording::On};
};

// One key state holding all colours at `colour`, a duration of `duration`.
SkyscapeFile PlainSky(int states, int points, int layers, int segments = 8) {
    SkyscapeFile file = MakeSkyscapeFile(states, points, layers, segments);
    for (SkyKeyState& state : file.keyStates) state.domeAlpha = 255.0f;
    return file;
}

std::unique_ptr<Skyscape> SkyscapeTest::RecordSky(const std::vector<std::string>& groups,
                                                  const std::vector<CloudRecord>& records) {
    SkyscapeFile file = PlainSky(1, 2, 0);
    file.keyStates[0].duration = 1000.0f;
    file.groups = groups;
    return Build(file, records);
}

}  // namespace

// ---- The dome ----

TEST_F(SkyscapeTest, DomeOfEightSegmentsHasThreeRingsOfNineVerticesUpToTheApex) {
    Skyscape sky;
    sky.BuildDome(10.0f, 8, 1.0f, 2.0f, 3.0f, 0.5f);
    const std::vector<CPVertex>& vertices = sky.GetLocalVertices();
    ASSERT_EQ(vertices.size(), 27u);
    ASSERT_EQ(sky.GetIndices().size(), 96u);
    EXPECT_EQ(sky.GetWorldVertices().size(), 27u);
    EXPECT_TRUE(sky.IsUploaded());

    // Ring 0 circles at the centre's height, ring 2 is the apex at H x R above it.
    ExpectVec3Near(vertices[0].position, D3DXVECTOR3(11, 2, 3), 1e-4f);
    ExpectVec3Near(vertices[2].position, D3DXVECTOR3(1, 12, 3), 1e-4f);
    ExpectVec3Near(vertices[8].position, vertices[0].position, 1e-4f);
    for (int j = 0; j < 9; ++j) ExpectVec3Near(vertices[18 + j].position, D3DXVECTOR3(1, 2, 8), 1e-4f);
    for (int j = 0; j < 9; ++j) EXPECT_FLOAT_EQ(vertices[j].u0, 0.25f * static_cast<float>(j));
    EXPECT_FLOAT_EQ(vertices[0].v0, 0.0f);
    EXPECT_FLOAT_EQ(vertices[9].v0, 0.5f);
    EXPECT_FLOAT_EQ(vertices[18].v0, 1.0f);
    // Normals point from the vertex towards the origin of the dome's space.
    D3DXVECTOR3 inwards = -vertices[3].position;
    D3DXVec3Normalize(&inwards, &inwards);
    ExpectVec3Near(vertices[3].normal, inwards);
    EXPECT_EQ(vertices[13].diffuse, 0x80ffffffu);

    EXPECT_EQ(std::vector<uint16_t>(sky.GetIndices().begin(), sky.GetIndices().begin() + 12),
              (std::vector<uint16_t>{0, 9, 10, 0, 10, 1, 1, 10, 11, 1, 11, 2}));
    EXPECT_EQ(sky.GetIndices().back(), 17u);  // last triangle of ring 1: (16, 26, 17)
}

TEST_F(SkyscapeTest, ADomeIsBuiltOnlyWhenItHasSegmentsAndFitsTheBuffers) {
    struct Case {
        int32_t segments;
        size_t vertices;
        size_t indices;
    };
    // 200 segments fill the index buffer exactly; a segment count read from a file must not size a huge mesh.
    for (const Case& c : {Case{0, 0, 0}, Case{-8, 0, 0}, Case{4, 10, 24}, Case{200, 10251, 60000}, Case{201, 0, 0},
                          Case{2000000000, 0, 0}}) {
        SCOPED_TRACE(c.segments);
        Skyscape sky;
        sky.BuildDome(5.0f, c.segments, 0, 0, 0, 1.0f);
        EXPECT_EQ(sky.GetDomeSegments(), c.segments);
        EXPECT_EQ(sky.GetDomeRadius(), 5.0f);
        EXPECT_EQ(sky.GetLocalVertices().size(), c.vertices);
        EXPECT_EQ(sky.GetIndices().size(), c.indices);
    }
}

// ---- Loading ----

TEST_F(SkyscapeTest, AMissingOrBrokenFileLeavesAnEmptySkyThatOnlyClearsDepth) {
    mRig.WriteCloudFile("skyscape2.txt", "timescale 4\nfirst 0\n");  // ends after two lines
    SkyscapeFile noStates = PlainSky(1, 2, 0);
    noStates.keyStates.clear();
    mRig.WriteCloudFile("skyscape3.txt", SkyscapeFileText(noStates));
    for (const char* name : {"skyscape1.txt", "skyscape2.txt", "skyscape3.txt"}) {
        SCOPED_TRACE(name);
        Skyscape sky;
        sky.Load(name);
        EXPECT_TRUE(sky.GetKeyStates().empty());
        EXPECT_TRUE(sky.GetLayers().empty());
        EXPECT_TRUE(sky.GetLocalVertices().empty());
        EXPECT_FALSE(sky.HasRecord());
        EXPECT_NE(sky.GetLightingEffect(), nullptr);  // loaded in every case
        EXPECT_EQ(sky.GetTexture(), nullptr);

        mRig.Device().ClearCalls();
        sky.Render(0.5f);
        ASSERT_EQ(mRig.Device().Calls().size(), 1u) << DescribeCalls(mRig.Device());
        EXPECT_EQ(mRig.Device().Calls()[0].call, D3DCall::Clear);
    }
}

TEST_F(SkyscapeTest, LoadBuildsDomeLayersGroupsAndRecordsFromTheCloudsFolder) {
    SkyscapeFile file = PlainSky(2, 2, 1);
    file.groups = {"a.txt", "b.txt"};
    file.layers[0].textures = {"first.tga", "second.tga"};
    file.keyStates[0].layerEffects[0] = 1;
    file.keyStates[0].layerTextureSteps[0] = 1;
    const std::vector<CloudRecord> records = {MakeCloudRecord("b.txt", 2.0f, 10.0f, 0.5f)};
    WriteCloudFiles(file, records);
    mRig.WriteCloudFile("skyscape1.txt", SkyscapeFileText(file));

    RuntimeSrand(77);
    Skyscape sky;
    sky.Load("skyscape1.txt");
    ASSERT_EQ(sky.GetKeyStates().size(), 2u);
    EXPECT_EQ(sky.GetTimeScale(), 4.0f);
    EXPECT_EQ(sky.GetLocalVertices().size(), 27u);
    EXPECT_NE(sky.GetEffect(), nullptr);
    EXPECT_NE(sky.GetLightingEffect(), nullptr);
    EXPECT_EQ(sky.GetColourPointCount(), 2);
    EXPECT_EQ(sky.GetRowsPerColourStep(), 2);

    ASSERT_EQ(sky.GetLayers().size(), 1u);
    const CloudLayer& layer = *sky.GetLayers()[0];
    EXPECT_EQ(layer.GetEffectName(0), file.layerEffects[0]);
    EXPECT_EQ(layer.GetDistance(), 100.0f);
    // The first transition selected the state's effect and stepped to the next texture.
    EXPECT_EQ(layer.GetEffectIndex(), 1);
    EXPECT_EQ(layer.GetTextureIndex(), 1);

    EXPECT_EQ(sky.GetGroupCount(), 2u);
    ASSERT_NE(sky.FindGroup("b.txt"), nullptr);
    ASSERT_TRUE(sky.HasRecord());
    EXPECT_EQ(sky.GetRecordIndex(), 0);
    EXPECT_EQ(sky.GetRecord(), records[0]);
    EXPECT_EQ(sky.GetGroupQueue(), std::vector<CloudGroup*>{sky.FindGroup("b.txt")});
    EXPECT_TRUE(sky.IsFadingIn());
    EXPECT_EQ(sky.GetFade(), 0.0f);

    // A length drawn in steps of 0.1 between 5 and 14.9: 5 + 0.1 x (r mod 100) with the load's one draw.
    RuntimeSrand(77);
    const int r = RuntimeRand();
    EXPECT_FLOAT_EQ(sky.GetRecordEnd(), 5.0f + 0.1f * static_cast<float>(r % 100));
}

TEST_F(SkyscapeTest, TheFirstStateComesFromTheFileAndOutOfRangeValuesStartAtZero) {
    struct Case {
        int32_t written;
        int32_t index;
    };
    for (const Case& c : {Case{0, 0}, Case{2, 2}, Case{3, 0}, Case{-1, 0}, Case{1000, 0}}) {
        SCOPED_TRACE(c.written);
        SkyscapeFile file = PlainSky(3, 2, 0);
        for (size_t i = 0; i < 3; ++i) file.keyStates[i].domeAlpha = static_cast<float>(10 * i);
        file.firstState = c.written;
        std::unique_ptr<Skyscape> sky = Build(file);
        EXPECT_EQ(sky->GetStateIndex(), c.index);
        EXPECT_EQ(sky->GetCurrent().domeAlpha, static_cast<float>(10 * c.index));
    }
}

TEST_F(SkyscapeTest, AGroupNamedTwiceIsKeptOnce) {
    SkyscapeFile file = PlainSky(1, 2, 0);
    file.groups = {"same.txt", "same.txt"};
    std::unique_ptr<Skyscape> sky = Build(file, {MakeCloudRecord("same.txt")});
    EXPECT_EQ(sky->GetGroupCount(), 1u);
    EXPECT_EQ(sky->GetGroupQueue(), std::vector<CloudGroup*>{sky->FindGroup("same.txt")});
}

// ---- Blending ----

TEST_F(SkyscapeTest, AQuarterSecondAtTimeScaleFourAdvancesTheSkyByOne) {
    SkyscapeFile file = PlainSky(2, 2, 0);
    file.keyStates[0].domeAlpha = 0.0f;
    file.keyStates[1].domeAlpha = 255.0f;
    std::unique_ptr<Skyscape> sky = Build(file);
    sky->Render(0.25f);
    EXPECT_FLOAT_EQ(sky->GetCurrent().domeAlpha, 25.5f);
    EXPECT_FLOAT_EQ(sky->GetStateTime(), 1.0f);
    EXPECT_EQ(DomeColour(*sky, 1).a, 25u);
}

TEST_F(SkyscapeTest, ASingleKeyStateLeadsBackToItselfWithLayersTurningAFullCircle) {
    SkyscapeFile file = PlainSky(1, 2, 2);
    file.keyStates[0].layerAngles = {1.0f, 5.0f};
    file.keyStates[0].domeAlpha = 100.0f;
    std::unique_ptr<Skyscape> sky = Build(file);
    const SkyKeyState& rates = sky->GetRates();
    EXPECT_NEAR(rates.layerAngles[0], kTwoPi / 10.0f, 1e-6f);
    EXPECT_NEAR(rates.layerAngles[1], kTwoPi / 10.0f, 1e-6f);
    EXPECT_EQ(rates.layerScales[0], 0.0f);
    EXPECT_EQ(rates.domeAlpha, 0.0f);
    EXPECT_EQ(rates.fog, D3DXVECTOR3(0, 0, 0));
}

TEST_F(SkyscapeTest, FromTheLastStateLayersTurnForwardIntoTheFirst) {
    SkyscapeFile file = PlainSky(3, 2, 1);
    file.firstState = 2;
    file.keyStates[2].layerAngles = {6.0f};
    file.keyStates[0].layerAngles = {0.3f};
    file.keyStates[2].duration = 4.0f;
    file.keyStates[2].domeAngle = 1.0f;
    file.keyStates[0].domeAngle = 0.2f;
    std::unique_ptr<Skyscape> sky = Build(file);
    EXPECT_NEAR(sky->GetRates().layerAngles[0], (0.3f - 6.0f + kTwoPi) / 4.0f, 1e-6f);
    // The dome's own angle takes no extra turn.
    EXPECT_NEAR(sky->GetRates().domeAngle, (0.2f - 1.0f) / 4.0f, 1e-6f);
}

TEST_F(SkyscapeTest, WhenAStateRunsOutTheNextStartsFromItsOwnValues) {
    SkyscapeFile file = PlainSky(2, 2, 0);
    file.keyStates[0].duration = 1.0f;
    file.keyStates[0].domeAlpha = 0.0f;
    file.keyStates[1].domeAlpha = 200.0f;
    file.keyStates[1].fog = D3DXVECTOR3(9, 9, 9);
    std::unique_ptr<Skyscape> sky = Build(file);

    sky->Render(0.25f);  // exactly the duration: not yet over
    EXPECT_EQ(sky->GetStateIndex(), 0);
    EXPECT_FLOAT_EQ(sky->GetCurrent().domeAlpha, 200.0f);
    sky->Render(0.05f);
    EXPECT_EQ(sky->GetStateIndex(), 1);
    EXPECT_EQ(sky->GetStateTime(), 0.0f);
    EXPECT_EQ(sky->GetCurrent().domeAlpha, 200.0f);
    ExpectVec3Near(sky->GetCurrent().fog, D3DXVECTOR3(9, 9, 9));
    EXPECT_FLOAT_EQ(sky->GetRates().domeAlpha, -20.0f);  // back towards state 0 over 10
}

// A key state of no duration would make every rate a division by zero.
TEST_F(SkyscapeTest, AStateWithoutDurationHoldsItsValuesAndEndsAtTheNextFrame) {
    SkyscapeFile file = PlainSky(2, 2, 1);
    file.keyStates[0].duration = 0.0f;
    file.keyStates[0].domeAlpha = 0.0f;
    file.keyStates[1].domeAlpha = 255.0f;
    file.keyStates[1].layerAngles = {2.0f};
    std::unique_ptr<Skyscape> sky = Build(file);
    EXPECT_EQ(sky->GetRates().domeAlpha, 0.0f);
    EXPECT_EQ(sky->GetRates().layerAngles[0], 0.0f);
    sky->Render(0.1f);
    EXPECT_EQ(sky->GetStateIndex(), 1);
    EXPECT_EQ(sky->GetCurrent().domeAlpha, 255.0f);
    EXPECT_TRUE(std::isfinite(sky->GetRates().domeAlpha));
}

TEST_F(SkyscapeTest, TheFiveColoursAreClampedEveryFrameColourPointsOnlyOnTheDome) {
    SkyscapeFile file = PlainSky(1, 2, 0);
    file.keyStates[0].sun = D3DXVECTOR3(300, -5, 100);
    file.keyStates[0].fog = D3DXVECTOR3(256, 0, 0);
    file.keyStates[0].colourPoints = {D3DXVECTOR3(300, 300, 300), D3DXVECTOR3(300, 300, 300)};
    std::unique_ptr<Skyscape> sky = Build(file);
    sky->Render(0.0f);
    ExpectVec3Near(sky->GetCurrent().sun, D3DXVECTOR3(255, 0, 100));
    ExpectVec3Near(sky->GetCurrent().fog, D3DXVECTOR3(255, 0, 0));
    ExpectVec3Near(sky->GetCurrent().colourPoints[0], D3DXVECTOR3(300, 300, 300));
    EXPECT_EQ(DomeColour(*sky, 0), (Argb{255, 255, 255, 255}));
}

// ---- The dome's colours ----

// n = 32 and P = 5: two rings per colour step; the apex ring takes one step past the last point.
TEST_F(SkyscapeTest, DomeRingsBlendBetweenColourPointsFromTheHorizonUp) {
    SkyscapeFile file = PlainSky(1, 5, 0, 32);
    file.keyStates[0].colourPoints = {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(20, 40, 60), D3DXVECTOR3(40, 40, 40),
                                      D3DXVECTOR3(100, 100, 100), D3DXVECTOR3(200, 250, 10)};
    std::unique_ptr<Skyscape> sky = Build(file);
    ASSERT_EQ(sky->GetRowsPerColourStep(), 2);
    sky->Render(0.0f);
    const std::vector<std::pair<int, Argb>> expected = {
        {0, {255, 10, 20, 30}},    {1, {255, 20, 40, 60}},    {2, {255, 30, 40, 50}},
        {3, {255, 40, 40, 40}},    {5, {255, 100, 100, 100}}, {6, {255, 150, 175, 55}},
        {7, {255, 200, 250, 10}},  {8, {255, 250, 255, 0}},
    };
    for (const auto& [ring, colour] : expected) {
        SCOPED_TRACE(ring);
        EXPECT_EQ(DomeColour(*sky, ring, 0), colour);
        EXPECT_EQ(DomeColour(*sky, ring, 32), colour);
    }
}

TEST_F(SkyscapeTest, DomeKeepsItsColoursWhenTheColourPointsLeaveNoRingsBetweenThem) {
    struct Case {
        int points;
        int segments;
    };
    // One point divides by zero; four points on eight segments leave no ring per step.
    for (const Case& c : {Case{1, 8}, Case{0, 8}, Case{4, 8}}) {
        SCOPED_TRACE(c.points);
        SkyscapeFile file = PlainSky(1, c.points, 0, c.segments);
        for (D3DXVECTOR3& point : file.keyStates[0].colourPoints) point = D3DXVECTOR3(10, 10, 10);
        std::unique_ptr<Skyscape> sky = Build(file);
        EXPECT_EQ(sky->GetRowsPerColourStep(), 0);
        sky->Render(0.1f);
        EXPECT_EQ(sky->GetWorldVertices()[0].diffuse, 0x80ffffffu);
        EXPECT_EQ(CallsOf(mRig.Device(), D3DCall::DrawIndexedPrimitive).size(), 1u);
        mRig.Device().ClearCalls();
    }
}

TEST_F(SkyscapeTest, VerticesFacingAwayFromTheSunGlow) {
    SkyscapeFile file = PlainSky(1, 2, 0);
    file.keyStates[0].colourPoints = {D3DXVECTOR3(100, 100, 100), D3DXVECTOR3(100, 100, 100)};
    std::unique_ptr<Skyscape> sky = Build(file);
    sky->Render(0.0f);  // no sun position yet: nothing glows
    EXPECT_EQ(DomeColour(*sky, 0, 0), (Argb{255, 100, 100, 100}));

    gSunPosition = D3DXVECTOR3(50, 0, 0);
    sky->Render(0.0f);
    // Column 0 sits at +x with its normal along -x, against the sun; column 4 at -x faces it.
    EXPECT_EQ(DomeColour(*sky, 0, 0), (Argb{255, 156, 156, 156}));
    EXPECT_EQ(DomeColour(*sky, 0, 4), (Argb{255, 100, 100, 100}));
    // Column 2 lies across the sun's direction.
    EXPECT_EQ(DomeColour(*sky, 0, 2), (Argb{255, 100, 100, 100}));
}

TEST_F(SkyscapeTest, TheDomeTurnsAboutTheYAxisThroughItsCentre) {
    SkyscapeFile file = PlainSky(1, 2, 0);
    file.domeCentre = D3DXVECTOR3(10, 0, 0);
    file.keyStates[0].domeAngle = kHalfPi;
    std::unique_ptr<Skyscape> sky = Build(file);
    sky->Render(0.0f);
    // Ring 0, column 0 lies R along +x from the centre; turning by -angle about y brings it to +z.
    ExpectVec3Near(sky->GetLocalVertices()[0].position, D3DXVECTOR3(110, 0, 0), 1e-4f);
    ExpectVec3Near(sky->GetWorldVertices()[0].position, D3DXVECTOR3(10, 0, 100), 1e-3f);
}

// ---- Grey records and fading ----

TEST_F(SkyscapeTest, AGreyRecordFadesColoursToGreyAndTheLayersOut) {
    SkyscapeFile file = PlainSky(1, 2, 2);
    file.keyStates[0].greyChannel = 0;
    file.keyStates[0].fog = D3DXVECTOR3(100, 50, 30);
    file.keyStates[0].ambient = D3DXVECTOR3(15, 90, 90);
    file.groups = {"g.txt"};
    std::unique_ptr<Skyscape> sky = Build(file, {MakeCloudRecord("g.txt", 2.0f, 100.0f, 0.0f, 1)});

    sky->Render(0.0f);  // fade 0: shown colours are the current ones, layers fully visible
    EXPECT_EQ(gRenderer->mFogColor, 0xFF64321Eu);
    EXPECT_EQ(Unpack(sky->GetLayers()[0]->GetWorldVertices()[0].diffuse).a, 255u);
    EXPECT_EQ(Unpack(sky->GetLayers()[1]->GetWorldVertices()[0].diffuse).a, 255u);

    sky->Render(0.5f);  // a step of 2 reaches the fade time
    EXPECT_EQ(sky->GetFade(), 2.0f);
    EXPECT_EQ(gRenderer->mFogColor, 0xFF505064u);  // grey of red 100: (80, 80, 100)
    EXPECT_EQ(gRenderer->mAmbientColor, 0xFF00000Fu);  // grey of red 15: (0, 0, 15)
    EXPECT_EQ(Unpack(sky->GetLayers()[0]->GetWorldVertices()[0].diffuse).a, 55u);
    EXPECT_EQ(Unpack(sky->GetLayers()[1]->GetWorldVertices()[0].diffuse).a, 0u);
    ExpectVec3Near(sky->GetGrey().fog, D3DXVECTOR3(80, 80, 100));
    ExpectVec3Near(sky->GetCurrent().fog, D3DXVECTOR3(100, 50, 30));
}

// Half way through the fade every shown colour, the dome's included, lies half way to its grey.
TEST_F(SkyscapeTest, HalfWayThroughTheFadeTheDomeAndLayersAreHalfWayToGrey) {
    SkyscapeFile file = PlainSky(1, 2, 2);
    file.keyStates[0].greyChannel = 0;
    file.keyStates[0].colourPoints = {D3DXVECTOR3(100, 50, 30), D3DXVECTOR3(100, 50, 30)};
    file.keyStates[0].sun = D3DXVECTOR3(200, 100, 0);
    file.groups = {"g.txt"};
    std::unique_ptr<Skyscape> sky = Build(file, {MakeCloudRecord("g.txt", 2.0f, 100.0f, 0.0f, 1)});
    sky->Render(0.25f);  // a step of 1: fade 1 of 2
    ASSERT_EQ(sky->GetFade(), 1.0f);
    // Grey of (100, 50, 30) on red is (80, 80, 100); half way there is (90, 65, 65).
    for (int ring = 0; ring < 3; ++ring) EXPECT_EQ(DomeColour(*sky, ring), (Argb{255, 90, 65, 65}));
    ExpectVec3Near(sky->GetCurrent().colourPoints[0], D3DXVECTOR3(100, 50, 30));
    // The sun's light too: grey of (200, 100, 0) is (180, 180, 200), half way (190, 140, 100).
    EXPECT_EQ(mRig.Level().mSunLight.Diffuse.r, 190.0f / 256.0f);
    EXPECT_EQ(mRig.Level().mSunLight.Diffuse.g, 140.0f / 256.0f);
    EXPECT_EQ(mRig.Level().mSunLight.Diffuse.b, 100.0f / 256.0f);
    // The sun layer fades towards 55 (255 - 1 x 200 / 2), the others towards 0 (255 - 1 x 255 / 2).
    EXPECT_EQ(Unpack(sky->GetLayers()[0]->GetWorldVertices()[0].diffuse).a, 155u);
    EXPECT_EQ(Unpack(sky->GetLayers()[1]->GetWorldVertices()[0].diffuse).a, 127u);
}

TEST_F(SkyscapeTest, ANonGreyRecordLeavesColoursAndLayerAlphaAlone) {
    SkyscapeFile file = PlainSky(1, 2, 1);
    file.keyStates[0].fog = D3DXVECTOR3(100, 50, 30);
    file.groups = {"g.txt"};
    std::unique_ptr<Skyscape> sky = Build(file, {MakeCloudRecord("g.txt", 2.0f, 100.0f, 0.0f, 0)});
    sky->GetLayers()[0]->SetAlpha(7);
    sky->Render(0.5f);
    EXPECT_EQ(sky->GetFade(), 2.0f);
    EXPECT_EQ(gRenderer->mFogColor, 0xFF64321Eu);
    EXPECT_EQ(Unpack(sky->GetLayers()[0]->GetWorldVertices()[0].diffuse).a, 7u);
}

TEST_F(SkyscapeTest, AGreyChannelOutsideTheColourIsHeldToItsNearestChannel) {
    SkyscapeFile file = PlainSky(1, 2, 0);
    file.keyStates[0].greyChannel = 7;
    file.keyStates[0].fog = D3DXVECTOR3(100, 50, 30);
    file.groups = {"g.txt"};
    std::unique_ptr<Skyscape> sky = Build(file, {MakeCloudRecord("g.txt", 2.0f, 100.0f, 0.0f, 1)});
    sky->Render(0.5f);
    ExpectVec3Near(sky->GetGrey().fog, D3DXVECTOR3(10, 10, 30));
}

TEST_F(SkyscapeTest, TheFadeRisesAndFallsOverTheLastFadeTimeOfTheRecord) {
    SkyscapeFile file = PlainSky(1, 2, 0);
    file.keyStates[0].duration = 1000.0f;
    file.groups = {"g.txt"};
    std::unique_ptr<Skyscape> sky = Build(file, {MakeCloudRecord("g.txt", 2.0f, 10.0f, 0.0f, 1)});
    ASSERT_EQ(sky->GetRecordEnd(), 10.0f);
    std::vector<float> fades;
    std::vector<bool> rising;
    for (int frame = 0; frame < 10; ++frame) {
        sky->Render(0.25f);  // one unit of sky time
        fades.push_back(sky->GetFade());
        rising.push_back(sky->IsFadingIn());
    }
    EXPECT_EQ(fades, (std::vector<float>{1, 2, 2, 2, 2, 2, 2, 2, 1, 0}));
    // From a timer of 8 the record has no more than its fade time left.
    EXPECT_EQ(rising, (std::vector<bool>{true, true, true, true, true, true, true, false, false, false}));
}

// A record whose fade time is 0 would divide by it for the fade factor and the layers' alpha.
TEST_F(SkyscapeTest, AGreyRecordWithoutFadeTimeShowsNoGrey) {
    SkyscapeFile file = PlainSky(1, 2, 1);
    file.keyStates[0].fog = D3DXVECTOR3(100, 50, 30);
    file.groups = {"g.txt"};
    std::unique_ptr<Skyscape> sky = Build(file, {MakeCloudRecord("g.txt", 0.0f, 100.0f, 0.0f, 1)});
    sky->Render(0.5f);
    EXPECT_EQ(gRenderer->mFogColor, 0xFF64321Eu);
    EXPECT_EQ(Unpack(sky->GetLayers()[0]->GetWorldVertices()[0].diffuse).a, 255u);
}

// ---- Cloud records and groups ----

TEST_F(SkyscapeTest, WhenARecordRunsOutAnotherIsDrawnAndItsGroupSwitchedOn) {
    std::unique_ptr<Skyscape> sky = RecordSky(
        {"a.txt", "b.txt"}, {MakeCloudRecord("a.txt", 1.0f, 1.0f, 0.5f), MakeCloudRecord("b.txt", 1.0f, 50.0f, 0.5f)});
    CloudGroup* a = sky->FindGroup("a.txt");
    CloudGroup* b = sky->FindGroup("b.txt");
    ASSERT_LT(sky->GetRecordEnd(), 1.5f);

    sky->Render(0.5f);  // a timer of 2 passes any length the first record can have
    EXPECT_EQ(sky->GetRecordIndex(), 1);
    EXPECT_EQ(sky->GetRecord().groupName, "b.txt");
    EXPECT_EQ(sky->GetGroupQueue(), (std::vector<CloudGroup*>{a, b}));
    EXPECT_TRUE(a->IsOff());
    EXPECT_TRUE(b->IsOn());
    EXPECT_EQ(sky->GetRecordTimer(), 0.0f);
    EXPECT_EQ(sky->GetFade(), 0.0f);
    EXPECT_TRUE(sky->IsFadingIn());
    EXPECT_GE(sky->GetRecordEnd(), 25.0f);
    EXPECT_LT(sky->GetRecordEnd(), 75.0f);
}

// One draw picks a record (again while it is the one in force), a second its chance against the record's
// probability (from the start when it fails), and one more the length of the record accepted.
TEST_F(SkyscapeTest, ARecordDrawTakesTheGeneratorsDrawsInThatOrder) {
    const std::vector<CloudRecord> records = {MakeCloudRecord("a.txt", 1.0f, 1.0f, 0.5f),
                                              MakeCloudRecord("b.txt", 1.0f, 20.0f, 0.5f, 0, 0.3f),
                                              MakeCloudRecord("c.txt", 1.0f, 40.0f, 0.25f, 0, 0.6f)};
    int sameRejections = 0;
    int chanceRejections = 0;
    for (uint32_t seed : {2u, 3u, 35u}) {
        SCOPED_TRACE(seed);
        std::unique_ptr<Skyscape> sky = RecordSky({"a.txt", "b.txt", "c.txt"}, records);
        RuntimeSrand(seed);
        sky->Render(0.5f);  // a timer of 2 passes any length record 0 can have

        RuntimeSrand(seed);
        size_t index = 0;
        for (;;) {
            index = static_cast<size_t>(RuntimeRand() % 3);
            if (index == 0) {
                ++sameRejections;
                continue;
            }
            const float chance = static_cast<float>(RuntimeRand() % 100) * 0.01f;
            if (chance > records[index].probability) {
                ++chanceRejections;
                continue;
            }
            break;
        }
        const float d = records[index].baseDuration;
        const float s = records[index].durationSpread;
        const int spread = static_cast<int>(20.0f * d * s);
        const float end = static_cast<float>(RuntimeRand() % spread) * 0.1f + d - d * s;
        EXPECT_EQ(sky->GetRecordIndex(), static_cast<int32_t>(index));
        EXPECT_EQ(sky->GetRecord(), records[index]);
        EXPECT_EQ(sky->GetRecordEnd(), end);
    }
    // The seeds take both ways back to the start of a draw.
    EXPECT_GT(sameRejections, 0);
    EXPECT_GT(chanceRejections, 0);
}

TEST_F(SkyscapeTest, ASwitchToTheGroupAlreadyShownChangesNoGroup) {
    std::unique_ptr<Skyscape> sky =
        RecordSky({"a.txt"}, {MakeCloudRecord("a.txt", 1.0f, 1.0f, 0.5f), MakeCloudRecord("a.txt", 1.0f, 50.0f, 0.5f)});
    CloudGroup* a = sky->FindGroup("a.txt");
    sky->Render(0.5f);
    EXPECT_EQ(sky->GetRecordIndex(), 1);
    EXPECT_EQ(sky->GetGroupQueue(), std::vector<CloudGroup*>{a});
    EXPECT_FALSE(a->IsOn());
    EXPECT_FALSE(a->IsOff());
    EXPECT_EQ(sky->GetFade(), 0.0f);
}

// With no other record that a draw could accept, drawing would never end: the record in force restarts.
TEST_F(SkyscapeTest, WithoutAnotherAcceptableRecordTheRecordInForceStartsOver) {
    struct Case {
        const char* name;
        std::vector<CloudRecord> records;
    };
    const std::vector<Case> cases = {
        {"one record", {MakeCloudRecord("a.txt", 1.0f, 1.0f, 0.5f)}},
        {"others never accepted",
         {MakeCloudRecord("a.txt", 1.0f, 1.0f, 0.5f), MakeCloudRecord("a.txt", 1.0f, 1.0f, 0.5f, 0, -0.5f)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<Skyscape> sky = RecordSky({"a.txt"}, c.records);
        sky->Render(0.5f);
        EXPECT_EQ(sky->GetRecordIndex(), 0);
        EXPECT_EQ(sky->GetRecordTimer(), 0.0f);
        EXPECT_TRUE(sky->IsFadingIn());
        EXPECT_GE(sky->GetRecordEnd(), 0.5f);
    }
}

TEST_F(SkyscapeTest, ARecordWithoutSpreadLastsItsBaseDuration) {
    SkyscapeFile file = PlainSky(1, 2, 0);
    file.groups = {"a.txt"};
    std::unique_ptr<Skyscape> sky = Build(file, {MakeCloudRecord("a.txt", 1.0f, 3.0f, 0.0f)});
    EXPECT_EQ(sky->GetRecordEnd(), 3.0f);
    std::unique_ptr<Skyscape> tiny = Build(file, {MakeCloudRecord("a.txt", 1.0f, 0.01f, 1.0f)});
    EXPECT_EQ(tiny->GetRecordEnd(), 0.0f);  // 20 x 0.01 x 1 truncates to 0: no spread to draw from
}

TEST_F(SkyscapeTest, ARecordNamingNoGroupOfTheSkySwitchesToNoGroup) {
    std::unique_ptr<Skyscape> sky = RecordSky(
        {"a.txt"}, {MakeCloudRecord("nowhere.txt", 1.0f, 1.0f, 0.5f), MakeCloudRecord("a.txt", 1.0f, 1.0f, 0.5f)});
    EXPECT_EQ(sky->GetGroupQueue(), std::vector<CloudGroup*>{nullptr});
    sky->Render(0.5f);
    CloudGroup* a = sky->FindGroup("a.txt");
    EXPECT_EQ(sky->GetGroupQueue(), (std::vector<CloudGroup*>{nullptr, a}));
    EXPECT_TRUE(a->IsOn());
    sky->Render(0.5f);
    EXPECT_EQ(sky->GetGroupQueue(), (std::vector<CloudGroup*>{a, nullptr}));
    EXPECT_TRUE(a->IsOff());
}

TEST_F(SkyscapeTest, ASkyWithoutRecordsRunsWithoutFadingOrSwitching) {
    SkyscapeFile file = PlainSky(1, 2, 1);
    file.keyStates[0].fog = D3DXVECTOR3(100, 50, 30);
    std::unique_ptr<Skyscape> sky = Build(file);
    EXPECT_FALSE(sky->HasRecord());
    for (int i = 0; i < 3; ++i) sky->Render(10.0f);
    EXPECT_EQ(sky->GetFade(), 0.0f);
    EXPECT_TRUE(sky->GetGroupQueue().empty());
    EXPECT_EQ(gRenderer->mFogColor, 0xFF64321Eu);
}

// ---- Sun, lights and the frame's device calls ----

TEST_F(SkyscapeTest, TheSunLayerPlacesTheSunAndLightsTheLevel) {
    SkyscapeFile file = PlainSky(1, 2, 1);
    file.keyStates[0].sun = D3DXVECTOR3(255, 128, 0);
    std::unique_ptr<Skyscape> sky = Build(file);
    gRenderer->AddLight(D3DLIGHT9{});

    sky->Render(0.0f);  // the layer has not been placed yet: its orbit point is still the origin
    EXPECT_EQ(gSunPosition, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(gRenderer->GetLightCount(), 0);
    EXPECT_EQ(CallsOf(mRig.Device(), D3DCall::SetLight).size(), 2u);

    sky->Render(0.0f);
    // Axis +z, base and key angle 0: the layer sits at (-100, 0, 0); the sun shines from there.
    ExpectVec3Near(gSunPosition, D3DXVECTOR3(-10000, 0, 0), 0.05f);
    const D3DLIGHT9& light = mRig.Level().mSunLight;
    ExpectVec3Near(light.Direction, D3DXVECTOR3(1, 0, 0));
    EXPECT_EQ(light.Diffuse.r, 0.99609375f);
    EXPECT_EQ(light.Diffuse.g, 0.5f);
    EXPECT_EQ(light.Diffuse.b, 0.0f);
    EXPECT_EQ(light.Specular.g, 0.5f);
}

TEST_F(SkyscapeTest, ASkyWithoutLayersLeavesTheLightTableAlone) {
    std::unique_ptr<Skyscape> sky = Build(PlainSky(1, 2, 0));
    EXPECT_FALSE(sky->HasSunLayer());
    gRenderer->AddLight(D3DLIGHT9{});
    sky->Render(0.1f);
    EXPECT_EQ(gRenderer->GetLightCount(), 1);
    EXPECT_TRUE(CallsOf(mRig.Device(), D3DCall::SetLight).empty());
}

TEST_F(SkyscapeTest, AFrameSetsFogAndAmbientDrawsDomeAndLayersThenClearsDepth) {
    SkyscapeFile file = PlainSky(1, 2, 2);
    file.keyStates[0].fog = D3DXVECTOR3(1, 2, 3);
    file.keyStates[0].fogStart = 20.0f;
    file.keyStates[0].fogEnd = 400.0f;
    file.keyStates[0].ambient = D3DXVECTOR3(4, 5, 6);
    std::unique_ptr<Skyscape> sky = Build(file);
    sky->SetUseLightingEffect(true);
    mRig.Device().ClearCalls();
    sky->Render(0.1f);

    std::vector<std::string> log;
    for (const D3DCallRecord& record : mRig.Device().Calls()) {
        if (record.call == D3DCall::SetRenderState) {
            if (record.args[0] == D3DRS_FOGCOLOR) log.push_back("fog");
            if (record.args[0] == D3DRS_AMBIENT) log.push_back("ambient");
        } else if (record.call == D3DCall::DrawIndexedPrimitive) {
            log.push_back(record.object == sky->GetVertexBuffer() ? "dome" : "layer");
        } else if (record.call == D3DCall::SetLight) {
            log.push_back("light");
        } else if (record.call == D3DCall::Clear) {
            log.push_back("clear");
        }
    }
    EXPECT_EQ(log, (std::vector<std::string>{"fog", "ambient", "dome", "light", "layer", "layer", "clear"}));
    EXPECT_FALSE(sky->GetUseLightingEffect());  // the dome draws with its own effect
    EXPECT_EQ(gRenderer->mFogColor, 0xFF010203u);
    EXPECT_EQ(gRenderer->mAmbientColor, 0xFF040506u);
}

TEST_F(SkyscapeTest, TransitionsSelectEachLayersEffectAndStepItsTexture) {
    SkyscapeFile file = PlainSky(2, 2, 1);
    file.keyStates[0].duration = 1.0f;
    file.keyStates[1].layerEffects = {1};
    file.keyStates[1].layerTextureSteps = {1};
    file.layers[0].textures = {"t0.tga", "t1.tga", "t2.tga"};
    std::unique_ptr<Skyscape> sky = Build(file);
    const CloudLayer& layer = *sky->GetLayers()[0];
    EXPECT_EQ(layer.GetEffectIndex(), 0);
    EXPECT_EQ(layer.GetTextureIndex(), 0);
    sky->Render(0.5f);  // into state 1
    EXPECT_EQ(layer.GetEffectIndex(), 1);
    EXPECT_EQ(layer.GetTextureIndex(), 1);
    EXPECT_STREQ(layer.GetEffect()->GetCurrentTechnique(), "One");
}

TEST_F(SkyscapeTest, ADomeTooLargeForTheBuffersIsNotDrawnButTheSkyRuns) {
    // The largest count keeps its hundreds of millions of rings per colour step: the frame must not walk
    // rings the dome never got.
    for (int32_t segments : {400, INT32_MAX}) {
        SCOPED_TRACE(segments);
        SkyscapeFile file = PlainSky(1, 2, 1, segments);
        std::unique_ptr<Skyscape> sky = Build(file);
        EXPECT_TRUE(sky->GetLocalVertices().empty());
        EXPECT_EQ(sky->GetRowsPerColourStep(), segments / 4);
        mRig.Device().ClearCalls();
        for (int frame = 0; frame < 3; ++frame) sky->Render(0.1f);
        ASSERT_EQ(CallsOf(mRig.Device(), D3DCall::DrawIndexedPrimitive).size(), 3u);  // the layer only
        EXPECT_EQ(CallsOf(mRig.Device(), D3DCall::Clear).size(), 3u);
    }
}
