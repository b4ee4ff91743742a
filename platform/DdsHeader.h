// Reads the header of a DDS image held in memory into a plain record, checking every size and count
// against the bytes present. Only what the texture loader needs: 2-D and cube maps, DXT and plain formats.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/D3D9Types.h"

struct DdsImage {
    UINT width = 0;
    UINT height = 0;
    UINT mipCount = 0;   // levels stored per face, at least 1
    bool cube = false;   // six faces, in the order +x, -x, +y, -y, +z, -z
    D3DFORMAT format = D3DFMT_UNKNOWN;
    size_t dataOffset = 0;  // where the texels of face 0, level 0 start
    size_t faceBytes = 0;   // bytes of one face with all its levels
};

constexpr uint32_t kDdsMagic = 0x20534444u;  // "DDS "

bool IsDdsData(const void* data, size_t size);
// False for anything that is not a complete image of a supported kind: a short or damaged header, a
// size of 0 or over 16384, more levels than the size allows, a volume or partial cube map, a format
// the loader does not know, or fewer texel bytes than the header announces.
bool ReadDdsHeader(const void* data, size_t size, DdsImage* image);
// Bytes of one level of a width x height image in a format (DXT formats in 4 x 4 blocks).
size_t DdsLevelBytes(D3DFORMAT format, UINT width, UINT height);
