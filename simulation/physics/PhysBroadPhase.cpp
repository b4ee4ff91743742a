#include "simulation/physics/PhysBroadPhase.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "simulation/physics/PhysAllocator.h"
#include "simulation/physics/PhysBody.h"

namespace {
// Tables larger than this are refused rather than asked of the allocator.
constexpr uint64_t kMaxTableBytes = uint64_t{1} << 31;

// Sort order on an axis: by value, a minimum before a maximum of the same value, so that boxes that
// only touch count as overlapping.
bool Before(const PhysEndPoint* a, const PhysEndPoint* b) {
    return a->value < b->value || (a->value == b->value && a->isMaximum < b->isMaximum);
}

bool IntervalsOverlap(const PhysBody* a, const PhysBody* b, int axis) {
    const float aLow[3] = {a->worldMin.x, a->worldMin.y, a->worldMin.z};
    const float aHigh[3] = {a->worldMax.x, a->worldMax.y, a->worldMax.z};
    const float bLow[3] = {b->worldMin.x, b->worldMin.y, b->worldMin.z};
    const float bHigh[3] = {b->worldMax.x, b->worldMax.y, b->worldMax.z};
    return aLow[axis] <= bHigh[axis] && bLow[axis] <= aHigh[axis];
}

// The tables are left as the allocator gives them: each body clears its own entries when it first
// joins (ClearRows), so a level's world pays only for the bodies it uses.
template <class T>
T* AllocateTable(PhysAllocator* allocator, uint64_t entries) {
    if (entries == 0) return nullptr;
    if (entries > kMaxTableBytes / sizeof(T)) return nullptr;
    return static_cast<T*>(allocator->Alloc(static_cast<size_t>(entries * sizeof(T)), 0));
}
}  // namespace

PhysBroadPhase::~PhysBroadPhase() { ReleaseTables(); }

void PhysBroadPhase::ReleaseTables() {
    if (mAllocator) {
        if (mPairTable) mAllocator->Free(mPairTable);
        if (mParticleTable) mAllocator->Free(mParticleTable);
    }
    mPairTable = nullptr;
    mParticleTable = nullptr;
}

bool PhysBroadPhase::Build(int32_t bodies, int32_t particles, int32_t overlapPairs, uint32_t axisMask,
                           PhysAllocator* allocator) {
    ReleaseTables();
    mAllocator = allocator;
    mBodies = bodies > 0 ? bodies : 0;
    mParticles = particles > 0 ? particles : 0;
    mAxisMask = axisMask & 7u;
    const uint64_t n = static_cast<uint64_t>(mBodies);
    const uint64_t p = static_cast<uint64_t>(mParticles);
    bool complete = allocator != nullptr;
    if (complete && n > 1) {
        mPairTable = AllocateTable<PairEntry>(allocator, n * (n - 1) / 2);
        complete = mPairTable != nullptr;
    }
    if (complete && n > 0 && p > 0) {
        mParticleTable = AllocateTable<PairEntry>(allocator, n * p);
        complete = mParticleTable != nullptr;
    }
    const uint64_t records = n + p;
    if (complete && records > static_cast<uint64_t>(std::numeric_limits<int32_t>::max() / 2)) complete = false;
    const int32_t recordCount = complete ? static_cast<int32_t>(records) : 0;
    complete = mBodyPool.Build(recordCount, allocator) && complete;
    complete = mPairPool.Build(complete ? overlapPairs : 0, allocator) && complete;
    for (int axis = 0; axis < kAxes; ++axis)
        if (mAxisMask & (1u << axis)) complete = mEndPointPool[axis].Build(complete ? 2 * recordCount : 0, allocator) && complete;
    if (!complete) {
        // Without its tables the broad phase cannot number pairs: it takes no body at all.
        ReleaseTables();
        mBodies = mParticles = 0;
    }
    mRowsCleared.assign(static_cast<size_t>(mBodies), 0);
    return complete;
}

