// The platform's file search, as the engine calls it: the first entry matching a mask. The last part of
// the mask may hold "*" (any run) and "?" (one character); matching ignores ASCII case, the folders of
// the mask resolve as every path does, and matches come in sorted name order (folder order is arbitrary).
#pragma once

#include <cstddef>

#include "platform/WinTypes.h"

constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;

inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));

// What a search reports of one entry.
struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;  // FILE_ATTRIBUTE_DIRECTORY for a folder, else FILE_ATTRIBUTE_NORMAL
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    char cFileName[MAX_PATH];  // the entry's own name (no folder), zero-terminated
};

// Starts a search and fills `findData` with the first match ("." and ".." never match). Returns a
// handle to close with FindClose, or INVALID_HANDLE_VALUE when nothing matches.
HANDLE FindFirstFileA(LPCSTR fileName, WIN32_FIND_DATAA* findData);
// Ends a search; FALSE for a handle that is not an open search.
BOOL FindClose(HANDLE findFile);

// Searches started and not yet closed (a leak check for tests).
size_t OpenFindHandleCount();
