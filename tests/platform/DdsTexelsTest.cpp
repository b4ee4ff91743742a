#include "platform/DdsTexels.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/D3DX9Texture.h"
#include "platform/DdsHeader.h"
#include "support/D3DTestSupport.h"

namespace {

// A DDS file of the format and size whose level texels (all levels of face 0, in order) are `texels`.
std::vector<uint8_t> DdsWithTexels(D3DFORMAT format, UINT width, UINT height, UINT mips,
                                   const std::vector<uint8_t>& texels) {
    std::vector<uint8_t> file = MakeDdsFile(format, width, height, mips);
    file.resize(128);
    file.insert(file.end(), texels.begin(), texels.end());
    return file;
}

std::vector<uint8_t> Stored(D3DFORMAT format, const ArgbImage& image) {
    std::vector<uint8_t> bytes(DdsLevelBytes(format, image.width, image.height));
    EncodeTexels(format, image, bytes.data());
    return bytes;
}

HRESULT Load(IDirect3DDevice9& device, const std::vector<uint8_t>& file, D3DPtr<IDirect3DTexture9>* texture,
             UINT size, UINT mips, DWORD mipFilter = D3DX_DEFAULT, D3DFORMAT format = D3DFMT_UNKNOWN) {
    IDirect3DTexture9* raw = nullptr;
    const HRESULT result = D3DXCreateTextureFromFileInMemoryEx(
        &device, file.data(), static_cast<UINT>(file.size()), size, size, mips, 0, format, D3DPOOL_MANAGED,
        D3DX_DEFAULT, mipFilter, 0, nullptr, nullptr, &raw);
    texture->reset(raw);
    return result;
}

ArgbImage LevelOf(IDirect3DTexture9& texture, UINT level) {
    return DecodeTexels(texture.Format(), texture.Texels(0, level).data(), texture.LevelWidth(level),
                        texture.LevelHeight(level));
}

// A 3 x 5 image whose texel (x, y) has red 10 x, green 10 y, blue 7 and alpha 200.
ArgbImage Gradient() {
    ArgbImage image{3, 5, {}};
    for (UINT y = 0; y < 5; ++y)
        for (UINT x = 0; x < 3; ++x) image.texels.push_back(D3DCOLOR_ARGB(200, 10 * x, 10 * y, 7));
    return image;
}

}  // namespace

TEST(DdsTexelsTest, PlainFormatsKeepWhatTheirBitsHold) {
    const ArgbImage image{2, 1, {D3DCOLOR_ARGB(0xFF, 0xFF, 0x00, 0x84), D3DCOLOR_ARGB(0x00, 0x10, 0x20, 0x30)}};
    struct Case {
        D3DFORMAT format;
        D3DCOLOR first, second;
    };
    for (const Case& c : {Case{D3DFMT_A8R8G8B8, image.texels[0], image.texels[1]},
                          Case{D3DFMT_X8R8G8B8, 0xFFFF0084u, 0xFF102030u},
                          Case{D3DFMT_R8G8B8, 0xFFFF0084u, 0xFF102030u},
                          Case{D3DFMT_R5G6B5, 0xFFFF0084u, 0xFF102031u},
                          Case{D3DFMT_A1R5G5B5, 0xFFFF0084u, 0x00102131u},
                          Case{D3DFMT_A4R4G4B4, 0xFFFF0088u, 0x00112233u},
                          Case{D3DFMT_A8, 0xFF000000u, 0x00000000u},
                          Case{D3DFMT_L8, 0xFF5C5C5Cu, 0xFF1D1D1Du}}) {
        const ArgbImage back = DecodeTexels(c.format, Stored(c.format, image).data(), 2, 1);
        EXPECT_EQ(back.texels, (std::vector<D3DCOLOR>{c.first, c.second})) << c.format;
    }
}

TEST(DdsTexelsTest, DxtBlocksGiveBackTwoColoursAndTheirAlpha) {
    // Two colours a 5-6-5 colour holds exactly, in a 6 x 5 image (partial blocks at the edges).
    const D3DCOLOR dark = 0xFF000000u, light = 0xFFFFFFFFu;
    ArgbImage image{6, 5, {}};
    for (UINT i = 0; i < 30; ++i) image.texels.push_back((i % 3 == 0) ? light : dark);
    for (D3DFORMAT format : {D3DFMT_DXT1, D3DFMT_DXT3, D3DFMT_DXT5})
        EXPECT_EQ(DecodeTexels(format, Stored(format, image).data(), 6, 5).texels, image.texels) << format;

    ArgbImage faded = image;
    for (UINT i = 0; i < 30; ++i) faded.texels[i] = (faded.texels[i] & 0xFFFFFFu) | ((i % 2) ? 0xFF000000u : 0u);
    const ArgbImage dxt1 = DecodeTexels(D3DFMT_DXT1, Stored(D3DFMT_DXT1, faded).data(), 6, 5);
    const ArgbImage dxt3 = DecodeTexels(D3DFMT_DXT3, Stored(D3DFMT_DXT3, faded).data(), 6, 5);
    const ArgbImage dxt5 = DecodeTexels(D3DFMT_DXT5, Stored(D3DFMT_DXT5, faded).data(), 6, 5);
    for (UINT i = 0; i < 30; ++i) {
        EXPECT_EQ(dxt1.texels[i], (i % 2) ? faded.texels[i] : 0u) << "a transparent DXT1 texel is black, " << i;
        EXPECT_EQ(dxt3.texels[i], faded.texels[i]) << i;
        EXPECT_EQ(dxt5.texels[i], faded.texels[i]) << i;
    }
}

