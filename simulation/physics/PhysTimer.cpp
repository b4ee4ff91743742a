#include "simulation/physics/PhysTimer.h"

#include "platform/Clock.h"

int64_t gPhysCounterFrequency = 0;

namespace {
constexpr int32_t kInitialOverheadTicks = 200;
constexpr int kOverheadSamples = 20;
}  // namespace

void PhysTimer::Init() {
    *this = PhysTimer();
    LARGE_INTEGER frequency{};
    if (!QueryPerformanceFrequency(&frequency)) return;
    gPhysCounterFrequency = frequency.QuadPart;
    mOverheadTicks = kInitialOverheadTicks;
    for (int i = 0; i < kOverheadSamples; ++i) {
        LARGE_INTEGER first{}, second{};
        QueryPerformanceCounter(&first);
        QueryPerformanceCounter(&second);
        const int32_t difference =
            static_cast<int32_t>(static_cast<uint32_t>(second.QuadPart) - static_cast<uint32_t>(first.QuadPart));
        if (difference >= 0 && difference < mOverheadTicks) mOverheadTicks = difference;
    }
    for (uint32_t low = static_cast<uint32_t>(frequency.QuadPart); low != 0; low >>= 1) ++mFrequencyBits;
}

void PhysTimer::Start() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    mStartTicks = now.QuadPart;
    mRunning = 1;
}

double PhysTimer::Stop() {
    if (!mRunning || mFrequencyBits == 0 || gPhysCounterFrequency <= 0) return 0.0;
    mRunning = 0;
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    int64_t ticks = now.QuadPart - mStartTicks - mOverheadTicks;
    if (ticks < 0) ticks = 0;
    return static_cast<double>(ticks) / static_cast<double>(gPhysCounterFrequency);
}
