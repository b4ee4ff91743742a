#include "Render/CPQuadTree.h"

#include <algorithm>

#include "Render/ObjectReach.h"
#include "Render/PCamera.h"
#include "Render/PRender.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"

CPQuadTree::~CPQuadTree() {
    for (CPQuadTree*& child : mChildren) {
        delete child;
        child = nullptr;
    }
}

int32_t CPQuadTree::LeafDepth() { return std::clamp(gSettings::quadlevels, 0, kMaxDepth); }

void CPQuadTree::SetBounds(const D3DXVECTOR3& centre, const D3DXVECTOR3& half) {
    auto box = std::make_unique<CPAxisBox>();
    box->mMinimum = centre - half;
    box->mMaximum = centre + half;
    box->mCentre = centre;
    box->mHalfExtents = half;
    mBox = std::move(box);
}

void CPQuadTree::AddObject(CPSmartPtr<CPGameObject> object) { mObjects.push_back(object); }

void CPQuadTree::SetChild(int32_t index, CPQuadTree* node) {
    if (index < 0 || index >= static_cast<int32_t>(mChildren.size())) {
        delete node;
        return;
    }
    CPQuadTree*& slot = mChildren[static_cast<size_t>(index)];
    if (slot != node) delete slot;
    slot = node;
}

CPQuadTree* CPQuadTree::GetChild(int32_t index) const {
    if (index < 0 || index >= static_cast<int32_t>(mChildren.size())) return nullptr;
    return mChildren[static_cast<size_t>(index)];
}

void CPQuadTree::BuildLeaf(const std::vector<CPSmartPtr<CPGameObject>>& objects) {
    // Each object's whole reach, not its hierarchy bounds alone: those of a placed plain mesh end at its
    // origin, and the leaf would be culled while the mesh is still in view.
    CPAxisBox bounds;
    for (const CPSmartPtr<CPGameObject>& object : objects) {
        if (!object) continue;
        const CPAxisBox reach = ObjectReach(*object);
        if (mObjects.empty()) bounds = reach;
        AddObject(object);
        bounds.Merge(reach);
    }
    // An empty leaf keeps the box it was given.
    if (!mObjects.empty()) SetBounds(bounds.mCentre, bounds.mHalfExtents);
}

void CPQuadTree::Build(const std::vector<CPSmartPtr<CPGameObject>>& objects, int32_t depth) {
    // ">=" rather than "==": a depth already past the leaves must not split for ever.
    if (depth >= LeafDepth() || !mBox) {
        BuildLeaf(objects);
        return;
    }

    const D3DXVECTOR3 c = mBox->mCentre;
    const D3DXVECTOR3 h = mBox->mHalfExtents;
    const D3DXVECTOR3 childHalf(h.x / 2.0f, h.y / 2.0f, h.z);
    const D3DXVECTOR3 childCentres[4] = {
        {c.x - h.x / 2.0f, c.y - h.y / 2.0f, c.z},
        {c.x + h.x / 2.0f, c.y + h.y / 2.0f, c.z},
        {c.x + h.x / 2.0f, c.y - h.y / 2.0f, c.z},
        {c.x - h.x / 2.0f, c.y + h.y / 2.0f, c.z},
    };
    std::array<std::unique_ptr<CPQuadTree>, 4> children;
    std::array<std::vector<CPSmartPtr<CPGameObject>>, 4> lists;
    for (size_t i = 0; i < children.size(); ++i) {
        children[i] = std::make_unique<CPQuadTree>();
        children[i]->SetBounds(childCentres[i], childHalf);
    }
    for (const CPSmartPtr<CPGameObject>& object : objects) {
        if (!object) continue;
        for (size_t i = 0; i < children.size(); ++i) {
            if (children[i]->mBox->Contains(object->GetPosition())) {
                lists[i].push_back(object);
                break;
            }
        }
    }
    for (size_t i = 0; i < children.size(); ++i) children[i]->Build(lists[i], depth + 1);

    CPAxisBox merged = *children[0]->mBox;
    for (size_t i = 1; i < children.size(); ++i) merged.Merge(*children[i]->mBox);
    SetBounds(merged.mCentre, merged.mHalfExtents);
    for (size_t i = 0; i < children.size(); ++i) SetChild(static_cast<int32_t>(i), children[i].release());
}

void CPQuadTree::Collect(const CPPerspectiveCamera& camera) {
    int32_t counted = 0;
    for (CPQuadTree* child : mChildren) {
        if (!child) continue;
        ++counted;
        if (child->mBox && camera.IsBoxVisible(child->mBox->mMinimum, child->mBox->mMaximum))
            child->Collect(camera);
    }
    if (counted > 0 || mObjects.empty() || !mBox) return;

    const D3DXVECTOR3 d = camera.GetEye() - mBox->mCentre;
    // The square of the setting in 64 bits: a large "distance" must not overflow.
    const int64_t reach = static_cast<int64_t>(gSettings::distance) * gSettings::distance;
    if (!(d.x * d.x + d.y * d.y + d.z * d.z < static_cast<float>(reach))) return;
    if (!gRenderer) return;
    CPSmartPtr<CPRenderQueue> queue = gRenderer->GetDrawQueue();
    if (!queue) return;
    gRenderer->mQueuedObjectCount += static_cast<int32_t>(mObjects.size());
    for (const CPSmartPtr<CPGameObject>& object : mObjects)
        if (object) queue->AddObjectTree(object);
}
