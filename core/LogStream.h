// The engine's log stream and the one report it receives: a failed DirectX call. The stream is never
// opened on a file, so reports are discarded; a test may watch them through an observer.
#pragma once

#include <fstream>
#include <functional>
#include <string>

#include "platform/WinTypes.h"

// The log stream: made on first use, never opened, destroyed at exit.
std::ofstream& GetLogStream();

// The report operation, printf-like. It writes nothing to the stream; when an observer is set it
// formats the text and hands it to the observer.
void LogReport(std::ostream& stream, int level, const char* format, ...) __attribute__((format(printf, 3, 4)));

// What every report site does when `result` is a failure: "DXError if <source> on line <line>\n<name>\n
// <description>\n" through LogReport at `level` (0 at every site but the sound-buffer creation, which passes 1). A success reports nothing. `sourcePath` is the
// reporting file's build-time path (__FILE__); `line` is the site's fixed line number.
void ReportDXError(const char* sourcePath, int line, HRESULT result, int level = 0);

using LogReportObserver = std::function<void(const std::string& text)>;
// Sets (or, with an empty function, clears) the observer; returns the previous one.
LogReportObserver SetLogReportObserver(LogReportObserver observer);
