#include "Render/PLight.h"

#include "core/CPGameObject.h"

CPLight::CPLight() : mLight{} {}

D3DLIGHT9* CPLight::GetLight() {
    // The owner holds the light but may die first: the registry says whether it is still there.
    if (mOwner && gObjectRegistry::Contains(mOwner)) {
        const D3DXMATRIX& world = mOwner->GetWorldMatrix();
        mLight.Position = {world._41, world._42, world._43};
    }
    return &mLight;
}

CPRefObject* CPLight::CopyFor(CPGameObject* owner) {
    auto* copy = new CPLight();
    copy->mLight = mLight;
    copy->SetOwner(owner);
    return copy;
}
