// Line reader over a loaded text buffer: hands out only meaningful lines, trimmed. It drops empty
// lines, every line holding "//", and the lines from one holding "/*" to one holding "*/" (both
// whole); a line written "[name]" comes out as "name" with IsPlainLine() false.
#pragma once

#include <cstdint>
#include <string>

class CPTextReader {
public:
    // The buffer is not owned and must outlive the reader (usually a loaded CPFileReader's bytes);
    // it needs no terminating zero, and a zero byte inside it ends a line.
    CPTextReader(const void* text, uint32_t size);
    virtual ~CPTextReader() = default;

    // Finds the next meaningful line and makes it the current line; false when none is left (also for
    // a line "[]", which is empty once its brackets are removed).
    bool ReadLine();
    // ReadLine, then copies the current line (empty when none was found) into `line`.
    bool NextLine(std::string& line);

    // False when the last line found was a section line "[...]".
    bool IsPlainLine() const { return mPlainLine; }
    const std::string& GetLine() const { return mLine; }
    // LF bytes consumed so far, of dropped lines too.
    int32_t GetLineCount() const { return mLineCount; }

private:
    const char* mText;
    uint32_t mSize;
    uint32_t mPosition = 0;  // offset of the next byte to read
    std::string mLine;       // the line found by the last read
    int32_t mLineCount = 0;
    bool mInComment = false;  // inside a "/*" ... "*/" block; carries over between calls
    bool mPlainLine = true;
};
