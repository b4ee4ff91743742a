#include "platform/D3DX9Texture.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/DdsHeader.h"
#include "platform/DdsTexels.h"
#include "platform/ImageDecoder.h"

namespace {

// A decoded image: either 8-bit RGBA texels or the stored levels of a DDS file.
struct SourceImage {
    D3DXIMAGE_INFO info{};
    UINT faces = 1;
    std::vector<uint8_t> rgba;  // decoded images: width x height x 4 bytes
    const uint8_t* dds = nullptr;  // DDS images: face 0, level 0 inside the caller's data
    DdsImage ddsHeader{};
};

D3DXIMAGE_FILEFORMAT FileFormat(ImageFileKind kind) {
    switch (kind) {
        case ImageFileKind::Bmp: return D3DXIFF_BMP;
        case ImageFileKind::Jpeg: return D3DXIFF_JPG;
        case ImageFileKind::Png: return D3DXIFF_PNG;
        case ImageFileKind::Tga: break;
    }
    return D3DXIFF_TGA;
}

HRESULT Decode(const void* data, UINT size, SourceImage* image) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (IsDdsData(data, size)) {
        if (!ReadDdsHeader(data, size, &image->ddsHeader)) return D3DXERR_INVALIDDATA;
        const DdsImage& h = image->ddsHeader;
        image->dds = bytes + h.dataOffset;
        image->faces = h.cube ? 6 : 1;
        image->info = {h.width, h.height, 1, h.mipCount, h.format, h.cube ? D3DRTYPE_CUBETEXTURE : D3DRTYPE_TEXTURE,
                       D3DXIFF_DDS};
        return D3D_OK;
    }
    DecodedImage decoded;
    if (!DecodeImageFile(bytes, size, &decoded)) return D3DXERR_INVALIDDATA;
    image->rgba = std::move(decoded.rgba);
    image->info = {decoded.width, decoded.height, 1, 1, decoded.alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8,
                   D3DRTYPE_TEXTURE, FileFormat(decoded.kind)};
    return D3D_OK;
}

UINT NextPowerOfTwo(UINT value) {
    UINT result = 1;
    while (result < value && result < 0x80000000u) result <<= 1;
    return result;
}

// The size the texture gets for one requested dimension.
UINT ResolveSize(UINT requested, UINT stored, UINT limit) {
    UINT size = requested;
    if (requested == 0 || requested == D3DX_DEFAULT) size = NextPowerOfTwo(stored);
    else if (requested == D3DX_DEFAULT_NONPOW2 || requested == D3DX_FROM_FILE) size = stored;
    return std::min(size, limit);
}

UINT ResolveLevels(UINT requested, UINT stored, UINT width, UINT height) {
    const UINT full = D3DFullMipChain(width, height);
    if (requested == 0 || requested == D3DX_DEFAULT) return full;
    if (requested == D3DX_FROM_FILE) return std::min(stored, full);
    return std::min(requested, full);
}

