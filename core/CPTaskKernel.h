// The task kernel: every per-frame task in one list of ascending priority, first come first
// served among equal priorities. RunFrame is the host's runner.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "core/CPTask.h"
#include "platform/WinTypes.h"

class CPTaskKernel {
public:
    explicit CPTaskKernel(HWND mainWindow = nullptr) : mMainWindow(mainWindow) {}
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
    size_t GetTaskCount() const { return mTasks.size(); }

    // Whether every listed task points back at its own entry in this kernel and, during a walk, the
    // walk stands on a listed entry or goes on at one at or after the place of the entry that left.
    // Only a programming error breaks it (checked by ENGINE_ASSERT after every step of a walk).
    bool ListIsSound() const;

private:
    friend class CPTask;
    using TaskList = std::multimap<int32_t, CPSmartPtr<CPTask>>;
    using Entry = TaskList::iterator;

    // Removes the task's entry; `release` is false when the task is being destroyed.
    void Unlist(CPTask* task, bool release);
    void Forget(CPTask* task) { Unlist(task, false); }

    HWND mMainWindow = nullptr;
    // Keyed by the priority at insertion; a multimap inserts after equal keys, which keeps
    // first come first served among equal priorities.
    TaskList mTasks;
    uint64_t mFrame = 0;  // number of the frame being run (or last run), unique across kernels
    // The walk in progress: the entry being run, and where to go on when that entry has left.
    Entry mWalkCurrent;
    Entry mWalkNext;
    int32_t mGoneKey = 0;  // priority key of the entry being run, once it has left
    bool mCurrentGone = false;
    bool mWalking = false;
};
