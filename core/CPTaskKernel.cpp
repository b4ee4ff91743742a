#include "core/CPTaskKernel.h"

#include <algorithm>
#include <climits>

#include "core/EngineAssert.h"

namespace {
// Frames of every kernel share one numbering, so a task that moves to another kernel is never taken
// for one that has already run in that kernel's frame.
uint64_t gFrameSerial = 0;

template <class Slot>
bool ByPriority(const Slot& a, const Slot& b) {
    return a.priority < b.priority;
}

// Sorts by priority, keeping the given order among equal priorities. A few entries are sorted in
// place; more go through a radix sort on the priority's bytes, whose passes take no branch on the
// keys (random priorities make a comparison sort mispredict at almost every other step).
template <class Entry>
void StableSortByPriority(std::vector<Entry>& entries, std::vector<Entry>& scratch) {
    const size_t count = entries.size();
    constexpr size_t kInsertionSortMax = 32;
    if (count <= kInsertionSortMax) {
        for (size_t i = 1; i < count; ++i) {
            const Entry entry = entries[i];
            size_t j = i;
            for (; j > 0 && entries[j - 1].priority > entry.priority; --j) entries[j] = entries[j - 1];
            entries[j] = entry;
        }
        return;
    }
    // Flipping the sign bit orders signed priorities as unsigned keys.
    auto key = [](const Entry& entry) { return static_cast<uint32_t>(entry.priority) ^ 0x80000000u; };
    uint32_t counts[4][256] = {};
    for (const Entry& entry : entries)
        for (int b = 0; b < 4; ++b) ++counts[b][(key(entry) >> (8 * b)) & 0xFFu];
    scratch.resize(count);
    Entry* from = entries.data();
    Entry* to = scratch.data();
    for (int b = 0; b < 4; ++b) {
        uint32_t* place = counts[b];
        // A byte that every key shares leaves the order as it is.
        if (place[(key(*from) >> (8 * b)) & 0xFFu] == count) continue;
        uint32_t start = 0;
        for (int digit = 0; digit < 256; ++digit) {
            const uint32_t n = place[digit];
            place[digit] = start;
            start += n;
        }
        for (size_t i = 0; i < count; ++i) to[place[(key(from[i]) >> (8 * b)) & 0xFFu]++] = from[i];
        std::swap(from, to);
    }
    if (from != entries.data()) std::copy(from, from + count, entries.data());
}

// Visits the slots that hold a task from two runs, each in run order, in run order: on equal
// priorities the `earlier` run's slots come first, as they were added first.
template <class Slot, class Visit>
void MergeInOrder(const Slot* earlier, size_t earlierCount, const Slot* later, size_t laterCount, Visit visit) {
    size_t a = 0;
    size_t b = 0;
    for (;;) {
        while (a < earlierCount && !earlier[a].task) ++a;
        while (b < laterCount && !later[b].task) ++b;
        if (a < earlierCount && (b == laterCount || earlier[a].priority <= later[b].priority))
            visit(earlier[a++]);
        else if (b < laterCount)
            visit(later[b++]);
        else
            return;
    }
}
}  // namespace

CPTaskKernel::~CPTaskKernel() {
    const std::vector<Slot>* lists[] = {&mRuns[mOrderedRun], &mRuns[mOrderedRun ^ 1], &mAdded};
    for (const std::vector<Slot>* slots : lists)
        for (const Slot& slot : *slots)
            if (slot.task) slot.task->mKernel = nullptr;
    for (const std::vector<Slot>* slots : lists)
        for (const Slot& slot : *slots)
            if (slot.task) slot.task->Release();
}

