// One material's share of a render queue: the renderables queued with that material this frame, in
// queuing order, and their vertex and index totals. The frame draws a block with its material set once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Render/PDeviceListener.h"
#include "core/CPRefObject.h"
#include "core/CPSmartPtr.h"

class CPGameObject;
class CPMaterial;
class CPRenderable;
class PIVertexBuffer;

class CPIVBlock : public CPRefObject, public CPDeviceListener {
public:
    // An empty block of `material` whose geometry goes through the queue's `ring`.
    CPIVBlock(CPSmartPtr<PIVertexBuffer> ring, CPMaterial* material);
    // Releases the renderables, the ring and the second list, then leaves the device-listener list.
    ~CPIVBlock() override;

    size_t GetSize() const override { return sizeof(CPIVBlock); }
    std::string GetClassName() const override { return "CPIVBlock"; }

    // A lost device leaves the block to be set up again by the frame.
    void OnLostDevice() override { mValid = false; }
    void OnResetDevice() override {}

    // Appends the renderable (counted); unless it is skipped its counts join the totals.
    void AddRenderable(CPSmartPtr<CPRenderable> renderable);
    // Empties the list and the totals, keeping the storage for the next frame.
    void Clear();

    // Every renderable queued this frame, the ones deleted since included: read an entry through
    // LiveRenderable before calling it.
    const std::vector<CPSmartPtr<CPRenderable>>& GetRenderables() const { return mRenderables; }
    // The i-th renderable while it lives; null once its owner has deleted it (even when a new object
    // now sits at its address).
    CPRenderable* LiveRenderable(size_t i) const {
        return gObjectRegistry::Find(mHandles[i]) ? mRenderables[i].Get() : nullptr;
    }
    // Objects the frame keeps with the block; empty when built, released with the block.
    std::vector<CPSmartPtr<CPGameObject>>& GetSecondList() { return mSecondList; }
    int32_t GetIndexTotal() const { return mIndexTotal; }
    int32_t GetVertexTotal() const { return mVertexTotal; }
    bool IsValid() const { return mValid; }
    void SetValid(bool valid) { mValid = valid; }
    PIVertexBuffer* GetRing() const { return mRing.Get(); }
    CPMaterial* GetMaterial() const { return mMaterial; }

private:
    friend class CPRenderQueue;

    int32_t mIndexTotal = 0;   // indices of the queued renderables that are not skipped
    int32_t mVertexTotal = 0;  // vertices of the same
    bool mValid = false;       // cleared by a lost device, set by the frame when it draws the block
    bool mInFrame = false;     // listed in the queue's frame order
    std::vector<CPSmartPtr<CPGameObject>> mSecondList;  // kept by the frame, released with the block
    CPSmartPtr<PIVertexBuffer> mRing;
    std::vector<CPSmartPtr<CPRenderable>> mRenderables;  // queued this frame, in queuing order
    std::vector<ObjectHandle> mHandles;  // of each renderable when queued: says whether it still lives
    CPMaterial* mMaterial;  // the block-table key; materials outlive the queues (the cache never prunes)
};
