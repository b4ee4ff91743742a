#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/BitExact.h"
#include "core/CPAxisBox.h"
#include "core/CPBoundingBox.h"
#include "core/ShadowMatrix.h"
#include "support/MathExpect.h"
#include "support/ScopedGlobal.h"

namespace {

CPBoundingBox PlacedBox(D3DXVECTOR3 centre, D3DXVECTOR3 half, const D3DXMATRIX* placement = nullptr) {
    CPBoundingBox box(centre, half);
    if (placement) box.mWorldPlacement = *placement;
    box.Transform();
    return box;
}

CPAxisBox AxisBox(D3DXVECTOR3 minimum, D3DXVECTOR3 maximum) {
    CPAxisBox box;
    box.mMinimum = minimum;
    box.mMaximum = maximum;
    box.UpdateCentre();
    return box;
}

}  // namespace

TEST(BoundingBoxTest, ConstructionAndFlatBoxes) {
    CPBoundingBox box({1, 2, 3}, {1, 0, 1});
    ExpectVec3Near(box.mMinimum, {0, 2, 2});
    ExpectVec3Near(box.mMaximum, {2, 2, 4});
    EXPECT_TRUE(D3DXMatrixIsIdentity(&box.mWorldPlacement));

    CPBoundingBox flat = PlacedBox({0, 0, 0}, {1, 0, 1});
    EXPECT_FLOAT_EQ(flat.mHalfExtents.y, 0.001f);
    EXPECT_FLOAT_EQ(flat.mMinimum.y, -0.001f);
    CPBoundingBox exact = PlacedBox({0, 0, 0}, {0.001f, 2, 2});
    EXPECT_FLOAT_EQ(exact.mHalfExtents.x, 0.001f);
}

TEST(BoundingBoxTest, CornersAndOutwardPlanesFollowThePlacement) {
    D3DXMATRIX placement;
    D3DXMatrixTranslation(&placement, 10, 0, 0);
    CPBoundingBox box = PlacedBox({0, 0, 0}, {1, 2, 3}, &placement);
    ExpectVec3Near(box.GetCorners()[0], {9, -2, -3});
    ExpectVec3Near(box.GetCorners()[2], {11, 2, -3});
    ExpectVec3Near(box.GetCorners()[6], {11, 2, 3});
    ExpectVec3Near(box.mMinimum, {9, -2, -3});
    ExpectVec3Near(box.mMaximum, {11, 2, 3});
    // A point outside each face lies on the positive side of that face's plane.
    const D3DXVECTOR3 outside[6] = {{10, 0, -4}, {12, 0, 0}, {10, 3, 0}, {8, 0, 0}, {10, -3, 0}, {10, 0, 4}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_GT(D3DXPlaneDotCoord(&box.GetPlanes()[i], &outside[i]), 0) << "plane " << i;
        D3DXVECTOR3 centre(10, 0, 0);
        EXPECT_LT(D3DXPlaneDotCoord(&box.GetPlanes()[i], &centre), 0) << "plane " << i;
    }
}

