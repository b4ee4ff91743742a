#include "platform/Direct3D9.h"

#include <algorithm>

#include "platform/PlatformFaults.h"

const IID IID_IDirect3D9 = {0x81BDCBCA, 0x64D4, 0x426D, {0xAE, 0x8D, 0xAD, 0x01, 0x47, 0xF4, 0x27, 0x5C}};

namespace {
struct Direct3DState {
    PlatformDirect3D::Adapter adapter = PlatformDirect3D::DefaultAdapter();
    int live = 0;
};

Direct3DState& State() {
    static Direct3DState state;
    return state;
}

// The object keeps the adapter it was created with, so a test changing the next adapter does not
// change an enumeration in progress.
class Direct3D9 final : public IDirect3D9 {
public:
    explicit Direct3D9(PlatformDirect3D::Adapter adapter) : mAdapter(std::move(adapter)) { ++State().live; }

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!(iid == IID_IUnknown) && !(iid == IID_IDirect3D9)) return E_NOINTERFACE;
        *object = static_cast<IDirect3D9*>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++mReferences; }
    ULONG Release() override {
        ULONG count = --mReferences;
        if (count == 0) delete this;
        return count;
    }

    UINT GetAdapterCount() override { return 1; }

    UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) override {
        if (adapter != D3DADAPTER_DEFAULT) return 0;
        return static_cast<UINT>(std::count_if(mAdapter.modes.begin(), mAdapter.modes.end(),
                                               [format](const D3DDISPLAYMODE& m) { return m.Format == format; }));
    }

    HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* displayMode) override {
        if (adapter != D3DADAPTER_DEFAULT || !displayMode) return D3DERR_INVALIDCALL;
        UINT index = 0;
        for (const D3DDISPLAYMODE& m : mAdapter.modes) {
            if (m.Format != format) continue;
            if (index == mode) {
                if (auto failure = PlatformFaults::Take("IDirect3D9::EnumAdapterModes")) return *failure;
                *displayMode = m;
                return S_OK;
            }
            ++index;
        }
        return D3DERR_INVALIDCALL;
    }

    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) override {
        if (adapter != D3DADAPTER_DEFAULT || !displayMode) return D3DERR_INVALIDCALL;
        *displayMode = mAdapter.currentMode;
        return S_OK;
    }

    HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT displayFormat, D3DFORMAT backBufferFormat,
                            BOOL) override {
        if (adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
        if (auto failure = PlatformFaults::Take("IDirect3D9::CheckDeviceType")) return *failure;
        if (deviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
        const auto& formats = mAdapter.displayFormats;
        if (std::find(formats.begin(), formats.end(), displayFormat) == formats.end()) return D3DERR_NOTAVAILABLE;
        // A back buffer matches its display format, or adds alpha to X8R8G8B8.
        bool matches = backBufferFormat == displayFormat ||
                       (displayFormat == D3DFMT_X8R8G8B8 && backBufferFormat == D3DFMT_A8R8G8B8);
        return matches ? S_OK : D3DERR_NOTAVAILABLE;
    }

    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND, DWORD, D3DPRESENT_PARAMETERS* parameters,
                         IDirect3DDevice9** device) override {
        if (device) *device = nullptr;
        if (adapter != D3DADAPTER_DEFAULT || !parameters || !device) return D3DERR_INVALIDCALL;
        if (deviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
        if (auto failure = PlatformFaults::Take("IDirect3D9::CreateDevice")) return *failure;
        *device = new IDirect3DDevice9(*parameters);
        return S_OK;
    }

private:
    ~Direct3D9() { --State().live; }

    PlatformDirect3D::Adapter mAdapter;
    ULONG mReferences = 1;
};
}  // namespace

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION || PlatformFaults::Take("Direct3DCreate9")) return nullptr;
    return new Direct3D9(State().adapter);
}

namespace PlatformDirect3D {
Adapter DefaultAdapter() {
    struct Size {
        UINT width;
        UINT height;
        bool at60;
        bool at75;
    };
    static const Size kSizes[] = {
        {640, 480, true, true},    {800, 600, true, true},    {1024, 768, true, true},   {1152, 864, false, true},
        {1280, 720, true, false},  {1280, 800, true, false},  {1280, 960, true, false},  {1280, 1024, true, true},
        {1360, 768, true, false},  {1440, 900, true, false},  {1600, 900, true, false},  {1600, 1200, true, false},
        {1680, 1050, true, false}, {1920, 1080, true, false}, {1920, 1200, true, false},
    };
    Adapter adapter;
    adapter.displayFormats = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5};
    for (D3DFORMAT format : adapter.displayFormats) {
        for (const Size& size : kSizes) {
            if (size.at60) adapter.modes.push_back({size.width, size.height, 60, format});
            if (size.at75) adapter.modes.push_back({size.width, size.height, 75, format});
        }
    }
    return adapter;
}

void SetAdapter(const Adapter& adapter) { State().adapter = adapter; }
int LiveObjectCount() { return State().live; }

void Reset() {
    State().adapter = DefaultAdapter();
}
}  // namespace PlatformDirect3D
