#include "Render/CPIVBlock.h"

#include "Render/PIVertexBuffer.h"
#include "Render/PRenderable.h"
#include "core/CPGameObject.h"

CPIVBlock::CPIVBlock(CPSmartPtr<PIVertexBuffer> ring, CPMaterial* material) : mRing(ring), mMaterial(material) {}

CPIVBlock::~CPIVBlock() {
    mRenderables.clear();
    mRing.Reset();
    mSecondList.clear();
}

void CPIVBlock::AddRenderable(CPSmartPtr<CPRenderable> renderable) {
    if (!renderable) return;
    if (!renderable->IsSkipped()) {
        mIndexTotal += renderable->GetIndexCount();
        mVertexTotal += renderable->GetVertexCount();
    }
    mRenderables.push_back(std::move(renderable));
}

void CPIVBlock::Clear() {
    mRenderables.clear();
    mIndexTotal = 0;
    mVertexTotal = 0;
}
