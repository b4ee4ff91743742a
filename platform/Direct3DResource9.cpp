#include "platform/Direct3DResource9.h"

#include <algorithm>
#include <cstring>

// ---- IDirect3DResource9 ----

IDirect3DResource9::IDirect3DResource9(IDirect3DDevice9* device, D3DPOOL pool, DWORD usage)
    : D3DDeviceChild(device), mPool(pool), mUsage(usage) {}

ULONG IDirect3DResource9::Release() {
    ULONG count = --mRefCount;
    if (count == 0) delete this;
    return count;
}

HRESULT IDirect3DResource9::GetDevice(IDirect3DDevice9** device) {
    if (!device) return D3DERR_INVALIDCALL;
    *device = Device();
    if (!*device) return D3DERR_INVALIDCALL;
    (*device)->AddRef();
    return D3D_OK;
}

// ---- Buffers ----

D3DBufferResource::D3DBufferResource(IDirect3DDevice9* device, UINT length, D3DPOOL pool, DWORD usage,
                                     D3DCall lockCall, D3DCall unlockCall)
    : IDirect3DResource9(device, pool, usage), mBytes(length, 0), mLockCall(lockCall), mUnlockCall(unlockCall) {}

HRESULT D3DBufferResource::Lock(UINT offset, UINT size, void** data, DWORD flags) {
    IDirect3DDevice9* device = Device();
    D3DCallRecord record{.call = mLockCall, .args = {offset, size, flags}, .object = this};
    HRESULT result = device ? device->InjectedFailure(mLockCall) : D3DERR_INVALIDCALL;
    const size_t length = mBytes.size();
    if (SUCCEEDED(result) && (!data || mLocked || offset > length || (size != 0 && size > length - offset)))
        result = D3DERR_INVALIDCALL;
    if (data) *data = nullptr;
    if (SUCCEEDED(result)) {
        if ((flags & D3DLOCK_DISCARD) && device->DiscardFill()) std::fill(mBytes.begin(), mBytes.end(), uint8_t{0xCD});
        mLocked = true;
        ++mLockCount;
        *data = mBytes.data() + offset;
    }
    record.result = result;
    if (device) device->Record(std::move(record));
    return result;
}

HRESULT D3DBufferResource::Unlock() {
    IDirect3DDevice9* device = Device();
    HRESULT result = device ? device->InjectedFailure(mUnlockCall) : D3DERR_INVALIDCALL;
    if (SUCCEEDED(result) && !mLocked) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) mLocked = false;
    if (device) device->Record({.call = mUnlockCall, .object = this, .result = result});
    return result;
}

IDirect3DVertexBuffer9::IDirect3DVertexBuffer9(IDirect3DDevice9* device, UINT length, DWORD usage, DWORD fvf,
                                               D3DPOOL pool)
    : D3DBufferResource(device, length, pool, usage, D3DCall::VertexBufferLock, D3DCall::VertexBufferUnlock),
      mFVF(fvf) {}

HRESULT IDirect3DVertexBuffer9::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = {D3DFMT_UNKNOWN, D3DRTYPE_VERTEXBUFFER, Usage(), Pool(), static_cast<UINT>(Bytes().size()), mFVF};
    return D3D_OK;
}

IDirect3DIndexBuffer9::IDirect3DIndexBuffer9(IDirect3DDevice9* device, UINT length, DWORD usage, D3DFORMAT format,
                                             D3DPOOL pool)
    : D3DBufferResource(device, length, pool, usage, D3DCall::IndexBufferLock, D3DCall::IndexBufferUnlock),
      mFormat(format) {}

HRESULT IDirect3DIndexBuffer9::GetDesc(D3DINDEXBUFFER_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = {mFormat, D3DRTYPE_INDEXBUFFER, Usage(), Pool(), static_cast<UINT>(Bytes().size())};
    return D3D_OK;
}

// ---- Textures ----

bool D3DGetFormatLayout(D3DFORMAT format, D3DFormatLayout* layout) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8: *layout = {1, 4}; return true;
        case D3DFMT_R8G8B8: *layout = {1, 3}; return true;
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4: *layout = {1, 2}; return true;
        case D3DFMT_A8:
        case D3DFMT_L8: *layout = {1, 1}; return true;
        case D3DFMT_DXT1: *layout = {4, 8}; return true;
        case D3DFMT_DXT3:
        case D3DFMT_DXT5: *layout = {4, 16}; return true;
        default: return false;
    }
}

