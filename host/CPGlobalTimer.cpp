#include "host/CPGlobalTimer.h"

#include "core/FrameClock.h"
#include "platform/Clock.h"

namespace {
int64_t Counter() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}
}  // namespace

CPGlobalTimer::CPGlobalTimer() { SetPriority(kPriority); }

bool CPGlobalTimer::Start() {
    if (!CPTask::Start()) return false;
    mLastCounter = Counter();
    return true;
}

void CPGlobalTimer::Execute() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const int64_t now = Counter();
    int64_t ticks = now - mLastCounter;
    mLastCounter = now;
    if (ticks < 0 || frequency.QuadPart <= 0) ticks = 0;
    gDeltaTime = frequency.QuadPart > 0
                     ? static_cast<float>(static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart))
                     : 0.0f;
    gFrameTime2 = gDeltaTime;
    gRunningTime += static_cast<double>(gDeltaTime);
}
