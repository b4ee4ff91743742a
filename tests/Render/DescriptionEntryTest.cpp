// The sprite, light and particle-system entries of render descriptions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Render/PLight.h"
#include "Render/PParticleSystem.h"
#include "Render/PSprite.h"
#include "core/config/Settings.h"
#include "support/DescriptionBuildRig.h"
#include "support/MathExpect.h"
#include "support/MeshFileBuilder.h"
#include "support/RenderDescriptionBuilder.h"

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

class DescriptionEntryTest : public ::testing::Test {
protected:
    ~DescriptionEntryTest() override { gSettings::RestoreInitialValues(); }

    // house (root) > roof > chimney, and house > door: a mesh description with the entries.
    CPGameObject* BuildHouse(const Entries& entries) {
        CPMeshNodeRecord house = MeshTestNode("house", 3);
        CPMeshNodeRecord roof = MeshTestNode("roof", 3);
        roof.children = {MeshTestNode("chimney", 3)};
        house.children = {roof, MeshTestNode("door", 3)};
        rig.WriteMesh("house.x", PlainMeshFile({house}));
        return Build("house.rdf", "house.x", entries);
    }
    // The same entries in an empty description and in an animated one (root "man" > "arm").
    CPGameObject* BuildEmpty(const Entries& entries) { return Build("lamp.rdf", "empty", entries); }
    CPGameObject* BuildAnimated(const Entries& entries) {
        CPMeshNodeRecord man = AnimatedTestNode("man", 1);
        man.children = {AnimatedTestNode("arm", 1)};
        rig.WriteMesh("man.msh", AnimatedMeshFile(man));
        return Build("man.rdf", "anim;walk,man.msh", entries);
    }

    CPGameObject* Build(const std::string& name, const std::string& header, const Entries& entries) {
        RenderDescriptionBuilder text(header);
        for (const auto& [key, value] : entries) text.Key(key, value);
        rig.WriteDescription(name, text.Str());
        return rig.Build(name);
    }

    DescriptionBuildRig rig;
};

// The parent of the first node of that name in the tree; "" when it has none, "-" when there is no node.
std::string ParentOf(CPGameObject* root, const std::string& name) {
    CPGameObject* node = TreeNode(root, name);
    if (!node) return "-";
    return node->GetParent() ? node->GetParent()->GetName() : "";
}

CPSprite* SpriteOf(CPGameObject* object) {
    return object && object->GetRenderKind() == kRenderSprite ? static_cast<CPSprite*>(object->GetRenderPart()) : nullptr;
}

}  // namespace

TEST_F(DescriptionEntryTest, SpritesAreAttachedByTheRuleOfTheirForm) {
    const Entries sprites = {
        {"sprite", "onroot,0,0,0,1,"},        {"sprite", "byname,0,0,0,1,@root"},
        {"sprite", "onroof,0,0,0,1,roof"},    {"sprite", "deep,0,0,0,1,chimney"},
        {"sprite", "nowhere,0,0,0,1,attic"},
    };
    auto withRoot = [&](const std::string& root) {
        Entries entries;
        for (auto [key, value] : sprites) {
            const size_t at = value.find("@root");
            if (at != std::string::npos) value.replace(at, 5, root);
            entries.push_back({key, value});
        }
        return entries;
    };
    struct Expected {
        const char* sprite;
        const char* parent;  // "-": not built
    };
    CPGameObject* house = BuildHouse(withRoot("house"));
    CPGameObject* lamp = BuildEmpty(withRoot("empty"));
    CPGameObject* man = BuildAnimated(withRoot("man"));
    ASSERT_NE(house, nullptr);
    ASSERT_NE(lamp, nullptr);
    ASSERT_NE(man, nullptr);
    // FindObject never compares the root's own name: the long forms fall back on the root instead.
    const Expected mesh[] = {{"onroot", "house"}, {"byname", "house"}, {"onroof", "roof"}, {"deep", "chimney"},
                             {"nowhere", "house"}};
    for (const Expected& e : mesh) EXPECT_EQ(ParentOf(house, e.sprite), e.parent) << "mesh: " << e.sprite;
    const Expected empty[] = {{"onroot", "empty"}, {"byname", "empty"}, {"nowhere", "empty"}};
    for (const Expected& e : empty) EXPECT_EQ(ParentOf(lamp, e.sprite), e.parent) << "empty: " << e.sprite;
    const Expected animated[] = {{"onroot", "man"}, {"byname", "man"}, {"nowhere", "-"}};
    for (const Expected& e : animated) EXPECT_EQ(ParentOf(man, e.sprite), e.parent) << "animated: " << e.sprite;
    std::vector<std::string> order;
    for (const auto& child : house->GetChildren()) order.push_back(child->GetName());
    EXPECT_EQ(order, (std::vector<std::string>{"roof", "door", "onroot", "byname", "nowhere"})) << "in file order";
}

