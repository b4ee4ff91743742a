// The plain mesh of a game object: local vertices in the owner's model space, a world copy placed by
// the owner's world matrix when it moves, texture animators run on the way into the batch, or a
// static mesh buffer of the renderer that replaces the dynamic batch.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Render/PRenderable.h"
#include "Render/PTexAnimator.h"
#include "core/CPRenderPart.h"
#include "platform/D3DX9Math.h"

struct CPMeshBuffers;

class CPRenderObject : public CPRenderable, public CPRenderPart {
public:
    // All arrays empty, not animated, not static, no material.
    explicit CPRenderObject(CPGameObject* owner);
    // Deletes the animators and releases the material; the static mesh buffer stays with the renderer.
    ~CPRenderObject() override;

    size_t GetSize() const override { return sizeof(CPRenderObject); }
    std::string GetClassName() const override { return "CPRenderObject"; }

    // --- renderable
    // The static flag: a static object lives in a mesh buffer of the renderer and fills nothing.
    bool IsSkipped() const override { return mStatic; }
    void SetSkipped(bool skipped) override { mStatic = skipped; }
    int32_t GetVertexCount() const override { return static_cast<int32_t>(mLocalVertices.size()); }
    int32_t GetIndexCount() const override { return static_cast<int32_t>(mIndices.size()); }
    // Places the world vertices first when the owner's world matrix changed (clearing its flag) or when
    // their count no longer matches the local one; then runs the animators or copies them as they are.
    bool FillVertices(CPVertex* vertices, uint16_t* indices, uint16_t baseIndex, int32_t flag) override;
    // Only when the object has world vertices and indices; otherwise nothing is written or reported.
    void CopyIndices(uint16_t* indices, int32_t unused, uint16_t& first, uint16_t& last) override;
    CPSmartPtr<CPMaterial> GetMaterial() const override;
    void DetachOwner(const CPGameObject* owner) override;

    // --- render part (kind 0): the copy takes this mesh (CopyFrom) and follows the new owner
    RenderKind GetPartKind() const override { return kRenderObject; }
    CPRefObject* CopyFor(CPGameObject* owner) override;

    void SetMaterial(CPSmartPtr<CPMaterial> material);

    // World vertices = local vertices placed by the owner's world matrix (identity without an owner):
    // positions as points, normals by the upper 3 x 3 without renormalising, diffuse copied. Specular and
    // texture coordinates keep their values; entries the world array lacks are first copied from the
    // local ones, surplus entries are dropped. Nothing for a static object.
    void UpdateWorldVertices();
    // Bakes the matrix into the local vertices (positions as points, normals by the upper 3 x 3). The
    // world vertices follow only at the next UpdateWorldVertices.
    void TransformVertices(const D3DXMATRIX& matrix);
    // Fills a freshly built object from the source: owner, vertices, indices, material, static flag with
    // the renderer's mesh buffer of the same name, and a clone of every animator. The caller sets the
    // owner to the new game object afterwards.
    void CopyFrom(const CPSmartPtr<CPRenderObject>& source);
    // The reaction to a physical hit: none.
    void ApplyImpact(const D3DXVECTOR3& point, const D3DXVECTOR3& direction, float strength);

    CPGameObject* GetOwner() const { return mOwner; }
    void SetOwner(CPGameObject* owner) { mOwner = owner; }

    // Takes ownership and sets the animated flag; a null animator is ignored.
    void AddAnimator(std::unique_ptr<CPTexAnimator> animator);
    const CPTexAnimatorList& GetAnimators() const { return mAnimators; }
    bool IsAnimated() const { return mAnimated; }

    // Loaders and callers fill these directly. A caller that writes world vertices itself clears the
    // owner's world-matrix-changed flag so that they are kept.
    std::vector<CPVertex>& GetLocalVertices() { return mLocalVertices; }
    const std::vector<CPVertex>& GetLocalVertices() const { return mLocalVertices; }
    std::vector<CPVertex>& GetWorldVertices() { return mWorldVertices; }
    const std::vector<CPVertex>& GetWorldVertices() const { return mWorldVertices; }
    std::vector<uint16_t>& GetIndices() { return mIndices; }
    const std::vector<uint16_t>& GetIndices() const { return mIndices; }

    const std::string& GetMeshBufferName() const { return mMeshBufferName; }
    void SetMeshBufferName(const std::string& name) { mMeshBufferName = name; }
    CPMeshBuffers* GetMeshBuffers() const { return mMeshBuffers.get(); }
    void SetMeshBuffers(std::shared_ptr<CPMeshBuffers> buffers) { mMeshBuffers = std::move(buffers); }

private:
    CPGameObject* mOwner;  // not counted; the owner unhooks itself when destroyed
    bool mAnimated = false;  // texture animators are attached
    CPTexAnimatorList mAnimators;  // applied in order
    std::vector<CPVertex> mLocalVertices;  // the owner's model space
    std::vector<uint16_t> mIndices;        // triangle list into the local vertices
    std::vector<CPVertex> mWorldVertices;  // the local ones placed by the owner's world matrix
    CPSmartPtr<CPMaterial> mMaterial;
    bool mStatic = false;  // the mesh lives in a static mesh buffer of the renderer
    std::string mMeshBufferName;  // key of that buffer in the renderer's cache
    std::shared_ptr<CPMeshBuffers> mMeshBuffers;  // the renderer's record, shared with its table
};
