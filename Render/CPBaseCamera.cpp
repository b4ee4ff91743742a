#include "Render/CPBaseCamera.h"

#include <cstring>

#include "Render/PRender.h"
#include "core/ServiceGlobals.h"

CPBaseCamera::CPBaseCamera() {
    D3DXMatrixIdentity(&mView);
    D3DXMatrixIdentity(&mProjection);
    D3DXMatrixIdentity(&mRotationView);
    D3DXMatrixIdentity(&mRotationViewInverse);
}

CPBaseCamera::~CPBaseCamera() {
    if (gRenderer) gRenderer->ForgetCamera(this);
}

void CPBaseCamera::SetViewMatrix(const float* matrix) {
    if (matrix) std::memcpy(mView.m, matrix, sizeof mView.m);
}
