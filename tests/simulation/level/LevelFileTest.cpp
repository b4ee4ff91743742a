#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/files/CPFileReader.h"
#include "simulation/level/LevelFile.h"
#include "simulation/level/LevelObjectRules.h"
#include "support/LevelFileBuilder.h"
#include "support/TempFolder.h"

namespace {
const float kNaN = std::numeric_limits<float>::quiet_NaN();

// Parses bytes as a ".lvl" file through the engine's reader.
class LevelFileTest : public ::testing::Test {
protected:
    bool Parse(const std::string& bytes, LevelFileRecord& record) {
        mWork.Folder().Write("parse.bin", bytes);
        CPFileReader reader("parse.bin", false);
        EXPECT_EQ(reader.Load(), 0);
        return ReadLevelFile(reader, record);
    }
    bool Parse(const LevelFileBuilder& builder, LevelFileRecord& record) { return Parse(builder.Bytes().Str(), record); }

    ScopedWorkingFolder mWork;
};

LevelFileBuilder RaceLevel() {
    LevelFileBuilder level;
    level.Lights(3)
        .Object({"player", {10.0f, 20.0f, 1.5f}, {0.0f, 0.0f, 0.5f, 0.8f}, {1.0f, 1.0f, 1.0f}})
        .Object({"tree12", {-5.0f, 7.0f, 0.0f}, {0.1f, 0.2f, 0.3f, 0.9f}, {2.0f, 3.0f, 4.0f}})
        .StraightSpline("c_path", {0, 0, 0}, {100, 0, 0})
        .StraightSpline("left", {0, 5, 0}, {100, 5, 0})
        .StraightSpline("right", {0, -5, 0}, {100, -5, 0});
    return level;
}
}  // namespace

TEST_F(LevelFileTest, LoadsEveryFieldOfALevelInFileOrder) {
    RaceLevel().WriteLevel(mWork.Folder(), "level3");
    LevelFileRecord record;
    ASSERT_TRUE(LoadLevelFile("level3", record));

    EXPECT_EQ(record.lightCount, 3);
    ASSERT_EQ(record.objects.size(), 2u);
    EXPECT_EQ(record.objects[0].name, "player");
    EXPECT_EQ(record.objects[0].position, D3DXVECTOR3(10.0f, 20.0f, 1.5f));
    EXPECT_EQ(record.objects[0].rotation.z, 0.5f);
    EXPECT_EQ(record.objects[0].rotation.w, 0.8f);
    EXPECT_EQ(record.objects[1].name, "tree12");
    EXPECT_EQ(record.objects[1].scale, D3DXVECTOR3(2.0f, 3.0f, 4.0f));
    ASSERT_EQ(record.splines.size(), 3u);
    EXPECT_EQ(record.splines[0].name, "c_path");
    ASSERT_EQ(record.splines[2].segments.size(), 1u);
    EXPECT_EQ(record.splines[2].segments[0].p3, D3DXVECTOR3(100.0f, -5.0f, 0.0f));
}

TEST_F(LevelFileTest, LightCountsBelowOneHoldNoRecords) {
    struct Case {
        int32_t lights;
        size_t lightBlockBytes;
    };
    for (const Case& c : {Case{0, 4}, Case{-7, 4}, Case{1, 56}, Case{3, 112}}) {
        SCOPED_TRACE(c.lights);
        LevelFileBuilder level;
        level.Lights(c.lights).Object("rock1");
        const ByteBuilder bytes = level.Bytes();
        EXPECT_EQ(bytes.Size(), 16 + c.lightBlockBytes + 4 + (4 + 5 + 40) + 4);
        LevelFileRecord record;
        ASSERT_TRUE(Parse(bytes.Str(), record));
        ASSERT_EQ(record.objects.size(), 1u);
        EXPECT_EQ(record.objects[0].name, "rock1");
    }
}

TEST_F(LevelFileTest, EmptyTablesAndTrailingBytesAreAccepted) {
    LevelFileRecord record;
    ByteBuilder bytes = LevelFileBuilder().Bytes();
    bytes.Raw("anything after the splines");
    ASSERT_TRUE(Parse(bytes.Str(), record));
    EXPECT_TRUE(record.objects.empty());
    EXPECT_TRUE(record.splines.empty());
}

