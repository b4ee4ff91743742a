// The D3DX 9 math types and functions the engine calls, with D3DX's conventions: row vectors
// multiplied on the left, left-handed, 4 x 4 row-major matrices, quaternions (x, y, z, w).
#pragma once

#include <algorithm>
#include <cmath>

#include "platform/D3D9Types.h"
#include "platform/WinTypes.h"

constexpr float D3DX_PI = 3.141592654f;
constexpr float D3DXToRadian(float degrees) { return degrees * (D3DX_PI / 180.0f); }
constexpr float D3DXToDegree(float radians) { return radians * (180.0f / D3DX_PI); }

struct D3DXVECTOR2 {
    float x = 0, y = 0;
    D3DXVECTOR2() = default;
    D3DXVECTOR2(float x_, float y_) : x(x_), y(y_) {}
    D3DXVECTOR2 operator+() const { return *this; }
    D3DXVECTOR2 operator-() const { return {-x, -y}; }
    D3DXVECTOR2 operator+(const D3DXVECTOR2& o) const { return {x + o.x, y + o.y}; }
    D3DXVECTOR2 operator-(const D3DXVECTOR2& o) const { return {x - o.x, y - o.y}; }
    D3DXVECTOR2 operator*(float s) const { return {x * s, y * s}; }
    D3DXVECTOR2 operator/(float s) const {
        float inv = 1.0f / s;
        return {x * inv, y * inv};
    }
    D3DXVECTOR2& operator+=(const D3DXVECTOR2& o) {
        x += o.x, y += o.y;
        return *this;
    }
    D3DXVECTOR2& operator-=(const D3DXVECTOR2& o) {
        x -= o.x, y -= o.y;
        return *this;
    }
    D3DXVECTOR2& operator*=(float s) {
        x *= s, y *= s;
        return *this;
    }
    D3DXVECTOR2& operator/=(float s) {
        float inv = 1.0f / s;
        x *= inv, y *= inv;
        return *this;
    }
    bool operator==(const D3DXVECTOR2& o) const { return x == o.x && y == o.y; }
    bool operator!=(const D3DXVECTOR2& o) const { return !(*this == o); }
};
inline D3DXVECTOR2 operator*(float s, const D3DXVECTOR2& v) { return v * s; }

