#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "core/FrameClock.h"
#include "core/config/CPConfig.h"
#include "core/config/Settings.h"
#include "launcher/CPLauncher.h"
#include "launcher/CPWebHost.h"
#include "launcher/DisplayModes.h"
#include "launcher/LauncherDialogs.h"
#include "platform/Controls.h"
#include "platform/DialogInput.h"
#include "platform/Dialogs.h"
#include "platform/PlatformFaults.h"
#include "platform/WebBrowser.h"
#include "support/DialogScript.h"
#include "support/PlatformReset.h"
#include "support/ShellRecorder.h"
#include "support/TempFolder.h"
#include "support/TerminalSession.h"

namespace {
const char* const kStatistics = "https://www.example.com/stats/varnoquelroadchaser.html";
const char* const kGame = ".\\data\\scripts\\game.exe";

// Everything the launcher touches, fresh for each test and put back afterwards.
class LauncherTest : public ::testing::Test {
protected:
    LauncherTest() { Clean(); }
    ~LauncherTest() override { Clean(); }

    static void Clean() {
        delete gConfig;
        gSettings::RestoreInitialValues();
        gDisplayModes.clear();
        gOptionsCopy = {};
        gAppExiting = false;
    }

    INT Run() {
        char noArguments[] = "";
        return WinMain(GetModuleHandleA(nullptr), nullptr, noArguments, SW_SHOWNORMAL);
    }

    void WriteConfig(const std::string& text) { work.Folder().Write("config.cfg", text); }
    std::string Config() const { return work.Folder().Read("config.cfg"); }
    bool HasLine(const std::string& line) const { return Config().find(line + "\r\n") != std::string::npos; }

    // Everything the sequence started is shut down and balanced.
    void ExpectCleanEnd() {
        EXPECT_EQ(gLauncherApp, nullptr);
        EXPECT_EQ(gWebHost, nullptr);
        EXPECT_TRUE(gAppExiting);
        EXPECT_EQ(PlatformCom::InitializeDepth(), 0);
        EXPECT_EQ(PlatformCom::UnbalancedUninitializeCount(), 0);
        EXPECT_EQ(PlatformOle::InitializeDepth(), 0);
        EXPECT_EQ(PlatformOle::UnbalancedUninitializeCount(), 0);
        EXPECT_EQ(PlatformWebBrowser::LiveCount(), 0);
        EXPECT_EQ(PlatformDialogs::OpenDialogCount(), 0);
    }

    void ExpectOneShellRequest(const std::string& file) {
        ASSERT_EQ(shell.Requests().size(), 1u);
        const PlatformShell::Request& request = shell.Requests()[0];
        EXPECT_EQ(request.window, nullptr);
        EXPECT_EQ(request.verb, "open");
        EXPECT_EQ(request.file, file);
        EXPECT_EQ(request.parameters, "");
        EXPECT_EQ(request.directory, "");
        EXPECT_EQ(request.showCommand, SW_SHOWNORMAL);
    }

    ScopedWorkingFolder work;
    PlatformReset platform;
    ShellRecorder shell;
};
}  // namespace

TEST_F(LauncherTest, PlayWritesTheSettingsAndStartsTheGame) {
    struct Case {
        const char* button;
        const char* fullScreenLine;
    };
    for (const Case& c :
         {Case{"Play in windowed mode", "fullScreen = 0"}, Case{"play in FULLSCREEN mode", "fullScreen = 1"}}) {
        Clean();
        ShellRecorder recorder;
        WriteConfig("fullScreen = 7\nscreenWidth = 1280\n");
        DialogScript script{c.button};
        EXPECT_EQ(Run(), 0);
        std::string config = Config();
        EXPECT_EQ(config.rfind(std::string(c.fullScreenLine) + "\r\n", 0), 0u) << c.button;  // the first line
        EXPECT_TRUE(HasLine("screenWidth = 1280")) << c.button;
        EXPECT_TRUE(HasLine("texlod = -1")) << c.button;
        size_t lines = 0;
        for (char ch : config) lines += ch == '\n' ? 1 : 0;
        EXPECT_EQ(lines, 32u) << c.button;
        ASSERT_EQ(recorder.Requests().size(), 1u) << c.button;
        EXPECT_EQ(recorder.Requests()[0].file, kGame);
        EXPECT_EQ(recorder.Requests()[0].parameters, "");
        ExpectCleanEnd();
    }
    EXPECT_TRUE(shell.Requests().empty());
}

