// Windows of the platform's user interface: rectangles, messages, placement, texts and the screen.
// Every window here is a record the stand-in keeps; placement calls are recorded for tests.
#pragma once

#include <string>
#include <vector>

#include "platform/WinTypes.h"

struct POINT {
    LONG x;
    LONG y;
};
struct SIZE {
    LONG cx;
    LONG cy;
};

using HMENU = struct HMENU__*;
using HACCEL = struct HACCEL__*;

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

using DLGPROC = INT_PTR (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

constexpr WORD LOWORD(uintptr_t value) { return static_cast<WORD>(value & 0xFFFFu); }
constexpr WORD HIWORD(uintptr_t value) { return static_cast<WORD>((value >> 16) & 0xFFFFu); }
constexpr WPARAM MAKEWPARAM(WORD low, WORD high) {
    return static_cast<WPARAM>(low) | (static_cast<WPARAM>(high) << 16);
}

// Messages.
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;

// Window styles.
constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_CHILD = 0x40000000u;
constexpr DWORD WS_VISIBLE = 0x10000000u;
constexpr DWORD WS_DISABLED = 0x08000000u;
constexpr DWORD WS_CAPTION = 0x00C00000u;  // a title bar; includes WS_BORDER
constexpr DWORD WS_BORDER = 0x00800000u;
constexpr DWORD WS_VSCROLL = 0x00200000u;
constexpr DWORD WS_SYSMENU = 0x00080000u;
constexpr DWORD WS_GROUP = 0x00020000u;
constexpr DWORD WS_TABSTOP = 0x00010000u;

// ShowWindow commands.
constexpr INT SW_HIDE = 0;
constexpr INT SW_SHOWNORMAL = 1;
constexpr INT SW_SHOW = 5;

constexpr INT SM_CXSCREEN = 0;
constexpr INT SM_CYSCREEN = 1;

// Screen width or height in pixels; 0 for any other index.
INT GetSystemMetrics(INT index);

BOOL IsWindow(HWND window);
BOOL SetWindowTextA(HWND window, LPCSTR text);
// Copies at most size - 1 characters and a zero; returns the characters copied.
INT GetWindowTextA(HWND window, LPSTR buffer, INT size);
// The window's rectangle in screen pixels, frame included.
BOOL GetWindowRect(HWND window, RECT* rect);
// The client area: left and top are 0, right and bottom its width and height.
BOOL GetClientRect(HWND window, RECT* rect);
// x and y: screen pixels for a top-level window, the parent's client pixels for a child.
BOOL MoveWindow(HWND window, INT x, INT y, INT width, INT height, BOOL repaint);
// Returns TRUE when the window was disabled before the call.
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);
// Visible when the window and every parent carry WS_VISIBLE.
BOOL IsWindowVisible(HWND window);
// Returns TRUE when the window was visible before the call.
BOOL ShowWindow(HWND window, INT command);
HWND GetParent(HWND window);
HWND GetDlgItem(HWND dialog, INT id);
INT GetDlgCtrlID(HWND window);

// A dialog gets the message through its procedure, a control through its class's handling.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The default handling: nothing happens and 0 is returned (a dialog's end is EndDialog's business).
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Records the exit code; there is no message queue to end.
void PostQuitMessage(INT exitCode);
// The program's own module for null; null for any other name.
HMODULE GetModuleHandleA(LPCSTR moduleName);

namespace PlatformWindows {
// One recorded call of GetSystemMetrics, GetWindowRect, MoveWindow or SetWindowTextA.
struct Call {
    std::string function;
    HWND window = nullptr;
    std::vector<long long> arguments;  // the numbers given, in the call's order
    std::string text;                  // SetWindowTextA's text
    long long result = 0;
};
const std::vector<Call>& Calls();
void ClearCalls();

// The screen GetSystemMetrics reports; 1920 x 1080 until set.
void SetScreenSize(INT width, INT height);
// Exit code of the last PostQuitMessage; -1 when none was posted since the last Reset.
INT LastQuitCode();
// Forgets the calls and the quit code, restores the screen size. Windows stay as they are.
void Reset();
}  // namespace PlatformWindows
