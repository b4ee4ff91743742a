#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/files/CPFileReader.h"
#include "core/files/CPFileWriter.h"
#include "core/files/ScrambleBuffer.h"
#include "support/ByteBuilder.h"
#include "support/FileSizeLimit.h"
#include "support/TempFolder.h"

namespace {
std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}
}  // namespace

TEST(FileWriterTest, EncodesFieldByFieldAsTheReaderReads) {
    ScopedWorkingFolder work;
    work.Folder().MakeFolder("Data/Saves");
    CPFileWriter writer("DATA\\Saves\\save0.sav", false);
    const float f = -2.25f;
    EXPECT_EQ(writer.WriteInt(-123456), S_OK);
    EXPECT_EQ(writer.WriteString("player"), S_OK);
    EXPECT_EQ(writer.WriteString(""), S_OK);
    EXPECT_EQ(writer.WriteBytes(&f, 4), S_OK);
    EXPECT_EQ(writer.WriteFloat(f), S_OK);
    EXPECT_EQ(writer.WriteBytes("zz", 0), S_OK);
    EXPECT_EQ(writer.WriteBytes("zz", -5), S_OK);
    EXPECT_EQ(writer.GetBytes(),
              ByteBuilder().Int32(-123456).String("player").String("").Float32(f).Float32(f).Bytes());
    ASSERT_EQ(writer.Commit(), S_OK);

    EXPECT_EQ(Entries("Data/Saves"), std::vector<std::string>{"save0.sav"}) << "written into the existing folder";
    CPFileReader reader("data\\saves\\save0.sav", false);
    ASSERT_EQ(reader.Load(), S_OK);
    EXPECT_EQ(reader.ReadInt(), -123456);
    EXPECT_EQ(reader.ReadString(), "player");
    EXPECT_EQ(reader.ReadString(), "");
    EXPECT_EQ(reader.ReadFloat(), f);
    EXPECT_EQ(reader.ReadFloat(), f);
    EXPECT_EQ(reader.GetRemaining(), 0u);
}

TEST(FileWriterTest, ReplacesAnExistingFileOfAnyCase) {
    ScopedWorkingFolder work;
    work.Folder().Write("Data/Saves/SAVE1.SAV", "old contents");
    CPFileWriter writer("data\\saves\\save1.sav", false);
    writer.WriteString("new");
    ASSERT_EQ(writer.Commit(), S_OK);
    EXPECT_EQ(Entries("Data/Saves"), std::vector<std::string>{"SAVE1.SAV"});
    EXPECT_EQ(work.Folder().Read("Data/Saves/SAVE1.SAV"), ByteBuilder().String("new").Str());
}

TEST(FileWriterTest, EmptyCommitCreatesAnEmptyFileAndUncommittedBytesAreLost) {
    ScopedWorkingFolder work;
    {
        CPFileWriter never("never.dat", false);
        never.WriteInt(1);
    }
    EXPECT_FALSE(work.Folder().Exists("never.dat"));
    CPFileWriter empty("empty.dat", true);
    ASSERT_EQ(empty.Commit(), S_OK);
    ASSERT_TRUE(work.Folder().Exists("empty.dat"));
    EXPECT_EQ(work.Folder().Read("empty.dat"), "");
}

TEST(FileWriterTest, ScramblesOnlyTheWrittenCopy) {
    ScopedWorkingFolder work;
    ByteBuilder content;
    for (int i = 0; i < 700; ++i) content.Int32(i * 7919);
    CPFileWriter writer("Data\\scores.dat", true);
    work.Folder().MakeFolder("Data");
    writer.WriteBytes(content.Bytes().data(), static_cast<int64_t>(content.Size()));
    ASSERT_EQ(writer.Commit(), S_OK);
    EXPECT_EQ(writer.GetBytes(), content.Bytes()) << "the collected bytes stay as written";
    ASSERT_EQ(writer.Commit(), S_OK) << "a second commit scrambles the original again, not twice";

    std::vector<uint8_t> expected = content.Bytes();
    ScrambleBuffer(expected);
    EXPECT_EQ(work.Folder().Read("Data/scores.dat"), std::string(expected.begin(), expected.end()));
    CPFileReader reader("data\\scores.dat", true);
    ASSERT_EQ(reader.Load(), S_OK);
    EXPECT_EQ(std::vector<uint8_t>(reader.GetData(), reader.GetData() + reader.GetSize()), content.Bytes());
}

TEST(FileWriterTest, FailedCommitKeepsThePreviousFile) {
    ScopedWorkingFolder work;
    work.Folder().Write("Data/Saves/save2.sav", "previous");
    CPFileWriter writer("Data\\Saves\\save2.sav", true);
    const std::string big(4096, 'x');
    writer.WriteBytes(big.data(), static_cast<int64_t>(big.size()));
    {
        FileSizeLimit full(1024);  // the write runs out of room part-way
        EXPECT_EQ(writer.Commit(), E_FAIL);
    }
    EXPECT_EQ(work.Folder().Read("Data/Saves/save2.sav"), "previous");
    EXPECT_EQ(Entries("Data/Saves"), std::vector<std::string>{"save2.sav"}) << "no temporary file is left";

    ASSERT_EQ(writer.Commit(), S_OK) << "a retry once there is room";
    CPFileReader reader("data\\saves\\save2.sav", true);
    ASSERT_EQ(reader.Load(), S_OK);
    EXPECT_EQ(std::string(reader.GetData(), reader.GetData() + reader.GetSize()), big);
}

TEST(FileWriterTest, CommitFailsWhereNoFileCanBeMade) {
    ScopedWorkingFolder work;
    work.Folder().MakeFolder("Data/Saves");
    CPFileWriter missingFolder("Data\\Nowhere\\a.sav", false);
    missingFolder.WriteInt(1);
    EXPECT_EQ(missingFolder.Commit(), E_FAIL);
    EXPECT_FALSE(work.Folder().Exists("Data/Nowhere"));

    CPFileWriter folder("data\\saves", false);
    folder.WriteInt(1);
    EXPECT_EQ(folder.Commit(), E_FAIL);
    EXPECT_TRUE(std::filesystem::is_directory("Data/Saves"));
    EXPECT_TRUE(Entries("Data/Saves").empty());
}
