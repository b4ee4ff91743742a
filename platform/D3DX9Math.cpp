#include "platform/D3DX9Math.h"

#include <algorithm>
#include <cmath>

#include "platform/FiniteChecks.h"

namespace {

float ClampUnit(float v) { return std::clamp(v, -1.0f, 1.0f); }

// Channel 0..1 to 0..255, rounded; out-of-range channels are clamped first and NaN counts as 0.
DWORD PackChannel(float c) {
    float clamped = c > 0.0f ? (c < 1.0f ? c : 1.0f) : 0.0f;
    return static_cast<DWORD>(clamped * 255.0f + 0.5f);
}

}  // namespace

// ---------------------------------------------------------------- types

D3DXCOLOR::D3DXCOLOR(DWORD argb)
    : D3DCOLORVALUE{static_cast<float>((argb >> 16) & 0xFF) / 255.0f, static_cast<float>((argb >> 8) & 0xFF) / 255.0f,
                    static_cast<float>(argb & 0xFF) / 255.0f, static_cast<float>((argb >> 24) & 0xFF) / 255.0f} {}

D3DXCOLOR::operator DWORD() const {
    return (PackChannel(a) << 24) | (PackChannel(r) << 16) | (PackChannel(g) << 8) | PackChannel(b);
}

// ---------------------------------------------------------------- 3-vectors

D3DXVECTOR3* D3DXVec3TransformCoordArray(D3DXVECTOR3* out, UINT outStride, const D3DXVECTOR3* v, UINT vStride,
                                         const D3DXMATRIX* m, UINT n) {
    auto* outBytes = reinterpret_cast<BYTE*>(out);
    const auto* inBytes = reinterpret_cast<const BYTE*>(v);
    for (UINT i = 0; i < n; ++i) {
        D3DXVECTOR3 in;
        std::copy_n(inBytes + static_cast<size_t>(i) * vStride, sizeof(D3DVECTOR), reinterpret_cast<BYTE*>(&in));
        D3DXVECTOR3 r;
        D3DXVec3TransformCoord(&r, &in, m);
        std::copy_n(reinterpret_cast<const BYTE*>(&r), sizeof(D3DVECTOR),
                    outBytes + static_cast<size_t>(i) * outStride);
    }
    return out;
}

D3DXVECTOR3* D3DXVec3Project(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DVIEWPORT9* viewport,
                             const D3DXMATRIX* projection, const D3DXMATRIX* view, const D3DXMATRIX* world) {
    D3DXMATRIX m = D3DXMathDetail::Identity();
    if (world) m = m * *world;
    if (view) m = m * *view;
    if (projection) m = m * *projection;
    D3DXVECTOR3 clip;
    D3DXVec3TransformCoord(&clip, v, &m);
    if (viewport) {
        float width = static_cast<float>(viewport->Width);
        float height = static_cast<float>(viewport->Height);
        clip = D3DXVECTOR3(static_cast<float>(viewport->X) + (1.0f + clip.x) * width * 0.5f,
                           static_cast<float>(viewport->Y) + (1.0f - clip.y) * height * 0.5f,
                           viewport->MinZ + clip.z * (viewport->MaxZ - viewport->MinZ));
    }
    *out = clip;
    return out;
}

// ---------------------------------------------------------------- matrices

