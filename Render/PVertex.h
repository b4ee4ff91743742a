// The one vertex layout of all batched geometry: the same 48 bytes are stored in mesh and animation
// files, written into the vertex batches and handed to the device with kVertexFVF.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/D3D9Types.h"
#include "platform/D3DX9Math.h"

struct CPVertex {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    uint32_t diffuse = 0;   // ARGB
    uint32_t specular = 0;  // ARGB
    float u0 = 0.0f, v0 = 0.0f;  // first texture coordinates
    float u1 = 0.0f, v1 = 0.0f;  // second texture coordinates
};

static_assert(sizeof(CPVertex) == 48);
static_assert(offsetof(CPVertex, normal) == 12);
static_assert(offsetof(CPVertex, diffuse) == 24);
static_assert(offsetof(CPVertex, specular) == 28);
static_assert(offsetof(CPVertex, u0) == 32);
static_assert(offsetof(CPVertex, u1) == 40);

// Position, normal, diffuse, specular and two texture-coordinate sets (0x2d2).
constexpr DWORD kVertexFVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2;
static_assert(kVertexFVF == 0x2d2);

// Indices are unsigned 16-bit and describe triangle lists, so one batch addresses at most this many vertices.
constexpr uint32_t kMaxBatchVertices = 65536;
