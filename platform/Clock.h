// The one clock of the engine: the millisecond timer, the high-resolution counter and the local time.
// Tests switch it to a manual clock and set it; otherwise it follows the machine's monotonic clock.
#pragma once

#include "platform/WinTypes.h"

// Milliseconds since an arbitrary start, wrapping at 2^32.
DWORD timeGetTime();
// The counter ticks in microseconds: the frequency is always 1,000,000. The frequency query fails
// (FALSE) when a test arms "QueryPerformanceFrequency" in PlatformFaults.
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
BOOL QueryPerformanceCounter(LARGE_INTEGER* counter);
void GetLocalTime(SYSTEMTIME* time);
// Waits the given milliseconds. Under a manual clock it only moves the clock on, so no test waits.
void Sleep(DWORD milliseconds);

namespace PlatformClock {
// Freezes the clock at the given time; it then moves only through Set and Advance.
void SetManual(uint64_t microseconds);
void Advance(uint64_t microseconds);
// Back to the machine's clock (the default).
void UseReal();
bool IsManual();
// The local time GetLocalTime reports while set; cleared by ClearLocalTime.
void SetLocalTime(const SYSTEMTIME& time);
void ClearLocalTime();
}  // namespace PlatformClock
