// Catches every ShellExecuteA for the lifetime of the object: records the requests, starts nothing.
#pragma once

#include <vector>

#include "platform/Shell.h"

class ShellRecorder : public PlatformShell::Handler {
public:
    explicit ShellRecorder(uintptr_t result = 42) : mResult(result) { mPrevious = PlatformShell::SetHandler(this); }
    ~ShellRecorder() override { PlatformShell::SetHandler(mPrevious); }
    ShellRecorder(const ShellRecorder&) = delete;
    ShellRecorder& operator=(const ShellRecorder&) = delete;

    HINSTANCE Execute(const PlatformShell::Request& request) override {
        mRequests.push_back(request);
        return reinterpret_cast<HINSTANCE>(mResult);
    }
    const std::vector<PlatformShell::Request>& Requests() const { return mRequests; }

private:
    PlatformShell::Handler* mPrevious = nullptr;
    uintptr_t mResult;
    std::vector<PlatformShell::Request> mRequests;
};
