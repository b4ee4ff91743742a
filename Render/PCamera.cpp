#include "Render/PCamera.h"

#include <algorithm>
#include <cstring>

#include "Render/PRender.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"

CPPerspectiveCamera* g_pCurrentCamera = nullptr;

namespace {

// The plane through a, b and c: normal (b - a) x (c - a), left unnormalised, d = -(normal . a).
D3DXPLANE PlaneThrough(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& c) {
    D3DXVECTOR3 ab = b - a, ac = c - a, n;
    D3DXVec3Cross(&n, &ab, &ac);
    return D3DXPLANE(n.x, n.y, n.z, -D3DXVec3Dot(&n, &a));
}

}  // namespace

CPBaseCamera::CPBaseCamera() {
    D3DXMatrixIdentity(&mView);
    D3DXMatrixIdentity(&mProjection);
    D3DXMatrixIdentity(&mFar1000Projection);
    D3DXMatrixIdentity(&mRotationView);
    D3DXMatrixIdentity(&mInverseRotationView);
}

CPBaseCamera::~CPBaseCamera() {
    if (gRenderer) gRenderer->ForgetCamera(this);
}

void CPBaseCamera::SetViewMatrix(const float* matrix) { std::memcpy(mView.m, matrix, sizeof(mView.m)); }

CPPerspectiveCamera::CPPerspectiveCamera()
    : mTarget(1.0f, 0.0f, 0.0f), mUp(0.0f, 0.0f, 1.0f), mFov(1.2217305f), mNear(1.0f), mFar(1000.0f) {
    mPlanes.fill(D3DXPLANE(0.0f, 0.0f, 0.0f, 0.0f));
    D3DXMatrixIdentity(&mViewProjection);
    D3DXMatrixIdentity(&mInverseView);
    D3DXMatrixIdentity(&mInverseViewProjection);
    D3DXMatrixIdentity(&mRotationViewProjection);
    // Built at once so that a camera nobody has set up yet still culls and projects consistently.
    mViewChanged = true;
    mProjectionChanged = true;
    Update();
}

CPPerspectiveCamera::~CPPerspectiveCamera() {
    if (g_pCurrentCamera == this) g_pCurrentCamera = nullptr;
}

void CPPerspectiveCamera::SetEye(const D3DXVECTOR3& eye) {
    mEye = eye;
    mViewChanged = true;
}

void CPPerspectiveCamera::SetTarget(const D3DXVECTOR3& target) {
    mTarget = target;
    mViewChanged = true;
}

void CPPerspectiveCamera::SetUp(const D3DXVECTOR3& up) {
    mUp = up;
    mViewChanged = true;
}

void CPPerspectiveCamera::SetFieldOfView(float fov) {
    mFov = fov;
    mProjectionChanged = true;
}

void CPPerspectiveCamera::SetNear(float nearDistance) {
    mNear = nearDistance;
    mProjectionChanged = true;
}

void CPPerspectiveCamera::SetFar(float farDistance) {
    mFar = farDistance;
    mProjectionChanged = true;
}

void CPPerspectiveCamera::Update() {
    bool changed = false;
    if (mViewChanged) {
        D3DXMatrixLookAtLH(&mView, &mEye, &mTarget, &mUp);
        mViewChanged = false;
        D3DXMatrixInverse(&mInverseView, nullptr, &mView);  // a degenerate view keeps the old inverse
        D3DXVECTOR3 direction = mTarget - mEye, origin(0.0f, 0.0f, 0.0f);
        D3DXVec3Normalize(&direction, &direction);
        D3DXMatrixLookAtLH(&mRotationView, &origin, &direction, &mUp);
        D3DXMatrixInverse(&mInverseRotationView, nullptr, &mRotationView);
        changed = true;
    }
    // A screen without height (or width) has no aspect: the projection waits for a valid size.
    if (mProjectionChanged && gSettings::screenWidth > 0 && gSettings::screenHeight > 0) {
        float aspect = static_cast<float>(gSettings::screenWidth) / static_cast<float>(gSettings::screenHeight);
        D3DXMatrixPerspectiveFovLH(&mProjection, mFov, aspect, mNear, mFar);
        D3DXMatrixPerspectiveFovLH(&mFar1000Projection, mFov, aspect, mNear, 1000.0f);
        mProjectionChanged = false;
        changed = true;
    }
    if (!changed) return;

    D3DXMatrixMultiply(&mViewProjection, &mView, &mProjection);
    D3DXMatrixMultiply(&mRotationViewProjection, &mRotationView, &mFar1000Projection);
    D3DXMatrixInverse(&mInverseViewProjection, nullptr, &mViewProjection);

    // The clip-space box's corners back in the world: z 0 on the near plane, z 1 on the far plane.
    static constexpr float kClipCorners[8][2] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1},
                                                 {-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
    D3DXVECTOR3 p[8];
    for (int i = 0; i < 8; ++i) {
        D3DXVECTOR4 clip(kClipCorners[i][0], kClipCorners[i][1], i < 4 ? 0.0f : 1.0f, 1.0f), world;
        D3DXVec4Transform(&world, &clip, &mInverseViewProjection);
        p[i] = D3DXVECTOR3(world.x / world.w, world.y / world.w, world.z / world.w);
    }
    // With this winding every normal points into the frustum.
    mPlanes[kNear] = PlaneThrough(p[0], p[1], p[2]);
    mPlanes[kFar] = PlaneThrough(p[6], p[7], p[5]);
    mPlanes[kLeft] = PlaneThrough(p[2], p[6], p[4]);
    mPlanes[kRight] = PlaneThrough(p[7], p[3], p[5]);
    mPlanes[kTop] = PlaneThrough(p[2], p[3], p[6]);
    mPlanes[kBottom] = PlaneThrough(p[1], p[0], p[4]);
}

bool CPPerspectiveCamera::IsBoxVisible(const D3DXVECTOR3& minimum, const D3DXVECTOR3& maximum) const {
    // Per plane only the corner with the greatest value matters, and it is made of the greater product on
    // each axis. Rounding is monotonic, so the sum of those products is exactly the greatest of the eight
    // corner values, without choosing the corner first.
    for (const D3DXPLANE& plane : mPlanes) {
        float x = std::max(plane.a * minimum.x, plane.a * maximum.x);
        float y = std::max(plane.b * minimum.y, plane.b * maximum.y);
        float z = std::max(plane.c * minimum.z, plane.c * maximum.z);
        if (!(x + y + z + plane.d > 0.0f)) return false;
    }
    return true;
}
