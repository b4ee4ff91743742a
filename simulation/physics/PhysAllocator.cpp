#include "simulation/physics/PhysAllocator.h"

#include <cstdlib>

void* PhysHeapAllocator::Alloc(size_t size, int32_t /*hint*/) {
    mAllocatedBytes += size;
    // malloc's alignment covers every record of the world; a zero size still gets a unique block.
    return std::malloc(size == 0 ? 1 : size);
}

void PhysHeapAllocator::Free(void* memory) { std::free(memory); }
