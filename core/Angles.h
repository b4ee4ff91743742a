// Angles as the engine measures them, in single precision: the fractions of pi, an arc cosine that takes a
// rounding step beyond [-1, 1], wrapping by whole turns and the heading of a direction in the ground plane.
// Pi itself is D3DX_PI and degrees convert with D3DXToRadian / D3DXToDegree (platform/D3DX9Math.h): one
// float each, whatever literal a caller once wrote (3.1415927f and 3.14159265f are that same float).
#pragma once

#include "platform/D3DX9Math.h"

constexpr float kHalfPi = D3DX_PI / 2.0f;  // 1.5707964f
constexpr float kTwoPi = 2.0f * D3DX_PI;   // 6.2831855f

// acos of the cosine clamped to [-1, 1], in single precision (SafeAcos in core/GeometryUtils.h works in
// double). NaN gives NaN.
float ClampedAcos(float cosine);

// The angle moved into [0, turn) by whole turns: the remainder of fmod, plus one turn when it is negative
// (a tiny negative remainder plus the turn may round up to the turn itself). An angle already in [0, turn)
// is kept, but `turn` itself gives 0. NaN and the infinities give NaN.
float WrapAngleHalfOpen(float angle, float turn);

// The angle moved by whole turns of 2 pi into the closed range [lowest, lowest + 2 pi]: an angle already
// inside, either end included, is kept as it is; one outside becomes the remainder of fmod, moved by one
// turn when it lies beyond either end. NaN and the infinities give NaN.
float WrapAngleClosed(float angle, float lowest);

// The heading of a direction in the ground plane as the camera and the race take it: the arc cosine of its
// x, negated when its y is below 0; in [-pi, pi], 0 along +x. The direction is expected to be of unit
// length (a longer x clamps to 0 or pi).
float HeadingOf(const D3DXVECTOR3& direction);
// The heading of the model's forward axis (0, -1, 0) turned by the rotation.
float HeadingOf(const D3DXQUATERNION& rotation);
