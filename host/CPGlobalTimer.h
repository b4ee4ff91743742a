// The host's frame-time task. While it runs it is the first task of every frame and sets gDeltaTime and
// gFrameTime2 from the performance counter and advances gRunningTime. The scripts stop it to freeze the
// race (StopGlobalTimer leaves gDeltaTime at 0) and start it again; the time it stood still is not counted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include "core/CPTask.h"

class CPGlobalTimer : public CPTask {
public:
    // Before every other task of the frame.
    static constexpr int32_t kPriority = std::numeric_limits<int32_t>::min();

    CPGlobalTimer();

    // Measures the next frame from now.
    bool Start() override;
    void Execute() override;
    int32_t GetTag() const override { return 0; }
    size_t GetSize() const override { return sizeof(CPGlobalTimer); }
    std::string GetClassName() const override { return "CPGlobalTimer"; }

private:
    int64_t mLastCounter = 0;  // performance-counter ticks when the last frame was measured
};
