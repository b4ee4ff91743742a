#include "simulation/units/CPPlayer.h"

#include "simulation/vehicle/CPCar.h"

D3DXVECTOR3 CPPlayer::GetCarVelocity() const {
    const CPCar* car = GetCar();
    return car ? car->mVelocity : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}
