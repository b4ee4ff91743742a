#include "Render/CPFrameRenderer.h"

#include <algorithm>
#include <map>

#include "DynamicSky/Skyscape.h"
#include "Render/CPIVBlock.h"
#include "Render/CPRenderLayer.h"
#include "Render/CPRenderQueue.h"
#include "Render/PCamera.h"
#include "Render/PEffectManager.h"
#include "Render/PIVertexBuffer.h"
#include "Render/PMaterial.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "Render/PRenderable.h"
#include "Render/PTexture.h"
#include "core/CPGameObject.h"
#include "core/CPRefObject.h"
#include "core/FrameClock.h"

namespace {
constexpr DWORD kFixedFunctionStages = 8;

// The texture block's textures in slot order; empty when the material has none.
const std::vector<CPTexture*>& TexturesOf(const CPMaterial& material) {
    static const std::vector<CPTexture*> kNone;
    const CPSmartPtr<CPTextureBlock>& block = material.GetTextureBlock();
    return block ? block->GetTextures() : kNone;
}

IDirect3DBaseTexture9* DeviceTexture(const CPTexture* texture) {
    return texture ? texture->GetBaseTexture() : nullptr;
}

void EmptyQueues(PRender& renderer) {
    if (CPSmartPtr<CPRenderQueue> queue = renderer.GetDrawQueue()) queue->EmptyFrame();
    if (CPSmartPtr<CPRenderQueue> queue = renderer.GetBranchQueue()) queue->EmptyFrame();
    // Debug lines are added anew every frame: the list would grow without end otherwise.
    renderer.ClearDebugLines();
}
}  // namespace

HRESULT CPFrameRenderer::DrawFrame(PRender& renderer) {
    IDirect3DDevice9* device = renderer.GetDevice();
    HRESULT result = D3DERR_INVALIDCALL;
    mStats = {};
    bool drawn = false;
    if (device) {
        result = device->TestCooperativeLevel();
        if (SUCCEEDED(result)) {
            device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
            if (SUCCEEDED(device->BeginScene())) {
                drawn = true;
                RenderSky(renderer);
                DrawQueues(renderer);
                DrawDebugLines(renderer, *device);
                device->EndScene();
                mScreenEffects.Draw(renderer);
            }
            result = device->Present(nullptr, nullptr, nullptr, nullptr);
        }
    }
    // Whatever was drawn, the frame's queues start empty again. The lights of a frame that was not drawn
    // go too: applied after a reset they would pile up on the next frame's and push its own out.
    if (!drawn) renderer.ClearLights();
    EmptyQueues(renderer);
    return result;
}

void CPFrameRenderer::RenderSky(PRender& renderer) {
    Skyscape* sky = renderer.GetSkyscape();
    if (sky) sky->Render(gDeltaTime);
    // The sky's sun applies the frame's lights; without a sun layer they are applied here, so that the
    // queued lights reach the device and the table empties every frame.
    if (!sky || !sky->HasSunLayer()) renderer.ApplyLights();
}

void CPFrameRenderer::DrawDebugLines(PRender& renderer, IDirect3DDevice9& device) {
    const std::vector<CPVertex>& points = renderer.GetDebugLinePoints();
    UINT lines = static_cast<UINT>(points.size() / 2);
    if (lines == 0) return;
    // World-space lines seen through the main view when there is one, untextured.
    if (g_pCurrentCamera) {
        device.SetTransform(D3DTS_VIEW, &g_pCurrentCamera->GetViewMatrix());
        device.SetTransform(D3DTS_PROJECTION, &g_pCurrentCamera->GetProjectionMatrix());
    }
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device.SetTransform(D3DTS_WORLD, &identity);
    device.SetTexture(0, nullptr);
    device.SetFVF(kVertexFVF);
    if (SUCCEEDED(device.DrawPrimitiveUP(D3DPT_LINELIST, lines, points.data(), sizeof(CPVertex))))
        mStats.debugLines = static_cast<int32_t>(lines);
}

