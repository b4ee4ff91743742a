#include "platform/CallLog.h"

#include <cstdarg>
#include <cstdio>

HRESULT AppendCall(std::vector<std::string>& log, HRESULT result, const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::string entry = text;
    if (FAILED(result)) {
        char code[32];
        std::snprintf(code, sizeof code, " failed 0x%08X", static_cast<unsigned>(result));
        entry += code;
    }
    if (log.size() >= kMaxLoggedCalls) log.erase(log.begin(), log.begin() + kMaxLoggedCalls / 2);
    log.push_back(std::move(entry));
    return result;
}