struct D3DXVECTOR3 : D3DVECTOR {
    D3DXVECTOR3() : D3DVECTOR{0, 0, 0} {}
    D3DXVECTOR3(float x_, float y_, float z_) : D3DVECTOR{x_, y_, z_} {}
    D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}  // NOLINT: implicit like the platform's
    D3DXVECTOR3 operator+() const { return *this; }
    D3DXVECTOR3 operator-() const { return {-x, -y, -z}; }
    D3DXVECTOR3 operator+(const D3DXVECTOR3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    D3DXVECTOR3 operator-(const D3DXVECTOR3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    D3DXVECTOR3 operator*(float s) const { return {x * s, y * s, z * s}; }
    D3DXVECTOR3 operator/(float s) const {
        float inv = 1.0f / s;
        return {x * inv, y * inv, z * inv};
    }
    D3DXVECTOR3& operator+=(const D3DXVECTOR3& o) {
        x += o.x, y += o.y, z += o.z;
        return *this;
    }
    D3DXVECTOR3& operator-=(const D3DXVECTOR3& o) {
        x -= o.x, y -= o.y, z -= o.z;
        return *this;
    }
    D3DXVECTOR3& operator*=(float s) {
        x *= s, y *= s, z *= s;
        return *this;
    }
    D3DXVECTOR3& operator/=(float s) {
        float inv = 1.0f / s;
        x *= inv, y *= inv, z *= inv;
        return *this;
    }
    bool operator==(const D3DXVECTOR3& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const D3DXVECTOR3& o) const { return !(*this == o); }
};
inline D3DXVECTOR3 operator*(float s, const D3DXVECTOR3& v) { return v * s; }

struct D3DXVECTOR4 {
    float x = 0, y = 0, z = 0, w = 0;
    D3DXVECTOR4() = default;
    D3DXVECTOR4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
    D3DXVECTOR4(const D3DVECTOR& v, float w_) : x(v.x), y(v.y), z(v.z), w(w_) {}
    D3DXVECTOR4 operator+() const { return *this; }
    D3DXVECTOR4 operator-() const { return {-x, -y, -z, -w}; }
    D3DXVECTOR4 operator+(const D3DXVECTOR4& o) const { return {x + o.x, y + o.y, z + o.z, w + o.w}; }
    D3DXVECTOR4 operator-(const D3DXVECTOR4& o) const { return {x - o.x, y - o.y, z - o.z, w - o.w}; }
    D3DXVECTOR4 operator*(float s) const { return {x * s, y * s, z * s, w * s}; }
    D3DXVECTOR4 operator/(float s) const {
        float inv = 1.0f / s;
        return {x * inv, y * inv, z * inv, w * inv};
    }
    D3DXVECTOR4& operator+=(const D3DXVECTOR4& o) {
        x += o.x, y += o.y, z += o.z, w += o.w;
        return *this;
    }
    D3DXVECTOR4& operator-=(const D3DXVECTOR4& o) {
        x -= o.x, y -= o.y, z -= o.z, w -= o.w;
        return *this;
    }
    D3DXVECTOR4& operator*=(float s) {
        x *= s, y *= s, z *= s, w *= s;
        return *this;
    }
    bool operator==(const D3DXVECTOR4& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
    bool operator!=(const D3DXVECTOR4& o) const { return !(*this == o); }
};
inline D3DXVECTOR4 operator*(float s, const D3DXVECTOR4& v) { return v * s; }

struct D3DXQUATERNION {
    float x = 0, y = 0, z = 0, w = 0;
    D3DXQUATERNION() = default;
    D3DXQUATERNION(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
    D3DXQUATERNION operator+() const { return *this; }
    D3DXQUATERNION operator-() const { return {-x, -y, -z, -w}; }
    D3DXQUATERNION operator+(const D3DXQUATERNION& o) const { return {x + o.x, y + o.y, z + o.z, w + o.w}; }
    D3DXQUATERNION operator-(const D3DXQUATERNION& o) const { return {x - o.x, y - o.y, z - o.z, w - o.w}; }
    // Same order as D3DXQuaternionMultiply: the rotation of *this, then that of o.
    D3DXQUATERNION operator*(const D3DXQUATERNION& o) const;
    D3DXQUATERNION operator*(float s) const { return {x * s, y * s, z * s, w * s}; }
    D3DXQUATERNION operator/(float s) const {
        float inv = 1.0f / s;
        return {x * inv, y * inv, z * inv, w * inv};
    }
    D3DXQUATERNION& operator*=(const D3DXQUATERNION& o) { return *this = *this * o; }
    D3DXQUATERNION& operator+=(const D3DXQUATERNION& o) { return *this = *this + o; }
    D3DXQUATERNION& operator-=(const D3DXQUATERNION& o) { return *this = *this - o; }
    D3DXQUATERNION& operator*=(float s) { return *this = *this * s; }
    bool operator==(const D3DXQUATERNION& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
    bool operator!=(const D3DXQUATERNION& o) const { return !(*this == o); }
};
inline D3DXQUATERNION operator*(float s, const D3DXQUATERNION& q) { return q * s; }

// Plane a*x + b*y + c*z + d = 0; (a, b, c) is the normal.
struct D3DXPLANE {
    float a = 0, b = 0, c = 0, d = 0;
    D3DXPLANE() = default;
    D3DXPLANE(float a_, float b_, float c_, float d_) : a(a_), b(b_), c(c_), d(d_) {}
    D3DXPLANE operator-() const { return {-a, -b, -c, -d}; }
    D3DXPLANE operator*(float s) const { return {a * s, b * s, c * s, d * s}; }
    bool operator==(const D3DXPLANE& o) const { return a == o.a && b == o.b && c == o.c && d == o.d; }
    bool operator!=(const D3DXPLANE& o) const { return !(*this == o); }
};

// Colour with float channels; converts to and from a packed A8R8G8B8 value.
struct D3DXCOLOR : D3DCOLORVALUE {
    D3DXCOLOR() : D3DCOLORVALUE{0, 0, 0, 0} {}
    D3DXCOLOR(float r_, float g_, float b_, float a_) : D3DCOLORVALUE{r_, g_, b_, a_} {}
    D3DXCOLOR(const D3DCOLORVALUE& c) : D3DCOLORVALUE(c) {}  // NOLINT: implicit like the platform's
    explicit D3DXCOLOR(DWORD argb);
    // Channels are clamped to 0..1 before packing (NaN packs as 0).
    operator DWORD() const;
    bool operator==(const D3DXCOLOR& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
    bool operator!=(const D3DXCOLOR& o) const { return !(*this == o); }
};

struct D3DXMATRIX : D3DMATRIX {
    D3DXMATRIX() : D3DMATRIX{} {}
    D3DXMATRIX(const D3DMATRIX& o) : D3DMATRIX(o) {}  // NOLINT: implicit like the platform's
    D3DXMATRIX(float _11, float _12, float _13, float _14, float _21, float _22, float _23, float _24, float _31,
               float _32, float _33, float _34, float _41, float _42, float _43, float _44);
    float& operator()(int row, int col) { return m[row][col]; }
    float operator()(int row, int col) const { return m[row][col]; }
    D3DXMATRIX operator*(const D3DXMATRIX& o) const;  // D3DXMatrixMultiply(this, o)
    D3DXMATRIX operator+(const D3DXMATRIX& o) const;
    D3DXMATRIX operator-(const D3DXMATRIX& o) const;
    D3DXMATRIX operator*(float s) const;
    D3DXMATRIX& operator*=(const D3DXMATRIX& o) { return *this = *this * o; }
    D3DXMATRIX& operator+=(const D3DXMATRIX& o) { return *this = *this + o; }
    D3DXMATRIX& operator-=(const D3DXMATRIX& o) { return *this = *this - o; }
    D3DXMATRIX& operator*=(float s) { return *this = *this * s; }
    bool operator==(const D3DXMATRIX& o) const;
    bool operator!=(const D3DXMATRIX& o) const { return !(*this == o); }
};
inline D3DXMATRIX operator*(float s, const D3DXMATRIX& mat) { return mat * s; }

static_assert(sizeof(D3DXVECTOR2) == 8);
static_assert(sizeof(D3DXVECTOR3) == 12);
static_assert(sizeof(D3DXVECTOR4) == 16);
static_assert(sizeof(D3DXQUATERNION) == 16);
static_assert(sizeof(D3DXPLANE) == 16);
static_assert(sizeof(D3DXCOLOR) == 16);
static_assert(sizeof(D3DXMATRIX) == 64);

// Every function returns its out pointer (or the scalar result) like the platform's; out may alias an input.
// The small helpers are defined here, inline: they run in the frame's innermost loops, and the arithmetic
// and its order are the same as an out-of-line call would do (no contraction: -ffp-contract=off). Those
// that call sin, cos or tan stay out of line, so that no constant argument is folded at compile time
// with a rounding other than the runtime library's.

namespace D3DXMathDetail {
// Row vector (x, y, z, w) times m.
inline D3DXVECTOR4 RowTimes(float x, float y, float z, float w, const D3DXMATRIX& m) {
    return D3DXVECTOR4(x * m._11 + y * m._21 + z * m._31 + w * m._41, x * m._12 + y * m._22 + z * m._32 + w * m._42,
                       x * m._13 + y * m._23 + z * m._33 + w * m._43, x * m._14 + y * m._24 + z * m._34 + w * m._44);
}

inline D3DXMATRIX Identity() { return D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1); }

// Dot product and normalisation shared by the two four-component types (x, y, z, w).
template <class T>
float Dot4(const T& a, const T& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
}

template <class T>
T Normalized4(const T& v) {
    float length = std::sqrt(Dot4(v, v));
    return length == 0.0f ? T(0, 0, 0, 0) : T(v.x / length, v.y / length, v.z / length, v.w / length);
}
}  // namespace D3DXMathDetail

// --- 2-vectors
inline float D3DXVec2LengthSq(const D3DXVECTOR2* v) { return v->x * v->x + v->y * v->y; }
inline float D3DXVec2Length(const D3DXVECTOR2* v) { return std::sqrt(D3DXVec2LengthSq(v)); }
inline float D3DXVec2Dot(const D3DXVECTOR2* a, const D3DXVECTOR2* b) { return a->x * b->x + a->y * b->y; }
// A zero vector normalises to the zero vector.
inline D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* out, const D3DXVECTOR2* v) {
    float length = D3DXVec2Length(v);
    *out = length == 0.0f ? D3DXVECTOR2(0, 0) : D3DXVECTOR2(v->x / length, v->y / length);
    return out;
}
// (x, y, 0, 1) x m, divided by w (left undivided when w is 0).
inline D3DXVECTOR2* D3DXVec2TransformCoord(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m) {
    D3DXVECTOR4 r = D3DXMathDetail::RowTimes(v->x, v->y, 0.0f, 1.0f, *m);
    *out = r.w == 0.0f ? D3DXVECTOR2(r.x, r.y) : D3DXVECTOR2(r.x / r.w, r.y / r.w);
    return out;
}

// --- 3-vectors
inline float D3DXVec3LengthSq(const D3DXVECTOR3* v) { return v->x * v->x + v->y * v->y + v->z * v->z; }
inline float D3DXVec3Length(const D3DXVECTOR3* v) { return std::sqrt(D3DXVec3LengthSq(v)); }
inline float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    return a->x * b->x + a->y * b->y + a->z * b->z;
}
inline D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    D3DXVECTOR3 r(a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x);
    *out = r;
    return out;
}
inline D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    *out = *a + *b;
    return out;
}
inline D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    *out = *a - *b;
    return out;
}
inline D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* out, const D3DXVECTOR3* v, float s) {
    *out = *v * s;
    return out;
}
inline D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    *out = D3DXVECTOR3(std::min(a->x, b->x), std::min(a->y, b->y), std::min(a->z, b->z));
    return out;
}
inline D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    *out = D3DXVECTOR3(std::max(a->x, b->x), std::max(a->y, b->y), std::max(a->z, b->z));
    return out;
}
// a + (b - a) * t
inline D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b, float t) {
    *out = D3DXVECTOR3(a->x + (b->x - a->x) * t, a->y + (b->y - a->y) * t, a->z + (b->z - a->z) * t);
    return out;
}
// A zero vector normalises to the zero vector.
inline D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
    float length = D3DXVec3Length(v);
    *out = length == 0.0f ? D3DXVECTOR3(0, 0, 0) : D3DXVECTOR3(v->x / length, v->y / length, v->z / length);
    return out;
}
// (x, y, z, 1) x m.
inline D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    *out = D3DXMathDetail::RowTimes(v->x, v->y, v->z, 1.0f, *m);
    return out;
}
// (x, y, z, 1) x m, divided by w (left undivided when w is 0, so no infinities come out).
inline D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    D3DXVECTOR4 r = D3DXMathDetail::RowTimes(v->x, v->y, v->z, 1.0f, *m);
    *out = r.w == 0.0f ? D3DXVECTOR3(r.x, r.y, r.z) : D3DXVECTOR3(r.x / r.w, r.y / r.w, r.z / r.w);
    return out;
}
// (x, y, z, 0) x m: directions, untouched by the translation row.
inline D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    D3DXVECTOR4 r = D3DXMathDetail::RowTimes(v->x, v->y, v->z, 0.0f, *m);
    *out = D3DXVECTOR3(r.x, r.y, r.z);
    return out;
}
// D3DXVec3TransformCoord over n vectors; strides in bytes between consecutive vectors.
D3DXVECTOR3* D3DXVec3TransformCoordArray(D3DXVECTOR3* out, UINT outStride, const D3DXVECTOR3* v, UINT vStride,
                                         const D3DXMATRIX* m, UINT n);
