#include "Render/ObjectReach.h"

#include <algorithm>

#include "Render/PRenderObject.h"
#include "core/CPGameObject.h"

namespace {

void Grow(CPAxisBox& box, const D3DXVECTOR3& point) {
    box.mMinimum = D3DXVECTOR3(std::min(box.mMinimum.x, point.x), std::min(box.mMinimum.y, point.y),
                               std::min(box.mMinimum.z, point.z));
    box.mMaximum = D3DXVECTOR3(std::max(box.mMaximum.x, point.x), std::max(box.mMaximum.y, point.y),
                               std::max(box.mMaximum.z, point.z));
}

// The placed vertices of every plain mesh of the subtree.
void GrowByVertices(CPAxisBox& box, const CPGameObject& object) {
    if (object.GetRenderKind() == kRenderObject) {
        if (const auto* mesh = dynamic_cast<const CPRenderObject*>(object.GetRenderPart())) {
            for (const CPVertex& vertex : mesh->GetLocalVertices()) {
                D3DXVECTOR3 placed;
                D3DXVec3TransformCoord(&placed, &vertex.position, &object.GetWorldMatrix());
                Grow(box, placed);
            }
        }
    }
    for (const CPSmartPtr<CPGameObject>& child : object.GetChildren())
        if (child) GrowByVertices(box, *child);
}

// One tree without its level-of-detail copies.
CPAxisBox TreeReach(const CPGameObject& root) {
    CPAxisBox box = root.GetHierarchyBounds();
    // Merge leaves an empty collision box (no collision boxes in the tree) without effect.
    box.Merge(root.GetCollisionBounds());
    GrowByVertices(box, root);
    box.UpdateCentre();
    return box;
}

}  // namespace

CPAxisBox ObjectReach(const CPGameObject& root) {
    CPAxisBox box = TreeReach(root);
    for (const CPGameObject::LodEntry& lod : root.GetLodList())
        if (lod.object && lod.object.Get() != &root) box.Merge(TreeReach(*lod.object));
    return box;
}
