#include "simulation/physics/PhysKinematicBody.h"

void PhysKinematicBody::Reset() {
    ResetCommon(kKinematic);
    rotationRows = PhysRows();
    position = D3DXVECTOR4(0.0f, 0.0f, 0.0f, 1.0f);
    moved = 0;
}

void PhysKinematicBody::SetPosition(const D3DXVECTOR4& value) {
    position = value;
    UpdateWorldBox();
    moved = 1;
}

void PhysKinematicBody::SetRotation(const D3DXQUATERNION& rotation) {
    rotationRows = PhysMath::RowsFromQuaternion(rotation);
    UpdateWorldBox();
    moved = 1;
}

void PhysKinematicBody::UpdateWorldBox() {
    if (geometryCount == 0) return;
    PlaceWorldBox(rotationRows, PhysMath::Xyz(position));
}
