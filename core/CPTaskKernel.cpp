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
    for (const Slot& slot : mSlots)
        if (slot.task) slot.task->mKernel = nullptr;
    for (const Slot& slot : mSlots)
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
    raw->mSlot = mSlots.size();
    mSlots.push_back(Slot{raw, priority});
    ++mListed;
    // A task that lies ahead of the walk (after every listed task of its priority, so after the one
    // being run when the priorities are equal) is visited in this walk, in its place.
    if (mWalking && priority >= mWalkPriority) {
        auto place = std::upper_bound(mAhead.begin() + static_cast<std::ptrdiff_t>(mAheadNext), mAhead.end(), priority,
                                      [this](int32_t p, size_t at) { return p < mSlots[at].priority; });
        mAhead.insert(place, raw->mSlot);
    }
    return true;
}

void CPTaskKernel::KillAllTasks() {
    for (const Slot& slot : mSlots)
        if (slot.task) slot.task->SetStopped(true);
}

void CPTaskKernel::Unlist(CPTask* task, bool release) {
    ENGINE_ASSERT(task->mSlot < mSlots.size() && mSlots[task->mSlot].task == task);
    Slot& slot = mSlots[task->mSlot];
    slot.task = nullptr;
    --mListed;
    ++mEmptySlots;
    task->mKernel = nullptr;
    if (release) task->Release();
}

void CPTaskKernel::Settle() {
    if (mSortedEnd == mSlots.size() && mEmptySlots == 0) return;
    Slot* added = mSlots.data() + mSortedEnd;
    const size_t addedCount = mSlots.size() - mSortedEnd;
    std::stable_sort(added, added + addedCount, ByPriority<Slot>);

    mSettleScratch.clear();
    mSettleScratch.reserve(mListed);
    MergeInOrder(mSlots.data(), mSortedEnd, added, addedCount, [this](const Slot& slot) {
        slot.task->mSlot = mSettleScratch.size();
        mSettleScratch.push_back(slot);
    });
    mSlots.swap(mSettleScratch);
    mSortedEnd = mSlots.size();
    mEmptySlots = 0;
}

bool CPTaskKernel::NextInWalk(size_t& at) {
    // Tasks sit in memory in no particular order, so the walk asks for the ones it reaches a few
    // steps on before it touches them.
    constexpr size_t kFetchAhead = 8;
    const bool aheadLeft = mAheadNext < mAhead.size();
    // On equal priorities the ordered slot goes first: it was added before the walk began.
    if (mWalkRead < mSortedEnd && !(aheadLeft && mSlots[mAhead[mAheadNext]].priority < mSlots[mWalkRead].priority)) {
        if (mWalkRead + kFetchAhead < mSortedEnd) __builtin_prefetch(mSlots[mWalkRead + kFetchAhead].task);
        at = mWalkRead++;
        return true;
    }
    if (!aheadLeft) return false;
    if (mAheadNext + kFetchAhead < mAhead.size()) __builtin_prefetch(mSlots[mAhead[mAheadNext + kFetchAhead]].task);
    at = mAhead[mAheadNext++];
    return true;
}

void CPTaskKernel::RunFrame() {
    Settle();
    mFrame = ++gFrameSerial;
    mWalking = true;
    mWalkRead = 0;
    mWalkPriority = INT32_MIN;
    mAhead.clear();
    mAheadNext = 0;
    // Slots only ever empty or append during the walk, so indices stay valid; a Slot reference would
    // not survive an Execute that adds a task.
    for (size_t at = 0; NextInWalk(at);) {
        CPTask* task = mSlots[at].task;
        mWalkPriority = mSlots[at].priority;
        if (!task) continue;
        if (task->IsStopped()) {
            task->SetRunning(false);
            Unlist(task, true);
        } else if (task->IsRunning() && task->mExecutedFrame != mFrame) {
            task->mExecutedFrame = mFrame;
            // The task may leave the list here (stopped and added again, or destroyed).
            task->Execute();
        }
        ENGINE_ASSERT(ListIsSound());
    }
    mWalking = false;
}

bool CPTaskKernel::ListIsSound() const {
    size_t listed = 0;
    size_t empty = 0;
    for (size_t i = 0; i < mSlots.size(); ++i) {
        const CPTask* task = mSlots[i].task;
        if (!task) {
            ++empty;
            continue;
        }
        ++listed;
        if (task->mKernel != this || task->mSlot != i) return false;
    }
    if (listed != mListed || empty != mEmptySlots || mSortedEnd > mSlots.size()) return false;
    if (!std::is_sorted(mSlots.begin(), mSlots.begin() + static_cast<std::ptrdiff_t>(mSortedEnd), ByPriority<Slot>))
        return false;
    if (!mWalking) return true;

    if (mWalkRead > mSortedEnd) return false;
    if (mWalkRead < mSortedEnd && mSlots[mWalkRead].priority < mWalkPriority) return false;
    if (mAheadNext > mAhead.size()) return false;
    int32_t previous = mWalkPriority;
    for (size_t i = mAheadNext; i < mAhead.size(); ++i) {
        const size_t at = mAhead[i];
        if (at < mSortedEnd || at >= mSlots.size() || mSlots[at].priority < previous) return false;
        previous = mSlots[at].priority;
    }
    return true;
}

std::vector<CPTask*> CPTaskKernel::GetTasks() const {
    std::vector<Slot> added(mSlots.begin() + static_cast<std::ptrdiff_t>(mSortedEnd), mSlots.end());
    std::stable_sort(added.begin(), added.end(), ByPriority<Slot>);
    std::vector<CPTask*> out;
    out.reserve(mListed);
    MergeInOrder(mSlots.data(), mSortedEnd, added.data(), added.size(),
                 [&out](const Slot& slot) { out.push_back(slot.task); });
    return out;
}
