#include "platform/CallLog.h"

#include <gtest/gtest.h>

TEST(CallLogTest, RecordsFailuresAndKeepsOnlyRecentCallsInALongRun) {
    std::vector<std::string> log;
    EXPECT_EQ(AppendCall(log, S_OK, "Play(%u,%u,%u)", 0u, 0u, 1u), S_OK);
    EXPECT_EQ(AppendCall(log, E_INVALIDARG, "SetVolume(%d)", -12000), E_INVALIDARG);
    EXPECT_EQ(log, (std::vector<std::string>{"Play(0,0,1)", "SetVolume(-12000) failed 0x80070057"}));

    for (size_t i = log.size(); i < kMaxLoggedCalls; ++i) AppendCall(log, S_OK, "Call(%zu)", i);
    ASSERT_EQ(log.size(), kMaxLoggedCalls);
    AppendCall(log, S_OK, "Newest()");
    EXPECT_EQ(log.size(), kMaxLoggedCalls / 2 + 1);
    EXPECT_EQ(log.front(), "Call(" + std::to_string(kMaxLoggedCalls / 2) + ")");
    EXPECT_EQ(log.back(), "Newest()");
}
