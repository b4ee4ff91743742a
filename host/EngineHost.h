// The engine host: creates the service objects, runs the frame and shuts the engine down.
// Later subsystems add their own duties to Startup, Frame and Shutdown.
#pragma once

#include <cstdint>

#include "host/AudioHost.h"
#include "platform/WinTypes.h"

class EngineHost {
public:
    // Creates gTaskKernel with the main window and gCommandDispatcher, the audio (device, sound cache
    // and manager, music player), and starts the frame clock.
    void Startup(HWND mainWindow = nullptr);
    // Sets gDeltaTime (and gFrameTime2) from the performance counter, advances gRunningTime and
    // gFrameCounter, runs the task kernel.
    void Frame();
    // Sets gAppExiting and destroys the services Startup created.
    void Shutdown();

    bool IsStarted() const { return mStarted; }

private:
    bool mStarted = false;
    AudioHost mAudio;
    int64_t mLastCounter = 0;  // performance-counter ticks of the previous frame
};
