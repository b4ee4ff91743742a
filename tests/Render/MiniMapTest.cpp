#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Render/CPMiniMap.h"
#include "Render/PEffect.h"
#include "Render/PMaterial.h"
#include "Render/PTexture.h"
#include "Render/PTextureBlock.h"
#include "core/Angles.h"
#include "core/config/Settings.h"
#include "support/DescriptionBuildRig.h"
#include "support/MathExpect.h"
#include "support/MeshFileBuilder.h"
#include "support/RenderDescriptionBuilder.h"
#include "support/ScopedLevel.h"

namespace {

class MiniMapTest : public ::testing::Test {
protected:
    MiniMapTest() {
        gSettings::RestoreInitialValues();
        gSettings::screenHeight = 768;
        rig.WriteMesh("minimap_obj.x", PlainMeshFile({MeshTestNode("frame", 3), MeshTestNode("arrow", 3),
                                                      MeshTestNode("checkpoint", 3)}));
        rig.WriteDescription("minimap_obj.rdf", RenderDescriptionBuilder("minimap_obj.x").Str());
        for (const char* texture : {"mapblur.tga", "mapblur2.tga", "level1/map.tga", "level2/map.tga", "level3/map.tga",
                                    "level4/map.tga"})
            rig.Caches().WriteTexture(texture, MakeImageFile(ImageKind::Tga, 4, 4));
    }
    ~MiniMapTest() override { gSettings::RestoreInitialValues(); }

    static std::vector<std::string> TextureNames(const CPMiniMap& map) {
        std::vector<std::string> names;
        const CPMaterial* material = map.GetMaterial().Get();
        if (!material || !material->GetTextureBlock()) return names;
        for (const CPTexture* texture : material->GetTextureBlock()->GetTextures()) names.push_back(texture->GetName());
        return names;
    }

    struct Filled {
        CPVertex vertices[4];
        uint16_t indices[6];
    };
    static Filled Fill(CPMiniMap& map, uint16_t base = 0) {
        Filled out{};
        EXPECT_TRUE(map.FillVertices(out.vertices, out.indices, base, 0));
        return out;
    }

