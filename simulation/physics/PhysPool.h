// Fixed-capacity pools of the rigid-body world's records, and the lists that chain taken records.
// A pool is one block taken from the world's allocator when the world is built; taking a record
// during play allocates nothing. Records end with PhysPoolLinks, the links that chain them into the
// pool's free list while free and into one list of their owner (a body list, a body's geometries,
// sensors or controllers) once taken.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>

#include "simulation/physics/PhysAllocator.h"

template <class T>
struct PhysPoolLinks {
    T* next = nullptr;
    T* prev = nullptr;
    uint8_t inUse = 0;  // 1 while taken
};

// A list of records chained through their links: {head, tail, count}.
template <class T>
struct PhysList {
    T* head = nullptr;
    T* tail = nullptr;
    int32_t count = 0;

    void Append(T* record) {
        record->links.prev = tail;
        record->links.next = nullptr;
        if (tail)
            tail->links.next = record;
        else
            head = record;
        tail = record;
        ++count;
    }
    // Links the record in right after `after`, a member of this list, or at the head when it is null.
    void InsertAfter(T* after, T* record) {
        record->links.prev = after;
        record->links.next = after ? after->links.next : head;
        if (record->links.next)
            record->links.next->links.prev = record;
        else
            tail = record;
        if (after)
            after->links.next = record;
        else
            head = record;
        ++count;
    }
    // The record must be in this list.
    void Unlink(T* record) {
        if (record->links.prev)
            record->links.prev->links.next = record->links.next;
        else
            head = record->links.next;
        if (record->links.next)
            record->links.next->links.prev = record->links.prev;
        else
            tail = record->links.prev;
        record->links.next = nullptr;
        record->links.prev = nullptr;
        --count;
    }
    bool Contains(const T* record) const {
        for (const T* r = head; r; r = r->links.next)
            if (r == record) return true;
        return false;
    }
};

// Appends a record to a chain that keeps only its head (a body's shapes, sensors or controllers).
template <class T>
void AppendToChain(T*& head, T* record) {
    record->links.next = nullptr;
    if (!head) {
        record->links.prev = nullptr;
        head = record;
        return;
    }
    T* last = head;
    while (last->links.next) last = last->links.next;
    last->links.next = record;
    record->links.prev = last;
}

// Whether a list is well linked: each record's back link names the one before it, the tail is the
// last record, the count is the number of records, and `belongs` holds for every record.
template <class T, class Belongs>
bool PhysListIsSound(const PhysList<T>& list, Belongs belongs) {
    const T* previous = nullptr;
    int32_t count = 0;
    for (const T* record = list.head; record; record = record->links.next) {
        // More records than counted: the chain is longer than the list says, or it loops.
        if (++count > list.count || record->links.prev != previous || !belongs(record)) return false;
        previous = record;
    }
    return count == list.count && list.tail == previous;
}

// A pool hands its records out in array order and then those given back, oldest first, as one free list
// chained in array order at construction would. It links records on first use: those above the
// high-water mark have never been handed out, so building a pool touches none of them, and a level that
// takes ten bodies of five hundred pays for ten.
template <class T>
class PhysPool {
    static_assert(std::is_trivially_destructible_v<T>, "pool records are plain records");

public:
    // The count word in front of the records is pointer-wide, so the records that follow it keep the
    // alignment their pointers need.
    static constexpr size_t kCountWordBytes = sizeof(size_t);

    PhysPool() = default;
    ~PhysPool() { Release(); }
    PhysPool(const PhysPool&) = delete;
    PhysPool& operator=(const PhysPool&) = delete;

    // Bytes a pool of `count` records asks of the allocator.
    static size_t BlockBytes(int32_t count) { return kCountWordBytes + static_cast<size_t>(count) * sizeof(T); }

    // Takes the block for `count` records (a negative count counts as none); every record is free.
    // False when the allocator gives nothing: the pool then stays empty.
    bool Build(int32_t count, PhysAllocator* allocator) {
        Release();
        mAllocator = allocator;
        if (count <= 0 || !allocator) return count <= 0;
        void* block = allocator->Alloc(BlockBytes(count), 0);
        if (!block) return false;
        mBlock = block;
        *static_cast<size_t*>(block) = static_cast<size_t>(count);
        mRecords = reinterpret_cast<T*>(static_cast<unsigned char*>(block) + kCountWordBytes);
        mCapacity = count;
        return true;
    }

    // The next free record, flagged in use with cleared links; null when the pool is empty. Records
    // never handed out come first, in array order (a record given back went to the end of the line).
    T* Take() {
        T* record = nullptr;
        if (mHighWater < mCapacity) {
            record = new (&mRecords[mHighWater++]) T();
        } else {
            record = mGivenBack.head;
            if (!record) return nullptr;
            mGivenBack.Unlink(record);
        }
        record->links.inUse = 1;
        ++mTaken;
        return record;
    }

    // Only the broad phase and the step hand their working records back; the world's bodies,
    // geometries, sensors and controllers stay taken until the world ends.
    void GiveBack(T* record) {
        if (!record || !record->links.inUse) return;
        record->links.inUse = 0;
        mGivenBack.Append(record);
        --mTaken;
    }

    // Index of a record this pool has handed out, -1 for any other address.
    int32_t IndexOf(const T* record) const {
        if (!mRecords || record < mRecords || record >= mRecords + mHighWater) return -1;
        return static_cast<int32_t>(record - mRecords);
    }
    T* At(int32_t index) { return index >= 0 && index < mHighWater ? &mRecords[index] : nullptr; }

    // Whether the records given back form a sound list of free records this pool handed out, and the
    // free and taken records add up to the capacity. Only a programming error breaks it (checked by
    // ENGINE_ASSERT).
    bool IsSound() const {
        if (mHighWater < 0 || mHighWater > mCapacity || GetFreeCount() + mTaken != mCapacity) return false;
        return PhysListIsSound(mGivenBack,
                               [this](const T* record) { return IndexOf(record) >= 0 && !record->links.inUse; });
    }

    int32_t GetCapacity() const { return mCapacity; }
    int32_t GetFreeCount() const { return mCapacity - mHighWater + mGivenBack.count; }
    int32_t GetTakenCount() const { return mTaken; }
    // Records handed out at least once: the only ones whose memory the pool has touched.
    int32_t GetHighWater() const { return mHighWater; }
    bool IsBuilt() const { return mBlock != nullptr; }

private:
    void Release() {
        if (mBlock && mAllocator) mAllocator->Free(mBlock);
        mBlock = nullptr;
        mRecords = nullptr;
        mGivenBack = PhysList<T>{};
        mHighWater = 0;
        mTaken = 0;
        mCapacity = 0;
    }

    void* mBlock = nullptr;  // count word, then the records
    T* mRecords = nullptr;
    int32_t mHighWater = 0;  // records below it have been handed out at least once
    PhysList<T> mGivenBack;  // free records below the high-water mark, in the order they came back
    int32_t mTaken = 0;
    int32_t mCapacity = 0;
    PhysAllocator* mAllocator = nullptr;  // not owned
};
