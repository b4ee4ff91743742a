#include "core/CPBoundingBox.h"

#include <algorithm>

#include "core/GeometryUtils.h"

namespace {
// Per face: the corners P, A, B of its plane, then its two triangles.
struct Face {
    int p, a, b;
    int triangles[2][3];
};
constexpr Face kFaces[6] = {
    {0, 2, 1, {{0, 1, 2}, {0, 2, 3}}},  // z low
    {1, 6, 5, {{1, 5, 6}, {1, 6, 2}}},  // x high
    {2, 7, 6, {{2, 6, 7}, {2, 7, 3}}},  // y high
    {3, 4, 7, {{3, 7, 4}, {3, 4, 0}}},  // x low
    {0, 5, 4, {{0, 4, 5}, {0, 5, 1}}},  // y low
    {5, 7, 4, {{4, 5, 6}, {4, 6, 7}}},  // z high
};
// Per corner: whether x, y, z take the high side.
constexpr bool kCornerHigh[8][3] = {{false, false, false}, {true, false, false}, {true, true, false},
                                    {false, true, false},  {false, false, true}, {true, false, true},
                                    {true, true, true},    {false, true, true}};
}  // namespace

CPBoundingBox::CPBoundingBox() : CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 0)) {}

CPBoundingBox::CPBoundingBox(const D3DXVECTOR3& centre, const D3DXVECTOR3& halfExtents)
    : mCentre(centre),
      mHalfExtents(halfExtents),
      mMinimum(centre - halfExtents),
      mMaximum(centre + halfExtents),
      mEnclosesNothing(halfExtents.x < 0.0f || halfExtents.y < 0.0f || halfExtents.z < 0.0f) {
    D3DXMatrixIdentity(&mWorldPlacement);
    D3DXMatrixIdentity(&mLocalPlacement);
}

void CPBoundingBox::Transform() {
    mHalfExtents.x = std::max(mHalfExtents.x, kMinHalfExtent);
    mHalfExtents.y = std::max(mHalfExtents.y, kMinHalfExtent);
    mHalfExtents.z = std::max(mHalfExtents.z, kMinHalfExtent);
    const D3DXVECTOR3 lo = mCentre - mHalfExtents;
    const D3DXVECTOR3 hi = mCentre + mHalfExtents;
    for (int i = 0; i < 8; ++i) {
        D3DXVECTOR3 local(kCornerHigh[i][0] ? hi.x : lo.x, kCornerHigh[i][1] ? hi.y : lo.y,
                          kCornerHigh[i][2] ? hi.z : lo.z);
        D3DXVec3TransformCoord(&mCorners[i], &local, &mWorldPlacement);
    }
    for (int i = 0; i < 6; ++i) {
        const D3DXVECTOR3& p = mCorners[kFaces[i].p];
        D3DXVECTOR3 edgeA = mCorners[kFaces[i].a] - p;
        D3DXVECTOR3 edgeB = mCorners[kFaces[i].b] - p;
        D3DXVECTOR3 normal;
        D3DXVec3Cross(&normal, &edgeA, &edgeB);
        mPlanes[i] = D3DXPLANE(normal.x, normal.y, normal.z, -D3DXVec3Dot(&normal, &p));
    }
    mMinimum = mMaximum = mCorners[0];
    for (int i = 1; i < 8; ++i) {
        D3DXVec3Minimize(&mMinimum, &mMinimum, &mCorners[i]);
        D3DXVec3Maximize(&mMaximum, &mMaximum, &mCorners[i]);
    }
}

bool CPBoundingBox::IntersectRay(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float& bestDistance,
                                 D3DXPLANE& hitPlane) const {
    bool hit = false;
    for (int i = 0; i < 6; ++i) {
        float t = RayPlaneDistance(origin, direction, mPlanes[i]);
        if (!(t < bestDistance) || t < 0.0f) continue;
        D3DXVECTOR3 point = origin + direction * t;
        const Face& face = kFaces[i];
        bool inside = false;
        for (const auto& tri : face.triangles) {
            if (RayTriangleHit(point, mCorners[tri[0]], mCorners[tri[1]], mCorners[tri[2]])) {
                inside = true;
                break;
            }
        }
        if (!inside) continue;
        hitPlane = mPlanes[i];
        bestDistance = t;
        hit = true;
    }
    return hit;
}
