#include "platform/Clock.h"

#include <chrono>
#include <ctime>
#include <optional>
#include <thread>

#include "platform/PlatformFaults.h"

namespace {
struct ClockState {
    bool manual = false;
    uint64_t manualMicroseconds = 0;
    std::optional<SYSTEMTIME> localTime;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

ClockState& State() {
    static ClockState state;
    return state;
}

uint64_t NowMicroseconds() {
    ClockState& s = State();
    if (s.manual) return s.manualMicroseconds;
    auto elapsed = std::chrono::steady_clock::now() - s.start;
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count());
}
}  // namespace

DWORD timeGetTime() { return static_cast<DWORD>(NowMicroseconds() / 1000u); }

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (!frequency || PlatformFaults::Take("QueryPerformanceFrequency")) return FALSE;
    frequency->QuadPart = 1000000;
    return TRUE;
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* counter) {
    if (!counter) return FALSE;
    counter->QuadPart = static_cast<LONGLONG>(NowMicroseconds());
    return TRUE;
}

void GetLocalTime(SYSTEMTIME* time) {
    if (!time) return;
    ClockState& s = State();
    if (s.localTime) {
        *time = *s.localTime;
        return;
    }
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    time->wYear = static_cast<WORD>(local.tm_year + 1900);
    time->wMonth = static_cast<WORD>(local.tm_mon + 1);
    time->wDayOfWeek = static_cast<WORD>(local.tm_wday);
    time->wDay = static_cast<WORD>(local.tm_mday);
    time->wHour = static_cast<WORD>(local.tm_hour);
    time->wMinute = static_cast<WORD>(local.tm_min);
    time->wSecond = static_cast<WORD>(local.tm_sec);
    time->wMilliseconds = static_cast<WORD>(millis);
}

void Sleep(DWORD milliseconds) {
    ClockState& s = State();
    if (s.manual) {
        s.manualMicroseconds += static_cast<uint64_t>(milliseconds) * 1000u;
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

namespace PlatformClock {
void SetManual(uint64_t microseconds) {
    State().manual = true;
    State().manualMicroseconds = microseconds;
}

void Advance(uint64_t microseconds) {
    ClockState& s = State();
    if (!s.manual) SetManual(NowMicroseconds());
    s.manualMicroseconds += microseconds;
}

void UseReal() { State().manual = false; }
bool IsManual() { return State().manual; }
void SetLocalTime(const SYSTEMTIME& time) { State().localTime = time; }
void ClearLocalTime() { State().localTime.reset(); }
}  // namespace PlatformClock