// Object space to viewport pixels through world, view and projection (any may be null: identity).
D3DXVECTOR3* D3DXVec3Project(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DVIEWPORT9* viewport,
                             const D3DXMATRIX* projection, const D3DXMATRIX* view, const D3DXMATRIX* world);

// --- 4-vectors
inline float D3DXVec4Length(const D3DXVECTOR4* v) { return std::sqrt(D3DXMathDetail::Dot4(*v, *v)); }
inline float D3DXVec4Dot(const D3DXVECTOR4* a, const D3DXVECTOR4* b) { return D3DXMathDetail::Dot4(*a, *b); }
inline D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* out, const D3DXVECTOR4* v) {
    *out = D3DXMathDetail::Normalized4(*v);
    return out;
}
inline D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m) {
    *out = D3DXMathDetail::RowTimes(v->x, v->y, v->z, v->w, *m);
    return out;
}

// --- matrices
inline D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
    *out = D3DXMathDetail::Identity();
    return out;
}
inline bool D3DXMatrixIsIdentity(const D3DXMATRIX* m) { return *m == D3DXMathDetail::Identity(); }
// a x b: the transformation of a, then that of b.
inline D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] + a->m[i][2] * b->m[2][j] +
                        a->m[i][3] * b->m[3][j];
    *out = r;
    return out;
}
inline D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m) {
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = m->m[j][i];
    *out = r;
    return out;
}
float D3DXMatrixDeterminant(const D3DXMATRIX* m);
// Returns null and leaves out untouched when m has no inverse (determinant 0); determinant may be null.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m);
inline D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
    *out = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1);
    return out;
}
inline D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz) {
    *out = D3DXMATRIX(sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 0, 0, 0, 0, 1);
    return out;
}
// Rotations by an angle in radians, clockwise seen from the positive axis towards the origin.
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle);
// The axis is normalised first; a zero axis gives the identity.
D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, float angle);
inline D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q) {
    float x = q->x, y = q->y, z = q->z, w = q->w;
    *out = D3DXMATRIX(1.0f - 2.0f * (y * y + z * z), 2.0f * (x * y + z * w), 2.0f * (x * z - y * w), 0,  //
                      2.0f * (x * y - z * w), 1.0f - 2.0f * (x * x + z * z), 2.0f * (y * z + x * w), 0,  //
                      2.0f * (x * z + y * w), 2.0f * (y * z - x * w), 1.0f - 2.0f * (x * x + y * y), 0,  //
                      0, 0, 0, 1);
    return out;
}
// Roll about z, then pitch about x, then yaw about y.
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up);
// fovy: vertical field of view in radians; aspect: width / height; depth maps zn..zf to 0..1.
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn, float zf);
D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, float w, float h, float zn, float zf);
D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, float l, float r, float b, float t, float zn, float zf);
// Splits m into scale, rotation and translation (m = scale x rotation x translation). A mirroring
// matrix gets a negative x scale. D3DERR_INVALIDCALL, with the identity rotation, when a scale is 0.
HRESULT D3DXMatrixDecompose(D3DXVECTOR3* outScale, D3DXQUATERNION* outRotation, D3DXVECTOR3* outTranslation,
                            const D3DXMATRIX* m);
