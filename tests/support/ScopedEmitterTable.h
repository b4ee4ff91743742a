// Installs a fresh effect spawner as gEmitterTable for one test and restores the previous one after,
// deleting the test's spawner with every effect and flame prototype handed to it.
#pragma once

#include <string>

#include "Render/PEffectSpawner.h"
#include "support/RecordingEffect.h"
#include "support/ScopedGlobal.h"

class ScopedEmitterTable {
public:
    ScopedEmitterTable() = default;
    // The spawner goes while it is still installed; the guard then restores the previous one.
    ~ScopedEmitterTable() { delete mSpawner; }
    ScopedEmitterTable(const ScopedEmitterTable&) = delete;
    ScopedEmitterTable& operator=(const ScopedEmitterTable&) = delete;

    CPEffectSpawner& operator*() const { return *mSpawner; }
    CPEffectSpawner* operator->() const { return mSpawner; }
    CPEffectSpawner* Get() const { return mSpawner; }

    // A recording effect entered under `name`, owned by the spawner.
    RecordingEffect* AddRecordingEffect(const std::string& name, bool activeOnLaunch = false) {
        auto* effect = new RecordingEffect(activeOnLaunch);
        mSpawner->AddEffect(name, effect);
        return effect;
    }

    // An emitter record that launches `effectName` along +Z with no spread or cone.
    static CPEmitterRecord Emitter(const std::string& effectName, float speed = 1.0f) {
        CPEmitterRecord record;
        record.EffectName = effectName;
        record.Speed = speed;
        return record;
    }

private:
    CPEffectSpawner* mSpawner = new CPEffectSpawner;
    ScopedGlobal<CPEffectSpawner*> mInstall{gEmitterTable, mSpawner};
};
