// The render-description builder: header kinds, roots, LOD lists, line data, descriptions and fallbacks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Render/PAnimatedObject.h"
#include "Render/PLight.h"
#include "Render/PMaterialManager.h"
#include "Render/PRenderObject.h"
#include "Render/PSprite.h"
#include "core/files/FileReadOnceScope.h"
#include "platform/FolderListing.h"
#include "support/ByteBuilder.h"
#include "support/DescriptionBuildRig.h"
#include "support/MathExpect.h"
#include "support/MeshFileBuilder.h"
#include "support/RenderDescriptionBuilder.h"

namespace {

class DescriptionBuilderTest : public ::testing::Test {
protected:
    // A plain mesh file of the named nodes, three vertices each.
    void WritePlainMesh(const std::string& file, const std::vector<std::string>& nodes) {
        std::vector<CPMeshNodeRecord> records;
        for (const std::string& node : nodes) records.push_back(MeshTestNode(node, 3));
        rig.WriteMesh(file, PlainMeshFile(records));
    }

    CPMaterial* MeshMaterial(CPGameObject* object) {
        return object && object->GetRenderObject() ? object->GetRenderObject()->GetMaterial().Get() : nullptr;
    }
    CPMaterial* Material(int32_t key, const std::string& effect, const std::vector<std::string>& textures) {
        return gMaterialManager->CreateMaterial(key, effect, textures).Get();
    }

    DescriptionBuildRig rig;
};

std::vector<std::string> ChildNames(const CPGameObject* object) {
    std::vector<std::string> names;
    for (const auto& child : object->GetChildren()) names.push_back(child->GetName());
    return names;
}

}  // namespace

TEST_F(DescriptionBuilderTest, TheNodeCountDecidesTheRoot) {
    WritePlainMesh("one.x", {"Tower"});
    WritePlainMesh("three.x", {"a", "b", "c"});
    WritePlainMesh("none.x", {});
    rig.WriteDescription("one.rdf", RenderDescriptionBuilder("One.X").Str());
    rig.WriteDescription("three.rdf", RenderDescriptionBuilder("three.x").Str());
    rig.WriteDescription("none.rdf", RenderDescriptionBuilder("none.x").Str());
    rig.WriteMesh("negative.x", ByteBuilder().Int32(0).Int32(-1).Str());
    rig.WriteDescription("negative.rdf", RenderDescriptionBuilder("negative.x").Str());

    CPGameObject* one = rig.Build("one.rdf");
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->GetName(), "tower") << "a single node is the root and keeps its own name";
    EXPECT_EQ(one->GetRenderKind(), kRenderObject);
    EXPECT_EQ(one->GetSourceName(), "one.rdf");
    EXPECT_EQ(rig.Manager().GetMeshName(), "one.x") << "the header is lower-cased for the mesh name";

    CPGameObject* three = rig.Build("three.rdf");
    ASSERT_NE(three, nullptr);
    EXPECT_EQ(three->GetName(), "three.rdf");
    EXPECT_EQ(three->GetRenderKind(), kRenderNone);
    EXPECT_EQ(ChildNames(three), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(three->GetSourceName(), "three.rdf");

    CPGameObject* none = rig.Build("none.rdf");
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->GetName(), "none.rdf");
    EXPECT_EQ(none->GetRenderKind(), kRenderNone);
    EXPECT_TRUE(none->GetChildren().empty());

    CPGameObject* negative = rig.Build("negative.rdf");
    ASSERT_NE(negative, nullptr) << "a negative node count gives the empty root too";
    EXPECT_EQ(negative->GetName(), "negative.rdf");
    EXPECT_EQ(negative->GetRenderKind(), kRenderNone);
    EXPECT_TRUE(negative->GetChildren().empty());
}