bool CPTaskKernel::AddTask(CPSmartPtr<CPTask>& task) {
    if (!task) return false;
    if (!task->Start()) return false;

    CPTask* raw = task.Get();
    if (raw->mKernel) raw->mKernel->Unlist(raw, true);

    const int32_t priority = raw->GetPriority();
    raw->AddRef();
    raw->mKernel = this;
    raw->mSlotList = kAdded;
    raw->mSlot = static_cast<uint32_t>(mAdded.size());
    mAdded.push_back(Slot{raw, priority});
    ++mListed;
    // A task that lies ahead of the walk (after every listed task of its priority, so after the one
    // being run when the priorities are equal) is visited in this walk, in its place.
    if (mWalking && priority >= mWalkPriority) {
        auto place = std::upper_bound(mMerge.begin() + static_cast<std::ptrdiff_t>(mMergeNext), mMerge.end(), priority,
                                      [](int32_t p, const Merge& merge) { return p < merge.priority; });
        mMerge.insert(place, Merge{priority, raw->mSlot});
    }
    return true;
}

void CPTaskKernel::KillAllTasks() {
    for (const std::vector<Slot>* slots : {&mRuns[0], &mRuns[1], &mAdded})
        for (const Slot& slot : *slots)
            if (slot.task) slot.task->SetStopped(true);
}

void CPTaskKernel::Unlist(CPTask* task, bool release) {
    std::vector<Slot>& slots = Slots(task->mSlotList);
    ENGINE_ASSERT(task->mSlot < slots.size() && slots[task->mSlot].task == task);
    slots[task->mSlot].task = nullptr;
    --mListed;
    task->mKernel = nullptr;
    if (release) task->Release();
}

void CPTaskKernel::OrderAdded() {
    mMerge.clear();
    mMergeNext = 0;
    for (uint32_t at = 0; at < mAdded.size(); ++at)
        if (mAdded[at].task) mMerge.push_back(Merge{mAdded[at].priority, at});
    StableSortByPriority(mMerge, mMergeScratch);
}

inline void CPTaskKernel::Visit(Slot& slot) {
    CPTask* task = slot.task;
    if (!task) return;
    const int32_t priority = slot.priority;
    mWalkPriority = priority;
    if (task->mStopped) {
        task->mRunning = false;
        Unlist(task, true);
        return;
    }
    slot.task = nullptr;
    std::vector<Slot>& next = Next();
    task->mSlotList = static_cast<uint8_t>(mOrderedRun ^ 1);
    task->mSlot = static_cast<uint32_t>(next.size());
    next.push_back(Slot{task, priority});
    if (task->mRunning && task->mExecutedFrame != mFrame) {
        task->mExecutedFrame = mFrame;
        // The task may leave the list here (stopped and added again, or destroyed).
        task->Execute();
    }
}

void CPTaskKernel::RunFrame() {
    // A frame run from inside a task's Execute would pull the slots from under the walk running it.
    ENGINE_ASSERT(!mWalking);
    OrderAdded();
    mFrame = ++gFrameSerial;
    mWalking = true;
    mWalkRead = 0;
    mWalkPriority = INT32_MIN;
    // The run order neither grows nor moves during the walk: tasks added meanwhile go to mAdded.
    Slot* const ordered = Ordered().data();
    const size_t orderedCount = Ordered().size();
    Next().reserve(mListed);
    // Tasks sit in memory in no particular order, so the walk asks for the ones it reaches a few
    // steps on before it touches them.
    constexpr size_t kFetchAhead = 8;
    for (;;) {
        Slot* slot;
        const bool mergeLeft = mMergeNext < mMerge.size();
        // On equal priorities the run-order slot goes first: it was added before the others.
        if (mWalkRead < orderedCount && !(mergeLeft && mMerge[mMergeNext].priority < ordered[mWalkRead].priority)) {
            slot = &ordered[mWalkRead++];
            __builtin_prefetch(ordered[std::min(mWalkRead + kFetchAhead, orderedCount - 1)].task);
        } else if (mergeLeft) {
            slot = &mAdded[mMerge[mMergeNext++].at];
            __builtin_prefetch(mAdded[mMerge[std::min(mMergeNext + kFetchAhead, mMerge.size() - 1)].at].task);
        } else {
            break;
        }
        Visit(*slot);
        ENGINE_ASSERT(ListIsSound());
    }
    FinishWalk();
}

