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

void CPIVBlock::PrefetchAhead(size_t i) const {
    // A prefetch of a dead object's address reads nothing and cannot fault; a call on it could.
    if (i + 2 < mRenderables.size()) __builtin_prefetch(mRenderables[i + 2].Get());
    if (i + 1 < mRenderables.size())
        if (const CPRenderable* next = LiveRenderable(i + 1)) next->PrefetchGeometry();
}

void CPIVBlock::Clear() {
    // A renderable its owner deleted after queuing it is forgotten, not released through a freed pointer;
    // the live ones are released in queuing order, as clearing the list would.
    for (size_t i = 0; i < mRenderables.size(); ++i) {
        if (LiveRenderable(i))
            mRenderables[i].Reset();
        else
            mRenderables[i].Forget();
    }
    mRenderables.clear();
    mHandles.clear();
    mIndexTotal = 0;
    mVertexTotal = 0;
}
