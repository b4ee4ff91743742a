// Everything the sound code needs for a test: a working folder with "Data/Sounds" and "Data/Music",
// a manual clock, a DirectSound device with a 3D listener, gSoundCache and gSoundManager, COM
// initialised, and the failure reports collected. All of it is undone when the rig goes.
#pragma once

#include <string>
#include <vector>

#include "Sound/NSoundCache.h"
#include "Sound/NSound.h"
#include "Sound/NSoundManager.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "platform/DirectSound.h"
#include "support/ManualClock.h"
#include "support/RiffWaveBuilder.h"
#include "support/ScopedGlobal.h"
#include "support/TempFolder.h"

class SoundRig {
public:
    SoundRig();
    ~SoundRig();
    SoundRig(const SoundRig&) = delete;
    SoundRig& operator=(const SoundRig&) = delete;

    IDirectSound* Device() const { return mDevice; }
    IDirectSound3DListener* Listener() const { return mListener; }
    CNSoundCache& Cache() { return *mCache; }
    CNSoundManager& Manager() { return *mManager; }

    // Writes a file under "Data/Sounds" / "Data/Music" of the working folder.
    void WriteSound(const std::string& name, const riff::Bytes& bytes);
    void WriteMusic(const std::string& name, size_t bytes);
    // The DirectX error reports made so far, as their texts.
    const std::vector<std::string>& Reports() const { return mReports; }
    // True when a report names this line of a file whose path ends with `source`.
    bool Reported(const std::string& source, int line) const;

    ManualClock clock;

private:
    ScopedWorkingFolder mWork;
    IDirectSound* mDevice = nullptr;
    IDirectSoundBuffer* mPrimary = nullptr;
    IDirectSound3DListener* mListener = nullptr;
    CNSoundCache* mCache = nullptr;
    CNSoundManager* mManager = nullptr;
    std::vector<std::string> mReports;
    ScopedGlobal<CNSoundCache*> mInstallCache{gSoundCache, nullptr};
    ScopedGlobal<CNSoundManager*> mInstallManager{gSoundManager, nullptr};
    ScopedGlobal<float> mSoundListVolume{gSoundVolume, 0.0f};
    ScopedGlobal<float> mSoundVolume{gSettings::soundVolume};
    ScopedGlobal<float> mMusicVolume{gSettings::musicVolume};
    ScopedGlobal<int32_t> mBitrate{gSettings::bitrate};
};
