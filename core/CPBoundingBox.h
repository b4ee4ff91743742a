// The oriented box of a game object: centre and half extents in model space, placed in the world by
// a matrix; keeps its world corners, outward face planes and world extremes for culling and ray tests.
#pragma once

#include <array>

#include "platform/D3DX9Math.h"

class CPBoundingBox {
public:
    static constexpr float kMinHalfExtent = 0.001f;
    // Per corner in the order of GetCorners: whether x, y, z take the high side.
    static constexpr bool kCornerHigh[8][3] = {{false, false, false}, {true, false, false}, {true, true, false},
                                               {false, true, false},  {false, false, true}, {true, false, true},
                                               {true, true, true},    {false, true, true}};

    // Centre and half extents zero, identity placement.
    CPBoundingBox();
    // Minimum = centre - half, maximum = centre + half; corners and planes wait for the first Transform.
    // A negative half extent makes a box that encloses nothing (see EnclosesNothing).
    CPBoundingBox(const D3DXVECTOR3& centre, const D3DXVECTOR3& halfExtents);
    virtual ~CPBoundingBox() = default;

    // Raises half extents below 0.001 to 0.001, then places the corners by the world placement and
    // rebuilds minimum and maximum; the planes follow when they are next asked for. A box placed as at
    // its last Transform (same placement, centre and half extents, bit for bit) keeps its corners.
    void Transform();

    // Nearest face (turned towards the ray) hit closer than `bestDistance`, in units of the direction's
    // length. On a hit `bestDistance` and `hitPlane` take the new values. A ray starting inside the box
    // faces no front face and reports nothing.
    bool IntersectRay(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float& bestDistance,
                      D3DXPLANE& hitPlane) const;

    // World space after Transform (zero before the first); corner i + 4 lies above corner i (z high),
    // 0..3 in the order (lo, lo), (hi, lo), (hi, hi), (lo, hi) of x and y.
    const std::array<D3DXVECTOR3, 8>& GetCorners() const { return mCorners; }
    // World space, normals unnormalised and pointing out: z low, x high, y high, x low, y low, z high.
    // Made from the corners of the last Transform when first asked for after it (zero before the first).
    const std::array<D3DXPLANE, 6>& GetPlanes() const;

    D3DXVECTOR3 mCentre;       // model space
    D3DXVECTOR3 mHalfExtents;  // model space; at least 0.001 after a transform
    D3DXVECTOR3 mMinimum;  // world extremes after a transform (model space before the first)
    D3DXVECTOR3 mMaximum;
    D3DXMATRIX mWorldPlacement;  // local placement x the owner's world matrix, set by the owner
    D3DXMATRIX mLocalPlacement;  // placement relative to the owner

    // Made from bounds that no vertex widened (a mesh node without vertices keeps the reader's start
    // bounds, whose minimum lies above their maximum). Transform raises its half extents like any box's,
    // so the box then looks like a tiny real one far away; this flag remembers that it holds nothing, and
    // the axis box made from it is the empty box.
    bool EnclosesNothing() const { return mEnclosesNothing; }

private:
    // What the corners were placed from; a Transform with the same inputs has nothing to recompute.
    struct Placement {
        D3DXMATRIX world;
        D3DXVECTOR3 centre;
        D3DXVECTOR3 halfExtents;
    };

    // The corners and their extremes (into mMinimum and mMaximum too) by the world placement, centre
    // and half extents.
    void PlaceCorners();
    void BuildPlanes() const;

    std::array<D3DXVECTOR3, 8> mCorners{};
    D3DXVECTOR3 mCornersMinimum;  // world extremes of mCorners
    D3DXVECTOR3 mCornersMaximum;
    // Rebuilt from the corners only when asked for: most placed boxes are never ray-tested before
    // their next placement.
    mutable std::array<D3DXPLANE, 6> mPlanes{};
    mutable bool mPlanesStale = false;  // the corners moved since the planes were made
    Placement mPlacedBy{};
    bool mPlaced = false;  // mPlacedBy holds the inputs of the corners (false before the first Transform)
    bool mEnclosesNothing = false;
};
