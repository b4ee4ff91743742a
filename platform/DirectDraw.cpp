#include "platform/DirectDraw.h"

#include <algorithm>
#include <list>

#include "platform/CallLog.h"
#include "platform/ComObject.h"
#include "platform/PlatformFaults.h"

namespace {
// Surfaces larger than this on either side are refused, as a driver without the memory would.
constexpr DWORD kMaxSurfaceSide = 8192;

std::vector<std::string>& CallRecord() {
    static auto* calls = new std::vector<std::string>;
    return *calls;
}

HRESULT Take(const char* call) {
    auto failure = PlatformFaults::Take(call);
    return failure ? *failure : S_OK;
}

class Surface;
std::list<Surface*>& Surfaces() {
    static auto* surfaces = new std::list<Surface*>;
    return *surfaces;
}

size_t& DirectDrawObjects() {
    static size_t count = 0;
    return count;
}

class Surface final : public ComObject<IDirectDrawSurface> {
public:
    Surface(DWORD width, DWORD height, const DDPIXELFORMAT& format) {
        mState.width = width;
        mState.height = height;
        mState.format = format;
        mState.pitch = static_cast<LONG>((width * (format.dwRGBBitCount / 8) + 3) & ~3u);
        mTexels.assign(static_cast<size_t>(mState.pitch) * height, 0);
        Surfaces().push_back(this);
    }
    ~Surface() override { Surfaces().remove(this); }

    HRESULT QueryInterface(REFIID iid, void** object) override { return QueryAs(iid, object); }

    HRESULT Lock(RECT* rect, DDSURFACEDESC* description, DWORD flags, HANDLE) override {
        HRESULT result = Take("IDirectDrawSurface::Lock");
        if (result == S_OK && (rect || !description || description->dwSize != DirectDrawStandIn::kSurfaceDescSize))
            result = DDERR_INVALIDPARAMS;
        if (result == S_OK && mState.locked) result = DDERR_SURFACEBUSY;
        if (result == S_OK) {
            Describe(description);
            description->dwFlags |= DDSD_LPSURFACE;
            description->lpSurface = mTexels.data();
            mState.locked = true;
        }
        return AppendCall(CallRecord(), result, "IDirectDrawSurface::Lock(0x%X)", flags);
    }

    HRESULT Unlock(LPVOID) override {
        HRESULT result = Take("IDirectDrawSurface::Unlock");
        if (result == S_OK && !mState.locked) result = DDERR_NOTLOCKED;
        if (result == S_OK) mState.locked = false;
        return AppendCall(CallRecord(), result, "IDirectDrawSurface::Unlock()");
    }

    HRESULT GetSurfaceDesc(DDSURFACEDESC* description) override {
        HRESULT result = Take("IDirectDrawSurface::GetSurfaceDesc");
        if (result == S_OK && (!description || description->dwSize != DirectDrawStandIn::kSurfaceDescSize))
            result = DDERR_INVALIDPARAMS;
        if (result == S_OK) Describe(description);
        return result;
    }

    void Describe(DDSURFACEDESC* description) const {
        *description = DDSURFACEDESC{};
        description->dwSize = DirectDrawStandIn::kSurfaceDescSize;
        description->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
        description->dwWidth = mState.width;
        description->dwHeight = mState.height;
        description->lPitch = mState.pitch;
        description->ddpfPixelFormat = mState.format;
        description->ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    }

    std::vector<uint8_t>& Texels() { return mTexels; }
    const DirectDrawStandIn::SurfaceState& State() const { return mState; }

private:
    DirectDrawStandIn::SurfaceState mState;
    std::vector<uint8_t> mTexels;
};

Surface* FindSurface(IDirectDrawSurface* surface) {
    for (Surface* candidate : Surfaces())
        if (static_cast<IDirectDrawSurface*>(candidate) == surface) return candidate;
    return nullptr;
}


class DirectDraw final : public ComObject<IDirectDraw> {
public:
    DirectDraw() { ++DirectDrawObjects(); }
    ~DirectDraw() override { --DirectDrawObjects(); }

