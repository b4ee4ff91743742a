#include "launcher/DisplayModes.h"

#include "platform/Direct3D9.h"

std::vector<DisplayMode> gDisplayModes;

void EnumDisplayModes() {
    IDirect3D9* direct3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (!direct3D) return;

    D3DFORMAT format = D3DFMT_A8R8G8B8;
    for (D3DFORMAT candidate : {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8}) {
        if (SUCCEEDED(direct3D->CheckDeviceType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, candidate, candidate, FALSE))) {
            format = candidate;
            break;
        }
    }

    gDisplayModes.clear();
    UINT count = direct3D->GetAdapterModeCount(D3DADAPTER_DEFAULT, format);
    for (UINT i = 0; i < count; ++i) {
        D3DDISPLAYMODE mode{};
        if (FAILED(direct3D->EnumAdapterModes(D3DADAPTER_DEFAULT, format, i, &mode))) continue;
        if (mode.Width < 1024 || mode.Height < 768) continue;
        // Modes that differ only in refresh rate follow each other: they collapse into one entry.
        DisplayMode entry{static_cast<int32_t>(mode.Height), static_cast<int32_t>(mode.Width), 32};
        if (!gDisplayModes.empty() && gDisplayModes.back() == entry) continue;
        gDisplayModes.push_back(entry);
    }
    direct3D->Release();
}
