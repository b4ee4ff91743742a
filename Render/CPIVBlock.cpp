#include "Render/CPIVBlock.h"

#include "Render/PIVertexBuffer.h"
#include "Render/PRenderable.h"
#include "core/CPGameObject.h"

CPIVBlock::CPIVBlock(CPSmartPtr<PIVertexBuffer> ring, CPMaterial* material) : mRing(ring), mMaterial(material) {}

CPIVBlock::~CPIVBlock() {
    Clear();
    mRing.Reset();
    for (CPSmartPtr<CPGameObject>& object : mSecondList) ReleaseIfAlive(object);
    mSecondList.clear();
}

void CPIVBlock::AddRenderable(CPSmartPtr<CPRenderable> renderable) {
    if (!renderable) return;
    if (!renderable->IsSkipped()) {
        mIndexTotal += renderable->GetIndexCount();
        mVertexTotal += renderable->GetVertexCount();
    }
    mHandles.push_back(gObjectRegistry::HandleOf(*renderable));
    mRenderables.push_back(std::move(renderable));
}

void CPIVBlock::Clear() {
    // A renderable its owner deleted after queuing it is forgotten, not released through a freed pointer.
    for (size_t i = 0; i < mRenderables.size(); ++i)
        if (!LiveRenderable(i)) mRenderables[i].Forget();
    mRenderables.clear();
    mHandles.clear();
    mIndexTotal = 0;
    mVertexTotal = 0;
}
