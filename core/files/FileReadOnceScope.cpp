#include "core/files/FileReadOnceScope.h"

#include <unordered_map>

namespace {
// The files kept on this thread while a scope lives there, as they were when the folder change count
// was `changes`.
struct KeptFiles {
    int depth = 0;
    uint64_t changes = 0;
    std::unordered_map<std::string, KeptFile> byKey;  // key: the path, then the unscrambling flag
};

KeptFiles& Kept() {
    thread_local KeptFiles kept;
    return kept;
}

std::string KeyOf(const std::string& path, bool unscramble) {
    std::string key = path;
    key += unscramble ? '\1' : '\0';
    return key;
}

// The kept files, emptied first when an engine write came since they were kept; null outside a scope.
KeptFiles* CurrentFiles() {
    KeptFiles& kept = Kept();
    if (kept.depth == 0) return nullptr;
    const uint64_t changes = FolderChangeCount();
    if (kept.changes != changes) {
        kept.byKey.clear();
        kept.changes = changes;
    }
    return &kept;
}
}  // namespace

FileReadOnceScope::FileReadOnceScope() { ++Kept().depth; }

FileReadOnceScope::~FileReadOnceScope() {
    KeptFiles& kept = Kept();
    if (--kept.depth == 0) kept.byKey.clear();
}

const KeptFile* FindKeptFile(const std::string& path, bool unscramble) {
    KeptFiles* kept = CurrentFiles();
    if (!kept) return nullptr;
    auto found = kept->byKey.find(KeyOf(path, unscramble));
    return found == kept->byKey.end() ? nullptr : &found->second;
}

void KeepFile(const std::string& path, bool unscramble, KeptFile file) {
    if (KeptFiles* kept = CurrentFiles()) kept->byKey.insert_or_assign(KeyOf(path, unscramble), std::move(file));
}