TEST(DdsTexelsTest, ADdsOfAnySizeIsScaledToThePowerOfTwoTexture) {
    auto device = MakeTestDevice();
    for (D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_DXT5}) {
        const ArgbImage source = Gradient();
        const std::vector<uint8_t> file = DdsWithTexels(format, 3, 5, 1, Stored(format, source));
        D3DPtr<IDirect3DTexture9> texture;
        ASSERT_EQ(Load(*device, file, &texture, D3DX_DEFAULT, 1), D3D_OK) << format;
        ASSERT_EQ(texture->LevelWidth(0), 4u);
        ASSERT_EQ(texture->LevelHeight(0), 8u);
        // What the file holds, point-sampled, as the texture's format stores it.
        const ArgbImage stored = DecodeTexels(format, Stored(format, source).data(), 3, 5);
        const ArgbImage scaled = ScalePoint(stored, 4, 8);
        EXPECT_EQ(LevelOf(*texture, 0).texels, DecodeTexels(format, Stored(format, scaled).data(), 4, 8).texels)
            << format;
        EXPECT_NE(LevelOf(*texture, 0).texels[4 * 7 + 3], 0u) << "not blank, " << format;
    }
}

TEST(DdsTexelsTest, LevelsTheFileLacksAreMadeFromTheLevelAboveWithTheMipFilter) {
    auto device = MakeTestDevice();
    // 4 x 4: the quarters are red 0/40, green 0/80 apart, so every 2 x 2 mean is easy to tell.
    ArgbImage source{4, 4, {}};
    for (UINT y = 0; y < 4; ++y)
        for (UINT x = 0; x < 4; ++x) source.texels.push_back(D3DCOLOR_ARGB(255, 40 * (x % 2), 80 * (y % 2), x * 4 + y));
    const std::vector<uint8_t> file = DdsWithTexels(D3DFMT_A8R8G8B8, 4, 4, 1, Stored(D3DFMT_A8R8G8B8, source));

    D3DPtr<IDirect3DTexture9> texture;
    ASSERT_EQ(Load(*device, file, &texture, D3DX_DEFAULT, D3DX_DEFAULT), D3D_OK);
    ASSERT_EQ(texture->GetLevelCount(), 3u);
    EXPECT_EQ(LevelOf(*texture, 0).texels, source.texels);
    const ArgbImage level1 = LevelOf(*texture, 1);
    // The quarter at (0, 0) holds blue 0, 4, 1, 5: mean 2.5, rounded to 3.
    EXPECT_EQ(level1.texels[0], D3DCOLOR_ARGB(255, 20, 40, 3));
    EXPECT_EQ(LevelOf(*texture, 2).texels, ScaleBox(level1, 1, 1).texels);

    ASSERT_EQ(Load(*device, file, &texture, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_FILTER_POINT), D3D_OK);
    EXPECT_EQ(LevelOf(*texture, 1).texels,
              (std::vector<D3DCOLOR>{source.texels[0], source.texels[2], source.texels[8], source.texels[10]}));

    // Stored levels stay as the file has them.
    const std::vector<uint8_t> twoLevels = MakeDdsFile(D3DFMT_DXT1, 16, 16, 2);
    ASSERT_EQ(Load(*device, twoLevels, &texture, D3DX_DEFAULT, D3DX_DEFAULT), D3D_OK);
    ASSERT_EQ(texture->GetLevelCount(), 5u);
    EXPECT_EQ(texture->Texels(0, 1)[0], static_cast<uint8_t>(128)) << "level 1 follows level 0's 128 bytes";
    for (UINT level = 2; level < 5; ++level) {
        const ArgbImage above = LevelOf(*texture, level - 1);
        const ArgbImage made = ScaleBox(above, texture->LevelWidth(level), texture->LevelHeight(level));
        EXPECT_EQ(LevelOf(*texture, level).texels,
                  DecodeTexels(D3DFMT_DXT1, Stored(D3DFMT_DXT1, made).data(), made.width, made.height).texels)
            << level;
    }
}

TEST(DdsTexelsTest, ADdsAskedForInAnotherFormatIsConverted) {
    auto device = MakeTestDevice();
    const ArgbImage source = Gradient();
    const std::vector<uint8_t> file = DdsWithTexels(D3DFMT_A8R8G8B8, 3, 5, 1, Stored(D3DFMT_A8R8G8B8, source));
    D3DPtr<IDirect3DTexture9> texture;
    ASSERT_EQ(Load(*device, file, &texture, D3DX_DEFAULT_NONPOW2, 1, D3DX_DEFAULT, D3DFMT_A4R4G4B4), D3D_OK);
    EXPECT_EQ(texture->Format(), D3DFMT_A4R4G4B4);
    const ArgbImage expected = DecodeTexels(D3DFMT_A4R4G4B4, Stored(D3DFMT_A4R4G4B4, source).data(), 3, 5);
    EXPECT_EQ(LevelOf(*texture, 0).texels, expected.texels);
}
