// A command receiver: the task behind a scripted object. Senders push commands at the front of its
// queue while it runs; the script consumes them from the back, so they come out in arrival order.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "core/CPCommand.h"
#include "core/CPTask.h"

class CPCommandDispatcher;
class CPGameObject;

class CPCommandTask : public CPTask {
public:
    static constexpr int32_t kTag = 0x434D44;  // "CMD"

    CPCommandTask() = default;
    // Leaves every dispatcher it is registered with and every game object it controls.
    ~CPCommandTask() override;

    size_t GetSize() const override { return sizeof(CPCommandTask); }
    std::string GetClassName() const override { return "CPCommandTask"; }
    // The script side runs its script here; the bare receiver only holds its queue.
    void Execute() override {}
    int32_t GetTag() const override { return kTag; }

    // Queues a copy at the front while the running flag is set; otherwise the command is dropped.
    // True when it was queued.
    bool PushCommand(const CPCommand& command);

    // Retires the current command (the back element) when there is one, then makes the next back
    // element current. False, and nothing changes, when the queue is empty; false with no current
    // command when the queue ran dry. Invalidates the previous current command.
    bool SetNextCommand();
    // Null when no command is current; otherwise the back element of the queue.
    const CPCommand* GetCurrentCommand() const { return mCurrent; }
    const std::deque<CPCommand>& GetCommands() const { return mCommands; }
    // The game objects whose controller this is.
    const std::vector<CPGameObject*>& GetControlledObjects() const { return mControlledObjects; }

private:
    friend class CPCommandDispatcher;
    friend class CPGameObject;

    std::deque<CPCommand> mCommands;  // front: newest; back: oldest
    // Points into mCommands (deque ends keep element addresses stable); null: none current.
    CPCommand* mCurrent = nullptr;
    // Plain back links so that destroying the receiver leaves no dangling pointer behind.
    std::vector<CPCommandDispatcher*> mDispatchers;
    std::vector<CPGameObject*> mControlledObjects;
};

// Queues the command at the target when the target is not empty and running; dropped silently otherwise.
void PostCommand(CPSmartPtr<CPCommandTask> target, const std::string& name, const std::string& paramText);
