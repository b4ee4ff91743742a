#include "core/CPBoundingBox.h"

#include <algorithm>
#include <cstring>

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
    const Placement placement{mWorldPlacement, mCentre, mHalfExtents};
    static_assert(sizeof(Placement) == sizeof(D3DXMATRIX) + 2 * sizeof(D3DXVECTOR3), "compared as bytes");
    if (!mPlaced || std::memcmp(&placement, &mPlacedBy, sizeof placement) != 0) {
        mPlacedBy = placement;
        mPlaced = true;
        PlaceCorners();
        mPlanesStale = true;
    }
    // The extremes are public: they are taken again even when the corners stayed.
    TakeExtremes();
}

void CPBoundingBox::PlaceCorners() {
    // D3DXVec3TransformCoord of each corner, with the products of the low and high coordinates by the
    // matrix rows made once for all eight; the sums keep their order, so every corner is bit for bit
    // the same.
    const D3DXVECTOR3 lo = mCentre - mHalfExtents;
    const D3DXVECTOR3 hi = mCentre + mHalfExtents;
    const D3DXMATRIX& m = mWorldPlacement;
    const auto rowTimes = [&m](int row, float v) {
        return D3DXVECTOR4(v * m.m[row][0], v * m.m[row][1], v * m.m[row][2], v * m.m[row][3]);
    };
    const D3DXVECTOR4 xs[2] = {rowTimes(0, lo.x), rowTimes(0, hi.x)};
    const D3DXVECTOR4 ys[2] = {rowTimes(1, lo.y), rowTimes(1, hi.y)};
    const D3DXVECTOR4 zs[2] = {rowTimes(2, lo.z), rowTimes(2, hi.z)};
    for (int i = 0; i < 8; ++i) {
        const D3DXVECTOR4& x = xs[kCornerHigh[i][0]];
        const D3DXVECTOR4& y = ys[kCornerHigh[i][1]];
        const D3DXVECTOR4& z = zs[kCornerHigh[i][2]];
        const D3DXVECTOR4 r(x.x + y.x + z.x + m._41, x.y + y.y + z.y + m._42, x.z + y.z + z.z + m._43,
                            x.w + y.w + z.w + m._44);
        // Division by a w of exactly 1 (every placement without projection) would leave the value as it is.
        if (r.w == 0.0f || r.w == 1.0f)
            mCorners[i] = D3DXVECTOR3(r.x, r.y, r.z);
        else
            mCorners[i] = D3DXVECTOR3(r.x / r.w, r.y / r.w, r.z / r.w);
    }
}

void CPBoundingBox::TakeExtremes() {
    mMinimum = mMaximum = mCorners[0];
    for (int i = 1; i < 8; ++i) {
        D3DXVec3Minimize(&mMinimum, &mMinimum, &mCorners[i]);
        D3DXVec3Maximize(&mMaximum, &mMaximum, &mCorners[i]);
    }
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