TEST_F(DescriptionBuilderTest, TheLodListHoldsTheRootThenEachLevelInFileOrder) {
    WritePlainMesh("house.x", {"house"});
    WritePlainMesh("house_lo.x", {"house_lo"});
    rig.WriteDescription("house_lo.rdf", RenderDescriptionBuilder("house_lo.x").Str());
    rig.WriteDescription("house.rdf", RenderDescriptionBuilder("house.x")
                                          .Key("lod", "house_lo.rdf, 150")
                                          .Key("lod", "null, 300")
                                          .Key("lod", "house_lo.rdf")
                                          .Str());
    CPGameObject* root = rig.Build("house.rdf", 7);
    ASSERT_NE(root, nullptr);
    const auto& lods = root->GetLodList();
    ASSERT_EQ(lods.size(), 4u);
    EXPECT_EQ(lods[0].object.Get(), root);
    EXPECT_EQ(lods[0].switchDistance, 0);
    ASSERT_TRUE(lods[1].object);
    EXPECT_EQ(lods[1].object->GetName(), "house_lo");
    EXPECT_EQ(lods[1].switchDistance, 150);
    EXPECT_EQ(MeshMaterial(lods[1].object.Get()), Material(7, "", {""})) << "built with the same layer offset";
    EXPECT_FALSE(lods[2].object) << "\"null\" gives an empty level";
    EXPECT_EQ(lods[2].switchDistance, 300);
    ASSERT_TRUE(lods[3].object);
    EXPECT_NE(lods[3].object.Get(), lods[1].object.Get()) << "each entry builds its own tree";
    EXPECT_EQ(lods[3].switchDistance, 0) << "a missing distance is 0";
}

TEST_F(DescriptionBuilderTest, AMissingDescriptionIsReplacedByTheFallbackWithTheSameLayerOffset) {
    WritePlainMesh("wrong.x", {"wrong"});
    rig.WriteDescription("wrong.rdf", RenderDescriptionBuilder("wrong.x")
                                          .Section("wrong")
                                          .Key("effectfile", "error.fx")
                                          .Key("type", "3")
                                          .Str());
    CPGameObject* root = rig.Build("nowhere.rdf", 17);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->GetName(), "wrong");
    EXPECT_EQ(root->GetSourceName(), "wrong.rdf");
    EXPECT_EQ(MeshMaterial(root), Material(20, "error.fx", {""}));
}

// Without the fallback file the fallback would be tried again without end.
TEST_F(DescriptionBuilderTest, WithoutTheFallbackFileAMissingDescriptionGivesAnEmptyResult) {
    rig.Manager().SetShadowTexturesFlag(true);
    EXPECT_EQ(rig.Build("nowhere.rdf"), nullptr);
    EXPECT_EQ(rig.Build("wrong.rdf"), nullptr);
    EXPECT_FALSE(rig.Manager().IsShadowTexturesSet());
}

// A description whose level of detail leads back to itself would nest without end.
TEST_F(DescriptionBuilderTest, ALodEntryLeadingBackToABuildInProgressGetsAnEmptyLevel) {
    WritePlainMesh("a.x", {"a"});
    WritePlainMesh("b.x", {"b"});
    rig.WriteDescription("a.rdf", RenderDescriptionBuilder("a.x").Key("lod", "b.rdf,100").Key("lod", "A.RDF,200").Str());
    rig.WriteDescription("b.rdf", RenderDescriptionBuilder("b.x").Key("lod", "a.rdf,50").Str());

    CPGameObject* root = rig.Build("a.rdf");
    ASSERT_NE(root, nullptr);
    const auto& lods = root->GetLodList();
    ASSERT_EQ(lods.size(), 3u);
    ASSERT_TRUE(lods[1].object);
    const auto& nested = lods[1].object->GetLodList();
    ASSERT_EQ(nested.size(), 2u);
    EXPECT_FALSE(nested[1].object) << "b's level back to a is empty";
    EXPECT_EQ(nested[1].switchDistance, 50);
    EXPECT_FALSE(lods[2].object) << "a's level naming itself is empty";
    EXPECT_EQ(lods[2].switchDistance, 200);

    // The chain is undone after the build: the same description builds again.
    EXPECT_NE(rig.Build("a.rdf"), nullptr);
}