    DescriptionBuildRig rig;
    ScopedLevel level;
};

TEST_F(MiniMapTest, TheLevelGroupChoosesTheMapAndItsWindow) {
    struct Case {
        int32_t level;
        const char* map;  // null: none
        float window;
    } cases[] = {{1, "level1\\map.tga", 0.175f},  {5, "level1\\map.tga", 0.175f}, {10, "level2\\map.tga", 0.175f},
                 {7, "level3\\map.tga", 0.175f},  {8, "level4\\map.tga", 0.07f},   {12, "level4\\map.tga", 0.07f},
                 {13, nullptr, 0.175f},           {0, nullptr, 0.175f},             {-3, nullptr, 0.175f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        level.Level().mLevelNumber = c.level;
        CPMiniMap map;
        map.Init(0, 300.0f, 300.0f, 0);
        std::vector<std::string> expected = {"mapblur.tga"};
        if (c.map) expected.push_back(c.map);
        expected.push_back("mapblur2.tga");
        EXPECT_EQ(TextureNames(map), expected);
        EXPECT_FLOAT_EQ(map.mWindow, c.window);
        ASSERT_NE(map.GetMaterial().Get(), nullptr);
        EXPECT_EQ(map.GetMaterial()->GetLayerKey(), 198);
    }
}

TEST_F(MiniMapTest, InitSizesAndPlacesTheSquareAndHidesTheSymbols) {
    level.Level().mLevelNumber = 2;
    CPMiniMap map;
    map.Init(7, 300.0f, 500.0f, 9);
    EXPECT_EQ(map.mExtentX, 500.0f);
    EXPECT_EQ(map.mExtentY, 500.0f);
    EXPECT_EQ(map.mScreenX, 40.0f);
    EXPECT_EQ(map.mScreenY, 528.0f);
    ASSERT_TRUE(map.mScene);
    ASSERT_TRUE(map.mArrow);
    ASSERT_TRUE(map.mCheckpoint);
    EXPECT_EQ(map.mArrow->GetName(), "arrow");
    EXPECT_EQ(map.mCheckpoint->GetName(), "checkpoint");
    EXPECT_FALSE(map.mArrow->IsVisible());
    EXPECT_FALSE(map.mCheckpoint->IsVisible());
    EXPECT_TRUE(map.mScene->FindObject("frame")->IsVisible());
    EXPECT_FALSE(map.mTarget);
    EXPECT_FALSE(map.mActiveSymbol);

    // A second Init replaces the scene (the rig sees no object left over at the end).
    map.Init(0, 100.0f, 50.0f, 0);
    EXPECT_EQ(map.mExtentX, 100.0f);
    EXPECT_FALSE(map.mArrow->IsVisible());
}

TEST_F(MiniMapTest, AtTheOriginHeadingMinusAQuarterTheWindowIsCentredAndUnturned) {
    CPMiniMap map;
    map.Init(0, 400.0f, 400.0f, 0);
    const float origin[2] = {0.0f, 0.0f};
    map.SetPlayer(origin, -kHalfPi);
    EXPECT_EQ(map.mCentreU, 200.0f);
    EXPECT_EQ(map.mCentreV, 200.0f);

    const Filled f = Fill(map, 100);
    const float w = 0.175f;
    const struct {
        float x, y, u, v, u1, v1;
    } expected[4] = {{240, 528, 0.5f + w, 0.5f - w, 1, 0},
                     {40, 528, 0.5f - w, 0.5f - w, 0, 0},
                     {40, 728, 0.5f - w, 0.5f + w, 0, 1},
                     {240, 728, 0.5f + w, 0.5f + w, 1, 1}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        ExpectVec3Near(f.vertices[i].position, D3DXVECTOR3(expected[i].x, expected[i].y, 0));
        EXPECT_NEAR(f.vertices[i].u0, expected[i].u, 1e-6f);
        EXPECT_NEAR(f.vertices[i].v0, expected[i].v, 1e-6f);
        EXPECT_EQ(f.vertices[i].u1, expected[i].u1);
        EXPECT_EQ(f.vertices[i].v1, expected[i].v1);
        EXPECT_EQ(f.vertices[i].diffuse, 0xffffffffu);
    }
    const uint16_t indices[6] = {100, 101, 102, 100, 102, 103};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(f.indices[i], indices[i]);
}

TEST_F(MiniMapTest, TheWindowFollowsThePlayerAndTurnsWithTheHeading) {
    CPMiniMap map;
    map.Init(0, 400.0f, 400.0f, 0);
    const float position[2] = {40.0f, -100.0f};  // (0.6, 0.25) on the map
    map.SetPlayer(position, 0.0f);               // a quarter turn from the unturned heading
    const Filled f = Fill(map);
    const float w = 0.175f;
    // Turned a quarter: (u, v) becomes (-v, u).
    const float expected[4][2] = {{0.6f + w, 0.25f + w}, {0.6f + w, 0.25f - w}, {0.6f - w, 0.25f - w},
                                  {0.6f - w, 0.25f + w}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(f.vertices[i].u0, expected[i][0], 1e-5f) << i;
        EXPECT_NEAR(f.vertices[i].v0, expected[i][1], 1e-5f) << i;
    }
}

TEST_F(MiniMapTest, BeforeInitTheFillStaysFinite) {
    CPMiniMap map;
    const float position[2] = {3.0f, 4.0f};
    map.SetPlayer(position, 1.0f);
    const Filled f = Fill(map);
    for (const CPVertex& vertex : f.vertices) {
        EXPECT_TRUE(std::isfinite(vertex.u0));
        EXPECT_TRUE(std::isfinite(vertex.v0));
    }
    map.SetPlayer(nullptr, 2.0f);
    EXPECT_EQ(map.mCentreU, 3.0f);
    EXPECT_EQ(map.mHeading, 2.0f);
}

TEST_F(MiniMapTest, AFillPastTheBatchsAddressableVerticesIsRefused) {
    CPMiniMap map;
    map.Init(0, 100.0f, 100.0f, 0);
    CPVertex vertices[4];
    uint16_t indices[6];
    EXPECT_TRUE(map.FillVertices(vertices, indices, 65532, 0));
    EXPECT_FALSE(map.FillVertices(vertices, indices, 65533, 0));
    EXPECT_FALSE(map.IsSkipped());
    map.SetSkipped(true);
    EXPECT_FALSE(map.IsSkipped());
    EXPECT_EQ(map.GetVertexCount(), 4);
    EXPECT_EQ(map.GetIndexCount(), 6);
}

}  // namespace
