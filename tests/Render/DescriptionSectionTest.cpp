// The sections of a render description applied to the nodes they name.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "Render/PAnimatedObject.h"
#include "Render/PMaterialManager.h"
#include "Render/PPartAnimation.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "Render/PSprite.h"
#include "core/CPCommandDispatcher.h"
#include "core/CPCommandTask.h"
#include "core/ServiceGlobals.h"
#include "support/ByteBuilder.h"
#include "support/DescriptionBuildRig.h"
#include "support/MeshFileBuilder.h"
#include "support/RenderDescriptionBuilder.h"
#include "support/ScopedGlobal.h"

namespace {

using Keys = std::vector<std::pair<std::string, std::string>>;

class DescriptionSectionTest : public ::testing::Test {
protected:
    // "house.x" holds the root "house" with the children "roof" and "door"; the description gives the
    // section keys to the node named `node`.
    CPGameObject* BuildHouse(const std::string& node, const Keys& keys, int32_t layerOffset = 20,
                             const Keys& extra = {}) {
        CPMeshNodeRecord house = MeshTestNode("house", 3);
        house.children = {MeshTestNode("roof", 4), MeshTestNode("door", 3)};
        rig.WriteMesh("house.x", PlainMeshFile({house}));
        RenderDescriptionBuilder text("house.x");
        for (const auto& [key, value] : extra) text.Key(key, value);
        text.Section(node);
        for (const auto& [key, value] : keys) text.Key(key, value);
        rig.WriteDescription("house.rdf", text.Str());
        return rig.Build("house.rdf", layerOffset);
    }

    CPMaterial* Material(int32_t key, const std::string& effect, const std::vector<std::string>& textures) {
        return gMaterialManager->CreateMaterial(key, effect, textures).Get();
    }
    static CPMaterial* PartMaterial(CPGameObject* object) {
        return object->GetRenderObject()->GetMaterial().Get();
    }

    DescriptionBuildRig rig;
};

// A part-animation file with one one-key track per node name.
std::string PartAnimationFile(const std::vector<std::string>& nodes) {
    ByteBuilder bytes;
    bytes.Int32(static_cast<int32_t>(nodes.size()));
    for (const std::string& node : nodes) {
        bytes.String(node).Int32(1).Float32(0.5f);
        for (int i = 0; i < 12; ++i) bytes.Float32(i % 5 == 0 ? 1.0f : 0.0f);
    }
    return bytes.Str();
}

}  // namespace

TEST_F(DescriptionSectionTest, TheMaterialComesFromTheEffectTexturesAndLayer) {
    struct Case {
        const char* name;
        Keys keys;
        int32_t layerOffset;
        int32_t layerKey;
        const char* effect;
        std::vector<std::string> textures;
    };
    const std::vector<Case> cases = {
        {"effect and texture", {{"effectfile", "simple.fx"}, {"texturefile1", "wall.tga"}}, 20, 20, "simple.fx", {"wall.tga"}},
        {"type added to the offset", {{"effectfile", "simple.fx"}, {"type", "3"}}, 17, 20, "simple.fx", {""}},
        {"third texture without a second", {{"texturefile1", "a.tga"}, {"texturefile3", "c.tga"}}, 0, 0, "", {"a.tga", "c.tga"}},
        {"all four textures", {{"texturefile4", "d"}, {"texturefile2", "b"}, {"texturefile1", "a"}, {"texturefile3", "c"}},
         0, 0, "", {"a", "b", "c", "d"}},
        {"a type that is no number", {{"type", "top"}}, 5, 5, "", {""}},
        {"no section keys", {}, 20, 20, "", {""}},
        // The largest type plus the offset wraps around, as the machine's addition does.
        {"type at the top of the range", {{"type", "2147483647"}}, 20, INT32_MIN + 19, "", {""}},
        {"type at the bottom of the range", {{"type", "-2147483648"}}, -1, INT32_MAX, "", {""}},
    };
    for (const Case& c : cases) {
        CPGameObject* house = BuildHouse("roof", c.keys, c.layerOffset);
        ASSERT_NE(house, nullptr) << c.name;
        EXPECT_EQ(PartMaterial(house->GetChild("roof").Get()), Material(c.layerKey, c.effect, c.textures)) << c.name;
        EXPECT_EQ(PartMaterial(house), Material(c.layerOffset, "", {""})) << c.name << ": a node without a section";
        rig.Delete(house);
    }
}

