#include "platform/DdsTexels.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

struct Rgba {
    int r = 0, g = 0, b = 0, a = 255;
};

Rgba Split(D3DCOLOR c) {
    return {static_cast<int>((c >> 16) & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>(c & 0xFF),
            static_cast<int>(c >> 24)};
}

D3DCOLOR Join(const Rgba& c) { return D3DCOLOR_ARGB(c.a, c.r, c.g, c.b); }

// Widens a 4-, 5- or 6-bit channel to 8 bits the way the hardware does: the top bits repeat below.
int Widen(uint32_t value, int bits) {
    const uint32_t v = value & ((1u << bits) - 1);
    return static_cast<int>((v << (8 - bits)) | (v >> (2 * bits - 8)));
}

int Narrow(int value, int bits) { return (value * ((1 << bits) - 1) + 127) / 255; }

uint32_t Read(const uint8_t* p, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
    return v;
}

void Write(uint8_t* p, int bytes, uint32_t v) {
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

int Luminance(const Rgba& c) { return c.r * 77 + c.g * 150 + c.b * 29; }

// ---------------------------------------------------------------- plain formats

int PlainBytes(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8: return 4;
        case D3DFMT_R8G8B8: return 3;
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4: return 2;
        case D3DFMT_A8:
        case D3DFMT_L8: return 1;
        default: return 0;
    }
}

Rgba DecodePlain(D3DFORMAT format, uint32_t v) {
    switch (format) {
        case D3DFMT_A8R8G8B8: return Split(v);
        case D3DFMT_X8R8G8B8:
        case D3DFMT_R8G8B8: return Split(v | 0xFF000000u);
        case D3DFMT_R5G6B5: return {Widen(v >> 11, 5), Widen(v >> 5, 6), Widen(v, 5), 255};
        case D3DFMT_X1R5G5B5: return {Widen(v >> 10, 5), Widen(v >> 5, 5), Widen(v, 5), 255};
        case D3DFMT_A1R5G5B5: return {Widen(v >> 10, 5), Widen(v >> 5, 5), Widen(v, 5), (v & 0x8000) ? 255 : 0};
        case D3DFMT_A4R4G4B4: return {Widen(v >> 8, 4), Widen(v >> 4, 4), Widen(v, 4), Widen(v >> 12, 4)};
        case D3DFMT_A8: return {0, 0, 0, static_cast<int>(v & 0xFF)};
        case D3DFMT_L8: return {static_cast<int>(v & 0xFF), static_cast<int>(v & 0xFF), static_cast<int>(v & 0xFF), 255};
        default: return {};
    }
}

uint32_t EncodePlain(D3DFORMAT format, const Rgba& c) {
    const auto u = [](int value) { return static_cast<uint32_t>(value); };
    switch (format) {
        case D3DFMT_A8R8G8B8: return Join(c);
        case D3DFMT_X8R8G8B8: return Join({c.r, c.g, c.b, 255});
        case D3DFMT_R8G8B8: return Join(c) & 0xFFFFFFu;
        case D3DFMT_R5G6B5: return u(Narrow(c.r, 5)) << 11 | u(Narrow(c.g, 6)) << 5 | u(Narrow(c.b, 5));
        case D3DFMT_X1R5G5B5: return 0x8000u | u(Narrow(c.r, 5)) << 10 | u(Narrow(c.g, 5)) << 5 | u(Narrow(c.b, 5));
        case D3DFMT_A1R5G5B5:
            return (c.a >= 128 ? 0x8000u : 0u) | u(Narrow(c.r, 5)) << 10 | u(Narrow(c.g, 5)) << 5 | u(Narrow(c.b, 5));
        case D3DFMT_A4R4G4B4:
            return u(Narrow(c.a, 4)) << 12 | u(Narrow(c.r, 4)) << 8 | u(Narrow(c.g, 4)) << 4 | u(Narrow(c.b, 4));
        case D3DFMT_A8: return u(c.a);
        case D3DFMT_L8: return u((Luminance(c) + 128) >> 8);
        default: return 0;
    }
}

// ---------------------------------------------------------------- DXT blocks

bool IsDxt(D3DFORMAT format) { return format == D3DFMT_DXT1 || format == D3DFMT_DXT3 || format == D3DFMT_DXT5; }

Rgba From565(uint32_t v) { return {Widen(v >> 11, 5), Widen(v >> 5, 6), Widen(v, 5), 255}; }
uint32_t To565(const Rgba& c) {
    return static_cast<uint32_t>(Narrow(c.r, 5)) << 11 | static_cast<uint32_t>(Narrow(c.g, 6)) << 5 |
           static_cast<uint32_t>(Narrow(c.b, 5));
}

Rgba Mix(const Rgba& a, const Rgba& b, int wa, int wb) {
    const int sum = wa + wb;
    return {(a.r * wa + b.r * wb) / sum, (a.g * wa + b.g * wb) / sum, (a.b * wa + b.b * wb) / sum, 255};
}

// The four colours of a colour block; three and transparent black when `threeColours` and c0 <= c1.
std::array<Rgba, 4> Palette(uint32_t c0, uint32_t c1, bool allowThree) {
    const Rgba a = From565(c0), b = From565(c1);
    if (c0 > c1 || !allowThree) return {a, b, Mix(a, b, 2, 1), Mix(a, b, 1, 2)};
    return {a, b, Mix(a, b, 1, 1), Rgba{0, 0, 0, 0}};
}

void DecodeColourBlock(const uint8_t* block, bool allowThree, Rgba out[16]) {
    const uint32_t c0 = Read(block, 2), c1 = Read(block + 2, 2), bits = Read(block + 4, 4);
    const std::array<Rgba, 4> palette = Palette(c0, c1, allowThree);
    for (int i = 0; i < 16; ++i) out[i] = palette[(bits >> (2 * i)) & 3];
}

std::array<int, 8> AlphaPalette(int a0, int a1) {
    std::array<int, 8> p{a0, a1, 0, 0, 0, 0, 0, 255};
    if (a0 > a1) {
        for (int i = 2; i < 8; ++i) p[i] = ((8 - i) * a0 + (i - 1) * a1) / 7;
    } else {
        for (int i = 2; i < 6; ++i) p[i] = ((6 - i) * a0 + (i - 1) * a1) / 5;
    }
    return p;
}

void DecodeBlock(D3DFORMAT format, const uint8_t* block, Rgba out[16]) {
    if (format == D3DFMT_DXT1) return DecodeColourBlock(block, true, out);
    DecodeColourBlock(block + 8, false, out);
    if (format == D3DFMT_DXT3) {
        const uint64_t bits = Read(block, 4) | static_cast<uint64_t>(Read(block + 4, 4)) << 32;
        for (int i = 0; i < 16; ++i) out[i].a = Widen(static_cast<uint32_t>(bits >> (4 * i)), 4);
        return;
    }
    const std::array<int, 8> palette = AlphaPalette(block[0], block[1]);
    const uint64_t bits = Read(block + 2, 3) | static_cast<uint64_t>(Read(block + 5, 3)) << 24;
    for (int i = 0; i < 16; ++i) out[i].a = palette[(bits >> (3 * i)) & 7];
}

int Distance(const Rgba& a, const Rgba& b) {
    return (a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b);
}

void EncodeColourBlock(const Rgba texels[16], bool dxt1, uint8_t* block) {
    bool transparent = false;
    int lightest = 0, darkest = 0;
    for (int i = 0; i < 16; ++i) {
        transparent = transparent || (dxt1 && texels[i].a < 128);
        if (Luminance(texels[i]) > Luminance(texels[lightest])) lightest = i;
        if (Luminance(texels[i]) < Luminance(texels[darkest])) darkest = i;
    }
    uint32_t c0 = To565(texels[lightest]), c1 = To565(texels[darkest]);
    // Four colours need c0 > c1; three and transparent black need c0 <= c1.
    if (transparent ? c0 > c1 : c0 < c1) std::swap(c0, c1);
    const std::array<Rgba, 4> palette = Palette(c0, c1, dxt1);
    const int usable = (transparent || (dxt1 && c0 == c1)) ? 3 : 4;
    uint32_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        int best = 0;
        if (transparent && texels[i].a < 128) {
            best = 3;
        } else {
            for (int k = 1; k < usable; ++k)
                if (Distance(texels[i], palette[k]) < Distance(texels[i], palette[best])) best = k;
        }
        bits |= static_cast<uint32_t>(best) << (2 * i);
    }
    Write(block, 2, c0);
    Write(block + 2, 2, c1);
    Write(block + 4, 4, bits);
}

