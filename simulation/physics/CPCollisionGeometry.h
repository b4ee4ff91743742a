// The plane tests that sort the level's collision triangles into grid cells: x and y only (z is ignored).
#pragma once

#include <cstdint>

#include "platform/D3DX9Math.h"

namespace CPCollisionGeometry {
// Where p lies against the directed edge a -> b: 0 left, 1 right; when collinear: 3 behind a,
// 2 beyond b, 5 at a (x, y and z equal), 4 between a and b, 6 at b.
int32_t PointTriangleSide(const D3DXVECTOR3& p, const D3DXVECTOR3& a, const D3DXVECTOR3& b);
// True when p is on no edge's left side for one of the two windings.
bool PointInTriangle(const D3DXVECTOR3& p, const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& c);
// True when the segments p1-p2 and p3-p4 cross (parallel ones never do); touching boxes count.
bool SegmentsIntersect(const D3DXVECTOR3& p1, const D3DXVECTOR3& p2, const D3DXVECTOR3& p3, const D3DXVECTOR3& p4);
// True when the triangle overlaps the closed square from (x0, y0) to (x1, y1): a vertex in the square, a
// square corner in the triangle, or crossing edges.
bool TriangleBoxOverlap(float x0, float y0, float x1, float y1, const D3DXVECTOR3& t0, const D3DXVECTOR3& t1,
                        const D3DXVECTOR3& t2);
}  // namespace CPCollisionGeometry
