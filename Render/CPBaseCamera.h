// The bare camera: five 4 x 4 matrices a render layer draws with. The renderer's 2-D overlay layer
// uses one whose view matrix maps pixels to the screen.
#pragma once

#include <string>

#include "core/CPRefObject.h"
#include "platform/D3DX9Math.h"

class CPBaseCamera : public CPRefObject {
public:
    // View, projection, rotation-only view and its inverse start as identity; the far-1000 projection
    // is left to whoever sets the projection (zero until then).
    CPBaseCamera();
    // Leaves every render layer of gRenderer that still holds it.
    ~CPBaseCamera() override;

    size_t GetSize() const override { return sizeof(CPBaseCamera); }
    std::string GetClassName() const override { return "CPBaseCamera"; }

    // Copies 16 floats, row by row, into the view matrix.
    void SetViewMatrix(const float* matrix);
    void SetViewMatrix(const D3DXMATRIX& matrix) { mView = matrix; }

    const D3DXMATRIX& GetViewMatrix() const { return mView; }
    const D3DXMATRIX& GetProjectionMatrix() const { return mProjection; }
    const D3DXMATRIX& GetFar1000ProjectionMatrix() const { return mProjectionFar1000; }
    const D3DXMATRIX& GetRotationViewMatrix() const { return mRotationView; }
    const D3DXMATRIX& GetRotationViewInverseMatrix() const { return mRotationViewInverse; }

protected:
    D3DXMATRIX mView;
    D3DXMATRIX mProjection;
    D3DXMATRIX mProjectionFar1000;    // the projection with its far distance fixed at 1000
    D3DXMATRIX mRotationView;         // the view without its translation
    D3DXMATRIX mRotationViewInverse;  // inverse of the rotation-only view
};
