#include "host/RenderQueueHost.h"

#include "Render/CPRenderQueue.h"
#include "Render/PIVertexBuffer.h"
#include "Render/PRender.h"

RenderQueueHost::~RenderQueueHost() { Destroy(); }

bool RenderQueueHost::Create(PRender& renderer) {
    Destroy();
    mRenderer = &renderer;
    IDirect3DDevice9* device = renderer.GetDevice();

    mDrawRing = new PIVertexBuffer;
    bool made = mDrawRing->Create(device, kDrawSlots, kDrawVertices, kDrawIndices,
                                  D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DPOOL_DEFAULT);
    mBranchRing = new PIVertexBuffer;
    // Managed buffers cannot be discarded; the static geometry is written once and kept.
    mBranchRing->SetNoDiscard(true);
    made = mBranchRing->Create(device, kBranchSlots, kBranchVertices, kBranchIndices, D3DUSAGE_WRITEONLY,
                               D3DPOOL_MANAGED) &&
           made;

    mDrawQueue = new CPRenderQueue(mDrawRing);
    mBranchQueue = new CPRenderQueue(mBranchRing);
    renderer.SetDrawQueue(mDrawQueue);
    renderer.SetBranchQueue(mBranchQueue);
    return made;
}

void RenderQueueHost::Destroy() {
    if (mRenderer) {
        if (mRenderer->GetDrawQueue().Get() == mDrawQueue) mRenderer->SetDrawQueue(nullptr);
        if (mRenderer->GetBranchQueue().Get() == mBranchQueue) mRenderer->SetBranchQueue(nullptr);
        mRenderer = nullptr;
    }
    delete mDrawQueue;
    delete mBranchQueue;
    delete mDrawRing;
    delete mBranchRing;
    mDrawQueue = mBranchQueue = nullptr;
    mDrawRing = mBranchRing = nullptr;
}

void RenderQueueHost::OnLostDevice() {
    if (mDrawRing) mDrawRing->ReleaseBuffers();
}

void RenderQueueHost::OnResetDevice() {
    if (mDrawRing) mDrawRing->RecreateBuffers();
}
