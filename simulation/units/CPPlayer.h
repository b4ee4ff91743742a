// A race unit: the game object named "PLAYER" that the level makes for the player and for every enemy.
// It carries the unit's car.
#pragma once

#include "core/CPGameObject.h"
#include "platform/D3DX9Math.h"

class CPCar;

class CPPlayer : public CPGameObject {
public:
    CPPlayer() : CPGameObject("PLAYER") {}

    // The unit's car as a plain pointer, no reference taken; null when the unit has none.
    CPCar* GetCar() const { return CarObject(); }
    // The car's cached velocity; zero when the unit has no car.
    D3DXVECTOR3 GetCarVelocity() const;
};
