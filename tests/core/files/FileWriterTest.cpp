#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
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

unsigned ModeOf(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0u;
}

// Runs `body` in a child process that is not root and gives back the text it returned ("no result"
// when the child did not end normally). Root may write any file, so when the test runs as root the
// child first becomes user and group nobody (65534).
std::string InChildWithoutRoot(const std::function<std::string()>& body) {
    int channel[2];
    if (::pipe(channel) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        const std::string result = body();
        const bool sent = ::write(channel[1], result.data(), result.size()) == static_cast<ssize_t>(result.size());
        ::_exit(sent ? 0 : 3);
    }
    ::close(channel[1]);
    std::string result;
    char buffer[256];
    ssize_t n;
    while ((n = ::read(channel[0], buffer, sizeof buffer)) > 0) result.append(buffer, static_cast<size_t>(n));
    ::close(channel[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "no result";
    return result;
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
    EXPECT_EQ(missingFolder.GetFailure(), work.Folder().Path() + "/Data/Nowhere/a.sav: No such file or directory");

    CPFileWriter folder("data\\saves", false);
    folder.WriteInt(1);
    EXPECT_EQ(folder.Commit(), E_FAIL);
    EXPECT_TRUE(std::filesystem::is_directory("Data/Saves"));
    EXPECT_TRUE(Entries("Data/Saves").empty());
    EXPECT_EQ(folder.GetFailure(), work.Folder().Path() + "/Data/Saves: Is a directory");

    work.Folder().MakeFolder("Data/Nowhere");
    ASSERT_EQ(missingFolder.Commit(), S_OK);
    EXPECT_EQ(missingFolder.GetFailure(), "") << "a commit that works clears the failure";
}

TEST(FileWriterTest, AFileThatMayNotBeWrittenIsKept) {
    ScopedWorkingFolder work;
    // Anyone may write the folder: only the file's own mode protects it from being renamed over.
    ASSERT_EQ(::chmod(work.Folder().Path().c_str(), 0777), 0);
    work.Folder().Write("config.cfg", "kept");
    ASSERT_EQ(::chmod("config.cfg", 0444), 0);
    const std::string result = InChildWithoutRoot([] {
        CPFileWriter writer("Config.cfg", false);
        writer.WriteString("new");
        return (writer.Commit() == E_FAIL ? "refused; " : "written; ") + writer.GetFailure();
    });
    EXPECT_EQ(result, "refused; " + work.Folder().Path() + "/config.cfg: Permission denied");
    EXPECT_EQ(work.Folder().Read("config.cfg"), "kept");
    EXPECT_EQ(ModeOf("config.cfg"), 0444u);
    EXPECT_EQ(Entries("."), std::vector<std::string>{"config.cfg"}) << "no temporary file is left";
}

TEST(FileWriterTest, ALinkIsFollowedToTheFileItNames) {
    struct Case {
        const char* name;    // what the writer is given
        const char* link;    // the link made at that name
        const char* target;  // what the link holds
        const char* file;    // the file that must receive the bytes
    };
    const Case cases[] = {
        {"settings.cfg", "settings.cfg", "real/settings.cfg", "real/settings.cfg"},
        {"Data\\config.cfg", "Data/config.cfg", "../real/settings.cfg", "real/settings.cfg"},
        {"chain.cfg", "chain.cfg", "settings.cfg", "real/settings.cfg"},  // settings.cfg is the first case's link
        {"dangling.cfg", "dangling.cfg", "real/new.cfg", "real/new.cfg"},
    };
    ScopedWorkingFolder work;
    work.Folder().Write("real/settings.cfg", "old");
    work.Folder().MakeFolder("Data");
    const std::string absolute = work.Folder().File("real/absolute.cfg");
    work.Folder().Write("real/absolute.cfg", "old");
    ASSERT_EQ(::symlink(absolute.c_str(), "absolute.cfg"), 0);
    for (const Case& c : cases) ASSERT_EQ(::symlink(c.target, c.link), 0) << c.link;

    std::vector<Case> all(std::begin(cases), std::end(cases));
    all.push_back({"absolute.cfg", "absolute.cfg", absolute.c_str(), "real/absolute.cfg"});
    for (const Case& c : all) {
        CPFileWriter writer(c.name, false);
        writer.WriteString(c.name);
        ASSERT_EQ(writer.Commit(), S_OK) << c.name << ": " << writer.GetFailure();
        EXPECT_TRUE(std::filesystem::is_symlink(c.link)) << c.name << " stays a link";
        EXPECT_EQ(std::filesystem::read_symlink(c.link), c.target) << c.name;
        EXPECT_EQ(work.Folder().Read(c.file), ByteBuilder().String(c.name).Str()) << c.name;
    }
    EXPECT_EQ(Entries("real"), (std::vector<std::string>{"absolute.cfg", "new.cfg", "settings.cfg"}));
}

TEST(FileWriterTest, TheReplacedFileKeepsItsPermissionBits) {
    ScopedWorkingFolder work;
    for (unsigned mode : {0600u, 0640u, 0664u, 0755u, 02750u}) {
        work.Folder().Write("save.sav", "old");
        ASSERT_EQ(::chmod("save.sav", mode), 0);
        CPFileWriter writer("save.sav", false);
        writer.WriteInt(static_cast<int32_t>(mode));
        ASSERT_EQ(writer.Commit(), S_OK) << writer.GetFailure();
        EXPECT_EQ(ModeOf("save.sav"), mode) << std::oct << mode;
        EXPECT_EQ(work.Folder().Read("save.sav"), ByteBuilder().Int32(static_cast<int32_t>(mode)).Str());
    }
    // A new file gets the mode any newly created file gets: 0666 less the process's mask.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    CPFileWriter fresh("fresh.sav", false);
    ASSERT_EQ(fresh.Commit(), S_OK);
    EXPECT_EQ(ModeOf("fresh.sav"), 0666u & ~static_cast<unsigned>(mask));
}
