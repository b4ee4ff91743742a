#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Render/PRenderDescription.h"
#include "support/RenderDescriptionBuilder.h"

namespace {

CPRenderDescription Parse(const std::string& text) { return ParseRenderDescription(text.data(), static_cast<uint32_t>(text.size())); }

}  // namespace

TEST(RenderDescriptionTest, HeaderKeepsItsCaseAndSectionsAreLowerCased) {
    const CPRenderDescription d = Parse(RenderDescriptionBuilder("House.X")
                                            .Line("// a comment line")
                                            .Key("Orphan", "Dropped")
                                            .Section("Roof")
                                            .Key("TextureFile1", "Wall.TGA")
                                            .Key("type", "2")
                                            .Section("door")
                                            .Key("visible", "0")
                                            .Section("ROOF")
                                            .Key("type", "3")
                                            .Str());
    EXPECT_EQ(d.header, "House.X");
    EXPECT_EQ(d.Kind(), CPDescriptionKind::kMesh);
    ASSERT_EQ(d.sections.size(), 2u) << "a key before the first section is dropped";
    const CPDescriptionSection& roof = FindSection(d.sections, "roof");
    EXPECT_EQ(roof.at("texturefile1"), "wall.tga");
    EXPECT_EQ(roof.at("type"), "3") << "a section met again continues; a later key replaces the value";
    EXPECT_EQ(FindSection(d.sections, "door").at("visible"), "0");
    EXPECT_TRUE(FindSection(d.sections, "window").empty());
}

TEST(RenderDescriptionTest, EntryKeysAreRecognisedEverywhereAndNeverEnterASection) {
    const CPRenderDescription d = Parse(RenderDescriptionBuilder("house.x")
                                            .Key("sprite", "Lamp,0,0,1,0.5,")
                                            .Key("linecolor", "ff000000")
                                            .Key("description", "first.xml")
                                            .Section("roof")
                                            .Key("sprite", "glow,0,0,2,1,roof")
                                            .Key("lod", "house_lo.rdf,300")
                                            .Key("light", "l1,roof,x,0,0,5,1,0.5,0,0.2,30")
                                            .Key("linekeypoint", "1,2,3")
                                            .Key("psystem", "smoke,roof,0,0,1,0.2,puff")
                                            .Key("LineColor", "FF00FF00")
                                            .Key("description", "Second.XML")
                                            .Key("shadowtextures", "shadows,_s.tga,_s.fx")
                                            .Key("effectfile", "simple.fx")
                                            .Str());
    EXPECT_EQ(d.sprites, (std::vector<std::string>{"lamp,0,0,1,0.5,", "glow,0,0,2,1,roof"}));
    EXPECT_EQ(d.lods, std::vector<std::string>{"house_lo.rdf,300"});
    EXPECT_EQ(d.lights, std::vector<std::string>{"l1,roof,x,0,0,5,1,0.5,0,0.2,30"});
    EXPECT_EQ(d.lineKeyPoints, std::vector<std::string>{"1,2,3"});
    EXPECT_EQ(d.particleSystems, std::vector<std::string>{"smoke,roof,0,0,1,0.2,puff"});
    EXPECT_EQ(d.lineColour, "ff00ff00") << "the last line counts";
    EXPECT_EQ(d.description, "second.xml");
    EXPECT_EQ(d.shadowTextures, "shadows,_s.tga,_s.fx");
    const CPDescriptionSection& roof = FindSection(d.sections, "roof");
    EXPECT_EQ(roof.size(), 1u) << "only the plain key stays in the section";
    EXPECT_EQ(roof.at("effectfile"), "simple.fx");
}

TEST(RenderDescriptionTest, HeaderKinds) {
    struct Case {
        const char* header;
        CPDescriptionKind kind;
    };
    const Case cases[] = {
        {"anim;walk,man_walk.msh;run,man_run.msh", CPDescriptionKind::kAnimated},
        {"anim", CPDescriptionKind::kAnimated},
        {"ANIM;walk,man.msh", CPDescriptionKind::kMesh},
        {"animal.x", CPDescriptionKind::kMesh},
        {"empty", CPDescriptionKind::kEmpty},
        {"Empty", CPDescriptionKind::kMesh},
        {"crate.p3d", CPDescriptionKind::kMesh},
        {"", CPDescriptionKind::kMesh},
    };
    for (const Case& c : cases) EXPECT_EQ(Parse(RenderDescriptionBuilder(c.header).Str()).Kind(), c.kind) << c.header;
}

TEST(RenderDescriptionTest, OddFirstLinesAndEmptyTexts) {
    EXPECT_EQ(Parse("house.x\r\n").header, "") << "a first line without \"=\" gives an empty header";
    EXPECT_EQ(Parse("[roof]\r\ntype = 1\r\n").header, "") << "a section line read first is the header line";
    EXPECT_EQ(Parse("mesh = \"a=b.x\"\r\n").header, "a=b.x") << "double quotes are honoured";
    const CPRenderDescription empty = Parse("");
    EXPECT_TRUE(empty.header.empty());
    EXPECT_TRUE(empty.sections.empty());
    const CPRenderDescription comments = Parse("/* block\r\nmesh = x\r\n*/\r\n  mesh  =  real.x  \r\n");
    EXPECT_EQ(comments.header, "real.x");
}

TEST(RenderDescriptionTest, AKeyLineWithoutValueStoresAnEmptyValue) {
    const CPRenderDescription d = Parse(RenderDescriptionBuilder("h").Section("s").Line("visible").Str());
    EXPECT_EQ(FindSection(d.sections, "s").at("visible"), "");
}
