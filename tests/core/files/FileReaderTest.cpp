#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "core/files/CPFileReader.h"
#include "core/files/ScrambleBuffer.h"
#include "support/ByteBuilder.h"
#include "support/TempFolder.h"

namespace {
uint32_t BitsOf(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}
}  // namespace

TEST(FileReaderTest, DecodesTheBinaryConventions) {
    ScopedWorkingFolder work;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    ByteBuilder file;
    file.Int32(0x12345678).Int32(-1).Int32(INT32_MIN).Float32(1.5f).Float32(-0.0f).Float32(nan);
    file.String("hello").String("").StringWithCount(5, std::string("ab\0cd", 5)).Raw("XYZ");
    work.Folder().Write("f.bin", file.Str());

    CPFileReader reader("f.bin", false);
    ASSERT_EQ(reader.Load(), S_OK);
    ASSERT_EQ(reader.GetSize(), file.Size());
    EXPECT_EQ(std::memcmp(reader.GetData(), file.Bytes().data(), file.Size()), 0);
    EXPECT_EQ(reader.GetData()[0], 0x78) << "little-endian";
    EXPECT_EQ(reader.ReadInt(), 0x12345678);
    EXPECT_EQ(reader.ReadInt(), -1);
    EXPECT_EQ(reader.ReadInt(), INT32_MIN);
    EXPECT_EQ(reader.ReadFloat(), 1.5f);
    EXPECT_EQ(BitsOf(reader.ReadFloat()), 0x80000000u);
    EXPECT_EQ(BitsOf(reader.ReadFloat()), BitsOf(nan));
    EXPECT_EQ(reader.ReadString(), "hello");
    uint32_t before = reader.GetPosition();
    EXPECT_EQ(reader.ReadString(), "");
    EXPECT_EQ(reader.GetPosition(), before + 4);
    before = reader.GetPosition();
    EXPECT_EQ(reader.ReadString(), "ab") << "the text ends at the first zero";
    EXPECT_EQ(reader.GetPosition(), before + 9) << "all counted bytes are consumed";
    char raw[3];
    EXPECT_FALSE(reader.IsAtEnd()) << "three bytes are left";
    EXPECT_EQ(reader.ReadBytes(raw, 3), S_OK);
    EXPECT_EQ(std::string(raw, 3), "XYZ");
    EXPECT_EQ(reader.GetRemaining(), 0u);
    EXPECT_TRUE(reader.IsAtEnd());
    EXPECT_FALSE(reader.HasOverrun()) << "a well-formed file reads to its end without overrun";
}

// Vectors and rotations are their floats in x, y, z (w) order; a short record reads as zeros after the
// overrun, never past the buffer.
TEST(FileReaderTest, ReadsVectorsAndQuaternionsComponentByComponent) {
    ScopedWorkingFolder work;
    ByteBuilder file;
    file.Float32(1.0f).Float32(-2.0f).Float32(3.5f).Float32(0.25f).Float32(0.5f).Float32(-0.75f).Float32(1.0f);
    file.Float32(7.0f).Float32(8.0f);
    work.Folder().Write("v.bin", file.Str());

    CPFileReader reader("v.bin", false);
    ASSERT_EQ(reader.Load(), S_OK);
    const D3DXVECTOR3 v = reader.ReadVector();
    EXPECT_EQ(v.x, 1.0f);
    EXPECT_EQ(v.y, -2.0f);
    EXPECT_EQ(v.z, 3.5f);
    EXPECT_EQ(reader.GetPosition(), 12u);
    const D3DXQUATERNION q = reader.ReadQuaternion();
    EXPECT_EQ(q.x, 0.25f);
    EXPECT_EQ(q.y, 0.5f);
    EXPECT_EQ(q.z, -0.75f);
    EXPECT_EQ(q.w, 1.0f);
    EXPECT_FALSE(reader.HasOverrun());
    const D3DXVECTOR3 cut = reader.ReadVector();
    EXPECT_EQ(cut.x, 7.0f);
    EXPECT_EQ(cut.y, 8.0f);
    EXPECT_EQ(cut.z, 0.0f) << "the missing float";
    EXPECT_TRUE(reader.HasOverrun());
    EXPECT_EQ(reader.GetPosition(), reader.GetSize());
}