TEST_F(DescriptionBuilderTest, NestingDeeperThanTheLimitEndsInAnEmptyLevel) {
    WritePlainMesh("n.x", {"n"});
    const int32_t chain = CPRenderObjectManager::kMaxNestedBuilds + 5;
    for (int32_t i = 0; i < chain; ++i)
        rig.WriteDescription(std::string("d").append(std::to_string(i)) + ".rdf",
                             RenderDescriptionBuilder("n.x")
                                 .Key("lod", std::string("d").append(std::to_string(i + 1)) + ".rdf,10")
                                 .Str());
    CPGameObject* level = rig.Build("d0.rdf");
    int32_t depth = 1;
    while (level && level->GetLodList().size() == 2 && level->GetLodList()[1].object) {
        level = level->GetLodList()[1].object.Get();
        ++depth;
    }
    EXPECT_EQ(depth, CPRenderObjectManager::kMaxNestedBuilds);
}

TEST_F(DescriptionBuilderTest, AnEmptyHeaderBuildsANodeWithItsSpritesAndIgnoresMeshKeys) {
    WritePlainMesh("lo.x", {"lo"});
    rig.WriteDescription("lo.rdf", RenderDescriptionBuilder("lo.x").Str());
    rig.WriteDescription("lamp.rdf", RenderDescriptionBuilder("empty")
                                         .Key("sprite", "glow,0,0,1,0.5,")
                                         .Key("sprite", "spark,1,0,0,0.25,nothing")
                                         .Key("lod", "lo.rdf,100")
                                         .Key("light", "l1,empty,x,0,0,5,1,1,1,0.2,30")
                                         .Key("psystem", "smoke,empty,0,0,0,0.5")
                                         .Key("linekeypoint", "1,2,3")
                                         .Key("linecolor", "ff00ff00")
                                         .Str());
    CPGameObject* root = rig.Build("lamp.rdf");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->GetName(), "empty");
    EXPECT_EQ(root->GetRenderKind(), kRenderNone);
    EXPECT_EQ(root->GetSourceName(), "");
    EXPECT_TRUE(root->GetLodList().empty());
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"glow", "spark"}));
    EXPECT_TRUE(root->GetLinePoints().empty());
    EXPECT_EQ(root->GetLineColour(), CPGameObject::kDefaultLineColour);
}

TEST_F(DescriptionBuilderTest, AnAnimatedDescriptionBuildsFromItsFilesAndIgnoresMeshOnlyKeys) {
    CPMeshNodeRecord man = AnimatedTestNode("man", 2);
    man.children = {AnimatedTestNode("hat", 1)};
    rig.WriteMesh("man_walk.msh", AnimatedMeshFile(man));
    WritePlainMesh("lo.x", {"lo"});
    rig.WriteDescription("lo.rdf", RenderDescriptionBuilder("lo.x").Str());
    rig.WriteDescription("man.rdf", RenderDescriptionBuilder("anim;walk,missing.msh;run,man_walk.msh")
                                        .Key("lod", "lo.rdf,80")
                                        .Key("sprite", "glint,0,0,2,0.5,hat")
                                        .Key("light", "l1,man,x,0,0,5,1,1,1,0.2,30")
                                        .Key("psystem", "smoke,man,0,0,0,0.5")
                                        .Key("linekeypoint", "1,2,3")
                                        .Key("linecolor", "ff00ff00")
                                        .Str());
    CPGameObject* root = rig.Build("man.rdf");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->GetName(), "man");
    EXPECT_EQ(root->GetRenderKind(), kRenderAnimated);
    EXPECT_EQ(root->GetSourceName(), "man.rdf");
    EXPECT_EQ(gAnimMeshFileName, "man_walk.msh");
    auto* animated = static_cast<CPAnimatedObject*>(root->GetRenderPart());
    ASSERT_EQ(animated->GetAnimations().count("run"), 1u) << "the first file that loads makes the tree";
    EXPECT_EQ(animated->GetAnimations().count("walk"), 0u);
    ASSERT_EQ(root->GetLodList().size(), 2u);
    EXPECT_EQ(ChildNames(root), std::vector<std::string>{"hat"}) << "no light or particle system";
    CPGameObject* hat = root->GetChild("hat").Get();
    EXPECT_EQ(ChildNames(hat), std::vector<std::string>{"glint"});
    EXPECT_TRUE(root->GetLinePoints().empty());
    EXPECT_EQ(root->GetLineColour(), CPGameObject::kDefaultLineColour);
}