TEST_F(DescriptionSectionTest, HoleyObjectsGetTheirOwnShadowMaterialOthersTheRenderersDefault) {
    CPMaterial* fallback = Material(16, "shadow.fx", {});
    gRenderer->SetDefaultShadowMaterial(fallback);

    CPGameObject* house = BuildHouse("roof", {{"effectfile", "holey.fx"}, {"texturefile1", "leaf.tga"}, {"shadow", "0"}},
                                     20, {{"sprite", "glow,0,0,1,0.5,"}});
    ASSERT_NE(house, nullptr);
    CPGameObject* roof = house->GetChild("roof").Get();
    EXPECT_EQ(roof->GetShadowMaterial(), Material(16, "holey_shadow.fx", {"leaf.tga"}))
        << "the flag is read before the section's own \"shadow\" key";
    EXPECT_FALSE(roof->HasShadow());
    EXPECT_EQ(house->GetShadowMaterial(), fallback);
    ASSERT_TRUE(house->GetChild("glow"));
    EXPECT_EQ(house->GetChild("glow")->GetShadowMaterial(), nullptr) << "a sprite casts no shadow: it gets none";
    gRenderer->SetDefaultShadowMaterial(nullptr);
}

TEST_F(DescriptionSectionTest, AFireTextureGivesTheObjectAFireMaterialAndLeavesItsPartAlone) {
    rig.WriteTexture("bark_fire.tga");
    CPGameObject* house = BuildHouse("roof", {{"effectfile", "simple.fx"}, {"texturefile1", "bark.tga"}});
    ASSERT_NE(house, nullptr);
    CPGameObject* roof = house->GetChild("roof").Get();
    EXPECT_EQ(roof->GetMaterial(), Material(20, "holey.fx", {"bark_fire.tga"}));
    EXPECT_EQ(PartMaterial(roof), Material(20, "simple.fx", {"bark.tga"}));
    EXPECT_EQ(house->GetMaterial(), nullptr) << "no fire texture for an empty first texture";
}

TEST_F(DescriptionSectionTest, ShadowTexturesJoinTheMaterialWhenTextureAndEffectExist) {
    rig.WriteTexture("shadows/door_s.tga");
    rig.WriteEffect("simple_s.fx");
    rig.WriteTexture("shadows/roof_s.tga");  // no "plain_s.fx" beside it
    CPMeshNodeRecord house = MeshTestNode("house", 3);
    house.children = {MeshTestNode("roof", 4), MeshTestNode("door", 3)};
    rig.WriteMesh("house.x", PlainMeshFile({house}));
    rig.WriteDescription("house.rdf", RenderDescriptionBuilder("house.x")
                                          .Key("shadowtextures", "shadows,_s.tga,_s.fx")
                                          .Section("door")
                                          .Key("effectfile", "simple.fx")
                                          .Key("texturefile1", "wood.tga")
                                          .Section("roof")
                                          .Key("effectfile", "plain.fx")
                                          .Key("texturefile1", "tile.tga")
                                          .Str());
    CPGameObject* root = rig.Build("house.rdf");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(PartMaterial(root->GetChild("door").Get()), Material(20, "simple_s.fx", {"wood.tga", "shadows\\door_s.tga"}));
    EXPECT_EQ(PartMaterial(root->GetChild("roof").Get()), Material(20, "plain.fx", {"tile.tga"}));

    // Without "shadowtextures" in the description, the same files change nothing.
    rig.WriteDescription("house.rdf", RenderDescriptionBuilder("house.x")
                                          .Section("door")
                                          .Key("effectfile", "simple.fx")
                                          .Key("texturefile1", "wood.tga")
                                          .Str());
    CPGameObject* plain = rig.Build("house.rdf");
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(PartMaterial(plain->GetChild("door").Get()), Material(20, "simple.fx", {"wood.tga"}));
}

// A nested build clears the setting at its end: in an animated description the sprites, built after the
// levels of detail, see shadow textures only when no level was built.
TEST_F(DescriptionSectionTest, ShadowTexturesEndWithTheFirstNestedBuild) {
    rig.WriteTexture("shadows/glow_s.tga");
    rig.WriteEffect("simple_s.fx");
    rig.WriteMesh("man.msh", AnimatedMeshFile(AnimatedTestNode("man", 1)));
    rig.WriteMesh("lo.x", PlainMeshFile({MeshTestNode("lo", 3)}));
    rig.WriteDescription("lo.rdf", RenderDescriptionBuilder("lo.x").Str());
    struct Case {
        const char* lod;  // nullptr: no "lod" line
        std::vector<std::string> textures;
        const char* effect;
    };
    const Case cases[] = {
        {nullptr, {"spark.tga", "shadows\\glow_s.tga"}, "simple_s.fx"},
        {"null, 100", {"spark.tga", "shadows\\glow_s.tga"}, "simple_s.fx"},  // no nested build
        {"lo.rdf, 100", {"spark.tga"}, "simple.fx"},
        {"missing.rdf, 100", {"spark.tga"}, "simple.fx"},  // the fallback's failed build clears it too
    };
    for (const Case& c : cases) {
        RenderDescriptionBuilder text("anim;walk,man.msh");
        text.Key("shadowtextures", "shadows,_s.tga,_s.fx").Key("sprite", "glow,0,0,1,0.5,");
        if (c.lod) text.Key("lod", c.lod);
        text.Section("glow").Key("effectfile", "simple.fx").Key("texturefile1", "spark.tga");
        rig.WriteDescription("man.rdf", text.Str());
        CPGameObject* man = rig.Build("man.rdf");
        ASSERT_NE(man, nullptr) << (c.lod ? c.lod : "(no lod)");
        CPGameObject* glow = man->GetChild("glow").Get();
        ASSERT_NE(glow, nullptr);
        EXPECT_EQ(static_cast<CPSprite*>(glow->GetRenderPart())->GetMaterial().Get(), Material(20, c.effect, c.textures))
            << (c.lod ? c.lod : "(no lod)");
        rig.Delete(man);
    }
}

