// Small vector helpers of the rigid-body world. Its records keep vectors as four floats and rotations
// as three rows of four floats (row vectors: a body-space vector v is v x R in the world).
#pragma once

#include <cmath>

#include "core/BitExact.h"
#include "platform/D3DX9Math.h"
#include "platform/FiniteChecks.h"

// Three rows of four floats: the rotation part of a row-vector transform.
struct PhysRows {
    D3DXVECTOR4 row[3] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
};

namespace PhysMath {
// Squared lengths below this count as zero.
constexpr float kTinySquare = 1e-6f;

inline D3DXVECTOR3 Xyz(const D3DXVECTOR4& v) { return {v.x, v.y, v.z}; }
inline D3DXVECTOR4 Point(const D3DXVECTOR3& v) { return {v.x, v.y, v.z, 1.0f}; }
inline D3DXVECTOR4 Direction(const D3DXVECTOR3& v) { return {v.x, v.y, v.z, 0.0f}; }

inline float Dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float LengthSq(const D3DXVECTOR3& v) { return Dot(v, v); }
// The length, 0 when its square is below kTinySquare.
inline float SafeLength(const D3DXVECTOR3& v) {
    const float square = LengthSq(v);
    return square < kTinySquare ? 0.0f : std::sqrt(square);
}
// v / |v|, the zero vector when the squared length is below kTinySquare.
inline D3DXVECTOR3 SafeNormalize(const D3DXVECTOR3& v) {
    const float length = SafeLength(v);
    if (length == 0.0f) return {0.0f, 0.0f, 0.0f};
    return {v.x / length, v.y / length, v.z / length};
}

// The rows of the quaternion's rotation matrix (not normalised first), fourth components 0.
inline PhysRows RowsFromQuaternion(const D3DXQUATERNION& q) {
    D3DXMATRIX m;
    D3DXMatrixRotationQuaternion(&m, &q);
    PhysRows rows;
    for (int r = 0; r < 3; ++r) rows.row[r] = D3DXVECTOR4(m.m[r][0], m.m[r][1], m.m[r][2], 0.0f);
    return rows;
}
// v x R: a body-space direction in the world.
inline D3DXVECTOR3 Rotate(const D3DXVECTOR3& v, const PhysRows& r) {
    return {v.x * r.row[0].x + v.y * r.row[1].x + v.z * r.row[2].x,
            v.x * r.row[0].y + v.y * r.row[1].y + v.z * r.row[2].y,
            v.x * r.row[0].z + v.y * r.row[1].z + v.z * r.row[2].z};
}
// v x R^T: a world direction in body space.
inline D3DXVECTOR3 Unrotate(const D3DXVECTOR3& v, const PhysRows& r) {
    return {Dot(v, Xyz(r.row[0])), Dot(v, Xyz(r.row[1])), Dot(v, Xyz(r.row[2]))};
}
// v x M for a 3 x 3 matrix kept as rows.
inline D3DXVECTOR3 MultiplyRow(const D3DXVECTOR3& v, const PhysRows& m) { return Rotate(v, m); }
// A x B for matrices kept as rows. Row r is Rotate(a_r, B), its three sums worked side by side in four
// lanes: each lane multiplies and adds the same numbers in the same order, so the bits are Rotate's.
inline PhysRows Multiply(const PhysRows& a, const PhysRows& b) {
    Float4 rows[3];
    for (int k = 0; k < 3; ++k) rows[k] = Float4{b.row[k].x, b.row[k].y, b.row[k].z, b.row[k].w};
    PhysRows out;
    for (int r = 0; r < 3; ++r) {
        const D3DXVECTOR4& v = a.row[r];
        const Float4 sum = Float4{v.x, v.x, v.x, v.x} * rows[0] + Float4{v.y, v.y, v.y, v.y} * rows[1] +
                           Float4{v.z, v.z, v.z, v.z} * rows[2];
        out.row[r] = D3DXVECTOR4(sum[0], sum[1], sum[2], 0.0f);
    }
    return out;
}
inline PhysRows Transpose(const PhysRows& m) {
    PhysRows out;
    out.row[0] = {m.row[0].x, m.row[1].x, m.row[2].x, 0.0f};
    out.row[1] = {m.row[0].y, m.row[1].y, m.row[2].y, 0.0f};
    out.row[2] = {m.row[0].z, m.row[1].z, m.row[2].z, 0.0f};
    return out;
}
// The rotation rows of a 4 x 4 row-vector transform.
inline PhysRows RowsOf(const D3DXMATRIX& m) {
    PhysRows rows;
    for (int r = 0; r < 3; ++r) rows.row[r] = D3DXVECTOR4(m.m[r][0], m.m[r][1], m.m[r][2], 0.0f);
    return rows;
}
inline D3DXVECTOR3 TranslationOf(const D3DXMATRIX& m) { return {m.m[3][0], m.m[3][1], m.m[3][2]}; }
}  // namespace PhysMath
