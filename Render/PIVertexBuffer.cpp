#include "Render/PIVertexBuffer.h"

#include "Render/PRenderable.h"
#include "core/LogStream.h"
#include "platform/Direct3DResource9.h"

namespace {
constexpr int kVertexLockLine = 167;
constexpr int kIndexLockLine = 190;

// Locks `count` elements of `size` bytes from the start of the buffer (0: all of it). A range the 32-bit
// lock size cannot express is refused the way the device refuses a range outside the buffer.
template <class Buffer>
HRESULT LockFromStart(Buffer* buffer, uint32_t count, UINT size, DWORD flags, uint8_t** data) {
    uint64_t bytes = static_cast<uint64_t>(count) * size;
    if (!buffer || bytes > UINT32_MAX) return D3DERR_INVALIDCALL;
    void* locked = nullptr;
    HRESULT result = buffer->Lock(0, static_cast<UINT>(bytes), &locked, flags);
    if (SUCCEEDED(result)) *data = static_cast<uint8_t*>(locked);
    return result;
}

// The room of a lock of `count` elements (0: the whole buffer of `capacity`).
int64_t LockedRoom(uint32_t count, UINT capacity) {
    return count == 0 ? static_cast<int64_t>(capacity) : static_cast<int64_t>(count);
}
}  // namespace

PIVertexBuffer::~PIVertexBuffer() { DropBuffers(); }

bool PIVertexBuffer::Create(IDirect3DDevice9* device, int32_t slotCount, UINT vertexCapacity, UINT indexCapacity,
                            DWORD usage, D3DPOOL pool) {
    DropBuffers();
    mDevice = device;
    mRequestedSlots = slotCount;
    mVertexCapacity = vertexCapacity;
    mIndexCapacity = indexCapacity;
    mUsage = usage;
    mPool = pool;
    return RecreateBuffers();
}

bool PIVertexBuffer::RecreateBuffers() {
    DropBuffers();
    uint64_t vertexBytes = static_cast<uint64_t>(mVertexCapacity) * kVertexBytes;
    uint64_t indexBytes = static_cast<uint64_t>(mIndexCapacity) * kIndexBytes;
    if (!mDevice || mRequestedSlots <= 0 || vertexBytes == 0 || indexBytes == 0 || vertexBytes > UINT32_MAX ||
        indexBytes > UINT32_MAX)
        return false;
    for (int32_t i = 0; i < mRequestedSlots; ++i) {
        IDirect3DVertexBuffer9* vertices = nullptr;
        IDirect3DIndexBuffer9* indices = nullptr;
        HRESULT result = mDevice->CreateVertexBuffer(static_cast<UINT>(vertexBytes), mUsage, kVertexFVF, mPool,
                                                     &vertices, nullptr);
        if (SUCCEEDED(result))
            result = mDevice->CreateIndexBuffer(static_cast<UINT>(indexBytes), mUsage, D3DFMT_INDEX16, mPool,
                                                &indices, nullptr);
        if (FAILED(result)) {
            if (vertices) vertices->Release();
            DropBuffers();
            return false;
        }
        mVertexBuffers.push_back(vertices);
        mIndexBuffers.push_back(indices);
    }
    return true;
}

void PIVertexBuffer::ReleaseBuffers() { DropBuffers(); }

void PIVertexBuffer::DropBuffers() {
    if (mLocked) Unlock(true);
    for (IDirect3DVertexBuffer9* buffer : mVertexBuffers) buffer->Release();
    for (IDirect3DIndexBuffer9* buffer : mIndexBuffers) buffer->Release();
    mVertexBuffers.clear();
    mIndexBuffers.clear();
    mCurrentSlot = 0;
    ForgetWritten();
}

void PIVertexBuffer::ForgetWritten() {
    mStartTable.Clear();
    mNextBaseVertex = 0;
}

bool PIVertexBuffer::Lock(uint32_t vertexCount, uint32_t indexCount, bool lockVertices, int32_t slot) {
    if (mLocked) return false;
    if (slot != -1) {
        if (slot < 0 || slot >= GetSlotCount()) return false;
        mCurrentSlot = slot;
    }
    IDirect3DVertexBuffer9* vertices = GetVertexBuffer(mCurrentSlot);
    IDirect3DIndexBuffer9* indices = GetIndexBuffer(mCurrentSlot);

    DWORD flags = D3DLOCK_NOSYSLOCK | (mNoDiscard ? 0u : D3DLOCK_DISCARD);
    mIndicesWritten = 0;
    mVerticesWritten = 0;
    bool result = true;
    bool vertexLocked = false;
    if (lockVertices) {
        HRESULT hr = LockFromStart(vertices, vertexCount, kVertexBytes, flags, &mVertexCursor);
        if (FAILED(hr)) {
            ReportDXError(__FILE__, kVertexLockLine, hr);
            result = false;
        } else {
            vertexLocked = true;
        }
    }
    HRESULT hr = LockFromStart(indices, indexCount, kIndexBytes, flags, &mIndexCursor);
    if (FAILED(hr)) {
        ReportDXError(__FILE__, kIndexLockLine, hr);
        result = false;
    } else if (!result) {
        // The vertices failed: the index buffer must not stay locked, or no later lock could take it.
        indices->Unlock();
    }
    if (!result) {
        if (vertexLocked) vertices->Unlock();
        mVertexCursor = mIndexCursor = nullptr;
        return false;
    }

    mVerticesLocked = lockVertices;
    mLockedVertices = lockVertices ? LockedRoom(vertexCount, mVertexCapacity) : 0;
    mLockedIndices = LockedRoom(indexCount, mIndexCapacity);
    if (lockVertices) {
        // The fill starts at vertex 0 of the slot: bases from an earlier fill would point at old data.
        ForgetWritten();
        mFillSlot = mCurrentSlot;
    }
    mLocked = true;
    return true;
}