TEST_F(DescriptionEntryTest, SpriteSizeBoxConeAndFlagsByForm) {
    const Entries entries = {{"sprite", "plain,1,2,3,0.5,"}, {"sprite", "coned,0,0,0,2,,0,1,0,0.7"},
                             {"sprite", "zero,0,0,0,2,,1,0,0,0"}};
    CPGameObject* house = BuildHouse(entries);
    CPGameObject* lamp = BuildEmpty(entries);
    CPGameObject* man = BuildAnimated(entries);
    ASSERT_NE(house, nullptr);
    ASSERT_NE(lamp, nullptr);
    ASSERT_NE(man, nullptr);

    const D3DXVECTOR3 defaultDirection = CPSprite(1.0f).GetDirection();
    for (CPGameObject* root : {house, lamp, man}) {
        CPGameObject* plain = TreeNode(root, "plain");
        ASSERT_NE(plain, nullptr);
        CPSprite* sprite = SpriteOf(plain);
        ASSERT_NE(sprite, nullptr);
        EXPECT_FLOAT_EQ(sprite->GetHalfSize(), 0.5f);
        EXPECT_EQ(sprite->GetOwner(), plain);
        ExpectVec3Near(plain->GetPosition(), D3DXVECTOR3(1, 2, 3));
        EXPECT_FALSE(plain->HasShadow());
        EXPECT_EQ(sprite->GetCone(), 0.0f) << "six tokens give no cone";
        ExpectVec3Near(sprite->GetDirection(), defaultDirection);
    }
    // Boxes: a mesh description's sprite keeps the initial box, the others get one of their size.
    EXPECT_FLOAT_EQ(TreeNode(lamp, "plain")->GetBoundingBox().mHalfExtents.x, 0.5f);
    EXPECT_FLOAT_EQ(TreeNode(man, "plain")->GetBoundingBox().mHalfExtents.y, 0.5f);
    EXPECT_LT(TreeNode(house, "plain")->GetBoundingBox().mHalfExtents.z, 0.01f);
    // Only the empty description's sprites stay in the static partition.
    EXPECT_TRUE(TreeNode(lamp, "plain")->IsStatic());
    EXPECT_FALSE(TreeNode(house, "plain")->IsStatic());
    EXPECT_FALSE(TreeNode(man, "plain")->IsStatic());

    // Cones are read in the long forms only.
    EXPECT_FLOAT_EQ(SpriteOf(TreeNode(house, "coned"))->GetCone(), 0.7f);
    ExpectVec3Near(SpriteOf(TreeNode(lamp, "coned"))->GetDirection(), D3DXVECTOR3(0, 1, 0));
    EXPECT_EQ(SpriteOf(TreeNode(man, "coned"))->GetCone(), 0.0f);
    ExpectVec3Near(SpriteOf(TreeNode(man, "coned"))->GetDirection(), defaultDirection);
    EXPECT_EQ(SpriteOf(TreeNode(house, "zero"))->GetCone(), 0.0f);
    ExpectVec3Near(SpriteOf(TreeNode(house, "zero"))->GetDirection(), D3DXVECTOR3(1, 0, 0));  // a cone of 0 is set
}

TEST_F(DescriptionEntryTest, ALightEntryBuildsAPointLightBelowItsParent) {
    CPGameObject* house = BuildHouse({{"light", "light1,roof,x,0,0,5,1,0.5,0,0.2,30"},
                                      {"light", "light2,house,x,1,1,1,1,1,1,0,10"},
                                      {"light", "light3,,x,0,0,0,1,1,1,0,10"},
                                      {"light", "light4,attic,x,0,0,0,1,1,1,0,10"},
                                      {"light", "light5,chimney"}});
    ASSERT_NE(house, nullptr);
    CPGameObject* light1 = TreeNode(house, "light1");
    ASSERT_NE(light1, nullptr);
    EXPECT_EQ(ParentOf(house, "light1"), "roof");
    ASSERT_EQ(light1->GetRenderKind(), kRenderLight);
    auto* light = static_cast<CPLight*>(light1->GetRenderPart());
    EXPECT_EQ(light->GetOwner(), light1);
    const D3DLIGHT9& record = light->GetRecord();
    EXPECT_EQ(record.Type, D3DLIGHT_POINT);
    for (const D3DCOLORVALUE& c : {record.Diffuse, record.Specular, record.Ambient}) {
        EXPECT_FLOAT_EQ(c.r, 1.0f);
        EXPECT_FLOAT_EQ(c.g, 0.5f);
        EXPECT_FLOAT_EQ(c.b, 0.0f);
        EXPECT_FLOAT_EQ(c.a, 0.0f);
    }
    EXPECT_FLOAT_EQ(record.Range, 30.0f);
    EXPECT_FLOAT_EQ(record.Attenuation0, 0.0f);
    EXPECT_FLOAT_EQ(record.Attenuation1, 0.2f);
    EXPECT_FLOAT_EQ(record.Attenuation2, 0.0f);
    ExpectVec3Near(light1->GetBoundingBox().mHalfExtents, D3DXVECTOR3(30, 30, 30));
    ExpectVec3Near(light1->GetPosition(), D3DXVECTOR3(0, 0, 5));
    EXPECT_FALSE(light1->HasShadow());

    EXPECT_EQ(ParentOf(house, "light2"), "house") << "the root by its own name";
    EXPECT_EQ(ParentOf(house, "light3"), "-") << "an empty parent name finds no node";
    EXPECT_EQ(ParentOf(house, "light4"), "-");
    EXPECT_EQ(ParentOf(house, "light5"), "chimney") << "a short entry reads its missing tokens as 0";
    EXPECT_FLOAT_EQ(static_cast<CPLight*>(TreeNode(house, "light5")->GetRenderPart())->GetRecord().Range, 0.0f);
}

