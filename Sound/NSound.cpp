#include "Sound/NSound.h"

#include <cstring>

#include "Sound/NSoundCache.h"
#include "Sound/NSoundManager.h"
#include "Sound/VolumeCurve.h"
#include "core/LogStream.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "platform/Clock.h"

std::list<CNSound*> gSoundList;
float gSoundVolume = 0.0f;

namespace {
// Where each failure is reported (the lines the engine's reports name for this file).
constexpr int kLinePitch = 19;
constexpr int kLineCreate = 46;
constexpr int kLineFill = 117;
constexpr int kLinePlay = 167;
constexpr int kLineApplyVolume = 203;
constexpr int kLineSetVolume = 212;

// A buffer that stays lost through this many restore passes is given up for now (about half a
// second of waiting): the next Play tries again.
constexpr int kMaxRestorePasses = 50;
constexpr DWORD kRestoreWaitMs = 10;

constexpr DWORD kFlags3D = DSBCAPS_CTRL3D | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLVOLUME;
constexpr DWORD kFlagsPlain = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLVOLUME;
}  // namespace

CNSound::CNSound(IDirectSound* device, const std::string& path, int mode) : mMode(mode), mPath(path) {
    // A file that cannot be opened or parsed leaves size 0 and no format: the device refuses both.
    mWaveFile = std::make_unique<CNWaveFile>();
    mWaveFile->Open(path.c_str(), nullptr, CNWaveFile::kModeRead);
    mBufferSize = mWaveFile->GetSize();

    DSBUFFERDESC description{};
    description.dwSize = DSBUFFERDESC_PLATFORM_SIZE;
    description.dwFlags = mode == kMode3D ? kFlags3D : kFlagsPlain;
    description.dwBufferBytes = mBufferSize;
    description.dwReserved = 0;
    description.lpwfxFormat = const_cast<WAVEFORMATEX*>(mWaveFile->GetFormat());
    description.guid3DAlgorithm = mode != kMode3D        ? GUID_NULL
                                  : gSettings::bitrate == 16 ? DS3DALG_HRTF_FULL
                                                             : DS3DALG_HRTF_LIGHT;

    HRESULT created = device ? device->CreateSoundBuffer(&description, &mBuffer, nullptr) : E_POINTER;
    if (FAILED(created)) {
        mBuffer = nullptr;
        ReportDXError(__FILE__, kLineCreate, created, 1);
        return;
    }

    FillBuffer();
    mBuffer->SetCurrentPosition(0);
    mBuffer->QueryInterface(IID_IDirectSound3DBuffer, reinterpret_cast<void**>(&m3DBuffer));
    if (mode == kMode3D) {
        m3DParameters.dwSize = 64;
        if (m3DBuffer) {
            m3DBuffer->GetAllParameters(&m3DParameters);
            m3DParameters.dwMode = DS3DMODE_NORMAL;
            m3DBuffer->SetAllParameters(&m3DParameters, DS3D_IMMEDIATE);
        }
    }
    gSoundList.push_back(this);
    mLoaded = true;
    ApplyVolume();
}

CNSound::~CNSound() {
    if (m3DBuffer) m3DBuffer->Release();
    if (mBuffer) mBuffer->Release();
    m3DBuffer = nullptr;
    mBuffer = nullptr;
    mWaveFile.reset();
    if (mLoaded) gSoundList.remove(this);
    if (gSoundCache) gSoundCache->Forget(this);
    if (gSoundManager) gSoundManager->Forget(this);
}

