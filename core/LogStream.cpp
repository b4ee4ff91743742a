#include "core/LogStream.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "platform/DxErr9.h"

namespace {
LogReportObserver& Observer() {
    static LogReportObserver observer;
    return observer;
}
}  // namespace

std::ofstream& GetLogStream() {
    static std::ofstream stream;
    return stream;
}

void LogReport(std::ostream& /*stream*/, int /*level*/, const char* format, ...) {
    const LogReportObserver& observer = Observer();
    if (!observer || !format) return;
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        text.assign(buffer.data(), static_cast<size_t>(length));
    }
    va_end(args);
    observer(text);
}

void ReportDXError(const char* sourcePath, int line, HRESULT result, int level) {
    if (SUCCEEDED(result)) return;
    const char* description = DXGetErrorDescription9A(result);
    const char* name = DXGetErrorString9A(result);
    LogReport(GetLogStream(), level, "DXError if %s on line %d\n%s\n%s\n", sourcePath ? sourcePath : "", line, name,
              description);
}

LogReportObserver SetLogReportObserver(LogReportObserver observer) {
    LogReportObserver previous = std::move(Observer());
    Observer() = std::move(observer);
    return previous;
}
