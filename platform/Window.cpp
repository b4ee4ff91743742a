#include "platform/Window.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "platform/WindowObject.h"

namespace {
struct WindowState {
    std::vector<std::unique_ptr<WindowObject>> topLevel;
    std::unordered_set<const WindowObject*> live;
    std::vector<PlatformWindows::Call> calls;
    INT screenWidth = 1920;
    INT screenHeight = 1080;
    INT quitCode = -1;
};

WindowState& State() {
    static WindowState state;
    return state;
}

void Unregister(WindowObject* window) {
    for (auto& child : window->children) Unregister(child.get());
    State().live.erase(window);
}

void Record(PlatformWindows::Call call) { State().calls.push_back(std::move(call)); }

// Top-left corner of the window's client area in screen pixels.
POINT ClientOrigin(const WindowObject& window) {
    POINT origin{window.rect.left + window.frame.left, window.rect.top + window.frame.top};
    if (window.parent) {
        POINT parent = ClientOrigin(*window.parent);
        origin.x += parent.x;
        origin.y += parent.y;
    }
    return origin;
}

bool ParentsVisible(const WindowObject& window) {
    for (const WindowObject* w = &window; w; w = w->parent) {
        if (!w->Visible()) return false;
    }
    return true;
}
}  // namespace

namespace WindowRegistry {
WindowObject* CreateTopLevel() {
    auto window = std::make_unique<WindowObject>();
    WindowObject* raw = window.get();
    State().topLevel.push_back(std::move(window));
    State().live.insert(raw);
    return raw;
}

WindowObject* CreateChild(WindowObject* parent) {
    auto window = std::make_unique<WindowObject>();
    WindowObject* raw = window.get();
    raw->parent = parent;
    parent->children.push_back(std::move(window));
    State().live.insert(raw);
    return raw;
}

void Destroy(WindowObject* window) {
    if (!window || !State().live.count(window)) return;
    Unregister(window);
    auto owns = [window](const std::unique_ptr<WindowObject>& p) { return p.get() == window; };
    auto& siblings = window->parent ? window->parent->children : State().topLevel;
    siblings.erase(std::remove_if(siblings.begin(), siblings.end(), owns), siblings.end());
}

WindowObject* Find(HWND window) {
    auto* object = reinterpret_cast<WindowObject*>(window);
    return State().live.count(object) ? object : nullptr;
}

HWND HandleOf(const WindowObject* window) { return reinterpret_cast<HWND>(const_cast<WindowObject*>(window)); }
}  // namespace WindowRegistry

INT GetSystemMetrics(INT index) {
    INT result = index == SM_CXSCREEN ? State().screenWidth : index == SM_CYSCREEN ? State().screenHeight : 0;
    Record({"GetSystemMetrics", nullptr, {index}, "", result});
    return result;
}

BOOL IsWindow(HWND window) { return WindowRegistry::Find(window) ? TRUE : FALSE; }

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    WindowObject* object = WindowRegistry::Find(window);
    Record({"SetWindowTextA", window, {}, text ? text : "", object ? TRUE : FALSE});
    if (!object) return FALSE;
    object->text = text ? text : "";
    return TRUE;
}

INT GetWindowTextA(HWND window, LPSTR buffer, INT size) {
    WindowObject* object = WindowRegistry::Find(window);
    if (!object || !buffer || size <= 0) return 0;
    size_t count = std::min(object->text.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, object->text.data(), count);
    buffer[count] = '\0';
    return static_cast<INT>(count);
}

