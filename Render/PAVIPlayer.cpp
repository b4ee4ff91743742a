#include "Render/PAVIPlayer.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "Render/PRender.h"
#include "Render/PTexture.h"
#include "Render/PTextureManager.h"
#include "Sound/VolumeCurve.h"
#include "core/CPTaskKernel.h"
#include "core/LogStream.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "platform/WideText.h"

PAVIPlayer* gVideoPlayer = nullptr;

namespace {
// The steps of an opening that can fail, in order; each reports at its own line.
enum OpenStep {
    kOpenFile,
    kGetVideoStream,
    kQueryDirectDrawStream,
    kGetFormat,
    kCreateSurface,
    kCreateSample,
    kCreateTexture,
    kGetFilterGraph,
    kQueryControl,
    kQueryPosition,
    kQueryAudio,
    kSetVolume,
    kStopStream,
};

const PAVIPlayer::Profile kFirstPlayer = {
    "video", "VIDEO", __FILE__, 182, {82, 84, 86, 90, 96, 105, 136, 140, 142, 144, 148, 152, 156}};

template <class Interface>
void ReleaseAndClear(Interface*& object) {
    if (object) object->Release();
    object = nullptr;
}

// One colour channel of a texel under its mask, scaled to 0..255.
uint32_t Channel(uint32_t texel, uint32_t mask) {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const uint32_t value = (texel & mask) >> shift;
    const uint32_t top = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1u;
    return static_cast<uint32_t>(static_cast<uint64_t>(value) * 255u / top);
}

uint32_t ReadTexel(const uint8_t* at, uint32_t bytes) {
    uint32_t texel = 0;
    for (uint32_t i = 0; i < bytes; ++i) texel |= static_cast<uint32_t>(at[i]) << (8 * i);
    return texel;
}

// What a DDSURFACEDESC's size field says: the record's size on the 32-bit platform.
constexpr DWORD kSurfaceDescriptionSize = 108;

// Holds the stream's graph for the length of one opening.
struct GraphHold {
    IGraphBuilder* graph = nullptr;
    ~GraphHold() {
        if (graph) graph->Release();
    }
};
}  // namespace

int32_t NextPowerOfTwo(int32_t n) {
    constexpr int32_t kLargest = 1 << 30;
    int32_t result = 2;
    for (int32_t m = n >> 1; m > 0 && result < kLargest; m >>= 1) result <<= 1;
    return result;
}

PAVIPlayer::PAVIPlayer() : mProfile(kFirstPlayer) {}

PAVIPlayer::PAVIPlayer(const Profile& profile) : mProfile(profile) {}

PAVIPlayer::~PAVIPlayer() {
    FreeInterfaces();
    ReleaseTexture();
    if (gVideoPlayer == this) gVideoPlayer = nullptr;
}

HRESULT PAVIPlayer::Report(int line, HRESULT result) const {
    ReportDXError(mProfile.source, line, result);
    return 0;
}

HRESULT PAVIPlayer::Init() {
    const int line = mProfile.initLine;
    HRESULT result = DirectDrawCreate(nullptr, &mDirectDraw, nullptr);
    if (FAILED(result)) return Report(line, result);
    result = mDirectDraw->SetCooperativeLevel(gTaskKernel ? gTaskKernel->GetMainWindow() : nullptr, DDSCL_NORMAL);
    if (FAILED(result)) return Report(line, result);
    result = CoCreateInstance(CLSID_AMMultiMediaStream, nullptr, CLSCTX_INPROC_SERVER, IID_IAMMultiMediaStream,
                              reinterpret_cast<void**>(&mStream));
    if (FAILED(result)) {
        mStream = nullptr;
        return Report(line, result);
    }
    result = mStream->Initialize(STREAMTYPE_READ, 0, nullptr);
    if (FAILED(result)) return Report(line, result);
    if (!mNoSound) {
        result = mStream->AddMediaStream(nullptr, &MSPID_PrimaryAudio, AMMSF_ADDDEFAULTRENDERER, nullptr);
        if (FAILED(result)) return Report(line, result);
    }
    result = mStream->AddMediaStream(mDirectDraw, &MSPID_PrimaryVideo, 0, nullptr);
    if (FAILED(result)) return Report(line, result);
    return result;
}

