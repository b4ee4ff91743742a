// The drawing of one frame from the renderer's queues: the render layers in ascending key order
// with their cameras and matrices, the draw queue's blocks by material, the baked static geometry from
// the branch queue's ring, then present and empty the frame's queues.
//
// Every layer takes its turn in ascending key order, with or without blocks: its camera's view and
// projection (a layer without a camera keeps those of the last camera before it in this frame, or the
// renderer's default view when none came before) and its matrix as the world transform (identity when it
// has none). A block belongs to the layer with the greatest key not above its material's layer key
// (blocks below the first layer go with the first). Within a layer, blocks are drawn in the order their
// materials were first queued this frame, and a block's renderables in queuing order. Meshes that live in
// a static mesh buffer of the renderer are drawn from it, placed by their owner's world matrix and then
// the layer's.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "Render/CPScreenEffects.h"
#include "platform/D3D9Types.h"
#include "platform/D3DX9Math.h"
#include "platform/Direct3DDevice9.h"

class CPIVBlock;
class CPMaterial;
class CPRenderObject;
class CPRenderLayer;
class PIVertexBuffer;
class PRender;

class CPFrameRenderer {
public:
    // What the last frame drew.
    struct Stats {
        int32_t blocks = 0;           // blocks drawn
        int32_t drawCalls = 0;        // DrawIndexedPrimitive calls
        int32_t dynamicVertices = 0;  // vertices written into the draw ring
        int32_t staticRuns = 0;       // renderables drawn from the branch ring
        int32_t meshDraws = 0;        // draws from static mesh buffers
        int32_t fills = 0;            // locks of the draw ring
        int32_t dropped = 0;          // renderables larger than a whole slot of the draw ring
        int32_t debugLines = 0;       // debug lines drawn
    };

    // One frame: clear, scene, the renderer's sky (or, without a sky that sets the sun, the lights),
    // layers and blocks, debug lines, the screen effects (motion and radial blur, light coefficient, fade),
    // present, then both queues and the debug lines are emptied. A lost
    // device draws nothing (the host restores it) but everything the frame queued is emptied all the
    // same, the lights included. Returns the result of Present, or of the cooperative-level test when
    // the device is lost.
    HRESULT DrawFrame(PRender& renderer);
    // The drawing alone, inside a scene the caller has begun; the queues are not emptied.
    void DrawQueues(PRender& renderer);

    const Stats& GetStats() const { return mStats; }

private:
    // A run of indices in one slot of a ring, drawn with one call.
    struct Run {
        PIVertexBuffer* ring = nullptr;
        int32_t slot = 0;
        int32_t firstIndex = 0;
        int32_t indexCount = 0;
        int32_t minVertex = 0;
        int32_t endVertex = 0;  // one past the highest vertex the run uses
    };
    // One block's draw within one fill of the draw ring.
    struct BlockDraw {
        std::optional<int32_t> layerKey;  // empty: no layers exist
        CPIVBlock* block = nullptr;
        std::vector<Run> runs;  // in queuing order, from the branch ring or the draw ring
        std::vector<CPRenderObject*> meshes;  // skipped meshes drawn from their own static mesh buffers
    };

    // The sky's frame with the frame time, which applies the lights; the lights alone when it cannot.
    void RenderSky(PRender& renderer);
    void OrderBlocks(PRender& renderer);
    void DrawDebugLines(PRender& renderer, IDirect3DDevice9& device);
    // Unlocks the draw ring, draws every pending block, and starts a new fill when `refill`.
    void Flush(bool refill);
    void DrawBlock(const BlockDraw& draw);
    // Gives every layer up to and including the key whose turn has not come yet its turn, in key order;
    // no key: every remaining layer.
    void EnterLayersThrough(std::optional<int32_t> key);
    void TakeTurn(int32_t key, const CPRenderLayer& layer);
    // Sets the world transform and the shared effect matrices that follow from it.
    void SetWorld(const D3DXMATRIX& world);
    void SetSharedParameters();
    static void AddToRun(std::vector<Run>& runs, PIVertexBuffer* ring, int32_t slot, int32_t firstIndex,
                         int32_t indexCount, int32_t baseVertex, int32_t vertexCount);

    Stats mStats;
    CPScreenEffects mScreenEffects;
    PRender* mRenderer = nullptr;        // during a DrawQueues
    IDirect3DDevice9* mDevice = nullptr;  // during a DrawQueues
    PIVertexBuffer* mDrawRing = nullptr;
    bool mFilling = false;  // the draw ring is locked for this frame's fill
    std::vector<BlockDraw> mOrder;    // every block of the frame, in drawing order
    std::vector<BlockDraw> mPending;  // blocks whose dynamic geometry is in the current fill
    const std::map<int32_t, CPRenderLayer>* mLayers = nullptr;  // during a DrawQueues
    std::map<int32_t, CPRenderLayer>::const_iterator mNextLayer;  // the next layer whose turn is to come
    D3DXMATRIX mView;        // of the last camera met in this frame
    D3DXMATRIX mProjection;  // of the last camera met in this frame
    D3DXMATRIX mWorld;       // the world transform on the device
    D3DXMATRIX mLayerWorld;  // the applied layer's matrix, identity when it has none
};
