#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/Shell.h"
#include "support/ShellRecorder.h"
#include "support/TempFolder.h"

namespace {
uintptr_t Code(HINSTANCE result) { return reinterpret_cast<uintptr_t>(result); }

// Hides the desktop session from the shell for the lifetime of the object.
class NoDesktopSession {
public:
    NoDesktopSession() {
        for (int i = 0; i < 2; ++i) {
            const char* value = std::getenv(kNames[i]);
            if (value) mSaved[i] = value;
            ::unsetenv(kNames[i]);
        }
    }
    ~NoDesktopSession() {
        for (int i = 0; i < 2; ++i) {
            if (mSaved[i]) ::setenv(kNames[i], mSaved[i]->c_str(), 1);
        }
    }

private:
    static constexpr const char* kNames[2] = {"DISPLAY", "WAYLAND_DISPLAY"};
    std::optional<std::string> mSaved[2];
};
}  // namespace

TEST(ShellTest, RecorderTakesEveryRequestInstead) {
    ShellRecorder recorder(7);
    EXPECT_EQ(Code(ShellExecuteA(nullptr, "open", ".\\data\\scripts\\game.exe", "", "", SW_SHOWNORMAL)), 7u);
    EXPECT_EQ(Code(ShellExecuteA(nullptr, nullptr, "x", nullptr, nullptr, 0)), 7u);
    ASSERT_EQ(recorder.Requests().size(), 2u);
    EXPECT_EQ(recorder.Requests()[0].verb, "open");
    EXPECT_EQ(recorder.Requests()[0].file, ".\\data\\scripts\\game.exe");
    EXPECT_EQ(recorder.Requests()[0].showCommand, SW_SHOWNORMAL);
    EXPECT_EQ(recorder.Requests()[1].verb, "");
    EXPECT_EQ(recorder.Requests()[1].parameters, "");
}

TEST(ShellTest, WindowsProgramsAndMissingFilesGetAOneLineMessage) {
    ScopedWorkingFolder work;
    work.Folder().Write("Data/Scripts/game.exe", "MZ\x90\x00 not for this system");
    ::chmod(work.Folder().File("Data/Scripts/game.exe").c_str(), 0755);
    struct Case {
        const char* file;
        const char* verb;
        uintptr_t code;
        std::string message;
    };
    // A missing file is named as the Windows path and as the path looked for on this machine.
    const std::string scripts = work.Folder().Path() + "/Data/Scripts";
    const Case cases[] = {
        {".\\data\\scripts\\game.exe", "open", SE_ERR_NOASSOC,
         "Cannot start .\\data\\scripts\\game.exe: it is not a program of this system.\n"},
        {".\\data\\scripts\\missing.exe", "open", SE_ERR_FNF,
         "Cannot start .\\data\\scripts\\missing.exe: there is no such file (looked for " + scripts + "/missing.exe).\n"},
        {".\\data\\scripts", "open", SE_ERR_FNF,
         "Cannot start .\\data\\scripts: there is no such file (looked for " + scripts + ").\n"},
        {".\\data\\scripts\\game.exe", "print", SE_ERR_NOASSOC,
         "Cannot \"print\" .\\data\\scripts\\game.exe: only \"open\" is supported.\n"},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        HINSTANCE result = ShellExecuteA(nullptr, c.verb, c.file, "", "", SW_SHOWNORMAL);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message) << c.file;
        EXPECT_EQ(Code(result), c.code) << c.file;
    }
}

TEST(ShellTest, StartsANativeProgramWithItsParametersInItsFolder) {
    ScopedWorkingFolder work;
    // A relative program is found from the folder it is to run in.
    work.Folder().Write("Run/Tools/Report.sh",
                        "#!/bin/sh\nprintf '%s|%s|%s' \"$1\" \"$2\" \"$(basename \"$PWD\")\" > out.txt\n");
    ::chmod(work.Folder().File("Run/Tools/Report.sh").c_str(), 0755);
    HINSTANCE result = ShellExecuteA(nullptr, "open", ".\\tools\\report.sh", "one \"two words\"", "RUN", SW_SHOWNORMAL);
    EXPECT_GT(Code(result), 32u);
    // The shell does not wait; the test does, for its own child.
    int status = 0;
    ASSERT_GT(::waitpid(-1, &status, 0), 0);
    EXPECT_EQ(work.Folder().Read("Run/out.txt"), "one|two words|Run");
}

TEST(ShellTest, WebAddressIsPrintedAndNotOpenedWithoutADesktop) {
    NoDesktopSession noDesktop;
    testing::internal::CaptureStdout();
    HINSTANCE result = ShellExecuteA(nullptr, "open", "https://www.example.com/stats/a.html; rm -rf x", "", "", 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Opening https://www.example.com/stats/a.html; rm -rf x\n");
    EXPECT_GT(Code(result), 32u);
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);  // nothing was started
    EXPECT_TRUE(PlatformShell::IsWebAddress("HTTP://x"));
    EXPECT_FALSE(PlatformShell::IsWebAddress("data\\http.exe"));
}
