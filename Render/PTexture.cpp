#include "Render/PTexture.h"

#include "Render/PRender.h"
#include "Render/PTextureManager.h"
#include "core/LogStream.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "core/files/CPFileReader.h"
#include "core/files/CPTokenizer.h"
#include "platform/D3DX9Texture.h"
#include "platform/PathResolver.h"

namespace {
// Report lines of the two creation sites.
constexpr int kReportLineCube = 107;
constexpr int kReportLinePlain = 138;

const char kTextureFolder[] = "Data\\Textures";
// Triangle filtering with dithering for the mip levels.
constexpr DWORD kMipFilter = D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER;

// After a creation call: on failure the report and no texture; on success the top level's size.
template <class Texture>
bool TakeCreated(HRESULT result, Texture*& texture, int reportLine, uint32_t& width, uint32_t& height) {
    if (FAILED(result)) {
        texture = nullptr;
        ReportDXError(__FILE__, reportLine, result);
        return false;
    }
    D3DSURFACE_DESC top{};
    if (SUCCEEDED(texture->GetLevelDesc(0, &top))) {
        width = top.Width;
        height = top.Height;
    }
    return true;
}

// The file name with its last three characters replaced by "jpg"; a shorter name becomes "jpg".
std::string JpegAlternative(const std::string& file) {
    return file.substr(0, file.size() >= 3 ? file.size() - 3 : 0) + "jpg";
}
}  // namespace

CPTexture::~CPTexture() {
    if (!IsVideoTexture()) {
        if (mTexture) mTexture->Release();
        if (mCubeTexture) mCubeTexture->Release();
    }
    mTexture = nullptr;
    mCubeTexture = nullptr;
    // Even a video texture leaves the cache: an entry must never outlive its object.
    if (gTextureManager) gTextureManager->RemoveTexture(this);
}

bool CPTexture::IsVideoTexture() const { return mName == "VIDEO" || mName == "VIDEO1"; }

IDirect3DBaseTexture9* CPTexture::GetBaseTexture() const {
    if (mTexture) return mTexture;
    return mCubeTexture;
}

void CPTexture::ShowVideoTexture(IDirect3DTexture9* texture, const std::string& name) {
    if (!IsVideoTexture() && mTexture) mTexture->Release();
    mTexture = texture;
    mName = name;
}

bool CPTexture::Load(const std::string& name) {
    CPTokenizer items(name, ",", true);
    std::string file;
    items.NextToken(file);

    std::string path = std::string(kTextureFolder) + "\\" + file;
    if (!IsRegularFile(path)) path = std::string(kTextureFolder) + "\\" + JpegAlternative(file);

    mName = name;
    UINT mipLevels = D3DX_DEFAULT;
    bool cube = false;
    for (std::string option; items.NextToken(option);) {
        if (option == "nomip") mipLevels = 1;
        if (option == "cube") cube = true;
    }

    CPFileReader reader(path, false);
    if (reader.Load() != S_OK) return false;

    IDirect3DDevice9* device = gRenderer ? gRenderer->GetDevice() : nullptr;
    if (cube) {
        mIsCube = 1;
        HRESULT result = D3DXCreateCubeTextureFromFileInMemoryEx(
            device, reader.GetData(), reader.GetSize(), D3DX_DEFAULT, mipLevels, 0, D3DFMT_UNKNOWN,
            D3DPOOL_MANAGED, D3DX_DEFAULT, kMipFilter, 0, nullptr, nullptr, &mCubeTexture);
        return TakeCreated(result, mCubeTexture, kReportLineCube, mWidth, mHeight);
    }

    HRESULT result = D3DXCreateTextureFromFileInMemoryEx(
        device, reader.GetData(), reader.GetSize(), D3DX_DEFAULT, D3DX_DEFAULT, mipLevels, 0, D3DFMT_UNKNOWN,
        D3DPOOL_MANAGED, D3DX_DEFAULT, kMipFilter, 0, nullptr, nullptr, &mTexture);
    if (!TakeCreated(result, mTexture, kReportLinePlain, mWidth, mHeight)) return false;
    if (mipLevels != 1 && gSettings::texlod != -1) mTexture->SetLOD(static_cast<DWORD>(gSettings::texlod));
    return true;
}
