// How two bodies of the rigid-body world respond to each other, by their collision ids (0 to 63), and
// how each id responds to the world body (id -1: the level and everything static).
// A response of 0 lets the bodies pass through each other; any other value makes them collide, and
// the world reports each of their contacts through its contact callback.
#pragma once

#include <cstdint>

class PhysCollisionTable {
public:
    static constexpr int32_t kIds = 64;
    static constexpr int32_t kWorldId = -1;
    static constexpr int32_t kNoResponse = 0;
    static constexpr int32_t kDefaultResponse = 1;

    PhysCollisionTable();

    // (-1, -1): nothing; (-1, b) or (b, -1): b's response to the world body; otherwise both [a][b] and
    // [b][a]. An id outside -1..63 changes nothing (it would name a row the table does not have).
    void Set(int32_t idA, int32_t idB, int32_t response);
    // The response of a pair by the same rules; 0 for an id outside the table and for (-1, -1).
    int32_t Get(int32_t idA, int32_t idB) const;

private:
    int32_t mPairs[kIds][kIds];
    int32_t mWorld[kIds];  // responses against id -1
};
