// The physical data of one game object: its shapes and its rigid or kinematic body. The scene object
// moves the body with it through the two calls below.
#pragma once

#include "core/CPRefObject.h"
#include "platform/D3DX9Math.h"

class CPPhysicData : public CPRefObject {
public:
    // Moves the kinematic body when there is one, else the rigid body; nothing without a body.
    virtual void SetPosition(const D3DXVECTOR3& position) = 0;
    // Turns the kinematic body when there is one, else the rigid body; nothing without a body.
    virtual void SetRotation(const D3DXQUATERNION& rotation) = 0;
};
