#include "launcher/CPLauncher.h"

#include "core/FrameClock.h"
#include "core/config/CPConfig.h"
#include "launcher/CPWebHost.h"
#include "launcher/DisplayModes.h"
#include "launcher/LauncherDialogs.h"
#include "platform/Com.h"
#include "platform/Dialogs.h"
#include "platform/Ole.h"
#include "platform/Shell.h"

CPLauncher* gLauncherApp = nullptr;

const char* const kNewsPageUrl = "https://www.example.com/splash/varnoquelroadchaser2/pads.php";
const char* const kStatisticsPageUrl = "https://www.example.com/stats/varnoquelroadchaser.html";
const char* const kGameExecutable = ".\\data\\scripts\\game.exe";
const char* const kConfigFile = "config.cfg";

CPLauncher::CPLauncher() { gLauncherApp = this; }

CPLauncher::~CPLauncher() { gLauncherApp = nullptr; }

void CPLauncher::RunLauncher() {
    gWebPageUrl = kNewsPageUrl;
    // The store sets gConfig and lives until the process ends; a second run in one process keeps it.
    if (!gConfig) new CPConfig();
    gConfig->Load(kConfigFile);
    EnumDisplayModes();

    INT_PTR result =
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_LAUNCHER), nullptr, LauncherDlgProc, 0);

    // The browser may be missing (OleCreate failed): only a browser that exists is closed.
    if (gWebHost) {
        gWebHost->CloseBrowser();
        gWebHost->Release();
        gWebHost = nullptr;
    }
    // Only an OleInitialize that happened is balanced (the dialog may not have been created).
    if (gLauncherOleStarted) {
        OleUninitialize();
        gLauncherOleStarted = false;
    }

    if (result == IDC_PLAY_FULLSCREEN || result == IDC_PLAY_WINDOWED) {
        SaveSettings();
        ShellExecuteA(nullptr, "open", kGameExecutable, "", "", SW_SHOWNORMAL);
    } else {
        ShellExecuteA(nullptr, "open", kStatisticsPageUrl, "", "", SW_SHOWNORMAL);
    }
}

INT WinMain(HINSTANCE, HINSTANCE, LPSTR, INT) {
    CoInitialize(nullptr);
    auto* application = new CPLauncher();
    application->RunLauncher();
    gAppExiting = true;
    delete application;
    CoUninitialize();
    return 0;
}
