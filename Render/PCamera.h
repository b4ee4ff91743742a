// The cameras the render layers draw with: a bare holder of view and projection matrices, and the
// perspective camera that rebuilds them lazily from an eye, a target and a lens and culls boxes.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "core/CPRefObject.h"
#include "platform/D3DX9Math.h"

class CPBaseCamera : public CPRefObject {
public:
    // Every matrix starts as the identity.
    CPBaseCamera();
    // Leaves every render layer of gRenderer that still holds it.
    ~CPBaseCamera() override;

    size_t GetSize() const override { return sizeof(CPBaseCamera); }
    std::string GetClassName() const override { return "CPBaseCamera"; }

    // Copies 16 floats, row by row, into the view matrix (the overlay layer keeps its screen matrix there).
    void SetViewMatrix(const float* matrix);
    void SetViewMatrix(const D3DXMATRIX& matrix) { mView = matrix; }

    const D3DXMATRIX& GetViewMatrix() const { return mView; }
    const D3DXMATRIX& GetProjectionMatrix() const { return mProjection; }
    // The same projection with its far distance fixed at 1000, whatever the camera's far distance.
    const D3DXMATRIX& GetFar1000ProjectionMatrix() const { return mFar1000Projection; }
    // The view turned but not moved: what the sky is drawn with.
    const D3DXMATRIX& GetRotationViewMatrix() const { return mRotationView; }
    const D3DXMATRIX& GetInverseRotationViewMatrix() const { return mInverseRotationView; }

protected:
    D3DXMATRIX mView;
    D3DXMATRIX mProjection;
    D3DXMATRIX mFar1000Projection;
    D3DXMATRIX mRotationView;         // view without its translation
    D3DXMATRIX mInverseRotationView;  // camera-to-world turn
};

class CPPerspectiveCamera : public CPBaseCamera {
public:
    enum Plane { kNear = 0, kFar, kLeft, kRight, kTop, kBottom, kPlaneCount };
    using Planes = std::array<D3DXPLANE, kPlaneCount>;

    // A new camera stands at the origin looking along +x with up +z, a vertical field of view of 70°,
    // near 1 and far 1000, with its matrices and planes already built from these; both flags are clear.
    CPPerspectiveCamera();
    // Clears g_pCurrentCamera when it names this camera.
    ~CPPerspectiveCamera() override;

    size_t GetSize() const override { return sizeof(CPPerspectiveCamera); }
    std::string GetClassName() const override { return "CPPerspectiveCamera"; }

    // Each setter raises the view-changed flag; the matrices follow at the next Update.
    void SetEye(const D3DXVECTOR3& eye);
    void SetTarget(const D3DXVECTOR3& target);
    void SetUp(const D3DXVECTOR3& up);
    // Each setter raises the projection-changed flag. The field of view is vertical, in radians.
    void SetFieldOfView(float fov);
    void SetNear(float nearDistance);
    void SetFar(float farDistance);

    const D3DXVECTOR3& GetEye() const { return mEye; }
    const D3DXVECTOR3& GetTarget() const { return mTarget; }
    const D3DXVECTOR3& GetUp() const { return mUp; }
    float GetFieldOfView() const { return mFov; }
    float GetNear() const { return mNear; }
    float GetFar() const { return mFar; }
    bool IsViewChanged() const { return mViewChanged; }
    bool IsProjectionChanged() const { return mProjectionChanged; }

    // Rebuilds the view and its inverses when the view changed, both projections when the projection
    // changed, then the products and the frustum planes; nothing when neither flag is raised. The
    // aspect is screenWidth / screenHeight at that moment; while either setting is not positive the old
    // projection stays and its flag stays raised, so it is built once the screen size is valid.
    void Update();

    // False when every corner of the axis-aligned box lies on the outer side of one frustum plane (a
    // value of 0 counts as outside). Conservative: a box outside but not behind any single plane passes.
    bool IsBoxVisible(const D3DXVECTOR3& minimum, const D3DXVECTOR3& maximum) const;

    // Unnormalised planes whose positive side is inside, in the order of Plane.
    const Planes& GetPlanes() const { return mPlanes; }
    const D3DXMATRIX& GetViewProjectionMatrix() const { return mViewProjection; }
    const D3DXMATRIX& GetInverseViewMatrix() const { return mInverseView; }
    const D3DXMATRIX& GetInverseViewProjectionMatrix() const { return mInverseViewProjection; }
    // Rotation-only view times the far-1000 projection.
    const D3DXMATRIX& GetRotationViewProjectionMatrix() const { return mRotationViewProjection; }

private:
    Planes mPlanes;
    D3DXVECTOR3 mTarget;
    D3DXVECTOR3 mEye;
    D3DXVECTOR3 mUp;
    float mFov;   // radians, vertical
    float mNear;  // distance of the near clip plane
    float mFar;   // distance of the far clip plane
    bool mProjectionChanged = false;
    bool mViewChanged = false;
    D3DXMATRIX mViewProjection;
    D3DXMATRIX mInverseView;  // camera to world
    D3DXMATRIX mInverseViewProjection;
    D3DXMATRIX mRotationViewProjection;
};

// The current main perspective camera: set by the race camera, cleared when a level stops or the
// camera is destroyed. Not counted; null when there is none.
extern CPPerspectiveCamera* g_pCurrentCamera;
