// The lightning bolt: a shot drawn as one textured strip that faces the camera, grows from its launch
// point along its direction, strikes the first race unit in its way and throws the hit effect there.
// The scripts launch it and advance it every frame; it is never a factory prototype.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "simulation/vehicle/CPShot.h"

class CPLightningShot : public CPShot {
public:
    // Parameters the list must hold: target word, speed, second value, half width, texture, effect,
    // material flags, hit effect, sound spec.
    static constexpr size_t kParamCount = 9;
    // Distance after which a bolt is spent.
    static constexpr float kReach = 20.0f;

    // What Advance reports.
    enum Result : int32_t { kSpent = -1, kHit = 0, kFlying = 1 };

    explicit CPLightningShot(const std::string& kindName) : CPShot(kindName) {}

    // A bolt cannot be cloned: always empty.
    CPSmartPtr<CPShot> Clone() override { return CPSmartPtr<CPShot>(); }
    // Advance; true while the bolt flies.
    bool Update() override;
    // Reads the nine parameters, builds the strip (a new mesh with its material, four white vertices at
    // the origin and two triangles) and reads the sound spec. False, nothing changed, for a list of fewer
    // than nine strings.
    bool SetParams(const std::vector<std::string>& params) override;
    // travelled = 0, the tail at the position; a value of 0 or more replaces the second value.
    void Launch(const D3DXVECTOR3& position, const D3DXVECTOR3& direction, float value,
                CPSmartPtr<CPGameObject> owner, intptr_t extra) override;
    // One frame of flight: kSpent once the bolt has travelled past kReach; kHit when the step meets a
    // race unit (`hit` gets the unit's controlling owner, the hit effect is thrown, the head stays);
    // otherwise the head moves on, the strip is laid from tail to head facing the camera, and kFlying.
    virtual int32_t Advance(CPSmartPtr<CPGameObject>& hit);

    float GetSpeed() const { return mSpeed; }
    float GetSecondValue() const { return mSecondValue; }
    float GetTravelled() const { return mTravelled; }
    float GetHalfWidth() const { return mHalfWidth; }
    const D3DXVECTOR3& GetTail() const { return mTail; }
    const D3DXVECTOR3& GetHead() const { return mStartPosition; }
    const std::string& GetHitEffectName() const { return mHitEffectName; }
    const std::string& GetTextureName() const { return mTextureName; }
    const std::string& GetEffectName() const { return mEffectName; }
    int32_t GetMaterialFlags() const { return mMaterialFlags; }
    bool TargetsPlayer() const { return mTargetFlag; }

private:
    float mSpeed = 0.0f;        // units per second
    float mSecondValue = 0.0f;  // kept for the scripts; nothing reads it
    float mTravelled = 0.0f;    // distance the head moved since the launch
    std::string mHitEffectName;
    std::string mTextureName;
    std::string mEffectName;
    bool mTargetFlag = false;   // false when the target word is "enemy"; nothing reads it
    int32_t mMaterialFlags = 0;
    D3DXVECTOR3 mTail;          // the launch position: the strip's fixed end
    float mHalfWidth = 0.0f;    // half the strip's width
    float mNinthValue = 0.0f;   // the sound spec read as a number; nothing reads it
};
