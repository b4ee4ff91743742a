#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/D3DX9Texture.h"
#include "platform/DdsHeader.h"
#include "support/D3DTestSupport.h"
#include "support/PlatformReset.h"
#include "support/TestData.h"

namespace {

HRESULT Load(IDirect3DDevice9& device, const std::vector<uint8_t>& file, D3DPtr<IDirect3DTexture9>* texture,
             UINT size = D3DX_DEFAULT, UINT mips = D3DX_DEFAULT, D3DXIMAGE_INFO* info = nullptr,
             D3DCOLOR colorKey = 0) {
    IDirect3DTexture9* raw = nullptr;
    HRESULT result = D3DXCreateTextureFromFileInMemoryEx(&device, file.data(), static_cast<UINT>(file.size()), size,
                                                         size, mips, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                                         0x80004, colorKey, info, nullptr, &raw);
    texture->reset(raw);
    return result;
}

void Put32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

TEST(D3DXTextureTest, ReportsTheImageSizeAndRoundsUpWhereTheDefaultsDo) {
    auto device = MakeTestDevice();
    struct Case {
        ImageKind kind;
        const char* name;
        D3DXIMAGE_FILEFORMAT fileFormat;
    };
    for (Case c : {Case{ImageKind::Png, "png", D3DXIFF_PNG}, Case{ImageKind::Jpeg, "jpeg", D3DXIFF_JPG},
                   Case{ImageKind::Tga, "tga", D3DXIFF_TGA}, Case{ImageKind::Bmp, "bmp", D3DXIFF_BMP}}) {
        const auto file = MakeImageFile(c.kind, 100, 50);
        D3DPtr<IDirect3DTexture9> texture;
        D3DXIMAGE_INFO info{};
        ASSERT_EQ(Load(*device, file, &texture, D3DX_DEFAULT, D3DX_DEFAULT, &info), D3D_OK) << c.name;
        D3DSURFACE_DESC desc{};
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Width, 128u) << c.name;
        EXPECT_EQ(desc.Height, 64u) << c.name;
        EXPECT_EQ(texture->GetLevelCount(), 8u) << c.name;
        EXPECT_EQ(info.Width, 100u) << c.name;
        EXPECT_EQ(info.Height, 50u) << c.name;
        EXPECT_EQ(info.ImageFileFormat, c.fileFormat) << c.name;

        ASSERT_EQ(Load(*device, file, &texture, D3DX_DEFAULT_NONPOW2, 1), D3D_OK) << c.name;
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Width, 100u) << c.name;
        EXPECT_EQ(desc.Height, 50u) << c.name;
        EXPECT_EQ(texture->GetLevelCount(), 1u) << c.name;
    }
}

TEST(D3DXTextureTest, DecodedTexelsLandInTheTexture) {
    auto device = MakeTestDevice();
    D3DPtr<IDirect3DTexture9> texture;
    ASSERT_EQ(Load(*device, MakeImageFile(ImageKind::Png, 4, 4), &texture, D3DX_DEFAULT_NONPOW2, 1), D3D_OK);
    EXPECT_EQ(texture->Format(), D3DFMT_A8R8G8B8);
    const auto& texels = texture->Texels(0, 0);
    const uint8_t* t = &texels[2 * texture->LevelPitch(0) + 3 * 4];  // (3, 2), stored blue, green, red, alpha
    EXPECT_EQ(t[0], 7);
    EXPECT_EQ(t[1], 2);
    EXPECT_EQ(t[2], 3);
    EXPECT_EQ(t[3], 200);

    ASSERT_EQ(Load(*device, MakeImageFile(ImageKind::Tga, 4, 4, false), &texture, D3DX_DEFAULT_NONPOW2, 1), D3D_OK);
    EXPECT_EQ(texture->Format(), D3DFMT_X8R8G8B8) << "no alpha channel";
    EXPECT_EQ(texture->Texels(0, 0)[2 * texture->LevelPitch(0) + 3 * 4 + 3], 0xFF);

    // Scaled up to 8 x 8, each texel is the source texel it falls on: (6..7, 4..5) all show (3, 2).
    ASSERT_EQ(Load(*device, MakeImageFile(ImageKind::Png, 4, 4), &texture, 8, 1), D3D_OK);
    for (UINT y : {4u, 5u})
        for (UINT x : {6u, 7u})
            EXPECT_EQ(std::memcmp(&texture->Texels(0, 0)[y * texture->LevelPitch(0) + x * 4], "\x07\x02\x03\xC8", 4), 0)
                << x << ", " << y;

    // The colour key turns one texel colour into transparent black.
    ASSERT_EQ(Load(*device, MakeImageFile(ImageKind::Png, 4, 4), &texture, D3DX_DEFAULT_NONPOW2, 1, nullptr,
                   D3DCOLOR_ARGB(200, 1, 1, 7)),
              D3D_OK);
    const uint8_t* keyed = &texture->Texels(0, 0)[1 * texture->LevelPitch(0) + 1 * 4];
    EXPECT_EQ(std::memcmp(keyed, "\0\0\0\0", 4), 0);
}

