#include "host/EngineHost.h"

#include "DynamicSky/SkyRenderDevice.h"
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
#include "Sound/NSoundCache.h"
#include "Sound/NSoundManager.h"
#include "Sound/PMusic.h"
#include "core/CPCommandDispatcher.h"
#include "core/CPObjectFactory.h"
#include "core/CPTaskKernel.h"
#include "core/EngineAssert.h"
#include "core/FrameClock.h"
#include "core/ServiceGlobals.h"
#include "core/config/CPConfig.h"
#include "core/config/Settings.h"
#include "host/CPGlobalTimer.h"
#include "host/FrameChecks.h"
#include "interface/CPFontManager.h"
#include "interface/CPInputManager.h"
#include "platform/Clock.h"
#include "script/LevelScriptFunctions.h"
#include "simulation/enemies/CPVehicleUpdater.h"
#include "simulation/level/CPGameData.h"
#include "simulation/level/CPLevel.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "simulation/units/DebrisBudget.h"

namespace {
// Deletes a service while its global still names it (a cache empties through its global), then clears
// the global: no service is left to clear it in its destructor.
template <typename T>
void DestroyGlobal(T*& global) {
    delete global;
    global = nullptr;
}
}  // namespace

std::span<const EngineHost::ServiceStep> EngineHost::ServiceSteps() {
    static constexpr ServiceStep kSteps[] = {
        // The settings come first: the services below start with their values.
        {[](EngineHost& host, HWND) {
             if (!gConfig) host.mOwnedConfig = new CPConfig;
             gConfig->Load("config.cfg");
         },
         [](EngineHost& host) {
             if (!host.mOwnedConfig) return;
             if (gConfig == host.mOwnedConfig) gConfig = nullptr;
             delete host.mOwnedConfig;
             host.mOwnedConfig = nullptr;
         }},
        {[](EngineHost&, HWND window) { gTaskKernel = new CPTaskKernel(window); },
         [](EngineHost&) { DestroyGlobal(gTaskKernel); }},
        // The frame time runs from the start; the scripts may stop and start it.
        {[](EngineHost& host, HWND) {
             host.mGlobalTimer = new CPGlobalTimer;
             gGlobalTimer = host.mGlobalTimer.Get();
             gTaskKernel->AddTask(gGlobalTimer);
         },
         [](EngineHost& host) {
             if (gGlobalTimer == host.mGlobalTimer.Get()) gGlobalTimer = nullptr;
             host.mGlobalTimer->Stop();
             host.mGlobalTimer = nullptr;
         }},
        {[](EngineHost&, HWND) { gCommandDispatcher = new CPCommandDispatcher; },
         [](EngineHost&) { DestroyGlobal(gCommandDispatcher); }},
        {[](EngineHost& host, HWND window) { host.mAudio.OpenDevice(window); },
         [](EngineHost& host) { host.mAudio.CloseDevice(); }},
        {[](EngineHost& host, HWND) { gSoundCache = new CNSoundCache(host.mAudio.GetDevice()); },
         [](EngineHost&) { DestroyGlobal(gSoundCache); }},
        {[](EngineHost& host, HWND) { gSoundManager = new CNSoundManager(gSoundCache, host.mAudio.GetListener()); },
         [](EngineHost&) { DestroyGlobal(gSoundManager); }},
        {[](EngineHost& host, HWND) {
             host.mAudio.LoadSounds();
             gSoundManager->SetSoundVolume(gSettings::soundVolume);
         },
         [](EngineHost& host) { host.mAudio.DeleteSounds(); }},
        {[](EngineHost&, HWND) { gMusicPlayer = new CPMusic(gSettings::musicVolume); },
         [](EngineHost&) { DestroyGlobal(gMusicPlayer); }},
        // Each cache stays set while it empties, so that its resources can leave it.
        {[](EngineHost&, HWND) { gEffectManager = new CPEffectManager; },
         [](EngineHost&) { DestroyGlobal(gEffectManager); }},
        {[](EngineHost&, HWND) { gTextureManager = new CPTextureManager; },
         [](EngineHost&) { DestroyGlobal(gTextureManager); }},
        {[](EngineHost&, HWND) { gMaterialManager = new CPMaterialManager; },
         [](EngineHost&) { DestroyGlobal(gMaterialManager); }},
        // Vertex animations live until here: nothing deletes them during a run.
        {[](EngineHost&, HWND) { gAnimationManager = new CPAnimationManager; },
         [](EngineHost&) { DestroyGlobal(gAnimationManager); }},
        // The renderer's default shadow material comes from the caches above; its queues hold blocks of
        // materials, so it goes before them.
        {[](EngineHost& host, HWND window) {
             if (!host.mRender.Startup(window)) return;
             gRenderer = host.mRender.GetRenderer();
             host.mRender.MakeDefaultShadowMaterial();
             // The sky draws and clears depth on the same device the renderer makes its resources on.
             gSkyRenderDevice.SetDevice(host.mRender.GetDevice());
         },
         [](EngineHost& host) {
             gSkyRenderDevice.SetDevice(nullptr);
             gRenderer = nullptr;
             host.mRender.Shutdown();
         }},
        // Empty: the game's effect objects, emitter records and flame prototypes are handed to it later.
        // It deletes the effects and flame prototypes it holds, whose materials come from the caches.
        {[](EngineHost&, HWND) { gEmitterTable = new CPEffectSpawner; },
         [](EngineHost&) { DestroyGlobal(gEmitterTable); }},
        // Empty: the prototypes of the shot kinds are handed to it later. Shots hold sounds, tasks and
        // materials, so it stands after those services.
        {[](EngineHost&, HWND) { gObjectFactory = new CPObjectFactory; },
         [](EngineHost&) { DestroyGlobal(gObjectFactory); }},
        {[](EngineHost&, HWND) { gRenderObjectManager = new CPRenderObjectManager; },
         [](EngineHost&) { DestroyGlobal(gRenderObjectManager); }},
        // Idle until a script opens a video; their textures are shown by cache entries and made on the
        // renderer's device.
        {[](EngineHost&, HWND) { gVideoPlayer = new PAVIPlayer; },
         [](EngineHost&) { DestroyGlobal(gVideoPlayer); }},
        {[](EngineHost&, HWND) { gVideoPlayer1 = new PAVIPlayer1; },
         [](EngineHost&) { DestroyGlobal(gVideoPlayer1); }},
        // Without fonts: making them from font files lies outside the engine. Its fonts hold materials
        // of the caches above.
        {[](EngineHost&, HWND) { gFontManager = new CPFontManager; },
         [](EngineHost&) { DestroyGlobal(gFontManager); }},
        // Without bindings until a script loads "Actions.cfg".
        {[](EngineHost&, HWND) { gInputManager = new CPInputManager; },
         [](EngineHost&) { DestroyGlobal(gInputManager); }},
        // Empty shop tables and texts: their sources lie outside the engine.
        {[](EngineHost&, HWND) { gGameData = new CPGameData; },
         [](EngineHost&) { DestroyGlobal(gGameData); }},
        // The race's tasks: the physics step and the AI driving, which a level hands to the kernel.
        {[](EngineHost&, HWND) { gPhysicsWorld = new CPPhysicWorld; },
         [](EngineHost&) { DestroyGlobal(gPhysicsWorld); }},
        {[](EngineHost&, HWND) { gLevelUpdater = new CPVehicleUpdater; },
         [](EngineHost&) { DestroyGlobal(gLevelUpdater); }},
        // A level the scripts left goes first: it stops its race and deletes what it built.
        {[](EngineHost&, HWND) {},
         [](EngineHost&) { DestroyGlobal(gLevel); }},
    };
    return kSteps;
}

