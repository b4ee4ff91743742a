// The launcher dialog (template 101) and the options dialog (template 105). Both read and write the
// setting variables directly; the options dialog saves "config.cfg" on OK.
#pragma once

#include <cstdint>

#include "platform/Window.h"

INT_PTR LauncherDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR OptionsDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Writes "config.cfg" through gConfig. A failed write is told on standard error with the file's path
// and the system's reason, once while it keeps failing the same way, and changes nothing else: the
// launcher goes on as it would have.
void SaveSettings();
// Fills the options dialog from the settings: working copies, check boxes, the resolution list.
void InitOptionsDialog(HWND window);

// The options dialog's working copies of the settings, filled when it opens and changed by its check
// boxes; only bloom and blur go back to the settings, on OK.
struct OptionsWorkingCopy {
    int32_t shadows;
    int32_t bloom;
    int32_t lensflare;
    int32_t dust;
    int32_t wheel;
    int32_t weather;
    int32_t blur;
    int32_t contrast;
};
extern OptionsWorkingCopy gOptionsCopy;

// The game's title, the launcher window's name.
extern const char* const kGameTitle;

// True while OLE is started by the launcher dialog and not yet shut down by the launcher sequence.
extern bool gLauncherOleStarted;
