#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/LogStream.h"
#include "platform/D3D9Types.h"

namespace {
// Collects the reports made while it lives.
struct ReportCollector {
    ReportCollector() {
        previous = SetLogReportObserver([this](const std::string& text) { reports.push_back(text); });
    }
    ~ReportCollector() { SetLogReportObserver(previous); }
    std::vector<std::string> reports;
    LogReportObserver previous;
};
}  // namespace

TEST(LogStreamTest, FailedCallsAreReportedInTheFixedForm) {
    ReportCollector collector;
    ReportDXError("/build/src/Render/PRender.cpp", 112, D3DERR_INVALIDCALL);
    ReportDXError("/build/src/Render/PEffect.cpp", 69, static_cast<HRESULT>(0x8BADF00Du));
    ReportDXError("/build/src/Render/PRender.cpp", 137, D3D_OK);
    ReportDXError("/build/src/Render/PRender.cpp", 137, S_FALSE);
    ASSERT_EQ(collector.reports.size(), 2u) << "successes are not reported";
    EXPECT_EQ(collector.reports[0],
              "DXError if /build/src/Render/PRender.cpp on line 112\nD3DERR_INVALIDCALL\n"
              "The call is invalid, for example a parameter is wrong.\n");
    EXPECT_EQ(collector.reports[1], "DXError if /build/src/Render/PEffect.cpp on line 69\nUnknown\nn/a\n");
}

TEST(LogStreamTest, TheStreamIsNeverOpenedAndReportsWithoutObserverGoNowhere) {
    std::ofstream& stream = GetLogStream();
    EXPECT_EQ(&stream, &GetLogStream()) << "one stream";
    ReportDXError("x.cpp", 1, E_FAIL);
    EXPECT_FALSE(stream.is_open());
    EXPECT_EQ(stream.tellp(), std::streampos(-1)) << "nothing was written";
}
