#include "platform/D3DX9Math.h"

#include <cmath>

float D3DXVec3Length(const D3DXVECTOR3* v) { return std::sqrt(v->x * v->x + v->y * v->y + v->z * v->z); }

float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b) { return a->x * b->x + a->y * b->y + a->z * b->z; }

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    D3DXVECTOR3 r(a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x);
    *out = r;
    return out;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
    float length = D3DXVec3Length(v);
    if (length == 0.0f) {
        *out = D3DXVECTOR3(0, 0, 0);
    } else {
        *out = D3DXVECTOR3(v->x / length, v->y / length, v->z / length);
    }
    return out;
}

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
    *out = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return out;
}