void EncodeBlock(D3DFORMAT format, const Rgba texels[16], uint8_t* block) {
    if (format == D3DFMT_DXT1) return EncodeColourBlock(texels, true, block);
    EncodeColourBlock(texels, false, block + 8);
    if (format == D3DFMT_DXT3) {
        uint64_t bits = 0;
        for (int i = 0; i < 16; ++i) bits |= static_cast<uint64_t>(Narrow(texels[i].a, 4)) << (4 * i);
        Write(block, 4, static_cast<uint32_t>(bits));
        Write(block + 4, 4, static_cast<uint32_t>(bits >> 32));
        return;
    }
    int high = 0, low = 255;
    for (int i = 0; i < 16; ++i) high = std::max(high, texels[i].a), low = std::min(low, texels[i].a);
    // Eight steps from the highest alpha down to the lowest (a block of one alpha uses the first only).
    const std::array<int, 8> palette = AlphaPalette(high, low);
    uint64_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        int best = 0;
        for (int k = 1; k < (high > low ? 8 : 1); ++k)
            if (std::abs(texels[i].a - palette[k]) < std::abs(texels[i].a - palette[best])) best = k;
        bits |= static_cast<uint64_t>(best) << (3 * i);
    }
    block[0] = static_cast<uint8_t>(high);
    block[1] = static_cast<uint8_t>(low);
    Write(block + 2, 3, static_cast<uint32_t>(bits & 0xFFFFFF));
    Write(block + 5, 3, static_cast<uint32_t>(bits >> 24));
}

