// Writes the seed corpus of every harness: `fuzz_seeds <folder>` fills <folder>/<harness>/ with small
// valid (and a few nearly valid) inputs made by the fixture builders the tests use.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/config/CPConfig.h"
#include "core/files/CPFileWriter.h"
#include "fuzz/FuzzSupport.h"
#include "simulation/level/ScoresFile.h"
#include "support/AnimationBlockBuilder.h"
#include "support/AviFileBuilder.h"
#include "support/ByteBuilder.h"
#include "support/CloudFileBuilder.h"
#include "support/D3DTestSupport.h"
#include "support/EffectFileBuilder.h"
#include "support/InterfaceFileBuilder.h"
#include "support/LevelFileBuilder.h"
#include "support/MeshFileBuilder.h"
#include "support/RenderDescriptionBuilder.h"
#include "support/RiffWaveBuilder.h"
#include "support/SaveFileBuilder.h"
#include "support/SplineRecordBuilder.h"
#include "support/TestLevelTree.h"

namespace fs = std::filesystem;

namespace {

using Seeds = std::map<std::string, std::vector<std::string>>;

std::string Text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// The scores file as the engine writes it: scrambled, through the file writer.
std::string ScoresFile() {
    std::vector<std::vector<RecordEntry>> tables(3);
    tables[0].resize(2);
    tables[0][0].mName = "ann";
    tables[0][0].mMinutes = 1;
    tables[0][0].mSeconds = 2;
    tables[0][0].mHundredths = 3;
    tables[2].resize(1);
    tables[2][0].mName = "bob";
    fs::create_directories("Data");
    CPFileWriter writer(kScoresFileName, true);
    EncodeScores(tables, writer);
    if (writer.Commit() != S_OK) return {};
    std::ifstream in("Data/scores.dat", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ConfigFile() {
    CPConfig config;
    std::string text = "// settings\r\n+fullscreen\r\n-sound\r\n";
    for (const std::string& key : config.GetKeys()) text += key + " = 1\r\n";
    return text;
}

std::string MeshSeed() { return PlainMeshFile({MeshTestNode("a", 3), MeshTestNode("b", 4)}); }

avi::Video Clip(uint32_t width, uint32_t height, uint16_t bits, bool sound, bool topDown) {
    avi::Video video;
    video.width = width;
    video.height = height;
    video.bits = bits;
    video.sound = sound;
    video.topDown = topDown;
    for (uint32_t f = 0; f < 2; ++f) video.frames.push_back(avi::SolidFrame(video, 0x102030u * (f + 1)));
    return video;
}

Seeds MakeSeeds() {
    Seeds seeds;
    seeds["file_reader"] = {MeshSeed(), ByteBuilder().Int32(2).Float32(1.5f).String("name").Int32(3).Raw("abc").Str()};
    seeds["text_reader"] = {"[section]\r\nkey = a, \"b,c\", d\r\n// comment\r\n/* block\r\n */\r\nlast;line\r\n",
                            RenderDescriptionBuilder("m.x").Key("lod", "m.rdf,100").Section("a").Key("type", "3").Str()};
    seeds["tokenizer"] = {std::string("\x80") + "a, \"b,\"\"c\", d", "\x01" "one;two;;three", "\x02 x  y "};
    seeds["config"] = {ConfigFile()};
    seeds["xml_description"] = {"<?xml version=\"1.0\"?>\n<car name=\"jeep\"><mass value=\"3.5\"/>"
                                "<!-- c --><text>&amp; more</text></car>\n"};

    CPMeshNodeRecord man = AnimatedTestNode("man", 2);
    man.children = {AnimatedTestNode("hat", 1)};
    seeds["mesh_file"] = {MeshSeed(), PhysicsMeshFile({MeshTestNode("body", 3)}), AnimatedMeshFile(man)};

    ByteBuilder tracks;
    tracks.Int32(2).String("door").Int32(1).Float32(0.5f);
    for (int i = 0; i < 12; ++i) tracks.Float32(i % 4 == 0 ? 1.0f : 0.0f);
    tracks.String("window").Int32(0);
    seeds["part_animation"] = {tracks.Str()};

    ByteBuilder block;
    AppendAnimationBlock(block, 24.0f, NumberedTriangleFrames(3));
    seeds["vertex_animation"] = {block.Str()};

    seeds["render_description"] = {
        RenderDescriptionBuilder("m.x").Key("lod", "input.rdf,100").Key("description", "d.xml")
            .Section("a").Key("effectfile", "e.fx").Key("texture", "t.tga").Key("type", "3").Str(),
        RenderDescriptionBuilder("anim;walk,a.msh;run,missing.msh").Key("sprite", "glint,0,0,2,0.5,hat")
            .Key("light", "l1,man,x,0,0,5,1,1,1,0.2,30").Key("psystem", "smoke,man,0,0,0,0.5").Str(),
        RenderDescriptionBuilder("empty").Key("sprite", "glow,0,0,1,0.5,").Key("linekeypoint", "1,2,3")
            .Key("linecolor", "ff00ff00").Key("shadowtextures", "s,_a,_b").Str(),
        RenderDescriptionBuilder("p.p3d").Section("body").Key("type", "1").Str()};

    SkyscapeFile sky = MakeSkyscapeFile(2, 2, 2);
    sky.groups = {"g.txt"};
    sky.recordFile = "r.txt";
    seeds["sky_file"] = {SkyscapeFileText(sky), SkyscapeFileText(MakeSkyscapeFile(1, 3, 1, 4))};

    CloudShapeFile shape;
    shape.anchors = {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 2, 3)};
    shape.puffs.resize(2);
    shape.puffs[0].width = 1.0f;
    shape.puffs[1].anchor = 1;
    shape.puffs[1].width = 2.0f;
    seeds["cloud_shape"] = {CloudShapeFileText(shape)};
    CloudGroupFile group;
    group.blocks = {CloudBlock("s.txt", {1, 2, 3}, 2.0f, 0.5f, 0.75f), CloudBlock("missing.txt")};
    seeds["cloud_group"] = {CloudGroupFileText(group)};
    seeds["cloud_records"] = {CloudRecordFileText({MakeCloudRecord("g.txt"), MakeCloudRecord("h.txt", 1.0f, 5.0f)})};

    using Screen = InterfaceFileBuilder;
    seeds["interface_screen"] = {
        Screen().Controller("ctl").LightLine("l,on,0,0,1,0.5,0.5,0.5,smooth")
            .Window(Screen::WindowLine("back", 0, 0, 1024, 768))
            .Button("one", 100, 100, 200, 50).Button("two", 250, 100, 200, 50, "1")
            .EditBox("name", 10, 10, "main", 12).Text("title", "main", 5, 5, "title_key", "center")
            .Window(Screen::WindowLine("cursor", 0, 0, 32, 48, 0, 0, 32, 32)).Build()};

    seeds["actions"] = {"Fire;fire_label;LCtrl;false\r\nGear;gear_label;7;true\r\nJump;jump\r\n"};
    seeds["save_game"] = {SaveFileBuilder().Profile("ann").Player("bob").RacesPassed(3).Points(120)
                              .Result(1, 61.5f, 1, "ghost", {MakeGhostSample(1), MakeGhostSample(2)})
                              .Result(12, 30.0f, 2).Bytes()};
    seeds["scores"] = {ScoresFile()};
    seeds["player"] = {"// car\r\ngun\r\nnone\r\nrocket\r\nmine1\r\narmor1\r\nbumper1\r\nengine1\r\nnuke\r\n3\r\n"
                       "radar\r\nnone\r\n"};
    seeds["coeff"] = {"// difficulty\n1.5\n2.25\n  -0.5 \n4\n"};
    seeds["mission_info"] = {"// checkpoints\n30.5 100 -200 7 soldier,2;tank,3 4 \"medic,1\"\n12 1 2\nsources\n"
                             "north attack 0 2.5 soldier,1;tank,1\nsouth guard 00 1 \"dog,2;cat,1\"\n"};

    ByteBuilder splines;
    AppendSplineRecord(splines, "track", 1,
                       {StraightSegment({0, 0, 0}, {30, 0, 0}), StraightSegment({30, 0, 0}, {30, 0, 30})});
    AppendSplineRecord(splines, "spur", 0, {StraightSegment({0, 0, 0}, {0, 5, 50})});
    seeds["spline"] = {splines.Str()};
    seeds["level_file"] = {LevelFileBuilder().Lights(2).Object("checkpoint2,30", D3DXVECTOR3(1, 2, 3))
                               .Object("chk12-4").Object("src_tank1").Object("house07")
                               .StraightSpline("c_path", D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(40, 0, 0))
                               .StraightSpline("left", D3DXVECTOR3(0, -5, 0), D3DXVECTOR3(40, -5, 0))
                               .StraightSpline("other", D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1)).Bytes().Str()};

    TestLevelTree crowded;
    crowded.extraObjects = 3;
    seeds["level_load"] = {TestLevelTree().LevelFile().Bytes().Str(), crowded.LevelFile().Bytes().Str()};
    seeds["wave"] = {riff::AsString(riff::PcmWave(1, 11025, 8, riff::Ramp(16))),
                     riff::AsString(riff::PcmWave(2, 44100, 16, riff::Ramp(32)))};
    seeds["dds"] = {Text(MakeDdsFile(D3DFMT_DXT1, 16, 16, 3)), Text(MakeDdsFile(D3DFMT_A8R8G8B8, 8, 8, 1, true)),
                    Text(MakeDdsFile(D3DFMT_X8R8G8B8, 4, 2, 2)), Text(MakeDdsFile(D3DFMT_DXT5, 8, 8, 1, true))};
    seeds["image"] = {Text(MakeImageFile(ImageKind::Png, 8, 4)), Text(MakeImageFile(ImageKind::Png, 3, 5, false)),
                      Text(MakeImageFile(ImageKind::Jpeg, 16, 8, false)), Text(MakeImageFile(ImageKind::Tga, 4, 4)),
                      Text(MakeImageFile(ImageKind::Bmp, 5, 3, false))};
    seeds["effect"] = {EffectFileBuilder().Parameter("texture", "tex0").SharedParameter("float4x4", "view")
                           .Technique("Main", 2).Technique("Other").Str(),
                       EffectFileBuilder::Broken()};
    seeds["avi"] = {riff::AsString(avi::File(Clip(8, 4, 32, true, false))),
                    riff::AsString(avi::File(Clip(5, 3, 24, false, true)))};
    return seeds;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds <folder>\n");
        return 2;
    }
    const fs::path out = fs::absolute(argv[1]);
    FuzzWorkingFolder();  // the scores file is written there by the engine's writer
    for (const auto& [harness, inputs] : MakeSeeds()) {
        fs::create_directories(out / harness);
        for (size_t i = 0; i < inputs.size(); ++i) {
            std::ofstream file(out / harness / ("seed-" + std::to_string(i)), std::ios::binary | std::ios::trunc);
            file.write(inputs[i].data(), static_cast<std::streamsize>(inputs[i].size()));
            if (!file) {
                std::fprintf(stderr, "cannot write the seeds of %s\n", harness.c_str());
                return 1;
            }
        }
    }
    return 0;
}