TEST_F(DescriptionSectionTest, FlagsParameterTextAndFlameType) {
    CPGameObject* house = BuildHouse("door", {{"visible", "0"}, {"shadow", "0"}, {"collision", "0"}, {"param", "Open Me"},
                                              {"flametype", "3"}});
    ASSERT_NE(house, nullptr);
    CPGameObject* door = house->GetChild("door").Get();
    EXPECT_FALSE(door->IsVisible());
    EXPECT_FALSE(door->HasShadow());
    EXPECT_FALSE(door->IsCollidable());
    EXPECT_EQ(door->GetParameterText(), "open me") << "values arrive lower-cased";
    EXPECT_EQ(door->GetFlameType(), 3);
    CPGameObject* roof = house->GetChild("roof").Get();
    EXPECT_TRUE(roof->IsVisible());
    EXPECT_TRUE(roof->HasShadow());
    EXPECT_TRUE(roof->IsCollidable());
    EXPECT_EQ(roof->GetFlameType(), -1);
    rig.Delete(house);

    house = BuildHouse("door", {{"visible", "yes"}, {"collision", "2"}});
    ASSERT_NE(house, nullptr);
    EXPECT_FALSE(house->GetChild("door")->IsVisible()) << "text that is no number reads as 0";
    EXPECT_TRUE(house->GetChild("door")->IsCollidable());
}

TEST_F(DescriptionSectionTest, NodesWithoutVertexEffectsBecomeStaticMeshBuffers) {
    CPGameObject* house = BuildHouse("door", {{"vertexeffect", "movingtex 0.5,0;fade 2"}});
    ASSERT_NE(house, nullptr);
    CPRenderObject* roof = house->GetChild("roof")->GetRenderObject();
    EXPECT_TRUE(roof->IsSkipped());
    EXPECT_EQ(roof->GetMeshBufferName(), "house.xroof");
    ASSERT_NE(roof->GetMeshBuffers(), nullptr);
    EXPECT_EQ(roof->GetMeshBuffers()->vertexCount, 4);
    EXPECT_EQ(roof->GetMeshBuffers()->indices, roof->GetIndices());
    EXPECT_EQ(gRenderer->GetMeshBufferCount(), 2u) << "the root and the roof";

    CPGameObject* door = house->GetChild("door").Get();
    EXPECT_FALSE(door->GetRenderObject()->IsSkipped());
    EXPECT_EQ(door->GetRenderObject()->GetAnimators().size(), 2u);
    EXPECT_TRUE(door->GetRenderObject()->IsAnimated());
    EXPECT_FALSE(door->IsStatic());
    EXPECT_TRUE(house->GetChild("roof")->IsStatic());
}

TEST_F(DescriptionSectionTest, AVertexEffectNoAnimatorAcceptsStillKeepsTheMeshDynamic) {
    CPGameObject* house = BuildHouse("door", {{"vertexeffect", "sparkle 1;movingtex 1"}});
    ASSERT_NE(house, nullptr);
    CPGameObject* door = house->GetChild("door").Get();
    EXPECT_FALSE(door->GetRenderObject()->IsSkipped());
    EXPECT_TRUE(door->GetRenderObject()->GetAnimators().empty());
    EXPECT_TRUE(door->IsStatic()) << "no animator was attached";
}