TEST(D3DXTextureTest, DdsFilesKeepTheirFormatLevelsAndBytes) {
    auto device = MakeTestDevice();
    const auto file = MakeDdsFile(D3DFMT_DXT1, 64, 32, 3);
    D3DPtr<IDirect3DTexture9> texture;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(Load(*device, file, &texture, D3DX_DEFAULT, D3DX_FROM_FILE, &info), D3D_OK);
    EXPECT_EQ(texture->Format(), D3DFMT_DXT1);
    EXPECT_EQ(texture->GetLevelCount(), 3u);
    EXPECT_EQ(info.MipLevels, 3u);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_DDS);
    const auto& level1 = texture->Texels(0, 1);  // 32 x 16: 8 x 4 blocks of 8 bytes, after level 0's 512 bytes
    ASSERT_EQ(level1.size(), 256u);
    EXPECT_EQ(level1[0], static_cast<uint8_t>(512 & 0xFF));
    EXPECT_EQ(level1[255], static_cast<uint8_t>((512 + 255) & 0xFF));
}

TEST(D3DXTextureTest, CubeMapsReportTheirFaceSize) {
    auto device = MakeTestDevice();
    const auto file = MakeDdsFile(D3DFMT_A8R8G8B8, 16, 16, 1, true);
    IDirect3DCubeTexture9* raw = nullptr;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXCreateCubeTextureFromFileInMemoryEx(device.get(), file.data(), static_cast<UINT>(file.size()),
                                                      D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                      D3DX_DEFAULT, 0x80004, 0, &info, nullptr, &raw),
              D3D_OK);
    D3DPtr<IDirect3DCubeTexture9> cube(raw);
    D3DSURFACE_DESC desc{};
    cube->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 16u);
    EXPECT_EQ(desc.Height, 16u);
    EXPECT_EQ(info.ResourceType, D3DRTYPE_CUBETEXTURE);
    EXPECT_EQ(cube->FaceCount(), 6u);
    EXPECT_EQ(cube->Texels(5, 0)[0], 0) << "each face starts its own byte pattern";
    EXPECT_EQ(cube->Texels(5, 0)[9], 9);

    // A plain image goes on every face.
    const auto png = MakeImageFile(ImageKind::Png, 8, 8);
    ASSERT_EQ(D3DXCreateCubeTextureFromFileInMemoryEx(device.get(), png.data(), static_cast<UINT>(png.size()),
                                                      D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                      D3DX_DEFAULT, 0x80004, 0, nullptr, nullptr, &raw),
              D3D_OK);
    cube.reset(raw);
    EXPECT_EQ(cube->Texels(3, 0), cube->Texels(0, 0));

    // On every level of its mip chain too.
    ASSERT_EQ(D3DXCreateCubeTextureFromFileInMemoryEx(device.get(), png.data(), static_cast<UINT>(png.size()),
                                                      D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                      D3DX_DEFAULT, 0x80004, 0, nullptr, nullptr, &raw),
              D3D_OK);
    cube.reset(raw);
    ASSERT_EQ(cube->GetLevelCount(), 4u);
    const auto blank = std::vector<uint8_t>(cube->Texels(0, 0).size(), 0);
    EXPECT_NE(cube->Texels(0, 0), blank);
    for (UINT face = 1; face < 6; ++face)
        for (UINT level = 0; level < 4; ++level) EXPECT_EQ(cube->Texels(face, level), cube->Texels(0, level));

    // So does a DDS file of one face, and a cube file keeps its six (face 1 marked in its first texel).
    for (const bool cubeFile : {false, true}) {
        auto dds = MakeDdsFile(D3DFMT_A8R8G8B8, 16, 16, 1, cubeFile);
        if (cubeFile) dds[128 + 16 * 16 * 4] = 0xEE;
        ASSERT_EQ(D3DXCreateCubeTextureFromFileInMemoryEx(device.get(), dds.data(), static_cast<UINT>(dds.size()),
                                                          D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                                          D3DPOOL_MANAGED, D3DX_DEFAULT, 0x80004, 0, nullptr, nullptr,
                                                          &raw),
                  D3D_OK);
        cube.reset(raw);
        for (UINT face = 1; face < 6; ++face)
            EXPECT_EQ(cube->Texels(face, 0) == cube->Texels(0, 0), !cubeFile || face != 1) << "face " << face;
        EXPECT_EQ(cube->Texels(1, 0)[0], cubeFile ? 0xEE : 0);
    }
}