void PhysBroadPhase::ClearRows(const PhysBody* body) {
    const int32_t j = body->id;
    if (j >= mBodies || mRowsCleared[static_cast<size_t>(j)]) return;
    mRowsCleared[static_cast<size_t>(j)] = 1;
    // Its pairs with the bodies numbered below it, and with every particle. Its pairs with bodies
    // numbered above it lie in their rows, cleared when they join; a pair's entry is written only
    // while both of its bodies are in, so no entry is read before both rows are clear.
    if (mPairTable && j > 0) std::fill_n(&mPairTable[static_cast<int64_t>(j) * (j - 1) / 2], j, PairEntry{});
    if (mParticleTable) std::fill_n(&mParticleTable[static_cast<int64_t>(j) * mParticles], mParticles, PairEntry{});
}

PhysBroadPhase::PairEntry* PhysBroadPhase::Entry(const PhysBody* a, const PhysBody* b) {
    int32_t i = a->id;
    int32_t j = b->id;
    if (i == j) return nullptr;
    if (i > j) std::swap(i, j);
    if (j < mBodies) {
        if (!mPairTable) return nullptr;
        return &mPairTable[static_cast<int64_t>(j) * (j - 1) / 2 + i];
    }
    // j is a particle; a pair of particles has no entry.
    if (i >= mBodies || !mParticleTable) return nullptr;
    return &mParticleTable[static_cast<int64_t>(i) * mParticles + (j - mBodies)];
}

bool PhysBroadPhase::AddBody(PhysBody* body, int32_t argument) {
    if (!body) return false;
    if (body->broadPhaseRecord) return true;
    // A body the tables cannot number (the world body, a body of another world) never joins.
    if (body->id < 0 || body->id >= mBodies + mParticles) return false;
    PhysBroadPhaseBody* record = mBodyPool.Take();
    if (!record) return false;
    ClearRows(body);
    if (body->broadPhaseState == 0) mPending.push_back({body, argument});
    mUsed.Append(record);
    record->body = body;
    body->broadPhaseRecord = record;
    body->broadPhaseState = 1;
    return true;
}

void PhysBroadPhase::RemoveBody(PhysBody* body) {
    if (!body || !body->broadPhaseRecord) return;
    if (body->broadPhaseState == 1) body->broadPhaseState = 2;
    for (int axis = 0; axis < kAxes; ++axis) {
        if (PhysEndPoint* end = body->minEnd[axis]) {
            mAxisList[axis].Unlink(end);
            mEndPointPool[axis].GiveBack(end);
        }
        if (PhysEndPoint* end = body->maxEnd[axis]) {
            mAxisList[axis].Unlink(end);
            mEndPointPool[axis].GiveBack(end);
        }
        body->minEnd[axis] = body->maxEnd[axis] = nullptr;
    }
    mUsed.Unlink(body->broadPhaseRecord);
    mBodyPool.GiveBack(body->broadPhaseRecord);
    body->broadPhaseRecord = nullptr;
    for (PhysOverlapPair* pair = mPairs.head; pair;) {
        PhysOverlapPair* next = pair->links.next;
        if (pair->bodyA == body || pair->bodyB == body) {
            mPairs.Unlink(pair);
            mPairPool.GiveBack(pair);
        }
        pair = next;
    }
    // The axes the body shared with the others no longer hold.
    for (PhysBroadPhaseBody* other = mUsed.head; other; other = other->links.next)
        if (PairEntry* entry = Entry(body, other->body)) *entry = PairEntry{};
    for (size_t i = 0; i < mPending.size(); ++i)
        if (mPending[i].body == body) mPending.erase(mPending.begin() + static_cast<std::ptrdiff_t>(i--));
}

void PhysBroadPhase::StartPair(PhysBody* a, PhysBody* b, PairEntry& entry) {
    // Two bodies that only the game moves never meet in the step: they need no pair record.
    if (a->kind == PhysBody::kKinematic && b->kind == PhysBody::kKinematic) return;
    PhysOverlapPair* pair = mPairPool.Take();
    if (!pair) return;
    pair->bodyA = a;
    pair->bodyB = b;
    mPairs.Append(pair);
    entry.pairSlot = mPairPool.IndexOf(pair) + 1;
}

