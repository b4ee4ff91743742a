#include "platform/ImageDecoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>  // jpeglib.h uses FILE without including its header
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>
#include <png.h>

// stb_image's functions stay private to this file, so no other user of the header can clash with them.
// It decodes only the formats that have no better-hardened decoder here.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_MAX_DIMENSIONS 16384
#include <stb_image.h>

static_assert(kMaxImageEdge == STBI_MAX_DIMENSIONS);

namespace {

bool EdgesFit(uint64_t width, uint64_t height) {
    return width > 0 && height > 0 && width <= kMaxImageEdge && height <= kMaxImageEdge;
}

// Deflate expands a byte into at most 1032, and a PNG row holds at most 8 pixels a byte (1-bit
// samples): a file claiming more pixels than that cannot hold them, and the whole image would be
// allocated before the data is found missing.
constexpr uint64_t kMaxPngPixelsPerByte = 8 * 1032;

bool DecodePng(const uint8_t* bytes, size_t size, DecodedImage* image) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    bool decoded = png_image_begin_read_from_memory(&png, bytes, size) != 0 && EdgesFit(png.width, png.height) &&
                   static_cast<uint64_t>(png.width) * png.height <= kMaxPngPixelsPerByte * size;
    if (decoded) {
        image->alpha = (png.format & PNG_FORMAT_FLAG_ALPHA) != 0;
        png.format = PNG_FORMAT_RGBA;
        image->rgba.resize(PNG_IMAGE_SIZE(png));
        decoded = png_image_finish_read(&png, nullptr, image->rgba.data(), 0, nullptr) != 0;
        image->width = png.width;
        image->height = png.height;
    }
    png_image_free(&png);  // a no-op where the library already freed it
    return decoded;
}

// A progressive file may hold any number of scans, each a pass over the whole image: a small damaged
// file could keep the decoder busy for minutes. Real files hold a dozen at most.
constexpr int kMaxJpegScans = 256;

struct JpegErrors {
    jpeg_error_mgr manager;  // first: the library hands back a pointer to it
    std::jmp_buf jump;
};

// The library's way out of an error is not to return: jump back to DecodeJpeg, which gives up.
[[noreturn]] void JpegFail(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1); }

void JpegQuiet(j_common_ptr) {}

// The library only warns where the compressed data ends early or is broken, and goes on making up
// grey rows: a header alone would give a whole image. Such a file is refused.
void JpegRefuseDamage(j_common_ptr info, int level) {
    if (level >= 0) return;  // trace messages
    switch (info->err->msg_code) {
        case JWRN_JPEG_EOF:
        case JWRN_HIT_MARKER:
        case JWRN_MUST_RESYNC:
        case JWRN_NOT_SEQUENTIAL:
        case JWRN_BOGUS_PROGRESSION: JpegFail(info);
        default: break;
    }
}

void JpegLimitScans(j_common_ptr info) {
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxJpegScans) JpegFail(info);
}

// CMYK texels to RGB in place; Adobe's files store the inks inverted.
void CmykToRgba(std::vector<uint8_t>& texels, bool inverted) {
    for (size_t i = 0; i + 3 < texels.size(); i += 4) {
        unsigned c = texels[i], m = texels[i + 1], y = texels[i + 2], k = texels[i + 3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        texels[i] = static_cast<uint8_t>(c * k / 255);
        texels[i + 1] = static_cast<uint8_t>(m * k / 255);
        texels[i + 2] = static_cast<uint8_t>(y * k / 255);
        texels[i + 3] = 0xFF;
    }
}

// The jump target's frame holds only plain data and the caller's image: a jump skips no destructor.
bool DecodeJpeg(const uint8_t* bytes, size_t size, DecodedImage* image) {
    jpeg_decompress_struct info;
    JpegErrors errors;
    jpeg_progress_mgr progress;
    std::memset(&info, 0, sizeof info);
    std::memset(&progress, 0, sizeof progress);
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = JpegFail;
    errors.manager.output_message = JpegQuiet;
    errors.manager.emit_message = JpegRefuseDamage;
    progress.progress_monitor = JpegLimitScans;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    info.progress = &progress;
    jpeg_mem_src(&info, bytes, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    if (!EdgesFit(info.image_width, info.image_height)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    jpeg_start_decompress(&info);
    const size_t pitch = static_cast<size_t>(info.output_width) * 4;
    while (info.output_scanline < info.output_height) {
        // Grown row by row: a file that ends early is refused before its claimed size is allocated.
        image->rgba.resize((info.output_scanline + 1) * pitch);
        JSAMPROW row = &image->rgba[info.output_scanline * pitch];
        // A memory source never suspends; no row read would otherwise repeat forever.
        if (jpeg_read_scanlines(&info, &row, 1) != 1) JpegFail(reinterpret_cast<j_common_ptr>(&info));
    }
    image->width = info.output_width;
    image->height = info.output_height;
    if (cmyk) CmykToRgba(image->rgba, info.saw_Adobe_marker);
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

// stb_image reads missing bytes as zeros, so a header alone would make a whole image. No BMP or TGA
// encoding it reads packs more pixels into a byte than this (a TGA run: 128 pixels in two bytes).
constexpr uint64_t kMaxPixelsPerByte = 128;

bool DecodeWithStb(const uint8_t* bytes, size_t size, DecodedImage* image) {
    if (size > static_cast<size_t>(INT32_MAX)) return false;
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(bytes, static_cast<int>(size), &width, &height, &channels) || width <= 0 ||
        height <= 0 || static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > kMaxPixelsPerByte * size)
        return false;
    stbi_uc* texels = stbi_load_from_memory(bytes, static_cast<int>(size), &width, &height, &channels, 4);
    if (!texels) return false;
    const bool fits = EdgesFit(static_cast<uint64_t>(std::max(width, 0)), static_cast<uint64_t>(std::max(height, 0)));
    if (fits) {
        image->rgba.assign(texels, texels + static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
        image->width = static_cast<uint32_t>(width);
        image->height = static_cast<uint32_t>(height);
        image->alpha = channels == 2 || channels == 4;
    }
    stbi_image_free(texels);
    return fits;
}

}  // namespace

ImageFileKind SniffImageFile(const uint8_t* bytes, size_t size) {
    if (size >= 8 && std::memcmp(bytes, "\x89PNG", 4) == 0) return ImageFileKind::Png;
    if (size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) return ImageFileKind::Jpeg;
    if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return ImageFileKind::Bmp;
    return ImageFileKind::Tga;
}

bool DecodeImageFile(const uint8_t* bytes, size_t size, DecodedImage* image) {
    *image = DecodedImage{};
    image->kind = SniffImageFile(bytes, size);
    bool decoded = false;
    switch (image->kind) {
        case ImageFileKind::Png: decoded = DecodePng(bytes, size, image); break;
        case ImageFileKind::Jpeg: decoded = DecodeJpeg(bytes, size, image); break;
        case ImageFileKind::Bmp:
        case ImageFileKind::Tga: decoded = DecodeWithStb(bytes, size, image); break;
    }
    if (!decoded) {
        const ImageFileKind kind = image->kind;
        *image = DecodedImage{};
        image->kind = kind;
    }
    return decoded;
}
