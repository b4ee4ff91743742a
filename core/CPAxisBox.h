// A world-aligned box (minimum, maximum, half extents, centre) with merging, growth by the object's
// shadow, and segment, sphere and point tests. The empty box has minimum 1e6 and maximum -1e6 on every
// axis, so that any merge overwrites it; an empty box merged into another adds nothing to it.
#pragma once

#include <vector>

#include "core/CPBoundingBox.h"
#include "platform/D3DX9Math.h"

class CPAxisBox {
public:
    static constexpr float kEmptyMinimum = 1e6f;
    static constexpr float kEmptyMaximum = -1e6f;

    // The empty box, centre and half extents zero.
    CPAxisBox();

    // centre = (minimum + maximum) / 2; half extents = (maximum - minimum) / 2.
    void UpdateCentre();
    // The box's world extremes; a box that encloses nothing gives the empty extremes.
    void FromBoundingBox(const CPBoundingBox& box);
    // Union of the boxes' extremes; an empty list gives the empty extremes and leaves centre and half
    // extents as they were.
    void FromBoxes(const std::vector<CPBoundingBox>& boxes);
    // Union with the other box (an empty one adds nothing), then UpdateCentre.
    void Merge(const CPAxisBox& other);
    // Union with the other box (an empty one adds nothing); half extents = (maximum - minimum) / 2,
    // centre = minimum + half extents.
    void Include(const CPAxisBox& other);
    // Grows the extremes to cover the box's corners projected by gShadowMatrix. Corners that the matrix
    // sends to w = 0 (such as every corner under the all-zero matrix before a level loads) are skipped;
    // an empty box casts no shadow. Centre and half extents are left to the caller.
    void Adjust();
    // Whether the box holds no point: its minimum lies above its maximum on some axis.
    bool IsEmpty() const;

    // Whether the segment from origin to origin + direction x length meets the box (touching counts).
    bool IntersectSegment(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float length) const;
    // Whether the sphere touches or overlaps the box.
    bool IntersectSphere(const D3DXVECTOR3& centre, float radius) const;
    // Strictly inside: a point on a face is outside.
    bool Contains(const D3DXVECTOR3& point) const;

    D3DXVECTOR3 mMinimum;
    D3DXVECTOR3 mMaximum;
    D3DXVECTOR3 mHalfExtents;
    D3DXVECTOR3 mCentre;

private:
    // The extremes grow to cover the other box's, unless it is empty.
    void Unite(const CPAxisBox& other);
};

// Inline: the scene update calls these for every object on every frame.
inline void CPAxisBox::UpdateCentre() {
    mCentre = (mMinimum + mMaximum) * 0.5f;
    mHalfExtents = (mMaximum - mMinimum) * 0.5f;
}

inline void CPAxisBox::FromBoundingBox(const CPBoundingBox& box) {
    mMinimum = box.EnclosesNothing() ? D3DXVECTOR3(kEmptyMinimum, kEmptyMinimum, kEmptyMinimum) : box.mMinimum;
    mMaximum = box.EnclosesNothing() ? D3DXVECTOR3(kEmptyMaximum, kEmptyMaximum, kEmptyMaximum) : box.mMaximum;
    mHalfExtents = (mMaximum - mMinimum) * 0.5f;
    mCentre = mMinimum + mHalfExtents;
}

inline bool CPAxisBox::IsEmpty() const {
    return mMinimum.x > mMaximum.x || mMinimum.y > mMaximum.y || mMinimum.z > mMaximum.z;
}

inline void CPAxisBox::Unite(const CPAxisBox& other) {
    if (other.IsEmpty()) return;
    D3DXVec3Minimize(&mMinimum, &mMinimum, &other.mMinimum);
    D3DXVec3Maximize(&mMaximum, &mMaximum, &other.mMaximum);
}

inline void CPAxisBox::Merge(const CPAxisBox& other) {
    Unite(other);
    UpdateCentre();
}

inline void CPAxisBox::Include(const CPAxisBox& other) {
    Unite(other);
    mHalfExtents = (mMaximum - mMinimum) * 0.5f;
    mCentre = mMinimum + mHalfExtents;
}
