#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "DynamicSky/CloudLayer.h"
#include "platform/FiniteChecks.h"
#include "support/D3DTestSupport.h"
#include "support/EffectFileBuilder.h"
#include "support/MathExpect.h"
#include "support/SkyTestRig.h"

namespace {

// Three textures told apart by their widths, two effects by their technique names.
class CloudLayerTest : public ::testing::Test {
protected:
    CloudLayerTest() {
        mRig.Caches().WriteTexture("c0.png", MakeImageFile(ImageKind::Png, 4, 4));
        mRig.Caches().WriteTexture("c1.png", MakeImageFile(ImageKind::Png, 8, 4));
        mRig.Caches().WriteTexture("c2.png", MakeImageFile(ImageKind::Png, 16, 4));
        mRig.Caches().WriteEffect("first.fx", EffectFileBuilder().Technique("First").Str());
        mRig.Caches().WriteEffect("second.fx", EffectFileBuilder().Technique("Second").Str());
    }

    // A layer with both effects and `textures` of the three, built with half size 10, on a circle of
    // radius 100 about +z, at key scale 1.
    void Build(CloudLayer& layer, int textures = 3) const {
        layer.SetEffectNames("Data\\Effects\\first.fx", "Data\\Effects\\second.fx");
        for (int i = 0; i < textures; ++i) layer.AddTexture("Data\\Textures\\c" + std::to_string(i) + ".png");
        layer.SetAxis({0, 0, 1});
        layer.SetDistance(100.0f);
        layer.BuildQuads(10.0f);
        layer.SetKeyScale(1.0f);
    }

    static UINT TextureWidth(const CloudLayer& layer) {
        if (!layer.GetTexture()) return 0;
        D3DSURFACE_DESC desc{};
        layer.GetTexture()->GetLevelDesc(0, &desc);
        return desc.Width;
    }

    static std::string Technique(const CloudLayer& layer) {
        if (!layer.GetEffect()) return "";
        D3DXTECHNIQUE_DESC desc{};
        layer.GetEffect()->GetTechniqueDesc(layer.GetEffect()->GetCurrentTechnique(), &desc);
        return desc.Name ? desc.Name : "";
    }

    size_t TextureCreations() const {
        return CallsOf(mRig.Device(), D3DCall::D3DXCreateTextureFromFileInMemoryEx).size();
    }

    SkyTestRig mRig{DeviceRecording::On};
};

std::vector<D3DXVECTOR3> WorldPositions(const CloudLayer& layer) {
    std::vector<D3DXVECTOR3> positions;
    for (const CPVertex& vertex : layer.GetWorldVertices()) positions.push_back(vertex.position);
    return positions;
}

// The quad's normal +y comes out of the first triangle's edges as their cross product's opposite
// (the local triangle 0 1 2 winds about -y); it must point at the centre.
void ExpectQuadFacesTheCentre(const CloudLayer& layer) {
    const std::vector<D3DXVECTOR3> world = WorldPositions(layer);
    ASSERT_EQ(world.size(), 4u);
    const D3DXVECTOR3 e1 = world[1] - world[0], e2 = world[2] - world[0];
    D3DXVECTOR3 cross, facing, towardsCentre = -layer.GetOrbitPoint();
    D3DXVec3Cross(&cross, &e1, &e2);
    D3DXVec3Normalize(&facing, &cross);
    D3DXVec3Normalize(&towardsCentre, &towardsCentre);
    ExpectVec3Near(-facing, towardsCentre, 1e-4f);
}
}  // namespace

TEST_F(CloudLayerTest, StartsAtZeroAngleScaleAndIndices) {
    CloudLayer layer;
    EXPECT_EQ(layer.GetEffectIndex(), 0);
    EXPECT_EQ(layer.GetBaseAngle(), 0.0f);
    EXPECT_EQ(layer.GetKeyAngle(), 0.0f);
    EXPECT_EQ(layer.GetKeyScale(), 0.0f);
    EXPECT_EQ(layer.GetTextureIndex(), 0);
    EXPECT_TRUE(layer.GetTextureNames().empty());
    EXPECT_EQ(layer.GetEffectName(0), "");
    EXPECT_EQ(layer.GetEffectName(1), "");
}

