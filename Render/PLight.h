// A point light that follows its game object: each frame the draw queue asks for its record, placed at
// the owner's world position, and copies it into the renderer's light table.
#pragma once

#include <string>

#include "core/CPRefObject.h"
#include "core/CPRenderPart.h"
#include "platform/D3D9Types.h"

class CPGameObject;

class CPLight : public CPRefObject, public CPRenderPart {
public:
    // A zeroed record and no owner.
    CPLight();

    size_t GetSize() const override { return sizeof(CPLight); }
    std::string GetClassName() const override { return "CPLight"; }

    // The record, its position first moved to the owner's world position (the translation row of its
    // world matrix). Without a live owner the position stays as it was; the direction is never touched.
    virtual D3DLIGHT9* GetLight();

    // The record as the description builder fills it (type, colours, range, attenuation).
    D3DLIGHT9& GetRecord() { return mLight; }
    const D3DLIGHT9& GetRecord() const { return mLight; }

    CPGameObject* GetOwner() const { return mOwner; }
    void SetOwner(CPGameObject* owner) { mOwner = owner; }

    // --- render part (kind 2): the copy takes this record and follows the new owner
    RenderKind GetPartKind() const override { return kRenderLight; }
    CPRefObject* CopyFor(CPGameObject* owner) override;

private:
    D3DLIGHT9 mLight;
    CPGameObject* mOwner = nullptr;  // followed, not owned; checked against the registry before use
};
