// The record of calls the stand-ins keep for tests: one "Name(arguments)" text per call, followed by
// " failed 0x…" when the call failed.
#pragma once

#include <string>
#include <vector>

#include "platform/WinTypes.h"

// Appends the formatted call to the log and returns `result`, so a stand-in can end with it. A log
// that reaches kMaxLoggedCalls drops its older half: a long run keeps only its recent calls.
constexpr size_t kMaxLoggedCalls = 8192;
__attribute__((format(printf, 3, 4))) HRESULT AppendCall(std::vector<std::string>& log, HRESULT result,
                                                          const char* format, ...);
