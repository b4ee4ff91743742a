// One sound effect: a RIFF WAVE file copied whole into a DirectSound secondary buffer, plain or 3D.
// The sound keeps its wave file open so that a lost buffer can be filled again, and applies the
// effect volume through the volume curve. Every loaded sound is listed in gSoundList.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>

#include "Sound/NWaveFile.h"
#include "core/CPRefObject.h"
#include "platform/DirectSound.h"

class CNSound : public CPRefObject {
public:
    static constexpr int kModePlain = 0;
    static constexpr int kMode3D = 1;

    // Loads the file into a new buffer on the device. A file that cannot be read, or a buffer the
    // device refuses, leaves the sound unloaded: no buffer, not listed, every operation does nothing.
    CNSound(IDirectSound* device, const std::string& path, int mode);
    // Releases the buffers without stopping them and leaves gSoundList, the sound cache and the
    // sound manager's named sounds.
    ~CNSound() override;

    size_t GetSize() const override { return sizeof(CNSound); }
    std::string GetClassName() const override { return "CNSound_" + mPath; }

    // Copies the wave data into the whole buffer; what the file lacks becomes silence.
    void FillBuffer();
    // True when the buffer was lost and is usable again (its bytes must then be filled anew).
    bool RestoreBuffer();
    // Plays from the current position at the sound's own frequency (undoing SetPitch); flags
    // DSBPLAY_LOOPING loops. A lost buffer is restored, refilled and rewound first.
    HRESULT Play(DWORD priority, DWORD flags);
    // Stops; the position stays where it stopped.
    HRESULT Stop();
    HRESULT Rewind();
    bool IsPlaying();
    // Plays from the beginning: a sound still playing is stopped and rewound first; a stopped one plays
    // on from where it stopped.
    HRESULT PlayFromStart(DWORD flags);
    // Playback frequency = the sound's own frequency * factor. A frequency DirectSound refuses (or
    // one no frequency can hold) leaves the current one.
    HRESULT SetPitch(float factor);
    // The buffer volume from gSoundVolume through the volume curve.
    HRESULT ApplyVolume();
    // The buffer volume from `volume` through the volume curve; the volume is not kept.
    HRESULT SetVolume(float volume);

    bool IsLoaded() const { return mLoaded; }
    int GetMode() const { return mMode; }
    const std::string& GetPath() const { return mPath; }
    DWORD GetFrequency() const { return mFrequency; }
    DWORD GetBufferSize() const { return mBufferSize; }
    IDirectSoundBuffer* GetBuffer() const { return mBuffer; }
    // Null for a plain sound.
    IDirectSound3DBuffer* Get3DBuffer() const { return m3DBuffer; }
    // The last 3D parameters read from or written to the 3D buffer.
    DS3DBUFFER& Get3DParameters() { return m3DParameters; }
    int32_t GetFrameStamp() const { return mFrameStamp; }
    void SetFrameStamp(int32_t frame) { mFrameStamp = frame; }

private:
    enum class RestoreResult { NotLost, Restored, StillLost };
    RestoreResult TryRestore();
    // The buffer volume through the curve; a refusal is reported with that line.
    HRESULT SetCurveVolume(float volume, int reportLine);

    IDirectSoundBuffer* mBuffer = nullptr;  // null when creation failed
    DWORD mBufferSize = 0;                  // bytes; the wave file's data size
    std::unique_ptr<CNWaveFile> mWaveFile;  // open for reading for the sound's whole life
    int mMode = kModePlain;                 // kMode3D or kModePlain
    DWORD mFrequency = 0;                   // Hz read back after the first fill; Play and SetPitch start from it
    std::string mPath;
    bool mLoaded = false;                      // buffer made, filled and the sound listed
    IDirectSound3DBuffer* m3DBuffer = nullptr;  // null for plain sounds
    DS3DBUFFER m3DParameters{};                 // dwSize 64 for a 3D sound
    int32_t mFrameStamp = -1;                   // frame of the last shot that played it; -1: none
};

// Every loaded sound, in order of creation (plain pointers: the list owns nothing).
extern std::list<CNSound*> gSoundList;
// The effect volume, 0 .. 1; it starts at 0 and changes only through SetAllSoundsVolume.
extern float gSoundVolume;

// gSoundVolume = volume, then ApplyVolume on every sound of gSoundList, in list order.
void SetAllSoundsVolume(float volume);
