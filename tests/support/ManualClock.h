// Puts the platform clock under the test's control for the lifetime of the object.
#pragma once

#include <cstdint>

#include "platform/Clock.h"

class ManualClock {
public:
    explicit ManualClock(uint64_t startMicroseconds = 0) { PlatformClock::SetManual(startMicroseconds); }
    ~ManualClock() {
        PlatformClock::UseReal();
        PlatformClock::ClearLocalTime();
    }
    void AdvanceMs(uint64_t ms) { PlatformClock::Advance(ms * 1000u); }
    void AdvanceUs(uint64_t us) { PlatformClock::Advance(us); }
};
