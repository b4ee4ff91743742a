#include "Sound/NSoundCache.h"

#include "Sound/NSoundManager.h"
#include "core/ServiceGlobals.h"

CNSoundCache* gSoundCache = nullptr;

CNSoundCache::~CNSoundCache() {
    if (gSoundCache == this) gSoundCache = nullptr;
}

CPSmartPtr<CNSound> CNSoundCache::FindSound(const std::string& name) {
    for (const Entry& entry : mEntries) {
        if (entry.name == name) return entry.sound;
    }
    return CPSmartPtr<CNSound>();
}

CPSmartPtr<CNSound> CNSoundCache::LoadSound(const std::string& name, int mode, bool forceNew) {
    CPSmartPtr<CNSound> found = FindSound(name);
    if (found && !forceNew) return found;

    auto* sound = new CNSound(mDevice, "Data\\Sounds\\" + name, mode);
    if (!sound->IsLoaded()) {
        delete sound;
        return CPSmartPtr<CNSound>();
    }
    CPSmartPtr<CNSound> made(sound);
    if (mode == CNSound::kMode3D && gSoundManager) gSoundManager->SetSoundDistances(made, 3.0f, 300.0f);
    return made;
}

void CNSoundCache::AddEntry(const std::string& name, CNSound* sound) { mEntries.push_back(Entry{name, sound}); }

void CNSoundCache::Forget(CNSound* sound) {
    if (!sound) return;
    for (auto it = mEntries.begin(); it != mEntries.end();) {
        if (it->sound.Get() == sound) {
            it->sound.Forget();  // no call into a sound that is being destroyed
            it = mEntries.erase(it);
        } else {
            ++it;
        }
    }
}
