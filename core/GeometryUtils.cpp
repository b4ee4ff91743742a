#include "core/GeometryUtils.h"

#include <cmath>

float RayPlaneDistance(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, const D3DXPLANE& plane) {
    const double a = plane.a, b = plane.b, c = plane.c, d = plane.d;
    const double s = a * direction.x + b * direction.y + c * direction.z;
    if (s == 0.0) return -1.0f;
    // The facing test is made on the float value: a tiny s that rounds to 0 counts as parallel.
    if (static_cast<float>(s) < 0.0f) return static_cast<float>(-(a * origin.x + b * origin.y + c * origin.z + d) / s);
    return -1.0f;
}

namespace {
// Whether the edge (a, b) lies at or above p along t at p's s position. The s range excludes the
// upper end unless `closed`; an edge standing upright in s (equal ends) never counts.
bool EdgeCounts(float ps, float pt, float as, float at, float bs, float bt, bool closed) {
    const bool inRange = closed ? ((as <= ps && ps <= bs) || (bs <= ps && ps <= as))
                                : ((as <= ps && ps < bs) || (bs <= ps && ps < as));
    if (!inRange || as == bs) return false;
    return pt <= at + (ps - as) * (bt - at) / (bs - as);
}
}  // namespace

bool RayTriangleHit(const D3DXVECTOR3& p, const D3DXVECTOR3& v0, const D3DXVECTOR3& v1, const D3DXVECTOR3& v2) {
    const D3DXVECTOR3 u = v0 - v1;
    const D3DXVECTOR3 v = v2 - v1;
    const float nx = std::fabs(u.y * v.z - u.z * v.y);
    const float ny = std::fabs(u.x * v.z - u.z * v.x);
    const float nz = std::fabs(u.x * v.y - v.x * u.y);

    // The two kept axes of the projection: x-y, else x-z, else y-z; ties go to the earlier plane.
    auto pick = [&](const D3DXVECTOR3& q, float& s, float& t) {
        if (nz >= nx && nz >= ny) {
            s = q.x, t = q.y;
        } else if (ny >= nz && ny >= nx) {
            s = q.x, t = q.z;
        } else {
            s = q.y, t = q.z;
        }
    };
    float ps, pt, s0, t0, s1, t1, s2, t2;
    pick(p, ps, pt);
    pick(v0, s0, t0);
    pick(v1, s1, t1);
    pick(v2, s2, t2);

    int crossings = 0;
    if (EdgeCounts(ps, pt, s0, t0, s1, t1, false)) ++crossings;
    if (EdgeCounts(ps, pt, s1, t1, s2, t2, false)) ++crossings;
    if (EdgeCounts(ps, pt, s2, t2, s0, t0, true)) ++crossings;
    return crossings == 1;
}

double SafeAcos(float x) {
    if (x > 1.0f) return std::acos(1.0);
    if (x < -1.0f) return std::acos(-1.0);
    return std::acos(static_cast<double>(x));
}

double SafeAsin(float x) {
    if (x > 1.0f) return std::asin(1.0);
    if (x < -1.0f) return std::asin(-1.0);
    return std::asin(static_cast<double>(x));
}