TEST(BoundingBoxTest, RayTests) {
    D3DXMATRIX turned, shift, placement;
    D3DXMatrixRotationZ(&turned, D3DX_PI / 4);
    D3DXMatrixTranslation(&shift, 10, 0, 0);
    placement = turned * shift;
    struct Case {
        std::string name;
        const D3DXMATRIX* placement;
        D3DXVECTOR3 origin, direction;
        float best;
        bool hits;
        float distance;
        D3DXPLANE plane;
    };
    const std::vector<Case> cases = {
        {"down onto the top face", nullptr, {0.5f, -0.25f, 10}, {0, 0, -1}, 100, true, 9, {0, 0, 4, -4}},
        {"top face beyond the best distance", nullptr, {0.5f, -0.25f, 10}, {0, 0, -1}, 5, false, 5, {}},
        {"along x into the low x face", nullptr, {-5, 0, 0}, {1, 0, 0}, 100, true, 4, {-4, 0, 0, -4}},
        {"distance in units of the direction", nullptr, {0, 0, 10}, {0, 0, -2}, 100, true, 4.5f, {0, 0, 4, -4}},
        {"pointing away", nullptr, {0, 0, 10}, {0, 0, 1}, 100, false, 100, {}},
        {"passing beside", nullptr, {5, 5, 10}, {0, 0, -1}, 100, false, 100, {}},
        {"parallel to the top face, just below it", nullptr, {-5, 0, 0.9f}, {1, 0, 0}, 100, true, 4, {-4, 0, 0, -4}},
        {"from inside: no face turns towards the ray", nullptr, {0, 0, 0}, {1, 0, 0}, 100, false, 100, {}},
        {"turned and moved box", &placement, {10, 0, 10}, {0, 0, -1}, 100, true, 9, {0, 0, 4, -4}},
        {"beside the turned corner", &placement, {10.9f, 0.9f, 10}, {0, 0, -1}, 100, false, 100, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CPBoundingBox box = PlacedBox({0, 0, 0}, {1, 1, 1}, c.placement);
        float best = c.best;
        D3DXPLANE plane(7, 7, 7, 7);
        EXPECT_EQ(box.IntersectRay(c.origin, c.direction, best, plane), c.hits);
        EXPECT_NEAR(best, c.distance, 1e-4f);
        if (c.hits) {
            EXPECT_NEAR(plane.a, c.plane.a, 1e-4f);
            EXPECT_NEAR(plane.b, c.plane.b, 1e-4f);
            EXPECT_NEAR(plane.c, c.plane.c, 1e-4f);
            EXPECT_NEAR(plane.d, c.plane.d, 1e-4f);
        } else {
            EXPECT_EQ(plane, D3DXPLANE(7, 7, 7, 7));
        }
    }
}

TEST(BoundingBoxTest, RepeatedTestsKeepTheNearestHit) {
    CPBoundingBox nearBox = PlacedBox({0, 0, 5}, {1, 1, 1});
    CPBoundingBox farBox = PlacedBox({0, 0, 0}, {1, 1, 1});
    const D3DXVECTOR3 origin(0, 0, 10), down(0, 0, -1);
    D3DXPLANE plane;
    float best = 100;
    EXPECT_TRUE(farBox.IntersectRay(origin, down, best, plane));
    EXPECT_TRUE(nearBox.IntersectRay(origin, down, best, plane));
    EXPECT_FLOAT_EQ(best, 4);
    best = 100;
    EXPECT_TRUE(nearBox.IntersectRay(origin, down, best, plane));
    EXPECT_FALSE(farBox.IntersectRay(origin, down, best, plane));
    EXPECT_FLOAT_EQ(best, 4);
}

namespace {

D3DXMATRIX Matrix(std::initializer_list<float> values) {
    D3DXMATRIX m;
    std::copy(values.begin(), values.end(), &m.m[0][0]);
    return m;
}

}  // namespace

// The corners are placed with shared products, but each must be what the transform helper gives for
// that corner, to the bit: placements turn, mirror, project (w other than 1) and send corners to w = 0.
TEST(BoundingBoxTest, CornersAreThoseOfThePointTransformBitForBit) {
    D3DXMATRIX turned, shift;
    D3DXMatrixRotationYawPitchRoll(&turned, 0.3f, -1.1f, 2.7f);
    D3DXMatrixTranslation(&shift, 1234.567f, -0.001f, 89.1f);
    const struct {
        const char* name;
        D3DXMATRIX placement;
    } cases[] = {
        {"identity", Matrix({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1})},
        {"turned and moved far", turned * shift},
        {"scaled and mirrored", Matrix({-3.3f, 0, 0, 0, 0, 0.7f, 0.1f, 0, 0, 0, 1e-3f, 0, -0.0f, 5, 6, 1})},
        {"projecting", Matrix({1, 0, 0, 0.25f, 0, 1, 0, -0.5f, 0, 0, 1, 0.125f, 0.3f, 0.2f, 0.1f, 3})},
        {"low x corners at w = 0", Matrix({2, 0, 0, 1, 0, 3, 0, 0, 0, 0, 4, 0, 7, 8, 9, 1})},
    };
    const D3DXVECTOR3 centre(0.5f, -1.25f, 0.125f), half(1.5f, 0.375f, 2.875f);  // low x: -1
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CPBoundingBox box = PlacedBox(centre, half, &c.placement);
        const D3DXVECTOR3 lo = centre - half, hi = centre + half;
        D3DXVECTOR3 expectedMin, expectedMax;
        for (int i = 0; i < 8; ++i) {
            const bool highX = i == 1 || i == 2 || i == 5 || i == 6, highY = (i & 3) >= 2, highZ = i >= 4;
            const D3DXVECTOR3 local(highX ? hi.x : lo.x, highY ? hi.y : lo.y, highZ ? hi.z : lo.z);
            D3DXVECTOR3 expected;
            D3DXVec3TransformCoord(&expected, &local, &c.placement);
            EXPECT_TRUE(SameBits(box.GetCorners()[i], expected)) << "corner " << i;
            if (i == 0) expectedMin = expectedMax = expected;
            D3DXVec3Minimize(&expectedMin, &expectedMin, &expected);
            D3DXVec3Maximize(&expectedMax, &expectedMax, &expected);
        }
        EXPECT_TRUE(SameBits(box.mMinimum, expectedMin));
        EXPECT_TRUE(SameBits(box.mMaximum, expectedMax));
    }
}

