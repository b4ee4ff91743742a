#include "host/RenderHost.h"

#include "Render/PMaterial.h"
#include "Render/PMaterialManager.h"
#include "Render/PRender.h"
#include "core/config/Settings.h"

bool RenderHost::Startup(HWND window) {
    if (mRenderer) return true;
    mDirect3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (!mDirect3D) return false;

    mParameters = {};
    mParameters.BackBufferWidth = static_cast<UINT>(gSettings::screenWidth > 0 ? gSettings::screenWidth : 0);
    mParameters.BackBufferHeight = static_cast<UINT>(gSettings::screenHeight > 0 ? gSettings::screenHeight : 0);
    mParameters.BackBufferFormat = gSettings::screenBPP == 16 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8;
    mParameters.BackBufferCount = 1;
    mParameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    mParameters.hDeviceWindow = window;
    mParameters.Windowed = gSettings::fullScreen ? FALSE : TRUE;
    mParameters.EnableAutoDepthStencil = TRUE;
    mParameters.AutoDepthStencilFormat = D3DFMT_D24S8;
    if (FAILED(mDirect3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                       D3DCREATE_HARDWARE_VERTEXPROCESSING, &mParameters, &mDevice))) {
        mDevice = nullptr;
        Shutdown();
        return false;
    }

    mRenderer = new PRender(mDevice);
    mQueues.Create(*mRenderer);
    mRenderer->CreateRadialBlurGrid(kBlurGridRows, kBlurGridColumns);
    mRenderer->SetFadeMaximum(kFadeMaximum);
    // The fade is how much of the picture shows: a run starts fully shown, until a script fades it.
    mRenderer->SetFadeLevel(1.0f);
    D3DCAPS9 caps{};
    if (SUCCEEDED(mDevice->GetDeviceCaps(&caps))) mRenderer->SetMaxAnisotropy(static_cast<int32_t>(caps.MaxAnisotropy));
    return true;
}

void RenderHost::MakeDefaultShadowMaterial() {
    if (!mRenderer || !gMaterialManager) return;
    // The level's planar shadows draw in the main view.
    CPSmartPtr<CPMaterial> shadow = gMaterialManager->CreateMaterial(PRender::kMainViewLayer, kShadowEffect, {});
    mRenderer->SetDefaultShadowMaterial(shadow.Get());
}

void RenderHost::Shutdown() {
    if (mRenderer) {
        mQueues.Destroy();
        delete mRenderer;
        mRenderer = nullptr;
    }
    if (mDevice) {
        mDevice->Release();
        mDevice = nullptr;
    }
    if (mDirect3D) {
        mDirect3D->Release();
        mDirect3D = nullptr;
    }
}
