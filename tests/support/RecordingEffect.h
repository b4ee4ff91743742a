// An effect for tests of the spawner and of particle systems: keeps a copy of every launch it receives
// (the block's values and its chain as seen during the call) and counts its resets.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Render/PSpawnedEffect.h"
#include "core/CPGameObject.h"

class RecordingEffect : public CPSpawnedEffect {
public:
    struct Seen {
        D3DXVECTOR3 position, velocity, zeroVector, acceleration;
        float param = 0, size = 0, life = 0, yaw = 0;
        int32_t zero = 0;
        uint8_t flag = 0, flag2 = 0;
        std::vector<const CPEffectRecord*> chain;  // addresses of the block's chain records
        std::vector<std::string> chainNames;
        std::vector<D3DXVECTOR3> chainPositions;
        std::vector<D3DXVECTOR3> chainVelocities;
        CPGameObject* owner = nullptr;
        int32_t ownerCount = 0;  // the owner's reference count during the call
        CPContactHook hook = nullptr;
    };

    // `activeOnLaunch`: the effect sets its active flag when launched, as a running effect would.
    explicit RecordingEffect(bool activeOnLaunch = false) : mActiveOnLaunch(activeOnLaunch) {}

    size_t GetSize() const override { return sizeof(RecordingEffect); }
    std::string GetClassName() const override { return "RecordingEffect"; }

    void Launch(const CPEffectLaunch& launch) override {
        Seen seen;
        seen.position = launch.Position;
        seen.velocity = launch.Velocity;
        seen.zeroVector = launch.ZeroVector;
        seen.acceleration = launch.Acceleration;
        seen.param = launch.Param;
        seen.size = launch.Size;
        seen.life = launch.Life;
        seen.yaw = launch.Yaw;
        seen.zero = launch.Zero;
        seen.flag = launch.Flag;
        seen.flag2 = launch.Flag2;
        for (const CPEffectRecord* record = launch.Next; record; record = record->Next) {
            seen.chain.push_back(record);
            seen.chainNames.push_back(record->Name);
            seen.chainPositions.push_back(record->Position);
            seen.chainVelocities.push_back(record->Velocity);
        }
        seen.owner = launch.Owner.Get();
        seen.ownerCount = seen.owner ? seen.owner->GetRefCount() : 0;
        seen.hook = launch.ContactHook;
        launches.push_back(seen);
        if (mActiveOnLaunch) SetActive(true);
        if (onLaunch) onLaunch();
    }
    void Reset() override {
        ++resets;
        SetActive(false);
        if (onReset) onReset();
    }

    std::vector<Seen> launches;
    int resets = 0;
    std::function<void()> onLaunch;  // runs at the end of each launch
    std::function<void()> onReset;   // runs at the end of each reset

private:
    bool mActiveOnLaunch;
};