TEST(FileReaderTest, ReadsPastTheEndNeverLeaveTheBuffer) {
    struct Case {
        const char* name;
        std::string bytes;
        // What is read: 'i' int, 'f' float, 's' string, 'b' 8 raw bytes, 'n' raw bytes with count -1.
        std::string reads;
    };
    const std::vector<Case> cases = {
        {"int from three bytes", ByteBuilder().Int32(7).Truncated(1), "i"},
        {"float from two bytes", ByteBuilder().Float32(2.0f).Truncated(2), "f"},
        {"string count beyond the end", ByteBuilder().StringWithCount(6, "abc").Str(), "s"},
        {"negative string count", ByteBuilder().StringWithCount(-1, "abcd").Str(), "s"},
        {"huge string count", ByteBuilder().StringWithCount(INT32_MAX, "x").Str(), "s"},
        {"string cut inside its count", ByteBuilder().String("abc").Truncated(6), "s"},
        {"raw bytes beyond the end", ByteBuilder().Int32(1).Str(), "ib"},
        {"negative raw count", ByteBuilder().Int32(1).Str(), "n"},
        {"empty file", "", "i"},
        {"second field missing", ByteBuilder().Int32(1).Str(), "ii"},
    };
    for (const Case& c : cases) {
        ScopedWorkingFolder work;
        work.Folder().Write("t.bin", c.bytes);
        CPFileReader reader("t.bin", false);
        ASSERT_EQ(reader.Load(), S_OK) << c.name;
        int32_t lastInt = -99;
        float lastFloat = -99.0f;
        std::string lastString = "stale";
        uint8_t raw[8];
        HRESULT lastBytes = S_OK;
        for (char r : c.reads) {
            std::memset(raw, 0xAB, sizeof raw);
            if (r == 'i') lastInt = reader.ReadInt();
            if (r == 'f') lastFloat = reader.ReadFloat();
            if (r == 's') lastString = reader.ReadString();
            if (r == 'b') lastBytes = reader.ReadBytes(raw, 8);
            if (r == 'n') lastBytes = reader.ReadBytes(raw, -1);
        }
        EXPECT_TRUE(reader.HasOverrun()) << c.name;
        EXPECT_EQ(reader.GetPosition(), reader.GetSize()) << c.name;
        const char last = c.reads.back();
        if (last == 'i') {
            EXPECT_EQ(lastInt, 0) << c.name;
        } else if (last == 'f') {
            EXPECT_EQ(lastFloat, 0.0f) << c.name;
        } else if (last == 's') {
            EXPECT_EQ(lastString, "") << c.name;
        } else if (last == 'b') {
            EXPECT_EQ(lastBytes, E_FAIL) << c.name;
            EXPECT_EQ(raw[7], 0) << c.name << ": the destination is zeroed";
        } else {
            EXPECT_EQ(lastBytes, E_FAIL) << c.name;
            EXPECT_EQ(raw[0], 0xAB) << c.name << ": nothing written for a negative count";
        }
        // The flag is sticky and later reads stay inside the buffer.
        EXPECT_EQ(reader.ReadInt(), 0) << c.name;
        EXPECT_TRUE(reader.HasOverrun()) << c.name;
    }
}

TEST(FileReaderTest, ZeroByteFileLoads) {
    ScopedWorkingFolder work;
    work.Folder().Write("empty.dat", "");
    CPFileReader reader("empty.dat", true);
    EXPECT_EQ(reader.Load(), S_OK);
    EXPECT_EQ(reader.GetSize(), 0u);
    EXPECT_EQ(reader.ReadBytes(nullptr, 0), S_OK);
    EXPECT_FALSE(reader.HasOverrun());
}

