#include "simulation/physics/PhysSensor.h"

#include "simulation/physics/PhysMath.h"

void PhysSensor::SetRay(const D3DXVECTOR4& rayStart, const D3DXVECTOR4& rayDirection) {
    start = rayStart;
    direction = rayDirection;
    length = PhysMath::SafeLength(PhysMath::Xyz(rayDirection));
    if (length == 0.0f) {
        unitDirection = D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f);
        return;
    }
    unitDirection = D3DXVECTOR4(rayDirection.x / length, rayDirection.y / length, rayDirection.z / length, 0.0f);
}
