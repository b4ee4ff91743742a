// The stand-in's record of one window, shared by the window, control and dialog code of the layer.
// Engine code never includes this: it reaches windows through their handles only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Window.h"

struct ComboItem {
    std::string text;
    LPARAM data = 0;
};

struct WindowObject {
    WindowObject* parent = nullptr;                       // not owned; null for a top-level window
    std::vector<std::unique_ptr<WindowObject>> children;  // in creation (template) order
    std::string className;                                // lower case: "dialog", "button", "static", "combobox"
    std::string text;
    DWORD style = 0;  // WS_VISIBLE and WS_DISABLED are the visible and enabled state
    DWORD exStyle = 0;
    INT id = 0;
    RECT rect{};             // screen pixels for a top-level window, the parent's client pixels for a child
    RECT frame{};            // thickness of the non-client frame on each side, in pixels
    DLGPROC proc = nullptr;  // dialogs only
    INT checkState = 0;      // BST_UNCHECKED or BST_CHECKED; buttons only
    std::vector<ComboItem> items;
    INT selection = -1;  // -1: no item selected
    bool ended = false;  // a dialog whose EndDialog has been called
    INT_PTR endResult = 0;
    std::string embeddedAddress;  // address shown by a browser control placed in this window; empty: none

    bool Visible() const { return (style & WS_VISIBLE) != 0; }
    bool Enabled() const { return (style & WS_DISABLED) == 0; }
};

namespace WindowRegistry {
WindowObject* CreateTopLevel();
WindowObject* CreateChild(WindowObject* parent);
// Destroys the window and its children; their handles become unknown.
void Destroy(WindowObject* window);
// The live window of the handle; null for null, unknown or destroyed handles.
WindowObject* Find(HWND window);
HWND HandleOf(const WindowObject* window);
}  // namespace WindowRegistry

// Handling of a control's messages by its class (Controls.cpp).
LRESULT ControlMessage(WindowObject& control, UINT message, WPARAM wParam, LPARAM lParam);
