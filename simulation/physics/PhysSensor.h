// A ray fixed to a body (a vehicle's wheel ray): start and direction in body space, the direction's
// length being the reach. Each step of the world casts it and leaves what it hit here.
#pragma once

#include "platform/D3DX9Math.h"
#include "simulation/physics/PhysPool.h"

class PhysBody;

struct PhysSensor {
    D3DXVECTOR4 start;          // body space
    D3DXVECTOR4 direction;      // body space; its length is the reach
    D3DXVECTOR4 unitDirection;  // (0, 0, 0) for a ray shorter than 1e-3
    float length = 0.0f;
    D3DXVECTOR4 hitNormal;      // world, of the surface hit
    D3DXVECTOR4 hitPoint;       // world
    float hitDepth = 0.0f;      // length of ray beyond the surface hit; 0 or less: nothing hit
    PhysBody* hitBody = nullptr;  // the body hit; the world body for the level, null for nothing
    PhysPoolLinks<PhysSensor> links;

    // Stores both; the unit direction is direction / length and the length |direction|, both zero when
    // |direction|^2 is below 1e-6.
    void SetRay(const D3DXVECTOR4& rayStart, const D3DXVECTOR4& rayDirection);
    const D3DXVECTOR4& GetStart() const { return start; }
    const D3DXVECTOR4& GetUnitDirection() const { return unitDirection; }
    const D3DXVECTOR4& GetHitNormal() const { return hitNormal; }
    const D3DXVECTOR4& GetHitPoint() const { return hitPoint; }
    float GetHitDepth() const { return hitDepth; }
};