TEST(D3DXTextureTest, DamagedDdsFilesAreRefusedWithoutReadingPastTheData) {
    auto device = MakeTestDevice();
    const auto good = MakeDdsFile(D3DFMT_DXT5, 32, 32, 2, true);
    struct Case {
        const char* name;
        size_t offset;  // 0: no change, the file is cut to `cut` bytes instead
        uint32_t value;
        size_t cut;
    };
    const Case cases[] = {
        {"header cut short", 0, 0, 100},
        {"last texel byte missing", 0, 0, good.size() - 1},
        {"header size field", 4, 123, 0},
        {"pixel format size field", 76, 31, 0},
        {"zero width", 16, 0, 0},
        {"huge height", 12, 0x7FFFFFFF, 0},
        {"more levels than the size allows", 28, 7, 0},
        {"cube with five faces", 112, 0x7E00, 0},
        {"volume texture", 112, 0x200000, 0},
        {"unknown four-character code", 84, 0x30315844, 0},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> file = good;
        if (c.offset) Put32(file, c.offset, c.value);
        if (c.cut) file.resize(c.cut);
        DdsImage header;
        EXPECT_FALSE(ReadDdsHeader(file.data(), file.size(), &header)) << c.name;
        D3DPtr<IDirect3DTexture9> texture;
        EXPECT_EQ(Load(*device, file, &texture), D3DXERR_INVALIDDATA) << c.name;
        EXPECT_EQ(texture, nullptr) << c.name;
    }
    DdsImage header;
    EXPECT_TRUE(ReadDdsHeader(good.data(), good.size(), &header));
    EXPECT_TRUE(header.cube);
    EXPECT_EQ(header.mipCount, 2u);
}

TEST(D3DXTextureTest, DamagedImageFilesAreRefused) {
    auto device = MakeTestDevice();
    const auto png = MakeImageFile(ImageKind::Png, 16, 16);
    const auto jpeg = MakeImageFile(ImageKind::Jpeg, 16, 16, false);
    auto cut = [](const std::vector<uint8_t>& file, size_t size) {
        return std::vector<uint8_t>(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size));
    };
    auto flipped = [](std::vector<uint8_t> file, size_t offset) {
        file[offset] ^= 0xFF;
        return file;
    };
    // A TGA header that claims 4096 x 4096 texels, followed by the pixels of a 4 x 4 image.
    std::vector<uint8_t> tgaClaim = MakeImageFile(ImageKind::Tga, 4, 4);
    for (size_t offset : {12, 14}) tgaClaim[offset] = 0x00, tgaClaim[offset + 1] = 0x10;
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
    };
    const Case cases[] = {
        {"Huffman counts over 256 symbols", ReadTestDataBytes("regressions/jpeg-huffman-counts-over-256.jpg")},
        {"JPEG signature alone", cut(jpeg, 3)},
        {"JPEG cut inside its headers", cut(jpeg, 40)},
        // The decoders would make up the missing texels: a few bytes would claim any size.
        {"JPEG cut inside its image data", cut(jpeg, jpeg.size() - 30)},
        {"TGA far larger than its pixels", tgaClaim},
        {"PNG signature alone", cut(png, 8)},
        {"PNG cut inside its image data", cut(png, png.size() - 20)},
        {"PNG header checksum broken", flipped(png, 29)},
    };
    for (const Case& c : cases) {
        D3DPtr<IDirect3DTexture9> texture;
        EXPECT_EQ(Load(*device, c.file, &texture), D3DXERR_INVALIDDATA) << c.name;
        EXPECT_EQ(texture, nullptr) << c.name;
    }
}

TEST(D3DXTextureTest, BadCallsAndInjectedFailuresFailCleanly) {
    PlatformReset reset;
    auto device = MakeRecordingDevice();
    D3DPtr<IDirect3DTexture9> texture;
    const std::vector<uint8_t> garbage = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
    EXPECT_EQ(Load(*device, garbage, &texture), D3DXERR_INVALIDDATA);
    IDirect3DTexture9* raw = nullptr;
    EXPECT_EQ(D3DXCreateTextureFromFileInMemoryEx(device.get(), nullptr, 10, D3DX_DEFAULT, D3DX_DEFAULT,
                                                  D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, 0,
                                                  0, nullptr, nullptr, &raw),
              D3DERR_INVALIDCALL);

    const auto png = MakeImageFile(ImageKind::Png, 4, 4);
    ArmD3DFailure(D3DCall::D3DXCreateTextureFromFileInMemoryEx, D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(Load(*device, png, &texture), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(Load(*device, png, &texture), D3D_OK) << "only the next call fails";

    auto records = CallsOf(*device, D3DCall::D3DXCreateTextureFromFileInMemoryEx);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].result, D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(records[2].args, (std::vector<uint32_t>{static_cast<uint32_t>(png.size()), D3DX_DEFAULT, D3DX_DEFAULT,
                                                      D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                                      0x80004, 0}));
}
