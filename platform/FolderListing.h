// What the path resolver and the file search know of one folder: its entries in sorted name order,
// each with what a stat of it would say. While a FolderListingScope lives, a folder is read once and
// its listing answers every later look-up in it; the engine's own writers forget the listings when
// they add, replace or remove a file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class FolderListing {
public:
    // What a stat of the entry's path says. kMissing: the stat fails (a link that leads nowhere, or a
    // folder that cannot be searched).
    enum class Kind : uint8_t { kMissing, kRegular, kDirectory, kOther };
    // The kind a stat's mode says (never kMissing).
    static Kind KindOf(mode_t mode);
    struct Entry {
        std::string name;
        Kind kind;
    };

    // Reads the folder ("" is the working folder); "." and ".." are left out. A folder that cannot be
    // read (or is not a folder) gives an unreadable, empty listing.
    static FolderListing Read(const std::string& folder);

    bool Readable() const { return mReadable; }
    // Sorted by name (byte order).
    const std::vector<Entry>& Entries() const { return mEntries; }
    // The entry named exactly `name`; null when none.
    const Entry* Exact(const std::string& name) const;
    // The first entry in sorted order whose name equals `name` without regard to ASCII case; null when none.
    const Entry* Folded(const std::string& name) const;

private:
    bool mReadable = false;
    std::vector<Entry> mEntries;
    std::vector<std::pair<std::string, uint32_t>> mFolded;  // (lower-cased name, entry index), sorted, first per name
};

// Keeps folder listings for its lifetime (scopes nest; the listings go when the outermost one ends).
// Within it the file system is taken to change only through the engine's writers, which call
// ForgetFolderListings: a level load reads its folders once instead of at every file. The working
// folder must stay the same while a scope lives. Listings are kept per thread.
class FolderListingScope {
public:
    FolderListingScope();
    ~FolderListingScope();
    FolderListingScope(const FolderListingScope&) = delete;
    FolderListingScope& operator=(const FolderListingScope&) = delete;
};

// True while a FolderListingScope lives on this thread.
bool FolderListingsKept();

// The listing of the folder (as resolved: no trailing slash but for "/"; "" is the working folder):
// within a scope the one kept (read at the first look), otherwise a fresh one.
std::shared_ptr<const FolderListing> ListFolder(const std::string& folder);

// Called by the engine's writers after they may have added, replaced or removed a file: FolderChangeCount
// moves on, and every kept listing (on any thread) is read again at its next look.
void ForgetFolderListings();
// Counts the calls of ForgetFolderListings: caches built on what files hold drop their contents when
// it has moved since they were filled.
uint64_t FolderChangeCount();
