#include "simulation/physics/CPCollisionGeometry.h"

#include <algorithm>

namespace CPCollisionGeometry {

int32_t PointTriangleSide(const D3DXVECTOR3& p, const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    const float ex = b.x - a.x, ey = b.y - a.y;
    const float px = p.x - a.x, py = p.y - a.y;
    const float cross = ex * py - ey * px;
    if (cross > 0.0f) return 0;
    if (cross < 0.0f) return 1;
    if (px * ex < 0.0f || py * ey < 0.0f) return 3;
    if (px * px + py * py > ex * ex + ey * ey) return 2;
    if (p.x == a.x && p.y == a.y && p.z == a.z) return 5;
    if (p.x != b.x || p.y != b.y || p.z != b.z) return 4;
    return 6;
}

bool PointInTriangle(const D3DXVECTOR3& p, const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& c) {
    if (PointTriangleSide(p, a, b) != 0 && PointTriangleSide(p, b, c) != 0 && PointTriangleSide(p, c, a) != 0)
        return true;
    return PointTriangleSide(p, c, b) != 0 && PointTriangleSide(p, b, a) != 0 && PointTriangleSide(p, a, c) != 0;
}

bool SegmentsIntersect(const D3DXVECTOR3& p1, const D3DXVECTOR3& p2, const D3DXVECTOR3& p3, const D3DXVECTOR3& p4) {
    if (std::max(p1.x, p2.x) < std::min(p3.x, p4.x) || std::max(p3.x, p4.x) < std::min(p1.x, p2.x) ||
        std::max(p1.y, p2.y) < std::min(p3.y, p4.y) || std::max(p3.y, p4.y) < std::min(p1.y, p2.y))
        return false;
    const float d = (p4.y - p3.y) * (p2.x - p1.x) - (p4.x - p3.x) * (p2.y - p1.y);
    if (d == 0.0f) return false;
    const float ua = (p1.y - p3.y) * (p2.x - p1.x) - (p1.x - p3.x) * (p2.y - p1.y);
    const float ub = (p1.y - p3.y) * (p4.x - p3.x) - (p1.x - p3.x) * (p4.y - p3.y);
    if (d > 0.0f) return ua >= 0.0f && ua <= d && ub >= 0.0f && ub <= d;
    return ua <= 0.0f && ua >= d && ub <= 0.0f && ub >= d;
}

bool TriangleBoxOverlap(float x0, float y0, float x1, float y1, const D3DXVECTOR3& t0, const D3DXVECTOR3& t1,
                        const D3DXVECTOR3& t2) {
    const D3DXVECTOR3* triangle[3] = {&t0, &t1, &t2};
    for (const D3DXVECTOR3* t : triangle)
        if (t->x >= x0 && t->x <= x1 && t->y >= y0 && t->y <= y1) return true;
    const D3DXVECTOR3 corners[4] = {{x0, y0, 0.0f}, {x1, y0, 0.0f}, {x0, y1, 0.0f}, {x1, y1, 0.0f}};
    for (const D3DXVECTOR3& corner : corners)
        if (PointInTriangle(corner, t0, t1, t2)) return true;
    // The square's edges c0-c1, c1-c3, c3-c2, c2-c0 against the triangle's.
    const int edges[4][2] = {{0, 1}, {1, 3}, {3, 2}, {2, 0}};
    for (const auto& edge : edges)
        for (int k = 0; k < 3; ++k)
            if (SegmentsIntersect(corners[edge[0]], corners[edge[1]], *triangle[k], *triangle[(k + 1) % 3]))
                return true;
    return false;
}

}  // namespace CPCollisionGeometry
