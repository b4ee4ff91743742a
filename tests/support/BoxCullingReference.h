// The box test spelled out as the rule reads, for checking and measuring the camera's own test: per
// frustum plane, try the eight corners until one lies inside; a plane with none inside culls the box.
#pragma once

#include "Render/PCamera.h"

inline bool EightCornerBoxVisible(const CPPerspectiveCamera& camera, const D3DXVECTOR3& lo, const D3DXVECTOR3& hi) {
    for (const D3DXPLANE& p : camera.GetPlanes()) {
        bool anyInside = false;
        for (int corner = 0; corner < 8 && !anyInside; ++corner) {
            float x = corner & 1 ? hi.x : lo.x, y = corner & 2 ? hi.y : lo.y, z = corner & 4 ? hi.z : lo.z;
            anyInside = p.a * x + p.b * y + p.c * z + p.d > 0.0f;
        }
        if (!anyInside) return false;
    }
    return true;
}
