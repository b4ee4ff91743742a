#include "platform/DdsHeader.h"

#include <algorithm>
#include <cstring>

#include "platform/Direct3DResource9.h"

namespace {

constexpr size_t kHeaderBytes = 4 + 124;  // magic, then the header record
constexpr uint32_t kMaxSize = 16384;

constexpr uint32_t DDSD_MIPMAPCOUNT = 0x20000;
constexpr uint32_t DDPF_ALPHAPIXELS = 0x1;
constexpr uint32_t DDPF_ALPHA = 0x2;
constexpr uint32_t DDPF_FOURCC = 0x4;
constexpr uint32_t DDPF_RGB = 0x40;
constexpr uint32_t DDPF_LUMINANCE = 0x20000;
constexpr uint32_t DDSCAPS2_CUBEMAP = 0x200;
constexpr uint32_t DDSCAPS2_ALLFACES = 0xFC00;
constexpr uint32_t DDSCAPS2_VOLUME = 0x200000;

uint32_t U32(const uint8_t* bytes, size_t offset) {
    return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<uint32_t>(bytes[offset + 2]) << 16 | static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

struct PixelFormat {
    uint32_t flags, fourCC, bits, r, g, b, a;
};

D3DFORMAT FormatOf(const PixelFormat& pf) {
    if (pf.flags & DDPF_FOURCC) {
        switch (pf.fourCC) {
            case D3DFMT_DXT1:
            case D3DFMT_DXT3:
            case D3DFMT_DXT5: return static_cast<D3DFORMAT>(pf.fourCC);
            default: return D3DFMT_UNKNOWN;
        }
    }
    const bool alpha = (pf.flags & DDPF_ALPHAPIXELS) != 0;
    if (pf.flags & DDPF_RGB) {
        if (pf.bits == 32 && pf.r == 0xFF0000 && pf.g == 0xFF00 && pf.b == 0xFF)
            return alpha && pf.a == 0xFF000000u ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
        if (pf.bits == 24 && pf.r == 0xFF0000 && pf.g == 0xFF00 && pf.b == 0xFF) return D3DFMT_R8G8B8;
        if (pf.bits == 16 && pf.r == 0xF800 && pf.g == 0x7E0 && pf.b == 0x1F) return D3DFMT_R5G6B5;
        if (pf.bits == 16 && pf.r == 0x7C00 && pf.g == 0x3E0 && pf.b == 0x1F)
            return alpha && pf.a == 0x8000 ? D3DFMT_A1R5G5B5 : D3DFMT_X1R5G5B5;
        if (pf.bits == 16 && pf.r == 0xF00 && pf.g == 0xF0 && pf.b == 0xF && alpha && pf.a == 0xF000)
            return D3DFMT_A4R4G4B4;
        return D3DFMT_UNKNOWN;
    }
    if ((pf.flags & DDPF_LUMINANCE) && pf.bits == 8) return D3DFMT_L8;
    if ((pf.flags & DDPF_ALPHA) && pf.bits == 8) return D3DFMT_A8;
    return D3DFMT_UNKNOWN;
}

}  // namespace

bool IsDdsData(const void* data, size_t size) {
    return data && size >= 4 && U32(static_cast<const uint8_t*>(data), 0) == kDdsMagic;
}

size_t DdsLevelBytes(D3DFORMAT format, UINT width, UINT height) {
    D3DFormatLayout layout{};
    if (!D3DGetFormatLayout(format, &layout)) return 0;
    const size_t across = (static_cast<size_t>(width) + layout.blockSize - 1) / layout.blockSize;
    const size_t down = (static_cast<size_t>(height) + layout.blockSize - 1) / layout.blockSize;
    return across * down * layout.blockBytes;
}

bool ReadDdsHeader(const void* data, size_t size, DdsImage* image) {
    if (!image || !IsDdsData(data, size) || size < kHeaderBytes) return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    // Offsets below are from the start of the file: the header record starts after the 4-byte magic.
    if (U32(bytes, 4) != 124 || U32(bytes, 76) != 32) return false;
    const uint32_t flags = U32(bytes, 8);
    const uint32_t height = U32(bytes, 12);
    const uint32_t width = U32(bytes, 16);
    const uint32_t declaredMips = U32(bytes, 28);
    const PixelFormat pf{U32(bytes, 80), U32(bytes, 84), U32(bytes, 88), U32(bytes, 92),
                         U32(bytes, 96), U32(bytes, 100), U32(bytes, 104)};
    const uint32_t caps2 = U32(bytes, 112);

    if (width == 0 || height == 0 || width > kMaxSize || height > kMaxSize) return false;
    if (caps2 & DDSCAPS2_VOLUME) return false;
    const bool cube = (caps2 & DDSCAPS2_CUBEMAP) != 0;
    if (cube && ((caps2 & DDSCAPS2_ALLFACES) != DDSCAPS2_ALLFACES || width != height)) return false;
    const UINT fullChain = D3DFullMipChain(width, height);
    const UINT mips = (flags & DDSD_MIPMAPCOUNT) && declaredMips > 0 ? declaredMips : 1;
    if (mips > fullChain) return false;
    const D3DFORMAT format = FormatOf(pf);
    if (format == D3DFMT_UNKNOWN) return false;

    size_t faceBytes = 0;
    for (UINT level = 0; level < mips; ++level)
        faceBytes += DdsLevelBytes(format, std::max<UINT>(1, width >> level), std::max<UINT>(1, height >> level));
    const size_t faces = cube ? 6 : 1;
    // Sizes are capped above, so this product cannot overflow.
    if (faceBytes * faces > size - kHeaderBytes) return false;

    *image = {width, height, mips, cube, format, kHeaderBytes, faceBytes};
    return true;
}