TEST_F(CloudLayerTest, BuildQuadsUploadsTheQuadWithTheFirstTextureAndTheSecondEffect) {
    CloudLayer layer;
    Build(layer);

    struct Corner {
        D3DXVECTOR3 position;
        float u, v;
    };
    const Corner corners[4] = {{{-10, 0, -10}, 0, 0}, {{10, 0, -10}, 1, 0}, {{10, 0, 10}, 1, 1}, {{-10, 0, 10}, 0, 1}};
    ASSERT_EQ(layer.GetLocalVertices().size(), 4u);
    ASSERT_EQ(layer.GetWorldVertices().size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const CPVertex& vertex = layer.GetWorldVertices()[i];
        ExpectVec3Near(vertex.position, corners[i].position);
        ExpectVec3Near(vertex.normal, {1, 1, 1});
        EXPECT_EQ(vertex.diffuse, 0xff000014u);
        EXPECT_EQ(vertex.u0, corners[i].u);
        EXPECT_EQ(vertex.v0, corners[i].v);
    }
    EXPECT_EQ(layer.GetIndices(), (std::vector<uint16_t>{0, 1, 2, 0, 2, 3}));
    EXPECT_TRUE(layer.IsUploaded());
    EXPECT_EQ(TextureWidth(layer), 4u);
    EXPECT_EQ(Technique(layer), "Second");
    EXPECT_EQ(layer.GetEffectIndex(), 0);
}

TEST_F(CloudLayerTest, NextTextureLoadsTheNamesInTurn) {
    struct Case {
        int names;
        std::vector<UINT> widths;  // of the textures loaded by four steps
    };
    const Case cases[] = {{3, {8, 16, 4, 8}}, {1, {4, 4, 4, 4}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.names);
        CloudLayer layer;
        Build(layer, c.names);
        for (UINT width : c.widths) {
            const size_t before = TextureCreations();
            layer.NextTexture();
            EXPECT_EQ(TextureCreations(), before + 1);
            EXPECT_EQ(TextureWidth(layer), width);
        }
    }
}

TEST_F(CloudLayerTest, ALayerWithoutTextureNamesLoadsNoTexture) {
    CloudLayer layer;
    Build(layer, 0);
    layer.NextTexture();
    EXPECT_EQ(layer.GetTexture(), nullptr);
    EXPECT_EQ(layer.GetTextureIndex(), 0);
    EXPECT_EQ(TextureCreations(), 0u);
    EXPECT_EQ(Technique(layer), "Second");
}

TEST_F(CloudLayerTest, SelectEffectLoadsEffectKAndIgnoresOtherIndices) {
    CloudLayer layer;
    Build(layer);
    layer.SelectEffect(0);
    EXPECT_EQ(layer.GetEffectIndex(), 0);
    EXPECT_EQ(Technique(layer), "First");
    layer.SelectEffect(1);
    EXPECT_EQ(layer.GetEffectIndex(), 1);
    EXPECT_EQ(Technique(layer), "Second");
    for (int k : {2, -1}) {
        layer.SelectEffect(k);
        EXPECT_EQ(layer.GetEffectIndex(), 1) << k;
        EXPECT_EQ(Technique(layer), "Second") << k;
    }
}

TEST_F(CloudLayerTest, SetAlphaWritesTheTopByteOfEveryWorldVertexAndSurvivesRendering) {
    struct Case {
        int alpha;
        uint32_t colour;
    };
    const Case cases[] = {{128, 0x80000014u}, {0, 0x00000014u}, {255, 0xff000014u}, {300, 0xff000014u},
                          {-5, 0x00000014u}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.alpha);
        CloudLayer layer;
        Build(layer);
        layer.SetAlpha(c.alpha);
        layer.Render(0.016f);
        for (const CPVertex& vertex : layer.GetWorldVertices()) EXPECT_EQ(vertex.diffuse, c.colour);
        for (const CPVertex& vertex : layer.GetLocalVertices()) EXPECT_EQ(vertex.diffuse, 0xff000014u);
    }
}

