// The behaviour of a foot enemy, driven by its game object's animation events and damage.
#pragma once

#include "core/CPRefObject.h"
#include "platform/D3DX9Math.h"

class CPEnemyBrain : public CPRefObject {
public:
    // Picks and plays the next animation once the animated render part stopped one.
    virtual void ChooseAnimation() = 0;
    // Performs the attack when the animation's report frame is reached.
    virtual void Update() = 0;
    virtual void TakeDamage(const D3DXVECTOR3& point, const D3DXVECTOR3& direction, float amount, bool noEffect,
                            bool restricted) = 0;
};
