#include "platform/DirectSound.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "platform/CallLog.h"
#include "platform/Clock.h"
#include "platform/FiniteChecks.h"
#include "platform/PlatformFaults.h"

const IID IID_IDirectSoundBuffer = {0x5e2a0001, 0x7a11, 0x4c0e, {0x9b, 0x20, 0x44, 0x53, 0x42, 0x55, 0x46, 0x01}};
const IID IID_IDirectSound3DBuffer = {0x5e2a0002, 0x7a11, 0x4c0e, {0x9b, 0x20, 0x44, 0x53, 0x33, 0x44, 0x42, 0x02}};
const IID IID_IDirectSound3DListener = {0x5e2a0003, 0x7a11, 0x4c0e, {0x9b, 0x20, 0x44, 0x53, 0x33, 0x44, 0x4c, 0x03}};
const GUID DS3DALG_DEFAULT = GUID_NULL;
const GUID DS3DALG_HRTF_FULL = {0x5e2a0010, 0x7a11, 0x4c0e, {0x9b, 0x20, 0x48, 0x52, 0x54, 0x46, 0x46, 0x10}};
const GUID DS3DALG_HRTF_LIGHT = {0x5e2a0011, 0x7a11, 0x4c0e, {0x9b, 0x20, 0x48, 0x52, 0x54, 0x46, 0x4c, 0x11}};

namespace {
int64_t NowMicroseconds() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

class SoundBuffer;
std::unordered_set<const SoundBuffer*>& LiveBuffers() {
    static auto* live = new std::unordered_set<const SoundBuffer*>;
    return *live;
}
size_t gLiveDevices = 0;

// One buffer object answers as the buffer and, when made with DSBCAPS_CTRL3D, as its 3D buffer
// (secondary) or the listener (primary); the interfaces share one reference count.
class SoundBuffer final : public IDirectSoundBuffer, public IDirectSound3DBuffer, public IDirectSound3DListener {
public:
    SoundBuffer(const DSBUFFERDESC& description) {
        mState.flags = description.dwFlags;
        mState.size = description.dwBufferBytes;
        mState.algorithm = description.guid3DAlgorithm;
        if (description.lpwfxFormat) mState.format = *description.lpwfxFormat;
        mState.frequency = mState.format.nSamplesPerSec;
        mState.bytes.assign(mState.size, DirectSoundStandIn::kUnwrittenByte);
        mState.parameters3D = DS3DBUFFER{64, {0, 0, 0}, {0, 0, 0}, 360, 360, {0, 0, 1}, 0, 1.0f, 1.0e9f, DS3DMODE_NORMAL};
        mState.listener = DS3DLISTENER{64, {0, 0, 0}, {0, 0, 0}, {0, 0, 1}, {0, 1, 0}, 1.0f, 1.0f, 1.0f};
        LiveBuffers().insert(this);
    }
    ~SoundBuffer() { LiveBuffers().erase(this); }

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        const char* name = iid == IID_IDirectSound3DBuffer     ? "IDirectSound3DBuffer"
                           : iid == IID_IDirectSound3DListener ? "IDirectSound3DListener"
                                                               : "IDirectSoundBuffer";
        HRESULT result = E_NOINTERFACE;
        if (auto failure = PlatformFaults::Take("IDirectSoundBuffer::QueryInterface")) {
            result = *failure;
        } else if (iid == IID_IUnknown || iid == IID_IDirectSoundBuffer) {
            *object = static_cast<IDirectSoundBuffer*>(this);
            result = S_OK;
        } else if (iid == IID_IDirectSound3DBuffer && Has3D() && !IsPrimary()) {
            *object = static_cast<IDirectSound3DBuffer*>(this);
            result = S_OK;
        } else if (iid == IID_IDirectSound3DListener && Has3D() && IsPrimary()) {
            *object = static_cast<IDirectSound3DListener*>(this);
            result = S_OK;
        }
        if (result == S_OK) AddRef();
        return AppendCall(mState.calls, result, "QueryInterface(%s)", name);
    }
    ULONG AddRef() override { return ++mReferences; }
    ULONG Release() override {
        ULONG left = --mReferences;
        if (left == 0) delete this;
        return left;
    }

