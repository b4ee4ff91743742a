// D3DX texture creation from image files held in memory: JPEG, PNG, TGA, BMP (see ImageDecoder.h)
// and DDS (2-D and cube maps, plain and DXT formats). The texture reports the image's real size.
#pragma once

#include "platform/D3D9Types.h"
#include "platform/Direct3DDevice9.h"

// Size and level arguments.
constexpr UINT D3DX_DEFAULT = 0xFFFFFFFFu;           // sizes: the image's, rounded up to a power of two;
                                                     // levels: the whole chain
constexpr UINT D3DX_DEFAULT_NONPOW2 = 0xFFFFFFFEu;   // sizes: the image's, unrounded
constexpr UINT D3DX_FROM_FILE = 0xFFFFFFFDu;         // sizes, levels, format: as stored in the file

// Filters (the low byte picks one, flags above it).
constexpr DWORD D3DX_FILTER_NONE = 1;
constexpr DWORD D3DX_FILTER_POINT = 2;
constexpr DWORD D3DX_FILTER_LINEAR = 3;
constexpr DWORD D3DX_FILTER_TRIANGLE = 4;
constexpr DWORD D3DX_FILTER_BOX = 5;
constexpr DWORD D3DX_FILTER_DITHER = 0x80000;

// Results of the D3DX calls.
constexpr HRESULT D3DXERR_INVALIDDATA = static_cast<HRESULT>(0x88760B59u);

enum D3DXIMAGE_FILEFORMAT : uint32_t {
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
};

// What the file held, before any resizing.
struct D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
};

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};

// Fails with D3DERR_INVALIDCALL for a missing device, data or result pointer, and with
// D3DXERR_INVALIDDATA for data that is no image it can read (or a DDS image asked for in a format it
// cannot convert to). An image is scaled to the texture's size; the mip levels a DDS file does not
// store are made from the level above with the mip filter. A colour key other than 0 turns texels of
// that colour (alpha included) into transparent black. The palette is never written.
HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice9* device, const void* data, UINT dataSize, UINT width,
                                            UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                            D3DXIMAGE_INFO* sourceInfo, PALETTEENTRY* palette,
                                            IDirect3DTexture9** texture);

// The cube variant: a DDS cube map fills the six faces; any other image is put on every face.
HRESULT D3DXCreateCubeTextureFromFileInMemoryEx(IDirect3DDevice9* device, const void* data, UINT dataSize,
                                                UINT size, UINT mipLevels, DWORD usage, D3DFORMAT format,
                                                D3DPOOL pool, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                                D3DXIMAGE_INFO* sourceInfo, PALETTEENTRY* palette,
                                                IDirect3DCubeTexture9** texture);
