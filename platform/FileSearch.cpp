#include "platform/FileSearch.h"

#include <sys/stat.h>

#include <memory>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/FolderListing.h"
#include "platform/PathResolver.h"

namespace {
struct FindSearch {
    std::vector<std::string> matches;  // sorted, as the listing is
};

std::unordered_set<FindSearch*>& OpenSearches() {
    static std::unordered_set<FindSearch*> searches;
    return searches;
}

unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c; }

// Wildcard match without regard to ASCII case; "*" matches any run, "?" exactly one character.
bool Matches(const char* mask, const char* name) {
    const char* star = nullptr;  // last "*" seen in the mask, and the name position it stood for
    const char* resume = nullptr;
    while (*name) {
        if (*mask == '*') {
            star = mask++;
            resume = name;
        } else if (*mask == '?' || (*mask && Fold(static_cast<unsigned char>(*mask)) ==
                                                  Fold(static_cast<unsigned char>(*name)))) {
            ++mask;
            ++name;
        } else if (star) {
            mask = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*mask == '*') ++mask;
    return *mask == '\0';
}
}  // namespace

HANDLE FindFirstFileA(LPCSTR fileName, WIN32_FIND_DATAA* findData) {
    if (!fileName || !findData) return INVALID_HANDLE_VALUE;
    const std::string normal = NormalizePath(fileName);
    const size_t slash = normal.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : normal.substr(0, slash + 1);
    std::string pattern = slash == std::string::npos ? normal : normal.substr(slash + 1);
    if (pattern.empty()) return INVALID_HANDLE_VALUE;
    if (pattern == "*.*") pattern = "*";  // the platform's spelling of "every entry"

    folder = ResolvePath(folder);
    std::string listed = folder;  // the folder as listings name it: no trailing slash but for the root
    if (listed.size() > 1 && listed.back() == '/') listed.pop_back();
    const std::shared_ptr<const FolderListing> listing = ListFolder(listed);
    if (!listing->Readable()) return INVALID_HANDLE_VALUE;
    auto* search = new FindSearch;
    for (const FolderListing::Entry& entry : listing->Entries()) {
        if (entry.name.size() >= MAX_PATH) continue;
        if (Matches(pattern.c_str(), entry.name.c_str())) search->matches.push_back(entry.name);
    }
    if (search->matches.empty()) {
        delete search;
        return INVALID_HANDLE_VALUE;
    }

    const std::string& first = search->matches.front();
    struct stat st{};
    const bool known = ::stat((folder + first).c_str(), &st) == 0;
    *findData = WIN32_FIND_DATAA{};
    findData->dwFileAttributes = known && S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    if (known && S_ISREG(st.st_mode)) {
        const uint64_t size = static_cast<uint64_t>(st.st_size);
        findData->nFileSizeHigh = static_cast<DWORD>(size >> 32);
        findData->nFileSizeLow = static_cast<DWORD>(size);
    }
    std::memcpy(findData->cFileName, first.c_str(), first.size() + 1);
    OpenSearches().insert(search);
    return search;
}

BOOL FindClose(HANDLE findFile) {
    auto* search = static_cast<FindSearch*>(findFile);
    if (OpenSearches().erase(search) == 0) return FALSE;
    delete search;
    return TRUE;
}

size_t OpenFindHandleCount() { return OpenSearches().size(); }
