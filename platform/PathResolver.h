// The one way every file is reached: the engine's paths are Windows paths (backslashes, any case),
// the file system is case-sensitive. Every open in the engine goes through these functions.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// Backslashes become slashes, a leading ".\" is dropped, repeated separators collapse.
std::string NormalizePath(std::string_view path);

// Normalises the path, then matches each component against the existing entries of its folder:
// an exact match first, else the first entry (in sorted order) equal without regard to ASCII case.
// Components from the first one that matches nothing on are kept as given. Within a
// FolderListingScope (platform/FolderListing.h) the folders' kept listings answer, without a look
// at the disk; every query below then costs at most one stat.
std::string ResolvePath(std::string_view path);

// True when the path resolves to an existing regular file (a folder is not a file).
bool IsRegularFile(std::string_view path);
bool IsDirectory(std::string_view path);

// Opens a resolved regular file for binary reading; null when there is none.
FILE* OpenFileForRead(std::string_view path);
// Opens a file for binary writing ("wb") or another fopen mode; the existing folders of the path
// are matched as by ResolvePath, a missing last component is created with the name as given.
FILE* OpenFileForWrite(std::string_view path, const char* mode = "wb");

// Size in bytes of a resolved regular file; -1 when there is none.
long long RegularFileSize(std::string_view path);

// While one lives, every file opened for reading is noted by its resolved path, in order (a check that
// a load reads each file once). Logs nest: the innermost one notes.
class ScopedOpenLog {
public:
    ScopedOpenLog();
    ~ScopedOpenLog();
    ScopedOpenLog(const ScopedOpenLog&) = delete;
    ScopedOpenLog& operator=(const ScopedOpenLog&) = delete;
    const std::vector<std::string>& Paths() const { return mPaths; }

private:
    std::vector<std::string> mPaths;
    std::vector<std::string>* mPrevious;  // the log that noted before this one; null: none
};
