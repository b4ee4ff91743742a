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

    // Whether every listed task points back at its own slot in this kernel, the settled slots are in
    // order and, during a walk, everything the walk has still to visit lies at or after its place.
    // Only a programming error breaks it (checked by ENGINE_ASSERT after every step of a walk).
    bool ListIsSound() const;

private:
    friend class CPTask;

    // One place in the list. The list holds a reference to its task (AddRef on listing, Release on
    // leaving) by hand rather than through CPSmartPtr, whose copies would reset the count whenever
    // the vector moves its slots.
    struct Slot {
        CPTask* task;      // null: the task has left and the slot waits to be compacted away
        int32_t priority;  // the task's priority when it was added; later changes do not move it
    };

    // Marks the task's slot empty; `release` is false when the task is being destroyed.
    void Unlist(CPTask* task, bool release);
    void Forget(CPTask* task) { Unlist(task, false); }
    // Merges the tasks added since the last frame into their places and compacts away empty
    // slots, so the whole list is in run order. Moves slots: never called during a walk.
    void Settle();
    // Takes the slot the walk visits next, or returns false when the walk is over.
    bool NextInWalk(size_t& at);

    HWND mMainWindow = nullptr;
    // Slots [0, mSortedEnd) are in run order (ascending priority, then order added); the rest were
    // added since, in the order added. A walk goes through the ordered part as through an array.
    std::vector<Slot> mSlots;
    size_t mSortedEnd = 0;
    size_t mListed = 0;      // slots that hold a task
    size_t mEmptySlots = 0;  // slots whose task has left since the last Settle
    std::vector<Slot> mSettleScratch;  // kept between frames so settling does not allocate

    uint64_t mFrame = 0;  // number of the frame being run (or last run), unique across kernels
    bool mWalking = false;
    // The walk in progress: the next ordered slot to visit, the priority of the slot being run, and
    // the slots added during this walk that lie ahead of it (indices, in run order; those before
    // mAheadNext are visited).
    size_t mWalkRead = 0;
    int32_t mWalkPriority = 0;
    std::vector<size_t> mAhead;
    size_t mAheadNext = 0;
};
