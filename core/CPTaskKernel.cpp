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
// place; more go through a radix sort on the priority, whose passes take no branch on the keys
// (random priorities make a comparison sort mispredict at almost every other step). Only the bits
// from the lowest to the highest in which the keys differ are sorted on, in as few passes of at most
// eight bits as they need, split evenly: priorities mostly span a small range, and a pass on fewer
// bits has fewer counts to clear and add up.
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
    uint32_t inAll = ~0u;
    uint32_t inAny = 0;
    for (const Entry& entry : entries) {
        inAll &= key(entry);
        inAny |= key(entry);
    }
    const uint32_t differing = inAll ^ inAny;
    if (differing == 0) return;
    const int low = __builtin_ctz(differing);
    const int bits = 32 - __builtin_clz(differing) - low;
    const int passes = (bits + 7) / 8;
    const int width = (bits + passes - 1) / passes;
    const uint32_t mask = (1u << width) - 1;
    scratch.resize(count);
    Entry* from = entries.data();
    Entry* to = scratch.data();
    for (int pass = 0; pass < passes; ++pass) {
        const int shift = low + pass * width;
        uint32_t place[256] = {};
        for (size_t i = 0; i < count; ++i) ++place[(key(from[i]) >> shift) & mask];
        uint32_t start = 0;
        for (uint32_t digit = 0; digit <= mask; ++digit) {
            const uint32_t n = place[digit];
            place[digit] = start;
            start += n;
        }
        for (size_t i = 0; i < count; ++i) to[place[(key(from[i]) >> shift) & mask]++] = from[i];
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
    // Slot indices must fit below the array number in CPTask::mPlace.
    ENGINE_ASSERT(mListed < (1u << kListShift) && mAdded.size() < (1u << kListShift));
    const auto at = static_cast<uint32_t>(mAdded.size());
    raw->mPlace = Place(kAdded, at);
    mAdded.push_back(Slot{raw, priority});
    ++mListed;
    // A task that lies ahead of the walk (after every listed task of its priority, so after the one
    // being run when the priorities are equal) is visited in this walk, in its place. The merge list
    // is searched whole: what the walk has passed there is of no higher priority than the one it runs.
    if (mWalking && priority >= mWalkPriority) {
        auto place = std::upper_bound(mMerge.begin(), mMerge.end() - 1, priority,
                                      [](int32_t p, const Merge& merge) { return p < merge.priority; });
        mMerge.insert(place, Merge{priority, at});
    }
    return true;
}

void CPTaskKernel::KillAllTasks() {
    for (const std::vector<Slot>* slots : {&mRuns[0], &mRuns[1], &mAdded})
        for (const Slot& slot : *slots)
            if (slot.task) slot.task->SetStopped(true);
}

void CPTaskKernel::Unlist(CPTask* task, bool release) {
    std::vector<Slot>& slots = SlotsOf(task->mPlace);
    const size_t at = IndexOf(task->mPlace);
    ENGINE_ASSERT(at < slots.size() && slots[at].task == task);
    slots[at].task = nullptr;
    Leave(task, release);
}

inline void CPTaskKernel::Leave(CPTask* task, bool release) {
    --mListed;
    task->mKernel = nullptr;
    if (release) task->Release();
}

void CPTaskKernel::OrderAdded() {
    mMerge.clear();
    for (uint32_t at = 0; at < mAdded.size(); ++at)
        if (mAdded[at].task) mMerge.push_back(Merge{mAdded[at].priority, at});
    StableSortByPriority(mMerge, mMergeScratch);
    mMerge.push_back(Merge{INT32_MAX, 0});
}

