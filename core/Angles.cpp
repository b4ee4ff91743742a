#include "core/Angles.h"

#include <algorithm>
#include <cmath>

float ClampedAcos(float cosine) { return std::acos(std::clamp(cosine, -1.0f, 1.0f)); }

float WrapAngleHalfOpen(float angle, float turn) {
    float wrapped = std::fmod(angle, turn);
    if (wrapped < 0.0f) wrapped += turn;
    return wrapped;
}

float WrapAngleClosed(float angle, float lowest) {
    const float highest = lowest + kTwoPi;
    if (angle >= lowest && angle <= highest) return angle;
    float wrapped = std::fmod(angle, kTwoPi);
    if (wrapped > highest) wrapped -= kTwoPi;
    if (wrapped < lowest) wrapped += kTwoPi;
    return wrapped;
}

float HeadingOf(const D3DXVECTOR3& direction) {
    const float angle = ClampedAcos(direction.x);
    return direction.y < 0.0f ? -angle : angle;
}

float HeadingOf(const D3DXQUATERNION& rotation) {
    D3DXMATRIX turn;
    D3DXMatrixRotationQuaternion(&turn, &rotation);
    const D3DXVECTOR3 modelForward(0.0f, -1.0f, 0.0f);
    D3DXVECTOR3 forward;
    D3DXVec3TransformNormal(&forward, &modelForward, &turn);
    return HeadingOf(forward);
}
