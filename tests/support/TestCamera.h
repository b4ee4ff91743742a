// A perspective camera for tests of culling and level-of-detail choice: at the eye, looking at the
// target, far plane at 5000, matrices built.
#pragma once

#include <memory>

#include "Render/PCamera.h"

inline std::unique_ptr<CPPerspectiveCamera> CameraAt(const D3DXVECTOR3& eye, const D3DXVECTOR3& target) {
    auto camera = std::make_unique<CPPerspectiveCamera>();
    camera->SetEye(eye);
    camera->SetTarget(target);
    camera->SetFar(5000.0f);
    camera->Update();
    return camera;
}
