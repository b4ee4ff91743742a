// A ring of vertex and index buffer pairs that renderables are written into between a Lock and an
// Unlock. Each fill remembers where every renderable it took starts, so that geometry written once
// (the level's static geometry) can be drawn from the buffers afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Render/PPointerTable.h"
#include "Render/PVertex.h"
#include "core/CPRefObject.h"
#include "platform/D3D9Types.h"
#include "platform/Direct3DDevice9.h"

class CPRenderable;

class PIVertexBuffer : public CPRefObject {
public:
    static constexpr UINT kVertexBytes = sizeof(CPVertex);
    static constexpr UINT kIndexBytes = 2;    // 16-bit indices

    // Where the current fill put one renderable.
    struct Placement {
        int32_t slot = 0;         // slot of the fill
        int32_t baseVertex = 0;   // first vertex; the written indices already include it
        int32_t vertexCount = 0;
        int32_t firstIndex = 0;   // first of its indices in the slot's index buffer
        int32_t indexCount = 0;
    };

    // An empty ring: no slots until Create.
    PIVertexBuffer() = default;
    // Unlocks a locked slot and releases every buffer.
    ~PIVertexBuffer() override;

    size_t GetSize() const override { return sizeof(PIVertexBuffer); }
    std::string GetClassName() const override { return "PIVertexBuffer"; }

    // The host's set-up: `slotCount` pairs of a vertex buffer of `vertexCapacity` CPVertex records
    // (FVF 0x2d2) and an index buffer of `indexCapacity` 16-bit indices, made with `usage` in `pool`.
    // Replaces the buffers held before. False, with no slot kept, when a count is not positive or the
    // device refuses a buffer.
    bool Create(IDirect3DDevice9* device, int32_t slotCount, UINT vertexCapacity, UINT indexCapacity, DWORD usage,
                D3DPOOL pool);
    // Releases every buffer but keeps the set-up, for a device reset; the written geometry is forgotten.
    void ReleaseBuffers();
    // Makes the buffers again from the set-up of the last Create (after a device reset).
    bool RecreateBuffers();

    // When set, locks keep the buffer contents (no D3DLOCK_DISCARD): for buffers filled once and drawn
    // from for long, and for pools that cannot discard.
    void SetNoDiscard(bool noDiscard) { mNoDiscard = noDiscard; }
    bool IsNoDiscard() const { return mNoDiscard; }

    // Locks the current slot (or makes `slot` current first, unless it is -1) from its start: `vertexCount`
    // vertices when `lockVertices`, and `indexCount` indices; a count of 0 locks the whole buffer. A
    // lock of the vertices starts a new fill: base vertices restart at 0 and every renderable may be
    // written again. False, with every failure reported and nothing left locked, when a lock fails;
    // false without a change when the ring is already locked or the slot does not exist.
    bool Lock(uint32_t vertexCount, uint32_t indexCount, bool lockVertices, int32_t slot);
    // Writes the renderable's vertices and its indices (offset by its base vertex) at the cursors.
    // False, writing nothing, when no vertices are locked, the renderable is empty, skipped or already
    // written in this fill, its data does not fit the locked range, or its vertices would pass 65,536.
    bool Append(CPRenderable* renderable);
    // Unlocks what Lock locked and makes the next slot current (wrapping to 0). Nothing when not locked.
    // The vertex buffer is unlocked whenever it was locked, whatever `unlockVertices` says, so that a
    // mismatched pair cannot leave it locked for good.
    void Unlock(bool unlockVertices);

    // Whether the renderable has room in the locked range after what is written so far.
    bool HasRoomFor(int64_t vertexCount, int64_t indexCount) const;
    // Whether the renderable would fit the locked range were nothing written yet: false means no fill of
    // this lock size can take it.
    bool FitsFill(int64_t vertexCount, int64_t indexCount) const;
    // Where the current fill put the renderable; null when this fill did not write it. Valid until the
    // next Append.
    const Placement* FindPlacement(const CPRenderable* renderable) const;
    // The start-table answer: false when the renderable was not written in this fill.
    bool GetBaseVertex(const CPRenderable* renderable, int32_t* baseVertex) const;
    // Forgets what the fill wrote (the renderables may be gone): nothing is found until the next fill.
    void ForgetWritten();

    bool IsLocked() const { return mLocked; }
    int32_t GetCurrentSlot() const { return mCurrentSlot; }
    int32_t GetSlotCount() const { return static_cast<int32_t>(mVertexBuffers.size()); }
    int32_t GetNextBaseVertex() const { return mNextBaseVertex; }
    int32_t GetVerticesWritten() const { return mVerticesWritten; }
    int32_t GetIndicesWritten() const { return mIndicesWritten; }
    size_t GetWrittenCount() const { return mStartTable.Size(); }
    // Null for a slot that does not exist or a ring without buffers.
    IDirect3DVertexBuffer9* GetVertexBuffer(int32_t slot) const;
    IDirect3DIndexBuffer9* GetIndexBuffer(int32_t slot) const;
    UINT GetVertexCapacity() const { return mVertexCapacity; }
    UINT GetIndexCapacity() const { return mIndexCapacity; }

private:
    void DropBuffers();

    // Base vertex (and the rest of the placement) of each renderable written in the current fill.
    CPPointerTable<Placement> mStartTable;
    int32_t mNextBaseVertex = 0;  // base vertex of the next appended renderable
    std::vector<IDirect3DVertexBuffer9*> mVertexBuffers;  // counted, one per slot
    std::vector<IDirect3DIndexBuffer9*> mIndexBuffers;    // counted, one per slot (D3DFMT_INDEX16)
    int32_t mCurrentSlot = 0;
    bool mNoDiscard = false;
    bool mLocked = false;          // between a successful Lock and the Unlock
    bool mVerticesLocked = false;  // the lock took the vertex buffer too
    uint8_t* mVertexCursor = nullptr;  // where the next vertex is written
    uint8_t* mIndexCursor = nullptr;   // where the next index is written
    int32_t mIndicesWritten = 0;       // since the lock
    int32_t mVerticesWritten = 0;      // since the lock
    int64_t mLockedVertices = 0;       // room of the locked vertex range, in vertices
    int64_t mLockedIndices = 0;        // room of the locked index range, in indices
    int32_t mFillSlot = 0;             // slot the current fill writes into

    // The set-up of the last Create, kept for RecreateBuffers.
    IDirect3DDevice9* mDevice = nullptr;  // not owned
    int32_t mRequestedSlots = 0;
    UINT mVertexCapacity = 0;  // vertices per slot
    UINT mIndexCapacity = 0;   // indices per slot
    DWORD mUsage = 0;
    D3DPOOL mPool = D3DPOOL_DEFAULT;
};
