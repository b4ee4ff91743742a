// One named emitter of the effect spawner's table: what a particle system step emits for it (the effect
// to launch, the cone and box the start velocity and offset are drawn from, the values handed on).
#pragma once

#include <cstdint>
#include <string>

#include "platform/D3DX9Math.h"

struct CPEmitterRecord {
    float Life = 0.0f;  // seconds
    float Param = 0.0f;
    D3DXVECTOR3 Direction{0.0f, 0.0f, 1.0f};  // cone axis in the holder's frame; normalised when copied
    float Speed = 0.0f;                       // length of the start velocity
    D3DXVECTOR3 Acceleration{0.0f, 0.0f, 0.0f};  // handed on unrotated
    float Size = 0.0f;
    uint8_t Flag = 0;
    std::string EffectName;  // key of the spawner's effect map
    // Full opening angle of the cone in whole degrees; 0: exactly along Direction; otherwise at least 2
    // (the draw is taken modulo half the angle, so 1 would divide by zero).
    int32_t ConeAngle = 0;
    D3DXVECTOR3 Spread{0.0f, 0.0f, 0.0f};  // half extents of the box the start offset is drawn from

    // Whether the record can be emitted from: the cone angle is 0 or at least 2.
    bool IsValid() const { return ConeAngle == 0 || ConeAngle >= 2; }
};
