// The host's part of the audio: the DirectSound device with its primary buffer and 3D listener,
// gSoundCache and gSoundManager filled with every WAVE file of "Data\Sounds", the effect volume, and
// gMusicPlayer. Shutdown takes it all down again; the host owns the sounds it made.
#pragma once

#include <vector>

#include "platform/DirectSound.h"
#include "platform/WinTypes.h"

class CNSound;

class AudioHost {
public:
    // Without a sound device every sound stays unloaded; the rest still stands.
    void Startup(HWND mainWindow);
    void Shutdown();

private:
    // Each "*.wav" of "Data\Sounds", in name order: a cache entry under its file name and a named
    // sound under the name without ".wav"; mono files become 3D sounds, the others plain ones.
    void LoadSounds();

    bool mComInitialised = false;
    IDirectSound* mDevice = nullptr;
    IDirectSoundBuffer* mPrimary = nullptr;
    IDirectSound3DListener* mListener = nullptr;
    std::vector<CNSound*> mSounds;  // the sounds the host made and deletes
};
