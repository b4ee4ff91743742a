#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Render/PCamera.h"
#include "core/config/Settings.h"
#include "platform/RuntimeRandom.h"
#include "support/BoxCullingReference.h"
#include "support/MathExpect.h"
#include "support/ScopedGlobal.h"

namespace {

constexpr float kFov70 = 1.2217305f;

class CameraTest : public ::testing::Test {
protected:
    CameraTest() {
        gSettings::RestoreInitialValues();
        gSettings::screenWidth = 800;
        gSettings::screenHeight = 600;
    }
    ~CameraTest() override { gSettings::RestoreInitialValues(); }

    // Eye at the origin looking along +x, up +z: the layer-19 default camera.
    static void LookAlongX(CPPerspectiveCamera& camera, float nearDistance = 1.0f, float farDistance = 1000.0f) {
        camera.SetEye({0, 0, 0});
        camera.SetTarget({1, 0, 0});
        camera.SetUp({0, 0, 1});
        camera.SetFieldOfView(kFov70);
        camera.SetNear(nearDistance);
        camera.SetFar(farDistance);
        camera.Update();
    }
};

// Hand-computed for 70° and aspect 800 / 600: yScale = 1 / tan(35°) = 1.4281480, xScale = yScale / (4/3).
constexpr float kYScale = 1.4281480f;
constexpr float kXScale = 1.0711110f;

TEST_F(CameraTest, ViewAndProjectionAlongXMatchHandComputedMatrices) {
    CPPerspectiveCamera camera;
    LookAlongX(camera);

    // World x is the camera's depth, world y its right, world z its up.
    ExpectMatrixNear(camera.GetViewMatrix(), D3DXMATRIX(0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1));
    const float q = 1000.0f / 999.0f;
    ExpectMatrixNear(camera.GetProjectionMatrix(),
                     D3DXMATRIX(kXScale, 0, 0, 0, 0, kYScale, 0, 0, 0, 0, q, 1, 0, 0, -q, 0));
    ExpectMatrixNear(camera.GetViewProjectionMatrix(),
                     D3DXMATRIX(0, 0, q, 1, kXScale, 0, 0, 0, 0, kYScale, 0, 0, 0, 0, -q, 0));
    EXPECT_FALSE(camera.IsViewChanged());
    EXPECT_FALSE(camera.IsProjectionChanged());
}

TEST_F(CameraTest, InversesAndRotationOnlyViewOfAMovedCamera) {
    CPPerspectiveCamera camera;
    camera.SetEye({5, -3, 2});
    camera.SetTarget({5, 7, 2});  // looking along +y
    camera.SetUp({0, 0, 1});
    camera.SetFar(50.0f);
    camera.Update();

    // Inverse view takes the camera's origin to the eye and its forward axis to the view direction.
    D3DXVECTOR3 origin(0, 0, 0), forward(0, 0, 1), out;
    D3DXVec3TransformCoord(&out, &origin, &camera.GetInverseViewMatrix());
    ExpectVec3Near(out, {5, -3, 2});
    D3DXVec3TransformNormal(&out, &forward, &camera.GetInverseViewMatrix());
    ExpectVec3Near(out, {0, 1, 0});

    // The rotation-only view is the view with its translation removed; its inverse is its transpose.
    D3DXMATRIX turned = camera.GetViewMatrix();
    turned._41 = turned._42 = turned._43 = 0.0f;
    ExpectMatrixNear(camera.GetRotationViewMatrix(), turned);
    D3DXMATRIX transposed;
    D3DXMatrixTranspose(&transposed, &turned);
    ExpectMatrixNear(camera.GetInverseRotationViewMatrix(), transposed);

    // The far-1000 projection ignores the camera's far distance of 50.
    D3DXMATRIX far1000;
    D3DXMatrixPerspectiveFovLH(&far1000, kFov70, 800.0f / 600.0f, 1.0f, 1000.0f);
    ExpectMatrixNear(camera.GetFar1000ProjectionMatrix(), far1000);
    ExpectMatrixNear(camera.GetRotationViewProjectionMatrix(), turned * far1000);
    EXPECT_NEAR(camera.GetProjectionMatrix()._33, 50.0f / 49.0f, 1e-5f);

    D3DXMATRIX product = camera.GetViewProjectionMatrix() * camera.GetInverseViewProjectionMatrix();
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    ExpectMatrixNear(product, identity, 1e-4f);
}

TEST_F(CameraTest, FrustumPlanesPointInwardAndPassThroughTheCorners) {
    CPPerspectiveCamera camera;
    LookAlongX(camera, 1.0f, 100.0f);
    const auto& planes = camera.GetPlanes();

    D3DXVECTOR3 centre(50, 0, 0);
    for (int i = 0; i < CPPerspectiveCamera::kPlaneCount; ++i)
        EXPECT_GT(D3DXPlaneDotCoord(&planes[i], &centre), 0.0f) << "plane " << i;

    // Near plane at x = 1, far plane at x = 100; planes are unnormalised, so compare directions.
    auto expectPlane = [&](int index, D3DXVECTOR3 point, D3DXVECTOR3 inward) {
        D3DXPLANE unit;
        D3DXPlaneNormalize(&unit, &planes[index]);
        EXPECT_NEAR(D3DXPlaneDotCoord(&unit, &point), 0.0f, 1e-2f) << "plane " << index;
        ExpectVec3Near(D3DXVECTOR3(unit.a, unit.b, unit.c), inward, 1e-4f);
    };
    expectPlane(CPPerspectiveCamera::kNear, {1, 0, 0}, {1, 0, 0});
    expectPlane(CPPerspectiveCamera::kFar, {100, 0, 0}, {-1, 0, 0});
    const float halfWidth = 1.0f / kXScale, halfHeight = 1.0f / kYScale;  // at depth 1
    D3DXVECTOR3 leftNormal(halfWidth, 1, 0), topNormal(halfHeight, 0, -1);
    D3DXVec3Normalize(&leftNormal, &leftNormal);
    D3DXVec3Normalize(&topNormal, &topNormal);
    expectPlane(CPPerspectiveCamera::kLeft, {10, -10 * halfWidth, 0}, leftNormal);
    expectPlane(CPPerspectiveCamera::kRight, {10, 10 * halfWidth, 0}, {leftNormal.x, -leftNormal.y, 0});
    expectPlane(CPPerspectiveCamera::kTop, {10, 0, 10 * halfHeight}, topNormal);
    expectPlane(CPPerspectiveCamera::kBottom, {10, 0, -10 * halfHeight}, {topNormal.x, 0, -topNormal.z});
}

TEST_F(CameraTest, BoxesInsideAndOutsideA70DegreeViewAlongX) {
    CPPerspectiveCamera camera;
    LookAlongX(camera);
    // At depth 10 the view reaches 9.336 to each side and 7.002 up and down.
    struct Case {
        const char* name;
        D3DXVECTOR3 minimum, maximum;
        bool visible;
    };
    const std::vector<Case> cases = {
        {"point ahead", {10, 0, 0}, {10, 0, 0}, true},
        {"point behind", {-10, 0, 0}, {-10, 0, 0}, false},
        {"point before the near plane", {0.5f, 0, 0}, {0.5f, 0, 0}, false},
        {"point just inside the far plane", {999, 0, 0}, {999, 0, 0}, true},
        {"point beyond the far plane", {1001, 0, 0}, {1001, 0, 0}, false},
        {"point near the right edge", {10, 9.2f, 0}, {10, 9.2f, 0}, true},
        {"point past the right edge", {10, 9.5f, 0}, {10, 9.5f, 0}, false},
        {"point past the left edge", {10, -9.5f, 0}, {10, -9.5f, 0}, false},
        {"point near the top edge", {10, 0, 6.9f}, {10, 0, 6.9f}, true},
        {"point above the top edge", {10, 0, 7.1f}, {10, 0, 7.1f}, false},
        {"point below the bottom edge", {10, 0, -7.1f}, {10, 0, -7.1f}, false},
        {"box straddling the near plane", {-5, -1, -1}, {5, 1, 1}, true},
        {"box around the eye", {-2, -2, -2}, {2, 2, 2}, true},
        {"box wholly behind", {-20, -5, -5}, {-2, 5, 5}, false},
        {"box reaching in from the right", {10, 9.5f, -1}, {12, 20, 1}, true},
        {"box wholly to the right", {10, 12, -1}, {12, 20, 1}, false},
        {"box straddling the far plane", {990, -1, -1}, {1010, 1, 1}, true},
        {"min and max swapped", {12, 20, 1}, {10, 12, -1}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(camera.IsBoxVisible(c.minimum, c.maximum), c.visible) << c.name;
}

TEST_F(CameraTest, ACornerExactlyOnAPlaneCountsAsOutside) {
    CPPerspectiveCamera camera;
    LookAlongX(camera);
    const D3DXPLANE& nearPlane = camera.GetPlanes()[CPPerspectiveCamera::kNear];
    // Find the depth where the near plane's value at (x, 0, 0) is exactly 0 in float arithmetic.
    float x = -nearPlane.d / nearPlane.a;
    for (int step = 0; step < 64 && nearPlane.a * x + nearPlane.d != 0.0f; ++step)
        x = std::nextafter(x, nearPlane.a * x + nearPlane.d > 0.0f ? -1e9f : 1e9f);
    ASSERT_EQ(nearPlane.a * x + nearPlane.b * 0.0f + nearPlane.c * 0.0f + nearPlane.d, 0.0f);

    EXPECT_FALSE(camera.IsBoxVisible({x - 1, 0, 0}, {x, 0, 0}));
    EXPECT_TRUE(camera.IsBoxVisible({x - 1, 0, 0}, {std::nextafter(x, 2.0f), 0, 0}));
}

// The one-corner test must give the same answer as testing all eight corners, plane by plane.
TEST_F(CameraTest, BoxTestAgreesWithTheEightCornerRuleForATiltedCamera) {
    CPPerspectiveCamera camera;
    camera.SetEye({3, -4, 6});
    camera.SetTarget({40, 25, -2});
    camera.SetUp({0, 0, 1});
    camera.SetNear(1.0f);
    camera.SetFar(120.0f);
    camera.Update();

    RuntimeSrand(77);
    int visible = 0;
    for (int i = 0; i < 5000; ++i) {
        D3DXVECTOR3 a(RuntimeRandomFraction() * 300 - 150, RuntimeRandomFraction() * 300 - 150,
                      RuntimeRandomFraction() * 100 - 50);
        D3DXVECTOR3 size(RuntimeRandomFraction() * 20, RuntimeRandomFraction() * 20, RuntimeRandomFraction() * 20);
        D3DXVECTOR3 b = a + size;
        bool expected = EightCornerBoxVisible(camera, a, b);
        ASSERT_EQ(camera.IsBoxVisible(a, b), expected) << "box " << i;
        visible += expected;
    }
    // Both outcomes occur, so the comparison means something.
    EXPECT_GT(visible, 100);
    EXPECT_LT(visible, 4900);
}

TEST_F(CameraTest, ClearFlagsKeepEveryMatrixThroughUpdate) {
    CPPerspectiveCamera camera;
    LookAlongX(camera);
    const D3DXMATRIX projection = camera.GetProjectionMatrix();
    const D3DXPLANE left = camera.GetPlanes()[CPPerspectiveCamera::kLeft];

    gSettings::screenWidth = 1600;  // a new aspect counts only at the next projection change
    camera.Update();
    ExpectMatrixNear(camera.GetProjectionMatrix(), projection, 0.0f);
    EXPECT_EQ(camera.GetPlanes()[CPPerspectiveCamera::kLeft].a, left.a);

    camera.SetFieldOfView(kFov70);
    camera.Update();
    EXPECT_NEAR(camera.GetProjectionMatrix()._11, kYScale / (1600.0f / 600.0f), 1e-5f);
    EXPECT_NE(camera.GetPlanes()[CPPerspectiveCamera::kLeft].a, left.a);
}

TEST_F(CameraTest, ChangingTheFieldOfViewRebuildsProjectionsProductsAndPlanes) {
    CPPerspectiveCamera camera;
    LookAlongX(camera, 1.0f, 300.0f);
    const D3DXMATRIX view = camera.GetViewMatrix(), inverseView = camera.GetInverseViewMatrix();

    camera.SetFieldOfView(kFov70 * 0.5f);
    EXPECT_TRUE(camera.IsProjectionChanged());
    EXPECT_FALSE(camera.IsViewChanged());
    // Narrower: a point near the old right edge drops out.
    EXPECT_TRUE(camera.IsBoxVisible({10, 9.2f, 0}, {10, 9.2f, 0}));
    camera.Update();
    EXPECT_FALSE(camera.IsBoxVisible({10, 9.2f, 0}, {10, 9.2f, 0}));

    D3DXMATRIX projection, far1000;
    D3DXMatrixPerspectiveFovLH(&projection, kFov70 * 0.5f, 800.0f / 600.0f, 1.0f, 300.0f);
    D3DXMatrixPerspectiveFovLH(&far1000, kFov70 * 0.5f, 800.0f / 600.0f, 1.0f, 1000.0f);
    ExpectMatrixNear(camera.GetProjectionMatrix(), projection);
    ExpectMatrixNear(camera.GetFar1000ProjectionMatrix(), far1000);
    ExpectMatrixNear(camera.GetViewProjectionMatrix(), view * projection);
    ExpectMatrixNear(camera.GetViewMatrix(), view, 0.0f);
    ExpectMatrixNear(camera.GetInverseViewMatrix(), inverseView, 0.0f);
}

TEST_F(CameraTest, MovingOnlyTheEyeRebuildsTheViewProductsAndPlanesButNotTheProjections) {
    CPPerspectiveCamera camera;
    LookAlongX(camera, 1.0f, 300.0f);
    const D3DXMATRIX projection = camera.GetProjectionMatrix(), far1000 = camera.GetFar1000ProjectionMatrix();
    ASSERT_TRUE(camera.IsBoxVisible({10, 0, 0}, {10, 0, 0}));

    // Twenty units to the right, still looking along +x.
    camera.SetEye({0, 20, 0});
    camera.SetTarget({1, 20, 0});
    EXPECT_TRUE(camera.IsViewChanged());
    EXPECT_FALSE(camera.IsProjectionChanged());
    camera.Update();

    ExpectMatrixNear(camera.GetProjectionMatrix(), projection, 0.0f);
    ExpectMatrixNear(camera.GetFar1000ProjectionMatrix(), far1000, 0.0f);
    ExpectMatrixNear(camera.GetViewProjectionMatrix(), camera.GetViewMatrix() * projection);
    ExpectMatrixNear(camera.GetRotationViewProjectionMatrix(), camera.GetRotationViewMatrix() * far1000);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    ExpectMatrixNear(camera.GetViewProjectionMatrix() * camera.GetInverseViewProjectionMatrix(), identity, 1e-4f);
    // The planes moved with the eye: the old centre point is now past the left edge.
    EXPECT_FALSE(camera.IsBoxVisible({10, 0, 0}, {10, 0, 0}));
    EXPECT_TRUE(camera.IsBoxVisible({10, 20, 0}, {10, 20, 0}));
}

TEST_F(CameraTest, EachSetterRaisesOnlyItsOwnFlag) {
    struct Case {
        const char* name;
        void (*set)(CPPerspectiveCamera&);
        bool view, projection;
    };
    const Case cases[] = {
        {"eye", [](CPPerspectiveCamera& c) { c.SetEye({0, 0, 1}); }, true, false},
        {"target", [](CPPerspectiveCamera& c) { c.SetTarget({0, 1, 0}); }, true, false},
        {"up", [](CPPerspectiveCamera& c) { c.SetUp({0, 1, 0}); }, true, false},
        {"field of view", [](CPPerspectiveCamera& c) { c.SetFieldOfView(1.0f); }, false, true},
        {"near", [](CPPerspectiveCamera& c) { c.SetNear(2.0f); }, false, true},
        {"far", [](CPPerspectiveCamera& c) { c.SetFar(50.0f); }, false, true},
    };
    for (const Case& c : cases) {
        CPPerspectiveCamera camera;
        ASSERT_FALSE(camera.IsViewChanged() || camera.IsProjectionChanged()) << c.name;
        c.set(camera);
        EXPECT_EQ(camera.IsViewChanged(), c.view) << c.name;
        EXPECT_EQ(camera.IsProjectionChanged(), c.projection) << c.name;
        camera.Update();
        EXPECT_FALSE(camera.IsViewChanged() || camera.IsProjectionChanged()) << c.name;
    }
}

TEST_F(CameraTest, AScreenHeightOfZeroKeepsTheOldProjectionUntilTheSizeIsValid) {
    CPPerspectiveCamera camera;
    LookAlongX(camera);
    const D3DXMATRIX projection = camera.GetProjectionMatrix();

    gSettings::screenHeight = 0;
    camera.SetFieldOfView(1.0f);
    camera.Update();
    ExpectMatrixNear(camera.GetProjectionMatrix(), projection, 0.0f);
    EXPECT_TRUE(camera.IsProjectionChanged());
    for (const D3DXPLANE& p : camera.GetPlanes()) EXPECT_TRUE(std::isfinite(p.a) && std::isfinite(p.d));

    gSettings::screenHeight = 600;
    camera.Update();
    EXPECT_NEAR(camera.GetProjectionMatrix()._22, 1.0f / std::tan(0.5f), 1e-5f);
    EXPECT_FALSE(camera.IsProjectionChanged());
}

TEST_F(CameraTest, ANewCameraStartsAsTheDefaultViewAlongXWithBuiltMatrices) {
    CPPerspectiveCamera fresh;
    ExpectVec3Near(fresh.GetEye(), {0, 0, 0}, 0.0f);
    ExpectVec3Near(fresh.GetTarget(), {1, 0, 0}, 0.0f);
    ExpectVec3Near(fresh.GetUp(), {0, 0, 1}, 0.0f);
    EXPECT_EQ(fresh.GetFieldOfView(), kFov70);
    EXPECT_EQ(fresh.GetNear(), 1.0f);
    EXPECT_EQ(fresh.GetFar(), 1000.0f);
    EXPECT_FALSE(fresh.IsViewChanged());
    EXPECT_FALSE(fresh.IsProjectionChanged());

    CPPerspectiveCamera configured;
    LookAlongX(configured);
    ExpectMatrixNear(fresh.GetViewProjectionMatrix(), configured.GetViewProjectionMatrix(), 0.0f);
    ExpectMatrixNear(fresh.GetFar1000ProjectionMatrix(), configured.GetFar1000ProjectionMatrix(), 0.0f);
    EXPECT_TRUE(fresh.IsBoxVisible({10, 0, 0}, {10, 0, 0}));
    EXPECT_FALSE(fresh.IsBoxVisible({-10, 0, 0}, {-10, 0, 0}));
}

TEST_F(CameraTest, BaseCameraHoldsIdentitiesAndTakesAViewMatrix) {
    CPBaseCamera camera;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    for (const D3DXMATRIX* m : {&camera.GetViewMatrix(), &camera.GetProjectionMatrix(),
                                &camera.GetFar1000ProjectionMatrix(), &camera.GetRotationViewMatrix(),
                                &camera.GetInverseRotationViewMatrix()})
        ExpectMatrixNear(*m, identity, 0.0f);

    D3DXMATRIX ortho;
    D3DXMatrixOrthoOffCenterLH(&ortho, 0, 1024, 768, 0, 0, 1);
    camera.SetViewMatrix(&ortho.m[0][0]);
    ExpectMatrixNear(camera.GetViewMatrix(), ortho, 0.0f);
    EXPECT_EQ(camera.GetClassName(), "CPBaseCamera");
    EXPECT_EQ(CPPerspectiveCamera().GetClassName(), "CPPerspectiveCamera");
}

TEST_F(CameraTest, DestroyingTheCurrentCameraClearsTheGlobal) {
    auto* current = new CPPerspectiveCamera;
    CPPerspectiveCamera other;
    ScopedGlobal<CPPerspectiveCamera*> currentCamera(g_pCurrentCamera, current);
    delete current;
    EXPECT_EQ(g_pCurrentCamera, nullptr);

    g_pCurrentCamera = &other;
    { CPPerspectiveCamera unrelated; }
    EXPECT_EQ(g_pCurrentCamera, &other);
}

}  // namespace