TEST_F(LauncherTest, PlayWithoutAConfigFileWritesANewOne) {
    DialogScript script{"Play in windowed mode"};
    Run();
    EXPECT_TRUE(HasLine("fullScreen = 0"));
    EXPECT_TRUE(HasLine("screenWidth = 640"));
    EXPECT_TRUE(HasLine("friction = 0.2"));
    ExpectOneShellRequest(kGame);
    ExpectCleanEnd();
}

TEST_F(LauncherTest, LeavingWithoutPlayingWritesNothingAndOpensTheStatisticsPage) {
    const std::vector<std::vector<std::string>> roads = {{"Exit"}, {"close"}, {}, {"Turbo", "EXIT"}};
    for (const auto& actions : roads) {
        Clean();
        ShellRecorder recorder;
        const std::string before = "fullScreen = 1\nbloom=0\n";
        WriteConfig(before);
        DialogScript script;
        for (const std::string& action : actions) script.Then(action);
        EXPECT_EQ(Run(), 0);
        EXPECT_EQ(Config(), before);
        ASSERT_EQ(recorder.Requests().size(), 1u);
        EXPECT_EQ(recorder.Requests()[0].file, kStatistics);
        EXPECT_EQ(recorder.Requests()[0].verb, "open");
        ExpectCleanEnd();
    }
    Clean();
    ShellRecorder recorder;
    std::remove("config.cfg");
    DialogScript script{"Exit"};
    Run();
    EXPECT_FALSE(work.Folder().Exists("config.cfg"));
}

TEST_F(LauncherTest, WebAddressesAreOnAnExampleDomainWithTheirPaths) {
    // Any server of an example domain; the paths are fixed, and nothing follows them.
    const std::string host = "^https?://([a-z0-9-]+\\.)*example\\.(com|org|net)";
    EXPECT_TRUE(std::regex_match(kNewsPageUrl, std::regex(host + "/splash/varnoquelroadchaser2/pads\\.php")))
        << kNewsPageUrl;
    EXPECT_TRUE(std::regex_match(kStatisticsPageUrl, std::regex(host + "/stats/varnoquelroadchaser\\.html")))
        << kStatisticsPageUrl;
}

TEST_F(LauncherTest, LauncherDialogIsNamedCentredAndShowsTheNewsPage) {
    struct Case {
        INT screenWidth;
        INT screenHeight;
        std::vector<long long> move;  // MoveWindow's arguments
    };
    // 443 x 331 units make 665 x 538 client pixels, 667 x 540 with the thin border.
    const Case cases[] = {
        {1920, 1080, {626, 270, 667, 540, TRUE}}, {640, 480, {-13, -30, 667, 540, TRUE}},  // halves round toward zero
    };
    for (const Case& c : cases) {
        Clean();
        PlatformWindows::SetScreenSize(c.screenWidth, c.screenHeight);
        PlatformWindows::ClearCalls();
        DialogScript script;
        std::string shown;
        script.Inspect([&shown](HWND dialog) {
            shown = DescribeDialog(dialog);
            EXPECT_EQ(gSettings::fullScreen, 0);  // WM_INITDIALOG pressed no button
        });
        script.Then("Exit");
        Run();
        std::vector<PlatformWindows::Call> calls = PlatformWindows::Calls();
        ASSERT_GE(calls.size(), 5u);
        EXPECT_EQ(calls[0].function, "SetWindowTextA");
        EXPECT_EQ(calls[0].text, "Varnoquelroadchaser");
        EXPECT_EQ(calls[1].function, "GetWindowRect");
        EXPECT_EQ(calls[2].function, "GetSystemMetrics");
        EXPECT_EQ(calls[2].arguments, (std::vector<long long>{SM_CXSCREEN}));
        EXPECT_EQ(calls[3].arguments, (std::vector<long long>{SM_CYSCREEN}));
        EXPECT_EQ(calls[4].function, "MoveWindow");
        EXPECT_EQ(calls[4].arguments, c.move);
        EXPECT_EQ(shown,
                  "=== Varnoquelroadchaser ===\n"
                  "  web view: https://www.example.com/splash/varnoquelroadchaser2/pads.php\n"
                  "  [Play in fullscreen mode]\n"
                  "  [Play in windowed mode]\n"
                  "  [Options]\n"
                  "  [Exit]\n");
        EXPECT_EQ(gWebPageUrl, kNewsPageUrl);
    }
}

