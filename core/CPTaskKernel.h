// The task kernel: every per-frame task in one list of ascending priority, first come first
// served among equal priorities. RunFrame is the host's runner.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/CPTask.h"
#include "platform/WinTypes.h"

class CPTaskKernel {
public:
    explicit CPTaskKernel(HWND mainWindow = nullptr) : mMainWindow(mainWindow) {}
    // Lets go of every listed task (a Release each); deletes none.
    ~CPTaskKernel();

    CPTaskKernel(const CPTaskKernel&) = delete;
    CPTaskKernel& operator=(const CPTaskKernel&) = delete;

    // Starts the task and lists it after every task of lower or equal priority. Refuses (false) an
    // empty pointer or a task whose Start fails (already running). A stopped task that is still
    // listed keeps one entry: it moves to its new place.
    bool AddTask(CPSmartPtr<CPTask>& task);
    bool AddTask(CPTask* task) {
        CPSmartPtr<CPTask> held(task);
        return AddTask(held);
    }

    // Sets the stopped flag of every listed task; running flags stay, nothing leaves the list.
    void KillAllTasks();

    // One frame: front to back, drops every stopped task (clearing its running flag so it can be
    // added again) and executes every running one once. Tasks may stop, add or destroy tasks
    // (themselves included) while they execute.
    void RunFrame();

    HWND GetMainWindow() const { return mMainWindow; }
    void SetMainWindow(HWND window) { mMainWindow = window; }
    // The listed tasks in run order.
    std::vector<CPTask*> GetTasks() const;
    size_t GetTaskCount() const { return mListed; }
    // Whether the task has an entry in this kernel (a stopped task keeps it until the next walk).
    bool Lists(const CPTask* task) const { return task && task->mKernel == this; }

    // Whether every listed task points back at its own slot in this kernel, the run order is in
    // order and, during a walk, its output, what it has still to visit and the tasks added behind it
    // hold every listed task once, each on the right side of the walk. Only a programming error breaks
    // it (checked by ENGINE_ASSERT after every step of a walk).
    bool ListIsSound() const;

private:
    friend class CPTask;

    // One place in the list. The list holds a reference to its task (AddRef on listing, Release on
    // leaving) by hand rather than through CPSmartPtr, whose copies would reset the count whenever
    // the vector moves its slots.
    struct Slot {
        CPTask* task;      // null: the task has left, or the walk has passed this slot
        int32_t priority;  // the task's priority when it was added; later changes do not move it
    };
    // The last slot of the run order outside a walk: empty, and after every task.
    static constexpr Slot kEndSlot{nullptr, INT32_MAX};
    // An added task the walk is to merge in: its slot in mAdded and, so that choosing the next task
    // reads no other array, its priority.
    struct Merge {
        int32_t priority;
        uint32_t at;
    };

    // CPTask::mPlace: the slot array in the top two bits (the two run-order arrays, then mAdded), the
    // index below them.
    static constexpr uint32_t kAdded = 2;
    static constexpr int kListShift = 30;
    static uint32_t Place(uint32_t list, size_t index) {
        return (list << kListShift) | static_cast<uint32_t>(index);
    }
    std::vector<Slot>& SlotsOf(uint32_t place) {
        const uint32_t list = place >> kListShift;
        return list == kAdded ? mAdded : mRuns[list];
    }
    static size_t IndexOf(uint32_t place) { return place & ((1u << kListShift) - 1); }

    std::vector<Slot>& Ordered() { return mRuns[mOrderedRun]; }
    std::vector<Slot>& Next() { return mRuns[mOrderedRun ^ 1]; }
    // Empties the task's slot; `release` is false when the task is being destroyed.
    void Unlist(CPTask* task, bool release);
    // What a task's leaving the list does once its slot is empty (the walk empties the slots it visits).
    void Leave(CPTask* task, bool release);
    void Forget(CPTask* task) { Unlist(task, false); }
    // Puts the tasks added since the last walk in mMerge, in run order.
    void OrderAdded();
    // What the walk does at one slot: drops a stopped task, moves any other to `next` (the next run
    // order, whose next place is nextPlace) and executes it if it has not run in this frame. `slot`
    // is not touched once Execute is called: a task added there may move the array it lies in.
    void Visit(Slot& slot, std::vector<Slot>& next, uint32_t& nextPlace);
    // After a walk: its output becomes the run order; only tasks added behind it stay in mAdded.
    void FinishWalk();

    HWND mMainWindow = nullptr;
    // Every listed task has one slot in one of three arrays. mRuns[mOrderedRun] is the run order
    // (ascending priority, then order added) as the last walk left it. mAdded holds the tasks added
    // since, in the order added: the next walk merges them in where they belong, so a frame in which
    // nothing was added sorts nothing. A walk empties every slot it visits and appends each task that
    // stays to the other run array, which then becomes the run order: the walk touches each task
    // once and compacts the list as it goes, and flipping mOrderedRun renumbers no task. The run
    // order ends in kEndSlot once a walk has made it.
    std::vector<Slot> mRuns[2];
    uint32_t mOrderedRun = 0;
    std::vector<Slot> mAdded;
    size_t mListed = 0;  // slots that hold a task

    uint64_t mFrame = 0;  // number of the frame being run (or last run), unique across kernels
    bool mWalking = false;
    // During a walk: the priority of the slot being visited, and the added tasks it merges in, in
    // run order, followed by one end marker of the largest priority. Those it has visited lie at the
    // front, their slots emptied. A task added during the walk joins mMerge in its place when it lies
    // ahead of the walk (at or above mWalkPriority) and otherwise waits in mAdded for the next one.
    int32_t mWalkPriority = 0;
    std::vector<Merge> mMerge;
    std::vector<Merge> mMergeScratch;  // kept between frames so ordering the added tasks does not allocate
};
