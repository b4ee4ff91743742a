#include "platform/Controls.h"

#include <cstring>

#include "platform/WindowObject.h"

namespace {
int gInitCommonControlsCalls = 0;

DWORD ButtonKind(const WindowObject& button) { return button.style & BS_TYPEMASK; }

bool IsCheckBox(const WindowObject& button) {
    DWORD kind = ButtonKind(button);
    return kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX;
}

bool ValidItem(const WindowObject& combo, WPARAM index) { return index < combo.items.size(); }

LRESULT ButtonMessage(WindowObject& button, UINT message, WPARAM wParam) {
    switch (message) {
        case BM_GETCHECK:
            return button.checkState;
        case BM_SETCHECK:
            if (IsCheckBox(button)) button.checkState = wParam == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
            return 0;
        case BM_CLICK: {
            // A hidden or disabled button refuses the click; an automatic check box toggles first,
            // so the owner's WM_COMMAND already sees the new state.
            if (!button.Visible() || !button.Enabled() || ButtonKind(button) == BS_GROUPBOX) return 0;
            if (ButtonKind(button) == BS_AUTOCHECKBOX) {
                button.checkState = button.checkState == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
            }
            if (button.parent) {
                SendMessageA(WindowRegistry::HandleOf(button.parent), WM_COMMAND,
                             MAKEWPARAM(static_cast<WORD>(button.id), BN_CLICKED),
                             reinterpret_cast<LPARAM>(WindowRegistry::HandleOf(&button)));
            }
            return 0;
        }
        default:
            return DefWindowProcA(WindowRegistry::HandleOf(&button), message, wParam, 0);
    }
}

LRESULT ComboMessage(WindowObject& combo, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case CB_ADDSTRING: {
            auto* text = reinterpret_cast<const char*>(lParam);
            combo.items.push_back({text ? text : "", 0});
            return static_cast<LRESULT>(combo.items.size() - 1);
        }
        case CB_GETCOUNT:
            return static_cast<LRESULT>(combo.items.size());
        case CB_GETCURSEL:
            return combo.selection < 0 ? CB_ERR : combo.selection;
        case CB_SETCURSEL:
            // -1 clears the selection and, as any index outside the list, answers CB_ERR.
            if (!ValidItem(combo, wParam)) {
                combo.selection = -1;
                return CB_ERR;
            }
            combo.selection = static_cast<INT>(wParam);
            return combo.selection;
        case CB_GETITEMDATA:
            return ValidItem(combo, wParam) ? combo.items[wParam].data : CB_ERR;
        case CB_SETITEMDATA:
            if (!ValidItem(combo, wParam)) return CB_ERR;
            combo.items[wParam].data = lParam;
            return 0;
        case CB_GETLBTEXTLEN:
            return ValidItem(combo, wParam) ? static_cast<LRESULT>(combo.items[wParam].text.size()) : CB_ERR;
        case CB_GETLBTEXT: {
            // The buffer must hold CB_GETLBTEXTLEN characters and a zero, as on the platform.
            auto* buffer = reinterpret_cast<char*>(lParam);
            if (!ValidItem(combo, wParam) || !buffer) return CB_ERR;
            const std::string& text = combo.items[wParam].text;
            std::memcpy(buffer, text.c_str(), text.size() + 1);
            return static_cast<LRESULT>(text.size());
        }
        case CB_RESETCONTENT:
            combo.items.clear();
            combo.selection = -1;
            return 0;
        default:
            return DefWindowProcA(WindowRegistry::HandleOf(&combo), message, wParam, lParam);
    }
}
}  // namespace

LRESULT ControlMessage(WindowObject& control, UINT message, WPARAM wParam, LPARAM lParam) {
    if (control.className == "button") return ButtonMessage(control, message, wParam);
    if (control.className == "combobox") return ComboMessage(control, message, wParam, lParam);
    return DefWindowProcA(WindowRegistry::HandleOf(&control), message, wParam, lParam);
}

BOOL CheckDlgButton(HWND dialog, INT id, UINT check) {
    HWND button = GetDlgItem(dialog, id);
    if (!button) return FALSE;
    SendMessageA(button, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, INT id) {
    HWND button = GetDlgItem(dialog, id);
    if (!button) return BST_UNCHECKED;
    return static_cast<UINT>(SendMessageA(button, BM_GETCHECK, 0, 0));
}

void InitCommonControls() { ++gInitCommonControlsCalls; }

namespace PlatformControls {
int InitCommonControlsCount() { return gInitCommonControlsCalls; }
}  // namespace PlatformControls
