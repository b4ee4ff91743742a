// The exact tests of the world's step: where a shape placed in the world reaches into another shape or
// into a triangle of the level, and where a ray first meets a shape or a triangle. Shapes touch by
// their sample points (a box's corners, points round a cylinder's rims). Two shapes are pushed apart
// along the axis of least overlap among their face axes and the crossings of their edges; their
// contacts are the sample points of each that reach past the other's face along that axis.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/D3DX9Math.h"
#include "simulation/physics/PhysGeometry.h"
#include "simulation/physics/PhysMath.h"

// A shape in the world: its three axes (unit for the shapes the world makes) and its centre.
struct PhysPlacedShape {
    const PhysGeometry* geometry = nullptr;
    D3DXVECTOR3 axis[3];
    D3DXVECTOR3 centre;
};

// A contact point: `normal` points from the other shape (or triangle) towards the first one.
struct PhysTouch {
    D3DXVECTOR3 point;
    D3DXVECTOR3 normal;
    float depth = 0.0f;
};

struct PhysRayHit {
    float distance = 0.0f;  // along the unit direction from the start
    D3DXVECTOR3 normal;     // of the surface, facing the ray's start
};

namespace PhysNarrowPhase {
// Points round a cylinder rim.
constexpr int kRimPoints = 8;
// A triangle whose doubled area is below this has no plane and is skipped.
constexpr float kDegenerateArea = 1e-8f;

// The shape of a body's geometry placed by the body's rotation and position.
PhysPlacedShape Place(const PhysGeometry& geometry, const PhysRows& rotation, const D3DXVECTOR3& position);
// The sample points of a placed shape (appended).
void SamplePoints(const PhysPlacedShape& shape, std::vector<D3DXVECTOR3>& points);
// How far the point lies inside the shape grown by `margin` on every side, and the outward direction
// that frees it fastest; false when the point is outside.
bool PointInside(const PhysPlacedShape& shape, const D3DXVECTOR3& point, float& depth, D3DXVECTOR3& outward,
                 float margin = 0.0f);
// Half the shape's extent along the unit axis.
float ProjectedRadius(const PhysPlacedShape& shape, const D3DXVECTOR3& axis);
// Contacts of shape A against shape B, their normals from B towards A, appended; none when an axis
// separates them.
void ShapeAgainstShape(const PhysPlacedShape& a, const PhysPlacedShape& b, std::vector<D3DXVECTOR3>& scratch,
                       std::vector<PhysTouch>& touches);
// Contacts of a shape against a triangle taken as two-sided: the side the shape's centre is on is its
// outside. `samples` are the shape's sample points.
void ShapeAgainstTriangle(const PhysPlacedShape& shape, const std::vector<D3DXVECTOR3>& samples,
                          const D3DXVECTOR3& v0, const D3DXVECTOR3& v1, const D3DXVECTOR3& v2,
                          std::vector<PhysTouch>& touches);
// The first hit of the ray within `reach`, from the start on; false for none. `direction` is unit.
bool RayShape(const D3DXVECTOR3& start, const D3DXVECTOR3& direction, float reach, const PhysPlacedShape& shape,
              PhysRayHit& hit);
bool RayTriangle(const D3DXVECTOR3& start, const D3DXVECTOR3& direction, float reach, const D3DXVECTOR3& v0,
                 const D3DXVECTOR3& v1, const D3DXVECTOR3& v2, PhysRayHit& hit);
// The same for a triangle whose TriangleNormal was made before (a level triangle kept by the step).
bool RayTriangle(const D3DXVECTOR3& start, const D3DXVECTOR3& direction, float reach, const D3DXVECTOR3& v0,
                 const D3DXVECTOR3& v1, const D3DXVECTOR3& v2, const D3DXVECTOR3& unitNormal, PhysRayHit& hit);
// The unit normal of (v1 - v0) x (v2 - v0); zero for a triangle without area.
D3DXVECTOR3 TriangleNormal(const D3DXVECTOR3& v0, const D3DXVECTOR3& v1, const D3DXVECTOR3& v2);
}  // namespace PhysNarrowPhase
