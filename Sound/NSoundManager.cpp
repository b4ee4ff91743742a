#include "Sound/NSoundManager.h"

#include "Sound/NSoundCache.h"
#include "Sound/PMusic.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"

CNSoundManager::CNSoundManager(CNSoundCache* cache, IDirectSound3DListener* listener)
    : mCache(cache), mListener(listener) {
    mListenerParameters.dwSize = 64;
}

CNSoundManager::~CNSoundManager() {
    if (gSoundManager == this) gSoundManager = nullptr;
}

CPSmartPtr<CNSound> CNSoundManager::LoadSound(const std::string& name, int mode, bool forceNew) {
    return mCache ? mCache->LoadSound(name, mode, forceNew) : CPSmartPtr<CNSound>();
}

void CNSoundManager::LoadSound(CPSmartPtr<CNSound>& out, const std::string& name, int mode, bool forceNew) {
    out = LoadSound(name, mode, forceNew).Get();
}

CPSmartPtr<CNSound> CNSoundManager::GetSound(const std::string& name) { return mNamedSounds[name]; }

void CNSoundManager::PlayFromStart(const std::string& name) {
    CPSmartPtr<CNSound> sound = GetSound(name);
    if (sound) sound->PlayFromStart(0);
}

template <class Change>
void CNSoundManager::Change3D(CNSound* sound, Change change) {
    if (!sound || !sound->Get3DBuffer()) return;
    DS3DBUFFER& parameters = sound->Get3DParameters();
    parameters.dwSize = 64;
    sound->Get3DBuffer()->GetAllParameters(&parameters);
    change(parameters);
    sound->Get3DBuffer()->SetAllParameters(&parameters, DS3D_IMMEDIATE);
}

template <class Change>
void CNSoundManager::ChangeListener(Change change) {
    if (!mListener) return;
    mListenerParameters.dwSize = 64;
    mListener->GetAllParameters(&mListenerParameters);
    change(mListenerParameters);
    mListener->SetAllParameters(&mListenerParameters, DS3D_IMMEDIATE);
}

void CNSoundManager::SetSoundPosition(CPSmartPtr<CNSound> sound, const D3DVECTOR& position, const D3DVECTOR& velocity) {
    Change3D(sound.Get(), [&](DS3DBUFFER& p) {
        p.vPosition = position;
        p.vVelocity = velocity;
    });
}

void CNSoundManager::SetSoundDistances(CPSmartPtr<CNSound> sound, float minimum, float maximum) {
    Change3D(sound.Get(), [&](DS3DBUFFER& p) {
        p.flMinDistance = minimum;
        p.flMaxDistance = maximum;
    });
}

void CNSoundManager::SetListenerOrientation(const D3DVECTOR& top, const D3DVECTOR& front) {
    ChangeListener([&](DS3DLISTENER& p) {
        p.vOrientFront = front;
        p.vOrientTop = top;
    });
}

void CNSoundManager::SetListenerPosition(const D3DVECTOR& position, const D3DVECTOR& velocity) {
    ChangeListener([&](DS3DLISTENER& p) {
        p.vPosition = position;
        p.vVelocity = velocity;
    });
}

void CNSoundManager::SetSoundVolume(float volume) {
    gSettings::soundVolume = volume;
    SetAllSoundsVolume(volume);
}

void CNSoundManager::SetMusicVolume(float volume) {
    gSettings::musicVolume = volume;
    if (gMusicPlayer) gMusicPlayer->SetVolume(volume);
}

void CNSoundManager::StopAllSounds() {
    for (auto& [name, sound] : mNamedSounds) {
        if (!sound) continue;
        sound->Stop();
        sound->Rewind();
    }
    if (mCache) {
        for (const CNSoundCache::Entry& entry : mCache->GetEntries()) {
            if (!entry.sound) continue;
            entry.sound->Stop();
            entry.sound->Rewind();
        }
    }
    for (CNSound* sound : gSoundList) sound->Stop();
}

void CNSoundManager::SetNamedSound(const std::string& name, CNSound* sound) { mNamedSounds[name] = sound; }

void CNSoundManager::Forget(CNSound* sound) {
    if (!sound) return;
    for (auto& [name, held] : mNamedSounds) {
        if (held.Get() == sound) held.Forget();
    }
}
