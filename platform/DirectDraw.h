// DirectDraw as the video players call it: the DirectDraw object (DirectDrawCreate) with its
// cooperative level, and plain off-screen surfaces in system memory that a multimedia stream decodes
// frames into and the players lock to read them. Nothing reaches a display.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Com.h"
#include "platform/WinTypes.h"

constexpr HRESULT DD_OK = S_OK;
constexpr HRESULT DDERR_INVALIDPARAMS = E_INVALIDARG;
constexpr HRESULT DDERR_INVALIDPIXELFORMAT = static_cast<HRESULT>(0x88760091u);
constexpr HRESULT DDERR_SURFACEBUSY = static_cast<HRESULT>(0x887601AEu);
constexpr HRESULT DDERR_NOTLOCKED = static_cast<HRESULT>(0x887601E6u);
constexpr HRESULT DDERR_OUTOFMEMORY = E_OUTOFMEMORY;

// Cooperative levels.
constexpr DWORD DDSCL_FULLSCREEN = 0x1;
constexpr DWORD DDSCL_NORMAL = 0x8;
constexpr DWORD DDSCL_EXCLUSIVE = 0x10;

// Which fields of a DDSURFACEDESC are valid.
constexpr DWORD DDSD_CAPS = 0x1;
constexpr DWORD DDSD_HEIGHT = 0x2;
constexpr DWORD DDSD_WIDTH = 0x4;
constexpr DWORD DDSD_PITCH = 0x8;
constexpr DWORD DDSD_PIXELFORMAT = 0x1000;
constexpr DWORD DDSD_LPSURFACE = 0x800;

// Pixel format flags.
constexpr DWORD DDPF_RGB = 0x40;

// Surface capabilities.
constexpr DWORD DDSCAPS_OFFSCREENPLAIN = 0x40;
constexpr DWORD DDSCAPS_SYSTEMMEMORY = 0x800;

// Lock flags.
constexpr DWORD DDLOCK_WAIT = 0x1;
constexpr DWORD DDLOCK_READONLY = 0x10;
constexpr DWORD DDLOCK_WRITEONLY = 0x20;

struct DDCOLORKEY {
    DWORD dwColorSpaceLowValue;
    DWORD dwColorSpaceHighValue;
};

struct DDPIXELFORMAT {
    DWORD dwSize;  // 32
    DWORD dwFlags;
    DWORD dwFourCC;
    DWORD dwRGBBitCount;
    DWORD dwRBitMask;
    DWORD dwGBitMask;
    DWORD dwBBitMask;
    DWORD dwRGBAlphaBitMask;
};
static_assert(sizeof(DDPIXELFORMAT) == 32);

struct DDSCAPS {
    DWORD dwCaps;
};

// The surface description. On the 32-bit platform it is 108 bytes and callers put that size into
// dwSize; here lpSurface is a full pointer, so the record is larger, and the size field still says
// 108 (kSurfaceDescSize).
struct DDSURFACEDESC {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    LONG lPitch;  // bytes from one row to the next
    DWORD dwBackBufferCount;
    DWORD dwRefreshRate;
    DWORD dwAlphaBitDepth;
    DWORD dwReserved;
    LPVOID lpSurface;  // the texels while locked
    DDCOLORKEY ddckCKDestOverlay;
    DDCOLORKEY ddckCKDestBlt;
    DDCOLORKEY ddckCKSrcOverlay;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS ddsCaps;
};

namespace DirectDrawStandIn {
// What dwSize of a DDSURFACEDESC must hold: the record's size on the 32-bit platform.
constexpr DWORD kSurfaceDescSize = 108;
}  // namespace DirectDrawStandIn

class IDirectDrawPalette;

class IDirectDrawSurface : public IUnknown {
public:
    // Locks the whole surface (the rectangle must be null): lpSurface and lPitch of the description
    // give the texels until Unlock. A second lock while locked fails with DDERR_SURFACEBUSY.
    virtual HRESULT Lock(RECT* rect, DDSURFACEDESC* description, DWORD flags, HANDLE event) = 0;
    virtual HRESULT Unlock(LPVOID rect) = 0;
    virtual HRESULT GetSurfaceDesc(DDSURFACEDESC* description) = 0;

protected:
    ~IDirectDrawSurface() = default;
};

class IDirectDraw : public IUnknown {
public:
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
    // An off-screen plain surface in system memory of the described width, height and (with
    // DDSD_PIXELFORMAT) RGB format of 16, 24 or 32 bits; without a format the display's 32-bit one.
    virtual HRESULT CreateSurface(DDSURFACEDESC* description, IDirectDrawSurface** surface, IUnknown* outer) = 0;

protected:
    ~IDirectDraw() = default;
};

// Makes the DirectDraw object of the default driver (the driver must be null). Can be failed through
// PlatformFaults as "DirectDrawCreate"; every method under "IDirectDraw::<name>" or
// "IDirectDrawSurface::<name>".
HRESULT DirectDrawCreate(GUID* driver, IDirectDraw** directDraw, IUnknown* outer);

// What tests read of the stand-in.
namespace DirectDrawStandIn {
// 32-bit RGB: the display's format, and the one the multimedia stream decodes frames in.
DDPIXELFORMAT Rgb32Format();

struct SurfaceState {
    DWORD width = 0;
    DWORD height = 0;
    DDPIXELFORMAT format{};
    LONG pitch = 0;
    bool locked = false;
};
// DirectDraw objects alive now and the calls made on them, in order, as "Name(arguments)".
size_t LiveObjectCount();
std::vector<std::string> Calls();
// Surfaces alive now, in creation order.
std::vector<SurfaceState> LiveSurfaces();
// The texels of a surface of this stand-in (the multimedia stream decodes into them); null for a
// surface that is not one of ours.
std::vector<uint8_t>* SurfaceTexels(IDirectDrawSurface* surface);
bool DescribeSurface(IDirectDrawSurface* surface, SurfaceState* state);
// Forgets the recorded calls.
void Reset();
}  // namespace DirectDrawStandIn
