#include "core/files/FileReadOnceScope.h"

#include <unordered_map>

namespace {
// The files kept on this thread while a scope lives there, as they were when the folder change count
// was `changes`.
struct KeptFiles {
    int depth = 0;
    uint64_t changes = 0;
    std::unordered_map<std::string, KeptFile> byKey;  // key: the path, then the unscrambling flag
    std::unordered_map<std::string, std::shared_ptr<const void>> answers;  // key: the kind, then the bytes
};

KeptFiles& Kept() {
    thread_local KeptFiles kept;
    return kept;
}

std::string AnswerKeyOf(KeptKind kind, const uint8_t* data, uint32_t size) {
    std::string key(1, static_cast<char>(kind));
    key.append(reinterpret_cast<const char*>(data), size);
    return key;
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
        kept.answers.clear();
        kept.changes = changes;
    }
    return &kept;
}
}  // namespace

FileReadOnceScope::FileReadOnceScope() { ++Kept().depth; }

FileReadOnceScope::~FileReadOnceScope() {
    KeptFiles& kept = Kept();
    if (--kept.depth == 0) {
        kept.byKey.clear();
        kept.answers.clear();
    }
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

const std::shared_ptr<const void>* FindKeptAnswer(KeptKind kind, const uint8_t* data, uint32_t size) {
    KeptFiles* kept = CurrentFiles();
    if (!kept) return nullptr;
    auto found = kept->answers.find(AnswerKeyOf(kind, data, size));
    return found == kept->answers.end() ? nullptr : &found->second;
}

void KeepAnswer(KeptKind kind, const uint8_t* data, uint32_t size, std::shared_ptr<const void> answer) {
    if (KeptFiles* kept = CurrentFiles()) kept->answers.insert_or_assign(AnswerKeyOf(kind, data, size), std::move(answer));
}
