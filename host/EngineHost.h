// The engine host: creates the service objects, runs the frame and shuts the engine down.
// Later subsystems add their own duties to Startup, Frame and Shutdown.
#pragma once

#include <cstdint>

#include "host/AudioHost.h"
#include "host/FrameRenderer.h"
#include "host/RenderHost.h"
#include "platform/Direct3DDevice9.h"
#include "platform/WinTypes.h"

class CPConfig;

class EngineHost {
public:
    // Loads "config.cfg" into the settings (through gConfig, made here when no store stands yet),
    // then creates gTaskKernel with the main window and gCommandDispatcher, the audio (device, sound
    // cache and manager, music player), the effect, texture, material and animation caches, the
    // Direct3D device and gRenderer with its queues (RenderHost), an empty effect spawner gEmitterTable
    // for the game's effects, emitters and flame prototypes, the render-description builder
    // gRenderObjectManager, the video players, the input manager gInputManager (no bindings yet), the
    // game data gGameData (empty shop tables, no profile), and starts the frame clock.
    void Startup(HWND mainWindow = nullptr);
    // Sets gDeltaTime (and gFrameTime2) from the performance counter, advances gRunningTime and
    // gFrameCounter, restores the debris budget, runs the task kernel, then draws the renderer's queues
    // and presents (when gRenderer is set); a lost device of the host's own is restored when it can be reset.
    void Frame();
    // Sets gAppExiting and destroys the services Startup created; the caches go last, with every
    // animation, material, texture block, texture and effect they hold, and then the store Startup made.
    void Shutdown();

    // The reset protocol around a lost device. While the device answers D3DERR_DEVICENOTRESET: every
    // device listener's OnLostDevice in list order, the reset, and after a successful reset every
    // listener's OnResetDevice in list order. A failed reset leaves the listeners lost, so that the next
    // try starts from the same state. Returns the cooperative level (S_OK: nothing was lost) or the
    // reset's result.
    static HRESULT RestoreDevice(IDirect3DDevice9* device, D3DPRESENT_PARAMETERS* parameters);

    bool IsStarted() const { return mStarted; }

private:
    bool mStarted = false;
    AudioHost mAudio;
    CPConfig* mOwnedConfig = nullptr;  // the store Startup made; null when one stood already
    FrameRenderer mFrameRenderer;
    RenderHost mRender;
    int64_t mLastCounter = 0;  // performance-counter ticks of the previous frame
};