// The planes are made when asked for: after a new placement they are those of the new corners, the same
// as a box placed there at once, and a copy made before anyone asked carries them along.
TEST(BoundingBoxTest, PlanesFollowEveryNewPlacement) {
    D3DXMATRIX first, second;
    D3DXMatrixTranslation(&first, 10, 0, 0);
    D3DXMatrixRotationZ(&second, 0.4f);
    second._41 = -20;
    CPBoundingBox box = PlacedBox({0, 0, 0}, {1, 2, 3}, &first);
    const CPBoundingBox copyAtFirst = box;
    const CPBoundingBox freshAtFirst = PlacedBox({0, 0, 0}, {1, 2, 3}, &first);
    EXPECT_TRUE(SameBits(copyAtFirst.GetPlanes(), freshAtFirst.GetPlanes()));
    EXPECT_TRUE(SameBits(box.GetPlanes(), freshAtFirst.GetPlanes()));

    box.mWorldPlacement = second;
    box.Transform();
    const CPBoundingBox freshAtSecond = PlacedBox({0, 0, 0}, {1, 2, 3}, &second);
    EXPECT_TRUE(SameBits(box.GetPlanes(), freshAtSecond.GetPlanes()));
    // The ray test reads the new planes too: down onto the top face where the box is now.
    float best = 100;
    D3DXPLANE plane;
    EXPECT_TRUE(box.IntersectRay({-20, 0, 10}, {0, 0, -1}, best, plane));
    EXPECT_FLOAT_EQ(best, 7);
    best = 100;
    EXPECT_FALSE(box.IntersectRay({10, 0, 10}, {0, 0, -1}, best, plane)) << "nothing is left where it was";
    // The copy kept the planes of where it was placed.
    EXPECT_TRUE(SameBits(copyAtFirst.GetPlanes(), freshAtFirst.GetPlanes()));
}

// Corners are kept only when nothing they come from changed: a new centre or new half extents under the
// same matrix move them; the public extremes are always taken again from the corners.
TEST(BoundingBoxTest, ATransformRecomputesWhenAnyInputChanged) {
    D3DXMATRIX placement;
    D3DXMatrixTranslation(&placement, 5, 0, 0);
    CPBoundingBox box = PlacedBox({0, 0, 0}, {1, 1, 1}, &placement);
    box.mHalfExtents = D3DXVECTOR3(2, 1, 1);
    box.Transform();
    ExpectVec3Near(box.GetCorners()[0], {3, -1, -1});
    ExpectVec3Near(box.mMaximum, {7, 1, 1});
    box.mCentre = D3DXVECTOR3(0, 0, 10);
    box.Transform();
    ExpectVec3Near(box.GetCorners()[6], {7, 1, 11});
    float best = 100;
    D3DXPLANE plane;
    EXPECT_TRUE(box.IntersectRay({5, 0, 20}, {0, 0, -1}, best, plane));
    EXPECT_FLOAT_EQ(best, 9);

    box.mMinimum = D3DXVECTOR3(-50, -50, -50);
    box.mMaximum = D3DXVECTOR3(50, 50, 50);
    box.Transform();  // the same inputs: the corners stay, the extremes are theirs again
    ExpectVec3Near(box.mMinimum, {3, -1, 9});
    ExpectVec3Near(box.mMaximum, {7, 1, 11});
}