    HRESULT GetFrequency(DWORD* frequency) override {
        HRESULT result = Check("IDirectSoundBuffer::GetFrequency", DSBCAPS_CTRLFREQUENCY, frequency != nullptr);
        if (result == DS_OK) *frequency = mState.frequency;
        return AppendCall(mState.calls, result, "GetFrequency()");
    }

    HRESULT GetStatus(DWORD* status) override {
        HRESULT result = Check("IDirectSoundBuffer::GetStatus", 0, status != nullptr);
        if (result == DS_OK) {
            Settle();
            *status = (mState.playing ? DSBSTATUS_PLAYING : 0) | (mState.looping && mState.playing ? DSBSTATUS_LOOPING : 0) |
                      (mState.lost ? DSBSTATUS_BUFFERLOST : 0);
        }
        return AppendCall(mState.calls, result, "GetStatus()");
    }

    HRESULT Lock(DWORD offset, DWORD bytes, void** region1, DWORD* length1, void** region2, DWORD* length2,
                 DWORD flags) override {
        HRESULT result = Check("IDirectSoundBuffer::Lock", 0, region1 && length1);
        if (flags & DSBLOCK_ENTIREBUFFER) {
            offset = 0;
            bytes = mState.size;
        }
        if (result == DS_OK && IsPrimary()) result = DSERR_INVALIDCALL;
        if (result == DS_OK && mLocked) result = DSERR_INVALIDCALL;
        if (result == DS_OK && mState.lost) result = DSERR_BUFFERLOST;
        if (result == DS_OK && (bytes == 0 || bytes > mState.size || offset >= mState.size)) result = DSERR_INVALIDPARAM;
        DWORD first = result == DS_OK ? std::min<DWORD>(bytes, mState.size - offset) : 0;
        if (result == DS_OK && first < bytes && !(region2 && length2)) result = DSERR_INVALIDPARAM;
        if (result == DS_OK) {
            *region1 = mState.bytes.data() + offset;
            *length1 = first;
            if (region2 && length2) {
                *region2 = first < bytes ? mState.bytes.data() : nullptr;
                *length2 = bytes - first;
            }
            mLocked = true;
            mLockRegion1 = *region1;
            mLockRegion2 = first < bytes ? mState.bytes.data() : nullptr;
        }
        return AppendCall(mState.calls, result, "Lock(%u,%u,%u)", offset, bytes, flags);
    }

    HRESULT Unlock(void* region1, DWORD length1, void* region2, DWORD length2) override {
        HRESULT result = Check("IDirectSoundBuffer::Unlock", 0, true);
        if (result == DS_OK && (!mLocked || region1 != mLockRegion1 || (region2 && region2 != mLockRegion2))) {
            result = DSERR_INVALIDPARAM;
        }
        if (result == DS_OK) mLocked = false;
        return AppendCall(mState.calls, result, "Unlock(%u,%u)", length1, length2);
    }

    HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) override {
        HRESULT result = Check("IDirectSoundBuffer::Play", 0, reserved == 0 && (flags & ~DSBPLAY_LOOPING) == 0);
        if (result == DS_OK && priority != 0 && !(mState.flags & DSBCAPS_LOCDEFER)) result = DSERR_INVALIDPARAM;
        if (result == DS_OK && mState.lost) result = DSERR_BUFFERLOST;
        if (result == DS_OK && IsPrimary() && !(flags & DSBPLAY_LOOPING)) result = DSERR_INVALIDPARAM;
        if (result == DS_OK) {
            Settle();
            mState.playing = true;
            mState.looping = (flags & DSBPLAY_LOOPING) != 0;
            Anchor();
        }
        return AppendCall(mState.calls, result, "Play(%u,%u,%u)", reserved, priority, flags);
    }

    HRESULT SetCurrentPosition(DWORD position) override {
        HRESULT result = Check("IDirectSoundBuffer::SetCurrentPosition", 0, position < mState.size);
        if (result == DS_OK && IsPrimary()) result = DSERR_INVALIDCALL;
        if (result == DS_OK) {
            Settle();
            DWORD align = BlockAlign();
            mState.position = position - position % align;
            Anchor();
        }
        return AppendCall(mState.calls, result, "SetCurrentPosition(%u)", position);
    }

    HRESULT SetVolume(LONG volume) override {
        HRESULT result = Check("IDirectSoundBuffer::SetVolume", DSBCAPS_CTRLVOLUME,
                               volume >= DSBVOLUME_MIN && volume <= DSBVOLUME_MAX);
        if (result == DS_OK) mState.volume = volume;
        return AppendCall(mState.calls, result, "SetVolume(%d)", volume);
    }

    HRESULT SetFrequency(DWORD frequency) override {
        bool valid = frequency == DSBFREQUENCY_ORIGINAL || (frequency >= DSBFREQUENCY_MIN && frequency <= DSBFREQUENCY_MAX);
        HRESULT result = Check("IDirectSoundBuffer::SetFrequency", DSBCAPS_CTRLFREQUENCY, valid);
        if (result == DS_OK && IsPrimary()) result = DSERR_INVALIDCALL;
        if (result == DS_OK) {
            Settle();
            mState.frequency = frequency == DSBFREQUENCY_ORIGINAL ? mState.format.nSamplesPerSec : frequency;
            Anchor();
        }
        return AppendCall(mState.calls, result, "SetFrequency(%u)", frequency);
    }

    HRESULT Stop() override {
        HRESULT result = Check("IDirectSoundBuffer::Stop", 0, true);
        if (result == DS_OK) {
            Settle();
            mState.playing = false;
        }
        return AppendCall(mState.calls, result, "Stop()");
    }

    HRESULT Restore() override {
        HRESULT result = Check("IDirectSoundBuffer::Restore", 0, true);
        if (result == DS_OK) mState.lost = false;
        return AppendCall(mState.calls, result, "Restore()");
    }

    HRESULT GetAllParameters(DS3DBUFFER* parameters) override {
        HRESULT result = Check("IDirectSound3DBuffer::GetAllParameters", 0, parameters && parameters->dwSize == 64);
        if (result == DS_OK) *parameters = mState.parameters3D;
        return AppendCall(mState.calls, result, "GetAllParameters3D()");
    }

    HRESULT SetAllParameters(const DS3DBUFFER* p, DWORD apply) override {
        bool valid = p && p->dwSize == 64 && apply == DS3D_IMMEDIATE && p->dwMode <= DS3DMODE_DISABLE &&
                     p->dwInsideConeAngle <= 360 && p->dwOutsideConeAngle <= 360 &&
                     p->dwInsideConeAngle <= p->dwOutsideConeAngle && p->lConeOutsideVolume >= DSBVOLUME_MIN &&
                     p->lConeOutsideVolume <= DSBVOLUME_MAX && IsFinite(p->vPosition) && IsFinite(p->vVelocity) &&
                     IsFinite(p->vConeOrientation) && std::isfinite(p->flMinDistance) &&
                     std::isfinite(p->flMaxDistance) && p->flMinDistance > 0 && p->flMaxDistance > 0;
        HRESULT result = Check("IDirectSound3DBuffer::SetAllParameters", 0, valid);
        if (result == DS_OK) mState.parameters3D = *p;
        if (p) {
            return AppendCall(mState.calls, result, "SetAllParameters3D(pos %g %g %g, vel %g %g %g, dist %g %g, mode %u)", p->vPosition.x,
                       p->vPosition.y, p->vPosition.z, p->vVelocity.x, p->vVelocity.y, p->vVelocity.z,
                       p->flMinDistance, p->flMaxDistance, p->dwMode);
        }
        return AppendCall(mState.calls, result, "SetAllParameters3D(null)");
    }

    HRESULT GetAllParameters(DS3DLISTENER* parameters) override {
        HRESULT result = Check("IDirectSound3DListener::GetAllParameters", 0, parameters && parameters->dwSize == 64);
        if (result == DS_OK) *parameters = mState.listener;
        return AppendCall(mState.calls, result, "GetAllParametersListener()");
    }

    HRESULT SetAllParameters(const DS3DLISTENER* p, DWORD apply) override {
        bool valid = p && p->dwSize == 64 && apply == DS3D_IMMEDIATE && IsFinite(p->vPosition) && IsFinite(p->vVelocity) &&
                     IsFinite(p->vOrientFront) && IsFinite(p->vOrientTop) && std::isfinite(p->flDistanceFactor) &&
                     p->flDistanceFactor > 0 && p->flRolloffFactor >= 0 && p->flRolloffFactor <= 10 &&
                     p->flDopplerFactor >= 0 && p->flDopplerFactor <= 10;
        HRESULT result = Check("IDirectSound3DListener::SetAllParameters", 0, valid);
        if (result == DS_OK) mState.listener = *p;
        if (p) {
            return AppendCall(mState.calls, result, "SetAllParametersListener(pos %g %g %g, vel %g %g %g, front %g %g %g, top %g %g %g)",
                       p->vPosition.x, p->vPosition.y, p->vPosition.z, p->vVelocity.x, p->vVelocity.y, p->vVelocity.z,
                       p->vOrientFront.x, p->vOrientFront.y, p->vOrientFront.z, p->vOrientTop.x, p->vOrientTop.y,
                       p->vOrientTop.z);
        }
        return AppendCall(mState.calls, result, "SetAllParametersListener(null)");
    }

    DirectSoundStandIn::BufferState Inspect() {
        Settle();
        return mState;
    }

    void Lose() {
        Settle();
        mState.playing = false;
        mState.lost = true;
        std::fill(mState.bytes.begin(), mState.bytes.end(), DirectSoundStandIn::kLostByte);
    }

