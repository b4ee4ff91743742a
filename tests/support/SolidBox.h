// Gives a game object a solid box for ray and sphere tests: main box and one collision box of the half
// size around its origin, placed at the position, transform updated.
#pragma once

#include "core/CPGameObject.h"

inline void MakeSolidBox(CPGameObject& object, const D3DXVECTOR3& position, float half = 1.0f) {
    object.SetShadow(false);
    object.SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(half, half, half)));
    object.GetCollisionBoxes().emplace_back(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(half, half, half));
    object.SetPosition(position);
    object.UpdateTransform();
}
