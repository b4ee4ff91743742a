// Resources of the recording Direct3D 9 device: vertex and index buffers that keep their bytes, and
// 2-D and cube textures that keep their texels. Counted like the platform's objects: the last Release
// deletes.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Direct3DDevice9.h"

class IDirect3DResource9 : public D3DDeviceChild {
public:
    ULONG AddRef() { return ++mRefCount; }
    ULONG Release();
    HRESULT GetDevice(IDirect3DDevice9** device);
    virtual D3DRESOURCETYPE GetType() const = 0;

    // ---- Stand-in side ----
    D3DPOOL Pool() const { return mPool; }
    DWORD Usage() const { return mUsage; }
    ULONG RefCount() const { return mRefCount; }

protected:
    IDirect3DResource9(IDirect3DDevice9* device, D3DPOOL pool, DWORD usage);
    bool BlocksReset() const override { return mPool == D3DPOOL_DEFAULT; }

private:
    ULONG mRefCount = 1;
    D3DPOOL mPool;
    DWORD mUsage;
};

// The byte store and lock rules the two buffer kinds share.
class D3DBufferResource : public IDirect3DResource9 {
public:
    // A size of 0 locks from the offset to the end. A range outside the buffer, a second lock while
    // locked or a missing device gives D3DERR_INVALIDCALL. D3DLOCK_DISCARD hands out fresh contents:
    // filled with 0xCD when the device's SetDiscardFill asks for it, so that code relying on the old
    // ones shows up; the old bytes otherwise.
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags);
    HRESULT Unlock();

    // ---- Stand-in side ----
    const std::vector<uint8_t>& Bytes() const { return mBytes; }
    bool IsLocked() const { return mLocked; }
    UINT LockCount() const { return mLockCount; }  // successful locks so far

protected:
    D3DBufferResource(IDirect3DDevice9* device, UINT length, D3DPOOL pool, DWORD usage, D3DCall lockCall,
                      D3DCall unlockCall);

private:
    std::vector<uint8_t> mBytes;
    bool mLocked = false;
    UINT mLockCount = 0;
    D3DCall mLockCall;
    D3DCall mUnlockCall;
};

class IDirect3DVertexBuffer9 : public D3DBufferResource {
public:
    IDirect3DVertexBuffer9(IDirect3DDevice9* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc);
    D3DRESOURCETYPE GetType() const override { return D3DRTYPE_VERTEXBUFFER; }

private:
    DWORD mFVF;
};

class IDirect3DIndexBuffer9 : public D3DBufferResource {
public:
    IDirect3DIndexBuffer9(IDirect3DDevice9* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc);
    D3DRESOURCETYPE GetType() const override { return D3DRTYPE_INDEXBUFFER; }

    // ---- Stand-in side ----
    D3DFORMAT Format() const { return mFormat; }
    UINT IndexSize() const { return mFormat == D3DFMT_INDEX32 ? 4 : 2; }

private:
    D3DFORMAT mFormat;
};

// Bytes per block row and block size of a texture format; false for a format textures cannot have.
struct D3DFormatLayout {
    UINT blockSize;   // texels per block edge: 1, or 4 for the DXT formats
    UINT blockBytes;  // bytes per block
};
bool D3DGetFormatLayout(D3DFORMAT format, D3DFormatLayout* layout);

// Levels (and faces) of texels shared by the two texture kinds.
class IDirect3DBaseTexture9 : public IDirect3DResource9 {
public:
    DWORD GetLevelCount() const { return static_cast<DWORD>(mLevelCount); }
    // Managed textures only: the most detailed level used, clamped to the levels; returns the old one.
    DWORD SetLOD(DWORD lod);
    DWORD GetLOD() const { return mLOD; }

    // ---- Stand-in side ----
    D3DFORMAT Format() const { return mFormat; }
    UINT FaceCount() const { return static_cast<UINT>(mFaces.size()); }
    UINT LevelWidth(UINT level) const;
    UINT LevelHeight(UINT level) const;
    UINT LevelPitch(UINT level) const;
    // The texels of one level of one face, row after row, LevelPitch bytes per row.
    std::vector<uint8_t>& Texels(UINT face, UINT level) { return mFaces[face][level]; }
    const std::vector<uint8_t>& Texels(UINT face, UINT level) const { return mFaces[face][level]; }

protected:
    // Levels 0 means the whole chain down to 1 x 1.
    IDirect3DBaseTexture9(IDirect3DDevice9* device, UINT width, UINT height, UINT levels, UINT faces, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool);
    HRESULT LevelDesc(UINT level, D3DSURFACE_DESC* desc) const;
    HRESULT LockLevel(UINT face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
    HRESULT UnlockLevel(UINT face, UINT level);

private:
    UINT mWidth;
    UINT mHeight;
    UINT mLevelCount;
    D3DFORMAT mFormat;
    D3DFormatLayout mLayout{};
    DWORD mLOD = 0;
    std::vector<std::vector<std::vector<uint8_t>>> mFaces;  // [face][level] texels
    std::vector<std::vector<bool>> mLocked;                 // [face][level]
};

// The full mip chain length of a width and height: 1 + floor(log2(max(width, height))).
UINT D3DFullMipChain(UINT width, UINT height);

class IDirect3DTexture9 : public IDirect3DBaseTexture9 {
public:
    IDirect3DTexture9(IDirect3DDevice9* device, UINT width, UINT height, UINT levels, DWORD usage,
                      D3DFORMAT format, D3DPOOL pool);
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc);
    // A counted surface for one level; it holds the texture while it lives.
    HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface);
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
    HRESULT UnlockRect(UINT level);
    D3DRESOURCETYPE GetType() const override { return D3DRTYPE_TEXTURE; }
};

class IDirect3DCubeTexture9 : public IDirect3DBaseTexture9 {
public:
    IDirect3DCubeTexture9(IDirect3DDevice9* device, UINT edge, UINT levels, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool);
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc);
    HRESULT LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
    HRESULT UnlockRect(D3DCUBEMAP_FACES face, UINT level);
    D3DRESOURCETYPE GetType() const override { return D3DRTYPE_CUBETEXTURE; }
};

// A 2-D surface: the back buffer, or one level of a texture (its container, which it holds counted).
class IDirect3DSurface9 : public IDirect3DResource9 {
public:
    IDirect3DSurface9(IDirect3DDevice9* device, UINT width, UINT height, D3DFORMAT format, DWORD usage, D3DPOOL pool,
                      IDirect3DTexture9* container, UINT level);
    ~IDirect3DSurface9() override;
    HRESULT GetDesc(D3DSURFACE_DESC* desc);
    D3DRESOURCETYPE GetType() const override { return D3DRTYPE_SURFACE; }

    // ---- Stand-in side ----
    IDirect3DTexture9* Container() const { return mContainer; }  // null for the back buffer
    UINT Level() const { return mLevel; }

private:
    UINT mWidth;
    UINT mHeight;
    D3DFORMAT mFormat;
    IDirect3DTexture9* mContainer;  // counted; null for the back buffer
    UINT mLevel;
};
