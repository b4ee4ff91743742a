#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Render/PRenderObject.h"
#include "simulation/vehicle/CPLightningShot.h"
#include "support/FrameTimeScope.h"
#include "support/MathExpect.h"
#include "support/RecordingShot.h"
#include "support/ScopedLevel.h"
#include "support/SolidBox.h"

namespace {
const std::vector<std::string> kParams{"enemy", "10", "1.5", "1.5", "razlom.dds", "light_nofog.fx",
                                       "103", "sparks", "none,3d"};

class LightningShotTest : public ::testing::Test {
protected:
    LightningShotTest() { EXPECT_TRUE(bolt.SetParams(kParams)); }

    FrameTimeScope time;
    CPLightningShot bolt{"lightning"};
};
}  // namespace

TEST_F(LightningShotTest, ReadsItsNineParametersAndBuildsTheStrip) {
    EXPECT_EQ(bolt.GetSpeed(), 10.0f);
    EXPECT_EQ(bolt.GetSecondValue(), 1.5f);
    EXPECT_EQ(bolt.GetHalfWidth(), 1.5f);
    EXPECT_EQ(bolt.GetTextureName(), "razlom.dds");
    EXPECT_EQ(bolt.GetEffectName(), "light_nofog.fx");
    EXPECT_EQ(bolt.GetMaterialFlags(), 103);
    EXPECT_EQ(bolt.GetHitEffectName(), "sparks");
    EXPECT_FALSE(bolt.TargetsPlayer());
    EXPECT_EQ(bolt.GetSoundSpec(), "none");

    CPRenderObject* strip = bolt.GetShotMesh();
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(bolt.GetRenderObject(), strip) << "the strip is the render part";
    EXPECT_EQ(strip->GetIndices(), (std::vector<uint16_t>{0, 1, 2, 0, 2, 3}));
    ASSERT_EQ(strip->GetLocalVertices().size(), 4u);
    ASSERT_EQ(strip->GetWorldVertices().size(), 4u);
    const float u[4] = {0, 1, 1, 0}, v[4] = {0, 0, 1, 1};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(strip->GetWorldVertices()[i].diffuse, 0xffffffffu);
        EXPECT_EQ(strip->GetWorldVertices()[i].u0, u[i]);
        EXPECT_EQ(strip->GetWorldVertices()[i].v0, v[i]);
    }
}

TEST(LightningShotRefusalTest, FewerThanNineParametersAreRefusedAndTheBoltIsNeverCloned) {
    CPLightningShot bolt("lightning");
    std::vector<std::string> shortList(kParams.begin(), kParams.end() - 1);
    EXPECT_FALSE(bolt.SetParams(shortList));
    EXPECT_FALSE(bolt.SetParams({}));
    EXPECT_EQ(bolt.GetSpeed(), 0.0f);
    EXPECT_TRUE(bolt.GetShotMesh()->GetIndices().empty());
    EXPECT_FALSE(bolt.Clone());

    ShotFactoryRig rig;
    auto* prototype = new CPLightningShot("lightning");
    rig.Factory().SetPrototype("lightning", prototype);
    rig.Factory().CreateByName("lightning", {}, {1, 0, 0}, -1.0f, nullptr, 0);
    EXPECT_TRUE(rig.Factory().GetHandedOut().empty()) << "a bolt never becomes a factory's object";
}

