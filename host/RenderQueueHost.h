// The host's render queues: makes the renderer's draw queue and branch queue with their vertex and
// index rings, and remakes the draw ring's buffers around a device reset (they live in the default pool,
// which a reset destroys).
#pragma once

#include <cstdint>

#include "Render/PDeviceListener.h"
#include "platform/D3D9Types.h"

class CPRenderQueue;
class PIVertexBuffer;
class PRender;

class RenderQueueHost : public CPDeviceListener {
public:
    // The draw ring: a few slots of dynamic buffers, a slot per fill, so that the driver can rename them.
    static constexpr int32_t kDrawSlots = 2;
    static constexpr UINT kDrawVertices = 65536;     // one fill addresses at most 65,536 vertices
    static constexpr UINT kDrawIndices = 3 * 65536;  // room for a triangle list of that many vertices
    // The branch ring: one slot, written once per level and drawn from until the next.
    static constexpr int32_t kBranchSlots = 1;
    static constexpr UINT kBranchVertices = 65536;
    static constexpr UINT kBranchIndices = 6 * 65536;

    RenderQueueHost() = default;
    // Destroys the queues it made (Destroy).
    ~RenderQueueHost() override;
    RenderQueueHost(const RenderQueueHost&) = delete;
    RenderQueueHost& operator=(const RenderQueueHost&) = delete;

    // Makes both rings on the renderer's device and both queues, and hands the queues to the renderer.
    // False when the renderer has no device or a ring's buffers cannot be made; the queues are set
    // anyway, so that queuing works and only the drawing of what has no buffers is lost.
    bool Create(PRender& renderer);
    // Takes the queues off the renderer it was made for and deletes them and the rings.
    void Destroy();

    CPRenderQueue* GetDrawQueue() const { return mDrawQueue; }
    CPRenderQueue* GetBranchQueue() const { return mBranchQueue; }

    // The draw ring's default-pool buffers go before a reset and come back after it. The branch ring is
    // managed and survives.
    void OnLostDevice() override;
    void OnResetDevice() override;

private:
    PRender* mRenderer = nullptr;         // not owned; the renderer the queues were handed to
    PIVertexBuffer* mDrawRing = nullptr;   // owned
    PIVertexBuffer* mBranchRing = nullptr; // owned
    CPRenderQueue* mDrawQueue = nullptr;   // owned
    CPRenderQueue* mBranchQueue = nullptr; // owned
};
