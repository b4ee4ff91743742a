#include "simulation/physics/PhysCollisionTable.h"

namespace {
bool InTable(int32_t id) { return id >= 0 && id < PhysCollisionTable::kIds; }
bool Valid(int32_t id) { return id == PhysCollisionTable::kWorldId || InTable(id); }
}  // namespace

PhysCollisionTable::PhysCollisionTable() {
    for (int32_t a = 0; a < kIds; ++a) {
        mWorld[a] = kDefaultResponse;
        for (int32_t b = 0; b < kIds; ++b) mPairs[a][b] = kDefaultResponse;
    }
}

void PhysCollisionTable::Set(int32_t idA, int32_t idB, int32_t response) {
    if (!Valid(idA) || !Valid(idB)) return;
    if (idA == kWorldId && idB == kWorldId) return;
    if (idA == kWorldId) {
        mWorld[idB] = response;
    } else if (idB == kWorldId) {
        mWorld[idA] = response;
    } else {
        mPairs[idA][idB] = response;
        mPairs[idB][idA] = response;
    }
}

int32_t PhysCollisionTable::Get(int32_t idA, int32_t idB) const {
    if (!Valid(idA) || !Valid(idB)) return kNoResponse;
    if (idA == kWorldId && idB == kWorldId) return kNoResponse;
    if (idA == kWorldId) return mWorld[idB];
    if (idB == kWorldId) return mWorld[idA];
    return mPairs[idA][idB];
}
