// Puts the host's frame values (gDeltaTime, gRunningTime) under a test's control and restores them
// when the test ends, so one test's clock never leaks into the next.
#pragma once

#include "core/FrameClock.h"

class FrameTimeScope {
public:
    FrameTimeScope() : mDelta(gDeltaTime), mRunning(gRunningTime) {
        gDeltaTime = 0.0f;
        gRunningTime = 0.0;
    }
    ~FrameTimeScope() {
        gDeltaTime = mDelta;
        gRunningTime = mRunning;
    }
    FrameTimeScope(const FrameTimeScope&) = delete;
    FrameTimeScope& operator=(const FrameTimeScope&) = delete;

    void SetDelta(float seconds) { gDeltaTime = seconds; }
    void SetRunning(double seconds) { gRunningTime = seconds; }

private:
    float mDelta;
    double mRunning;
};
