#include "Render/PEffectSpawner.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "Render/PParticleSystem.h"
#include "Render/PSpawnedEffect.h"
#include "core/CPGameObject.h"
#include "platform/RuntimeRandom.h"

CPEffectSpawner* gEmitterTable = nullptr;

namespace {
}

CPEffectSpawner::~CPEffectSpawner() {
    if (gEmitterTable == this) gEmitterTable = nullptr;
    mActiveEffects.clear();

    std::vector<CPSpawnedEffect*> effects;
    std::unordered_set<CPSpawnedEffect*> seenEffects;
    for (const auto& entry : mEffects)
        if (seenEffects.insert(entry.second).second) effects.push_back(entry.second);
    mEffects.clear();
    for (CPSpawnedEffect* effect : effects) {
        // An effect deleted by one before it could take a further one down with it.
        if (!gObjectRegistry::Contains(effect)) continue;
        effect->mSpawner = nullptr;
        delete effect;
    }

    std::vector<CPParticleSystem*> prototypes;
    prototypes.swap(mFlamePrototypes);
    std::unordered_set<CPParticleSystem*> seenPrototypes;
    for (CPParticleSystem* prototype : prototypes) {
        if (!prototype || !seenPrototypes.insert(prototype).second) continue;
        delete prototype;
    }
}

void CPEffectSpawner::SpawnEffect(const CPEffectRecord& record) {
    CPEffectLaunch launch;
    launch.Position = record.Position;
    launch.Velocity = record.Velocity;
    launch.Acceleration = record.Acceleration;
    launch.Param = record.Param;
    launch.Size = record.Size;
    launch.Life = record.Life;
    launch.Flag = record.Flag;
    launch.Flag2 = record.Flag2;
    launch.ContactHook = record.ContactHook;
    launch.Owner = record.Owner;
    // Debris pieces fall turned by a random whole degree; the name must match exactly.
    if (record.Name == "derbis") {
        const int draw = RuntimeRand();
        launch.Yaw = D3DXToRadian(static_cast<float>(draw % 360));
    }
    if (record.Next) {
        launch.Next = new CPEffectRecord;
        *launch.Next = *record.Next;
    }

    auto found = mEffects.find(record.Name);
    if (found == mEffects.end()) return;
    CPSpawnedEffect* effect = found->second;
    if (!effect->IsActive()) mActiveEffects.emplace_back(effect);
    effect->Launch(launch);
}

void CPEffectSpawner::ResetAllEffects() {
    // A reset may delete effects or launch others: walk a snapshot and skip what has left the map.
    std::vector<std::pair<std::string, CPSpawnedEffect*>> entries(mEffects.begin(), mEffects.end());
    for (const auto& [name, effect] : entries) {
        auto found = mEffects.find(name);
        if (found == mEffects.end() || found->second != effect) continue;
        effect->Reset();
    }
    mActiveEffects.clear();
}

bool CPEffectSpawner::AddEffect(const std::string& name, CPSpawnedEffect* effect) {
    if (!effect || mEffects.count(name) != 0) return false;
    if (effect->mSpawner && effect->mSpawner != this) return false;
    effect->mSpawner = this;
    mEffects.emplace(name, effect);
    return true;
}

bool CPEffectSpawner::SetEmitter(const std::string& name, const CPEmitterRecord& record) {
    if (!record.IsValid()) return false;
    mEmitters[name] = record;
    return true;
}

int32_t CPEffectSpawner::AddFlamePrototype(CPParticleSystem* system) {
    if (!system) return -1;
    mFlamePrototypes.push_back(system);
    return static_cast<int32_t>(mFlamePrototypes.size() - 1);
}

CPSpawnedEffect* CPEffectSpawner::FindEffect(const std::string& name) const {
    auto found = mEffects.find(name);
    return found == mEffects.end() ? nullptr : found->second;
}

CPEmitterRecord* CPEffectSpawner::FindEmitter(const std::string& name) {
    auto found = mEmitters.find(name);
    return found == mEmitters.end() ? nullptr : &found->second;
}

CPParticleSystem* CPEffectSpawner::GetFlamePrototype(int32_t flameType) const {
    if (flameType < 0 || static_cast<size_t>(flameType) >= mFlamePrototypes.size()) return nullptr;
    return mFlamePrototypes[static_cast<size_t>(flameType)];
}

void CPEffectSpawner::Forget(CPSpawnedEffect* effect) {
    std::erase_if(mEffects, [effect](const auto& entry) { return entry.second == effect; });
    for (auto it = mActiveEffects.begin(); it != mActiveEffects.end();) {
        if (it->Get() == effect) {
            it->Forget();
            it = mActiveEffects.erase(it);
        } else {
            ++it;
        }
    }
}

void CPEffectSpawner::ForgetFlamePrototype(const CPParticleSystem* system) {
    std::replace(mFlamePrototypes.begin(), mFlamePrototypes.end(), const_cast<CPParticleSystem*>(system),
                 static_cast<CPParticleSystem*>(nullptr));
}