BOOL GetWindowRect(HWND window, RECT* rect) {
    WindowObject* object = WindowRegistry::Find(window);
    if (!object || !rect) {
        Record({"GetWindowRect", window, {}, "", FALSE});
        return FALSE;
    }
    RECT screen = object->rect;
    if (object->parent) {
        POINT origin = ClientOrigin(*object->parent);
        screen = {screen.left + origin.x, screen.top + origin.y, screen.right + origin.x, screen.bottom + origin.y};
    }
    *rect = screen;
    Record({"GetWindowRect", window, {screen.left, screen.top, screen.right, screen.bottom}, "", TRUE});
    return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
    WindowObject* object = WindowRegistry::Find(window);
    if (!object || !rect) return FALSE;
    const RECT& r = object->rect;
    const RECT& f = object->frame;
    LONG width = std::max<LONG>(0, r.right - r.left - f.left - f.right);
    LONG height = std::max<LONG>(0, r.bottom - r.top - f.top - f.bottom);
    *rect = {0, 0, width, height};
    return TRUE;
}

BOOL MoveWindow(HWND window, INT x, INT y, INT width, INT height, BOOL repaint) {
    WindowObject* object = WindowRegistry::Find(window);
    Record({"MoveWindow", window, {x, y, width, height, repaint}, "", object ? TRUE : FALSE});
    if (!object) return FALSE;
    // Sizes are clamped at 0 as the platform does; the sum stays within LONG for any INT input.
    object->rect = {x, y, static_cast<LONG>(static_cast<long long>(x) + std::max(width, 0)),
                    static_cast<LONG>(static_cast<long long>(y) + std::max(height, 0))};
    return TRUE;
}

BOOL EnableWindow(HWND window, BOOL enable) {
    WindowObject* object = WindowRegistry::Find(window);
    if (!object) return FALSE;
    BOOL wasDisabled = object->Enabled() ? FALSE : TRUE;
    if (enable) {
        object->style &= ~WS_DISABLED;
    } else {
        object->style |= WS_DISABLED;
    }
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND window) {
    WindowObject* object = WindowRegistry::Find(window);
    return object && object->Enabled() ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND window) {
    WindowObject* object = WindowRegistry::Find(window);
    return object && ParentsVisible(*object) ? TRUE : FALSE;
}

BOOL ShowWindow(HWND window, INT command) {
    WindowObject* object = WindowRegistry::Find(window);
    if (!object) return FALSE;
    BOOL wasVisible = object->Visible() ? TRUE : FALSE;
    if (command == SW_HIDE) {
        object->style &= ~WS_VISIBLE;
    } else {
        object->style |= WS_VISIBLE;
    }
    return wasVisible;
}

HWND GetParent(HWND window) {
    WindowObject* object = WindowRegistry::Find(window);
    return object && object->parent ? WindowRegistry::HandleOf(object->parent) : nullptr;
}

HWND GetDlgItem(HWND dialog, INT id) {
    WindowObject* object = WindowRegistry::Find(dialog);
    if (!object) return nullptr;
    for (auto& child : object->children) {
        if (child->id == id) return WindowRegistry::HandleOf(child.get());
    }
    return nullptr;
}

INT GetDlgCtrlID(HWND window) {
    WindowObject* object = WindowRegistry::Find(window);
    return object ? object->id : 0;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowObject* object = WindowRegistry::Find(window);
    if (!object) return 0;
    if (object->proc) return object->proc(window, message, wParam, lParam);
    if (object->parent) return ControlMessage(*object, message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) { return 0; }

void PostQuitMessage(INT exitCode) { State().quitCode = exitCode; }

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    // Any non-null value names the program; the stand-in has no other module.
    static char programModule;
    return moduleName ? nullptr : reinterpret_cast<HMODULE>(&programModule);
}

namespace PlatformWindows {
const std::vector<Call>& Calls() { return State().calls; }
void ClearCalls() { State().calls.clear(); }

void SetScreenSize(INT width, INT height) {
    State().screenWidth = width;
    State().screenHeight = height;
}

INT LastQuitCode() { return State().quitCode; }

void Reset() {
    WindowState& s = State();
    s.calls.clear();
    s.screenWidth = 1920;
    s.screenHeight = 1080;
    s.quitCode = -1;
}
}  // namespace PlatformWindows
