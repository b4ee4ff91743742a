// The effect objects the spawner launches by name (sparks, smoke, debris, shell casings, tracers), and
// the block a launch hands them. What an effect draws and how it moves is its own class's business.
#pragma once

#include <cstdint>

#include "Render/PEffectRecord.h"
#include "core/CPRefObject.h"
#include "core/CPSmartPtr.h"
#include "platform/D3DX9Math.h"

class CPEffectSpawner;
class CPGameObject;

// What CPSpawnedEffect::Launch receives: the record's values, a copy of its chain and its owner. Read
// during the call only: an effect that wants the chain copies it.
struct CPEffectLaunch {
    D3DXVECTOR3 Position{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 ReservedVector{0.0f, 0.0f, 0.0f};  // never set by the spawner; effects read nothing here
    D3DXVECTOR3 Velocity{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 ZeroVector{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 Acceleration{0.0f, 0.0f, 0.0f};
    float Param = 0.0f;
    float Size = 0.0f;
    int32_t Zero = 0;
    float Life = 0.0f;  // seconds
    uint8_t Flag = 0;
    int32_t Reserved = 0;  // never set by the spawner; effects read nothing here
    float Yaw = 0.0f;      // radians, a random whole degree for "derbis", else 0
    uint8_t Flag2 = 0;
    CPEffectRecord* Next = nullptr;  // owned copy of the record's chain, or null
    CPContactHook ContactHook = nullptr;
    CPSmartPtr<CPGameObject> Owner;

    CPEffectLaunch();
    // Deletes the chain copy and lets go of the owner.
    ~CPEffectLaunch();
    CPEffectLaunch(const CPEffectLaunch&) = delete;
    CPEffectLaunch& operator=(const CPEffectLaunch&) = delete;
};

class CPSpawnedEffect : public CPRefObject {
public:
    CPSpawnedEffect() = default;
    // Leaves the spawner that holds it (its name entries and its active list).
    ~CPSpawnedEffect() override;

    // Starts the effect with the block's values.
    virtual void Launch(const CPEffectLaunch& launch) = 0;
    // Back to the idle state: a level stop ends every effect this way.
    virtual void Reset() = 0;

    // Set while the effect runs; the effect keeps it. The spawner lists an effect launched while clear.
    bool IsActive() const { return mActive; }

protected:
    void SetActive(bool active) { mActive = active; }

private:
    friend class CPEffectSpawner;

    bool mActive = false;
    CPEffectSpawner* mSpawner = nullptr;  // the spawner holding it; not owned, cleared when it dies
};
