// One collision shape of a body, placed in body space by its local transform: a box or a cylinder
// (the world also understands spheres). A body's bounds record is a PhysGeometry as well.
#pragma once

#include <cstdint>

#include "platform/D3DX9Math.h"
#include "simulation/physics/PhysPool.h"

struct PhysGeometry {
    static constexpr int32_t kBox = 3;
    static constexpr int32_t kSphere = 4;
    static constexpr int32_t kCylinder = 5;  // its axis is the local y axis

    // Box: the half extents. Cylinder: the radius, the radius squared and the half height.
    // Sphere: the radius.
    float params[3] = {0.0f, 0.0f, 0.0f};
    D3DXMATRIX transform;     // body space, row vectors; the translation is the shape's centre
    float boxRadius = 0.0f;   // a box's half-diagonal
    float margin = 0.0f;
    int32_t type = kBox;
    int32_t material = 0;     // index into the world's material table
    PhysPoolLinks<PhysGeometry> links;

    PhysGeometry();

    // An empty box at the body origin with material 0.
    void Reset();
    // Type box, half extents = sizes / 2, box radius = length of the half extents (0 when its square
    // is below 1e-6), margin 0.
    void SetBoxSize(float a, float b, float c);
    void SetBoxSize(const float* sizes);
    // Type cylinder: radius = diameter / 2, its square, half height = height / 2.
    void SetCylinder(float diameter, float height);
    void SetTransform(const D3DXMATRIX& local) { transform = local; }
    void SetMaterial(int32_t index) { material = index; }
    int32_t GetType() const { return type; }

    // The shape's axis-aligned box in body space.
    void GetBox(D3DXVECTOR3& minimum, D3DXVECTOR3& maximum) const;
    // The radius around the body origin that holds the shape.
    float GetRadius() const;
};
