#include "simulation/physics/PhysAllocator.h"

#include <cstdlib>
#include <cstring>

void* PhysAllocator::AllocZeroed(size_t size, int32_t hint) {
    void* memory = Alloc(size, hint);
    if (memory) std::memset(memory, 0, size);
    return memory;
}

void* PhysHeapAllocator::Alloc(size_t size, int32_t /*hint*/) {
    mAllocatedBytes += size;
    // malloc's alignment covers every record of the world; a zero size still gets a unique block.
    return std::malloc(size == 0 ? 1 : size);
}

void* PhysHeapAllocator::AllocZeroed(size_t size, int32_t /*hint*/) {
    mAllocatedBytes += size;
    return std::calloc(size == 0 ? 1 : size, 1);
}

void PhysHeapAllocator::Free(void* memory) { std::free(memory); }