namespace {

// Cofactor matrix of m (cof[i][j] = (-1)^(i+j) * minor(i, j)) from 2 x 2 sub-determinants.
void Cofactors(const D3DXMATRIX& m, float cof[4][4]) {
    const auto& a = m.m;
    float s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
    float s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
    float s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
    float s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
    float s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
    float s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
    float c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
    float c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
    float c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
    float c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
    float c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
    float c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];
    cof[0][0] = a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3;
    cof[0][1] = -(a[1][0] * c5 - a[1][2] * c2 + a[1][3] * c1);
    cof[0][2] = a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0;
    cof[0][3] = -(a[1][0] * c3 - a[1][1] * c1 + a[1][2] * c0);
    cof[1][0] = -(a[0][1] * c5 - a[0][2] * c4 + a[0][3] * c3);
    cof[1][1] = a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1;
    cof[1][2] = -(a[0][0] * c4 - a[0][1] * c2 + a[0][3] * c0);
    cof[1][3] = a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0;
    cof[2][0] = a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3;
    cof[2][1] = -(a[3][0] * s5 - a[3][2] * s2 + a[3][3] * s1);
    cof[2][2] = a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0;
    cof[2][3] = -(a[3][0] * s3 - a[3][1] * s1 + a[3][2] * s0);
    cof[3][0] = -(a[2][1] * s5 - a[2][2] * s4 + a[2][3] * s3);
    cof[3][1] = a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1;
    cof[3][2] = -(a[2][0] * s4 - a[2][1] * s2 + a[2][3] * s0);
    cof[3][3] = a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0;
}

}  // namespace

float D3DXMatrixDeterminant(const D3DXMATRIX* m) {
    float cof[4][4];
    Cofactors(*m, cof);
    return m->m[0][0] * cof[0][0] + m->m[0][1] * cof[0][1] + m->m[0][2] * cof[0][2] + m->m[0][3] * cof[0][3];
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m) {
    float cof[4][4];
    Cofactors(*m, cof);
    float det = m->m[0][0] * cof[0][0] + m->m[0][1] * cof[0][1] + m->m[0][2] * cof[0][2] + m->m[0][3] * cof[0][3];
    if (determinant) *determinant = det;
    if (det == 0.0f || !std::isfinite(det)) return nullptr;
    float inv = 1.0f / det;
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = cof[j][i] * inv;  // adjugate is the transposed cofactor matrix
    *out = r;
    return out;
}

