// The Direct3D 9 device the engine draws with. There is no graphics hardware behind it: it keeps the
// state it is given, records every call in order when asked to, and fails any call a test arms in
// PlatformFaults under the call's D3DCallName.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "platform/D3D9CallLog.h"
#include "platform/D3D9Types.h"
#include "platform/D3DX9Math.h"

class IDirect3DDevice9;
class IDirect3DResource9;
class IDirect3DBaseTexture9;
class IDirect3DTexture9;
class IDirect3DCubeTexture9;
class IDirect3DSurface9;
class IDirect3DVertexBuffer9;
class IDirect3DIndexBuffer9;
struct RGNDATA;  // dirty region of a Present; the engine never passes one

using LPDIRECT3DDEVICE9 = IDirect3DDevice9*;
using LPDIRECT3DTEXTURE9 = IDirect3DTexture9*;
using LPDIRECT3DCUBETEXTURE9 = IDirect3DCubeTexture9*;
using LPDIRECT3DBASETEXTURE9 = IDirect3DBaseTexture9*;
using LPDIRECT3DSURFACE9 = IDirect3DSurface9*;
using LPDIRECT3DVERTEXBUFFER9 = IDirect3DVertexBuffer9*;
using LPDIRECT3DINDEXBUFFER9 = IDirect3DIndexBuffer9*;

// Something made on a device: a resource or an effect. The device knows its children so that Reset
// can refuse while one still holds memory a reset destroys, and so that children outliving the device
// let go of it.
class D3DDeviceChild {
public:
    D3DDeviceChild(const D3DDeviceChild&) = delete;
    D3DDeviceChild& operator=(const D3DDeviceChild&) = delete;

    // The device this was made on; null once that device is gone.
    IDirect3DDevice9* Device() const { return mDevice; }

protected:
    explicit D3DDeviceChild(IDirect3DDevice9* device);
    virtual ~D3DDeviceChild();
    // True while this holds memory that does not survive a reset (the default pool, an effect
    // that has not been told the device is lost).
    virtual bool BlocksReset() const = 0;

private:
    friend class IDirect3DDevice9;
    IDirect3DDevice9* mDevice;
};

class IDirect3DDevice9 {
public:
    // Made directly or by IDirect3D9::CreateDevice; the reference count starts at 1.
    explicit IDirect3DDevice9(const D3DPRESENT_PARAMETERS& parameters);
    IDirect3DDevice9(const IDirect3DDevice9&) = delete;
    IDirect3DDevice9& operator=(const IDirect3DDevice9&) = delete;

    ULONG AddRef();
    // Deletes the device when the count reaches 0; its children then live on without a device.
    ULONG Release();

