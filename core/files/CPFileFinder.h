// Whether a file matching a mask exists, and the name of the first match (the platform's file search).
#pragma once

#include <string>

#include "platform/FileSearch.h"

class CPFileFinder {
public:
    // The mask is kept unchanged: a path whose last part may hold "*" and "?".
    explicit CPFileFinder(const std::string& mask);
    virtual ~CPFileFinder() = default;

    // 0 when something matches (the found name becomes the first match's name, without folder);
    // E_FAIL when nothing does, leaving the found name as it was. The search is closed at once. Within
    // a FileReadOnceScope the answer for a mask is searched once and kept until the scope ends or an
    // engine writer changes a folder.
    HRESULT FindFirst();

    const std::string& GetFoundName() const { return mFoundName; }
    const WIN32_FIND_DATAA& GetFindData() const { return mFindData; }

private:
    std::string mMask;
    HANDLE mSearch = INVALID_HANDLE_VALUE;  // the last search; closed as soon as it answered
    WIN32_FIND_DATAA mFindData{};
    std::string mFoundName;  // empty before a successful search
};
