#include "core/CPCommandTask.h"

#include "core/CPCommandDispatcher.h"
#include "core/CPGameObject.h"

CPCommandTask::~CPCommandTask() {
    // Copies: each call below edits the vector being walked.
    std::vector<CPCommandDispatcher*> dispatchers = mDispatchers;
    for (CPCommandDispatcher* dispatcher : dispatchers) dispatcher->Unregister(this);
    std::vector<CPGameObject*> objects = mControlledObjects;
    for (CPGameObject* object : objects) object->DetachController();
}

bool CPCommandTask::PushCommand(const CPCommand& command) {
    if (!IsRunning()) return false;
    mCommands.push_front(command);
    return true;
}

bool CPCommandTask::SetNextCommand() {
    if (mCommands.empty()) return false;
    if (mCurrent) {
        mCommands.pop_back();
        mCurrent = nullptr;
    }
    if (mCommands.empty()) return false;
    mCurrent = &mCommands.back();
    return true;
}

void PostCommand(CPSmartPtr<CPCommandTask> target, const std::string& name, const std::string& paramText) {
    if (!target) return;
    target->PushCommand(BuildCommand(name, paramText));
}