TEST_F(DescriptionBuilderTest, LineKeyPointsAndLineColour) {
    WritePlainMesh("road.x", {"road"});
    struct Case {
        const char* colour;  // nullptr: no "linecolor" line
        uint32_t expected;
    };
    const Case cases[] = {
        {"ff00ff00", 0xff00ff00}, {nullptr, CPGameObject::kDefaultLineColour}, {"0x12ab", 0x12ab},
        {"7fz", 0x7f},            {"zz", CPGameObject::kDefaultLineColour},     {"123456789", 0xffffffff},
    };
    for (const Case& c : cases) {
        RenderDescriptionBuilder text("road.x");
        text.Key("linekeypoint", "1, 2.5, -3").Key("linekeypoint", "4,5");
        if (c.colour) text.Key("linecolor", c.colour);
        rig.WriteDescription("road.rdf", text.Str());
        CPGameObject* root = rig.Build("road.rdf");
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(root->GetLineColour(), c.expected) << (c.colour ? c.colour : "(none)");
        ASSERT_EQ(root->GetLinePoints().size(), 2u);
        ExpectVec3Near(root->GetLinePoints()[0], D3DXVECTOR3(1, 2.5f, -3));
        ExpectVec3Near(root->GetLinePoints()[1], D3DXVECTOR3(4, 5, 0));  // a missing token is 0
        rig.Delete(root);
    }
}

TEST_F(DescriptionBuilderTest, TheDescriptionKeyLoadsTheXmlDescriptionIntoTheRoot) {
    WritePlainMesh("jeep.x", {"jeep"});
    rig.WriteXmlDescription("jeep.xml", "<car><mass value=\"3\"/></car>");
    rig.WriteDescription("jeep.rdf",
                         RenderDescriptionBuilder("jeep.x").Key("description", "old.xml").Key("description", "Jeep.XML").Str());
    CPGameObject* root = rig.Build("jeep.rdf");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->GetDescriptionName(), "jeep.xml");
    TiXmlHandle handle(&root->GetDescription());
    EXPECT_NE(handle.FirstChildElement("car").FirstChildElement("mass").ToElement(), nullptr);
}

TEST_F(DescriptionBuilderTest, ABuildWithoutARootBuildsNothingElse) {
    WritePlainMesh("lo.x", {"lo"});
    rig.WriteDescription("lo.rdf", RenderDescriptionBuilder("lo.x").Str());
    rig.WriteMesh("broken.x", PlainMeshFile({MeshTestNode("a", 3)}).substr(0, 100));
    const std::string entries[][2] = {{"sprite", "glow,0,0,1,0.5,"}, {"light", "l1,,x,0,0,5,1,1,1,0.2,30"},
                                      {"psystem", "smoke,,0,0,0,0.5"}, {"lod", "lo.rdf,100"}};
    for (const char* header : {"missing.x", "broken.x", "", "anim;walk,missing.msh", "anim;walk,broken.x"}) {
        RenderDescriptionBuilder text(header);
        for (const auto& entry : entries) text.Key(entry[0], entry[1]);
        rig.WriteDescription("rootless.rdf", text.Str());
        const size_t objectsBefore = gObjectRegistry::Size();
        EXPECT_EQ(rig.Build("rootless.rdf"), nullptr) << header;
        EXPECT_EQ(gObjectRegistry::Size(), objectsBefore) << header << ": no entry object or level was made";
    }
}

