// The launcher application: the program's one sequence from the settings to the dialog and on to
// the game executable or the statistics page.
#pragma once

#include "platform/Window.h"

class CPLauncher {
public:
    // Sets gLauncherApp.
    CPLauncher();
    // Clears gLauncherApp.
    virtual ~CPLauncher();
    CPLauncher(const CPLauncher&) = delete;
    CPLauncher& operator=(const CPLauncher&) = delete;

    // Loads "config.cfg", lists the display modes, runs the launcher dialog, shuts the web view down,
    // then saves the settings and starts the game (after a play button) or opens the statistics page.
    void RunLauncher();
};

extern CPLauncher* gLauncherApp;

extern const char* const kNewsPageUrl;
extern const char* const kStatisticsPageUrl;
extern const char* const kGameExecutable;
extern const char* const kConfigFile;

// The program's entry: starts COM, runs the launcher once, always returns 0.
INT WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, INT showCommand);
