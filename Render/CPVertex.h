// The one vertex layout of all batched geometry (FVF 0x2d2): position, normal, diffuse and specular
// colours and two texture-coordinate pairs. Indices into it are unsigned 16-bit.
#pragma once

#include <cstdint>

#include "platform/D3D9Types.h"

struct CPVertex {
    float x, y, z;     // position
    float nx, ny, nz;  // normal
    D3DCOLOR diffuse;
    D3DCOLOR specular;
    float u0, v0;  // first texture coordinates
    float u1, v1;  // second texture coordinates
};
static_assert(sizeof(CPVertex) == 48);

// D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2
constexpr DWORD kCPVertexFVF = 0x2d2;
