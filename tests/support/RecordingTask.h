// A task for tests: records each Execute into a shared log and runs an optional action.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/CPTask.h"

class RecordingTask : public CPTask {
public:
    RecordingTask(std::string name, std::vector<std::string>* log, int32_t priority = kDefaultPriority)
        : mName(std::move(name)), mLog(log) {
        SetPriority(priority);
    }
    size_t GetSize() const override { return sizeof(RecordingTask); }
    std::string GetClassName() const override { return "RecordingTask"; }
    int32_t GetTag() const override { return 7; }
    void Execute() override {
        if (mLog) mLog->push_back(mName);
        if (mAction) mAction(*this);
    }

    const std::string& Name() const { return mName; }
    std::function<void(RecordingTask&)> mAction;

private:
    std::string mName;
    std::vector<std::string>* mLog;
};
