// A frame's draw queue: the renderables of the visible game objects, grouped into one CPIVBlock per
// material so that the frame sets each material once. The renderer holds two, made by the host: the
// draw queue the per-frame walks fill, and the branch queue whose ring takes the static level geometry
// once when a level loads.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "Render/CPIVBlock.h"
#include "core/CPRefObject.h"
#include "core/CPSmartPtr.h"

class CPGameObject;
class CPMaterial;
class CPRenderable;
class PIVertexBuffer;

class CPRenderQueue : public CPRefObject {
public:
    // A queue whose blocks share `ring` (may be empty: nothing can then be baked).
    explicit CPRenderQueue(CPSmartPtr<PIVertexBuffer> ring = {});
    // Deletes every block it made.
    ~CPRenderQueue() override;

    size_t GetSize() const override { return sizeof(CPRenderQueue); }
    std::string GetClassName() const override { return "CPRenderQueue"; }

    // Queues one visible object: the renderable of a mesh, animated object or sprite joins the block of
    // its material; a light is copied into the renderer's light table. Objects without a render part of
    // their kind, or whose renderable has no material, queue nothing.
    void AddObject(CPSmartPtr<CPGameObject> object);
    // Queues a renderable that has no game object, the same way.
    void AddRenderable(CPSmartPtr<CPRenderable> renderable);
    // The object, then, while it is visible, each child's tree in order. With static-only set, an
    // object that is not static is left out together with its subtree.
    void AddObjectTree(CPSmartPtr<CPGameObject> object);
    // Writes the static geometry of the tree into the ring: the object, then, while it is visible, its
    // children's trees and its level-of-detail copies' trees. Call between LockAll and UnlockAll.
    void AddStaticTree(CPSmartPtr<CPGameObject> object);
    // Appends the object's mesh to the ring when the object is visible, static and a plain mesh.
    void BakeObject(CPSmartPtr<CPGameObject> object);

    // The level loader's bracket around baking: the whole current slot of the ring, vertices and
    // indices, is locked for a new fill; then unlocked, moving to the next slot.
    bool LockAll();
    void UnlockAll();

    // The blocks queued into since the last EmptyFrame, in the order their materials were first met.
    const std::vector<CPIVBlock*>& GetFrameBlocks() const { return mFrameBlocks; }
    // The block of a material, made on its first use and kept; null when the material was never queued.
    CPIVBlock* FindBlock(const CPMaterial* material) const;
    size_t GetBlockCount() const { return mBlockTable.size(); }
    // Empties the frame: every block used this frame lets go of its renderables.
    void EmptyFrame();

    PIVertexBuffer* GetRing() const { return mRing.Get(); }
    bool IsStaticOnly() const { return mStaticOnly; }
    void SetStaticOnly(bool staticOnly) { mStaticOnly = staticOnly; }

private:
    CPSmartPtr<PIVertexBuffer> mRing;  // shared by every block of the queue
    // Blocks used this frame, in first-queued order: a hash table's order would differ from run to run.
    std::vector<CPIVBlock*> mFrameBlocks;
    // Every block the queue has made, one per material (the key), kept from frame to frame.
    std::unordered_map<const CPMaterial*, std::unique_ptr<CPIVBlock>> mBlockTable;
    bool mStaticOnly = false;  // AddObjectTree takes only static objects
};