TEST(AxisBoxTest, StartsEmptyAndMergesIntoExactlyTheOtherBox) {
    CPAxisBox empty;
    ExpectVec3Near(empty.mMinimum, {1e6f, 1e6f, 1e6f});
    ExpectVec3Near(empty.mMaximum, {-1e6f, -1e6f, -1e6f});
    EXPECT_EQ(empty.mCentre, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(empty.mHalfExtents, D3DXVECTOR3(0, 0, 0));

    CPAxisBox box = AxisBox({1, 2, 3}, {3, 6, 9});
    box.FromBoxes({});
    ExpectVec3Near(box.mMinimum, {1e6f, 1e6f, 1e6f});
    ExpectVec3Near(box.mMaximum, {-1e6f, -1e6f, -1e6f});
    ExpectVec3Near(box.mCentre, {2, 4, 6});  // untouched
    ExpectVec3Near(box.mHalfExtents, {1, 2, 3});

    box.Merge(AxisBox({-1, 0, 1}, {1, 2, 3}));
    ExpectVec3Near(box.mMinimum, {-1, 0, 1});
    ExpectVec3Near(box.mMaximum, {1, 2, 3});
    ExpectVec3Near(box.mCentre, {0, 1, 2});
    ExpectVec3Near(box.mHalfExtents, {1, 1, 1});
}

TEST(AxisBoxTest, UnionsOfBoxes) {
    std::vector<CPBoundingBox> boxes = {PlacedBox({0, 0, 0}, {1, 1, 1}), PlacedBox({4, 0, 0}, {1, 2, 1})};
    CPAxisBox fromBoxes;
    fromBoxes.FromBoxes(boxes);
    ExpectVec3Near(fromBoxes.mMinimum, {-1, -2, -1});
    ExpectVec3Near(fromBoxes.mMaximum, {5, 2, 1});
    ExpectVec3Near(fromBoxes.mCentre, {2, 0, 0});

    CPAxisBox single;
    single.FromBoundingBox(boxes[1]);
    ExpectVec3Near(single.mCentre, {4, 0, 0});
    ExpectVec3Near(single.mHalfExtents, {1, 2, 1});

    CPAxisBox included = AxisBox({0, 0, 0}, {1, 1, 1});
    included.Include(AxisBox({2, -1, 0}, {3, 0, 4}));
    ExpectVec3Near(included.mMinimum, {0, -1, 0});
    ExpectVec3Near(included.mMaximum, {3, 1, 4});
    ExpectVec3Near(included.mCentre, {1.5f, 0, 2});
    ExpectVec3Near(included.mHalfExtents, {1.5f, 1, 2});
}

// A mesh node without vertices keeps the reader's start bounds: minimum 5000000, maximum
// (-500000, -5000000, -500000). Placed, the box is raised to 0.001 half extents millions of units away;
// it still encloses nothing, and merged into real bounds it adds nothing to them.
TEST(AxisBoxTest, ABoxThatEnclosesNothingAddsNothing) {
    const D3DXVECTOR3 start(5000000, 5000000, 5000000), end(-500000, -5000000, -500000);
    const CPBoundingBox nothing = PlacedBox((end + start) * 0.5f, (end - start) * 0.5f);
    EXPECT_TRUE(nothing.EnclosesNothing());
    EXPECT_FALSE(PlacedBox({0, 0, 0}, {1, 0, 1}).EnclosesNothing()) << "flat, but around its centre";

    CPAxisBox fromNothing;
    fromNothing.FromBoundingBox(nothing);
    EXPECT_TRUE(fromNothing.IsEmpty());
    EXPECT_FALSE(fromNothing.IntersectSphere({2250000, 0, 2250000}, 1.0f));
    EXPECT_FALSE(fromNothing.IntersectSegment({2250000, 0, 2250010}, {0, 0, -1}, 20.0f));

    CPAxisBox merged = AxisBox({-1, -2, -1}, {1, 2, 1});
    merged.Merge(fromNothing);
    CPAxisBox included = AxisBox({-1, -2, -1}, {1, 2, 1});
    included.Include(fromNothing);
    for (const CPAxisBox* box : {&merged, &included}) {
        ExpectVec3Near(box->mMinimum, {-1, -2, -1});
        ExpectVec3Near(box->mMaximum, {1, 2, 1});
        ExpectVec3Near(box->mCentre, {0, 0, 0});
        ExpectVec3Near(box->mHalfExtents, {1, 2, 1});
    }

    // And the other way round: real bounds merged into the empty box are exactly themselves.
    fromNothing.Include(AxisBox({3, 3, 3}, {4, 5, 6}));
    ExpectVec3Near(fromNothing.mMinimum, {3, 3, 3});
    ExpectVec3Near(fromNothing.mMaximum, {4, 5, 6});
}

TEST(AxisBoxTest, SegmentTests) {
    const CPAxisBox box = AxisBox({-1, -1, -1}, {1, 1, 1});
    struct Case {
        std::string name;
        D3DXVECTOR3 origin, direction;
        float length;
        bool meets;
    };
    const std::vector<Case> cases = {
        {"through the centre", {-5, 0, 0}, {1, 0, 0}, 10, true},
        {"ends exactly on a face", {-5, 0, 0}, {1, 0, 0}, 4, true},
        {"ends just short", {-5, 0, 0}, {1, 0, 0}, 3.99f, false},
        {"starts inside", {0, 0, 0}, {0, 1, 0}, 10, true},
        {"inside, zero length", {0.5f, 0.5f, 0.5f}, {1, 0, 0}, 0, true},
        {"outside, zero length", {3, 0, 0}, {1, 0, 0}, 0, false},
        {"passes the corner diagonally", {-3, -0.5f, 0}, {1, 1, 0}, 3, false},
        {"crosses the corner diagonally", {-3, -2.5f, 0}, {1, 1, 0}, 6, true},
        {"parallel above the top", {-5, 0, 1.5f}, {1, 0, 0}, 10, false},
        {"pointing away", {3, 0, 0}, {1, 0, 0}, 10, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(box.IntersectSegment(c.origin, c.direction, c.length), c.meets);
    }
}

TEST(AxisBoxTest, SphereAndPointTests) {
    const CPAxisBox box = AxisBox({-1, -1, -1}, {1, 1, 1});
    struct SphereCase {
        std::string name;
        D3DXVECTOR3 centre;
        float radius;
        bool touches;
    };
    const std::vector<SphereCase> spheres = {
        {"touching a face", {3, 0, 0}, 2, true},
        {"just short of a face", {3, 0, 0}, 1.99f, false},
        {"centre inside", {0.5f, 0, 0}, 0.1f, true},
        {"touching a corner", {4, 5, 1}, 5, true},
        {"short of a corner", {4, 5, 1}, 4.99f, false},
    };
    for (const auto& c : spheres) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(box.IntersectSphere(c.centre, c.radius), c.touches);
    }
    struct PointCase {
        std::string name;
        D3DXVECTOR3 point;
        bool inside;
    };
    const std::vector<PointCase> points = {
        {"centre", {0, 0, 0}, true},
        {"just inside a face", {0.999f, 0, 0}, true},
        {"on a face", {1, 0, 0}, false},
        {"outside", {0, 0, -2}, false},
    };
    for (const auto& c : points) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(box.Contains(c.point), c.inside);
    }
}