void EngineHost::Startup(HWND mainWindow) {
    if (mStarted) return;
    gAppExiting = false;
    for (const ServiceStep& step : ServiceSteps()) step.create(*this, mainWindow);
    gDeltaTime = 0.0f;
    gFrameTime2 = 0.0f;
    gFrameCounter = 0;
    gRunningTime = 0.0;
    mStarted = true;
}

void EngineHost::Frame() {
    if (!mStarted) return;
    // The frame time comes from the global timer, the kernel's first task; a stopped timer leaves it at 0.
    // Wraps instead of overflowing after 2^31 frames.
    gFrameCounter = static_cast<int32_t>(static_cast<uint32_t>(gFrameCounter) + 1u);
    RestoreDebrisBudget();
    gTaskKernel->RunFrame();
    if (gRenderer) {
        const HRESULT presented = mFrameRenderer.DrawFrame(*gRenderer);
        // A lost device is reset once it can be; the frames in between draw nothing.
        if ((presented == D3DERR_DEVICELOST || presented == D3DERR_DEVICENOTRESET) && gRenderer == mRender.GetRenderer())
            RestoreDevice(mRender.GetDevice(), mRender.GetPresentParameters());
    }
    ENGINE_ASSERT(EngineLinksAreSound());
}

void EngineHost::Shutdown() {
    if (!mStarted) return;
    gAppExiting = true;
    const std::span<const ServiceStep> steps = ServiceSteps();
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) step->destroy(*this);
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