bool PIVertexBuffer::HasRoomFor(int64_t vertexCount, int64_t indexCount) const {
    return mLocked && mVerticesLocked && vertexCount >= 0 && indexCount >= 0 &&
           mVerticesWritten + vertexCount <= mLockedVertices && mIndicesWritten + indexCount <= mLockedIndices &&
           mNextBaseVertex + vertexCount <= static_cast<int64_t>(kMaxBatchVertices);
}

bool PIVertexBuffer::FitsFill(int64_t vertexCount, int64_t indexCount) const {
    return mLocked && mVerticesLocked && vertexCount >= 0 && indexCount >= 0 && vertexCount <= mLockedVertices &&
           indexCount <= mLockedIndices && vertexCount <= static_cast<int64_t>(kMaxBatchVertices);
}

bool PIVertexBuffer::Append(CPRenderable* renderable) {
    if (!mLocked || !mVerticesLocked || !renderable) return false;
    int64_t vertexCount = renderable->GetVertexCount();
    if (vertexCount <= 0) return false;
    // A skipped renderable writes nothing: its room would hold whatever the buffer had.
    if (renderable->IsSkipped()) return false;
    if (mStartTable.Find(renderable)) return false;
    int64_t indexCount = renderable->GetIndexCount();
    if (!HasRoomFor(vertexCount, indexCount)) return false;

    Placement placement;
    placement.slot = mFillSlot;
    placement.baseVertex = mNextBaseVertex;
    placement.vertexCount = static_cast<int32_t>(vertexCount);
    placement.firstIndex = mIndicesWritten;
    placement.indexCount = static_cast<int32_t>(indexCount);
    // Nothing written (a sprite turned away since it was counted): its room would hold stale bytes.
    if (!renderable->FillVertices(reinterpret_cast<CPVertex*>(mVertexCursor),
                                  reinterpret_cast<uint16_t*>(mIndexCursor), static_cast<uint16_t>(mNextBaseVertex),
                                  1))
        return false;
    mStartTable.Insert(renderable, placement);
    mVertexCursor += vertexCount * kVertexBytes;
    mIndexCursor += indexCount * kIndexBytes;
    mIndicesWritten += static_cast<int32_t>(indexCount);
    mVerticesWritten += static_cast<int32_t>(vertexCount);
    mNextBaseVertex += static_cast<int32_t>(vertexCount);
    return true;
}

void PIVertexBuffer::Unlock([[maybe_unused]] bool unlockVertices) {
    if (!mLocked) return;
    if (mVerticesLocked) GetVertexBuffer(mCurrentSlot)->Unlock();
    GetIndexBuffer(mCurrentSlot)->Unlock();
    mCurrentSlot = (mCurrentSlot + 1) % GetSlotCount();
    mLocked = false;
    mVerticesLocked = false;
    mVertexCursor = mIndexCursor = nullptr;
    mLockedVertices = mLockedIndices = 0;
}

const PIVertexBuffer::Placement* PIVertexBuffer::FindPlacement(const CPRenderable* renderable) const {
    return mStartTable.Find(renderable);
}

bool PIVertexBuffer::GetBaseVertex(const CPRenderable* renderable, int32_t* baseVertex) const {
    const Placement* placement = FindPlacement(renderable);
    if (!placement) return false;
    if (baseVertex) *baseVertex = placement->baseVertex;
    return true;
}

IDirect3DVertexBuffer9* PIVertexBuffer::GetVertexBuffer(int32_t slot) const {
    return slot >= 0 && slot < GetSlotCount() ? mVertexBuffers[static_cast<size_t>(slot)] : nullptr;
}

IDirect3DIndexBuffer9* PIVertexBuffer::GetIndexBuffer(int32_t slot) const {
    return slot >= 0 && slot < GetSlotCount() ? mIndexBuffers[static_cast<size_t>(slot)] : nullptr;
}
