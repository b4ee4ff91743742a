#include "core/files/CPTextReader.h"

#include "core/StringUtils.h"

CPTextReader::CPTextReader(const void* text, uint32_t size)
    : mText(static_cast<const char*>(text)), mSize(text ? size : 0) {}

bool CPTextReader::ReadLine() {
    mLine.clear();
    for (;;) {
        // One raw line: up to LF (counted) or a zero byte, neither stored; CR stays until the trim.
        while (mPosition < mSize) {
            const char c = mText[mPosition++];
            if (c == '\0') break;
            if (c == '\n') {
                ++mLineCount;
                break;
            }
            mLine.push_back(c);
        }
        // "//" is tested first and drops the whole line, so such a line never opens or closes a block.
        if (mLine.find("//") != std::string::npos) mLine.clear();
        if (mLine.find("/*") != std::string::npos) mInComment = true;
        if (mLine.find("*/") != std::string::npos) {
            mInComment = false;
            mLine.clear();
        }
        if (mInComment) mLine.clear();
        Trim(mLine);
        if (!mLine.empty() || mPosition >= mSize) break;
    }
    if (mLine.size() >= 2 && mLine.front() == '[' && mLine.back() == ']') {
        mLine = mLine.substr(1, mLine.size() - 2);
        mPlainLine = false;
    } else {
        mPlainLine = true;
    }
    return !mLine.empty();
}

bool CPTextReader::NextLine(std::string& line) {
    const bool found = ReadLine();
    line = mLine;
    return found;
}