private:
    bool IsPrimary() const { return (mState.flags & DSBCAPS_PRIMARYBUFFER) != 0; }
    bool Has3D() const { return (mState.flags & DSBCAPS_CTRL3D) != 0; }
    DWORD BlockAlign() const { return mState.format.nBlockAlign ? mState.format.nBlockAlign : 1; }

    // An armed failure first, then the control the call needs, then its arguments.
    HRESULT Check(const char* call, DWORD control, bool argumentsValid) {
        if (auto failure = PlatformFaults::Take(call)) return *failure;
        if (control && !(mState.flags & control)) return DSERR_CONTROLUNAVAIL;
        return argumentsValid ? DS_OK : DSERR_INVALIDPARAM;
    }

    // The play position follows the clock from the last change: bytes per second are the frequency
    // times the block size. A buffer played once stops at its end and goes back to 0.
    void Settle() {
        if (!mState.playing || mState.size == 0) return;
        int64_t elapsed = NowMicroseconds() - mAnchorTime;
        if (elapsed <= 0) return;
        uint64_t perSecond = static_cast<uint64_t>(mState.frequency) * BlockAlign();
        uint64_t advanced = static_cast<uint64_t>(elapsed) * perSecond / 1000000u;
        advanced -= advanced % BlockAlign();
        uint64_t reached = mAnchorPosition + advanced;
        if (mState.looping) {
            mState.position = static_cast<DWORD>(reached % mState.size);
        } else if (reached >= mState.size) {
            mState.playing = false;
            mState.position = 0;
        } else {
            mState.position = static_cast<DWORD>(reached);
        }
    }

    void Anchor() {
        mAnchorTime = NowMicroseconds();
        mAnchorPosition = mState.position;
    }

    ULONG mReferences = 1;
    DirectSoundStandIn::BufferState mState;
    int64_t mAnchorTime = 0;      // clock of the last change of play state, microseconds
    uint64_t mAnchorPosition = 0;  // play position at that time
    bool mLocked = false;
    void* mLockRegion1 = nullptr;
    void* mLockRegion2 = nullptr;
};

bool ValidSecondaryFormat(const WAVEFORMATEX& f) {
    if (f.wFormatTag != WAVE_FORMAT_PCM) return false;
    if (f.nChannels < 1 || f.nChannels > 2 || (f.wBitsPerSample != 8 && f.wBitsPerSample != 16)) return false;
    if (f.nBlockAlign != f.nChannels * f.wBitsPerSample / 8) return false;
    if (f.nSamplesPerSec < DSBFREQUENCY_MIN || f.nSamplesPerSec > DSBFREQUENCY_MAX) return false;
    return f.nAvgBytesPerSec == f.nSamplesPerSec * f.nBlockAlign;
}