HRESULT D3DXMatrixDecompose(D3DXVECTOR3* outScale, D3DXQUATERNION* outRotation, D3DXVECTOR3* outTranslation,
                            const D3DXMATRIX* m) {
    *outTranslation = D3DXVECTOR3(m->_41, m->_42, m->_43);
    D3DXVECTOR3 rows[3] = {{m->_11, m->_12, m->_13}, {m->_21, m->_22, m->_23}, {m->_31, m->_32, m->_33}};
    D3DXVECTOR3 scale(D3DXVec3Length(&rows[0]), D3DXVec3Length(&rows[1]), D3DXVec3Length(&rows[2]));
    D3DXVECTOR3 cross;
    D3DXVec3Cross(&cross, &rows[1], &rows[2]);
    if (D3DXVec3Dot(&rows[0], &cross) < 0.0f) scale.x = -scale.x;
    *outScale = scale;
    if (!(scale.x != 0.0f && scale.y != 0.0f && scale.z != 0.0f)) {
        D3DXQuaternionIdentity(outRotation);
        return D3DERR_INVALIDCALL;
    }
    D3DXMATRIX rotation = D3DXMathDetail::Identity();
    const float s[3] = {scale.x, scale.y, scale.z};
    for (int r = 0; r < 3; ++r) {
        rotation.m[r][0] = rows[r].x / s[r];
        rotation.m[r][1] = rows[r].y / s[r];
        rotation.m[r][2] = rows[r].z / s[r];
    }
    D3DXQuaternionRotationMatrix(outRotation, &rotation);
    return D3D_OK;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle) {
    float s = std::sin(angle), c = std::cos(angle);
    *out = D3DXMATRIX(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle) {
    float s = std::sin(angle), c = std::cos(angle);
    *out = D3DXMATRIX(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle) {
    float s = std::sin(angle), c = std::cos(angle);
    *out = D3DXMATRIX(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, float angle) {
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, axis);
    if (n == D3DXVECTOR3(0, 0, 0)) return D3DXMatrixIdentity(out);
    float s = std::sin(angle), c = std::cos(angle), t = 1.0f - c;
    *out = D3DXMATRIX(t * n.x * n.x + c, t * n.x * n.y + s * n.z, t * n.x * n.z - s * n.y, 0,  //
                      t * n.x * n.y - s * n.z, t * n.y * n.y + c, t * n.y * n.z + s * n.x, 0,  //
                      t * n.x * n.z + s * n.y, t * n.y * n.z - s * n.x, t * n.z * n.z + c, 0,  //
                      0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll) {
    D3DXMATRIX rollM, pitchM, yawM;
    D3DXMatrixRotationZ(&rollM, roll);
    D3DXMatrixRotationX(&pitchM, pitch);
    D3DXMatrixRotationY(&yawM, yaw);
    *out = rollM * pitchM * yawM;
    return out;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up) {
    D3DXVECTOR3 zAxis = *at - *eye;
    D3DXVec3Normalize(&zAxis, &zAxis);
    D3DXVECTOR3 xAxis;
    D3DXVec3Cross(&xAxis, up, &zAxis);
    D3DXVec3Normalize(&xAxis, &xAxis);
    D3DXVECTOR3 yAxis;
    D3DXVec3Cross(&yAxis, &zAxis, &xAxis);
    *out = D3DXMATRIX(xAxis.x, yAxis.x, zAxis.x, 0,  //
                      xAxis.y, yAxis.y, zAxis.y, 0,  //
                      xAxis.z, yAxis.z, zAxis.z, 0,  //
                      -D3DXVec3Dot(&xAxis, eye), -D3DXVec3Dot(&yAxis, eye), -D3DXVec3Dot(&zAxis, eye), 1);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn, float zf) {
    float yScale = 1.0f / std::tan(fovy * 0.5f);
    float xScale = yScale / aspect;
    float q = zf / (zf - zn);
    *out = D3DXMATRIX(xScale, 0, 0, 0, 0, yScale, 0, 0, 0, 0, q, 1, 0, 0, -zn * q, 0);
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, float w, float h, float zn, float zf) {
    *out = D3DXMATRIX(2.0f / w, 0, 0, 0, 0, 2.0f / h, 0, 0, 0, 0, 1.0f / (zf - zn), 0, 0, 0, zn / (zn - zf), 1);
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, float l, float r, float b, float t, float zn, float zf) {
    *out = D3DXMATRIX(2.0f / (r - l), 0, 0, 0,  //
                      0, 2.0f / (t - b), 0, 0,  //
                      0, 0, 1.0f / (zf - zn), 0,  //
                      (l + r) / (l - r), (t + b) / (b - t), zn / (zn - zf), 1);
    return out;
}

D3DXMATRIX* D3DXMatrixShadow(D3DXMATRIX* out, const D3DXVECTOR4* light, const D3DXPLANE* plane) {
    // (P . L) I - P^T L: a point of the plane comes out scaled by P . L, positive when light and normal
    // agree, so the flattened geometry keeps a positive w through the camera.
    D3DXPLANE p;
    D3DXPlaneNormalize(&p, plane);
    float d = p.a * light->x + p.b * light->y + p.c * light->z + p.d * light->w;
    const float pl[4] = {p.a, p.b, p.c, p.d};
    const float li[4] = {light->x, light->y, light->z, light->w};
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = (i == j ? d : 0.0f) - pl[i] * li[j];
    *out = r;
    return out;
}

// ---------------------------------------------------------------- quaternions

D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis, float angle) {
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, axis);
    if (n == D3DXVECTOR3(0, 0, 0)) return D3DXQuaternionIdentity(out);
    float s = std::sin(angle * 0.5f);
    *out = D3DXQUATERNION(n.x * s, n.y * s, n.z * s, std::cos(angle * 0.5f));
    return out;
}

D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* out, const D3DXMATRIX* m) {
    float trace = m->_11 + m->_22 + m->_33;
    D3DXQUATERNION q;
    if (trace > 0.0f) {
        float s = std::sqrt(trace + 1.0f) * 2.0f;  // 4w
        q = D3DXQUATERNION((m->_23 - m->_32) / s, (m->_31 - m->_13) / s, (m->_12 - m->_21) / s, 0.25f * s);
    } else if (m->_11 >= m->_22 && m->_11 >= m->_33) {
        float s = std::sqrt(std::max(0.0f, 1.0f + m->_11 - m->_22 - m->_33)) * 2.0f;  // 4x
        q = D3DXQUATERNION(0.25f * s, (m->_12 + m->_21) / s, (m->_13 + m->_31) / s, (m->_23 - m->_32) / s);
    } else if (m->_22 >= m->_33) {
        float s = std::sqrt(std::max(0.0f, 1.0f + m->_22 - m->_11 - m->_33)) * 2.0f;  // 4y
        q = D3DXQUATERNION((m->_12 + m->_21) / s, 0.25f * s, (m->_23 + m->_32) / s, (m->_31 - m->_13) / s);
    } else {
        float s = std::sqrt(std::max(0.0f, 1.0f + m->_33 - m->_11 - m->_22)) * 2.0f;  // 4z
        q = D3DXQUATERNION((m->_13 + m->_31) / s, (m->_23 + m->_32) / s, 0.25f * s, (m->_12 - m->_21) / s);
    }
    // A zero matrix leaves s at 0 in the last branches: answer the identity instead of NaNs.
    if (!IsFinite(q))
        return D3DXQuaternionIdentity(out);
    *out = q;
    return out;
}