TEST_F(CloudLayerTest, ALayerWhoseQuadIsNotBuiltChangesAndDrawsNothing) {
    CloudLayer layer;
    layer.SetAlpha(10);
    layer.SetAxis({0, 0, 1});
    layer.SetDistance(100.0f);
    layer.Render(0.016f);
    EXPECT_TRUE(layer.GetWorldVertices().empty());
    ExpectVec3Near(layer.GetOrbitPoint(), {-100, 0, 0}, 1e-4f);
    EXPECT_TRUE(CallsOf(mRig.Device(), D3DCall::DrawIndexedPrimitive).empty());
}

TEST_F(CloudLayerTest, SetAxisTurnsPlusZOntoTheNormalisedAxis) {
    struct Case {
        const char* name;
        D3DXVECTOR3 axis;
        D3DXVECTOR3 unitAxis;
    };
    const Case cases[] = {
        {"up", {0, 0, 1}, {0, 0, 1}},
        {"down", {0, 0, -2}, {0, 0, -1}},
        {"along x", {1, 0, 0}, {1, 0, 0}},
        {"along y, not normalised", {0, 3, 0}, {0, 1, 0}},
        {"slanted", {1, 1, 1}, {0.57735026f, 0.57735026f, 0.57735026f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CloudLayer layer;
        layer.SetAxis(c.axis);
        ExpectVec3Near(layer.GetAxis(), c.unitAxis);
        D3DXVECTOR3 z(0, 0, 1), turned;
        D3DXVec3TransformCoord(&turned, &z, &layer.GetBaseOrientation());
        ExpectVec3Near(turned, c.unitAxis);
    }
}

TEST_F(CloudLayerTest, ALayerAtKeyAngleZeroSitsOppositeItsBaseDirectionAndFacesTheCentre) {
    CloudLayer layer;
    Build(layer);
    layer.Render(0.016f);

    ExpectVec3Near(layer.GetOrbitPoint(), {-100, 0, 0}, 1e-4f);
    // Worked by hand: the normal +y turns onto +x (towards the centre), local +z onto -y and local +x
    // onto -z.
    const std::vector<D3DXVECTOR3> expected = {{-100, 10, 10}, {-100, 10, -10}, {-100, -10, -10}, {-100, -10, 10}};
    const std::vector<D3DXVECTOR3> world = WorldPositions(layer);
    ASSERT_EQ(world.size(), 4u);
    for (size_t i = 0; i < 4; ++i) ExpectVec3Near(world[i], expected[i], 1e-4f);
    // The local quad is untouched.
    ExpectVec3Near(layer.GetLocalVertices()[0].position, {-10, 0, -10});

    // The upload carries the placed quad and one indexed draw of two triangles follows.
    std::vector<CPVertex> uploaded(4);
    std::memcpy(uploaded.data(), layer.GetVertexBuffer()->Bytes().data(), 4 * sizeof(CPVertex));
    for (size_t i = 0; i < 4; ++i) ExpectVec3Near(uploaded[i].position, expected[i], 1e-4f);
    const std::vector<D3DCallRecord> draws = CallsOf(mRig.Device(), D3DCall::DrawIndexedPrimitive);
    ASSERT_EQ(draws.size(), 1u);
    ASSERT_GE(draws[0].args.size(), 6u);
    EXPECT_EQ(draws[0].args[3], 4u);  // vertices
    EXPECT_EQ(draws[0].args[5], 2u);  // triangles
}

TEST_F(CloudLayerTest, KeyAngleTurnsTheLayerBackwardsAboutItsAxisAndKeyScaleSizesIt) {
    struct Case {
        const char* name;
        float baseAngle;
        float keyAngle;
        float keyScale;
        D3DXVECTOR3 orbit;
        float halfDiagonal;  // distance of each corner from the orbit point
    };
    const float r = 70.710678f;
    const Case cases[] = {
        {"key angle a quarter turn back", 0.0f, D3DX_PI / 4, 1.0f, {-r, r, 0}, 10.0f * std::sqrt(2.0f)},
        {"base angle forward", D3DX_PI / 4, 0.0f, 1.0f, {-r, -r, 0}, 10.0f * std::sqrt(2.0f)},
        {"base and key cancel", 0.7f, 0.7f, 3.0f, {-100, 0, 0}, 30.0f * std::sqrt(2.0f)},
        {"scale 0 collapses onto the orbit point", 0.0f, 1.0f, 0.0f, {-54.030231f, 84.147098f, 0}, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CloudLayer layer;
        Build(layer);
        layer.SetBaseAngle(c.baseAngle);
        layer.SetKeyAngle(c.keyAngle);
        layer.SetKeyScale(c.keyScale);
        layer.Render(0.0f);
        ExpectVec3Near(layer.GetOrbitPoint(), c.orbit, 1e-3f);
        D3DXVECTOR3 towardsCentre = -c.orbit;
        D3DXVec3Normalize(&towardsCentre, &towardsCentre);
        for (const D3DXVECTOR3& corner : WorldPositions(layer)) {
            const D3DXVECTOR3 fromOrbit = corner - layer.GetOrbitPoint();
            EXPECT_NEAR(D3DXVec3Length(&fromOrbit), c.halfDiagonal, 1e-3f);
            // The quad lies across the direction to the centre.
            EXPECT_NEAR(D3DXVec3Dot(&fromOrbit, &towardsCentre), 0.0f, 1e-3f);
        }
        if (c.keyScale != 0.0f) ExpectQuadFacesTheCentre(layer);
    }
}

TEST_F(CloudLayerTest, AQuadAboveOrBelowTheCentreStillFacesIt) {
    // Axis z, key angle -pi/2 and +pi/2 put the orbit point on the y axis up to rounding, where the
    // upright reference barely has a vertical plane.
    for (float keyAngle : {D3DX_PI / 2, -D3DX_PI / 2}) {
        SCOPED_TRACE(keyAngle);
        CloudLayer layer;
        Build(layer);
        layer.SetKeyAngle(keyAngle);
        layer.Render(0.0f);
        const D3DXVECTOR3 orbit = layer.GetOrbitPoint();
        EXPECT_NEAR(std::fabs(orbit.y), 100.0f, 1e-3f);
        for (const D3DXVECTOR3& corner : WorldPositions(layer)) {
            EXPECT_TRUE(IsFinite(corner));
            EXPECT_NEAR(corner.y, orbit.y, 1e-3f);
            const D3DXVECTOR3 fromOrbit = corner - orbit;
            EXPECT_NEAR(D3DXVec3Length(&fromOrbit), 10.0f * std::sqrt(2.0f), 1e-3f);
        }
        ExpectQuadFacesTheCentre(layer);
    }
}

TEST_F(CloudLayerTest, ALayerAtDistanceZeroLiesFlatAtTheCentre) {
    // No direction to the centre and no vertical plane: the quad is only scaled.
    CloudLayer layer;
    Build(layer);
    layer.SetDistance(0.0f);
    layer.SetKeyScale(2.0f);
    layer.Render(0.0f);
    ExpectVec3Near(layer.GetOrbitPoint(), {0, 0, 0});
    const std::vector<D3DXVECTOR3> expected = {{-20, 0, -20}, {20, 0, -20}, {20, 0, 20}, {-20, 0, 20}};
    const std::vector<D3DXVECTOR3> world = WorldPositions(layer);
    ASSERT_EQ(world.size(), 4u);
    for (size_t i = 0; i < 4; ++i) ExpectVec3Near(world[i], expected[i]);
}

TEST_F(CloudLayerTest, RenderingEveryFrameReusesTheBuffers) {
    CloudLayer layer;
    Build(layer);
    layer.SetAxis({1, 0, 0});
    IDirect3DVertexBuffer9* const buffer = layer.GetVertexBuffer();
    for (int frame = 0; frame < 3; ++frame) layer.Render(0.016f);
    EXPECT_EQ(layer.GetVertexBuffer(), buffer);
    EXPECT_EQ(CallsOf(mRig.Device(), D3DCall::CreateVertexBuffer).size(), 1u);
    EXPECT_EQ(CallsOf(mRig.Device(), D3DCall::DrawIndexedPrimitive).size(), 3u);
}
