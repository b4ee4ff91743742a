// The sound manager (gSoundManager): the front the game uses for sound effects. It hands out the
// named sounds, places 3D sounds and the 3D listener, and sets the effect and music volumes.
#pragma once

#include <string>
#include <unordered_map>

#include "Sound/NSound.h"
#include "core/CPSmartPtr.h"
#include "platform/D3D9Types.h"
#include "platform/DirectSound.h"

class CNSoundCache;

class CNSoundManager {
public:
    // `cache` and `listener` belong to the host (the listener may be null: no 3D listener).
    CNSoundManager(CNSoundCache* cache, IDirectSound3DListener* listener);
    ~CNSoundManager();
    CNSoundManager(const CNSoundManager&) = delete;
    CNSoundManager& operator=(const CNSoundManager&) = delete;

    // CNSoundCache::LoadSound on the manager's cache; the second form hands the sound out in `out`.
    CPSmartPtr<CNSound> LoadSound(const std::string& name, int mode, bool forceNew);
    void LoadSound(CPSmartPtr<CNSound>& out, const std::string& name, int mode, bool forceNew);
    // The named sound, or null. A name the map does not hold is entered with no sound.
    CPSmartPtr<CNSound> GetSound(const std::string& name);
    // The named sound played from its beginning (CNSound::PlayFromStart); nothing for a name without one.
    void PlayFromStart(const std::string& name);

    // 3D placement of one sound; a null or plain sound is left as it is.
    void SetSoundPosition(CPSmartPtr<CNSound> sound, const D3DVECTOR& position, const D3DVECTOR& velocity);
    void SetSoundDistances(CPSmartPtr<CNSound> sound, float minimum, float maximum);
    // Note the order: top first, then front.
    void SetListenerOrientation(const D3DVECTOR& top, const D3DVECTOR& front);
    void SetListenerPosition(const D3DVECTOR& position, const D3DVECTOR& velocity);

    // The setting "soundVolume" = volume, then SetAllSoundsVolume(volume).
    void SetSoundVolume(float volume);
    // The setting "musicVolume" = volume, then the music player takes it.
    void SetMusicVolume(float volume);

    // Stops and rewinds every named sound and every sound of the cache's entries, then stops every
    // sound of gSoundList (the level's end and the scripts' StopSounds).
    void StopAllSounds();

    // For the host: names a sound (its owner stays the host).
    void SetNamedSound(const std::string& name, CNSound* sound);
    const std::unordered_map<std::string, CPSmartPtr<CNSound>>& GetNamedSounds() const { return mNamedSounds; }
    CNSoundCache* GetCache() const { return mCache; }
    // The listener record as last read or written.
    const DS3DLISTENER& GetListenerParameters() const { return mListenerParameters; }
    // A sound being destroyed leaves the named sounds (its names stay, with no sound).
    void Forget(CNSound* sound);

private:
    // Reads the listener record, lets `change` edit it and writes it back at once.
    template <class Change>
    void ChangeListener(Change change);
    template <class Change>
    void Change3D(CNSound* sound, Change change);

    CNSoundCache* mCache;                    // the same object as gSoundCache
    IDirectSound3DListener* mListener;       // not owned; null: no listener
    DS3DLISTENER mListenerParameters{};      // dwSize 64
    std::unordered_map<std::string, CPSmartPtr<CNSound>> mNamedSounds;  // exact, case-sensitive names
};