UINT D3DFullMipChain(UINT width, UINT height) {
    UINT size = std::max(width, height);
    UINT levels = 1;
    while (size > 1) {
        size >>= 1;
        ++levels;
    }
    return levels;
}

IDirect3DBaseTexture9::IDirect3DBaseTexture9(IDirect3DDevice9* device, UINT width, UINT height, UINT levels,
                                             UINT faces, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : IDirect3DResource9(device, pool, usage),
      mWidth(width),
      mHeight(height),
      mLevelCount(levels == 0 ? D3DFullMipChain(width, height) : levels),
      mFormat(format) {
    D3DGetFormatLayout(format, &mLayout);
    mFaces.resize(faces);
    mLocked.assign(faces, std::vector<bool>(mLevelCount, false));
    for (auto& face : mFaces) {
        face.resize(mLevelCount);
        for (UINT level = 0; level < mLevelCount; ++level) {
            UINT rows = (LevelHeight(level) + mLayout.blockSize - 1) / mLayout.blockSize;
            face[level].assign(static_cast<size_t>(rows) * LevelPitch(level), 0);
        }
    }
}

UINT IDirect3DBaseTexture9::LevelWidth(UINT level) const { return std::max<UINT>(1, mWidth >> level); }
UINT IDirect3DBaseTexture9::LevelHeight(UINT level) const { return std::max<UINT>(1, mHeight >> level); }
UINT IDirect3DBaseTexture9::LevelPitch(UINT level) const {
    return (LevelWidth(level) + mLayout.blockSize - 1) / mLayout.blockSize * mLayout.blockBytes;
}

DWORD IDirect3DBaseTexture9::SetLOD(DWORD lod) {
    DWORD previous = mLOD;
    IDirect3DDevice9* device = Device();
    HRESULT result = device ? device->InjectedFailure(D3DCall::TextureSetLOD) : D3DERR_INVALIDCALL;
    // Only managed textures have a level of detail to choose.
    if (SUCCEEDED(result) && Pool() == D3DPOOL_MANAGED) mLOD = std::min<DWORD>(lod, mLevelCount - 1);
    if (device) device->Record({.call = D3DCall::TextureSetLOD, .args = {lod}, .object = this, .result = result});
    return Pool() == D3DPOOL_MANAGED ? previous : 0;
}

HRESULT IDirect3DBaseTexture9::LevelDesc(UINT level, D3DSURFACE_DESC* desc) const {
    IDirect3DDevice9* device = Device();
    HRESULT result = device ? device->InjectedFailure(D3DCall::TextureGetLevelDesc) : D3DERR_INVALIDCALL;
    if (SUCCEEDED(result) && (!desc || level >= mLevelCount)) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) {
        *desc = {mFormat, D3DRTYPE_SURFACE, Usage(), Pool(), D3DMULTISAMPLE_NONE, 0, LevelWidth(level),
                 LevelHeight(level)};
    }
    if (device)
        device->Record({.call = D3DCall::TextureGetLevelDesc, .args = {level}, .object = this, .result = result});
    return result;
}

HRESULT IDirect3DBaseTexture9::LockLevel(UINT face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                                         DWORD flags) {
    IDirect3DDevice9* device = Device();
    HRESULT result = device ? device->InjectedFailure(D3DCall::TextureLockRect) : D3DERR_INVALIDCALL;
    if (SUCCEEDED(result) && (!locked || face >= mFaces.size() || level >= mLevelCount || mLocked[face][level]))
        result = D3DERR_INVALIDCALL;
    UINT left = 0, top = 0;
    if (SUCCEEDED(result) && rect) {
        const LONG width = static_cast<LONG>(LevelWidth(level));
        const LONG height = static_cast<LONG>(LevelHeight(level));
        const LONG block = static_cast<LONG>(mLayout.blockSize);
        if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom ||
            rect->right > width || rect->bottom > height || rect->left % block != 0 || rect->top % block != 0)
            result = D3DERR_INVALIDCALL;
        else
            left = static_cast<UINT>(rect->left), top = static_cast<UINT>(rect->top);
    }
    if (locked) *locked = {0, nullptr};
    if (SUCCEEDED(result)) {
        mLocked[face][level] = true;
        const UINT pitch = LevelPitch(level);
        const size_t offset = static_cast<size_t>(top / mLayout.blockSize) * pitch +
                              static_cast<size_t>(left / mLayout.blockSize) * mLayout.blockBytes;
        *locked = {static_cast<INT>(pitch), mFaces[face][level].data() + offset};
    }
    if (device)
        device->Record(
            {.call = D3DCall::TextureLockRect, .args = {face, level, flags}, .object = this, .result = result});
    return result;
}

