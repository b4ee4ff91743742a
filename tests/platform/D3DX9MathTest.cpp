#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "platform/FiniteChecks.h"
#include "support/MathExpect.h"

namespace {

constexpr float kHalfPi = D3DX_PI / 2;
const float kRootHalf = std::sqrt(0.5f);

D3DXMATRIX Translation(float x, float y, float z) {
    D3DXMATRIX m;
    return *D3DXMatrixTranslation(&m, x, y, z);
}
D3DXMATRIX RotationX(float a) {
    D3DXMATRIX m;
    return *D3DXMatrixRotationX(&m, a);
}
D3DXMATRIX RotationY(float a) {
    D3DXMATRIX m;
    return *D3DXMatrixRotationY(&m, a);
}
D3DXMATRIX RotationZ(float a) {
    D3DXMATRIX m;
    return *D3DXMatrixRotationZ(&m, a);
}
D3DXMATRIX Scaling(float x, float y, float z) {
    D3DXMATRIX m;
    return *D3DXMatrixScaling(&m, x, y, z);
}
D3DXMATRIX RotationAxis(D3DXVECTOR3 axis, float a) {
    D3DXMATRIX m;
    return *D3DXMatrixRotationAxis(&m, &axis, a);
}
D3DXMATRIX FromQuaternion(D3DXQUATERNION q) {
    D3DXMATRIX m;
    return *D3DXMatrixRotationQuaternion(&m, &q);
}
D3DXMATRIX YawPitchRoll(float yaw, float pitch, float roll) {
    D3DXMATRIX m;
    return *D3DXMatrixRotationYawPitchRoll(&m, yaw, pitch, roll);
}
D3DXVECTOR3 Coord(D3DXVECTOR3 v, const D3DXMATRIX& m) {
    D3DXVECTOR3 out;
    return *D3DXVec3TransformCoord(&out, &v, &m);
}

struct PointCase {
    std::string name;
    D3DXMATRIX matrix;
    D3DXVECTOR3 in;
    D3DXVECTOR3 expected;
};

}  // namespace

