#include "core/files/CPFileFinder.h"

#include <optional>
#include <unordered_map>

#include "platform/FolderListing.h"

namespace {
// Within a folder listing scope files change only through the engine's writers (FolderChangeCount), so
// a search's answer is kept per mask for the rest of the scope: a level load asks the same few masks
// for every object it places. Kept per thread, as the listings are.
struct KeptSearches {
    uint64_t scope = 0;
    uint64_t changes = 0;
    std::unordered_map<std::string, std::optional<WIN32_FIND_DATAA>> byMask;  // empty: nothing matched
};

// The kept answers of this scope; null outside one.
KeptSearches* CurrentSearches() {
    if (!FolderListingsKept()) return nullptr;
    thread_local KeptSearches kept;
    const uint64_t scope = FolderListingScopeSerial();
    const uint64_t changes = FolderChangeCount();
    if (kept.scope != scope || kept.changes != changes) {
        kept.byMask.clear();
        kept.scope = scope;
        kept.changes = changes;
    }
    return &kept;
}
}  // namespace

CPFileFinder::CPFileFinder(const std::string& mask) : mMask(mask) {}

HRESULT CPFileFinder::FindFirst() {
    KeptSearches* kept = CurrentSearches();
    if (kept) {
        if (const auto found = kept->byMask.find(mMask); found != kept->byMask.end()) {
            if (!found->second) return E_FAIL;
            mFindData = *found->second;
            mFoundName = mFindData.cFileName;
            return S_OK;
        }
    }
    mSearch = FindFirstFileA(mMask.c_str(), &mFindData);
    if (mSearch == INVALID_HANDLE_VALUE) {
        if (kept) kept->byMask.emplace(mMask, std::nullopt);
        return E_FAIL;
    }
    mFoundName = mFindData.cFileName;
    FindClose(mSearch);
    mSearch = INVALID_HANDLE_VALUE;
    if (kept) kept->byMask.emplace(mMask, mFindData);
    return S_OK;
}