void PAVIPlayer::FreeInterfaces() {
    ReleaseAndClear(mAudio);
    ReleaseAndClear(mControl);
    ReleaseAndClear(mPosition);
    ReleaseAndClear(mSample);
    ReleaseAndClear(mDirectDrawStream);
    ReleaseAndClear(mVideoStream);
    ReleaseAndClear(mStream);
    ReleaseAndClear(mFrameSurface);
    ReleaseAndClear(mDirectDraw);
}

HRESULT PAVIPlayer::Setup() {
    FreeInterfaces();
    return Init();
}

HRESULT PAVIPlayer::Open(const std::string& name, bool noSound) { return OpenVideo(name, noSound); }

HRESULT PAVIPlayer::OpenVideo(const std::string& name, bool noSound) {
    const int* lines = mProfile.openLines;
    mNoSound = noSound ? 1 : 0;
    Setup();
    mDevice = gRenderer ? gRenderer->GetDevice() : nullptr;

    // The platform's path buffer holds MAX_PATH wide characters: a longer path is refused whole.
    const std::string path = "Data\\Video\\" + name;
    WCHAR widePath[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH) == 0) return E_INVALIDARG;
    if (!mStream) return E_FAIL;

    HRESULT result = mStream->OpenFile(widePath, 0);
    if (FAILED(result)) return Report(lines[kOpenFile], result);
    result = mStream->GetMediaStream(MSPID_PrimaryVideo, &mVideoStream);
    if (FAILED(result)) return Report(lines[kGetVideoStream], result);
    result = mVideoStream->QueryInterface(IID_IDirectDrawMediaStream, reinterpret_cast<void**>(&mDirectDrawStream));
    if (FAILED(result)) return Report(lines[kQueryDirectDrawStream], result);

    DDSURFACEDESC format{};
    format.dwSize = kSurfaceDescriptionSize;
    result = mDirectDrawStream->GetFormat(&format, nullptr, nullptr, nullptr);
    if (FAILED(result)) return Report(lines[kGetFormat], result);
    // Sizes beyond an int cannot be a frame; they are clamped so the texture size stays defined.
    const auto width = static_cast<int32_t>(std::min<DWORD>(format.dwWidth, 1u << 30));
    const auto height = static_cast<int32_t>(std::min<DWORD>(format.dwHeight, 1u << 30));

    ReleaseAndClear(mFrameSurface);
    result = mDirectDraw ? mDirectDraw->CreateSurface(&format, &mFrameSurface, nullptr) : E_POINTER;
    if (FAILED(result)) {
        mFrameSurface = nullptr;
        return Report(lines[kCreateSurface], result);
    }
    mFrameRect = RECT{0, 0, width, height};

    ReleaseAndClear(mSample);
    result = mDirectDrawStream->CreateSample(mFrameSurface, nullptr, 0, &mSample);
    if (FAILED(result)) {
        mSample = nullptr;
        return Report(lines[kCreateSample], result);
    }

    result = FitTexture(width, height);
    if (FAILED(result)) return Report(lines[kCreateTexture], result);

    GraphHold hold;
    result = mStream->GetFilterGraph(&hold.graph);
    if (FAILED(result)) return Report(lines[kGetFilterGraph], result);
    result = hold.graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&mControl));
    if (FAILED(result)) return Report(lines[kQueryControl], result);
    result = hold.graph->QueryInterface(IID_IMediaPosition, reinterpret_cast<void**>(&mPosition));
    if (FAILED(result)) return Report(lines[kQueryPosition], result);
    if (!noSound) {
        result = hold.graph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&mAudio));
        if (FAILED(result)) return Report(lines[kQueryAudio], result);
        // The video sounds at the effects' volume, not the music's.
        result = mAudio->put_Volume(VolumeCurve(gSettings::soundVolume));
        if (FAILED(result)) return Report(lines[kSetVolume], result);
    }

    result = mStream->SetState(STREAMSTATE_STOP);
    if (FAILED(result)) return Report(lines[kStopStream], result);
    mOpened = 0;
    Publish();
    return result;
}

