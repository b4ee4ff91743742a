// Modal dialogs built from the program's dialog templates.
//
// A dialog's modal loop takes its actions from the current DialogInput (DialogInput.h): the terminal
// by default, a script in tests. Dialog units become pixels with base units of 6 x 13 pixels
// (MS Sans Serif 8): x pixels = dlu * 6 / 4, y pixels = dlu * 13 / 8, each rounded half away from zero.
// The frame adds 1 pixel on each side for WS_BORDER, and 1 pixel on each side plus 20 on top for
// WS_CAPTION. A dialog starts at its template's position (from the owner's client corner, or the
// screen's without an owner) and is visible.
#pragma once

#include "platform/Resources.h"
#include "platform/Window.h"

// Builds the dialog, sends WM_INITDIALOG (wParam: the control that takes the focus, never null;
// lParam: `parameter`) and runs its modal loop until EndDialog. Returns the EndDialog result, or -1
// when the template does not exist, the procedure is null or a failure is armed on "DialogBoxParamA".
// Nests: a procedure may open another dialog while handling a message.
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure, LPARAM parameter);

// Marks the dialog to end with `result` once the message being handled returns.
BOOL EndDialog(HWND dialog, INT_PTR result);

// Converts a rectangle from the dialog's units to pixels with the rule above.
BOOL MapDialogRect(HWND dialog, RECT* rect);

namespace PlatformDialogs {
// Dialogs currently running their modal loop, innermost last.
int OpenDialogCount();
}  // namespace PlatformDialogs
