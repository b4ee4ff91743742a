#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "Render/PCamera.h"
#include "Render/PSprite.h"
#include "core/CPGameObject.h"
#include "support/FrameTimeScope.h"
#include "support/MathExpect.h"
#include "support/ScopedGlobal.h"

namespace {

D3DXQUATERNION TurnAboutZ(float angle) {
    D3DXQUATERNION q;
    D3DXVECTOR3 z(0, 0, 1);
    return *D3DXQuaternionRotationAxis(&q, &z, angle);
}

// A lamp at the origin on a pole, seen by the current camera from a chosen place.
class SpriteTest : public ::testing::Test {
protected:
    SpriteTest() {
        pole.AddChild(lamp.get());
        pole.UpdateTransform();
        sprite.SetOwner(lamp.get());
    }
    ~SpriteTest() override {
        pole.RemoveChild(lamp.get());
    }

    // Puts the camera at `eye`, looking at `target`.
    void LookFrom(const D3DXVECTOR3& eye, const D3DXVECTOR3& target = {0, 0, 0}) {
        camera.SetEye(eye);
        camera.SetTarget(target);
        camera.Update();
    }
    // The camera on the horizon, `angle` radians around z from the +x axis, 10 away and 3 up.
    void LookFromAngle(float angle) { LookFrom({10 * std::cos(angle), 10 * std::sin(angle), 3}); }

    // Counts, then a fill into buffers of exactly those sizes; false when nothing was written.
    bool Fill(uint16_t baseIndex = 0) {
        quad.assign(static_cast<size_t>(sprite.GetVertexCount()), CPVertex{});
        indices.assign(static_cast<size_t>(sprite.GetIndexCount()), 0xBEEF);
        return sprite.FillVertices(quad.data(), indices.data(), baseIndex, 1);
    }

    CPPerspectiveCamera camera;
    ScopedGlobal<CPPerspectiveCamera*> currentCamera{g_pCurrentCamera, &camera};
    CPGameObject pole{"pole"};
    std::unique_ptr<CPGameObject> lamp = std::make_unique<CPGameObject>("lamp");
    CPSprite sprite{2.0f};
    std::vector<CPVertex> quad;
    std::vector<uint16_t> indices;
};

}  // namespace

TEST_F(SpriteTest, TheQuadFacesTheCameraAtItsOwnersPlace) {
    lamp->SetPosition({0, 0, 5});
    lamp->UpdateTransform();
    LookFrom({-20, 0, 5}, {0, 0, 5});  // looking along +x: the camera's right is world +y, its up world +z
    sprite.SetTextureRect(0.25f, 0.5f, 0.75f, 1.0f);
    ASSERT_TRUE(Fill(40));
    ASSERT_EQ(quad.size(), 4u);
    ExpectVec3Near(quad[0].position, {0, -2, 3});
    ExpectVec3Near(quad[1].position, {0, 2, 3});
    ExpectVec3Near(quad[2].position, {0, 2, 7});
    ExpectVec3Near(quad[3].position, {0, -2, 7});
    EXPECT_EQ(quad[1].u0, 0.75f);
    EXPECT_EQ(quad[1].v0, 0.5f);
    EXPECT_EQ(quad[3].u0, 0.25f);
    EXPECT_EQ(quad[3].v0, 1.0f);
    for (const CPVertex& v : quad) EXPECT_EQ(v.diffuse, 0xFFFFFFFFu);
    EXPECT_EQ(indices, (std::vector<uint16_t>{40, 42, 41, 40, 43, 42}));

    sprite.SetAngle(D3DX_PI / 2);  // a quarter turn about the view axis
    ASSERT_TRUE(Fill());
    ExpectVec3Near(quad[0].position, {0, 2, 3});
}

TEST_F(SpriteTest, NegativeAndZeroConesFixTheColour) {
    LookFromAngle(0);
    struct Case {
        float cone;
        bool visible;
        uint32_t colour;
    };
    const std::vector<Case> cases = {
        {-0.5f, true, 0x7F7F7F7F},  {-0.1f, true, 0x19191919}, {-1.0f, true, 0xFFFFFFFF},
        {-1.5f, true, 0x7E7E7E7E},  // int(382.5) = 0x17E: the low 8 bits, wrapped
        {-3.0f, true, 0xFDFDFDFD},  // 765 = 0x2FD
        {-0.05f, false, 0},         {0.0f, true, 0x12345678},  // 0 keeps the colour last set
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cone);
        sprite.SetColour(0x12345678);
        sprite.SetCone({1, 0, 0}, c.cone);
        EXPECT_EQ(Fill(), c.visible);
        EXPECT_EQ(sprite.GetVertexCount(), c.visible ? 4 : 0);
        EXPECT_EQ(sprite.GetIndexCount(), c.visible ? 6 : 0);
        if (c.visible) {
            EXPECT_EQ(quad[0].diffuse, c.colour);
        }
    }
}