void CPFrameRenderer::DrawQueues(PRender& renderer) {
    mStats = {};
    mRenderer = &renderer;
    mDevice = renderer.GetDevice();
    CPSmartPtr<CPRenderQueue> drawQueue = renderer.GetDrawQueue();
    if (!mDevice || !drawQueue) return;
    CPSmartPtr<CPRenderQueue> branchQueue = renderer.GetBranchQueue();
    PIVertexBuffer* branchRing = branchQueue ? branchQueue->GetRing() : nullptr;
    mDrawRing = drawQueue->GetRing();

    // Nothing carries over from the previous frame: until a layer's camera says otherwise, the default view.
    mView = PRender::DefaultView();
    mProjection = PRender::DefaultProjection();
    D3DXMatrixIdentity(&mWorld);
    D3DXMatrixIdentity(&mLayerWorld);
    mLayers = &renderer.GetLayers();
    mNextLayer = mLayers->begin();
    mDevice->SetFVF(kVertexFVF);
    if (mLayers->empty()) {
        mDevice->SetTransform(D3DTS_VIEW, &mView);
        mDevice->SetTransform(D3DTS_PROJECTION, &mProjection);
        SetWorld(mWorld);
    }

    OrderBlocks(renderer);
    mFilling = mDrawRing && mDrawRing->Lock(0, 0, true, -1);
    if (mFilling) ++mStats.fills;

    for (const BlockDraw& item : mOrder) {
        BlockDraw current{item.layerKey, item.block, {}, {}};
        const size_t queued = item.block->GetRenderables().size();
        for (size_t i = 0; i < queued; ++i) {
            CPRenderable* renderable = item.block->LiveRenderable(i);
            // Deleted by its owner since it was queued: nothing left to draw.
            if (!renderable) continue;
            // Skipped renderables live in buffers of their own, not in the rings.
            if (renderable->IsSkipped()) {
                auto* mesh = dynamic_cast<CPRenderObject*>(renderable);
                if (mesh && mesh->GetMeshBuffers()) current.meshes.push_back(mesh);
                continue;
            }
            const int32_t vertexCount = renderable->GetVertexCount();
            const int32_t indexCount = renderable->GetIndexCount();
            if (vertexCount <= 0) continue;

            // Baked static geometry is drawn where the level load wrote it. The counts guard against a
            // new renderable that happens to sit where a baked one of an earlier level was.
            if (const PIVertexBuffer::Placement* baked = branchRing ? branchRing->FindPlacement(renderable) : nullptr;
                baked && baked->vertexCount == vertexCount && baked->indexCount == indexCount) {
                AddToRun(current.runs, branchRing, baked->slot, baked->firstIndex, baked->indexCount,
                         baked->baseVertex, baked->vertexCount);
                ++mStats.staticRuns;
                continue;
            }
            if (!mFilling) continue;
            // Queued twice this frame: written and drawn once.
            if (mDrawRing->FindPlacement(renderable)) continue;
            if (!mDrawRing->FitsFill(vertexCount, indexCount)) {
                ++mStats.dropped;
                continue;
            }
            if (!mDrawRing->HasRoomFor(vertexCount, indexCount)) {
                // The fill is full: draw what it holds and go on in the next slot.
                mPending.push_back(std::move(current));
                current = BlockDraw{item.layerKey, item.block, {}, {}};
                Flush(true);
                if (!mFilling) continue;
            }
            if (!mDrawRing->Append(renderable)) continue;
            const PIVertexBuffer::Placement* placed = mDrawRing->FindPlacement(renderable);
            AddToRun(current.runs, mDrawRing, placed->slot, placed->firstIndex, placed->indexCount,
                     placed->baseVertex, placed->vertexCount);
            mStats.dynamicVertices += vertexCount;
        }
        mPending.push_back(std::move(current));
    }
    Flush(false);
    // The layers after the last block still take their turns: their matrices are the frame's too.
    EnterLayersThrough(std::nullopt);
    mOrder.clear();
    mLayers = nullptr;
    mRenderer = nullptr;
    mDevice = nullptr;
    mDrawRing = nullptr;
}

