// The raycast-wheel vehicle of a race unit. A game object only holds it and hands it out; the chase
// camera reads its crash state, drift and roll.
#pragma once

#include "core/CPRefObject.h"
#include "platform/D3DX9Math.h"

class CPCar : public CPRefObject {
public:
    bool mCrashed = false;    // the vehicle is crashed
    float mCrashTime = 0.0f;  // seconds since the crash began
    // A smoothed measure of sideways sliding, written by the car's physics step; the chase camera turns
    // by it as an angle in radians.
    float mDrift = 0.0f;
    float mRoll = 0.0f;       // 0 once the car's body exists; the chase camera rolls by half of it
    D3DXVECTOR3 mVelocity;    // world units per second, cached by the physics step
};
