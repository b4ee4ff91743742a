#include "Render/PSpawnedEffect.h"

#include "Render/PEffectSpawner.h"
#include "core/CPGameObject.h"

CPEffectLaunch::CPEffectLaunch() = default;

CPEffectLaunch::~CPEffectLaunch() {
    if (Next) Next->Delete(1);
    Next = nullptr;
    ReleaseIfAlive(Owner);
}

CPSpawnedEffect::~CPSpawnedEffect() {
    if (mSpawner) mSpawner->Forget(this);
}
