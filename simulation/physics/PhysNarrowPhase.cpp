#include "simulation/physics/PhysNarrowPhase.h"

#include <algorithm>
#include <cmath>
#include <limits>

using PhysMath::Cross;
using PhysMath::Dot;
using PhysMath::Xyz;

namespace PhysNarrowPhase {
namespace {
// Points this close outside a triangle's edges still count as over it.
constexpr float kTriangleTolerance = 1e-4f;
constexpr float kParallel = 1e-9f;
constexpr float kInfinity = std::numeric_limits<float>::infinity();

struct Interval {
    float enter = -kInfinity;
    float exit = kInfinity;
};

// The ray's parameter interval inside the slab |s + t d| <= half; false when it misses the slab.
bool SlabInterval(float s, float d, float half, Interval& out) {
    if (std::fabs(d) < kParallel) {
        if (std::fabs(s) > half) return false;
        out = Interval{};
        return true;
    }
    float t0 = (-half - s) / d;
    float t1 = (half - s) / d;
    if (t0 > t1) std::swap(t0, t1);
    out = Interval{t0, t1};
    return true;
}

bool OverTriangle(const D3DXVECTOR3& q, const D3DXVECTOR3& v0, const D3DXVECTOR3& e1, const D3DXVECTOR3& e2) {
    const D3DXVECTOR3 p = q - v0;
    const float d00 = Dot(e1, e1), d01 = Dot(e1, e2), d11 = Dot(e2, e2);
    const float d20 = Dot(p, e1), d21 = Dot(p, e2);
    const float denominator = d00 * d11 - d01 * d01;
    if (denominator == 0.0f) return false;
    const float v = (d11 * d20 - d01 * d21) / denominator;
    const float w = (d00 * d21 - d01 * d20) / denominator;
    return v >= -kTriangleTolerance && w >= -kTriangleTolerance && v + w <= 1.0f + kTriangleTolerance;
}
}  // namespace

PhysPlacedShape Place(const PhysGeometry& geometry, const PhysRows& rotation, const D3DXVECTOR3& position) {
    PhysPlacedShape shape;
    shape.geometry = &geometry;
    for (int k = 0; k < 3; ++k) {
        const D3DXVECTOR3 local(geometry.transform.m[k][0], geometry.transform.m[k][1], geometry.transform.m[k][2]);
        shape.axis[k] = PhysMath::Rotate(local, rotation);
    }
    shape.centre = PhysMath::Rotate(PhysMath::TranslationOf(geometry.transform), rotation) + position;
    return shape;
}

void SamplePoints(const PhysPlacedShape& shape, std::vector<D3DXVECTOR3>& points) {
    const float* p = shape.geometry->params;
    switch (shape.geometry->type) {
        case PhysGeometry::kBox:
            for (int corner = 0; corner < 8; ++corner) {
                const float sx = (corner & 1) ? p[0] : -p[0];
                const float sy = (corner & 2) ? p[1] : -p[1];
                const float sz = (corner & 4) ? p[2] : -p[2];
                points.push_back(shape.centre + shape.axis[0] * sx + shape.axis[1] * sy + shape.axis[2] * sz);
            }
            break;
        case PhysGeometry::kCylinder:
            for (float side : {-1.0f, 1.0f}) {
                const D3DXVECTOR3 cap = shape.centre + shape.axis[1] * (side * p[2]);
                points.push_back(cap);
                for (int k = 0; k < kRimPoints; ++k) {
                    const float angle = static_cast<float>(k) * (2.0f * D3DX_PI / kRimPoints);
                    points.push_back(cap + shape.axis[0] * (p[0] * std::cos(angle)) +
                                     shape.axis[2] * (p[0] * std::sin(angle)));
                }
            }
            break;
        case PhysGeometry::kSphere:
            for (int k = 0; k < 3; ++k) {
                points.push_back(shape.centre + shape.axis[k] * p[0]);
                points.push_back(shape.centre - shape.axis[k] * p[0]);
            }
            break;
        default:
            points.push_back(shape.centre);
            break;
    }
}

bool PointInside(const PhysPlacedShape& shape, const D3DXVECTOR3& point, float& depth, D3DXVECTOR3& outward,
                 float margin) {
    const float* p = shape.geometry->params;
    const D3DXVECTOR3 d = point - shape.centre;
    const float q[3] = {Dot(d, shape.axis[0]), Dot(d, shape.axis[1]), Dot(d, shape.axis[2])};
    switch (shape.geometry->type) {
        case PhysGeometry::kBox: {
            int best = -1;
            for (int k = 0; k < 3; ++k) {
                const float room = p[k] + margin - std::fabs(q[k]);
                if (room < 0.0f) return false;
                if (best < 0 || room < depth) {
                    best = k;
                    depth = room;
                }
            }
            outward = q[best] < 0.0f ? -shape.axis[best] : shape.axis[best];
            return true;
        }
        case PhysGeometry::kCylinder: {
            const float radial = std::sqrt(q[0] * q[0] + q[2] * q[2]);
            const float roomAlong = p[2] + margin - std::fabs(q[1]);
            const float roomAcross = p[0] + margin - radial;
            if (roomAlong < 0.0f || roomAcross < 0.0f) return false;
            if (roomAlong <= roomAcross) {
                depth = roomAlong;
                outward = q[1] < 0.0f ? -shape.axis[1] : shape.axis[1];
            } else {
                depth = roomAcross;
                outward = radial > 1e-6f ? (shape.axis[0] * q[0] + shape.axis[2] * q[2]) / radial : shape.axis[0];
            }
            return true;
        }
        case PhysGeometry::kSphere: {
            const float distance = PhysMath::SafeLength(d);
            if (distance > p[0] + margin) return false;
            depth = p[0] + margin - distance;
            outward = distance > 0.0f ? d / distance : shape.axis[2];
            return true;
        }
        default:
            return false;
    }
}

float ProjectedRadius(const PhysPlacedShape& shape, const D3DXVECTOR3& axis) {
    const float* p = shape.geometry->params;
    switch (shape.geometry->type) {
        case PhysGeometry::kBox:
            return p[0] * std::fabs(Dot(shape.axis[0], axis)) + p[1] * std::fabs(Dot(shape.axis[1], axis)) +
                   p[2] * std::fabs(Dot(shape.axis[2], axis));
        case PhysGeometry::kCylinder: {
            const float along = Dot(shape.axis[1], axis);
            return p[2] * std::fabs(along) + p[0] * std::sqrt(std::max(0.0f, 1.0f - along * along));
        }
        case PhysGeometry::kSphere:
            return p[0];
        default:
            return 0.0f;
    }
}

namespace {
// The directions a shape's faces point along (both signs count): a box's axes, a cylinder's axis and
// the direction across it towards the other shape, a sphere's direction towards the other shape.
void FaceAxes(const PhysPlacedShape& shape, const D3DXVECTOR3& towardsOther, std::vector<D3DXVECTOR3>& axes) {
    switch (shape.geometry->type) {
        case PhysGeometry::kBox:
            for (const D3DXVECTOR3& axis : shape.axis) axes.push_back(axis);
            break;
        case PhysGeometry::kCylinder:
            axes.push_back(shape.axis[1]);
            axes.push_back(towardsOther - shape.axis[1] * Dot(towardsOther, shape.axis[1]));
            break;
        default:
            axes.push_back(towardsOther);
            break;
    }
}

// The directions of a shape's straight edges.
int EdgeAxes(const PhysPlacedShape& shape, D3DXVECTOR3 (&edges)[3]) {
    switch (shape.geometry->type) {
        case PhysGeometry::kBox:
            for (int k = 0; k < 3; ++k) edges[k] = shape.axis[k];
            return 3;
        case PhysGeometry::kCylinder:
            edges[0] = shape.axis[1];
            return 1;
        default:
            return 0;
    }
}
}  // namespace

void ShapeAgainstShape(const PhysPlacedShape& a, const PhysPlacedShape& b, std::vector<D3DXVECTOR3>& scratch,
                       std::vector<PhysTouch>& touches) {
    const D3DXVECTOR3 apart = a.centre - b.centre;  // from B towards A
    scratch.clear();
    FaceAxes(a, -apart, scratch);
    FaceAxes(b, apart, scratch);
    D3DXVECTOR3 edgesA[3], edgesB[3];
    const int countA = EdgeAxes(a, edgesA);
    const int countB = EdgeAxes(b, edgesB);
    for (int i = 0; i < countA; ++i)
        for (int j = 0; j < countB; ++j) scratch.push_back(Cross(edgesA[i], edgesB[j]));

    // The axis of least overlap; any axis with none separates the shapes.
    bool found = false;
    float overlap = 0.0f;
    D3DXVECTOR3 normal;
    for (const D3DXVECTOR3& candidate : scratch) {
        const float lengthSq = PhysMath::LengthSq(candidate);
        if (lengthSq < PhysMath::kTinySquare) continue;
        D3DXVECTOR3 axis = candidate / std::sqrt(lengthSq);
        float distance = Dot(apart, axis);
        if (distance < 0.0f) {
            axis = -axis;
            distance = -distance;
        }
        const float room = ProjectedRadius(a, axis) + ProjectedRadius(b, axis) - distance;
        if (room <= 0.0f) return;
        if (!found || room < overlap) {
            found = true;
            overlap = room;
            normal = axis;
        }
    }
    if (!found) {
        // Both centres coincide and no face says which way: push A up its own z axis.
        normal = a.axis[2];
        overlap = ProjectedRadius(a, normal) + ProjectedRadius(b, normal);
    }

    // The faces facing each other across the overlap, and the sample points that reach past them.
    const float faceB = Dot(b.centre, normal) + ProjectedRadius(b, normal);
    const float faceA = Dot(a.centre, normal) - ProjectedRadius(a, normal);
    const float grow = overlap + 0.01f;
    const size_t before = touches.size();
    float depth = 0.0f;
    D3DXVECTOR3 outward;
    scratch.clear();
    SamplePoints(a, scratch);
    for (const D3DXVECTOR3& point : scratch) {
        const float reach = faceB - Dot(point, normal);
        if (reach > 0.0f && PointInside(b, point, depth, outward, grow))
            touches.push_back({point, normal, std::min(reach, overlap)});
    }
    scratch.clear();
    SamplePoints(b, scratch);
    for (const D3DXVECTOR3& point : scratch) {
        const float reach = Dot(point, normal) - faceA;
        if (reach > 0.0f && PointInside(a, point, depth, outward, grow))
            touches.push_back({point, normal, std::min(reach, overlap)});
    }
    if (touches.size() == before) {
        // Edges crossing edges: one contact halfway between the two faces, on the line of centres.
        const D3DXVECTOR3 middle = (a.centre + b.centre) * 0.5f;
        const float level = (faceA + faceB) * 0.5f;
        touches.push_back({middle + normal * (level - Dot(middle, normal)), normal, overlap});
    }
}

void ShapeAgainstTriangle(const PhysPlacedShape& shape, const std::vector<D3DXVECTOR3>& samples,
                          const D3DXVECTOR3& v0, const D3DXVECTOR3& v1, const D3DXVECTOR3& v2,
                          std::vector<PhysTouch>& touches) {
    const D3DXVECTOR3 e1 = v1 - v0;
    const D3DXVECTOR3 e2 = v2 - v0;
    D3DXVECTOR3 normal = Cross(e1, e2);
    const float area = std::sqrt(PhysMath::LengthSq(normal));
    if (!(area >= kDegenerateArea)) return;
    normal /= area;
    if (Dot(normal, shape.centre - v0) < 0.0f) normal = -normal;
    for (const D3DXVECTOR3& point : samples) {
        const float distance = Dot(normal, point - v0);
        if (distance >= 0.0f) continue;
        if (OverTriangle(point - normal * distance, v0, e1, e2)) touches.push_back({point, normal, -distance});
    }
    // The triangle's corners that reach into the shape (a kerb's edge under a box).
    float depth = 0.0f;
    D3DXVECTOR3 outward;
    for (const D3DXVECTOR3* corner : {&v0, &v1, &v2})
        if (PointInside(shape, *corner, depth, outward)) touches.push_back({*corner, -outward, depth});
}

bool RayShape(const D3DXVECTOR3& start, const D3DXVECTOR3& direction, float reach, const PhysPlacedShape& shape,
              PhysRayHit& hit) {
    const float* p = shape.geometry->params;
    const D3DXVECTOR3 d = start - shape.centre;
    const float s[3] = {Dot(d, shape.axis[0]), Dot(d, shape.axis[1]), Dot(d, shape.axis[2])};
    const float u[3] = {Dot(direction, shape.axis[0]), Dot(direction, shape.axis[1]), Dot(direction, shape.axis[2])};
    Interval inside;
    D3DXVECTOR3 enterNormal = -direction;
    switch (shape.geometry->type) {
        case PhysGeometry::kBox:
            for (int k = 0; k < 3; ++k) {
                Interval slab;
                if (!SlabInterval(s[k], u[k], p[k], slab)) return false;
                if (slab.enter > inside.enter) {
                    inside.enter = slab.enter;
                    enterNormal = u[k] > 0.0f ? -shape.axis[k] : shape.axis[k];
                }
                inside.exit = std::min(inside.exit, slab.exit);
            }
            break;
        case PhysGeometry::kCylinder: {
            Interval slab;
            if (!SlabInterval(s[1], u[1], p[2], slab)) return false;
            Interval disc;
            const float a = u[0] * u[0] + u[2] * u[2];
            const float c = s[0] * s[0] + s[2] * s[2] - p[1];
            if (a < kParallel) {
                if (c > 0.0f) return false;
            } else {
                const float b = s[0] * u[0] + s[2] * u[2];
                const float discriminant = b * b - a * c;
                if (discriminant < 0.0f) return false;
                const float root = std::sqrt(discriminant);
                disc = Interval{(-b - root) / a, (-b + root) / a};
            }
            inside.exit = std::min(slab.exit, disc.exit);
            if (slab.enter >= disc.enter) {
                inside.enter = slab.enter;
                enterNormal = u[1] > 0.0f ? -shape.axis[1] : shape.axis[1];
            } else {
                inside.enter = disc.enter;
                const float x = s[0] + u[0] * disc.enter;
                const float z = s[2] + u[2] * disc.enter;
                enterNormal = PhysMath::SafeNormalize(shape.axis[0] * x + shape.axis[2] * z);
            }
            break;
        }
        case PhysGeometry::kSphere: {
            const float b = Dot(d, direction);
            const float c = Dot(d, d) - p[0] * p[0];
            const float discriminant = b * b - c;
            if (discriminant < 0.0f) return false;
            const float root = std::sqrt(discriminant);
            inside = Interval{-b - root, -b + root};
            enterNormal = PhysMath::SafeNormalize(d + direction * inside.enter);
            break;
        }
        default:
            return false;
    }
    if (inside.enter > inside.exit || inside.exit < 0.0f || inside.enter > reach) return false;
    if (inside.enter < 0.0f) {
        // The ray starts inside the shape: it meets it at once.
        hit.distance = 0.0f;
        hit.normal = -direction;
        return true;
    }
    hit.distance = inside.enter;
    hit.normal = enterNormal;
    return true;
}

namespace {
// Where the ray meets the triangle (Moller-Trumbore), within `reach`.
bool RayMeetsTriangle(const D3DXVECTOR3& start, const D3DXVECTOR3& direction, float reach, const D3DXVECTOR3& v0,
                      const D3DXVECTOR3& v1, const D3DXVECTOR3& v2, float& distance) {
    const D3DXVECTOR3 e1 = v1 - v0;
    const D3DXVECTOR3 e2 = v2 - v0;
    const D3DXVECTOR3 pv = Cross(direction, e2);
    const float determinant = Dot(e1, pv);
    if (std::fabs(determinant) < 1e-12f) return false;
    const float inverse = 1.0f / determinant;
    const D3DXVECTOR3 tv = start - v0;
    const float u = Dot(tv, pv) * inverse;
    if (u < 0.0f || u > 1.0f) return false;
    const D3DXVECTOR3 qv = Cross(tv, e1);
    const float v = Dot(direction, qv) * inverse;
    if (v < 0.0f || u + v > 1.0f) return false;
    const float t = Dot(e2, qv) * inverse;
    if (!(t >= 0.0f && t <= reach)) return false;
    distance = t;
    return true;
}

// The hit's normal faces the ray.
void TakeRayHit(float distance, const D3DXVECTOR3& direction, const D3DXVECTOR3& unitNormal, PhysRayHit& hit) {
    hit.distance = distance;
    hit.normal = Dot(unitNormal, direction) > 0.0f ? -unitNormal : unitNormal;
}
}  // namespace

D3DXVECTOR3 TriangleNormal(const D3DXVECTOR3& v0, const D3DXVECTOR3& v1, const D3DXVECTOR3& v2) {
    return PhysMath::SafeNormalize(Cross(v1 - v0, v2 - v0));
}

bool RayTriangle(const D3DXVECTOR3& start, const D3DXVECTOR3& direction, float reach, const D3DXVECTOR3& v0,
                 const D3DXVECTOR3& v1, const D3DXVECTOR3& v2, PhysRayHit& hit) {
    float distance = 0.0f;
    if (!RayMeetsTriangle(start, direction, reach, v0, v1, v2, distance)) return false;
    TakeRayHit(distance, direction, TriangleNormal(v0, v1, v2), hit);
    return true;
}

bool RayTriangle(const D3DXVECTOR3& start, const D3DXVECTOR3& direction, float reach, const D3DXVECTOR3& v0,
                 const D3DXVECTOR3& v1, const D3DXVECTOR3& v2, const D3DXVECTOR3& unitNormal, PhysRayHit& hit) {
    float distance = 0.0f;
    if (!RayMeetsTriangle(start, direction, reach, v0, v1, v2, distance)) return false;
    TakeRayHit(distance, direction, unitNormal, hit);
    return true;
}
}  // namespace PhysNarrowPhase