// The platform passes the focus control's handle in wParam; whatever its low word happens to be, the
// initialisation presses no button.
WPARAM gInitWParam = 0;
INT_PTR LauncherWithInitWParam(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return LauncherDlgProc(window, message, message == WM_INITDIALOG ? gInitWParam : wParam, lParam);
}

TEST_F(LauncherTest, InitialisationPressesNoButtonWhateverItsWParam) {
    for (INT id : {IDC_PLAY_FULLSCREEN, IDC_PLAY_WINDOWED, IDC_EXIT, IDC_OPTIONS}) {
        gSettings::fullScreen = 7;
        gInitWParam = MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED);
        const int initCalls = PlatformControls::InitCommonControlsCount();
        DialogScript script;
        script.Inspect([id](HWND dialog) {
            char caption[32] = {};
            GetWindowTextA(dialog, caption, sizeof(caption));
            EXPECT_STREQ(caption, "Varnoquelroadchaser") << id;  // the launcher is still up, alone
            EXPECT_EQ(PlatformDialogs::OpenDialogCount(), 1) << id;
        });
        script.Then("Exit");
        INT_PTR result = DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_LAUNCHER), nullptr, LauncherWithInitWParam, 0);
        EXPECT_EQ(result, IDC_EXIT) << id;
        EXPECT_EQ(gSettings::fullScreen, 7) << id;
        EXPECT_EQ(PlatformControls::InitCommonControlsCount(), initCalls) << id;
        EXPECT_TRUE(script.Exhausted()) << id;
        ASSERT_NE(gWebHost, nullptr);
        gWebHost->CloseBrowser();
        gWebHost->Release();
        gWebHost = nullptr;
        OleUninitialize();
        gLauncherOleStarted = false;
    }
}

TEST_F(LauncherTest, OptionsCancelLeavesFileAndMemoryUnchanged) {
    const std::string before = "bloom = 1\nblur = 1\nscreenWidth = 1024\nscreenHeight = 768\nscreenBPP = 32\n";
    WriteConfig(before);
    const int initCalls = PlatformControls::InitCommonControlsCount();
    DialogScript script{"Options", "Bloom", "1280 x 1024 x 32", "Cancel"};
    script.Inspect([](HWND) {
        EXPECT_EQ(PlatformDialogs::OpenDialogCount(), 1);  // back in the launcher
        EXPECT_EQ(gSettings::bloom, 1);
        EXPECT_EQ(gSettings::screenWidth, 1024);
    });
    script.Then("Exit");
    Run();
    EXPECT_EQ(Config(), before);
    EXPECT_EQ(gSettings::bloom, 1);
    EXPECT_EQ(gSettings::blur, 1);
    EXPECT_EQ(gSettings::screenWidth, 1024);
    EXPECT_EQ(script.Notices(), std::vector<std::string>{});
    EXPECT_EQ(PlatformControls::InitCommonControlsCount(), initCalls + 1);
    ExpectOneShellRequest(kStatistics);
}

TEST_F(LauncherTest, OptionsOkSavesAtOnceSoExitKeepsTheChosenMode) {
    WriteConfig("screenWidth = 1024\nscreenHeight = 768\nscreenBPP = 32\nbloom = 1\nblur = 1\n");
    DialogScript script{"Options", "1280 x 1024 x 32", "Motion Blur", "OK"};
    script.Inspect([this](HWND) {
        EXPECT_TRUE(HasLine("screenWidth = 1280"));  // written by OK, before the launcher ends
        EXPECT_TRUE(HasLine("screenHeight = 1024"));
    });
    script.Then("Exit");
    Run();
    EXPECT_TRUE(HasLine("screenWidth = 1280"));
    EXPECT_TRUE(HasLine("screenHeight = 1024"));
    EXPECT_TRUE(HasLine("screenBPP = 32"));
    EXPECT_TRUE(HasLine("blur = 0"));
    EXPECT_TRUE(HasLine("bloom = 1"));
    EXPECT_EQ(gSettings::screenWidth, 1280);
    ExpectOneShellRequest(kStatistics);
    ExpectCleanEnd();
}

