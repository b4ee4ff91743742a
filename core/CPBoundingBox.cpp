#include "core/CPBoundingBox.h"

#include <algorithm>

#include "core/BitExact.h"
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
    if (!mPlaced || !SameBits(mPlacedBy.world, mWorldPlacement) || !SameBits(mPlacedBy.centre, mCentre) ||
        !SameBits(mPlacedBy.halfExtents, mHalfExtents)) {
        mPlacedBy = Placement{mWorldPlacement, mCentre, mHalfExtents};
        mPlaced = true;
        PlaceCorners();
        mPlanesStale = true;
    } else {
        // The extremes are public: they are set again even when the corners stayed.
        mMinimum = mCornersMinimum;
        mMaximum = mCornersMaximum;
    }
}

void CPBoundingBox::PlaceCorners() {
    // D3DXVec3TransformCoord of each corner, with the products of the low and high coordinates by the
    // matrix rows made once for all eight, a row in the four lanes; the sums keep their order, so every
    // corner is bit for bit the same.
    const D3DXVECTOR3 lo = mCentre - mHalfExtents;
    const D3DXVECTOR3 hi = mCentre + mHalfExtents;
    const D3DXMATRIX& m = mWorldPlacement;
    const Float4 xs[2] = {lo.x * MatrixRow(m.m, 0), hi.x * MatrixRow(m.m, 0)};
    const Float4 ys[2] = {lo.y * MatrixRow(m.m, 1), hi.y * MatrixRow(m.m, 1)};
    const Float4 zs[2] = {lo.z * MatrixRow(m.m, 2), hi.z * MatrixRow(m.m, 2)};
    const Float4 w = MatrixRow(m.m, 3);
    // The extremes as D3DXVec3Minimize and D3DXVec3Maximize take them from corner 0 on, lane by lane
    // (the fourth lane is not used).
    Float4 minimum{}, maximum{};
    for (int i = 0; i < 8; ++i) {
        Float4 r = xs[kCornerHigh[i][0]] + ys[kCornerHigh[i][1]] + zs[kCornerHigh[i][2]] + w;
        // Division by a w of exactly 1 (every placement without projection) would leave the value as it is.
        if (r[3] != 0.0f && r[3] != 1.0f) r = r / r[3];
        mCorners[i] = D3DXVECTOR3(r[0], r[1], r[2]);
        if (i == 0) {
            minimum = maximum = r;
        } else {
            minimum = SelectLanes(r < minimum, r, minimum);
            maximum = SelectLanes(maximum < r, r, maximum);
        }
    }
    // Each from the lanes, not one from the other: a copy read back at once from the stores just made
    // stalls the processor.
    mCornersMinimum = D3DXVECTOR3(minimum[0], minimum[1], minimum[2]);
    mCornersMaximum = D3DXVECTOR3(maximum[0], maximum[1], maximum[2]);
    mMinimum = D3DXVECTOR3(minimum[0], minimum[1], minimum[2]);
    mMaximum = D3DXVECTOR3(maximum[0], maximum[1], maximum[2]);
}

void CPBoundingBox::BuildPlanes() const {
    for (int i = 0; i < 6; ++i) {
        const D3DXVECTOR3& p = mCorners[kFaces[i].p];
        D3DXVECTOR3 edgeA = mCorners[kFaces[i].a] - p;
        D3DXVECTOR3 edgeB = mCorners[kFaces[i].b] - p;
        D3DXVECTOR3 normal;
        D3DXVec3Cross(&normal, &edgeA, &edgeB);
        mPlanes[i] = D3DXPLANE(normal.x, normal.y, normal.z, -D3DXVec3Dot(&normal, &p));
    }
    mPlanesStale = false;
}

const std::array<D3DXPLANE, 6>& CPBoundingBox::GetPlanes() const {
    if (mPlanesStale) BuildPlanes();
    return mPlanes;
}

bool CPBoundingBox::IntersectRay(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float& bestDistance,
                                 D3DXPLANE& hitPlane) const {
    const std::array<D3DXPLANE, 6>& planes = GetPlanes();
    bool hit = false;
    for (int i = 0; i < 6; ++i) {
        float t = RayPlaneDistance(origin, direction, planes[i]);
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
        hitPlane = planes[i];
        bestDistance = t;
        hit = true;
    }
    return hit;
}
