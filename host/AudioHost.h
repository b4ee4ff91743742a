// The host's part of the audio: the DirectSound device with its primary buffer and 3D listener, and the
// sounds of every WAVE file of "Data\Sounds", which the host owns. The audio globals (gSoundCache,
// gSoundManager, gMusicPlayer) are made and cleared by the engine host's service steps.
#pragma once

#include <vector>

#include "platform/DirectSound.h"
#include "platform/WinTypes.h"

class CNSound;

class AudioHost {
public:
    // COM, the device, its primary buffer and listener. Without a sound device every sound stays
    // unloaded; the rest still stands.
    void OpenDevice(HWND mainWindow);
    void CloseDevice();
    IDirectSound* GetDevice() const { return mDevice; }
    IDirectSound3DListener* GetListener() const { return mListener; }

    // Each "*.wav" of "Data\Sounds", in name order: an entry of gSoundCache under its file name and a
    // named sound of gSoundManager under the name without ".wav"; mono files become 3D sounds, the
    // others plain ones. Needs both globals.
    void LoadSounds();
    // Deletes the sounds LoadSounds made.
    void DeleteSounds();

private:

    bool mComInitialised = false;
    IDirectSound* mDevice = nullptr;
    IDirectSoundBuffer* mPrimary = nullptr;
    IDirectSound3DListener* mListener = nullptr;
    std::vector<CNSound*> mSounds;  // the sounds the host made and deletes
};
