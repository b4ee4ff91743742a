// A handler attached to a rigid body: on the steps its period selects the world calls it, and applies
// the force and torque it leaves here to the body.
#pragma once

#include <cstdint>

#include "platform/D3DX9Math.h"
#include "simulation/physics/PhysPool.h"

class PhysRigidBody;
class PhysStepHandler;

struct PhysController {
    // Steps between calls: 0 and 1 call on every step, n on every n-th step.
    int32_t period = 0;
    int32_t countdown = 0;  // steps left before the next call; starts at the period
    PhysStepHandler* handler = nullptr;  // not owned
    PhysRigidBody* body = nullptr;
    D3DXVECTOR4 force;   // world, applied at the body's centre
    D3DXVECTOR4 torque;  // world
    PhysPoolLinks<PhysController> links;

    void SetForce(const D3DXVECTOR4& value) { force = value; }
    void SetTorque(const D3DXVECTOR4& value) { torque = value; }
    PhysRigidBody* GetBody() const { return body; }
};