TEST_F(DescriptionSectionTest, AnimatedNodesAndSpritesTakeAnimators) {
    rig.WriteMesh("man.msh", AnimatedMeshFile(AnimatedTestNode("man", 2)));
    rig.WriteDescription("man.rdf", RenderDescriptionBuilder("anim;walk,man.msh")
                                        .Key("sprite", "glow,0,0,1,0.5,")
                                        .Section("man")
                                        .Key("vertexeffect", "fade 1")
                                        .Section("glow")
                                        .Key("vertexeffect", "flick 2,10,200")
                                        .Key("effectfile", "glow.fx")
                                        .Str());
    CPGameObject* man = rig.Build("man.rdf");
    ASSERT_NE(man, nullptr);
    auto* animated = static_cast<CPAnimatedObject*>(man->GetRenderPart());
    EXPECT_EQ(animated->GetAnimators().size(), 1u);
    EXPECT_FALSE(man->IsStatic());
    CPGameObject* glow = man->GetChild("glow").Get();
    ASSERT_NE(glow, nullptr);
    auto* sprite = static_cast<CPSprite*>(glow->GetRenderPart());
    EXPECT_EQ(sprite->GetAnimators().size(), 1u);
    EXPECT_EQ(sprite->GetMaterial().Get(), Material(20, "glow.fx", {""}));
}

TEST_F(DescriptionSectionTest, PartAnimationsGoToTheNamedNodesOfTheSubtree) {
    rig.WriteAnimation("open.anm", PartAnimationFile({"door", "roof", "chimney"}));
    rig.WriteAnimation("idle.anm", PartAnimationFile({"door"}));
    CPGameObject* house = BuildHouse("house", {{"animation", "open,open.anm;idle,idle.anm;close,missing.anm"}});
    ASSERT_NE(house, nullptr);
    CPGameObject* door = house->GetChild("door").Get();
    CPGameObject* roof = house->GetChild("roof").Get();
    ASSERT_EQ(door->GetAnimations().size(), 2u);
    ASSERT_EQ(roof->GetAnimations().size(), 1u);
    EXPECT_TRUE(house->GetAnimations().empty());
    CPPartAnimation* open = door->GetAnimations().at("open").Get();
    EXPECT_EQ(open->GetOwner(), door);
    EXPECT_EQ(open->GetKeys().size(), 1u);
    EXPECT_NE(roof->GetAnimations().at("open").Get(), open) << "one track per node";
    CPPartAnimation* idle = door->GetAnimations().at("idle").Get();
    EXPECT_EQ(door->GetCurrentAnimation(), idle);
    EXPECT_TRUE(idle->IsLooping());
    EXPECT_EQ(roof->GetCurrentAnimation(), nullptr);
    EXPECT_FALSE(door->IsStatic());
    // The "chimney" track matched no node: it is not kept (the rig reports objects left alive).
}

TEST_F(DescriptionSectionTest, ASharedTrackOutlivesTheNodeThatCameLastOfItsName) {
    rig.WriteAnimation("open.anm", PartAnimationFile({"door"}));
    CPMeshNodeRecord house = MeshTestNode("house", 3);
    house.children = {MeshTestNode("door", 3), MeshTestNode("door", 4)};
    rig.WriteMesh("twin.x", PlainMeshFile({house}));
    RenderDescriptionBuilder text("twin.x");
    text.Section("house");
    text.Key("animation", "open,open.anm");
    rig.WriteDescription("twin.rdf", text.Str());
    CPGameObject* root = rig.Build("twin.rdf", 20);
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->GetChildren().size(), 2u);
    CPGameObject* first = root->GetChildren()[0].Get();
    CPGameObject* last = root->GetChildren()[1].Get();
    CPPartAnimation* track = first->GetAnimations().at("open").Get();
    ASSERT_EQ(last->GetAnimations().at("open").Get(), track) << "one track for the name";

    // The node the track moves dies first: the other still holds a live track.
    root->RemoveChild(last);
    delete last;
    ASSERT_TRUE(gObjectRegistry::Contains(track));
    EXPECT_EQ(first->GetAnimations().at("open").Get(), track);
    track->Execute();  // its node is gone: the step moves nothing and touches nothing freed
}

TEST_F(DescriptionSectionTest, AScriptKeyHandsTheNodeToItsController) {
    CPCommandDispatcher dispatcher;
    ScopedGlobal<CPCommandDispatcher*> installDispatcher(gCommandDispatcher, &dispatcher);
    CPCommandTask controller;
    ASSERT_TRUE(dispatcher.Register(&controller, "gate_script"));

    CPGameObject* house = BuildHouse("door", {{"script", "Gate_Script"}});
    ASSERT_NE(house, nullptr);
    EXPECT_EQ(house->GetChild("door")->GetController().Get(), &controller);
    EXPECT_FALSE(house->GetChild("door")->IsStatic());
    EXPECT_FALSE(house->GetChild("roof")->GetController());
    rig.Delete(house);

    house = BuildHouse("door", {{"script", "nobody"}});
    ASSERT_NE(house, nullptr);
    EXPECT_FALSE(house->GetChild("door")->GetController());
    rig.Delete(house);
}
