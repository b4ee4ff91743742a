// The program's resources: the dialog templates of the launcher (101) and of the options (105),
// kept as data in the form the resource compiler would have stored them.
#pragma once

#include <string>
#include <vector>

#include "platform/Window.h"

// Resource and control ids of the launcher's dialogs.
constexpr INT IDD_LAUNCHER = 101;
constexpr INT IDD_OPTIONS = 105;
constexpr INT IDC_PLAY_FULLSCREEN = 1000;
constexpr INT IDC_OPTIONS = 1001;
constexpr INT IDC_EXIT = 1002;
constexpr INT IDC_PLAY_WINDOWED = 1003;
constexpr INT IDC_RESOLUTION = 1004;
constexpr INT IDC_MOTION_BLUR = 1007;
constexpr INT IDC_LENS_FLARE = 1008;
constexpr INT IDC_BLOOM = 1009;
constexpr INT IDC_SMOKE = 1010;
constexpr INT IDC_WEB_VIEW = 1026;
constexpr INT IDC_STATIC = -1;

constexpr DWORD DS_SETFONT = 0x40;
constexpr WORD LANG_RUSSIAN_RUSSIA = 1049;

// A resource name is either a text or a small integer id carried in the pointer.
inline LPCSTR MAKEINTRESOURCEA(INT id) {
    return reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(static_cast<WORD>(id)));
}
inline bool IS_INTRESOURCE(LPCSTR name) { return (reinterpret_cast<uintptr_t>(name) >> 16) == 0; }

struct DialogItemTemplate {
    INT id;
    std::string className;  // "button", "static" or "combobox"
    std::string text;
    DWORD style;
    DWORD exStyle;
    // Position and size in dialog units.
    short x, y, cx, cy;
};

struct DialogTemplate {
    INT id;
    bool extended;  // stored in the extended template form
    WORD language;
    DWORD style;
    DWORD exStyle;
    std::string caption;
    short x, y, cx, cy;  // dialog units
    std::string fontName;
    WORD pointSize;
    WORD weight;
    bool italic;
    BYTE charSet;
    std::vector<DialogItemTemplate> items;  // in template order
};

// The program's dialog template `name` (an id from MAKEINTRESOURCEA); null when there is none.
// Every instance value names the program: it is the only module.
const DialogTemplate* FindDialogTemplate(HINSTANCE instance, LPCSTR name);