    // ---- The calls the engine makes ----
    HRESULT TestCooperativeLevel();
    HRESULT GetDeviceCaps(D3DCAPS9* caps);
    HRESULT Reset(D3DPRESENT_PARAMETERS* parameters);
    HRESULT Present(const RECT* source, const RECT* destination, HWND windowOverride, const RGNDATA* dirty);
    HRESULT BeginScene();
    HRESULT EndScene();
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil);

    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value);
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix);
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix);
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value);
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value);
    HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value);
    HRESULT SetLight(DWORD index, const D3DLIGHT9* light);
    HRESULT GetLight(DWORD index, D3DLIGHT9* light);
    HRESULT LightEnable(DWORD index, BOOL enable);
    HRESULT GetLightEnable(DWORD index, BOOL* enable);
    HRESULT SetMaterial(const D3DMATERIAL9* material);
    HRESULT GetMaterial(D3DMATERIAL9* material);
    // The device holds a reference to a bound texture, stream or index buffer until it is replaced.
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture);
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture);
    HRESULT SetFVF(DWORD fvf);
    HRESULT GetFVF(DWORD* fvf);
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride);
    HRESULT SetIndices(IDirect3DIndexBuffer9* buffer);
    HRESULT SetViewport(const D3DVIEWPORT9* viewport);
    HRESULT GetViewport(D3DVIEWPORT9* viewport);

    // Draws check what a driver would trip over: inside a scene, 1 to MaxPrimitiveCount primitives, a
    // bound stream, ranges inside the buffers, every index (plus the base vertex) inside the vertex buffer.
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount);
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT vertexCount,
                                 UINT startIndex, UINT primitiveCount);
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices, UINT stride);
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount, UINT primitiveCount,
                                   const void* indices, D3DFORMAT indexFormat, const void* vertices,
                                   UINT stride);

    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** buffer,
                               HANDLE* shared);
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer9** buffer, HANDLE* shared);
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture9** texture, HANDLE* shared);
    HRESULT CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DCubeTexture9** texture, HANDLE* shared);
    // A counted surface standing for the back buffer (swap chain 0, index below the back-buffer count).
    // Held across a Reset it makes the reset fail, as the platform's does.
    HRESULT GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface9** surface);
    // Copies between two surfaces (null rectangles: the whole surface). The stand-in has no pixels for the
    // back buffer; it checks the arguments and records the copy.
    HRESULT StretchRect(IDirect3DSurface9* source, const RECT* sourceRect, IDirect3DSurface9* destination,
                        const RECT* destinationRect, D3DTEXTUREFILTERTYPE filter);

    // ---- The stand-in's side: records, failures and device loss, for the host and tests ----
    // Recording and the discard fill are off until a test asks for them: keeping every call (with the
    // vertex bytes of the drawing calls) and refilling each discarded buffer would cost the frame more
    // than the engine's own work. In a long run only the recent calls are kept: past kMaxRecords the
    // older half of the record is dropped.
    void SetRecording(bool on);
    bool IsRecording() const { return mRecording; }
    static constexpr size_t kMaxRecords = 1 << 16;
    // The calls recorded so far, in order. Aborts on a device that was never asked to record, so that
    // no test reads an empty record by mistake.
    const std::vector<D3DCallRecord>& Calls() const;
    void ClearCalls() { mCalls.clear(); }
    // When on, a D3DLOCK_DISCARD lock of a buffer hands out contents filled with 0xCD, so that code
    // relying on the old contents shows up.
    void SetDiscardFill(bool on) { mDiscardFill = on; }
    bool DiscardFill() const { return mDiscardFill; }
    // From now on the device is lost: Present answers D3DERR_DEVICELOST and TestCooperativeLevel
    // D3DERR_DEVICENOTRESET (or D3DERR_DEVICELOST while `resettable` is false) until a Reset succeeds.
    void LoseDevice(bool resettable = true);
    bool IsLost() const { return mLost; }
    bool InScene() const { return mInScene; }
    // What GetDeviceCaps reports; a test may change it.
    D3DCAPS9& Caps() { return mCaps; }
    const D3DPRESENT_PARAMETERS& PresentParameters() const { return mParameters; }
    ULONG RefCount() const { return mRefCount; }
    // Children alive on this device, and those of them that would make a Reset fail.
    size_t ChildCount() const { return mChildren.size(); }
    size_t ResetBlockerCount() const;
    UINT PresentCount() const { return mPresentCount; }
    IDirect3DVertexBuffer9* StreamSource(UINT stream) const;
    UINT StreamStride(UINT stream) const;
    IDirect3DIndexBuffer9* Indices() const { return mIndices; }

    // Used by the children: the failure a call must give (S_OK for none), and appending a record.
    static HRESULT InjectedFailure(D3DCall call);
    void Record(D3DCallRecord record);

private:
    friend class D3DDeviceChild;
    ~IDirect3DDevice9();

    struct Stream {
        IDirect3DVertexBuffer9* buffer = nullptr;  // counted
        UINT offset = 0;                           // bytes
        UINT stride = 0;                           // bytes per vertex
    };
    struct Light {
        D3DLIGHT9 light{};
        bool enabled = false;
    };
    static constexpr UINT kStreams = 8;

    void SetDefaultState();
    void ReleaseBindings();
    // Begins a call: the injected failure, else `check`, else S_OK; records nothing.
    HRESULT Begin(D3DCall call);
    HRESULT Finish(D3DCallRecord record);
    // A primitive count a draw may have: 1 to the caps' MaxPrimitiveCount.
    bool CountAllowed(UINT primitiveCount) const;
    HRESULT CheckIndexedRange(INT baseVertex, UINT startIndex, UINT indexCount) const;

    ULONG mRefCount = 1;
    bool mRecording = false;
    bool mRecordingAsked = false;  // SetRecording(true) has been called at least once
    bool mDiscardFill = false;
    bool mLost = false;
    bool mResettable = true;  // while lost: whether TestCooperativeLevel says a reset may be tried
    bool mInScene = false;
    UINT mPresentCount = 0;
    D3DPRESENT_PARAMETERS mParameters{};
    D3DCAPS9 mCaps{};
    std::vector<D3DCallRecord> mCalls;
    std::vector<D3DDeviceChild*> mChildren;  // not owned; each child removes itself

    std::array<DWORD, D3DRS_STATE_COUNT> mRenderStates{};
    std::map<uint32_t, D3DMATRIX> mTransforms;  // unset transforms read as identity
    std::array<std::array<DWORD, D3DTSS_STATE_COUNT>, D3D_TEXTURE_STAGES> mStageStates{};
    std::array<std::array<DWORD, D3DSAMP_STATE_COUNT>, D3D_TEXTURE_STAGES> mSamplerStates{};
    std::array<IDirect3DBaseTexture9*, D3D_TEXTURE_STAGES> mTextures{};  // counted
    std::map<DWORD, Light> mLights;
    D3DMATERIAL9 mMaterial{};
    DWORD mFVF = 0;
    std::array<Stream, kStreams> mStreams{};
    IDirect3DIndexBuffer9* mIndices = nullptr;  // counted
    D3DVIEWPORT9 mViewport{};
};

#include "platform/Direct3DResource9.h"
