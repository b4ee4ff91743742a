// The engine host: creates the service objects, runs the frame and shuts the engine down.
// Later subsystems add their own duties to Startup, Frame and Shutdown.
#pragma once

#include <cstdint>
#include <span>

#include "host/AudioHost.h"
#include "host/CPGlobalTimer.h"
#include "Render/CPFrameRenderer.h"
#include "host/RenderHost.h"
#include "platform/Direct3DDevice9.h"
#include "platform/WinTypes.h"

class CPConfig;

class EngineHost {
public:
    // Runs the service steps in order: loads "config.cfg" into the settings (through gConfig, made here
    // when no store stands yet), then creates gTaskKernel with the main window, gCommandDispatcher, the
    // audio (device, gSoundCache, gSoundManager with the named sounds and the effect volume,
    // gMusicPlayer), the effect, texture, material and animation caches, the Direct3D device and
    // gRenderer with its queues (RenderHost, whose device gSkyRenderDevice draws with), an empty effect
    // spawner gEmitterTable, gObjectFactory, the render-description builder gRenderObjectManager, the
    // video players, the input manager gInputManager (no bindings yet) and the game data gGameData
    // (empty shop tables, no profile); then starts the frame clock.
    void Startup(HWND mainWindow = nullptr);
    // Sets gDeltaTime (and gFrameTime2) from the performance counter, advances gRunningTime and
    // gFrameCounter, restores the debris budget, runs the task kernel, then draws the renderer's queues
    // and presents (when gRenderer is set); a lost device of the host's own is restored when it can be reset.
    // The sanitizer build then checks the links of the scene, the task kernel and the physics world.
    void Frame();
    // Sets gAppExiting and runs the service steps' destroy halves in the reverse order, each clearing
    // its global after the delete: the caches go late, with every animation, material, texture block,
    // texture and effect they hold, and the store Startup made goes last.
    void Shutdown();

    // The reset protocol around a lost device. While the device answers D3DERR_DEVICENOTRESET: every
    // device listener's OnLostDevice in list order, the reset, and after a successful reset every
    // listener's OnResetDevice in list order. A failed reset leaves the listeners lost, so that the next
    // try starts from the same state. Returns the cooperative level (S_OK: nothing was lost) or the
    // reset's result.
    static HRESULT RestoreDevice(IDirect3DDevice9* device, D3DPRESENT_PARAMETERS* parameters);

    bool IsStarted() const { return mStarted; }

private:
    // One service of the engine: how the host makes it and how it takes it down. Later services may
    // hold earlier ones (shots hold sounds, tasks and materials; materials hold effects and textures),
    // so Shutdown takes them down in the exact reverse of the order Startup made them.
    struct ServiceStep {
        void (*create)(EngineHost& host, HWND mainWindow);
        void (*destroy)(EngineHost& host);
    };
    static std::span<const ServiceStep> ServiceSteps();

    bool mStarted = false;
    AudioHost mAudio;
    CPConfig* mOwnedConfig = nullptr;  // the store Startup made; null when one stood already
    CPFrameRenderer mFrameRenderer;
    RenderHost mRender;
    CPSmartPtr<CPGlobalTimer> mGlobalTimer;  // gGlobalTimer while started
};
