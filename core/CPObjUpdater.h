// A task that calls one member function of one object each frame (the level's race update).
#pragma once

#include <functional>
#include <string>

#include "core/CPTask.h"

class CPObjUpdater : public CPTask {
public:
    size_t GetSize() const override { return sizeof(CPObjUpdater); }
    std::string GetClassName() const override { return "CPObjUpdater"; }

    // Calls the member function on the target; nothing while no target is set.
    void Execute() override {
        if (mTarget && mCall) mCall();
    }
    int32_t GetTag() const override { return mTag; }

    void SetTag(int32_t tag) { mTag = tag; }
    // The target is not owned and no reference is taken; the result of the call is ignored.
    template <class T, class R>
    void SetTarget(T* target, R (T::*member)()) {
        mTarget = target;
        mCall = target && member ? std::function<void()>([target, member] { (target->*member)(); })
                                 : std::function<void()>();
    }
    void ClearTarget() {
        mTarget = nullptr;
        mCall = nullptr;
    }
    const void* GetTarget() const { return mTarget; }

private:
    int32_t mTag = 0;
    const void* mTarget = nullptr;  // not owned; null: Execute does nothing
    std::function<void()> mCall;
};
