// A body that only the game moves: placed by its setters, never integrated. The world body, which
// stands for the level and everything static, is one as well.
#pragma once

#include <cstdint>

#include "platform/D3DX9Math.h"
#include "simulation/physics/PhysBody.h"
#include "simulation/physics/PhysPool.h"

class PhysKinematicBody : public PhysBody {
public:
    PhysRows rotationRows;
    D3DXVECTOR4 position{0.0f, 0.0f, 0.0f, 1.0f};
    int32_t moved = 0;  // set by each setter; the world clears it when it hands the body out
    PhysPoolLinks<PhysKinematicBody> links;

    PhysKinematicBody() { Reset(); }
    void Reset();

    // Stores the position; the world box follows.
    void SetPosition(const D3DXVECTOR4& value);
    // Rebuilds the rotation rows from the quaternion (not normalised); the world box follows too, so a
    // body turned after it was placed is sorted by the box it really covers.
    void SetRotation(const D3DXQUATERNION& rotation);
    const D3DXVECTOR4& GetPosition() const { return position; }
    // Only for a body with shapes: the world box of the oriented bounds at the body's place.
    void UpdateWorldBox();
};
