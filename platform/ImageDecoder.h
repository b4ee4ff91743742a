// Decodes the image files textures are made from into 8-bit RGBA texels: PNG through libpng, JPEG
// through libjpeg-turbo (both hardened against damaged files upstream), BMP and TGA through stb_image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum class ImageFileKind { Bmp, Jpeg, Tga, Png };

// Images wider or taller than this are refused before any texel is decoded.
constexpr uint32_t kMaxImageEdge = 16384;

struct DecodedImage {
    uint32_t width = 0;
    uint32_t height = 0;
    bool alpha = false;          // the file stores an alpha channel (or a transparent colour)
    ImageFileKind kind = ImageFileKind::Tga;
    std::vector<uint8_t> rgba;   // width x height x 4 bytes, rows top to bottom
};

// The kind the file's first bytes announce; TGA files carry no signature, so anything else is TGA.
ImageFileKind SniffImageFile(const uint8_t* bytes, size_t size);

// False for data that is not a complete image of its announced kind, or one larger than
// kMaxImageEdge; `image` is then left empty.
bool DecodeImageFile(const uint8_t* bytes, size_t size, DecodedImage* image);