// Flattens geometry onto the plane as seen from the light (w = 0: a direction, w = 1: a point).
D3DXMATRIX* D3DXMatrixShadow(D3DXMATRIX* out, const D3DXVECTOR4* light, const D3DXPLANE* plane);

// --- quaternions
inline D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out) {
    *out = D3DXQUATERNION(0, 0, 0, 1);
    return out;
}
inline float D3DXQuaternionLength(const D3DXQUATERNION* q) { return std::sqrt(D3DXMathDetail::Dot4(*q, *q)); }
inline float D3DXQuaternionDot(const D3DXQUATERNION* a, const D3DXQUATERNION* b) {
    return D3DXMathDetail::Dot4(*a, *b);
}
// A zero quaternion normalises to zero.
inline D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    *out = D3DXMathDetail::Normalized4(*q);
    return out;
}
inline D3DXQUATERNION* D3DXQuaternionConjugate(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    *out = D3DXQUATERNION(-q->x, -q->y, -q->z, q->w);
    return out;
}
// Conjugate over squared length; zero gives zero.
inline D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    float lengthSq = D3DXQuaternionDot(q, q);
    if (lengthSq == 0.0f) {
        *out = D3DXQUATERNION(0, 0, 0, 0);
        return out;
    }
    *out = D3DXQUATERNION(-q->x / lengthSq, -q->y / lengthSq, -q->z / lengthSq, q->w / lengthSq);
    return out;
}
// The rotation of a, then that of b.
inline D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* a,
                                              const D3DXQUATERNION* b) {
    // The Hamilton product b * a: applying a first, then b.
    D3DXQUATERNION r(b->w * a->x + b->x * a->w + b->y * a->z - b->z * a->y,
                     b->w * a->y - b->x * a->z + b->y * a->w + b->z * a->x,
                     b->w * a->z + b->x * a->y - b->y * a->x + b->z * a->w,
                     b->w * a->w - b->x * a->x - b->y * a->y - b->z * a->z);
    *out = r;
    return out;
}
// The axis is normalised first; a zero axis gives the identity.
D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis, float angle);
// The rotation part of m, which is taken to be orthonormal.
D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* out, const D3DXMATRIX* m);
D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* out, float yaw, float pitch, float roll);
// Spherical interpolation along the shorter arc; t = 0 gives a, t = 1 gives b (or -b).
D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* a, const D3DXQUATERNION* b, float t);
// Axis (normalised; zero for the identity) and angle in radians of a unit quaternion.
void D3DXQuaternionToAxisAngle(const D3DXQUATERNION* q, D3DXVECTOR3* axis, float* angle);