TEST_F(DescriptionEntryTest, AParticleSystemEntryBuildsAnIdleSystemBelowTheRootOrADirectChild) {
    ScopedEmitterTable& emitters = rig.Emitters();
    emitters.AddRecordingEffect("smoke_fx");
    ASSERT_TRUE(emitters->SetEmitter("puff", ScopedEmitterTable::Emitter("smoke_fx")));
    CPGameObject* house = BuildHouse({{"psystem", "smoke,roof,1,2,3,0.25,puff,unknown"},
                                      {"psystem", "steam,house,0,0,0,0.5"},
                                      {"psystem", "soot,chimney,0,0,0,0.5"},
                                      {"psystem", "dust,,0,0,0,0.5"}});
    ASSERT_NE(house, nullptr);
    CPGameObject* smoke = TreeNode(house, "smoke");
    ASSERT_NE(smoke, nullptr);
    EXPECT_EQ(ParentOf(house, "smoke"), "roof");
    ASSERT_EQ(smoke->GetRenderKind(), kRenderParticles);
    auto* system = static_cast<CPParticleSystem*>(smoke->GetRenderPart());
    EXPECT_EQ(system->GetHolder(), smoke);
    EXPECT_EQ(system->GetEmitterNames(), (std::vector<std::string>{"puff", "unknown"}));
    EXPECT_EQ(system->GetEmitters().size(), 1u);
    EXPECT_FLOAT_EQ(system->GetStep(), 0.25f);
    EXPECT_FALSE(system->IsRunning()) << "it starts when its object is activated";
    ExpectVec3Near(smoke->GetPosition(), D3DXVECTOR3(1, 2, 3));
    ExpectVec3Near(smoke->GetBoundingBox().mHalfExtents, D3DXVECTOR3(0.5f, 0.5f, 0.5f));
    EXPECT_FALSE(smoke->HasShadow());

    CPGameObject* steam = TreeNode(house, "steam");
    ASSERT_NE(steam, nullptr);
    EXPECT_EQ(ParentOf(house, "steam"), "house");
    EXPECT_TRUE(static_cast<CPParticleSystem*>(steam->GetRenderPart())->GetEmitterNames().empty());
    EXPECT_EQ(ParentOf(house, "soot"), "-") << "a grandchild of the root is not searched";
    EXPECT_EQ(ParentOf(house, "dust"), "-");
}

TEST_F(DescriptionEntryTest, SnowSystemsNeedTheWeatherSetting) {
    const Entries entries = {{"psystem", "snow,house,0,0,0,1"},
                             {"psystem", "snow2,house,0,0,0,1"},
                             {"psystem", "snow3,house,0,0,0,1"},
                             {"psystem", "snow4,house,0,0,0,1"}};
    gSettings::weather = 0;
    CPGameObject* dry = BuildHouse(entries);
    ASSERT_NE(dry, nullptr);
    for (const char* name : {"snow", "snow2", "snow3"}) EXPECT_EQ(TreeNode(dry, name), nullptr) << name;
    EXPECT_NE(TreeNode(dry, "snow4"), nullptr);
    rig.Delete(dry);

    gSettings::weather = 1;
    CPGameObject* wet = BuildHouse(entries);
    ASSERT_NE(wet, nullptr);
    for (const char* name : {"snow", "snow2", "snow3", "snow4"}) EXPECT_NE(TreeNode(wet, name), nullptr) << name;
}

TEST_F(DescriptionEntryTest, EntriesFollowTheOrderOfTheirKinds) {
    CPGameObject* house = BuildHouse({{"psystem", "p,house,0,0,0,1"},
                                      {"light", "l,house,x,0,0,0,1,1,1,0,1"},
                                      {"sprite", "s,0,0,0,1,"}});
    ASSERT_NE(house, nullptr);
    std::vector<std::string> order;
    for (const auto& child : house->GetChildren()) order.push_back(child->GetName());
    EXPECT_EQ(order, (std::vector<std::string>{"roof", "door", "s", "l", "p"}));
}