TEST_F(LauncherTest, OptionsDialogOpensFromTheSettings) {
    struct Case {
        const char* name;
        const char* config;
        bool emptyModeList;
        UINT motionBlur;
        bool motionBlurEnabled;
        UINT bloom;
        LRESULT selected;  // combo item
        const char* selectedText;
    };
    const Case cases[] = {
        {"blur without bloom", "blur = 1\nbloom = 0\nscreenWidth = 1024\nscreenHeight = 768\nscreenBPP = 32\n", false,
         BST_CHECKED, false, BST_UNCHECKED, 0, "1024 x 768 x 32"},
        {"both on, current mode listed",
         "blur = 1\nbloom = 1\nscreenWidth = 1280\nscreenHeight = 1024\nscreenBPP = 32\n", false, BST_CHECKED, true,
         BST_CHECKED, 4, "1280 x 1024 x 32"},
        {"16 bits per pixel matches nothing", "blur = 0\nbloom = 1\nscreenWidth = 1280\nscreenHeight = 1024\n", false,
         BST_UNCHECKED, true, BST_CHECKED, 0, "1024 x 768 x 32"},
        {"no modes at all", "", true, BST_CHECKED, true, BST_CHECKED, CB_ERR, ""},
    };
    for (const Case& c : cases) {
        Clean();
        WriteConfig(c.config);
        if (c.emptyModeList) PlatformFaults::Arm("Direct3DCreate9");
        DialogScript script{"Options"};
        script.Inspect([&c](HWND dialog) {
            EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_MOTION_BLUR), c.motionBlur) << c.name;
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(dialog, IDC_MOTION_BLUR)) != FALSE, c.motionBlurEnabled) << c.name;
            EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_BLOOM), c.bloom) << c.name;
            EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_LENS_FLARE), BST_CHECKED) << c.name;  // lensflare 1
            EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_SMOKE), BST_CHECKED) << c.name;       // dust 1
            HWND list = GetDlgItem(dialog, IDC_RESOLUTION);
            LRESULT selected = SendMessageA(list, CB_GETCURSEL, 0, 0);
            EXPECT_EQ(selected, c.selected) << c.name;
            EXPECT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), static_cast<LRESULT>(gDisplayModes.size())) << c.name;
            if (selected != CB_ERR) {
                char text[64] = {};
                SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(text));
                EXPECT_STREQ(text, c.selectedText) << c.name;
                EXPECT_EQ(SendMessageA(list, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0), selected) << c.name;
            }
        });
        script.Then("Cancel").Then("Exit");
        Run();
    }
}

TEST_F(LauncherTest, MotionBlurFollowsBloomAndOkSavesTheWorkingCopies) {
    WriteConfig("blur = 1\nbloom = 0\n");
    DialogScript script{"Options"};
    script.Then("Motion Blur");  // disabled: refused
    script.Then("Bloom").Inspect([](HWND dialog) {
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_MOTION_BLUR)));
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_MOTION_BLUR), BST_CHECKED);
        EXPECT_EQ(gSettings::bloom, 0);  // only OK writes the setting
    });
    script.Then("Bloom").Inspect([](HWND dialog) {
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_MOTION_BLUR)));
        EXPECT_EQ(gOptionsCopy.blur, 1);  // greying out changes no working copy
    });
    script.Then("OK").Then("Exit");
    Run();
    EXPECT_EQ(script.Notices(), (std::vector<std::string>{"\"Motion Blur\" is not available."}));
    EXPECT_TRUE(HasLine("blur = 1"));
    EXPECT_TRUE(HasLine("bloom = 0"));
    // No mode matched 640 x 480 x 16, so the first item was selected, and OK applied it.
    EXPECT_TRUE(HasLine("screenWidth = 1024"));
    EXPECT_TRUE(HasLine("screenBPP = 32"));
}

TEST_F(LauncherTest, OkWithNothingSelectedKeepsTheScreenSettings) {
    PlatformFaults::Arm("Direct3DCreate9");
    WriteConfig("screenWidth = 800\nscreenHeight = 600\nscreenBPP = 16\nbloom = 1\n");
    DialogScript script{"Options", "Bloom", "OK", "Exit"};
    Run();
    EXPECT_TRUE(gDisplayModes.empty());
    EXPECT_TRUE(HasLine("screenWidth = 800"));
    EXPECT_TRUE(HasLine("screenHeight = 600"));
    EXPECT_TRUE(HasLine("screenBPP = 16"));
    EXPECT_TRUE(HasLine("bloom = 0"));
    EXPECT_EQ(gSettings::screenWidth, 800);
}

