#include "platform/Resources.h"

#include "platform/Controls.h"

namespace {
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kHiddenChild = WS_CHILD | WS_DISABLED;

const DialogTemplate kLauncher = {
    IDD_LAUNCHER,
    false,
    LANG_RUSSIAN_RUSSIA,
    WS_POPUP | WS_BORDER | DS_SETFONT,
    0,
    "",
    0, 0, 443, 331,
    "MS Sans Serif",
    8, 0, false, 1,
    {
        {IDC_PLAY_FULLSCREEN, "button", "Play in fullscreen mode", kChild | BS_PUSHBUTTON | BS_FLAT | WS_TABSTOP, 0,
         7, 310, 90, 14},
        {IDC_OPTIONS, "button", "Options", kChild | BS_PUSHBUTTON | BS_FLAT | WS_TABSTOP, 0, 250, 310, 68, 14},
        {IDC_EXIT, "button", "Exit", kChild | BS_PUSHBUTTON | BS_FLAT | WS_TABSTOP, 0, 373, 310, 63, 14},
        {IDC_WEB_VIEW, "static", "", kChild | SS_BLACKRECT, 0, 7, 7, 429, 298},
        {IDC_PLAY_WINDOWED, "button", "Play in windowed mode", kChild | BS_PUSHBUTTON | BS_FLAT | WS_TABSTOP, 0,
         103, 310, 85, 14},
    },
};

const DialogTemplate kOptions = {
    IDD_OPTIONS,
    true,
    LANG_RUSSIAN_RUSSIA,
    WS_CAPTION | DS_SETFONT,
    0,
    "Options",
    0, 0, 186, 98,
    "MS Sans Serif",
    8, 0, false, 1,
    {
        {IDOK, "button", "OK", kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 71, 77, 50, 14},
        {IDCANCEL, "button", "Cancel", kChild | BS_PUSHBUTTON | WS_TABSTOP, 0, 129, 77, 50, 14},
        {IDC_MOTION_BLUR, "button", "Motion Blur", kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 0, 15, 58, 96, 10},
        {IDC_LENS_FLARE, "button", "Lens Flare", kHiddenChild | BS_AUTOCHECKBOX | WS_TABSTOP, 0, 15, 72, 49, 10},
        {IDC_BLOOM, "button", "Bloom", kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 0, 125, 58, 35, 10},
        {IDC_SMOKE, "button", "Smoke", kHiddenChild | BS_AUTOCHECKBOX | WS_TABSTOP, 0, 125, 72, 38, 10},
        {IDC_STATIC, "button", "Video", kChild | BS_GROUPBOX | BS_FLAT, 0x10, 7, 7, 172, 67},
        {IDC_STATIC, "static", "Screen Resolution", kChild | SS_LEFT | WS_GROUP, 0, 14, 22, 59, 8},
        {IDC_RESOLUTION, "combobox", "", kChild | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, 81, 20, 87, 51},
    },
};
}  // namespace

const DialogTemplate* FindDialogTemplate(HINSTANCE, LPCSTR name) {
    if (!IS_INTRESOURCE(name)) return nullptr;
    auto id = static_cast<INT>(reinterpret_cast<uintptr_t>(name));
    if (id == IDD_LAUNCHER) return &kLauncher;
    if (id == IDD_OPTIONS) return &kOptions;
    return nullptr;
}