void CPFrameRenderer::OrderBlocks(PRender& renderer) {
    mOrder.clear();
    const std::map<int32_t, CPRenderLayer>& layers = renderer.GetLayers();
    const std::vector<CPIVBlock*>& blocks = renderer.GetDrawQueue()->GetFrameBlocks();
    if (layers.empty()) {
        for (CPIVBlock* block : blocks) mOrder.push_back(BlockDraw{std::nullopt, block, {}, {}});
        return;
    }
    // Per layer, in ascending key order, the blocks in first-queued order.
    std::map<int32_t, std::vector<CPIVBlock*>> byLayer;
    for (CPIVBlock* block : blocks) {
        const int32_t key = block->GetMaterial()->GetLayerKey();
        auto layer = layers.upper_bound(key);
        if (layer != layers.begin()) --layer;
        byLayer[layer->first].push_back(block);
    }
    for (const auto& [key, members] : byLayer) {
        for (CPIVBlock* block : members) mOrder.push_back(BlockDraw{key, block, {}, {}});
    }
}

void CPFrameRenderer::Flush(bool refill) {
    if (mFilling) {
        mDrawRing->Unlock(true);
        mFilling = false;
    }
    for (const BlockDraw& draw : mPending) DrawBlock(draw);
    mPending.clear();
    if (refill && mDrawRing) {
        mFilling = mDrawRing->Lock(0, 0, true, -1);
        if (mFilling) ++mStats.fills;
    }
}

void CPFrameRenderer::AddToRun(std::vector<Run>& runs, PIVertexBuffer* ring, int32_t slot, int32_t firstIndex,
                             int32_t indexCount, int32_t baseVertex, int32_t vertexCount) {
    if (!runs.empty()) {
        Run& last = runs.back();
        // A run that ends in a partial triangle stays alone: sharing it would shift the next triangles.
        if (last.ring == ring && last.slot == slot && last.firstIndex + last.indexCount == firstIndex &&
            last.indexCount % 3 == 0) {
            last.indexCount += indexCount;
            last.minVertex = std::min(last.minVertex, baseVertex);
            last.endVertex = std::max(last.endVertex, baseVertex + vertexCount);
            return;
        }
    }
    runs.push_back(Run{ring, slot, firstIndex, indexCount, baseVertex, baseVertex + vertexCount});
}

void CPFrameRenderer::DrawBlock(const BlockDraw& draw) {
    if (draw.runs.empty() && draw.meshes.empty()) return;
    if (draw.layerKey) EnterLayersThrough(draw.layerKey);

    const CPMaterial* material = draw.block->GetMaterial();
    CPEffect* effect = material ? material->GetEffect().Get() : nullptr;
    ID3DXEffect* fx = effect ? effect->GetEffect() : nullptr;
    static const std::vector<CPTexture*> kNone;
    const std::vector<CPTexture*>& textures = material ? TexturesOf(*material) : kNone;

    UINT passes = 1;
    if (fx) {
        if (D3DXHANDLE time = effect->GetTimeHandle()) fx->SetFloat(time, static_cast<float>(gRunningTime));
        const std::vector<D3DXHANDLE>& slots = effect->GetTextureHandles();
        for (size_t i = 0; i < slots.size() && i < textures.size(); ++i)
            fx->SetTexture(slots[i], DeviceTexture(textures[i]));
        if (FAILED(fx->Begin(&passes, 0))) {
            fx = nullptr;
            passes = 1;
        }
    }
    if (!fx) {
        // No compiled effect: the fixed-function stages take the textures in slot order.
        for (DWORD stage = 0; stage < kFixedFunctionStages && stage < textures.size(); ++stage)
            mDevice->SetTexture(stage, DeviceTexture(textures[stage]));
    }

    for (UINT pass = 0; pass < passes; ++pass) {
        if (fx) fx->BeginPass(pass);
        for (const Run& run : draw.runs) {
            IDirect3DVertexBuffer9* vertices = run.ring->GetVertexBuffer(run.slot);
            IDirect3DIndexBuffer9* indices = run.ring->GetIndexBuffer(run.slot);
            if (!vertices || !indices || run.indexCount < 3) continue;
            mDevice->SetStreamSource(0, vertices, 0, PIVertexBuffer::kVertexBytes);
            mDevice->SetIndices(indices);
            mDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(run.minVertex),
                                          static_cast<UINT>(run.endVertex - run.minVertex),
                                          static_cast<UINT>(run.firstIndex), static_cast<UINT>(run.indexCount / 3));
            ++mStats.drawCalls;
        }
        for (CPRenderObject* mesh : draw.meshes) {
            const CPMeshBuffers& buffers = *mesh->GetMeshBuffers();
            if (!buffers.vertexBuffer || !buffers.indexBuffer || buffers.primitiveCount <= 0) continue;
            D3DXMATRIX world = mLayerWorld;
            if (CPGameObject* owner = mesh->GetOwner()) world = owner->GetWorldMatrix() * mLayerWorld;
            SetWorld(world);
            if (fx) fx->CommitChanges();
            mDevice->SetStreamSource(0, buffers.vertexBuffer, 0, PIVertexBuffer::kVertexBytes);
            mDevice->SetIndices(buffers.indexBuffer);
            mDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, static_cast<UINT>(buffers.vertexCount), 0,
                                          static_cast<UINT>(buffers.primitiveCount));
            ++mStats.drawCalls;
            ++mStats.meshDraws;
        }
        if (!draw.meshes.empty()) SetWorld(mLayerWorld);
        if (fx) fx->EndPass();
    }
    if (fx) fx->End();
    draw.block->SetValid(true);
    ++mStats.blocks;
}