TEST_F(LauncherTest, OkWithItemDataNamingNoModeKeepsTheScreenSettings) {
    WriteConfig("screenWidth = 800\nscreenHeight = 600\n");
    DialogScript script{"Options"};
    script.Inspect([](HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_RESOLUTION);
        SendMessageA(list, CB_SETITEMDATA, 0, 99);
    });
    script.Then("OK").Then("Exit");
    Run();
    EXPECT_TRUE(HasLine("screenWidth = 800"));
    EXPECT_EQ(gSettings::screenHeight, 600);
}

TEST_F(LauncherTest, ClosingTheOptionsDialogCancelsIt) {
    WriteConfig("bloom = 1\n");
    DialogScript script{"Options", "Bloom", "close"};
    script.Inspect([](HWND dialog) {
        char caption[64] = {};
        GetWindowTextA(dialog, caption, sizeof(caption));
        EXPECT_STREQ(caption, "Varnoquelroadchaser");
    });
    script.Then("Play in windowed mode");
    Run();
    EXPECT_TRUE(HasLine("bloom = 1"));
    ExpectOneShellRequest(kGame);
}

TEST_F(LauncherTest, DialogThatCannotBeCreatedOpensTheStatisticsPage) {
    PlatformFaults::Arm("DialogBoxParamA");
    WriteConfig("fullScreen = 1\n");
    Run();
    EXPECT_EQ(Config(), "fullScreen = 1\n");
    EXPECT_EQ(PlatformWebBrowser::Last(), nullptr);
    ExpectOneShellRequest(kStatistics);
    ExpectCleanEnd();
}

TEST_F(LauncherTest, LauncherWorksWithoutTheWebView) {
    PlatformFaults::Arm("OleCreate");
    DialogScript script;
    script.Inspect([](HWND dialog) {
        EXPECT_NE(gWebHost, nullptr);
        EXPECT_EQ(gWebHost->Browser(), nullptr);
        EXPECT_EQ(DescribeDialog(dialog).find("web view"), std::string::npos);
    });
    script.Then("Play in windowed mode");
    Run();
    EXPECT_TRUE(HasLine("fullScreen = 0"));
    ExpectOneShellRequest(kGame);
    ExpectCleanEnd();
}

TEST_F(LauncherTest, ShutdownClosesTheBrowserBeforeReleasingIt) {
    DialogScript script{"Exit"};
    Run();
    auto record = PlatformWebBrowser::Last();
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(record->closed);
    EXPECT_EQ(record->closeOption, OLECLOSE_NOSAVE);
    EXPECT_TRUE(record->destroyed);
    EXPECT_EQ(record->address, kNewsPageUrl);
}

TEST_F(LauncherTest, ConfigThatCannotBeWrittenIsToldOnceWithPathAndReasonAndTheGameStillStarts) {
    work.Folder().MakeFolder("config.cfg");  // a folder where the file should go
    // OK saves at once and the play button saves again: the same failure is told once.
    DialogScript script{"Options", "OK", "Play in windowed mode"};
    testing::internal::CaptureStderr();
    Run();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Could not write " + work.Folder().Path() + "/config.cfg: Is a directory.\n");
    ExpectOneShellRequest(kGame);
}

TEST_F(LauncherTest, TerminalDrivesTheWholeLauncher) {
    TerminalSession terminal("options\nTurbo\nBloom\nOK\nPlay in windowed mode\n");
    Run();
    std::string shown = terminal.Shown();

    EXPECT_NE(shown.find("=== Varnoquelroadchaser ===\n  web view: "), std::string::npos);
    EXPECT_NE(shown.find("=== Options ===\n"), std::string::npos);
    EXPECT_NE(shown.find("    (*) 1024 x 768 x 32\n"), std::string::npos);  // 640 x 480 x 16 matches none
    EXPECT_NE(shown.find("  [x] Bloom\n"), std::string::npos);
    EXPECT_NE(shown.find("  [ ] Bloom\n"), std::string::npos);
    EXPECT_NE(shown.find("There is no \"Turbo\" here.\n"), std::string::npos);
    EXPECT_TRUE(HasLine("bloom = 0"));
    EXPECT_TRUE(HasLine("fullScreen = 0"));
    EXPECT_TRUE(HasLine("screenWidth = 1024"));
    ExpectOneShellRequest(kGame);
}