void CNSound::FillBuffer() {
    if (!mBuffer) return;
    RestoreBuffer();

    void* region = nullptr;
    DWORD length = 0;
    // A buffer that cannot be locked keeps its bytes; there is nothing to write into.
    if (SUCCEEDED(mBuffer->Lock(0, mBufferSize, &region, &length, nullptr, nullptr, 0)) && region) {
        auto* bytes = static_cast<BYTE*>(region);
        DWORD read = 0;
        mWaveFile->ResetFile();
        if (FAILED(mWaveFile->Read(bytes, length, &read))) read = 0;
        const WAVEFORMATEX* format = mWaveFile->GetFormat();
        BYTE silence = format && format->wBitsPerSample == 8 ? 128 : 0;
        if (read == 0) {
            std::memset(bytes, silence, length);
        } else if (read < length) {
            std::memset(bytes + read, silence, length - read);
        }
        mBuffer->Unlock(region, length, nullptr, 0);
    }

    HRESULT result = mBuffer->GetFrequency(&mFrequency);
    if (FAILED(result)) ReportDXError(__FILE__, kLineFill, result);
}

CNSound::RestoreResult CNSound::TryRestore() {
    DWORD status = 0;
    if (FAILED(mBuffer->GetStatus(&status)) || !(status & DSBSTATUS_BUFFERLOST)) return RestoreResult::NotLost;
    HRESULT previous = DS_OK;
    for (int pass = 0; pass < kMaxRestorePasses; ++pass) {
        mBuffer->Restore();
        if (previous == DSERR_BUFFERLOST) Sleep(kRestoreWaitMs);
        previous = mBuffer->Restore();
        if (previous == DS_OK) return RestoreResult::Restored;
    }
    return RestoreResult::StillLost;
}

bool CNSound::RestoreBuffer() { return mBuffer && TryRestore() == RestoreResult::Restored; }

HRESULT CNSound::PlayFromStart(DWORD flags) {
    if (IsPlaying()) {
        Stop();
        Rewind();
    }
    return Play(0, flags);
}

HRESULT CNSound::Play(DWORD priority, DWORD flags) {
    if (!mBuffer) return 0;
    switch (TryRestore()) {
        case RestoreResult::Restored:
            FillBuffer();
            Rewind();
            break;
        case RestoreResult::StillLost:
            return DSERR_BUFFERLOST;
        case RestoreResult::NotLost:
            break;
    }
    HRESULT result = mBuffer->SetFrequency(mFrequency);
    if (FAILED(result)) {
        ReportDXError(__FILE__, kLinePlay, result);
        return 0;
    }
    return mBuffer->Play(0, priority, flags);
}

HRESULT CNSound::Stop() { return mBuffer ? mBuffer->Stop() : 0; }

HRESULT CNSound::Rewind() { return mBuffer ? mBuffer->SetCurrentPosition(0) : 0; }

bool CNSound::IsPlaying() {
    DWORD status = 0;
    return mBuffer && SUCCEEDED(mBuffer->GetStatus(&status)) && (status & DSBSTATUS_PLAYING);
}

HRESULT CNSound::SetPitch(float factor) {
    if (!mBuffer) return 0;
    double frequency = static_cast<double>(mFrequency) * static_cast<double>(factor);
    // No frequency holds a negative, NaN or too large product: refused as DirectSound would.
    HRESULT result = frequency >= 0.0 && frequency < 4294967296.0
                         ? mBuffer->SetFrequency(static_cast<DWORD>(frequency))
                         : DSERR_INVALIDPARAM;
    if (FAILED(result)) {
        ReportDXError(__FILE__, kLinePitch, result);
        return 0;
    }
    return result;
}

HRESULT CNSound::ApplyVolume() { return SetCurveVolume(gSoundVolume, kLineApplyVolume); }

HRESULT CNSound::SetVolume(float volume) { return SetCurveVolume(volume, kLineSetVolume); }

HRESULT CNSound::SetCurveVolume(float volume, int reportLine) {
    if (!mBuffer) return 0;
    HRESULT result = mBuffer->SetVolume(VolumeCurve(volume));
    if (FAILED(result)) {
        ReportDXError(__FILE__, reportLine, result);
        return 0;
    }
    return result;
}

void SetAllSoundsVolume(float volume) {
    gSoundVolume = volume;
    for (CNSound* sound : gSoundList) sound->ApplyVolume();
}