// --- planes
inline float D3DXPlaneDot(const D3DXPLANE* p, const D3DXVECTOR4* v) {
    return p->a * v->x + p->b * v->y + p->c * v->z + p->d * v->w;
}
// a*x + b*y + c*z + d: signed distance when the plane is normalised.
inline float D3DXPlaneDotCoord(const D3DXPLANE* p, const D3DXVECTOR3* v) {
    return p->a * v->x + p->b * v->y + p->c * v->z + p->d;
}
inline float D3DXPlaneDotNormal(const D3DXPLANE* p, const D3DXVECTOR3* v) {
    return p->a * v->x + p->b * v->y + p->c * v->z;
}
// Divides by the length of (a, b, c); a zero normal gives the zero plane.
inline D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* out, const D3DXPLANE* p) {
    float length = std::sqrt(p->a * p->a + p->b * p->b + p->c * p->c);
    *out = length == 0.0f ? D3DXPLANE(0, 0, 0, 0)
                          : D3DXPLANE(p->a / length, p->b / length, p->c / length, p->d / length);
    return out;
}
// Normal (p2 - p1) x (p3 - p1), normalised; d = -normal . p1.
D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* out, const D3DXVECTOR3* p1, const D3DXVECTOR3* p2, const D3DXVECTOR3* p3);
// The normal is taken as given (not normalised); d = -normal . point.
inline D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* out, const D3DXVECTOR3* point, const D3DXVECTOR3* normal) {
    *out = D3DXPLANE(normal->x, normal->y, normal->z, -D3DXVec3Dot(normal, point));
    return out;
}
// Where the line through a and b meets the plane (not limited to the segment); null when parallel.
D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* out, const D3DXPLANE* p, const D3DXVECTOR3* a, const D3DXVECTOR3* b);

