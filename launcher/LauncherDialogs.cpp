#include "launcher/LauncherDialogs.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "core/config/CPConfig.h"
#include "core/config/Settings.h"
#include "launcher/CPLauncher.h"
#include "launcher/CPWebHost.h"
#include "launcher/DisplayModes.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Ole.h"

OptionsWorkingCopy gOptionsCopy{};
const char* const kGameTitle = "Varnoquelroadchaser";
bool gLauncherOleStarted = false;

namespace {
void CentreWindow(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    INT width = rect.right - rect.left;
    INT height = rect.bottom - rect.top;
    INT x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    INT y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    MoveWindow(window, x, y, width, height, TRUE);
}

bool Checked(HWND window, INT id) { return IsDlgButtonChecked(window, id) == BST_CHECKED; }

// OK: the chosen mode becomes the screen settings. Nothing chosen (an empty list answers CB_ERR) or
// item data that names no mode keeps the screen settings as they are.
void ApplyChosenMode(HWND window) {
    HWND list = GetDlgItem(window, IDC_RESOLUTION);
    LRESULT item = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (item == CB_ERR) return;
    LRESULT index = SendMessageA(list, CB_GETITEMDATA, static_cast<WPARAM>(item), 0);
    if (index < 0 || static_cast<size_t>(index) >= gDisplayModes.size()) return;
    const DisplayMode& mode = gDisplayModes[static_cast<size_t>(index)];
    gSettings::screenBPP = mode.bpp;
    gSettings::screenWidth = mode.width;
    gSettings::screenHeight = mode.height;
}

std::string gReportedSaveFailure;  // the last failed save told, empty after a save that worked
}  // namespace

void SaveSettings() {
    if (!gConfig) return;
    std::string failure;
    if (SUCCEEDED(gConfig->Save(kConfigFile, &failure))) {
        gReportedSaveFailure.clear();
        return;
    }
    // OK in Options and a play button both save: the same failure is told once.
    if (failure == gReportedSaveFailure) return;
    std::fprintf(stderr, "Could not write %s.\n", failure.c_str());
    gReportedSaveFailure = failure;
}

INT_PTR LauncherDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            char caption[255] = {};
            std::strncpy(caption, kGameTitle, sizeof(caption) - 1);
            SetWindowTextA(window, caption);
            CentreWindow(window);
            if (SUCCEEDED(OleInitialize(nullptr))) gLauncherOleStarted = true;
            gWebHost = CreateWebHost();
            gWebHost->EmbedBrowser(GetDlgItem(window, IDC_WEB_VIEW));
            return DefWindowProcA(window, message, wParam, lParam);
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_PLAY_FULLSCREEN:
                    gSettings::fullScreen = 1;
                    EndDialog(window, IDC_PLAY_FULLSCREEN);
                    break;
                case IDC_PLAY_WINDOWED:
                    gSettings::fullScreen = 0;
                    EndDialog(window, IDC_PLAY_WINDOWED);
                    break;
                case IDC_EXIT:
                    EndDialog(window, IDC_EXIT);
                    break;
                case IDC_OPTIONS:
                    InitCommonControls();
                    DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_OPTIONS), window, OptionsDlgProc, 0);
                    break;
                default:
                    break;
            }
            return DefWindowProcA(window, message, wParam, lParam);
        case WM_CLOSE:
            EndDialog(window, IDC_EXIT);
            return DefWindowProcA(window, message, wParam, lParam);
        default:
            return FALSE;
    }
}

void InitOptionsDialog(HWND window) {
    gOptionsCopy = {gSettings::shadows, gSettings::bloom,   gSettings::lensflare, gSettings::dust,
                    gSettings::wheel,   gSettings::weather, gSettings::blur,      gSettings::contrast};

    if (gOptionsCopy.blur != 0) CheckDlgButton(window, IDC_MOTION_BLUR, BST_CHECKED);
    if (gOptionsCopy.bloom != 0) CheckDlgButton(window, IDC_BLOOM, BST_CHECKED);
    EnableWindow(GetDlgItem(window, IDC_MOTION_BLUR), gOptionsCopy.bloom != 0 ? TRUE : FALSE);
    if (gOptionsCopy.lensflare != 0) CheckDlgButton(window, IDC_LENS_FLARE, BST_CHECKED);
    if (gOptionsCopy.dust != 0) CheckDlgButton(window, IDC_SMOKE, BST_CHECKED);

    HWND list = GetDlgItem(window, IDC_RESOLUTION);
    LRESULT chosen = -1;
    for (size_t i = 0; i < gDisplayModes.size(); ++i) {
        const DisplayMode& mode = gDisplayModes[i];
        char text[64];
        std::snprintf(text, sizeof(text), "%d x %d x %d", mode.width, mode.height, mode.bpp);
        LRESULT item = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendMessageA(list, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(i));
        bool current = mode.width == gSettings::screenWidth && mode.height == gSettings::screenHeight &&
                       mode.bpp == gSettings::screenBPP;
        if (current) chosen = item;
    }
    SendMessageA(list, CB_SETCURSEL, chosen >= 0 ? static_cast<WPARAM>(chosen) : 0, 0);
}

INT_PTR OptionsDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            InitOptionsDialog(window);
            CentreWindow(window);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    ApplyChosenMode(window);
                    gSettings::bloom = gOptionsCopy.bloom;
                    gSettings::blur = gOptionsCopy.blur;
                    SaveSettings();
                    EndDialog(window, IDOK);
                    break;
                case IDCANCEL:
                    EndDialog(window, IDCANCEL);
                    break;
                case IDC_MOTION_BLUR:
                    gOptionsCopy.blur = Checked(window, IDC_MOTION_BLUR) ? 1 : 0;
                    break;
                case IDC_BLOOM: {
                    bool on = Checked(window, IDC_BLOOM);
                    gOptionsCopy.bloom = on ? 1 : 0;
                    EnableWindow(GetDlgItem(window, IDC_MOTION_BLUR), on ? TRUE : FALSE);
                    break;
                }
                case IDC_LENS_FLARE:
                    gOptionsCopy.lensflare = Checked(window, IDC_LENS_FLARE) ? 1 : 0;
                    break;
                case IDC_SMOKE:
                    gOptionsCopy.dust = Checked(window, IDC_SMOKE) ? 1 : 0;
                    break;
                default:
                    break;
            }
            return TRUE;
        case WM_CLOSE:
            EndDialog(window, IDC_EXIT);
            return TRUE;
        default:
            return FALSE;
    }
}