    HRESULT QueryInterface(REFIID iid, void** object) override { return QueryAs(iid, object); }

    HRESULT SetCooperativeLevel(HWND, DWORD flags) override {
        HRESULT result = Take("IDirectDraw::SetCooperativeLevel");
        // Exclusive mode needs full screen and the other way round; the normal level stands alone.
        const bool exclusive = (flags & DDSCL_EXCLUSIVE) != 0, full = (flags & DDSCL_FULLSCREEN) != 0;
        if (result == S_OK && (exclusive != full || ((flags & DDSCL_NORMAL) != 0 && exclusive))) result = DDERR_INVALIDPARAMS;
        return AppendCall(CallRecord(), result, "IDirectDraw::SetCooperativeLevel(0x%X)", flags);
    }

    HRESULT CreateSurface(DDSURFACEDESC* description, IDirectDrawSurface** surface, IUnknown* outer) override {
        HRESULT result = Take("IDirectDraw::CreateSurface");
        if (result == S_OK && (!description || !surface || outer)) result = DDERR_INVALIDPARAMS;
        if (surface) *surface = nullptr;
        const DWORD width = description ? description->dwWidth : 0;
        const DWORD height = description ? description->dwHeight : 0;
        DDPIXELFORMAT format = DirectDrawStandIn::Rgb32Format();
        const DWORD needed = DDSD_WIDTH | DDSD_HEIGHT;
        if (result == S_OK &&
            (description->dwSize != DirectDrawStandIn::kSurfaceDescSize || (description->dwFlags & needed) != needed))
            result = DDERR_INVALIDPARAMS;
        if (result == S_OK && (width == 0 || height == 0 || width > kMaxSurfaceSide || height > kMaxSurfaceSide))
            result = DDERR_INVALIDPARAMS;
        if (result == S_OK && (description->dwFlags & DDSD_PIXELFORMAT)) {
            format = description->ddpfPixelFormat;
            const DWORD bits = format.dwRGBBitCount;
            if (!(format.dwFlags & DDPF_RGB) || (bits != 16 && bits != 24 && bits != 32))
                result = DDERR_INVALIDPIXELFORMAT;
        }
        if (result == S_OK) *surface = new Surface(width, height, format);
        return AppendCall(CallRecord(), result, "IDirectDraw::CreateSurface(%u x %u, %u bits)", width, height,
                          format.dwRGBBitCount);
    }
};
}  // namespace

HRESULT DirectDrawCreate(GUID* driver, IDirectDraw** directDraw, IUnknown* outer) {
    HRESULT result = Take("DirectDrawCreate");
    if (result == S_OK && (!directDraw || driver || outer)) result = DDERR_INVALIDPARAMS;
    if (directDraw) *directDraw = nullptr;
    if (result == S_OK) *directDraw = new DirectDraw();
    return AppendCall(CallRecord(), result, "DirectDrawCreate()");
}

namespace DirectDrawStandIn {
DDPIXELFORMAT Rgb32Format() {
    DDPIXELFORMAT format{};
    format.dwSize = sizeof(DDPIXELFORMAT);
    format.dwFlags = DDPF_RGB;
    format.dwRGBBitCount = 32;
    format.dwRBitMask = 0x00FF0000;
    format.dwGBitMask = 0x0000FF00;
    format.dwBBitMask = 0x000000FF;
    return format;
}

size_t LiveObjectCount() { return DirectDrawObjects(); }
std::vector<std::string> Calls() { return CallRecord(); }

std::vector<SurfaceState> LiveSurfaces() {
    std::vector<SurfaceState> states;
    for (const Surface* surface : Surfaces()) states.push_back(surface->State());
    return states;
}

std::vector<uint8_t>* SurfaceTexels(IDirectDrawSurface* surface) {
    Surface* ours = FindSurface(surface);
    return ours ? &ours->Texels() : nullptr;
}

bool DescribeSurface(IDirectDrawSurface* surface, SurfaceState* state) {
    Surface* ours = FindSurface(surface);
    if (!ours) return false;
    *state = ours->State();
    return true;
}

void Reset() { CallRecord().clear(); }
}  // namespace DirectDrawStandIn