// Fills every level of one face of a DDS image. A stored level of the texture's size and format is
// copied as it is, one of another format converted. Level 0 of another size is made from the stored
// level 0, point-sampled as the other image formats are; any other level the file does not give is
// made from the level above with the mip filter (point for D3DX_FILTER_NONE and D3DX_FILTER_POINT,
// else the mean of the texels each covers). Fails when the texture's format has no texel codec: never a silently blank texture.
HRESULT FillDdsFace(IDirect3DBaseTexture9& texture, UINT face, const SourceImage& image, DWORD mipFilter) {
    const D3DFORMAT format = texture.Format();
    const DdsImage& h = image.ddsHeader;
    const bool sameFormat = format == h.format;
    if (!sameFormat && !IsTexelFormat(format)) return D3DXERR_INVALIDDATA;
    const DWORD filterMode = mipFilter == D3DX_DEFAULT ? D3DX_FILTER_BOX : (mipFilter & 0x7);
    const bool pointMips = filterMode == D3DX_FILTER_NONE || filterMode == D3DX_FILTER_POINT;
    const uint8_t* stored = image.dds + (image.faces > 1 ? face * h.faceBytes : 0);
    for (UINT l = 0; l < texture.GetLevelCount(); ++l) {
        const UINT w = texture.LevelWidth(l), hgt = texture.LevelHeight(l);
        std::vector<uint8_t>& texels = texture.Texels(face, l);
        const UINT sw = std::max<UINT>(1, h.width >> l), sh = std::max<UINT>(1, h.height >> l);
        const size_t storedBytes = DdsLevelBytes(h.format, sw, sh);
        const bool storedFits = l < h.mipCount && sw == w && sh == hgt;
        if (storedFits && sameFormat && storedBytes == texels.size()) {
            std::memcpy(texels.data(), stored, storedBytes);
        } else if (storedFits || l == 0) {
            EncodeTexels(format, ScalePoint(DecodeTexels(h.format, stored, sw, sh), w, hgt), texels.data());
        } else {
            const ArgbImage above =
                DecodeTexels(format, texture.Texels(face, l - 1).data(), texture.LevelWidth(l - 1),
                             texture.LevelHeight(l - 1));
            EncodeTexels(format, pointMips ? ScalePoint(above, w, hgt) : ScaleBox(above, w, hgt), texels.data());
        }
        if (l + 1 < h.mipCount) stored += storedBytes;
    }
    return D3D_OK;
}

// Fills every level of one face: DDS images by FillDdsFace; RGBA images are point-sampled into 32-bit
// formats, other formats keep zeroed texels.
HRESULT FillFace(IDirect3DBaseTexture9& texture, UINT face, const SourceImage& image, D3DCOLOR colorKey,
                 DWORD mipFilter) {
    const D3DFORMAT format = texture.Format();
    if (image.dds) return FillDdsFace(texture, face, image, mipFilter);
    if (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8) return D3D_OK;
    const UINT sw = image.info.Width, sh = image.info.Height;
    const bool keepAlpha = format == D3DFMT_A8R8G8B8;
    std::vector<size_t> columns;  // per texel of a row: the byte offset of its source texel in the source row
    for (UINT l = 0; l < texture.GetLevelCount(); ++l) {
        const UINT w = texture.LevelWidth(l), h = texture.LevelHeight(l), pitch = texture.LevelPitch(l);
        std::vector<uint8_t>& texels = texture.Texels(face, l);
        columns.resize(w);
        for (UINT x = 0; x < w; ++x) columns[x] = static_cast<size_t>(static_cast<uint64_t>(x) * sw / w) * 4;
        for (UINT y = 0; y < h; ++y) {
            const UINT sy = static_cast<UINT>(static_cast<uint64_t>(y) * sh / h);
            uint8_t* d = &texels[static_cast<size_t>(y) * pitch];
            // A row sampled from the same source row as the one above is a copy of it.
            if (y > 0 && sy == static_cast<UINT>(static_cast<uint64_t>(y - 1) * sh / h)) {
                std::memcpy(d, d - pitch, static_cast<size_t>(w) * 4);
                continue;
            }
            const uint8_t* row = &image.rgba[static_cast<size_t>(sy) * sw * 4];
            for (UINT x = 0; x < w; ++x) {
                const uint8_t* s = row + columns[x];
                d[4 * x] = s[2], d[4 * x + 1] = s[1], d[4 * x + 2] = s[0], d[4 * x + 3] = keepAlpha ? s[3] : 0xFF;
            }
            if (colorKey == 0) continue;
            for (UINT x = 0; x < w; ++x) {
                uint8_t* texel = d + 4 * x;
                if (D3DCOLOR_ARGB(texel[3], texel[2], texel[1], texel[0]) == colorKey) std::memset(texel, 0, 4);
            }
        }
    }
    return D3D_OK;
}

// A texture that could not be filled is released: the caller gets the failure and no texture.
template <class Texture>
HRESULT Finish(HRESULT result, Texture** texture) {
    if (FAILED(result) && *texture) {
        (*texture)->Release();
        *texture = nullptr;
    }
    return result;
}

D3DFORMAT ResolveFormat(D3DFORMAT requested, const SourceImage& image) {
    if (requested == D3DFMT_UNKNOWN || static_cast<UINT>(requested) == D3DX_FROM_FILE) return image.info.Format;
    return requested;
}


