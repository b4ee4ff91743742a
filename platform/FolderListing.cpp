#include "platform/FolderListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <unordered_map>

namespace {

std::string FoldAscii(const std::string& text) {
    std::string folded = text;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

// What a stat of the entry would say, from the folder's own record where it is certain; a link (or a
// file system that does not say) is looked at.
FolderListing::Kind KindOfEntry(DIR* dir, const dirent& entry, bool searchable) {
    if (!searchable) return FolderListing::Kind::kMissing;
    switch (entry.d_type) {
    case DT_REG:
        return FolderListing::Kind::kRegular;
    case DT_DIR:
        return FolderListing::Kind::kDirectory;
    case DT_LNK:
    case DT_UNKNOWN: {
        struct stat st{};
        if (::fstatat(::dirfd(dir), entry.d_name, &st, 0) != 0) return FolderListing::Kind::kMissing;
        return FolderListing::KindOf(st.st_mode);
    }
    default:
        return FolderListing::Kind::kOther;
    }
}

std::atomic<uint64_t> gFolderChanges{0};

// The listings kept on this thread while a scope lives there, as they were when the change count was
// `changes` (a write on any thread makes them stale).
struct KeptListings {
    int depth = 0;
    uint64_t changes = 0;
    std::unordered_map<std::string, std::shared_ptr<const FolderListing>> byFolder;
};

KeptListings& Kept() {
    thread_local KeptListings kept;
    return kept;
}

}  // namespace

FolderListing::Kind FolderListing::KindOf(mode_t mode) {
    if (S_ISREG(mode)) return Kind::kRegular;
    if (S_ISDIR(mode)) return Kind::kDirectory;
    return Kind::kOther;
}

FolderListing FolderListing::Read(const std::string& folder) {
    FolderListing listing;
    const char* path = folder.empty() ? "." : folder.c_str();
    DIR* dir = ::opendir(path);
    if (!dir) return listing;
    // Entries of a folder that cannot be searched are seen but cannot be reached: a stat of any fails.
    const bool searchable = ::faccessat(AT_FDCWD, path, X_OK, AT_EACCESS) == 0;
    listing.mReadable = true;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        listing.mEntries.push_back({entry->d_name, KindOfEntry(dir, *entry, searchable)});
    }
    ::closedir(dir);
    std::sort(listing.mEntries.begin(), listing.mEntries.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    listing.mFolded.reserve(listing.mEntries.size());
    for (size_t i = 0; i < listing.mEntries.size(); ++i)
        listing.mFolded.emplace_back(FoldAscii(listing.mEntries[i].name), static_cast<uint32_t>(i));
    // Stable: among names equal but for case the first in sorted order stays first.
    std::stable_sort(listing.mFolded.begin(), listing.mFolded.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return listing;
}

const FolderListing::Entry* FolderListing::Exact(const std::string& name) const {
    auto at = std::lower_bound(mEntries.begin(), mEntries.end(), name,
                               [](const Entry& entry, const std::string& key) { return entry.name < key; });
    return at != mEntries.end() && at->name == name ? &*at : nullptr;
}

const FolderListing::Entry* FolderListing::Folded(const std::string& name) const {
    const std::string key = FoldAscii(name);
    auto at = std::lower_bound(mFolded.begin(), mFolded.end(), key,
                               [](const auto& folded, const std::string& k) { return folded.first < k; });
    return at != mFolded.end() && at->first == key ? &mEntries[at->second] : nullptr;
}

FolderListingScope::FolderListingScope() { ++Kept().depth; }

FolderListingScope::~FolderListingScope() {
    KeptListings& kept = Kept();
    if (--kept.depth == 0) kept.byFolder.clear();
}

bool FolderListingsKept() { return Kept().depth > 0; }

std::shared_ptr<const FolderListing> ListFolder(const std::string& folder) {
    KeptListings& kept = Kept();
    if (kept.depth == 0) return std::make_shared<const FolderListing>(FolderListing::Read(folder));
    const uint64_t changes = FolderChangeCount();
    if (kept.changes != changes) {
        kept.byFolder.clear();
        kept.changes = changes;
    }
    std::shared_ptr<const FolderListing>& listing = kept.byFolder[folder];
    if (!listing) listing = std::make_shared<const FolderListing>(FolderListing::Read(folder));
    return listing;
}

void ForgetFolderListings() { gFolderChanges.fetch_add(1, std::memory_order_relaxed); }

uint64_t FolderChangeCount() { return gFolderChanges.load(std::memory_order_relaxed); }