D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* out, float yaw, float pitch, float roll) {
    D3DXQUATERNION rollQ(0, 0, std::sin(roll * 0.5f), std::cos(roll * 0.5f));
    D3DXQUATERNION pitchQ(std::sin(pitch * 0.5f), 0, 0, std::cos(pitch * 0.5f));
    D3DXQUATERNION yawQ(0, std::sin(yaw * 0.5f), 0, std::cos(yaw * 0.5f));
    *out = rollQ * pitchQ * yawQ;
    return out;
}

D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* a, const D3DXQUATERNION* b,
                                    float t) {
    D3DXQUATERNION end = *b;
    float cosine = D3DXQuaternionDot(a, b);
    if (cosine < 0.0f) {
        cosine = -cosine;
        end = -end;
    }
    float k0 = 1.0f - t, k1 = t;
    if (1.0f - cosine > 1e-6f) {
        float theta = std::acos(ClampUnit(cosine));
        float sine = std::sin(theta);
        k0 = std::sin((1.0f - t) * theta) / sine;
        k1 = std::sin(t * theta) / sine;
    }
    *out = *a * k0 + end * k1;
    return out;
}

void D3DXQuaternionToAxisAngle(const D3DXQUATERNION* q, D3DXVECTOR3* axis, float* angle) {
    if (axis) {
        D3DXVECTOR3 v(q->x, q->y, q->z);
        D3DXVec3Normalize(axis, &v);
    }
    if (angle) *angle = 2.0f * std::acos(ClampUnit(q->w));
}

// ---------------------------------------------------------------- planes

D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* out, const D3DXVECTOR3* p1, const D3DXVECTOR3* p2, const D3DXVECTOR3* p3) {
    D3DXVECTOR3 e1 = *p2 - *p1, e2 = *p3 - *p1, n;
    D3DXVec3Cross(&n, &e1, &e2);
    D3DXVec3Normalize(&n, &n);
    return D3DXPlaneFromPointNormal(out, p1, &n);
}

D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* out, const D3DXPLANE* p, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    D3DXVECTOR3 direction = *b - *a;
    float denominator = D3DXPlaneDotNormal(p, &direction);
    if (denominator == 0.0f) return nullptr;
    float t = -D3DXPlaneDotCoord(p, a) / denominator;
    *out = *a + direction * t;
    return out;
}