void CPFrameRenderer::EnterLayersThrough(std::optional<int32_t> key) {
    if (!mLayers) return;
    while (mNextLayer != mLayers->end() && (!key || mNextLayer->first <= *key)) {
        TakeTurn(mNextLayer->first, mNextLayer->second);
        ++mNextLayer;
    }
}

void CPFrameRenderer::TakeTurn(int32_t key, const CPRenderLayer& layer) {
    if (CPBaseCamera* camera = layer.mCamera.Get()) {
        if (auto* perspective = dynamic_cast<CPPerspectiveCamera*>(camera)) perspective->Update();
        mView = camera->GetViewMatrix();
        mProjection = camera->GetProjectionMatrix();
        if (key == PRender::kMainViewLayer) mRenderer->mViewProjection = mView * mProjection;
    }
    mDevice->SetTransform(D3DTS_VIEW, &mView);
    mDevice->SetTransform(D3DTS_PROJECTION, &mProjection);
    if (layer.mHasMatrix) {
        mLayerWorld = layer.mMatrix;
    } else {
        D3DXMatrixIdentity(&mLayerWorld);
    }
    SetWorld(mLayerWorld);
}

void CPFrameRenderer::SetWorld(const D3DXMATRIX& world) {
    mWorld = world;
    mDevice->SetTransform(D3DTS_WORLD, &mWorld);
    SetSharedParameters();
}

void CPFrameRenderer::SetSharedParameters() {
    ID3DXEffect* shared = gEffectManager ? gEffectManager->GetFirstSharedEffect() : nullptr;
    if (!shared) return;
    const CPSharedEffectHandles& handles = gEffectManager->GetSharedHandles();
    const D3DXMATRIX viewProjection = mView * mProjection;
    const D3DXMATRIX worldView = mWorld * mView;
    const D3DXMATRIX worldViewProjection = worldView * mProjection;
    D3DXMATRIX viewInverse;
    if (!D3DXMatrixInverse(&viewInverse, nullptr, &mView)) D3DXMatrixIdentity(&viewInverse);
    if (handles.viewProjection) shared->SetMatrix(handles.viewProjection, &viewProjection);
    if (handles.worldView) shared->SetMatrix(handles.worldView, &worldView);
    if (handles.worldViewProjection) shared->SetMatrix(handles.worldViewProjection, &worldViewProjection);
    if (handles.viewInv) shared->SetMatrix(handles.viewInv, &viewInverse);
    if (handles.cameraPos) {
        const D3DXVECTOR4 eye(viewInverse._41, viewInverse._42, viewInverse._43, 1.0f);
        shared->SetVector(handles.cameraPos, &eye);
    }
    if (handles.ambient) shared->SetVector(handles.ambient, &mRenderer->mAmbient);
    const D3DLIGHT9& sun = mRenderer->GetSunLight();
    if (handles.light) {
        const D3DXVECTOR4 direction(sun.Direction.x, sun.Direction.y, sun.Direction.z, 0.0f);
        shared->SetVector(handles.light, &direction);
    }
    if (handles.lightColor) {
        const D3DXVECTOR4 colour(sun.Diffuse.r, sun.Diffuse.g, sun.Diffuse.b, sun.Diffuse.a);
        shared->SetVector(handles.lightColor, &colour);
    }
}
