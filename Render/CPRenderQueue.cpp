#include "Render/CPRenderQueue.h"

#include "Render/PIVertexBuffer.h"
#include "Render/PLight.h"
#include "Render/PMaterial.h"
#include "Render/PRender.h"
#include "Render/PRenderable.h"
#include "core/CPGameObject.h"
#include "core/ServiceGlobals.h"

CPRenderQueue::CPRenderQueue(CPSmartPtr<PIVertexBuffer> ring) : mRing(ring) {}

CPRenderQueue::~CPRenderQueue() {
    mFrameBlocks.clear();
    mBlockTable.clear();
    mRing.Reset();
}

void CPRenderQueue::AddObject(CPSmartPtr<CPGameObject> object) {
    if (!object || !object->IsVisible()) return;
    switch (object->GetRenderKind()) {
    case kRenderObject:
    case kRenderAnimated:
    case kRenderSprite:
        if (CPRenderable* renderable = object->GetRenderable()) AddRenderable(renderable);
        break;
    case kRenderLight:
        if (auto* light = dynamic_cast<CPLight*>(object->GetRenderPart()); light && gRenderer) {
            if (const D3DLIGHT9* record = light->GetLight()) gRenderer->AddLight(*record);
        }
        break;
    default:
        break;
    }
}

void CPRenderQueue::AddRenderable(CPSmartPtr<CPRenderable> renderable) {
    if (!renderable) return;
    CPSmartPtr<CPMaterial> material = renderable->GetMaterial();
    if (!material) return;
    std::unique_ptr<CPIVBlock>& slot = mBlockTable[material.Get()];
    if (!slot) slot = std::make_unique<CPIVBlock>(mRing, material.Get());
    CPIVBlock* block = slot.get();
    if (!block->mInFrame) {
        block->mInFrame = true;
        mFrameBlocks.push_back(block);
    }
    block->AddRenderable(std::move(renderable));
}

void CPRenderQueue::AddObjectTree(CPSmartPtr<CPGameObject> object) {
    if (!object) return;
    if (mStaticOnly && !object->IsStatic()) return;
    AddObject(object);
    if (!object->IsVisible()) return;
    for (const CPSmartPtr<CPGameObject>& child : object->GetChildren()) AddObjectTree(child);
}

void CPRenderQueue::AddStaticTree(CPSmartPtr<CPGameObject> object) {
    if (!object) return;
    BakeObject(object);
    if (!object->IsVisible()) return;
    for (const CPSmartPtr<CPGameObject>& child : object->GetChildren()) AddStaticTree(child);
    const std::vector<CPGameObject::LodEntry>& lods = object->GetLodList();
    for (size_t i = 1; i < lods.size(); ++i) AddStaticTree(lods[i].object);
}

void CPRenderQueue::BakeObject(CPSmartPtr<CPGameObject> object) {
    if (!object || !mRing || !object->IsVisible() || !object->IsStatic()) return;
    if (object->GetRenderKind() != kRenderObject) return;
    if (CPRenderable* renderable = object->GetRenderable()) mRing->Append(renderable);
}

bool CPRenderQueue::LockAll() { return mRing && mRing->Lock(0, 0, true, -1); }

void CPRenderQueue::UnlockAll() {
    if (mRing) mRing->Unlock(true);
}

CPIVBlock* CPRenderQueue::FindBlock(const CPMaterial* material) const {
    auto found = mBlockTable.find(material);
    return found == mBlockTable.end() ? nullptr : found->second.get();
}

void CPRenderQueue::EmptyFrame() {
    for (CPIVBlock* block : mFrameBlocks) {
        block->Clear();
        block->mInFrame = false;
    }
    mFrameBlocks.clear();
}
