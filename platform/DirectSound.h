// DirectSound as the engine calls it: a device that makes sound buffers, secondary buffers that keep
// their bytes and play against the engine's clock, 3D buffers and the 3D listener of the primary
// buffer. Values DirectSound refuses are refused. Nothing reaches a sound card.
#pragma once

#include <string>
#include <vector>

#include "platform/Com.h"
#include "platform/D3D9Types.h"
#include "platform/WaveFormat.h"
#include "platform/WinTypes.h"

constexpr DWORD DSBCAPS_PRIMARYBUFFER = 0x01;
constexpr DWORD DSBCAPS_CTRL3D = 0x10;
constexpr DWORD DSBCAPS_CTRLFREQUENCY = 0x20;
constexpr DWORD DSBCAPS_CTRLVOLUME = 0x80;
constexpr DWORD DSBCAPS_LOCDEFER = 0x40000;

constexpr DWORD DSBPLAY_LOOPING = 0x1;
constexpr DWORD DSBSTATUS_PLAYING = 0x1;
constexpr DWORD DSBSTATUS_BUFFERLOST = 0x2;
constexpr DWORD DSBSTATUS_LOOPING = 0x4;
constexpr DWORD DSBLOCK_ENTIREBUFFER = 0x2;

constexpr LONG DSBVOLUME_MIN = -10000;  // hundredths of a decibel
constexpr LONG DSBVOLUME_MAX = 0;
constexpr DWORD DSBFREQUENCY_ORIGINAL = 0;  // back to the format's rate
constexpr DWORD DSBFREQUENCY_MIN = 100;
constexpr DWORD DSBFREQUENCY_MAX = 200000;
constexpr DWORD DSBSIZE_MIN = 4;
constexpr DWORD DSBSIZE_MAX = 0x0FFFFFFF;

constexpr DWORD DS3DMODE_NORMAL = 0;
constexpr DWORD DS3DMODE_HEADRELATIVE = 1;
constexpr DWORD DS3DMODE_DISABLE = 2;
constexpr DWORD DS3D_IMMEDIATE = 0;

constexpr DWORD DSSCL_NORMAL = 1;
constexpr DWORD DSSCL_PRIORITY = 2;

constexpr HRESULT DS_OK = 0;
constexpr HRESULT DSERR_INVALIDPARAM = E_INVALIDARG;
constexpr HRESULT DSERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HRESULT DSERR_NOINTERFACE = E_NOINTERFACE;
constexpr HRESULT DSERR_GENERIC = E_FAIL;
constexpr HRESULT DSERR_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT DSERR_CONTROLUNAVAIL = static_cast<HRESULT>(0x8878001Eu);
constexpr HRESULT DSERR_INVALIDCALL = static_cast<HRESULT>(0x88780032u);
constexpr HRESULT DSERR_BADFORMAT = static_cast<HRESULT>(0x88780064u);
constexpr HRESULT DSERR_BUFFERLOST = static_cast<HRESULT>(0x88780096u);

// Identities of this layer's interfaces and 3D algorithms (the layer's own values).
extern const IID IID_IDirectSoundBuffer;
extern const IID IID_IDirectSound3DBuffer;
extern const IID IID_IDirectSound3DListener;
extern const GUID DS3DALG_DEFAULT;  // equal to GUID_NULL
extern const GUID DS3DALG_HRTF_FULL;
extern const GUID DS3DALG_HRTF_LIGHT;

// The description of a new buffer. dwSize must hold 36, the record's size on the 32-bit platform
// (the pointer makes it larger here).
struct DSBUFFERDESC {
    DWORD dwSize;
    DWORD dwFlags;        // DSBCAPS_*
    DWORD dwBufferBytes;  // 0 for the primary buffer
    DWORD dwReserved;
    WAVEFORMATEX* lpwfxFormat;  // null for the primary buffer
    GUID guid3DAlgorithm;
};
constexpr DWORD DSBUFFERDESC_PLATFORM_SIZE = 36;