class ShadowMatrixTest : public ::testing::Test {
protected:
    void SetShadow(D3DXVECTOR4 light, D3DXPLANE plane) { D3DXMatrixShadow(&gShadowMatrix, &light, &plane); }

    ScopedGlobal<D3DXMATRIX> mShadow{gShadowMatrix, D3DXMATRIX()};
};

TEST_F(ShadowMatrixTest, AdjustGrowsTheBoxByItsShadow) {
    SetShadow({0, 0, -1, 0}, {0, 0, -1, 0.5f});  // sun straight down onto z = 0.5
    CPAxisBox box = AxisBox({0, 0, 1}, {1, 1, 2});
    box.Adjust();
    ExpectVec3Near(box.mMinimum, {0, 0, 0.5f});
    ExpectVec3Near(box.mMaximum, {1, 1, 2});
    ExpectVec3Near(box.mCentre, {0.5f, 0.5f, 1.5f});  // left for the caller

    SetShadow({1, 0, -1, 0}, {0, 0, -1, 0});  // slanted sun onto z = 0
    box = AxisBox({0, 0, 1}, {1, 1, 2});
    box.Adjust();
    ExpectVec3Near(box.mMinimum, {0, 0, 0});
    ExpectVec3Near(box.mMaximum, {3, 1, 2});
}

TEST_F(ShadowMatrixTest, CornersSentToInfinityAreSkipped) {
    // Before a level loads the matrix is all zeros; a sun on the horizon (parallel to the ground) sends
    // every corner to w = 0 with x non-zero. Neither may stretch the box.
    const D3DXMATRIX zeros;
    D3DXMATRIX horizon;
    D3DXVECTOR4 sun(1, 0, 0, 0);
    D3DXPLANE ground(0, 0, -1, 0.5f);
    D3DXMatrixShadow(&horizon, &sun, &ground);
    const D3DXMATRIX* matrices[] = {&zeros, &horizon};
    for (const D3DXMATRIX* matrix : matrices) {
        gShadowMatrix = *matrix;
        CPAxisBox box = AxisBox({0, 0, 1}, {1, 1, 2});
        box.Adjust();
        ExpectVec3Near(box.mMinimum, {0, 0, 1});
        ExpectVec3Near(box.mMaximum, {1, 1, 2});
    }
}

TEST_F(ShadowMatrixTest, AnEmptyBoxCastsNoShadow) {
    SetShadow({1, 0, -1, 0}, {0, 0, -1, 0.5f});
    CPAxisBox box;
    box.Adjust();
    EXPECT_TRUE(box.IsEmpty());
    ExpectVec3Near(box.mMinimum, {1e6f, 1e6f, 1e6f});
    ExpectVec3Near(box.mMaximum, {-1e6f, -1e6f, -1e6f});
}
