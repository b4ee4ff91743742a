#include "Render/CPIVBlock.h"

#include "Render/PRenderable.h"
#include "Render/PIVertexBuffer.h"

CPIVBlock::CPIVBlock(CPSmartPtr<PIVertexBuffer> ring, CPMaterial* material) : mRing(ring), mMaterial(material) {}

CPIVBlock::~CPIVBlock() {
    mRenderables.clear();
    mRing.Reset();
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