TEST_F(LightningShotTest, ALaunchValueReplacesTheSecondValueOnlyWhenNotNegative) {
    bolt.Launch(D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(1, 0, 0), -1.0f, nullptr, 0);
    EXPECT_EQ(bolt.GetSecondValue(), 1.5f);
    EXPECT_EQ(bolt.GetTail(), D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(bolt.GetShotMesh()->GetWorldVertices()[1].u0, 1.0f);
    bolt.Launch(D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(1, 0, 0), 4.0f, nullptr, 0);
    EXPECT_EQ(bolt.GetSecondValue(), 4.0f);
}

TEST_F(LightningShotTest, TheBoltRunsOutAfterTwentyUnitsWhateverItsDirectionsLength) {
    for (float length : {1.0f, 2.0f}) {
        SCOPED_TRACE(length);
        bolt.Launch(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(length, 0, 0), -1.0f, nullptr, 0);
        time.SetDelta(0.0f);
        EXPECT_TRUE(bolt.Update()) << "a frame time of 0 leaves the bolt where it is";
        EXPECT_EQ(bolt.GetHead(), D3DXVECTOR3(0, 0, 0));
        time.SetDelta(0.25f);
        int frames = 0;
        while (bolt.Update()) ++frames;
        EXPECT_EQ(frames, 8) << "2 s of frames";
        EXPECT_FLOAT_EQ(bolt.GetHead().x, 20.0f * length);
        CPSmartPtr<CPGameObject> hit;
        EXPECT_EQ(bolt.Advance(hit), CPLightningShot::kSpent);
    }
}

TEST_F(LightningShotTest, TheStripRunsFromTailToHeadAcrossTheView) {
    time.SetDelta(0.1f);
    bolt.Launch(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 0, 0), -1.0f, nullptr, 0);
    CPSmartPtr<CPGameObject> hit;
    ASSERT_EQ(bolt.Advance(hit), CPLightningShot::kFlying);
    EXPECT_FALSE(bolt.IsWorldMatrixChanged()) << "the mesh keeps the positions laid in world space";
    const std::vector<CPVertex>& world = bolt.GetShotMesh()->GetWorldVertices();
    // Without a camera the strip faces up: its side is across the flight, flat.
    ExpectVec3Near(world[0].position, D3DXVECTOR3(0, -1.5f, 0));
    ExpectVec3Near(world[1].position, D3DXVECTOR3(1, -1.5f, 0));
    ExpectVec3Near(world[2].position, D3DXVECTOR3(1, 1.5f, 0));
    ExpectVec3Near(world[3].position, D3DXVECTOR3(0, 1.5f, 0));
}

TEST_F(LightningShotTest, TheBoltStrikesTheFirstUnitOnItsPathAndNotOneBehindIt) {
    ScopedLevel level;
    ShotFactoryRig effects({"sparks"});
    MakeSolidBox(level.Player(), D3DXVECTOR3(0, 50, 0));
    CPPlayer near, behind;
    MakeSolidBox(near, D3DXVECTOR3(5.25f, 0, 0));  // its face at x = 4.25
    MakeSolidBox(behind, D3DXVECTOR3(8, 0, 0));
    level.Level().mEnemies = {&behind, &near};  // the unit behind is tested first

    time.SetDelta(0.05f);  // half a unit per frame
    bolt.Launch(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 0, 0), -1.0f, nullptr, 0);
    CPSmartPtr<CPGameObject> hit;
    int32_t result = CPLightningShot::kFlying;
    int frames = 0;
    while (result == CPLightningShot::kFlying && frames < 100) {
        result = bolt.Advance(hit);
        ++frames;
    }
    EXPECT_EQ(result, CPLightningShot::kHit);
    EXPECT_EQ(hit.Get(), &near);
    EXPECT_EQ(bolt.GetHead().x, 4.0f) << "the head stays at the start of the step that met the unit";
    ASSERT_EQ(effects.Launched().size(), 1u);
    EXPECT_EQ(effects.Launched()[0].kind, "sparks");
    EXPECT_EQ(effects.Launched()[0].position, bolt.GetHead());
    D3DXVECTOR3 normal = effects.Launched()[0].direction;
    D3DXVec3Normalize(&normal, &normal);
    ExpectVec3Near(normal, D3DXVECTOR3(-1, 0, 0));  // along the face that was hit
    EXPECT_EQ(effects.Launched()[0].value, -1.0f);
    EXPECT_EQ(bolt.Advance(hit), CPLightningShot::kHit) << "a hit bolt stays on the unit";
    level.Level().mEnemies.clear();
}

TEST_F(LightningShotTest, ABoltWhoseFirstStepReachesAUnitNeverDrawsBeyondItsLaunchPoint) {
    ScopedLevel level;
    MakeSolidBox(level.Player(), D3DXVECTOR3(2, 0, 0));
    time.SetDelta(0.25f);
    bolt.Launch(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 0, 0), -1.0f, nullptr, 0);
    CPSmartPtr<CPGameObject> hit;
    EXPECT_EQ(bolt.Advance(hit), CPLightningShot::kHit);
    EXPECT_EQ(hit.Get(), &level.Player());
    for (const CPVertex& vertex : bolt.GetShotMesh()->GetWorldVertices())
        EXPECT_EQ(vertex.position, D3DXVECTOR3(0, 0, 0));
}
