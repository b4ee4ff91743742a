// A square quad at its game object's world position that always faces the current camera: it can turn
// about the view axis, show a sub-rectangle of its texture, run texture animators, and be seen only
// from a cone of directions, fading towards the cone's edge (lamps and glows on level objects).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Render/PRenderable.h"
#include "Render/PTexAnimator.h"
#include "core/CPRenderPart.h"
#include "platform/D3DX9Math.h"

class CPSprite : public CPRenderable, public CPRenderPart {
public:
    // Half the edge of the square; white, the whole texture, no turn, no cone.
    explicit CPSprite(float size);
    // Deletes the animators and releases the material.
    ~CPSprite() override;

    size_t GetSize() const override { return sizeof(CPSprite); }
    std::string GetClassName() const override { return "CPSprite"; }

    // --- renderable: 4 vertices and 6 indices while the visibility test passes, else nothing
    bool IsSkipped() const override { return false; }
    void SetSkipped(bool) override {}
    int32_t GetVertexCount() const override { return TestVisibility() ? 4 : 0; }
    int32_t GetIndexCount() const override { return TestVisibility() ? 6 : 0; }
    // The quad facing the current camera, animators applied in place, indices 0 2 1, 0 3 2 plus baseIndex.
    bool FillVertices(CPVertex* vertices, uint16_t* indices, uint16_t baseIndex, int32_t flag) override;
    void CopyIndices(uint16_t*, int32_t, uint16_t&, uint16_t&) override {}
    CPSmartPtr<CPMaterial> GetMaterial() const override;
    void DetachOwner(const CPGameObject* owner) override;

    // The visibility test against g_pCurrentCamera: no camera or no owner, not visible. A cone below 0
    // is a fixed alpha (-0.1 or less: colour -cone x 255 in every byte; between -0.1 and 0: hidden); a
    // cone of 0 is always visible with the colour unchanged; a positive cone is the widest angle, in
    // radians, between the turned direction and the horizontal direction to the camera, and fades the
    // colour to 0.3 at its edge. Sets the visible flag and, when the test says so, the colour.
    bool TestVisibility() const;

    // The facing direction in the frame of the owner's root object, and the cone value.
    void SetCone(const D3DXVECTOR3& direction, float cone);
    // A new sprite of the same size, material, angle, direction, cone and animated flag with clones of
    // the animators; colour and texture rectangle at their defaults, no owner.
    CPSprite* CreateCopy() const;

    // --- render part (kind 3): CreateCopy, following the new owner
    RenderKind GetPartKind() const override { return kRenderSprite; }
    CPRefObject* CopyFor(CPGameObject* owner) override;


    void SetMaterial(CPSmartPtr<CPMaterial> material);
    CPGameObject* GetOwner() const { return mOwner; }
    void SetOwner(CPGameObject* owner) { mOwner = owner; }
    float GetHalfSize() const { return mSize; }
    float GetAngle() const { return mAngle; }
    void SetAngle(float radians) { mAngle = radians; }
    uint32_t GetColour() const { return mColour; }
    void SetColour(uint32_t argb) { mColour = argb; }
    void SetTextureRect(float u0, float v0, float u1, float v1);
    const D3DXVECTOR3& GetDirection() const { return mDirection; }
    float GetCone() const { return mCone; }
    bool IsVisible() const { return mVisible; }

    // Takes ownership and sets the animated flag; a null animator is ignored.
    void AddAnimator(std::unique_ptr<CPTexAnimator> animator);
    const CPTexAnimatorList& GetAnimators() const { return mAnimators; }
    bool IsAnimated() const { return mAnimated; }

private:
    bool mAnimated = false;  // texture animators are attached
    CPTexAnimatorList mAnimators;
    CPGameObject* mOwner = nullptr;  // not counted; the owner unhooks itself when destroyed
    CPSmartPtr<CPMaterial> mMaterial;
    float mSize;          // half the edge
    float mAngle = 0.0f;  // turn about the view axis, radians
    // ARGB of all four vertices; the visibility test rewrites it for cones other than 0.
    mutable uint32_t mColour = 0xFFFFFFFF;
    float mU0 = 0.0f, mV0 = 0.0f, mU1 = 1.0f, mV1 = 1.0f;  // texture rectangle
    D3DXVECTOR3 mDirection;  // in the owner's root frame
    float mCone = 0.0f;      // see TestVisibility
    mutable bool mVisible = false;  // result of the last visibility test
};
