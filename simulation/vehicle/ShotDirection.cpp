#include "simulation/vehicle/ShotDirection.h"

#include <cmath>

#include "core/Angles.h"
#include "platform/RuntimeRandom.h"

D3DXQUATERNION HorizontalAxisRotation(const D3DXVECTOR3& axis, float angle) {
    D3DXQUATERNION rotation;
    if (D3DXVec3LengthSq(&axis) > 0.0f) {
        D3DXQuaternionRotationAxis(&rotation, &axis, angle);
    } else if (std::fabs(angle) > kHalfPi) {
        const D3DXVECTOR3 up(0.0f, 0.0f, 1.0f);
        D3DXQuaternionRotationAxis(&rotation, &up, D3DX_PI);
    } else {
        D3DXQuaternionIdentity(&rotation);
    }
    return rotation;
}

D3DXQUATERNION ShotOrientation(const D3DXVECTOR3& direction) {
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, &direction);
    return HorizontalAxisRotation(D3DXVECTOR3(n.z, 0.0f, -n.x), -ClampedAcos(-n.y));
}

D3DXQUATERNION TurnUpYOnto(const D3DXVECTOR3& direction) {
    return HorizontalAxisRotation(D3DXVECTOR3(direction.z, 0.0f, -direction.x), ClampedAcos(direction.y));
}

D3DXVECTOR3 ConeDirection(const D3DXVECTOR3& direction, float cone) {
    const float r1 = RuntimeRandomFraction();
    const float r2 = RuntimeRandomFraction();
    D3DXMATRIX spread;
    D3DXMatrixRotationYawPitchRoll(&spread, kTwoPi * r1, 0.0f, cone * r2);
    D3DXMATRIX aim;
    const D3DXQUATERNION turn = TurnUpYOnto(direction);
    D3DXMatrixRotationQuaternion(&aim, &turn);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXVECTOR3 spreadUp;
    D3DXVec3TransformNormal(&spreadUp, &up, &spread);
    D3DXVECTOR3 out;
    D3DXVec3TransformNormal(&out, &spreadUp, &aim);
    return out;
}
