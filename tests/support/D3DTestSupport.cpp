#include "support/D3DTestSupport.h"

#include "platform/DdsHeader.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

D3DPtr<IDirect3DDevice9> MakeTestDevice(UINT width, UINT height) {
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = width;
    parameters.BackBufferHeight = height;
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.BackBufferCount = 1;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.Windowed = TRUE;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
    return D3DPtr<IDirect3DDevice9>(new IDirect3DDevice9(parameters));
}

D3DPtr<IDirect3DDevice9> MakeRecordingDevice(UINT width, UINT height) {
    D3DPtr<IDirect3DDevice9> device = MakeTestDevice(width, height);
    device->SetRecording(true);
    return device;
}

std::vector<D3DCallRecord> CallsOf(const IDirect3DDevice9& device, D3DCall call) {
    std::vector<D3DCallRecord> calls;
    for (const D3DCallRecord& record : device.Calls())
        if (record.call == call) calls.push_back(record);
    return calls;
}

std::string DescribeCalls(const IDirect3DDevice9& device) {
    std::string text;
    for (const D3DCallRecord& record : device.Calls()) text += Describe(record) + "\n";
    return text;
}

namespace {
void Append(void* context, void* data, int size) {
    auto* bytes = static_cast<std::vector<uint8_t>*>(context);
    bytes->insert(bytes->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

void Put32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}
}  // namespace

std::vector<uint8_t> MakeImageFile(ImageKind kind, int width, int height, bool alpha) {
    const int channels = alpha ? 4 : 3;
    std::vector<uint8_t> texels(static_cast<size_t>(width) * height * channels);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* t = &texels[(static_cast<size_t>(y) * width + x) * channels];
            t[0] = static_cast<uint8_t>(x), t[1] = static_cast<uint8_t>(y), t[2] = 7;
            if (alpha) t[3] = 200;
        }
    std::vector<uint8_t> file;
    switch (kind) {
        case ImageKind::Png:
            stbi_write_png_to_func(Append, &file, width, height, channels, texels.data(), width * channels);
            break;
        case ImageKind::Jpeg: stbi_write_jpg_to_func(Append, &file, width, height, channels, texels.data(), 95); break;
        case ImageKind::Tga: stbi_write_tga_to_func(Append, &file, width, height, channels, texels.data()); break;
        case ImageKind::Bmp: stbi_write_bmp_to_func(Append, &file, width, height, channels, texels.data()); break;
    }
    return file;
}

std::vector<uint8_t> MakeDdsFile(D3DFORMAT format, uint32_t width, uint32_t height, uint32_t mips, bool cube) {
    std::vector<uint8_t> file(128, 0);
    Put32(file, 0, kDdsMagic);
    Put32(file, 4, 124);
    Put32(file, 8, 0x1007 | (mips > 1 ? 0x20000 : 0));  // caps, height, width, pixel format (+ mip count)
    Put32(file, 12, height);
    Put32(file, 16, width);
    Put32(file, 28, mips);
    Put32(file, 76, 32);
    if (format == D3DFMT_DXT1 || format == D3DFMT_DXT3 || format == D3DFMT_DXT5) {
        Put32(file, 80, 0x4);
        Put32(file, 84, format);
    } else {
        const bool alpha = format == D3DFMT_A8R8G8B8;
        Put32(file, 80, 0x40 | (alpha ? 0x1 : 0));
        Put32(file, 88, 32);
        Put32(file, 92, 0xFF0000);
        Put32(file, 96, 0xFF00);
        Put32(file, 100, 0xFF);
        Put32(file, 104, alpha ? 0xFF000000u : 0);
    }
    Put32(file, 108, 0x1000 | (mips > 1 ? 0x400008 : 0));
    Put32(file, 112, cube ? 0xFE00 : 0);
    for (int face = 0; face < (cube ? 6 : 1); ++face) {
        size_t counter = 0;
        for (uint32_t level = 0; level < mips; ++level) {
            const size_t bytes =
                DdsLevelBytes(format, std::max<uint32_t>(1, width >> level), std::max<uint32_t>(1, height >> level));
            for (size_t i = 0; i < bytes; ++i) file.push_back(static_cast<uint8_t>(counter++));
        }
    }
    return file;
}
