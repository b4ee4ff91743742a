// A unit of per-frame work run by the task kernel: one Execute per frame while started.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/CPRefObject.h"
#include "core/CPSmartPtr.h"

class CPTaskKernel;

class CPTask : public CPRefObject {
public:
    static constexpr int32_t kDefaultPriority = 5000;

    CPTask() = default;
    // A destroyed task leaves the kernel's list.
    ~CPTask() override;

    // Refuses (false) while running; otherwise clears stopped and sets running.
    virtual bool Start();
    virtual void Suspend() {}
    virtual void Execute() = 0;
    virtual void Resume() {}
    virtual void Stop();
    virtual int32_t GetTag() const = 0;
    // Tasks that can be copied override it; the default is an empty pointer.
    virtual CPSmartPtr<CPTask> Clone();

    bool IsRunning() const { return mRunning; }
    bool IsStopped() const { return mStopped; }
    void SetRunning(bool running) { mRunning = running; }
    void SetStopped(bool stopped) { mStopped = stopped; }
    int32_t GetPriority() const { return mPriority; }
    void SetPriority(int32_t priority) { mPriority = priority; }

private:
    friend class CPTaskKernel;

    bool mRunning = false;
    bool mStopped = false;
    int32_t mPriority = kDefaultPriority;  // lower runs earlier, compared signed

    // The kernel's entry for this task: one at most (null kernel: not listed); mPlace says which of
    // its slot arrays holds the entry, and where, in the kernel's own encoding (one word, so that the
    // walk updates it with one store).
    CPTaskKernel* mKernel = nullptr;
    uint32_t mPlace = 0;
    // Number of the kernel frame in which Execute last ran: a task runs at most once per frame.
    uint64_t mExecutedFrame = 0;
};
