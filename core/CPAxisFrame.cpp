#include "core/CPAxisFrame.h"

void CPAxisFrame::Reset() {
    mAxis3 = D3DXVECTOR3(0, 1, 0);
    mAxis1 = MirrorVector(mAxis3);
    mAxis2 = D3DXVECTOR3(0, 0, 1);
    mOrigin = D3DXVECTOR3(0, 0, 0);
}

D3DXVECTOR3 CPAxisFrame::ToFrame(const D3DXVECTOR3& v) const {
    return D3DXVECTOR3(D3DXVec3Dot(&mAxis1, &v), D3DXVec3Dot(&mAxis3, &v), D3DXVec3Dot(&mAxis2, &v));
}

D3DXVECTOR3 CPAxisFrame::FromFrame(const D3DXVECTOR3& v) const {
    return mAxis1 * v.x + mAxis3 * v.y + mAxis2 * v.z;
}

void CPAxisFrame::Rebuild() {
    if (IsMirrored()) {
        D3DXVec3Cross(&mAxis1, &mAxis3, &mAxis2);
    } else {
        D3DXVec3Cross(&mAxis1, &mAxis2, &mAxis3);
    }
    if (D3DXVec3Length(&mAxis1) > 0.0f) D3DXVec3Normalize(&mAxis1, &mAxis1);
}

void CPAxisFrame::SetAxis3AndRebuild(const D3DXVECTOR3& v) {
    mAxis3 = v;
    Rebuild();
    if (IsMirrored()) {
        D3DXVec3Cross(&mAxis2, &mAxis1, &mAxis3);
    } else {
        D3DXVec3Cross(&mAxis2, &mAxis3, &mAxis1);
    }
}

void CPAxisFrame::SetAxes23(const D3DXVECTOR3& u, const D3DXVECTOR3& v) {
    mAxis2 = u;
    SetAxis3Normalized(v);
}

void CPAxisFrame::SetAxis3Normalized(const D3DXVECTOR3& v) {
    D3DXVECTOR3 axis = v;
    if (D3DXVec3Length(&axis) > 0.0f) D3DXVec3Normalize(&axis, &axis);
    SetAxis3AndRebuild(axis);
}

D3DXVECTOR3 CPAxisFrame::MirrorVector(const D3DXVECTOR3& v) const {
    if (IsMirrored()) return D3DXVECTOR3(-v.y, v.x, v.z);
    return D3DXVECTOR3(v.y, v.x, v.z);
}