TEST(D3DX9MathTest, TransformsPointsAsRowVectors) {
    const std::vector<PointCase> cases = {
        {"translation", Translation(10, 20, 30), {1, 2, 3}, {11, 22, 33}},
        {"scaling", Scaling(2, 3, 4), {1, 1, 1}, {2, 3, 4}},
        {"x turns y towards z", RotationX(kHalfPi), {0, 1, 0}, {0, 0, 1}},
        {"y turns z towards x", RotationY(kHalfPi), {0, 0, 1}, {1, 0, 0}},
        {"z turns x towards y", RotationZ(kHalfPi), {1, 0, 0}, {0, 1, 0}},
        {"axis is normalised", RotationAxis({0, 0, 2}, kHalfPi), {1, 0, 0}, {0, 1, 0}},
        {"third of a turn about the diagonal", RotationAxis({1, 1, 1}, 2 * D3DX_PI / 3), {1, 0, 0}, {0, 1, 0}},
        {"zero axis is the identity", RotationAxis({0, 0, 0}, 1.0f), {1, 2, 3}, {1, 2, 3}},
        {"quaternion about z", FromQuaternion({0, 0, kRootHalf, kRootHalf}), {1, 0, 0}, {0, 1, 0}},
        {"translate then rotate", Translation(1, 0, 0) * RotationZ(kHalfPi), {0, 0, 0}, {0, 1, 0}},
        {"rotate then translate", RotationZ(kHalfPi) * Translation(1, 0, 0), {0, 0, 0}, {1, 0, 0}},
        {"yaw alone", YawPitchRoll(kHalfPi, 0, 0), {0, 0, 1}, {1, 0, 0}},
        {"pitch before yaw", YawPitchRoll(kHalfPi, kHalfPi, 0), {0, 1, 0}, {1, 0, 0}},
        {"roll before pitch", YawPitchRoll(0, kHalfPi, kHalfPi), {1, 0, 0}, {0, 0, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectVec3Near(Coord(c.in, c.matrix), c.expected);
    }
}

TEST(D3DX9MathTest, TransformCoordDividesByWAndNormalsIgnoreTranslation) {
    D3DXMATRIX projective(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0);  // w = z
    ExpectVec3Near(Coord({4, 6, 2}, projective), {2, 3, 1});
    // w = 0 would divide into infinities: the undivided result comes back instead.
    D3DXVECTOR3 flat = Coord({4, 6, 0}, projective);
    EXPECT_TRUE(IsFinite(flat));

    D3DXMATRIX m = RotationZ(kHalfPi) * Translation(5, 5, 5);
    D3DXVECTOR3 n(1, 0, 0), out;
    ExpectVec3Near(*D3DXVec3TransformNormal(&out, &n, &m), {0, 1, 0});
    D3DXVECTOR4 full;
    ExpectVec4Near(*D3DXVec3Transform(&full, &n, &m), {5, 6, 5, 1});
    D3DXVECTOR4 v4(1, 0, 0, 0);
    ExpectVec4Near(*D3DXVec4Transform(&full, &v4, &m), {0, 1, 0, 0});
    D3DXVECTOR2 v2(1, 0), out2;
    D3DXVec2TransformCoord(&out2, &v2, &m);
    EXPECT_NEAR(out2.x, 5, 1e-5f);
    EXPECT_NEAR(out2.y, 6, 1e-5f);
}

TEST(D3DX9MathTest, TransformCoordArrayHonoursStrides) {
    struct Vertex {
        D3DXVECTOR3 position;
        float rest[9];  // 48 bytes per vertex like the engine's vertex layout
    };
    static_assert(sizeof(Vertex) == 48);
    Vertex in[3] = {{{1, 0, 0}, {7}}, {{0, 1, 0}, {7}}, {{0, 0, 1}, {7}}};
    Vertex out[3] = {};
    out[1].rest[0] = 9;
    D3DXMATRIX m = Translation(1, 2, 3);
    D3DXVec3TransformCoordArray(&out[0].position, sizeof(Vertex), &in[0].position, sizeof(Vertex), &m, 3);
    ExpectVec3Near(out[0].position, {2, 2, 3});
    ExpectVec3Near(out[1].position, {1, 3, 3});
    ExpectVec3Near(out[2].position, {1, 2, 4});
    EXPECT_EQ(out[1].rest[0], 9);  // only the positions are written
}

TEST(D3DX9MathTest, InverseAndDeterminant) {
    D3DXMATRIX m = Scaling(2, 4, 8) * Translation(1, 2, 3);
    D3DXMATRIX inv;
    float det = 0;
    ASSERT_EQ(D3DXMatrixInverse(&inv, &det, &m), &inv);
    EXPECT_FLOAT_EQ(det, 64);
    ExpectMatrixNear(inv, D3DXMATRIX(0.5f, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, 0.125f, 0, -0.5f, -0.5f, -0.375f, 1));

    D3DXMATRIX general = RotationAxis({1, 2, 3}, 0.7f) * Scaling(2, 1, 3) * Translation(-4, 5, 6);
    ASSERT_NE(D3DXMatrixInverse(&inv, nullptr, &general), nullptr);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    ExpectMatrixNear(general * inv, identity);
    EXPECT_NEAR(D3DXMatrixDeterminant(&general), 6, 1e-4f);

    D3DXMATRIX singular = Scaling(1, 0, 1);
    D3DXMATRIX untouched = Translation(9, 9, 9);
    D3DXMATRIX before = untouched;
    EXPECT_EQ(D3DXMatrixInverse(&untouched, &det, &singular), nullptr);
    EXPECT_EQ(det, 0);
    EXPECT_EQ(untouched, before);
}

TEST(D3DX9MathTest, MultiplyAndTransposeMayWriteOverAnInput) {
    D3DXMATRIX a = Translation(1, 2, 3), b = RotationZ(kHalfPi);
    D3DXMATRIX expected = a * b;
    D3DXMatrixMultiply(&a, &a, &b);
    ExpectMatrixNear(a, expected);

    D3DXMATRIX t(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    D3DXMatrixTranspose(&t, &t);
    EXPECT_EQ(t, D3DXMATRIX(1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16));
    EXPECT_EQ(t._12, 5);  // named fields share storage with m
}

TEST(D3DX9MathTest, CameraMatrices) {
    D3DXMATRIX view;
    D3DXVECTOR3 eye(0, 0, -5), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    ExpectMatrixNear(view, Translation(0, 0, 5));

    // Looking along +x with z up: ahead is +z, y to the right, z up in view space.
    D3DXVECTOR3 origin(0, 0, 0), ahead(1, 0, 0), zUp(0, 0, 1);
    D3DXMatrixLookAtLH(&view, &origin, &ahead, &zUp);
    ExpectVec3Near(Coord({1, 0, 0}, view), {0, 0, 1});
    ExpectVec3Near(Coord({0, 1, 0}, view), {1, 0, 0});
    ExpectVec3Near(Coord({0, 0, 1}, view), {0, 1, 0});

    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, kHalfPi, 2.0f, 1.0f, 101.0f);
    ExpectVec3Near(Coord({0, 0, 1}, projection), {0, 0, 0});
    ExpectVec3Near(Coord({0, 0, 101}, projection), {0, 0, 1});
    ExpectVec3Near(Coord({2, 1, 1}, projection), {1, 1, 0});

    D3DXMATRIX ortho;
    D3DXMatrixOrthoOffCenterLH(&ortho, 0, 800, 600, 0, 0, 1);
    ExpectVec3Near(Coord({0, 0, 0}, ortho), {-1, 1, 0});
    ExpectVec3Near(Coord({800, 600, 1}, ortho), {1, -1, 1});
    D3DXMatrixOrthoLH(&ortho, 800, 600, 0, 10);
    ExpectVec3Near(Coord({400, -300, 5}, ortho), {1, -1, 0.5f});

    D3DVIEWPORT9 viewport{0, 0, 800, 600, 0, 1};
    D3DXVECTOR3 projected, p(0, 0, 0.5f), corner(1, 1, 0);
    ExpectVec3Near(*D3DXVec3Project(&projected, &p, &viewport, nullptr, nullptr, nullptr), {400, 300, 0.5f});
    ExpectVec3Near(*D3DXVec3Project(&projected, &corner, &viewport, nullptr, nullptr, nullptr), {800, 0, 0});
}

// Element by element, worked out by hand from the D3DX definitions, so that a transposed row, a swapped
// sign or a wrong term shows even where a behaviour test would still pass.
TEST(D3DX9MathTest, MatrixLayoutsWorkedOutByHand) {
    D3DXVECTOR3 eye(2, 3, 4), at(3, 3, 4), zUp(0, 0, 1);
    D3DXMATRIX lookAt, perspective, ortho;
    D3DXMatrixLookAtLH(&lookAt, &eye, &at, &zUp);
    D3DXMatrixPerspectiveFovLH(&perspective, kHalfPi, 2.0f, 1.0f, 3.0f);
    D3DXMatrixOrthoOffCenterLH(&ortho, 0, 800, 600, 0, 1, 5);
    struct Case {
        std::string name;
        D3DXMATRIX actual;
        D3DXMATRIX expected;
    };
    const std::vector<Case> cases = {
        // z = (1, 0, 0), x = up x z = (0, 1, 0), y = z x x = (0, 0, 1); axes in the columns, then -axis . eye.
        {"look along +x with z up", lookAt, D3DXMATRIX(0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 0, 0, -3, -4, -2, 1)},
        // yScale = cot(45 degrees) = 1, xScale = 1 / 2, zf / (zf - zn) = 1.5, -zn * 1.5.
        {"perspective", perspective, D3DXMATRIX(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1.5f, 1, 0, 0, -1.5f, 0)},
        // 2 / (r - l), 2 / (t - b), 1 / (zf - zn); (l + r) / (l - r), (t + b) / (b - t), zn / (zn - zf).
        {"off-centre ortho, y down", ortho,
         D3DXMATRIX(0.0025f, 0, 0, 0, 0, -2.0f / 600, 0, 0, 0, 0, 0.25f, 0, -1, 1, -0.25f, 1)},
        // (0.5, 0.5, 0.5, 0.5): a third of a turn about (1, 1, 1), x to y, y to z, z to x.
        {"quaternion, a third of a turn", FromQuaternion({0.5f, 0.5f, 0.5f, 0.5f}),
         D3DXMATRIX(0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 1)},
        // (0.5, -0.5, 0.5, 0.5): rows 2(xz - yw) = 1 in row 1, 2(xy - zw) = -1 in row 2, 2(yz - xw) = -1 in row 3.
        {"quaternion with a negative component", FromQuaternion({0.5f, -0.5f, 0.5f, 0.5f}),
         D3DXMATRIX(0, 0, 1, 0, -1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 0, 1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectMatrixNear(c.actual, c.expected);
    }

    // And back: the matrix of (0.5, -0.5, 0.5, 0.5) has trace 0, so the x branch answers it.
    D3DXQUATERNION q;
    D3DXMATRIX m(0, 0, 1, 0, -1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 0, 1);
    ExpectQuatNear(*D3DXQuaternionRotationMatrix(&q, &m), {0.5f, -0.5f, 0.5f, 0.5f});

    // Slerp from the identity to a half turn about z: the angle between them is 90 degrees (cos = 0), so
    // at t = 1/3 the weights are sin(60) and sin(30) and the result is a 60-degree turn about z.
    D3DXQUATERNION identity(0, 0, 0, 1), halfTurn(0, 0, 1, 0);
    ExpectQuatNear(*D3DXQuaternionSlerp(&q, &identity, &halfTurn, 1.0f / 3), {0, 0, 0.5f, std::sqrt(0.75f)});
}

TEST(D3DX9MathTest, ShadowFlattensOntoThePlane) {
    struct Case {
        std::string name;
        D3DXVECTOR4 light;
        D3DXPLANE plane;
        D3DXVECTOR3 point;
        D3DXVECTOR3 expected;
    };
    const std::vector<Case> cases = {
        {"sun straight down onto z = 0.5", {0, 0, -1, 0}, {0, 0, -1, 0.5f}, {3, 4, 10}, {3, 4, 0.5f}},
        {"plane is normalised first", {0, 0, -1, 0}, {0, 0, -2, 1}, {3, 4, 10}, {3, 4, 0.5f}},
        {"slanted sun onto z = 0", {1, 0, -1, 0}, {0, 0, -1, 0}, {0, 0, 2}, {2, 0, 0}},
        {"point light onto z = 0", {0, 0, 10, 1}, {0, 0, 1, 0}, {1, 0, 5}, {2, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        D3DXMATRIX shadow;
        D3DXMatrixShadow(&shadow, &c.light, &c.plane);
        ExpectVec3Near(Coord(c.point, shadow), c.expected);
    }
}

// M = (P . L) I - P^T L with P the normalised plane: a point of the plane keeps w = P . L, which is
// positive when the light (or its direction) and the plane's normal agree, so a flattened point is not
// sent behind the camera's w = 0 and clipped away.
TEST(D3DX9MathTest, ShadowMatrixWorkedOutByHand) {
    struct Case {
        std::string name;
        D3DXVECTOR4 light;
        D3DXPLANE plane;
        D3DXMATRIX expected;
    };
    const std::vector<Case> cases = {
        // P . L = 1; only column z differs from the identity: the ground flattening z to 0.5, w kept at 1.
        {"sun straight down onto z = 0.5", {0, 0, -1, 0}, {0, 0, -1, 0.5f},
         D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0.5f, 1)},
        // P . L = 1; row 3 is (0, 0, 1, 0) - (-1) x (1, 0, -1, 0): z moves into x and vanishes.
        {"slanted sun onto z = 0", {1, 0, -1, 0}, {0, 0, -1, 0},
         D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1)},
        // P . L = 10; column j of row i is 10 [i = j] - P_i L_j.
        {"point light above z = 0", {0, 0, 10, 1}, {0, 0, 1, 0},
         D3DXMATRIX(10, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0, -1, 0, 0, 0, 10)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        D3DXMATRIX shadow;
        D3DXMatrixShadow(&shadow, &c.light, &c.plane);
        ExpectMatrixNear(shadow, c.expected);
    }
}

TEST(D3DX9MathTest, QuaternionsFollowTheMatrices) {
    D3DXQUATERNION q;
    D3DXVECTOR3 z(0, 0, 3);
    ExpectQuatNear(*D3DXQuaternionRotationAxis(&q, &z, kHalfPi), {0, 0, kRootHalf, kRootHalf});
    D3DXVECTOR3 zero(0, 0, 0);
    ExpectQuatNear(*D3DXQuaternionRotationAxis(&q, &zero, 1.0f), {0, 0, 0, 1});

    // Multiply(a, b) applies a first: 90 degrees about z, then about x, sends x to z.
    D3DXQUATERNION a(0, 0, kRootHalf, kRootHalf), b(kRootHalf, 0, 0, kRootHalf);
    D3DXQUATERNION ab;
    ExpectQuatNear(*D3DXQuaternionMultiply(&ab, &a, &b), {0.5f, -0.5f, 0.5f, 0.5f});
    ExpectVec3Near(Coord({1, 0, 0}, FromQuaternion(ab)), {0, 0, 1});
    ExpectMatrixNear(FromQuaternion(a * b), FromQuaternion(a) * FromQuaternion(b));

    const float angles[][3] = {{0.3f, -1.1f, 2.0f}, {kHalfPi, kHalfPi, 0}, {-2.5f, 0.4f, -0.9f}};
    for (const auto& angle : angles) {
        D3DXQuaternionRotationYawPitchRoll(&q, angle[0], angle[1], angle[2]);
        ExpectMatrixNear(FromQuaternion(q), YawPitchRoll(angle[0], angle[1], angle[2]));
    }
}

TEST(D3DX9MathTest, QuaternionFromMatrixCoversEveryBranch) {
    struct Case {
        std::string name;
        D3DXMATRIX matrix;
        D3DXQUATERNION expected;
    };
    const std::vector<Case> cases = {
        {"identity", Scaling(1, 1, 1), {0, 0, 0, 1}},
        {"quarter about z", RotationZ(kHalfPi), {0, 0, kRootHalf, kRootHalf}},
        {"half about x", RotationX(D3DX_PI), {1, 0, 0, 0}},
        {"half about y", RotationY(D3DX_PI), {0, 1, 0, 0}},
        {"half about z", RotationZ(D3DX_PI), {0, 0, 1, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        D3DXQUATERNION q;
        D3DXQuaternionRotationMatrix(&q, &c.matrix);
        if (D3DXQuaternionDot(&q, &c.expected) < 0) q = -q;  // q and -q are the same rotation
        ExpectQuatNear(q, c.expected);
    }
    D3DXMATRIX zeros;
    D3DXQUATERNION q;
    D3DXQuaternionRotationMatrix(&q, &zeros);
    EXPECT_TRUE(std::isfinite(q.x) && std::isfinite(q.w));
}

TEST(D3DX9MathTest, DecomposeRebuildsScaleRotationAndTranslation) {
    struct Case {
        std::string name;
        D3DXVECTOR3 scale;
        D3DXMATRIX rotation;
    };
    const std::vector<Case> cases = {
        {"plain", {1, 1, 1}, RotationZ(0)},
        {"scaled and turned", {2, 3, 0.5f}, RotationAxis({1, 2, 3}, 0.7f)},
        {"mirrored in x", {-1, 1, 1}, RotationY(kHalfPi)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const D3DXMATRIX m = Scaling(c.scale.x, c.scale.y, c.scale.z) * c.rotation * Translation(4, -5, 6);
        D3DXVECTOR3 scale, translation;
        D3DXQUATERNION rotation;
        ASSERT_EQ(D3DXMatrixDecompose(&scale, &rotation, &translation, &m), D3D_OK);
        ExpectVec3Near(scale, c.scale);
        ExpectVec3Near(translation, {4, -5, 6});
        ExpectMatrixNear(Scaling(scale.x, scale.y, scale.z) * FromQuaternion(rotation) * Translation(4, -5, 6), m);
    }
    const D3DXMATRIX flat = Scaling(1, 0, 1);
    D3DXVECTOR3 scale, translation;
    D3DXQUATERNION rotation;
    EXPECT_EQ(D3DXMatrixDecompose(&scale, &rotation, &translation, &flat), D3DERR_INVALIDCALL);
    ExpectQuatNear(rotation, {0, 0, 0, 1});
}

TEST(D3DX9MathTest, SlerpTakesTheShorterArc) {
    D3DXQUATERNION identity, quarter(0, 0, kRootHalf, kRootHalf), out;
    D3DXQuaternionIdentity(&identity);
    const D3DXQUATERNION eighth(0, 0, std::sin(D3DX_PI / 8), std::cos(D3DX_PI / 8));
    ExpectQuatNear(*D3DXQuaternionSlerp(&out, &identity, &quarter, 0.5f), eighth);
    D3DXQUATERNION negated = -quarter;
    ExpectQuatNear(*D3DXQuaternionSlerp(&out, &identity, &negated, 0.5f), eighth);
    ExpectQuatNear(*D3DXQuaternionSlerp(&out, &identity, &quarter, 0.0f), identity);
    ExpectQuatNear(*D3DXQuaternionSlerp(&out, &identity, &quarter, 1.0f), quarter);
    // Equal ends (the acos argument may round above 1) give the same rotation, not NaN.
    D3DXQUATERNION slightlyLong(0, 0, 0.70710683f, 0.70710683f);
    ExpectQuatNear(*D3DXQuaternionSlerp(&out, &slightlyLong, &slightlyLong, 0.3f), slightlyLong);

    D3DXVECTOR3 axis;
    float angle = 0;
    D3DXQuaternionToAxisAngle(&quarter, &axis, &angle);
    ExpectVec3Near(axis, {0, 0, 1});
    EXPECT_NEAR(angle, kHalfPi, 1e-5f);
}

TEST(D3DX9MathTest, NormalisingZeroGivesZero) {
    D3DXVECTOR2 v2(0, 0);
    D3DXVec2Normalize(&v2, &v2);
    EXPECT_EQ(v2, D3DXVECTOR2(0, 0));
    D3DXVECTOR3 v3(0, 0, 0);
    D3DXVec3Normalize(&v3, &v3);
    EXPECT_EQ(v3, D3DXVECTOR3(0, 0, 0));
    D3DXVECTOR4 v4(0, 0, 0, 0);
    D3DXVec4Normalize(&v4, &v4);
    EXPECT_EQ(v4, D3DXVECTOR4(0, 0, 0, 0));
    D3DXQUATERNION q(0, 0, 0, 0);
    D3DXQuaternionNormalize(&q, &q);
    EXPECT_EQ(q, D3DXQUATERNION(0, 0, 0, 0));
    D3DXPLANE p(0, 0, 0, 5);
    D3DXPlaneNormalize(&p, &p);
    EXPECT_EQ(p, D3DXPLANE(0, 0, 0, 0));

    D3DXVECTOR3 n(0, 3, 4);
    ExpectVec3Near(*D3DXVec3Normalize(&n, &n), {0, 0.6f, 0.8f});
    D3DXPLANE plane(0, 0, 2, 4);
    D3DXPlaneNormalize(&plane, &plane);
    EXPECT_EQ(plane, D3DXPLANE(0, 0, 1, 2));
}

TEST(D3DX9MathTest, PlanesFromPointsAndLineIntersections) {
    D3DXVECTOR3 p1(0, 0, 1), p2(1, 0, 1), p3(0, 1, 1);
    D3DXPLANE plane;
    D3DXPlaneFromPoints(&plane, &p1, &p2, &p3);
    EXPECT_EQ(plane, D3DXPLANE(0, 0, 1, -1));
    D3DXVECTOR3 above(5, 5, 3);
    EXPECT_FLOAT_EQ(D3DXPlaneDotCoord(&plane, &above), 2);
    EXPECT_FLOAT_EQ(D3DXPlaneDotNormal(&plane, &above), 3);
    // From points the normal is normalised; from a point and a normal it is taken as given.
    D3DXVECTOR3 wide(2, 0, 1), tall(0, 3, 1);
    D3DXPlaneFromPoints(&plane, &p1, &wide, &tall);
    EXPECT_EQ(plane, D3DXPLANE(0, 0, 1, -1));
    D3DXVECTOR3 point(1, 2, 2), longNormal(0, 0, 3);
    EXPECT_EQ(*D3DXPlaneFromPointNormal(&plane, &point, &longNormal), D3DXPLANE(0, 0, 3, -6));
    D3DXPlaneFromPoints(&plane, &p1, &p2, &p3);

    struct Case {
        std::string name;
        D3DXVECTOR3 a, b;
        bool hits;
        D3DXVECTOR3 expected;
    };
    const std::vector<Case> cases = {
        {"through the segment", {0, 0, 0}, {2, 2, 2}, true, {1, 1, 1}},
        {"beyond the segment", {0, 0, 3}, {0, 0, 5}, true, {0, 0, 1}},
        {"parallel", {0, 0, 0}, {1, 1, 0}, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        D3DXVECTOR3 out(7, 7, 7);
        D3DXVECTOR3* result = D3DXPlaneIntersectLine(&out, &plane, &c.a, &c.b);
        EXPECT_EQ(result != nullptr, c.hits);
        if (c.hits) ExpectVec3Near(out, c.expected);
    }
}

TEST(D3DX9MathTest, VectorHelpers) {
    D3DXVECTOR3 a(1, 5, -2), b(3, -1, 4), out;
    ExpectVec3Near(*D3DXVec3Lerp(&out, &a, &b, 0.25f), {1.5f, 3.5f, -0.5f});
    ExpectVec3Near(*D3DXVec3Minimize(&out, &a, &b), {1, -1, -2});
    ExpectVec3Near(*D3DXVec3Maximize(&out, &a, &b), {3, 5, 4});
    ExpectVec3Near(*D3DXVec3Cross(&out, &a, &b), {18, -10, -16});
    EXPECT_FLOAT_EQ(D3DXVec3Dot(&a, &b), -10);
    EXPECT_FLOAT_EQ(D3DXVec3LengthSq(&a), 30);

    D3DXCOLOR colour(0x80FF4000u);
    EXPECT_FLOAT_EQ(colour.r, 1.0f);
    EXPECT_NEAR(colour.g, 64 / 255.0f, 1e-6f);
    EXPECT_EQ(static_cast<DWORD>(colour), 0x80FF4000u);
    EXPECT_EQ(static_cast<DWORD>(D3DXCOLOR(2.0f, -1.0f, 0.5f, 1.0f)), 0xFFFF0080u);
    EXPECT_EQ(static_cast<DWORD>(D3DXCOLOR(std::nanf(""), 0, 0, 1)), 0xFF000000u);
}
