#include "core/CPTask.h"

#include "core/CPTaskKernel.h"

CPTask::~CPTask() {
    if (mKernel) mKernel->Forget(this);
}

bool CPTask::Start() {
    if (mRunning) return false;
    mStopped = false;
    mRunning = true;
    return true;
}

void CPTask::Stop() {
    mStopped = true;
    mRunning = false;
}

CPSmartPtr<CPTask> CPTask::Clone() { return CPSmartPtr<CPTask>(); }
