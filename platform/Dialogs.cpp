#include "platform/Dialogs.h"

#include <strings.h>

#include <string>

#include "platform/Controls.h"
#include "platform/DialogInput.h"
#include "platform/PlatformFaults.h"
#include "platform/WindowObject.h"

namespace {
constexpr LONG kBaseUnitX = 6;
constexpr LONG kBaseUnitY = 13;

int gOpenDialogs = 0;

// a * b / c rounded half away from zero, as the platform's MulDiv.
LONG MulDivRound(LONG a, LONG b, LONG c) {
    long long product = static_cast<long long>(a) * b;
    long long half = c / 2;
    return static_cast<LONG>(product >= 0 ? (product + half) / c : (product - half) / c);
}

void ToPixels(RECT& rect) {
    rect.left = MulDivRound(rect.left, kBaseUnitX, 4);
    rect.right = MulDivRound(rect.right, kBaseUnitX, 4);
    rect.top = MulDivRound(rect.top, kBaseUnitY, 8);
    rect.bottom = MulDivRound(rect.bottom, kBaseUnitY, 8);
}

RECT DialogUnitsToPixels(short x, short y, short cx, short cy) {
    RECT rect{x, y, x + cx, y + cy};
    ToPixels(rect);
    return rect;
}

RECT FrameOf(DWORD style) {
    if ((style & WS_CAPTION) == WS_CAPTION) return {1, 21, 1, 1};
    if (style & WS_BORDER) return {1, 1, 1, 1};
    return {0, 0, 0, 0};
}

WindowObject* BuildDialog(const DialogTemplate& tmpl, HWND owner, DLGPROC procedure) {
    WindowObject* dialog = WindowRegistry::CreateTopLevel();
    dialog->className = "dialog";
    dialog->text = tmpl.caption;
    dialog->style = tmpl.style | WS_VISIBLE;
    dialog->exStyle = tmpl.exStyle;
    dialog->proc = procedure;
    dialog->frame = FrameOf(tmpl.style);

    RECT client = DialogUnitsToPixels(tmpl.x, tmpl.y, tmpl.cx, tmpl.cy);
    LONG originX = 0;
    LONG originY = 0;
    RECT ownerRect;
    if (owner && GetWindowRect(owner, &ownerRect)) {
        const WindowObject* ownerObject = WindowRegistry::Find(owner);
        originX = ownerRect.left + ownerObject->frame.left;
        originY = ownerRect.top + ownerObject->frame.top;
    }
    const RECT& f = dialog->frame;
    dialog->rect = {originX + client.left, originY + client.top,
                    originX + client.left + (client.right - client.left) + f.left + f.right,
                    originY + client.top + (client.bottom - client.top) + f.top + f.bottom};

    for (const DialogItemTemplate& item : tmpl.items) {
        WindowObject* control = WindowRegistry::CreateChild(dialog);
        control->className = item.className;
        control->text = item.text;
        control->style = item.style;
        control->exStyle = item.exStyle;
        control->id = item.id;
        control->rect = DialogUnitsToPixels(item.x, item.y, item.cx, item.cy);
    }
    return dialog;
}

// The control that takes the focus first: the first visible, enabled tab stop, else the first
// control, else the dialog itself, so WM_INITDIALOG never carries a null handle.
HWND FocusControl(WindowObject& dialog) {
    for (auto& child : dialog.children) {
        if ((child->style & WS_TABSTOP) && child->Visible() && child->Enabled()) {
            return WindowRegistry::HandleOf(child.get());
        }
    }
    if (!dialog.children.empty()) return WindowRegistry::HandleOf(dialog.children.front().get());
    return WindowRegistry::HandleOf(&dialog);
}

// Whole texts: a zero byte inside a typed line does not end the comparison early.
bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return "";
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool IsClickable(const WindowObject& control) {
    return control.className == "button" && (control.style & BS_TYPEMASK) != BS_GROUPBOX;
}

// The close box: WM_CLOSE; a procedure that does not handle it gets IDCANCEL as the platform's
// default dialog handling sends it. When the input has ended, a dialog that still refuses ends with
// IDCANCEL anyway: nothing may keep a loop waiting for input that will never come.
void Close(WindowObject& dialog, bool inputEnded) {
    HWND handle = WindowRegistry::HandleOf(&dialog);
    LRESULT handled = SendMessageA(handle, WM_CLOSE, 0, 0);
    if (dialog.ended) return;
    if (!handled) {
        SendMessageA(handle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(handle, IDCANCEL)));
    }
    if (!dialog.ended && inputEnded) {
        dialog.ended = true;
        dialog.endResult = IDCANCEL;
    }
}

void Perform(WindowObject& dialog, const std::string& rawAction, DialogInput& input) {
    std::string action = Trim(rawAction);
    if (action.empty()) return;
    HWND handle = WindowRegistry::HandleOf(&dialog);

    for (auto& child : dialog.children) {
        if (child->text.empty() || !SameText(child->text, action)) continue;
        if (!IsClickable(*child)) {
            input.Notice("\"" + child->text + "\" cannot be clicked.");
        } else if (!child->Visible() || !child->Enabled()) {
            input.Notice("\"" + child->text + "\" is not available.");
        } else {
            SendMessageA(WindowRegistry::HandleOf(child.get()), BM_CLICK, 0, 0);
        }
        return;
    }
    for (auto& child : dialog.children) {
        if (child->className != "combobox") continue;
        for (size_t i = 0; i < child->items.size(); ++i) {
            if (!SameText(child->items[i].text, action)) continue;
            if (!child->Visible() || !child->Enabled()) {
                input.Notice("\"" + child->items[i].text + "\" is not available.");
                return;
            }
            child->selection = static_cast<INT>(i);
            SendMessageA(handle, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(child->id), CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(WindowRegistry::HandleOf(child.get())));
            return;
        }
    }
    if (SameText(action, "close")) {
        Close(dialog, false);
        return;
    }
    input.Notice("There is no \"" + action + "\" here.");
}
}  // namespace

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure, LPARAM parameter) {
    const DialogTemplate* tmpl = FindDialogTemplate(instance, templateName);
    if (!tmpl || !procedure || PlatformFaults::Take("DialogBoxParamA")) return -1;

    WindowObject* dialog = BuildDialog(*tmpl, owner, procedure);
    HWND handle = WindowRegistry::HandleOf(dialog);
    ++gOpenDialogs;
    procedure(handle, WM_INITDIALOG, reinterpret_cast<WPARAM>(FocusControl(*dialog)), parameter);

    while (!dialog->ended) {
        DialogInput& input = CurrentDialogInput();
        std::optional<std::string> action = input.NextAction(handle);
        if (!action) {
            Close(*dialog, true);
        } else {
            Perform(*dialog, *action, input);
        }
    }
    INT_PTR result = dialog->endResult;
    --gOpenDialogs;
    WindowRegistry::Destroy(dialog);
    return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    WindowObject* object = WindowRegistry::Find(dialog);
    if (!object || object->className != "dialog") return FALSE;
    object->ended = true;
    object->endResult = result;
    return TRUE;
}

BOOL MapDialogRect(HWND dialog, RECT* rect) {
    if (!WindowRegistry::Find(dialog) || !rect) return FALSE;
    ToPixels(*rect);
    return TRUE;
}

namespace PlatformDialogs {
int OpenDialogCount() { return gOpenDialogs; }
}  // namespace PlatformDialogs