TEST_F(SpriteTest, APositiveConeFadesTowardsItsEdgeAndHidesBeyondIt) {
    sprite.SetCone({1, 0, 0}, 0.5f);
    struct Case {
        float cameraAngle;  // around z from the sprite's direction
        bool visible;
        uint32_t colour;
    };
    const std::vector<Case> cases = {
        {0.0f, true, 0xFFFFFFFF},
        {0.25f, true, 0xA5A5A5A5},   // int(0.65 x 255) = 165
        {-0.25f, true, 0xA5A5A5A5},  // either side
        {0.4999f, true, 0x4C4C4C4C}, // at the edge: 0.3 x 255 = 76
        {0.6f, false, 0},
        {D3DX_PI, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cameraAngle);
        LookFromAngle(c.cameraAngle);
        EXPECT_EQ(Fill(), c.visible);
        EXPECT_EQ(sprite.IsVisible(), c.visible);
        if (c.visible) {
            EXPECT_EQ(quad[0].diffuse, c.colour);
        }
    }
}

TEST_F(SpriteTest, TheConeTurnsWithTheRootObjectOnly) {
    sprite.SetCone({1, 0, 0}, 0.3f);
    LookFromAngle(D3DX_PI / 2);  // the camera stands on +y
    EXPECT_FALSE(Fill());

    CPGameObject arm("arm");  // a node between the owner and the root
    pole.AddChild(&arm);
    arm.AddChild(lamp.get());
    arm.SetRotation(TurnAboutZ(D3DX_PI / 2));
    lamp->SetRotation(TurnAboutZ(D3DX_PI / 2));
    pole.UpdateTransform();
    arm.UpdateTransform();
    EXPECT_FALSE(Fill());  // neither the owner's nor the arm's turn moves the cone

    pole.SetRotation(TurnAboutZ(D3DX_PI / 2));  // the root turns the direction onto +y
    pole.UpdateTransform();
    EXPECT_TRUE(Fill());
    EXPECT_EQ(quad[0].diffuse, 0xFFFFFFFFu);
}

TEST_F(SpriteTest, WithoutACameraOrAnOwnerNothingIsDrawn) {
    LookFromAngle(0);
    g_pCurrentCamera = nullptr;
    EXPECT_EQ(sprite.GetVertexCount(), 0);
    EXPECT_FALSE(Fill());

    g_pCurrentCamera = &camera;
    EXPECT_TRUE(Fill());
    sprite.DetachOwner(lamp.get());
    EXPECT_EQ(sprite.GetOwner(), nullptr);
    EXPECT_EQ(sprite.GetIndexCount(), 0);
    EXPECT_FALSE(Fill());
}

TEST_F(SpriteTest, AnimatorsRunOnTheQuad) {
    FrameTimeScope clock;
    LookFromAngle(0);
    sprite.AddAnimator(CreateTexAnimator("fade", {"100"}));
    sprite.AddAnimator(CreateTexAnimator("anim", {"2", "2", "0"}));
    ASSERT_TRUE(sprite.IsAnimated());
    clock.SetDelta(1.0f);
    ASSERT_TRUE(Fill());
    EXPECT_EQ(quad[2].diffuse, 0x9BFFFFFFu);  // 255 - 100 = 155
    EXPECT_EQ(quad[2].u0, 0.5f);              // the whole texture squeezed into the first cell
}

TEST_F(SpriteTest, NoQuadReachesPastTheLastBatchVertex) {
    LookFromAngle(0);
    EXPECT_FALSE(Fill(65533));
    EXPECT_TRUE(Fill(65532));
    EXPECT_EQ(indices[4], 65535);
}

TEST_F(SpriteTest, ACopyTakesTheSettingsButStartsWithDefaultColourAndRectangle) {
    sprite.SetAngle(0.5f);
    sprite.SetCone({0, 1, 0}, 0.7f);
    sprite.SetColour(0x11223344);
    sprite.SetTextureRect(0.5f, 0.5f, 1, 1);
    sprite.AddAnimator(CreateTexAnimator("fade", {"1"}));
    std::unique_ptr<CPSprite> copy(sprite.CreateCopy());
    EXPECT_EQ(copy->GetHalfSize(), 2.0f);
    EXPECT_EQ(copy->GetAngle(), 0.5f);
    ExpectVec3Near(copy->GetDirection(), {0, 1, 0});
    EXPECT_EQ(copy->GetCone(), 0.7f);
    EXPECT_TRUE(copy->IsAnimated());
    ASSERT_EQ(copy->GetAnimators().size(), 1u);
    EXPECT_NE(copy->GetAnimators()[0].get(), sprite.GetAnimators()[0].get());
    EXPECT_EQ(copy->GetColour(), 0xFFFFFFFFu);
    EXPECT_EQ(copy->GetOwner(), nullptr);
    EXPECT_EQ(copy->GetClassName(), "CPSprite");
}

TEST_F(SpriteTest, AnOwnerThatDiesLetsGoOfItsSprite) {
    CPSprite glow(1.0f);
    auto lantern = std::make_unique<CPGameObject>("lantern");
    glow.SetOwner(lantern.get());
    ASSERT_TRUE(lantern->SetRenderPart(&glow, kRenderSprite));
    LookFromAngle(0);
    EXPECT_EQ(glow.GetVertexCount(), 4);
    lantern.reset();
    EXPECT_EQ(glow.GetOwner(), nullptr);
    EXPECT_EQ(glow.GetVertexCount(), 0);
}
