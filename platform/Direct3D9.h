// The Direct3D 9 object: adapters, their display modes and device-type checks.
//
// The stand-in has one adapter. Until a test sets its own, it accepts X8R8G8B8 and R5G6B5 as full-screen
// display formats (not A8R8G8B8, which no display uses) and enumerates, for each, these modes in this
// order, each at 60 Hz and those marked * also at 75 Hz right after:
//   640 x 480*, 800 x 600*, 1024 x 768*, 1152 x 864 (75 Hz only), 1280 x 720, 1280 x 800,
//   1280 x 960, 1280 x 1024*, 1360 x 768, 1440 x 900, 1600 x 900, 1600 x 1200, 1680 x 1050,
//   1920 x 1080, 1920 x 1200.
#pragma once

#include <vector>

#include "platform/Com.h"
#include "platform/D3D9Types.h"
#include "platform/Direct3DDevice9.h"

enum D3DDEVTYPE : uint32_t {
    D3DDEVTYPE_HAL = 1,
    D3DDEVTYPE_REF = 2,
    D3DDEVTYPE_SW = 3,
};

// Behaviour flags of CreateDevice.
constexpr DWORD D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x20;
constexpr DWORD D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x40;

extern const IID IID_IDirect3D9;

class IDirect3D9 : public IUnknown {
public:
    virtual UINT GetAdapterCount() = 0;
    // Modes of the adapter in the format; 0 for an unknown adapter or a format it does not display.
    virtual UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) = 0;
    // D3DERR_INVALIDCALL for an unknown adapter, a null record or a mode index out of range.
    virtual HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* displayMode) = 0;
    virtual HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) = 0;
    // S_OK when the device type can show the display format with the back-buffer format.
    virtual HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT displayFormat,
                                    D3DFORMAT backBufferFormat, BOOL windowed) = 0;
    // A recording device (reference count 1) with the given back buffer. D3DERR_INVALIDCALL for an unknown
    // adapter or a missing argument, D3DERR_NOTAVAILABLE for another device type than the HAL; a failure
    // can be armed in PlatformFaults as "IDirect3D9::CreateDevice".
    virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                                 D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) = 0;

protected:
    ~IDirect3D9() = default;
};

// A new Direct3D object with reference count 1; null for another SDK version or when a failure is
// armed on "Direct3DCreate9". "IDirect3D9::EnumAdapterModes" and "IDirect3D9::CheckDeviceType" can be
// armed too (PlatformFaults).
IDirect3D9* Direct3DCreate9(UINT sdkVersion);

namespace PlatformDirect3D {
// What the next Direct3D objects report.
struct Adapter {
    std::vector<D3DFORMAT> displayFormats;  // formats CheckDeviceType accepts for a HAL device
    std::vector<D3DDISPLAYMODE> modes;      // every format's modes, in enumeration order
    D3DDISPLAYMODE currentMode{1920, 1080, 60, D3DFMT_X8R8G8B8};
};
Adapter DefaultAdapter();
void SetAdapter(const Adapter& adapter);
// Direct3D objects created and not yet released to 0.
int LiveObjectCount();
// Back to the default adapter.
void Reset();
}  // namespace PlatformDirect3D