void PhysBroadPhase::EndPair(PairEntry& entry) {
    if (PhysOverlapPair* pair = mPairPool.At(entry.pairSlot - 1)) {
        mPairs.Unlink(pair);
        mPairPool.GiveBack(pair);
    }
    entry.pairSlot = 0;
}

void PhysBroadPhase::SetAxisOverlap(PhysBody* a, PhysBody* b, int axis, bool overlapping) {
    PairEntry* entry = Entry(a, b);
    if (!entry) return;
    const bool wasFull = entry->axisBits == mAxisMask;
    if (overlapping)
        entry->axisBits |= 1u << axis;
    else
        entry->axisBits &= ~(1u << axis);
    const bool isFull = entry->axisBits == mAxisMask;
    if (isFull && !wasFull) StartPair(a, b, *entry);
    if (wasFull && !isFull) EndPair(*entry);
}

void PhysBroadPhase::InsertEndPoints(PhysBody* body) {
    const float low[3] = {body->worldMin.x, body->worldMin.y, body->worldMin.z};
    const float high[3] = {body->worldMax.x, body->worldMax.y, body->worldMax.z};
    for (int axis = 0; axis < kAxes; ++axis) {
        if (!(mAxisMask & (1u << axis))) continue;
        PhysEndPoint* ends[2] = {mEndPointPool[axis].Take(), mEndPointPool[axis].Take()};
        if (!ends[0] || !ends[1]) {
            mEndPointPool[axis].GiveBack(ends[0]);
            mEndPointPool[axis].GiveBack(ends[1]);
            continue;
        }
        for (int e = 0; e < 2; ++e) {
            PhysEndPoint* end = ends[e];
            end->axis = axis;
            end->isMaximum = e;
            end->value = e ? high[axis] : low[axis];
            end->body = body;
            // Walk in from the top: the new end point goes after the last one that sorts before it.
            PhysEndPoint* after = mAxisList[axis].tail;
            while (after && Before(end, after)) after = after->links.prev;
            mAxisList[axis].InsertAfter(after, end);
        }
        body->minEnd[axis] = ends[0];
        body->maxEnd[axis] = ends[1];
    }
    // The new body's overlaps with every body already sorted.
    for (PhysBroadPhaseBody* other = mUsed.head; other; other = other->links.next) {
        PhysBody* b = other->body;
        if (b == body || (!b->minEnd[0] && !b->minEnd[1] && !b->minEnd[2])) continue;
        for (int axis = 0; axis < kAxes; ++axis)
            if (mAxisMask & (1u << axis)) SetAxisOverlap(body, b, axis, IntervalsOverlap(body, b, axis));
    }
}

void PhysBroadPhase::SortAxis(int axis) {
    PhysList<PhysEndPoint>& list = mAxisList[axis];
    PhysEndPoint* end = list.head ? list.head->links.next : nullptr;
    while (end) {
        PhysEndPoint* next = end->links.next;
        // Move the end point down past every end point that should follow it; each crossing of a
        // minimum and a maximum of two bodies starts or ends their overlap on this axis.
        while (end->links.prev && Before(end, end->links.prev)) {
            PhysEndPoint* before = end->links.prev;
            if (before->body != end->body && before->isMaximum != end->isMaximum)
                SetAxisOverlap(end->body, before->body, axis, end->isMaximum == 0);
            list.Unlink(end);
            list.InsertAfter(before->links.prev, end);
        }
        end = next;
    }
}

void PhysBroadPhase::Update() {
    for (PhysBroadPhaseBody* record = mUsed.head; record; record = record->links.next) {
        PhysBody* body = record->body;
        bool placed = false;
        for (int axis = 0; axis < kAxes; ++axis) placed = placed || body->minEnd[axis] != nullptr;
        if (!placed && mAxisMask != 0) InsertEndPoints(body);
    }
    mPending.clear();
    for (int axis = 0; axis < kAxes; ++axis)
        if (mAxisMask & (1u << axis)) SortAxis(axis);
}