int BlockBytes(D3DFORMAT format) { return format == D3DFMT_DXT1 ? 8 : 16; }

}  // namespace

bool IsTexelFormat(D3DFORMAT format) { return IsDxt(format) || PlainBytes(format) != 0; }

ArgbImage DecodeTexels(D3DFORMAT format, const uint8_t* bytes, UINT width, UINT height) {
    ArgbImage image{width, height, std::vector<D3DCOLOR>(static_cast<size_t>(width) * height)};
    if (IsDxt(format)) {
        const UINT across = (width + 3) / 4, down = (height + 3) / 4;
        for (UINT by = 0; by < down; ++by) {
            for (UINT bx = 0; bx < across; ++bx) {
                Rgba block[16];
                DecodeBlock(format, bytes + (static_cast<size_t>(by) * across + bx) * BlockBytes(format), block);
                for (UINT i = 0; i < 16; ++i) {
                    const UINT x = bx * 4 + i % 4, y = by * 4 + i / 4;
                    if (x < width && y < height) image.texels[static_cast<size_t>(y) * width + x] = Join(block[i]);
                }
            }
        }
        return image;
    }
    const int size = PlainBytes(format);
    for (size_t i = 0; i < image.texels.size() && size > 0; ++i)
        image.texels[i] = Join(DecodePlain(format, Read(bytes + i * size, size)));
    return image;
}

void EncodeTexels(D3DFORMAT format, const ArgbImage& image, uint8_t* bytes) {
    if (image.width == 0 || image.height == 0) return;
    if (IsDxt(format)) {
        const UINT across = (image.width + 3) / 4, down = (image.height + 3) / 4;
        for (UINT by = 0; by < down; ++by) {
            for (UINT bx = 0; bx < across; ++bx) {
                // A block past the image's edge repeats the edge texels.
                Rgba block[16];
                for (UINT i = 0; i < 16; ++i) {
                    const UINT x = std::min(bx * 4 + i % 4, image.width - 1);
                    const UINT y = std::min(by * 4 + i / 4, image.height - 1);
                    block[i] = Split(image.texels[static_cast<size_t>(y) * image.width + x]);
                }
                EncodeBlock(format, block, bytes + (static_cast<size_t>(by) * across + bx) * BlockBytes(format));
            }
        }
        return;
    }
    const int size = PlainBytes(format);
    for (size_t i = 0; i < image.texels.size() && size > 0; ++i)
        Write(bytes + i * size, size, EncodePlain(format, Split(image.texels[i])));
}

ArgbImage ScalePoint(const ArgbImage& source, UINT width, UINT height) {
    ArgbImage image{width, height, std::vector<D3DCOLOR>(static_cast<size_t>(width) * height)};
    if (source.texels.empty()) return image;
    for (UINT y = 0; y < height; ++y) {
        const UINT sy = static_cast<UINT>(static_cast<uint64_t>(y) * source.height / height);
        for (UINT x = 0; x < width; ++x) {
            const UINT sx = static_cast<UINT>(static_cast<uint64_t>(x) * source.width / width);
            image.texels[static_cast<size_t>(y) * width + x] = source.texels[static_cast<size_t>(sy) * source.width + sx];
        }
    }
    return image;
}

ArgbImage ScaleBox(const ArgbImage& source, UINT width, UINT height) {
    ArgbImage image{width, height, std::vector<D3DCOLOR>(static_cast<size_t>(width) * height)};
    if (source.texels.empty()) return image;
    for (UINT y = 0; y < height; ++y) {
        const UINT y0 = static_cast<UINT>(static_cast<uint64_t>(y) * source.height / height);
        const UINT y1 = std::max(y0 + 1, static_cast<UINT>(static_cast<uint64_t>(y + 1) * source.height / height));
        for (UINT x = 0; x < width; ++x) {
            const UINT x0 = static_cast<UINT>(static_cast<uint64_t>(x) * source.width / width);
            const UINT x1 = std::max(x0 + 1, static_cast<UINT>(static_cast<uint64_t>(x + 1) * source.width / width));
            uint64_t sum[4] = {0, 0, 0, 0};
            for (UINT sy = y0; sy < y1; ++sy) {
                for (UINT sx = x0; sx < x1; ++sx) {
                    const D3DCOLOR c = source.texels[static_cast<size_t>(sy) * source.width + sx];
                    for (int k = 0; k < 4; ++k) sum[k] += (c >> (8 * k)) & 0xFF;
                }
            }
            const uint64_t count = static_cast<uint64_t>(y1 - y0) * (x1 - x0);
            D3DCOLOR mean = 0;
            for (int k = 0; k < 4; ++k) mean |= static_cast<D3DCOLOR>((sum[k] + count / 2) / count) << (8 * k);
            image.texels[static_cast<size_t>(y) * width + x] = mean;
        }
    }
    return image;
}
