// The effect spawner behind gEmitterTable: the game's effect objects by name, the effects launched since
// the last level stop, the emitter records particle systems copy, and the flame particle systems game
// objects clone. The host makes it and fills its tables; the engine launches and resets effects.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>
#include <vector>

#include "Render/PEffectRecord.h"
#include "Render/PEmitterRecord.h"
#include "Render/PSpawnedEffect.h"
#include "core/CPRefObject.h"
#include "core/CPSmartPtr.h"

class CPParticleSystem;

class CPEffectSpawner : public CPRefObject {
public:
    CPEffectSpawner() = default;
    // Deletes the effects and flame prototypes it was given (each once). Invalidates every pointer to them.
    ~CPEffectSpawner() override;

    size_t GetSize() const override { return sizeof(CPEffectSpawner); }
    std::string GetClassName() const override { return "CPEffectSpawner"; }

    // Launches the effect the record names with a block built from the record (see the .cpp); an
    // unknown name launches nothing. The record is left as it was.
    void SpawnEffect(const CPEffectRecord& record);
    // Resets every effect, then lets go of the active list.
    void ResetAllEffects();

    // --- filling, the host's part
    // Hands the effect to the spawner, which owns it from then on, under `name`. Refused (false, the
    // caller keeps the effect) for a null effect or a name already taken. One effect may take several names.
    bool AddEffect(const std::string& name, CPSpawnedEffect* effect);
    // Enters or replaces the emitter of that name. Refused (false, nothing changes) for a record that
    // cannot be emitted from (CPEmitterRecord::IsValid).
    bool SetEmitter(const std::string& name, const CPEmitterRecord& record);
    // Appends a flame prototype, owned by the spawner from then on; returns its flame type (index), or
    // -1 for a null system.
    int32_t AddFlamePrototype(CPParticleSystem* system);

    // --- reading
    // The effect of that name; null when none.
    CPSpawnedEffect* FindEffect(const std::string& name) const;
    // The table entry itself (particle systems normalise its direction in place); null when none.
    CPEmitterRecord* FindEmitter(const std::string& name);
    size_t GetEmitterCount() const { return mEmitters.size(); }
    // The flame prototype of a flame type; null for a type that is no index of the table.
    CPParticleSystem* GetFlamePrototype(int32_t flameType) const;
    size_t GetFlamePrototypeCount() const { return mFlamePrototypes.size(); }
    // Effects launched since the last reset, an effect once per launch that found it idle.
    const std::list<CPSmartPtr<CPSpawnedEffect>>& GetActiveEffects() const { return mActiveEffects; }

private:
    friend class CPSpawnedEffect;
    friend class CPParticleSystem;
    // Called by an effect that is being destroyed: drops its names and its active entries.
    void Forget(CPSpawnedEffect* effect);
    // Called by a particle system that is being destroyed: its prototype entries become null (the
    // flame types of the others keep their indices).
    void ForgetFlamePrototype(const CPParticleSystem* system);

    std::vector<CPParticleSystem*> mFlamePrototypes;  // indexed by flame type; owned
    std::unordered_map<std::string, CPSpawnedEffect*> mEffects;  // owned; unhook themselves when deleted
    std::list<CPSmartPtr<CPSpawnedEffect>> mActiveEffects;
    std::unordered_map<std::string, CPEmitterRecord> mEmitters;
};

// The single spawner; null until the host makes it.
extern CPEffectSpawner* gEmitterTable;
