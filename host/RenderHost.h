// The host's rendering duties: the Direct3D object and device made from the screen settings, and the
// renderer with its two queues and rings, radial-blur grid, fade maximum, maximum anisotropy and default
// shadow material. The engine host's service steps make it gRenderer and give its device to
// gSkyRenderDevice.
#pragma once

#include "host/RenderQueueHost.h"
#include "platform/Direct3D9.h"
#include "platform/WinTypes.h"

class PRender;

class RenderHost {
public:
    static constexpr int32_t kFadeMaximum = 255;
    static constexpr int32_t kBlurGridRows = 8;
    static constexpr int32_t kBlurGridColumns = 8;
    static constexpr const char* kShadowEffect = "shadow.fx";

    RenderHost() = default;
    ~RenderHost() { Shutdown(); }
    RenderHost(const RenderHost&) = delete;
    RenderHost& operator=(const RenderHost&) = delete;

    // False (and no renderer) when there is no Direct3D object or no device.
    bool Startup(HWND window);
    // The renderer's default shadow material, from the material cache. Only once the renderer is
    // gRenderer: its effect is compiled on gRenderer's device, and the cache keeps whatever it made,
    // an effect that found no device included, for the whole run.
    void MakeDefaultShadowMaterial();
    // Deletes the queues, the renderer, the device and the Direct3D object.
    void Shutdown();

    PRender* GetRenderer() const { return mRenderer; }
    IDirect3DDevice9* GetDevice() const { return mDevice; }
    D3DPRESENT_PARAMETERS* GetPresentParameters() { return &mParameters; }

private:
    IDirect3D9* mDirect3D = nullptr;
    IDirect3DDevice9* mDevice = nullptr;
    PRender* mRenderer = nullptr;  // owned; null until Startup succeeds
    RenderQueueHost mQueues;
    D3DPRESENT_PARAMETERS mParameters{};
};
