// Direct3D 9 types shared by the display-mode list and the device: formats and display modes.
#pragma once

#include "platform/WinTypes.h"

enum D3DFORMAT : uint32_t {
    D3DFMT_UNKNOWN = 0,
    D3DFMT_R8G8B8 = 20,
    D3DFMT_A8R8G8B8 = 21,
    D3DFMT_X8R8G8B8 = 22,
    D3DFMT_R5G6B5 = 23,
    D3DFMT_X1R5G5B5 = 24,
    D3DFMT_A1R5G5B5 = 25,
    D3DFMT_A4R4G4B4 = 26,
    D3DFMT_A8 = 28,
    D3DFMT_L8 = 50,
    D3DFMT_D24S8 = 75,
    D3DFMT_D24X8 = 77,
    D3DFMT_D16 = 80,
    D3DFMT_INDEX16 = 101,
    D3DFMT_INDEX32 = 102,
    D3DFMT_DXT1 = 0x31545844u,  // 'DXT1'
    D3DFMT_DXT3 = 0x33545844u,  // 'DXT3'
    D3DFMT_DXT5 = 0x35545844u,  // 'DXT5'
};

struct D3DDISPLAYMODE {
    UINT Width;
    UINT Height;
    UINT RefreshRate;
    D3DFORMAT Format;
};
static_assert(sizeof(D3DDISPLAYMODE) == 16);

constexpr UINT D3DADAPTER_DEFAULT = 0;
constexpr UINT D3D_SDK_VERSION = 32;

// Plain records the device and the math share: a 3-vector, a colour, a 4 x 4 matrix and a viewport.
struct D3DVECTOR {
    float x, y, z;
};
static_assert(sizeof(D3DVECTOR) == 12);

// Colour channels as floats, 0..1 in the usual range.
struct D3DCOLORVALUE {
    float r, g, b, a;
};
static_assert(sizeof(D3DCOLORVALUE) == 16);

// Row-major 4 x 4 matrix; _RC names row R, column C (1-based), the same storage as m[R-1][C-1].
struct D3DMATRIX {
    union {
        struct {
            float _11, _12, _13, _14;
            float _21, _22, _23, _24;
            float _31, _32, _33, _34;
            float _41, _42, _43, _44;
        };
        float m[4][4];
    };
};
static_assert(sizeof(D3DMATRIX) == 64);

// Pixel rectangle of the render target and the depth range drawn into.
struct D3DVIEWPORT9 {
    DWORD X;
    DWORD Y;
    DWORD Width;
    DWORD Height;
    float MinZ;
    float MaxZ;
};
static_assert(sizeof(D3DVIEWPORT9) == 24);
