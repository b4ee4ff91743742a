#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "platform/RuntimeRandom.h"
#include "support/ManualClock.h"

TEST(RuntimeRandomTest, FollowsTheRuntimeGenerator) {
    RuntimeSrand(1);
    EXPECT_EQ(RuntimeRand(), 41);
    EXPECT_EQ(RuntimeRand(), 18467);
    EXPECT_EQ(RuntimeRand(), 6334);
    RuntimeSrand(12345);
    uint32_t state = 12345;
    for (int i = 0; i < 100; ++i) {
        state = state * 214013u + 2531011u;
        EXPECT_EQ(RuntimeRand(), static_cast<int>((state >> 16) & 0x7FFF));
    }
    RuntimeSrand(0);
    float fraction = RuntimeRandomFraction();
    EXPECT_GE(fraction, 0.0f);
    EXPECT_LE(fraction, 1.0f);
}

TEST(ClockTest, ManualClockDrivesTimerAndCounter) {
    ManualClock clock(5'000'000);
    EXPECT_EQ(timeGetTime(), 5000u);
    LARGE_INTEGER frequency, counter;
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(frequency.QuadPart, 1'000'000);
    clock.AdvanceMs(250);
    QueryPerformanceCounter(&counter);
    EXPECT_EQ(counter.QuadPart, 5'250'000);
    EXPECT_EQ(timeGetTime(), 5250u);

    SYSTEMTIME set{2026, 12, 4, 10, 13, 45, 7, 123};
    PlatformClock::SetLocalTime(set);
    SYSTEMTIME got{};
    GetLocalTime(&got);
    EXPECT_EQ(got.wYear, 2026);
    EXPECT_EQ(got.wMinute, 45);
    EXPECT_EQ(got.wMilliseconds, 123);
}
