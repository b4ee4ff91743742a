#include "host/EngineHost.h"

#include "Render/PAVIPlayer.h"
#include "Render/PAVIPlayer1.h"
#include "Render/PAnimation.h"
#include "Render/PDeviceListener.h"
#include "Render/PEffectManager.h"
#include "Render/PEffectSpawner.h"
#include "Render/PMaterialManager.h"
#include "Render/PRender.h"
#include "Render/PRenderObjectManager.h"
#include "Render/PTextureManager.h"
#include "core/CPCommandDispatcher.h"
#include "core/CPObjectFactory.h"
#include "core/CPTaskKernel.h"
#include "core/FrameClock.h"
#include "core/ServiceGlobals.h"
#include "core/config/CPConfig.h"
#include "interface/CPInputManager.h"
#include "platform/Clock.h"
#include "script/CPGameData.h"
#include "simulation/units/DebrisBudget.h"

namespace {
int64_t Counter() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}
}  // namespace

void EngineHost::Startup(HWND mainWindow) {
    if (mStarted) return;
    gAppExiting = false;
    // The settings come first: the services below start with their values.
    if (!gConfig) mOwnedConfig = new CPConfig;
    gConfig->Load("config.cfg");
    gTaskKernel = new CPTaskKernel(mainWindow);
    gCommandDispatcher = new CPCommandDispatcher;
    // Empty: the prototypes of the shot kinds are handed to it later.
    gObjectFactory = new CPObjectFactory;
    mAudio.Startup(mainWindow);
    gEffectManager = new CPEffectManager;
    gTextureManager = new CPTextureManager;
    gMaterialManager = new CPMaterialManager;
    gAnimationManager = new CPAnimationManager;
    // The renderer's default shadow material comes from the caches above.
    mRender.Startup(mainWindow);
    // Empty: the game's effect objects, emitter records and flame prototypes are handed to it later.
    gEmitterTable = new CPEffectSpawner;
    gRenderObjectManager = new CPRenderObjectManager;
    // Idle until a script opens a video.
    gVideoPlayer = new PAVIPlayer;
    gVideoPlayer1 = new PAVIPlayer1;
    // Without bindings until a script loads "Actions.cfg".
    gInputManager = new CPInputManager;
    // Empty shop tables and texts: their sources lie outside the engine.
    gGameData = new CPGameData;
    gDeltaTime = 0.0f;
    gFrameTime2 = 0.0f;
    gFrameCounter = 0;
    gRunningTime = 0.0;
    mLastCounter = Counter();
    mStarted = true;
}

void EngineHost::Frame() {
    if (!mStarted) return;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    int64_t now = Counter();
    int64_t ticks = now - mLastCounter;
    mLastCounter = now;
    if (ticks < 0) ticks = 0;
    gDeltaTime = static_cast<float>(static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart));
    gFrameTime2 = gDeltaTime;
    gRunningTime += static_cast<double>(gDeltaTime);
    // Wraps instead of overflowing after 2^31 frames.
    gFrameCounter = static_cast<int32_t>(static_cast<uint32_t>(gFrameCounter) + 1u);
    RestoreDebrisBudget();
    gTaskKernel->RunFrame();
    if (!gRenderer) return;
    const HRESULT presented = mFrameRenderer.DrawFrame(*gRenderer);
    // A lost device is reset once it can be; the frames in between draw nothing.
    if ((presented == D3DERR_DEVICELOST || presented == D3DERR_DEVICENOTRESET) && gRenderer == mRender.GetRenderer())
        RestoreDevice(mRender.GetDevice(), mRender.GetPresentParameters());
}

void EngineHost::Shutdown() {
    if (!mStarted) return;
    gAppExiting = true;
    delete gInputManager;
    gInputManager = nullptr;
    delete gGameData;
    gGameData = nullptr;
    // The players' textures are shown by cache entries and made on the renderer's device.
    delete gVideoPlayer;
    delete gVideoPlayer1;
    delete gRenderObjectManager;
    gRenderObjectManager = nullptr;
    // Shots hold sounds, tasks and materials: they go while those services are still there.
    delete gObjectFactory;
    gObjectFactory = nullptr;
    mAudio.Shutdown();
    delete gCommandDispatcher;
    gCommandDispatcher = nullptr;
    delete gTaskKernel;
    gTaskKernel = nullptr;
    // The spawner deletes the effects and flame prototypes it holds, whose materials come from the caches.
    delete gEmitterTable;
    gEmitterTable = nullptr;
    // The renderer's queues hold blocks of materials: they go before the caches.
    mRender.Shutdown();
    // Vertex animations live until here: nothing deletes them during a run.
    delete gAnimationManager;
    gAnimationManager = nullptr;
    // Materials hold effects and texture blocks, blocks hold textures: holders go first. Each cache
    // stays set while it empties, so that its resources can leave it.
    delete gMaterialManager;
    gMaterialManager = nullptr;
    delete gTextureManager;
    gTextureManager = nullptr;
    delete gEffectManager;
    gEffectManager = nullptr;
    delete mOwnedConfig;
    mOwnedConfig = nullptr;
    mStarted = false;
}

HRESULT EngineHost::RestoreDevice(IDirect3DDevice9* device, D3DPRESENT_PARAMETERS* parameters) {
    if (!device || !parameters) return D3DERR_INVALIDCALL;
    const HRESULT level = device->TestCooperativeLevel();
    if (level != D3DERR_DEVICENOTRESET) return level;
    g_DeviceListeners.NotifyLostDevice();
    const HRESULT result = device->Reset(parameters);
    if (SUCCEEDED(result)) g_DeviceListeners.NotifyResetDevice();
    return result;
}
