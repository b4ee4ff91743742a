#include "simulation/physics/PhysGeometry.h"

#include <cmath>

#include "simulation/physics/PhysMath.h"

using PhysMath::SafeLength;

PhysGeometry::PhysGeometry() { Reset(); }

void PhysGeometry::Reset() {
    params[0] = params[1] = params[2] = 0.0f;
    D3DXMatrixIdentity(&transform);
    boxRadius = 0.0f;
    margin = 0.0f;
    type = kBox;
    material = 0;
}

void PhysGeometry::SetBoxSize(float a, float b, float c) {
    type = kBox;
    params[0] = a / 2.0f;
    params[1] = b / 2.0f;
    params[2] = c / 2.0f;
    boxRadius = SafeLength(D3DXVECTOR3(params[0], params[1], params[2]));
    margin = 0.0f;
}

void PhysGeometry::SetBoxSize(const float* sizes) { SetBoxSize(sizes[0], sizes[1], sizes[2]); }

void PhysGeometry::SetCylinder(float diameter, float height) {
    type = kCylinder;
    params[0] = diameter / 2.0f;
    params[1] = params[0] * params[0];
    params[2] = height / 2.0f;
}

void PhysGeometry::GetBox(D3DXVECTOR3& minimum, D3DXVECTOR3& maximum) const {
    const float* t = &transform.m[3][0];
    float extent[3];
    for (int i = 0; i < 3; ++i) {
        const float r0 = std::fabs(transform.m[0][i]);
        const float r1 = std::fabs(transform.m[1][i]);
        const float r2 = std::fabs(transform.m[2][i]);
        switch (type) {
            case kBox:
                extent[i] = r0 * params[0] + r1 * params[1] + r2 * params[2];
                break;
            case kSphere:
                extent[i] = params[0];
                break;
            case kCylinder:
                extent[i] = (r0 + r2) * params[0] + r1 * (params[2] + params[0]);
                break;
            default:
                // No other shape is ever made; an unknown type covers only its centre.
                extent[i] = 0.0f;
                break;
        }
    }
    minimum = D3DXVECTOR3(t[0] - extent[0], t[1] - extent[1], t[2] - extent[2]);
    maximum = D3DXVECTOR3(t[0] + extent[0], t[1] + extent[1], t[2] + extent[2]);
}

float PhysGeometry::GetRadius() const {
    const float centre = SafeLength(PhysMath::TranslationOf(transform));
    switch (type) {
        case kBox:
            return SafeLength(D3DXVECTOR3(params[0], params[1], params[2])) + centre;
        case kSphere:
            return centre + params[0];
        case kCylinder:
            return params[2] + params[0] + centre;
        default:
            return centre;
    }
}