bool KnownAlgorithm(const GUID& g) { return g == DS3DALG_DEFAULT || g == DS3DALG_HRTF_FULL || g == DS3DALG_HRTF_LIGHT; }

class SoundDevice final : public IDirectSound {
public:
    SoundDevice() { ++gLiveDevices; }
    ~SoundDevice() { --gLiveDevices; }

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!(iid == IID_IUnknown)) return E_NOINTERFACE;
        *object = static_cast<IDirectSound*>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++mReferences; }
    ULONG Release() override {
        ULONG left = --mReferences;
        if (left == 0) delete this;
        return left;
    }

    HRESULT CreateSoundBuffer(const DSBUFFERDESC* d, IDirectSoundBuffer** buffer, IUnknown* outer) override {
        if (!buffer || !d) return DSERR_INVALIDPARAM;
        *buffer = nullptr;
        if (outer) return DSERR_NOAGGREGATION;
        if (auto failure = PlatformFaults::Take("IDirectSound::CreateSoundBuffer")) return *failure;
        if (d->dwSize != DSBUFFERDESC_PLATFORM_SIZE || d->dwReserved != 0) return DSERR_INVALIDPARAM;
        if (d->dwFlags & DSBCAPS_PRIMARYBUFFER) {
            if (d->dwBufferBytes != 0 || d->lpwfxFormat || (d->dwFlags & DSBCAPS_CTRLFREQUENCY) ||
                !(d->guid3DAlgorithm == GUID_NULL)) {
                return DSERR_INVALIDPARAM;
            }
        } else {
            if (!d->lpwfxFormat) return DSERR_INVALIDPARAM;
            if (!ValidSecondaryFormat(*d->lpwfxFormat)) return DSERR_BADFORMAT;
            if (d->dwBufferBytes < DSBSIZE_MIN || d->dwBufferBytes > DSBSIZE_MAX) return DSERR_INVALIDPARAM;
            bool has3D = (d->dwFlags & DSBCAPS_CTRL3D) != 0;
            // 3D positioning needs a mono source; an algorithm means nothing without it.
            if (has3D && d->lpwfxFormat->nChannels != 1) return DSERR_INVALIDPARAM;
            if (!has3D && !(d->guid3DAlgorithm == GUID_NULL)) return DSERR_INVALIDPARAM;
            if (!KnownAlgorithm(d->guid3DAlgorithm)) return DSERR_INVALIDPARAM;
        }
        *buffer = new SoundBuffer(*d);
        return DS_OK;
    }

    HRESULT SetCooperativeLevel(HWND, DWORD level) override {
        if (auto failure = PlatformFaults::Take("IDirectSound::SetCooperativeLevel")) return *failure;
        return level >= DSSCL_NORMAL && level <= 4 ? DS_OK : DSERR_INVALIDPARAM;
    }

private:
    ULONG mReferences = 1;
};

SoundBuffer* BufferOf(IUnknown* object) { return object ? dynamic_cast<SoundBuffer*>(object) : nullptr; }
}  // namespace

HRESULT DirectSoundCreate(const GUID*, IDirectSound** directSound, IUnknown* outer) {
    if (!directSound) return DSERR_INVALIDPARAM;
    *directSound = nullptr;
    if (outer) return DSERR_NOAGGREGATION;
    if (auto failure = PlatformFaults::Take("DirectSoundCreate")) return *failure;
    *directSound = new SoundDevice();
    return DS_OK;
}

namespace DirectSoundStandIn {
BufferState Inspect(IUnknown* buffer) {
    SoundBuffer* b = BufferOf(buffer);
    return b ? b->Inspect() : BufferState{};
}

void LoseBuffer(IUnknown* buffer) {
    if (SoundBuffer* b = BufferOf(buffer)) b->Lose();
}

size_t LiveBufferCount() { return LiveBuffers().size(); }
size_t LiveDeviceCount() { return gLiveDevices; }
}  // namespace DirectSoundStandIn
