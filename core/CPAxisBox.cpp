#include "core/CPAxisBox.h"

#include <cmath>

#include "core/BitExact.h"
#include "core/ShadowMatrix.h"

CPAxisBox::CPAxisBox()
    : mMinimum(kEmptyMinimum, kEmptyMinimum, kEmptyMinimum),
      mMaximum(kEmptyMaximum, kEmptyMaximum, kEmptyMaximum),
      mHalfExtents(0, 0, 0),
      mCentre(0, 0, 0) {}


void CPAxisBox::FromBoxes(const std::vector<CPBoundingBox>& boxes) {
    mMinimum = D3DXVECTOR3(kEmptyMinimum, kEmptyMinimum, kEmptyMinimum);
    mMaximum = D3DXVECTOR3(kEmptyMaximum, kEmptyMaximum, kEmptyMaximum);
    if (boxes.empty()) return;
    for (const CPBoundingBox& box : boxes) {
        D3DXVec3Minimize(&mMinimum, &mMinimum, &box.mMinimum);
        D3DXVec3Maximize(&mMaximum, &mMaximum, &box.mMaximum);
    }
    UpdateCentre();
}



void CPAxisBox::Adjust() {
    if (IsEmpty()) return;
    // D3DXVec3Transform of each corner (x, y, z, 1), with the products of the low and high coordinates
    // by the matrix rows made once for all eight, a row in the four lanes; the sums keep their order.
    const D3DXVECTOR3 lo = mMinimum, hi = mMaximum;
    const D3DXMATRIX& m = gShadowMatrix;
    const Float4 xs[2] = {lo.x * MatrixRow(m.m, 0), hi.x * MatrixRow(m.m, 0)};
    const Float4 ys[2] = {lo.y * MatrixRow(m.m, 1), hi.y * MatrixRow(m.m, 1)};
    const Float4 zs[2] = {lo.z * MatrixRow(m.m, 2), hi.z * MatrixRow(m.m, 2)};
    const Float4 w = MatrixRow(m.m, 3);
    // The extremes grow lane by lane, corner after corner (the fourth lane is not used).
    Float4 minimum = {lo.x, lo.y, lo.z, 0.0f}, maximum = {hi.x, hi.y, hi.z, 0.0f};
    for (const auto& high : CPBoundingBox::kCornerHigh) {
        const Float4 projected = xs[high[0]] + ys[high[1]] + zs[high[2]] + w;
        if (projected[3] == 0.0f) continue;
        const Float4 p = projected / projected[3];
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) continue;
        minimum = SelectLanes(p < minimum, p, minimum);
        maximum = SelectLanes(maximum < p, p, maximum);
    }
    mMinimum = D3DXVECTOR3(minimum[0], minimum[1], minimum[2]);
    mMaximum = D3DXVECTOR3(maximum[0], maximum[1], maximum[2]);
}

bool CPAxisBox::IntersectSegment(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float length) const {
    const float halfLength = length * 0.5f;
    const D3DXVECTOR3 mid = origin + direction * halfLength;
    const D3DXVECTOR3 dist = mCentre - mid;
    const D3DXVECTOR3& e = mHalfExtents;
    const D3DXVECTOR3 ad(std::fabs(direction.x), std::fabs(direction.y), std::fabs(direction.z));
    if (e.x + ad.x * length * 0.5f < std::fabs(dist.x)) return false;
    if (e.y + ad.y * length * 0.5f < std::fabs(dist.y)) return false;
    if (e.z + ad.z * length * 0.5f < std::fabs(dist.z)) return false;
    if (e.y * ad.z + e.z * ad.y < std::fabs(dist.y * direction.z - dist.z * direction.y)) return false;
    if (e.x * ad.z + e.z * ad.x < std::fabs(dist.z * direction.x - dist.x * direction.z)) return false;
    if (e.x * ad.y + e.y * ad.x < std::fabs(dist.x * direction.y - dist.y * direction.x)) return false;
    return true;
}

bool CPAxisBox::IntersectSphere(const D3DXVECTOR3& centre, float radius) const {
    auto axis = [](float p, float lo, float hi) {
        if (p < lo) return (p - lo) * (p - lo);
        if (p > hi) return (p - hi) * (p - hi);
        return 0.0f;
    };
    float distanceSq =
        axis(centre.x, mMinimum.x, mMaximum.x) + axis(centre.y, mMinimum.y, mMaximum.y) + axis(centre.z, mMinimum.z, mMaximum.z);
    return distanceSq <= radius * radius;
}

bool CPAxisBox::Contains(const D3DXVECTOR3& point) const {
    return std::fabs(mCentre.x - point.x) < mHalfExtents.x && std::fabs(mCentre.y - point.y) < mHalfExtents.y &&
           std::fabs(mCentre.z - point.z) < mHalfExtents.z;
}