struct DS3DBUFFER {
    DWORD dwSize;  // 64
    D3DVECTOR vPosition;
    D3DVECTOR vVelocity;
    DWORD dwInsideConeAngle;   // degrees
    DWORD dwOutsideConeAngle;  // degrees
    D3DVECTOR vConeOrientation;
    LONG lConeOutsideVolume;  // hundredths of a decibel
    float flMinDistance;
    float flMaxDistance;
    DWORD dwMode;  // DS3DMODE_*
};
static_assert(sizeof(DS3DBUFFER) == 64);

struct DS3DLISTENER {
    DWORD dwSize;  // 64
    D3DVECTOR vPosition;
    D3DVECTOR vVelocity;
    D3DVECTOR vOrientFront;
    D3DVECTOR vOrientTop;
    float flDistanceFactor;
    float flRolloffFactor;
    float flDopplerFactor;
};
static_assert(sizeof(DS3DLISTENER) == 64);

class IDirectSoundBuffer : public IUnknown {
public:
    virtual HRESULT GetFrequency(DWORD* frequency) = 0;
    virtual HRESULT GetStatus(DWORD* status) = 0;
    // One or two regions (the second when the range wraps past the end) to write into until Unlock.
    virtual HRESULT Lock(DWORD offset, DWORD bytes, void** region1, DWORD* length1, void** region2, DWORD* length2,
                         DWORD flags) = 0;
    virtual HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) = 0;
    virtual HRESULT SetCurrentPosition(DWORD position) = 0;
    virtual HRESULT SetVolume(LONG volume) = 0;
    virtual HRESULT SetFrequency(DWORD frequency) = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT Unlock(void* region1, DWORD length1, void* region2, DWORD length2) = 0;
    // Makes a lost buffer usable again; its bytes must then be written anew.
    virtual HRESULT Restore() = 0;

protected:
    ~IDirectSoundBuffer() = default;
};

class IDirectSound3DBuffer : public IUnknown {
public:
    virtual HRESULT GetAllParameters(DS3DBUFFER* parameters) = 0;
    virtual HRESULT SetAllParameters(const DS3DBUFFER* parameters, DWORD apply) = 0;

protected:
    ~IDirectSound3DBuffer() = default;
};

class IDirectSound3DListener : public IUnknown {
public:
    virtual HRESULT GetAllParameters(DS3DLISTENER* parameters) = 0;
    virtual HRESULT SetAllParameters(const DS3DLISTENER* parameters, DWORD apply) = 0;

protected:
    ~IDirectSound3DListener() = default;
};

class IDirectSound : public IUnknown {
public:
    virtual HRESULT CreateSoundBuffer(const DSBUFFERDESC* description, IDirectSoundBuffer** buffer,
                                      IUnknown* outer) = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD level) = 0;

protected:
    ~IDirectSound() = default;
};

HRESULT DirectSoundCreate(const GUID* device, IDirectSound** directSound, IUnknown* outer);

// What tests read of the stand-in, and how they make it misbehave. Every call can also be failed
// through PlatformFaults under its name ("IDirectSoundBuffer::Lock", "IDirectSound::CreateSoundBuffer").
namespace DirectSoundStandIn {
struct BufferState {
    DWORD flags = 0;
    DWORD size = 0;
    WAVEFORMATEX format{};
    GUID algorithm{};
    std::vector<BYTE> bytes;
    LONG volume = 0;
    DWORD frequency = 0;
    DWORD position = 0;  // play position in bytes
    bool playing = false;
    bool looping = false;
    bool lost = false;
    DS3DBUFFER parameters3D{};
    DS3DLISTENER listener{};
    // Every call on the buffer and its 3D or listener interface, in order, as "Name(arguments)".
    std::vector<std::string> calls;
};

// A new buffer holds this byte everywhere: the platform leaves a new buffer's contents undefined.
constexpr BYTE kUnwrittenByte = 0xCC;
// A lost buffer's bytes become this until they are written again.
constexpr BYTE kLostByte = 0xDD;

// The state of a buffer, reached through any of its interfaces.
BufferState Inspect(IUnknown* buffer);
// The buffer stops and is lost: GetStatus reports DSBSTATUS_BUFFERLOST, Play and Lock fail with
// DSERR_BUFFERLOST until Restore succeeds.
void LoseBuffer(IUnknown* buffer);
// Buffers and devices alive now.
size_t LiveBufferCount();
size_t LiveDeviceCount();
}  // namespace DirectSoundStandIn
