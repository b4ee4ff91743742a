// Where the rigid-body world takes the memory of its pools and tables. A caller may hand the world an
// allocator of its own; otherwise the world uses its heap allocator, which counts what it hands out.
#pragma once

#include <cstddef>
#include <cstdint>

class PhysAllocator {
public:
    virtual ~PhysAllocator() = default;
    // Memory for `size` bytes, aligned for any record, or null. The second argument is a hint the
    // allocators here ignore.
    virtual void* Alloc(size_t size, int32_t hint) = 0;
    virtual void Free(void* memory) = 0;
};

// The world's own allocator: the heap, with a running total of every size asked for.
class PhysHeapAllocator : public PhysAllocator {
public:
    void* Alloc(size_t size, int32_t hint) override;
    void Free(void* memory) override;

    // Bytes asked for since construction; frees do not lower it.
    size_t GetAllocatedBytes() const { return mAllocatedBytes; }

private:
    size_t mAllocatedBytes = 0;
};