TEST_F(LevelFileTest, NameStopsAtItsFirstZeroByteButConsumesItsLength) {
    ByteBuilder bytes;
    bytes.Zeros(16).Int32(0).Int32(2);
    bytes.String(std::string("rock\0junk", 9)).Zeros(40);
    bytes.String("tree").Float32(1.0f).Zeros(36);
    bytes.Int32(0);
    LevelFileRecord record;
    ASSERT_TRUE(Parse(bytes.Str(), record));
    ASSERT_EQ(record.objects.size(), 2u);
    EXPECT_EQ(record.objects[0].name, "rock");
    EXPECT_EQ(record.objects[1].name, "tree");
    EXPECT_EQ(record.objects[1].position.x, 1.0f);
}

TEST_F(LevelFileTest, EveryTruncationIsRefused) {
    const std::string whole = RaceLevel().Bytes().Str();
    LevelFileRecord record;
    ASSERT_TRUE(Parse(whole, record));
    for (size_t size = 0; size < whole.size(); ++size) {
        SCOPED_TRACE(size);
        EXPECT_FALSE(Parse(whole.substr(0, size), record));
    }
}

TEST_F(LevelFileTest, CountsBeyondTheBytesLeftAreRefusedWhole) {
    const int32_t huge = std::numeric_limits<int32_t>::max();
    struct Case {
        const char* name;
        ByteBuilder bytes;
    };
    auto header = [] { return ByteBuilder().Zeros(16); };
    const Case cases[] = {
        {"huge light count", header().Int32(huge).Zeros(200).Int32(0).Int32(0)},
        {"light count one record short", header().Int32(3).Zeros(52 + 28).Int32(0).Int32(0).Zeros(12)},
        {"huge object count", header().Int32(0).Int32(huge).Zeros(200)},
        {"negative object count", header().Int32(0).Int32(-1).Int32(0)},
        {"huge name length", header().Int32(0).Int32(1).StringWithCount(huge, "abc").Zeros(40).Int32(0)},
        {"negative name length", header().Int32(0).Int32(1).StringWithCount(-5, "").Zeros(40).Int32(0)},
        {"huge spline count", header().Int32(0).Int32(0).Int32(huge).Zeros(200)},
        {"negative spline count", header().Int32(0).Int32(0).Int32(-2)},
        {"huge segment count", header().Int32(0).Int32(0).Int32(1).String("c_path").Int32(0).Int32(huge).Zeros(96)},
        {"segment count times 48 wraps 32 bits",
         header().Int32(0).Int32(0).Int32(1).String("c_path").Int32(0).Int32(0x05555556).Zeros(96)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LevelFileRecord record;
        EXPECT_FALSE(Parse(c.bytes.Str(), record));
    }
}

TEST_F(LevelFileTest, ABadFileLeavesTheCallersRecordUntouched) {
    const std::string whole = RaceLevel().Bytes().Str();
    mWork.Folder().Write("Data/Levels/cut.lvl", whole.substr(0, whole.size() - 3));
    LevelFileRecord record;
    record.lightCount = 42;
    record.objects.push_back({"kept", {}, {}, {}});
    EXPECT_FALSE(LoadLevelFile("cut", record));
    EXPECT_FALSE(LoadLevelFile("missing", record));
    EXPECT_EQ(record.lightCount, 42);
    ASSERT_EQ(record.objects.size(), 1u);
    EXPECT_EQ(record.objects[0].name, "kept");
}

TEST_F(LevelFileTest, ValidationRefusesNonFiniteObjectsAndBadKeptSplines) {
    struct Case {
        const char* name;
        LevelFileBuilder level;
        bool valid;
    };
    auto withObject = [](const LevelFileObject& object) { return RaceLevel().Object(object); };
    const SplineSegmentPoints broken{{0, 0, 0}, {kNaN, 0, 0}, {1, 0, 0}, {2, 0, 0}};
    const Case cases[] = {
        {"sound level", RaceLevel(), true},
        {"NaN position", withObject({"rock", {kNaN, 0, 0}, {0, 0, 0, 1}, {1, 1, 1}}), false},
        {"infinite rotation", withObject({"rock", {}, {0, 0, INFINITY, 1}, {1, 1, 1}}), false},
        {"NaN scale", withObject({"rock", {}, {0, 0, 0, 1}, {1, kNaN, 1}}), false},
        {"broken c_path", RaceLevel().Spline({"c_path", 0, {broken}}), false},
        {"broken left overridden by a later one",
         LevelFileBuilder().Spline({"left", 0, {broken}}).StraightSpline("left", {0, 0, 0}, {1, 0, 0}), true},
        {"broken spline of a dropped name", RaceLevel().Spline({"fence", 0, {broken}}), true},
        {"too long right", RaceLevel().StraightSpline("right", {0, 0, 0}, {300000, 0, 0}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LevelFileRecord record;
        ASSERT_TRUE(Parse(c.level, record));
        EXPECT_EQ(ValidateLevelFile(record), c.valid);
    }
}

TEST_F(LevelFileTest, TheLastSplineOfANameWins) {
    LevelFileRecord record;
    ASSERT_TRUE(Parse(RaceLevel().StraightSpline("c_path", {0, 0, 0}, {7, 0, 0}), record));
    const SplineRecord* path = FindLevelSpline(record, "c_path");
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(path->segments[0].p3.x, 7.0f);
    EXPECT_EQ(FindLevelSpline(record, "C_PATH"), nullptr);
}

TEST(LevelConstantsTest, LevelNumberAndExtentFromTheName) {
    struct Case {
        const char* name;
        int32_t number;
        float extent;
    };
    for (const Case& c : {Case{"level1", 1, 1000.0f}, Case{"level2", 2, 1150.0f}, Case{"level7", 7, 1200.0f},
                          Case{"level4", 4, 3800.0f}, Case{"level12", 12, 3800.0f}, Case{"level9", 9, 1000.0f},
                          Case{"level10", 10, 1150.0f}, Case{"Level1", 0, 1000.0f}, Case{"level13", 0, 1000.0f},
                          Case{"level01", 0, 1000.0f}, Case{"arena", 0, 1000.0f}, Case{"", 0, 1000.0f}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LevelNumberFromName(c.name), c.number);
        EXPECT_EQ(LevelExtent(LevelNumberFromName(c.name)), c.extent);
    }
}

TEST(LevelObjectRulesTest, NamesToKindsAndRules) {
    using K = LevelObjectKind;
    struct Case {
        const char* name;
        bool singleRace;
        bool timeAttack;
        K kind;
        const char* kindName;
        const char* description;
    };
    const Case cases[] = {
        {"player", false, false, K::PlayerStart, "player", ""},
        {"player7", false, false, K::PlayerStart, "player", ""},
        {"players", false, false, K::Mesh, "players", "players.rdf"},
        {"enemy_a2", false, false, K::EnemyStart, "enemy_a", ""},
        {"enemy_a2", false, true, K::Skipped, "enemy_a", ""},
        {"enemy3", true, false, K::EnemyStart, "enemy", ""},
        {"chest1", false, false, K::Mesh, "chest", "chest.rdf"},
        {"chest1", true, false, K::Skipped, "chest", ""},
        {"checkpoint2,30", false, false, K::Mesh, "checkpoint", "checkpoint.rdf"},
        {"checkpoint2,30", true, false, K::Skipped, "checkpoint2,", ""},
        {"chk12_sign3", false, false, K::NumberedHidden, "chk12_sign", "sign.rdf"},
        {"chk12_sign3", true, false, K::NumberedHidden, "chk12_sign", "sign.rdf"},
        {"chk-3_sign", false, false, K::NumberedHidden, "chk-3_sign", "sign.rdf"},
        {"chk7", false, false, K::NumberedHidden, "chk", ".rdf"},
        {"chk12", false, false, K::NumberedHidden, "chk", ".rdf"},
        {"chk12_", false, false, K::NumberedHidden, "chk12_", ".rdf"},
        {"chkx", false, false, K::NumberedHidden, "chkx", ".rdf"},
        {"src_well2", false, false, K::Source, "src_well", ""},
        {"stolb_start_left", false, false, K::StartPostLeft, "stolb_start_left", ""},
        {"stolb_start_right1", false, false, K::StartPostRight, "stolb_start_right", ""},
        {"stolb_start_middle", false, false, K::Mesh, "stolb_start_middle", "stolb_start_middle.rdf"},
        {"tree12", false, false, K::Mesh, "tree", "tree.rdf"},
        {"arrow_blue3", false, false, K::Mesh, "arrow_blue", "arrow_blue.rdf"},
        {"77", false, false, K::Mesh, "", ".rdf"},
        {"", false, false, K::Mesh, "", ".rdf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.singleRace ? " single" : "") + (c.timeAttack ? " time" : ""));
        const LevelObjectPlan plan = ClassifyLevelObject(c.name, c.singleRace, c.timeAttack);
        EXPECT_EQ(plan.kind, c.kind);
        EXPECT_EQ(plan.kindName, c.kindName);
        EXPECT_EQ(plan.description, c.description);
    }
}

TEST(LevelObjectRulesTest, NumberedHiddenNumbersAndSourceKeys) {
    struct Case {
        const char* name;
        const char* numberText;
        int32_t number;
    };
    for (const Case& c : {Case{"chk12_sign3", "12", 12}, Case{"chk-3_sign", "-3", -3}, Case{"chk7", "", 0},
                          Case{"chk3-4x", "3-4", 3}, Case{"chk--2x", "--2", 0}, Case{"chk-x", "-", 0},
                          Case{"chk99999999999_a", "99999999999", 2147483647},
                          Case{"chk-99999999999_a", "-99999999999", -2147483647 - 1}}) {
        SCOPED_TRACE(c.name);
        const LevelObjectPlan plan = ClassifyLevelObject(c.name, false, false);
        EXPECT_EQ(plan.numberText, c.numberText);
        EXPECT_EQ(plan.number, c.number);
    }
    struct Key {
        const char* name;
        const char* key;
    };
    for (const Key& k : {Key{"src_well", "well"}, Key{"src_well7", "well"}, Key{"srcX_a", "_a"}, Key{"src_", ""},
                         Key{"src", ""}, Key{"src12", ""}}) {
        SCOPED_TRACE(k.name);
        const LevelObjectPlan plan = ClassifyLevelObject(k.name, false, false);
        EXPECT_EQ(plan.kind, LevelObjectKind::Source);
        EXPECT_EQ(plan.sourceKey, k.key);
    }
}

TEST(LevelObjectRulesTest, CheckpointAllowanceIsTheSecondTokenPlus15) {
    struct Case {
        const char* name;
        bool checkpoint;
        float time;
    };
    for (const Case& c : {Case{"checkpoint2,30", true, 45.0f}, Case{"checkpoint3,20", true, 35.0f},
                          Case{"checkpoint_a", true, 15.0f}, Case{"checkpoint_a4, 12.5 ,x", true, 27.5f},
                          Case{"checkpoint1,\"7,5\"", true, 22.0f}, Case{"checkpoint1,abc", true, 15.0f},
                          Case{"checkpoints1,30", false, 0.0f}}) {
        SCOPED_TRACE(c.name);
        const LevelObjectPlan plan = ClassifyLevelObject(c.name, false, false);
        EXPECT_EQ(plan.checkpoint, c.checkpoint);
        EXPECT_EQ(plan.checkpointTime, c.time);
    }
}

TEST(LevelObjectRulesTest, MeshesAndHiddenObjectsTakeTheConjugateRotation) {
    const D3DXQUATERNION stored(0.1f, -0.2f, 0.3f, 0.9f);
    const D3DXQUATERNION conjugate(-0.1f, 0.2f, -0.3f, 0.9f);
    struct Case {
        LevelObjectKind kind;
        D3DXQUATERNION expected;
    };
    for (const Case& c : {Case{LevelObjectKind::Mesh, conjugate}, Case{LevelObjectKind::NumberedHidden, conjugate},
                          Case{LevelObjectKind::PlayerStart, stored}, Case{LevelObjectKind::EnemyStart, stored}}) {
        EXPECT_EQ(PlacedRotation(c.kind, stored), c.expected);
    }
}
