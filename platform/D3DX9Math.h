// The D3DX 9 math types and functions the engine calls, with D3DX's conventions: row vectors
// multiplied on the left, left-handed, 4 x 4 row-major matrices, quaternions (x, y, z, w).
#pragma once

#include "platform/WinTypes.h"

struct D3DXVECTOR2 {
    float x = 0, y = 0;
    D3DXVECTOR2() = default;
    D3DXVECTOR2(float x_, float y_) : x(x_), y(y_) {}
    D3DXVECTOR2 operator+(const D3DXVECTOR2& o) const { return {x + o.x, y + o.y}; }
    D3DXVECTOR2 operator-(const D3DXVECTOR2& o) const { return {x - o.x, y - o.y}; }
    D3DXVECTOR2 operator*(float s) const { return {x * s, y * s}; }
    bool operator==(const D3DXVECTOR2& o) const { return x == o.x && y == o.y; }
};

struct D3DXVECTOR3 {
    float x = 0, y = 0, z = 0;
    D3DXVECTOR3() = default;
    D3DXVECTOR3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    D3DXVECTOR3 operator+(const D3DXVECTOR3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    D3DXVECTOR3 operator-(const D3DXVECTOR3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    D3DXVECTOR3 operator-() const { return {-x, -y, -z}; }
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
    bool operator==(const D3DXVECTOR3& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const D3DXVECTOR3& o) const { return !(*this == o); }
};
inline D3DXVECTOR3 operator*(float s, const D3DXVECTOR3& v) { return v * s; }

struct D3DXVECTOR4 {
    float x = 0, y = 0, z = 0, w = 0;
    D3DXVECTOR4() = default;
    D3DXVECTOR4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
    bool operator==(const D3DXVECTOR4& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
};

struct D3DXQUATERNION {
    float x = 0, y = 0, z = 0, w = 0;
    D3DXQUATERNION() = default;
    D3DXQUATERNION(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
    bool operator==(const D3DXQUATERNION& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
};

struct D3DXPLANE {
    float a = 0, b = 0, c = 0, d = 0;
    D3DXPLANE() = default;
    D3DXPLANE(float a_, float b_, float c_, float d_) : a(a_), b(b_), c(c_), d(d_) {}
};

struct D3DMATRIX {
    float m[4][4];
};

struct D3DXMATRIX : D3DMATRIX {
    D3DXMATRIX() : D3DMATRIX{} {}
    D3DXMATRIX(float _11, float _12, float _13, float _14, float _21, float _22, float _23, float _24, float _31,
               float _32, float _33, float _34, float _41, float _42, float _43, float _44)
        : D3DMATRIX{{{_11, _12, _13, _14}, {_21, _22, _23, _24}, {_31, _32, _33, _34}, {_41, _42, _43, _44}}} {}
    float& operator()(int row, int col) { return m[row][col]; }
    float operator()(int row, int col) const { return m[row][col]; }
    bool operator==(const D3DXMATRIX& o) const {
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                if (m[r][c] != o.m[r][c]) return false;
        return true;
    }
};
static_assert(sizeof(D3DXMATRIX) == 64);
static_assert(sizeof(D3DXVECTOR3) == 12);
static_assert(sizeof(D3DXQUATERNION) == 16);

float D3DXVec3Length(const D3DXVECTOR3* v);
float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b);
D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);
// A zero vector normalises to the zero vector.
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v);
D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out);