inline void CPTaskKernel::Visit(Slot& slot, std::vector<Slot>& next, uint32_t& nextPlace) {
    CPTask* task = slot.task;
    if (!task) return;
    const int32_t priority = slot.priority;
    mWalkPriority = priority;
    // The walk holds the slot already: a stopped task leaves it without Unlist looking it up.
    slot.task = nullptr;
    if (task->mStopped) {
        task->mRunning = false;
        Leave(task, true);
        return;
    }
    task->mPlace = nextPlace++;
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
    mWalkPriority = INT32_MIN;
    // The run order neither grows nor moves during the walk: tasks added meanwhile go to mAdded. It
    // ends in its end slot, so that choosing between it and the next added task needs no test of
    // whether it is used up.
    std::vector<Slot>& orderedRun = Ordered();
    if (orderedRun.empty()) orderedRun.push_back(kEndSlot);
    Slot* slot = orderedRun.data();
    const Slot* const orderedEnd = slot + orderedRun.size() - 1;
    std::vector<Slot>& next = Next();
    next.reserve(mListed + 1);
    // The place of the next task to join the walk's output (which only the walk appends to).
    uint32_t nextPlace = Place(mOrderedRun ^ 1, 0);
    // Where the walk stands is kept here only: each step stores as little as it can, and what others
    // need to know of the walk they read from the emptied slots and from mWalkPriority.
    size_t merged = 0;
    for (;;) {
        // On equal priorities the run-order slot goes first: it was added before the others. The
        // marker at the end of mMerge never goes before it.
        if (mMerge[merged].priority < slot->priority)
            Visit(mAdded[mMerge[merged++].at], next, nextPlace);
        else if (slot != orderedEnd)
            Visit(*slot++, next, nextPlace);
        else if (merged + 1 < mMerge.size())  // added tasks of the largest priority
            Visit(mAdded[mMerge[merged++].at], next, nextPlace);
        else
            break;
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
    Ordered().push_back(kEndSlot);
    size_t kept = 0;
    for (const Slot& slot : mAdded) {
        if (!slot.task) continue;
        slot.task->mPlace = Place(kAdded, kept);
        mAdded[kept++] = slot;
    }
    mAdded.resize(kept);
    mMerge.clear();
}

bool CPTaskKernel::ListIsSound() const {
    size_t listed = 0;
    auto pointsBack = [&](const std::vector<Slot>& slots, uint32_t list) {
        for (size_t i = 0; i < slots.size(); ++i) {
            const CPTask* task = slots[i].task;
            if (!task) continue;
            ++listed;
            if (task->mKernel != this || task->mPlace != Place(list, i)) return false;
        }
        return true;
    };
    if (!pointsBack(mRuns[0], 0) || !pointsBack(mRuns[1], 1) || !pointsBack(mAdded, kAdded)) return false;
    if (listed != mListed) return false;

    const std::vector<Slot>& ordered = mRuns[mOrderedRun];
    const std::vector<Slot>& next = mRuns[mOrderedRun ^ 1];
    if (!std::is_sorted(ordered.begin(), ordered.end(), ByPriority<Slot>)) return false;
    if (!mWalking) return next.empty() && mMerge.empty();

    // The walk's output is in run order, and no task it has still to visit in the run order lies
    // behind it.
    if (!std::is_sorted(next.begin(), next.end(), ByPriority<Slot>)) return false;
    if (!next.empty() && next.back().priority > mWalkPriority) return false;
    for (const Slot& slot : ordered)
        if (slot.task && slot.priority < mWalkPriority) return false;

    // The merge list is in order, ends with its marker and names each added slot once; of the added
    // tasks, those it names lie ahead of the walk and the others behind it.
    if (mMerge.empty() || mMerge.back().priority != INT32_MAX) return false;
    if (!std::is_sorted(mMerge.begin(), mMerge.end() - 1, ByPriority<Merge>)) return false;
    std::vector<bool> named(mAdded.size(), false);
    for (size_t i = 0; i + 1 < mMerge.size(); ++i) {
        const size_t at = mMerge[i].at;
        if (at >= mAdded.size() || named[at] || mMerge[i].priority != mAdded[at].priority) return false;
        named[at] = true;
    }
    for (size_t at = 0; at < mAdded.size(); ++at)
        if (mAdded[at].task && named[at] != (mAdded[at].priority >= mWalkPriority)) return false;
    return true;
}

std::vector<CPTask*> CPTaskKernel::GetTasks() const {
    // The walk's output, then the run-order slots it has not emptied yet, is the run order of every
    // task listed before the walk began; the added tasks merge in after those of their priority.
    std::vector<Slot> run;
    run.reserve(mListed);
    for (const std::vector<Slot>* slots : {&mRuns[mOrderedRun ^ 1], &mRuns[mOrderedRun]})
        for (const Slot& slot : *slots)
            if (slot.task) run.push_back(slot);
    std::vector<Slot> added(mAdded);
    std::stable_sort(added.begin(), added.end(), ByPriority<Slot>);

    std::vector<CPTask*> out;
    out.reserve(mListed);
    MergeInOrder(run.data(), run.size(), added.data(), added.size(),
                 [&out](const Slot& slot) { out.push_back(slot.task); });
    return out;
}
