// Sweep and prune over the world boxes of the bodies: per axis a sorted list of the boxes' end points,
// kept sorted from step to step by swapping neighbours, and a table that knows on which axes each pair
// of bodies overlaps. Pairs that overlap on every axis are listed for the step's contact tests.
// Bodies are numbered by their ids: rigid and kinematic ids run below n = rigid + kinematic count,
// particle ids from n on. Two particle bodies are never paired.
#pragma once

#include <cstdint>
#include <vector>

#include "simulation/physics/PhysPool.h"

class PhysAllocator;
class PhysBody;

struct PhysBroadPhaseBody {
    PhysBody* body = nullptr;
    PhysPoolLinks<PhysBroadPhaseBody> links;
};

struct PhysEndPoint {
    int32_t axis = 0;
    float value = 0.0f;
    PhysBody* body = nullptr;
    int32_t isMaximum = 0;  // 0 the box's minimum on the axis, 1 its maximum
    PhysPoolLinks<PhysEndPoint> links;
};

struct PhysOverlapPair {
    PhysBody* bodyA = nullptr;
    PhysBody* bodyB = nullptr;
    PhysPoolLinks<PhysOverlapPair> links;
};

class PhysBroadPhase {
public:
    static constexpr int kAxes = 3;

    PhysBroadPhase() = default;
    ~PhysBroadPhase();
    PhysBroadPhase(const PhysBroadPhase&) = delete;
    PhysBroadPhase& operator=(const PhysBroadPhase&) = delete;

    // Builds the pools and tables for `bodies` = rigid + kinematic bodies and `particles` particle
    // bodies, sorting on the axes of the mask (bit 0 x, 1 y, 2 z). False when memory could not be had;
    // the broad phase then pairs nothing.
    bool Build(int32_t bodies, int32_t particles, int32_t overlapPairs, uint32_t axisMask, PhysAllocator* allocator);

    // True. A body already in the broad phase stays as it is; a body never added before is also
    // remembered among the pending additions with the argument. Its end points follow at the next
    // Update.
    bool AddBody(PhysBody* body, int32_t argument);
    // Nothing for a body that is not in it. Otherwise the body's end points and record go back to their
    // pools, every pair the body was part of ends, and its state becomes 2 when it was 1.
    void RemoveBody(PhysBody* body);

    // Gives new bodies their end points, takes every body's end-point values from its world box and
    // re-sorts the axes, starting and ending pairs as boxes meet and part.
    void Update();

    const PhysList<PhysOverlapPair>& GetPairs() const { return mPairs; }
    int32_t GetBodyCount() const { return mUsed.count; }
    int32_t GetPendingCount() const { return static_cast<int32_t>(mPending.size()); }
    bool IsBuilt() const { return mPairTable != nullptr || mBodies == 0; }

private:
    struct PendingAddition {
        PhysBody* body;
        int32_t argument;
    };
    // Which axes a pair overlaps on, and its pair record. All zero is the empty entry.
    struct PairEntry {
        uint32_t axisBits;
        int32_t pairSlot;  // 1 + the index in the pair pool, 0 when the pair has no record
    };
    static_assert(sizeof(PairEntry) == 8);

    PairEntry* Entry(const PhysBody* a, const PhysBody* b);
    void InsertEndPoints(PhysBody* body);
    void SortAxis(int axis);
    void SetAxisOverlap(PhysBody* a, PhysBody* b, int axis, bool overlapping);
    void StartPair(PhysBody* a, PhysBody* b, PairEntry& entry);
    void EndPair(PairEntry& entry);
    // Empties the table entries of a body that joins for the first time (a body numbered below n).
    void ClearRows(const PhysBody* body);
    void ReleaseTables();

    int32_t mBodies = 0;     // n: rigid + kinematic
    int32_t mParticles = 0;  // p
    uint32_t mAxisMask = 0;
    PhysAllocator* mAllocator = nullptr;  // not owned
    PairEntry* mPairTable = nullptr;      // n (n - 1) / 2 entries: pairs below n
    PairEntry* mParticleTable = nullptr;  // n x p entries: a body below n with a particle
    std::vector<uint8_t> mRowsCleared;    // per body below n: 1 once its entries have been emptied
    PhysPool<PhysBroadPhaseBody> mBodyPool;
    PhysPool<PhysOverlapPair> mPairPool;
    PhysPool<PhysEndPoint> mEndPointPool[kAxes];
    PhysList<PhysBroadPhaseBody> mUsed;
    PhysList<PhysOverlapPair> mPairs;
    PhysList<PhysEndPoint> mAxisList[kAxes];  // end points in ascending order (minimum before maximum)
    std::vector<PendingAddition> mPending;
};