// The members of the types that use the free functions above, or that run as often.
inline D3DXQUATERNION D3DXQUATERNION::operator*(const D3DXQUATERNION& o) const {
    D3DXQUATERNION r;
    D3DXQuaternionMultiply(&r, this, &o);
    return r;
}

inline D3DXMATRIX::D3DXMATRIX(float _11, float _12, float _13, float _14, float _21, float _22, float _23, float _24,
                              float _31, float _32, float _33, float _34, float _41, float _42, float _43, float _44)
    : D3DMATRIX{} {
    const float values[16] = {_11, _12, _13, _14, _21, _22, _23, _24, _31, _32, _33, _34, _41, _42, _43, _44};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m[r][c] = values[r * 4 + c];
}

inline D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& o) const {
    D3DXMATRIX r;
    D3DXMatrixMultiply(&r, this, &o);
    return r;
}

inline D3DXMATRIX D3DXMATRIX::operator+(const D3DXMATRIX& o) const {
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = m[i][j] + o.m[i][j];
    return r;
}

inline D3DXMATRIX D3DXMATRIX::operator-(const D3DXMATRIX& o) const {
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = m[i][j] - o.m[i][j];
    return r;
}

inline D3DXMATRIX D3DXMATRIX::operator*(float s) const {
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = m[i][j] * s;
    return r;
}

inline bool D3DXMATRIX::operator==(const D3DXMATRIX& o) const {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (m[r][c] != o.m[r][c]) return false;
    return true;
}
