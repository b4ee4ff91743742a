// The sound cache (gSoundCache): makes sound effects from file names under "Data\Sounds" and keeps
// the shared, named sounds the host put into it.
#pragma once

#include <string>
#include <vector>

#include "Sound/NSound.h"
#include "core/CPSmartPtr.h"

class CNSoundCache {
public:
    struct Entry {
        std::string name;
        CPSmartPtr<CNSound> sound;
    };

    // `device`: the device every new sound is made on (not owned).
    explicit CNSoundCache(IDirectSound* device) : mDevice(device) {}
    ~CNSoundCache();
    CNSoundCache(const CNSoundCache&) = delete;
    CNSoundCache& operator=(const CNSoundCache&) = delete;

    // The sound of the first entry named exactly `name`, or null.
    CPSmartPtr<CNSound> FindSound(const std::string& name);
    // The shared sound of that name unless `forceNew`; otherwise a new sound from "Data\Sounds\" +
    // name (a 3D one, mode 1, gets the distances 3 .. 300). A new sound belongs to the caller and is
    // never shared. Null when the sound does not load.
    CPSmartPtr<CNSound> LoadSound(const std::string& name, int mode, bool forceNew);

    // For the host: adds a shared sound (its owner stays the host).
    void AddEntry(const std::string& name, CNSound* sound);
    const std::vector<Entry>& GetEntries() const { return mEntries; }
    IDirectSound* GetDevice() const { return mDevice; }
    // A sound being destroyed leaves the entries.
    void Forget(CNSound* sound);

private:
    std::vector<Entry> mEntries;  // in the order the host added them
    IDirectSound* mDevice;
};

// The one sound cache; set by the host, null before.
extern CNSoundCache* gSoundCache;