HRESULT PAVIPlayer::FitTexture(int32_t width, int32_t height) {
    const int32_t textureWidth = NextPowerOfTwo(width);
    const int32_t textureHeight = NextPowerOfTwo(height);
    if (mTexture && mTextureDepth == gSettings::screenBPP && mTextureWidth == textureWidth &&
        mTextureHeight == textureHeight)
        return S_OK;
    ReleaseTexture();
    mTextureWidth = textureWidth;
    mTextureHeight = textureHeight;
    mTextureDepth = gSettings::screenBPP;
    const D3DFORMAT format = gSettings::screenBPP == 32 ? D3DFMT_X8R8G8B8 : D3DFMT_R5G6B5;
    if (!mDevice) return D3DERR_INVALIDCALL;
    HRESULT result = mDevice->CreateTexture(static_cast<UINT>(textureWidth), static_cast<UINT>(textureHeight), 1, 0,
                                            format, D3DPOOL_MANAGED, &mTexture, nullptr);
    if (FAILED(result)) mTexture = nullptr;
    return result;
}

void PAVIPlayer::Publish() {
    CPTexture* entry = gTextureManager ? gTextureManager->FindTexture(mProfile.entryName) : nullptr;
    if (entry) entry->ShowVideoTexture(mTexture, mProfile.shownName);
}

void PAVIPlayer::ReleaseTexture() {
    if (!mTexture) return;
    // The cache entry keeps a plain pointer: it must not go on showing a released texture.
    CPTexture* entry = gTextureManager ? gTextureManager->FindTexture(mProfile.entryName) : nullptr;
    if (entry && entry->GetTexture() == mTexture) entry->ShowVideoTexture(nullptr, mProfile.shownName);
    mTexture->Release();
    mTexture = nullptr;
}

bool PAVIPlayer::Start() {
    if (IsRunning() || !mStream || !mSample) return false;
    if (FAILED(mStream->SetState(STREAMSTATE_RUN))) return false;
    return CPTask::Start();
}

void PAVIPlayer::Stop() {
    if (mStream) mStream->SetState(STREAMSTATE_STOP);
    CPTask::Stop();
}

void PAVIPlayer::Execute() {
    if (!mSample) {
        Stop();
        return;
    }
    HRESULT result = mSample->Update(0, nullptr, nullptr, 0);
    if (result == MS_S_ENDOFSTREAM && mCallerFlag && mPosition && SUCCEEDED(mPosition->put_CurrentPosition(0)))
        result = mSample->Update(0, nullptr, nullptr, 0);
    if (result == MS_S_ENDOFSTREAM || FAILED(result)) {
        Stop();
        return;
    }
    if (CopyFrame()) mOpened = 1;
}

bool PAVIPlayer::CopyFrame() {
    if (!mFrameSurface || !mTexture) return false;
    DDSURFACEDESC frame{};
    frame.dwSize = kSurfaceDescriptionSize;
    if (FAILED(mFrameSurface->Lock(nullptr, &frame, DDLOCK_WAIT | DDLOCK_READONLY, nullptr))) return false;
    const LONG width = std::min<LONG>(mFrameRect.right, mTextureWidth);
    const LONG height = std::min<LONG>(mFrameRect.bottom, mTextureHeight);
    const RECT area{0, 0, width, height};
    D3DLOCKED_RECT target{};
    if (width <= 0 || height <= 0 || FAILED(mTexture->LockRect(0, &target, &area, 0))) {
        mFrameSurface->Unlock(nullptr);
        return false;
    }
    const DDPIXELFORMAT& in = frame.ddpfPixelFormat;
    const uint32_t inBytes = in.dwRGBBitCount / 8u;
    const bool wide = mTextureDepth == 32;
    for (LONG y = 0; y < height; ++y) {
        const auto* source = static_cast<const uint8_t*>(frame.lpSurface) + static_cast<size_t>(y) * frame.lPitch;
        auto* row = static_cast<uint8_t*>(target.pBits) + static_cast<size_t>(y) * target.Pitch;
        for (LONG x = 0; x < width; ++x) {
            const uint32_t texel = ReadTexel(source + static_cast<size_t>(x) * inBytes, inBytes);
            const uint32_t r = Channel(texel, in.dwRBitMask), g = Channel(texel, in.dwGBitMask),
                           b = Channel(texel, in.dwBBitMask);
            if (wide) {
                const uint32_t out = 0xFF000000u | r << 16 | g << 8 | b;
                std::memcpy(row + static_cast<size_t>(x) * 4, &out, 4);
            } else {
                const auto out = static_cast<uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
                std::memcpy(row + static_cast<size_t>(x) * 2, &out, 2);
            }
        }
    }
    mTexture->UnlockRect(0);
    mFrameSurface->Unlock(nullptr);
    return true;
}