HRESULT IDirect3DBaseTexture9::UnlockLevel(UINT face, UINT level) {
    IDirect3DDevice9* device = Device();
    HRESULT result = device ? device->InjectedFailure(D3DCall::TextureUnlockRect) : D3DERR_INVALIDCALL;
    if (SUCCEEDED(result) && (face >= mFaces.size() || level >= mLevelCount || !mLocked[face][level]))
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) mLocked[face][level] = false;
    if (device)
        device->Record({.call = D3DCall::TextureUnlockRect, .args = {face, level}, .object = this, .result = result});
    return result;
}

IDirect3DTexture9::IDirect3DTexture9(IDirect3DDevice9* device, UINT width, UINT height, UINT levels, DWORD usage,
                                     D3DFORMAT format, D3DPOOL pool)
    : IDirect3DBaseTexture9(device, width, height, levels, 1, usage, format, pool) {}

HRESULT IDirect3DTexture9::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    return LevelDesc(level, desc);
}

HRESULT IDirect3DTexture9::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    return LockLevel(0, level, locked, rect, flags);
}

HRESULT IDirect3DTexture9::UnlockRect(UINT level) { return UnlockLevel(0, level); }

HRESULT IDirect3DTexture9::GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) {
    IDirect3DDevice9* device = Device();
    HRESULT result = device ? device->InjectedFailure(D3DCall::TextureGetSurfaceLevel) : D3DERR_INVALIDCALL;
    if (SUCCEEDED(result) && (!surface || level >= GetLevelCount())) result = D3DERR_INVALIDCALL;
    if (surface) *surface = nullptr;
    if (SUCCEEDED(result))
        *surface = new IDirect3DSurface9(device, LevelWidth(level), LevelHeight(level), Format(), Usage(), Pool(), this,
                                         level);
    if (device)
        device->Record({.call = D3DCall::TextureGetSurfaceLevel, .args = {level}, .object = this, .result = result});
    return result;
}

IDirect3DCubeTexture9::IDirect3DCubeTexture9(IDirect3DDevice9* device, UINT edge, UINT levels, DWORD usage,
                                             D3DFORMAT format, D3DPOOL pool)
    : IDirect3DBaseTexture9(device, edge, edge, levels, 6, usage, format, pool) {}

HRESULT IDirect3DCubeTexture9::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    return LevelDesc(level, desc);
}

HRESULT IDirect3DCubeTexture9::LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* locked,
                                        const RECT* rect, DWORD flags) {
    return LockLevel(face, level, locked, rect, flags);
}

HRESULT IDirect3DCubeTexture9::UnlockRect(D3DCUBEMAP_FACES face, UINT level) { return UnlockLevel(face, level); }

// ---- Surfaces ----

IDirect3DSurface9::IDirect3DSurface9(IDirect3DDevice9* device, UINT width, UINT height, D3DFORMAT format,
                                     DWORD usage, D3DPOOL pool, IDirect3DTexture9* container, UINT level)
    : IDirect3DResource9(device, pool, usage),
      mWidth(width),
      mHeight(height),
      mFormat(format),
      mContainer(container),
      mLevel(level) {
    if (mContainer) mContainer->AddRef();
}

IDirect3DSurface9::~IDirect3DSurface9() {
    if (mContainer) mContainer->Release();
}

HRESULT IDirect3DSurface9::GetDesc(D3DSURFACE_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = {mFormat, D3DRTYPE_SURFACE, Usage(), Pool(), D3DMULTISAMPLE_NONE, 0, mWidth, mHeight};
    return D3D_OK;
}