TEST(FileReaderTest, OpensMixedCaseTreesByTheLowerCasedName) {
    ScopedWorkingFolder work;
    work.Folder().Write("Data/Meshes/Car.MSH", ByteBuilder().Int32(42).Str());
    for (const char* name : {"DATA\\Meshes\\CAR.msh", "data\\meshes\\car.msh", ".\\Data\\MESHES\\Car.MSH"}) {
        CPFileReader reader(name, false);
        EXPECT_EQ(reader.GetPath(), [&] {
            std::string lower = name;
            for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            return lower;
        }()) << name;
        ASSERT_EQ(reader.Load(), S_OK) << name;
        EXPECT_EQ(reader.ReadInt(), 42) << name;
    }
}

TEST(FileReaderTest, RefusesWhatIsNotAReadableFile) {
    ScopedWorkingFolder work;
    work.Folder().MakeFolder("Data/Levels");
    {
        CPFileReader folder("data\\levels", false);
        EXPECT_EQ(folder.Load(), E_FAIL);
        EXPECT_EQ(folder.GetSize(), 0u);
    }
    {
        CPFileReader missing("data\\levels\\none.lvl", false);
        EXPECT_EQ(missing.Load(), E_FAIL);
        EXPECT_EQ(missing.GetSize(), 0u);
        EXPECT_EQ(missing.ReadInt(), 0);
        EXPECT_TRUE(missing.HasOverrun());
    }
    {
        // A sparse file just over 2 GiB is refused before anything is allocated.
        work.Folder().Write("big.dat", "");
        ASSERT_EQ(::truncate("big.dat", (int64_t{1} << 31) + 1), 0);
        CPFileReader big("big.dat", false);
        EXPECT_EQ(big.Load(), E_FAIL);
        EXPECT_EQ(big.GetSize(), 0u);
    }
}

TEST(FileReaderTest, UnscramblesWhenAsked) {
    ScopedWorkingFolder work;
    std::vector<uint8_t> plain(3000);
    for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<uint8_t>(i);
    std::vector<uint8_t> scrambled = plain;
    ScrambleBuffer(scrambled);
    work.Folder().Write("Data/scores.dat", scrambled);

    CPFileReader unscrambling("Data\\scores.dat", true);
    ASSERT_EQ(unscrambling.Load(), S_OK);
    EXPECT_EQ(std::vector<uint8_t>(unscrambling.GetData(), unscrambling.GetData() + unscrambling.GetSize()), plain);
    CPFileReader raw("Data\\scores.dat", false);
    ASSERT_EQ(raw.Load(), S_OK);
    EXPECT_EQ(std::vector<uint8_t>(raw.GetData(), raw.GetData() + raw.GetSize()), scrambled);
}

TEST(FileReaderTest, FallsBackOnTheArchiveList) {
    ScopedWorkingFolder work;
    std::vector<uint8_t> inner = {'p', 'a', 'c', 'k', 'e', 'd'};
    std::vector<uint8_t> scrambled = inner;
    ScrambleBuffer(scrambled);
    std::string archive = "HEADER";
    archive.append(scrambled.begin(), scrambled.end());
    work.Folder().Write("pack.bin", archive);

    gArchiveList.push_back({"pack.bin", {{"data\\x.txt", {6, 6}}, {"data\\bad.txt", {4, 100}}}});
    CPFileReader packed("Data\\X.txt", false);
    EXPECT_EQ(packed.Load(), S_OK);
    EXPECT_EQ(std::string(packed.GetData(), packed.GetData() + packed.GetSize()), "packed") << "always unscrambled";
    CPFileReader beyond("data\\bad.txt", false);
    EXPECT_EQ(beyond.Load(), E_FAIL) << "a span past the archive's end";
    EXPECT_EQ(beyond.GetSize(), 0u);
    CPFileReader unknown("data\\none.txt", false);
    EXPECT_EQ(unknown.Load(), E_FAIL);
    gArchiveList.clear();
}