void CPTaskKernel::FinishWalk() {
    mWalking = false;
    // Every slot the walk visited is empty: the old run order entirely, and in mAdded all but the
    // tasks added behind the walk, which wait there for the next one.
    Ordered().clear();
    mOrderedRun ^= 1;
    size_t kept = 0;
    for (const Slot& slot : mAdded) {
        if (!slot.task) continue;
        slot.task->mSlot = static_cast<uint32_t>(kept);
        mAdded[kept++] = slot;
    }
    mAdded.resize(kept);
    mMerge.clear();
    mMergeNext = 0;
    mWalkRead = 0;
}

bool CPTaskKernel::ListIsSound() const {
    size_t listed = 0;
    auto pointsBack = [&](const std::vector<Slot>& slots, uint8_t list) {
        for (size_t i = 0; i < slots.size(); ++i) {
            const CPTask* task = slots[i].task;
            if (!task) continue;
            ++listed;
            if (task->mKernel != this || task->mSlotList != list || task->mSlot != i) return false;
        }
        return true;
    };
    if (!pointsBack(mRuns[0], 0) || !pointsBack(mRuns[1], 1) || !pointsBack(mAdded, kAdded)) return false;
    if (listed != mListed) return false;

    const std::vector<Slot>& ordered = mRuns[mOrderedRun];
    const std::vector<Slot>& next = mRuns[mOrderedRun ^ 1];
    if (!std::is_sorted(ordered.begin(), ordered.end(), ByPriority<Slot>)) return false;
    if (!mWalking) return next.empty() && mMerge.empty() && mMergeNext == 0 && mWalkRead == 0;

    // The walk's output is in run order and lies wholly before what it has still to visit.
    if (!std::is_sorted(next.begin(), next.end(), ByPriority<Slot>)) return false;
    if (!next.empty() && next.back().priority > mWalkPriority) return false;
    if (mWalkRead > ordered.size()) return false;
    for (size_t i = 0; i < mWalkRead; ++i)
        if (ordered[i].task) return false;
    if (mWalkRead < ordered.size() && ordered[mWalkRead].priority < mWalkPriority) return false;

    // Each added task is either still to be merged in, in order and ahead of the walk, or waits
    // behind it for the next walk.
    if (mMergeNext > mMerge.size()) return false;
    std::vector<bool> toMerge(mAdded.size(), false);
    for (size_t i = 0; i < mMerge.size(); ++i) {
        const size_t at = mMerge[i].at;
        if (at >= mAdded.size() || mMerge[i].priority != mAdded[at].priority) return false;
        if (i < mMergeNext) {
            if (mAdded[at].task) return false;
            continue;
        }
        if (toMerge[at]) return false;
        toMerge[at] = true;
        const int32_t previous = i > mMergeNext ? mMerge[i - 1].priority : mWalkPriority;
        if (mMerge[i].priority < previous) return false;
    }
    for (size_t at = 0; at < mAdded.size(); ++at)
        if (mAdded[at].task && !toMerge[at] && mAdded[at].priority >= mWalkPriority) return false;
    return true;
}

std::vector<CPTask*> CPTaskKernel::GetTasks() const {
    // The walk's output, then what it has still to visit of the run order, is the run order of
    // every task listed before the walk began; the added tasks merge in after those of their priority.
    std::vector<Slot> run;
    run.reserve(mListed);
    if (mWalking)
        for (const Slot& slot : mRuns[mOrderedRun ^ 1])
            if (slot.task) run.push_back(slot);
    const std::vector<Slot>& ordered = mRuns[mOrderedRun];
    for (size_t i = mWalkRead; i < ordered.size(); ++i)
        if (ordered[i].task) run.push_back(ordered[i]);
    std::vector<Slot> added(mAdded);
    std::stable_sort(added.begin(), added.end(), ByPriority<Slot>);

    std::vector<CPTask*> out;
    out.reserve(mListed);
    MergeInOrder(run.data(), run.size(), added.data(), added.size(),
                 [&out](const Slot& slot) { out.push_back(slot.task); });
    return out;
}
