// Puts the host's frame values (gDeltaTime, gRunningTime) under a test's control and restores them
// when the test ends, so one test's clock never leaks into the next.
#pragma once

#include "core/FrameClock.h"
#include "support/ScopedGlobal.h"

class FrameTimeScope {
public:
    FrameTimeScope() = default;
    FrameTimeScope(const FrameTimeScope&) = delete;
    FrameTimeScope& operator=(const FrameTimeScope&) = delete;

    void SetDelta(float seconds) { gDeltaTime = seconds; }
    void SetRunning(double seconds) { gRunningTime = seconds; }

private:
    ScopedGlobal<float> mDelta{gDeltaTime, 0.0f};
    ScopedGlobal<double> mRunning{gRunningTime, 0.0};
};