// The steps both loaders share: argument checks, the injected failure, decoding, then `make`
// (creating and filling the texture from the image and the device's caps), and the record.
template <class Texture, class Make>
HRESULT CreateFromFile(IDirect3DDevice9* device, const void* data, UINT dataSize, D3DCallRecord record,
                       D3DXIMAGE_INFO* sourceInfo, Texture** texture, Make make) {
    if (texture) *texture = nullptr;
    if (!device || !data || dataSize == 0 || !texture) return D3DERR_INVALIDCALL;
    HRESULT result = device->InjectedFailure(record.call);
    SourceImage image;
    if (SUCCEEDED(result)) result = Decode(data, dataSize, &image);
    if (SUCCEEDED(result)) {
        D3DCAPS9 caps{};
        device->GetDeviceCaps(&caps);
        result = make(image, caps);
        if (SUCCEEDED(result) && sourceInfo) *sourceInfo = image.info;
    }
    record.object = *texture;
    record.result = result;
    device->Record(std::move(record));
    return result;
}

}  // namespace

HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice9* device, const void* data, UINT dataSize, UINT width,
                                            UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                            D3DXIMAGE_INFO* sourceInfo, PALETTEENTRY* /*palette*/,
                                            IDirect3DTexture9** texture) {
    D3DCallRecord record{.call = D3DCall::D3DXCreateTextureFromFileInMemoryEx,
                         .args = {dataSize, width, height, mipLevels, usage, format, pool, filter, mipFilter,
                                  colorKey}};
    return CreateFromFile(device, data, dataSize, std::move(record), sourceInfo, texture,
                          [&](const SourceImage& image, const D3DCAPS9& caps) {
                              const UINT w = ResolveSize(width, image.info.Width, caps.MaxTextureWidth);
                              const UINT h = ResolveSize(height, image.info.Height, caps.MaxTextureHeight);
                              const UINT levels = ResolveLevels(mipLevels, image.info.MipLevels, w, h);
                              HRESULT result = device->CreateTexture(w, h, levels, usage, ResolveFormat(format, image),
                                                                     pool, texture, nullptr);
                              if (SUCCEEDED(result)) result = FillFace(**texture, 0, image, colorKey, mipFilter);
                              return Finish(result, texture);
                          });
}

HRESULT D3DXCreateCubeTextureFromFileInMemoryEx(IDirect3DDevice9* device, const void* data, UINT dataSize,
                                                UINT size, UINT mipLevels, DWORD usage, D3DFORMAT format,
                                                D3DPOOL pool, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                                D3DXIMAGE_INFO* sourceInfo, PALETTEENTRY* /*palette*/,
                                                IDirect3DCubeTexture9** texture) {
    D3DCallRecord record{.call = D3DCall::D3DXCreateCubeTextureFromFileInMemoryEx,
                         .args = {dataSize, size, mipLevels, usage, format, pool, filter, mipFilter, colorKey}};
    return CreateFromFile(device, data, dataSize, std::move(record), sourceInfo, texture,
                          [&](const SourceImage& image, const D3DCAPS9& caps) {
                              const UINT edge = ResolveSize(size, image.info.Width, caps.MaxTextureWidth);
                              const UINT levels = ResolveLevels(mipLevels, image.info.MipLevels, edge, edge);
                              HRESULT result = device->CreateCubeTexture(edge, levels, usage,
                                                                         ResolveFormat(format, image), pool, texture,
                                                                         nullptr);
                              // An image of one face is the same on all six: filled once, copied to the others.
                              for (UINT face = 0; face < 6 && SUCCEEDED(result); ++face) {
                                  if (face == 0 || image.faces > 1)
                                      result = FillFace(**texture, face, image, colorKey, mipFilter);
                                  else
                                      for (UINT l = 0; l < (*texture)->GetLevelCount(); ++l)
                                          (*texture)->Texels(face, l) = (*texture)->Texels(0, l);
                              }
                              return Finish(result, texture);
                          });
}
