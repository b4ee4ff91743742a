#include "core/CPTaskKernel.h"

#include "core/EngineAssert.h"

namespace {
// Frames of every kernel share one numbering, so a task that moves to another kernel is never taken
// for one that has already run in that kernel's frame.
uint64_t gFrameSerial = 0;
}  // namespace

CPTaskKernel::~CPTaskKernel() {
    for (auto& [priority, task] : mTasks) task->mKernel = nullptr;
}

bool CPTaskKernel::AddTask(CPSmartPtr<CPTask>& task) {
    if (!task) return false;
    if (!task->Start()) return false;

    CPTask* raw = task.Get();
    if (raw->mKernel) raw->mKernel->Unlist(raw, true);

    raw->mEntry = mTasks.emplace(raw->GetPriority(), task);
    raw->mKernel = this;
    // The walk goes on at mWalkNext once the running entry has left; a task placed between that
    // entry's old place and mWalkNext lies ahead of the walk too.
    if (mWalking && mCurrentGone && raw->mEntry->first >= mGoneKey && std::next(raw->mEntry) == mWalkNext)
        mWalkNext = raw->mEntry;
    return true;
}

void CPTaskKernel::KillAllTasks() {
    for (auto& [priority, task] : mTasks) task->SetStopped(true);
}

void CPTaskKernel::Unlist(CPTask* task, bool release) {
    Entry entry = task->mEntry;
    if (mWalking) {
        if (entry == mWalkCurrent) {
            mWalkNext = std::next(entry);
            mGoneKey = entry->first;
            mCurrentGone = true;
        } else if (mCurrentGone && entry == mWalkNext) {
            ++mWalkNext;
        }
    }
    if (!release) entry->second.Forget();
    task->mKernel = nullptr;
    mTasks.erase(entry);
}

void CPTaskKernel::RunFrame() {
    mFrame = ++gFrameSerial;
    mWalking = true;
    for (mWalkCurrent = mTasks.begin(); mWalkCurrent != mTasks.end();) {
        mCurrentGone = false;
        CPTask* task = mWalkCurrent->second.Get();
        if (task->IsStopped()) {
            task->SetRunning(false);
            Unlist(task, true);
        } else if (task->IsRunning() && task->mExecutedFrame != mFrame) {
            task->mExecutedFrame = mFrame;
            // The task may leave the list here (stopped and added again, or destroyed).
            task->Execute();
        }
        ENGINE_ASSERT(ListIsSound());
        mWalkCurrent = mCurrentGone ? mWalkNext : std::next(mWalkCurrent);
    }
    mWalking = false;
}

bool CPTaskKernel::ListIsSound() const {
    for (auto entry = mTasks.begin(); entry != mTasks.end(); ++entry) {
        const CPTask* task = entry->second.Get();
        if (!task || task->mKernel != this || TaskList::const_iterator(task->mEntry) != entry) return false;
    }
    if (!mWalking) return true;
    if (!mCurrentGone)
        return mWalkCurrent != mTasks.end() && mWalkCurrent->second && mWalkCurrent->second->mEntry == mWalkCurrent;
    if (mWalkNext == mTasks.end()) return true;
    for (auto entry = mTasks.begin(); entry != mTasks.end(); ++entry)
        if (TaskList::const_iterator(mWalkNext) == entry) return entry->first >= mGoneKey;
    return false;
}

std::vector<CPTask*> CPTaskKernel::GetTasks() const {
    std::vector<CPTask*> out;
    out.reserve(mTasks.size());
    for (const auto& [priority, task] : mTasks) out.push_back(task.Get());
    return out;
}
