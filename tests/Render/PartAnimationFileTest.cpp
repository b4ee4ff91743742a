#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Render/PPartAnimationFile.h"
#include "core/files/CPFileReader.h"
#include "support/ByteBuilder.h"
#include "support/MathExpect.h"
#include "support/TempFolder.h"

namespace {

struct StoredKey {
    float duration;
    float columns[12];  // m11, m21, m31, m41, m12, ... as stored
};

void AppendTrack(ByteBuilder& bytes, const std::string& name, const std::vector<StoredKey>& keys) {
    bytes.String(name).Int32(static_cast<int32_t>(keys.size()));
    for (const StoredKey& key : keys) {
        bytes.Float32(key.duration);
        for (float value : key.columns) bytes.Float32(value);
    }
}

StoredKey Translation(float duration, float x, float y, float z) {
    return {duration, {1, 0, 0, x, 0, 1, 0, y, 0, 0, 1, z}};
}

class PartAnimationFileTest : public ::testing::Test {
protected:
    void WriteAnimation(const std::string& name, const ByteBuilder& bytes) {
        folder.Folder().Write("Data/Animations/" + name, bytes.Bytes());
    }
    ~PartAnimationFileTest() override {
        for (auto& [name, track] : tracks) {
            CPPartAnimation* owned = track.Get();
            track.Forget();
            delete owned;
        }
    }

    ScopedWorkingFolder folder;
    CPPartAnimationTable tracks{kPartAnimationBuckets};
};

}  // namespace

TEST_F(PartAnimationFileTest, TracksBecomePartAnimationsByLowerCasedNodeName) {
    ByteBuilder bytes;
    bytes.Int32(3);
    AppendTrack(bytes, "Door", {Translation(0.5f, 1, 2, 3), Translation(1.5f, 4, 5, 6)});
    AppendTrack(bytes, "window", {});
    AppendTrack(bytes, "door", {Translation(2.0f, 7, 8, 9)});
    WriteAnimation("Open.anm", bytes);

    ReadAnimationDescription("open.anm", tracks);

    ASSERT_EQ(tracks.size(), 2u);
    const CPPartAnimation& door = *tracks.at("door");
    ASSERT_EQ(door.GetKeys().size(), 1u) << "a later track of a name replaces the earlier one";
    EXPECT_EQ(door.GetDurations(), std::vector<float>{2.0f});
    D3DXMATRIX expected;
    D3DXMatrixTranslation(&expected, 7, 8, 9);
    ExpectMatrixNear(door.GetKeys()[0], expected);
    EXPECT_TRUE(tracks.at("window")->GetKeys().empty()) << "a track of no keys";
}

TEST_F(PartAnimationFileTest, ColumnsAreReadColumnByColumn) {
    ByteBuilder bytes;
    bytes.Int32(1);
    AppendTrack(bytes, "n", {{1.0f, {11, 21, 31, 41, 12, 22, 32, 42, 13, 23, 33, 43}}});
    folder.Folder().Write("keys.bin", bytes.Bytes());
    CPFileReader reader("keys.bin", false);
    ASSERT_EQ(reader.Load(), S_OK);
    std::vector<CPPartAnimationTrack> read;
    ASSERT_TRUE(ReadPartAnimationFile(reader, read));
    ASSERT_EQ(read.size(), 1u);
    const D3DXMATRIX& m = read[0].keys[0];
    EXPECT_FLOAT_EQ(m._11, 11);
    EXPECT_FLOAT_EQ(m._41, 41);
    EXPECT_FLOAT_EQ(m._12, 12);
    EXPECT_FLOAT_EQ(m._43, 43);
    EXPECT_FLOAT_EQ(m._14, 0);
    EXPECT_FLOAT_EQ(m._44, 1);
}

TEST_F(PartAnimationFileTest, MissingEmptyAndDamagedFilesGiveNoTracks) {
    auto file = [](int32_t count, auto append) {
        ByteBuilder bytes;
        bytes.Int32(count);
        append(bytes);
        return bytes;
    };
    struct Case {
        const char* name;
        ByteBuilder bytes;
    };
    const std::vector<Case> cases = {
        {"no entries", file(0, [](ByteBuilder&) {})},
        {"negative entry count", file(-4, [](ByteBuilder& b) { AppendTrack(b, "door", {Translation(1, 0, 0, 0)}); })},
        {"entry count beyond the bytes left", file(1000, [](ByteBuilder& b) { AppendTrack(b, "door", {}); })},
        {"negative key count", file(1, [](ByteBuilder& b) { b.String("door").Int32(-1); })},
        {"key count beyond the bytes left", file(1, [](ByteBuilder& b) { b.String("door").Int32(INT32_MAX); })},
        {"key cut short", file(1, [](ByteBuilder& b) { b.String("door").Int32(1).Float32(1.0f).Float32(2.0f); })},
        {"name count beyond the bytes left", file(1, [](ByteBuilder& b) { b.StringWithCount(50, "door"); })},
        {"second entry missing",
         file(2, [](ByteBuilder& b) { AppendTrack(b, "door", {Translation(1, 0, 0, 0)}); })},
        {"empty file", ByteBuilder()},
    };
    for (const Case& c : cases) {
        WriteAnimation("bad.anm", c.bytes);
        ReadAnimationDescription("bad.anm", tracks);
        EXPECT_TRUE(tracks.empty()) << c.name;
    }
    ReadAnimationDescription("missing.anm", tracks);
    EXPECT_TRUE(tracks.empty());
}