TEST_F(DescriptionBuilderTest, ShadowTexturesAreTakenFromTheDescriptionAndClearedAfterTheBuild) {
    WritePlainMesh("house.x", {"house"});
    rig.WriteDescription("house.rdf", RenderDescriptionBuilder("house.x").Key("shadowtextures", "shadows,_s.tga").Str());
    ASSERT_NE(rig.Build("house.rdf"), nullptr);
    EXPECT_EQ(rig.Manager().GetShadowTextureFolder(), "shadows");
    EXPECT_EQ(rig.Manager().GetShadowTextureSuffix(), "_s.tga");
    EXPECT_EQ(rig.Manager().GetShadowEffectSuffix(), "") << "a missing token is empty";
    EXPECT_FALSE(rig.Manager().IsShadowTexturesSet());
}

TEST_F(DescriptionBuilderTest, APhysicsMeshIsChosenByTheHeaderEndingWhateverItsCase) {
    CPMeshNodeRecord crate = MeshTestNode("crate", 3);
    crate.body = MeshTestShape(CPMeshShapeRecord::kBox, 1, 1, 1, D3DXVECTOR3(0, 0, 0), 10.0f);
    rig.WriteMesh("crate.p3d", PhysicsMeshFile({crate}));
    rig.WriteDescription("crate.rdf", RenderDescriptionBuilder("Crate.P3D").Str());
    CPGameObject* root = rig.Build("crate.rdf");
    ASSERT_NE(root, nullptr);
    EXPECT_NE(root->GetPhysicData(), nullptr);

    WritePlainMesh("box.x", {"box"});
    rig.WriteDescription("box.rdf", RenderDescriptionBuilder("box.x").Str());
    CPGameObject* plain = rig.Build("box.rdf");
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->GetPhysicData(), nullptr);
}

// Within a load's scope a description text and a mesh file's bytes are parsed once, whatever file they
// came from (the same bytes read as a physics mesh are parsed as such): each build comes out as it does
// without the scope, and a text the engine rewrote is parsed anew.
TEST_F(DescriptionBuilderTest, WithinALoadScopeBuildsComeOutAsWithoutIt) {
    WritePlainMesh("one.x", {"Tower"});
    WritePlainMesh("same.p3d", {"Tower"});
    WritePlainMesh("three.x", {"a", "b", "c"});
    rig.WriteDescription("one.rdf", RenderDescriptionBuilder("one.x").Str());
    rig.WriteDescription("again.rdf", RenderDescriptionBuilder("one.x").Str());
    rig.WriteDescription("physics.rdf", RenderDescriptionBuilder("same.p3d").Str());
    rig.WriteDescription("three.rdf", RenderDescriptionBuilder("three.x").Str());
    const auto shape = [&](const std::string& name) {
        const CPGameObject* root = rig.Build(name);
        if (!root) return std::string("none");
        std::string text = root->GetName() + ":" + root->GetSourceName() + ":";
        for (const std::string& child : ChildNames(root)) text += child + ",";
        return text;
    };
    const std::vector<std::string> names = {"one.rdf", "again.rdf", "physics.rdf", "three.rdf", "one.rdf"};
    std::vector<std::string> unscoped;
    for (const std::string& name : names) unscoped.push_back(shape(name));

    const FileReadOnceScope scope;
    ASSERT_NE(unscoped[2], unscoped[0]) << "a physics mesh reads the same bytes otherwise";
    for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(shape(names[i]), unscoped[i]) << names[i];
    rig.WriteDescription("one.rdf", RenderDescriptionBuilder("three.x").Str());
    ForgetFolderListings();  // as the engine's writers do
    EXPECT_EQ(shape("one.rdf"), "one.rdf:one.rdf:a,b,c,");
    EXPECT_EQ(shape("again.rdf"), unscoped[1]);
}
