// Finite checks of a number and of the vector types. Data files, scripts and a diverging step can hand
// over NaN and infinities; a reader or a rule tests with these before such a value reaches a transform,
// a body or a device.
#pragma once

#include <cmath>

#include "platform/D3DX9Math.h"

// Every component finite: neither NaN nor an infinity. D3DXVECTOR3 is a D3DVECTOR.
inline bool IsFinite(const D3DVECTOR& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
inline bool IsFinite(const D3DXQUATERNION& q) {
    return std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z) && std::isfinite(q.w);
}

// Above 0 and finite: a length, mass or time that may divide or scale. NaN is not.
inline bool IsPositiveFinite(float value) { return value > 0.0f && std::isfinite(value); }

// The value, or 0 when it is NaN or an infinity.
inline float FiniteOrZero(float value) { return std::isfinite(value) ? value : 0.0f; }
