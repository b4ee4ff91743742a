// The texels of the formats a DDS file may store (DXT1, DXT3, DXT5 and the plain ones), turned into
// 32-bit colours and back, so that the texture loader can scale a level to the size the texture got
// and make the levels a file does not store from the level above.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/D3D9Types.h"

// An image of 32-bit colours (alpha, red, green, blue from the top bits down), row after row.
struct ArgbImage {
    UINT width = 0;
    UINT height = 0;
    std::vector<D3DCOLOR> texels;
};

// True for the formats DecodeTexels and EncodeTexels handle.
bool IsTexelFormat(D3DFORMAT format);
// The colours of a width x height level stored in `format` (DdsLevelBytes bytes at `bytes`). A format
// without alpha decodes opaque; A8 decodes black with its alpha, L8 opaque grey.
ArgbImage DecodeTexels(D3DFORMAT format, const uint8_t* bytes, UINT width, UINT height);
// The image stored in `format` into DdsLevelBytes(format, width, height) bytes at `bytes`. DXT blocks take
// the lightest and darkest colour of their texels as ends (DXT1 keeps a transparent texel transparent).
void EncodeTexels(D3DFORMAT format, const ArgbImage& image, uint8_t* bytes);

// The image at another size: each texel takes the source texel its place falls on.
ArgbImage ScalePoint(const ArgbImage& source, UINT width, UINT height);
// The image at a smaller size (the next level of a mip chain): each texel is the mean of the source
// texels it covers, each channel on its own.
ArgbImage ScaleBox(const ArgbImage& source, UINT width, UINT height);
