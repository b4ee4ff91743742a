// A level reads the same description and mesh for every object placed from it: while a scope lives,
// each file the readers load comes from the disk once, and every later reader of the same (lower-cased)
// path gets the kept bytes; answers drawn from files (parses keyed by the bytes, file searches) can be
// kept as well. Folder listings are kept for as long (platform/FolderListing.h). Everything
// kept goes when the outermost scope ends; an engine write in between drops the kept bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/FolderListing.h"

class FileReadOnceScope {
public:
    FileReadOnceScope();
    ~FileReadOnceScope();
    FileReadOnceScope(const FileReadOnceScope&) = delete;
    FileReadOnceScope& operator=(const FileReadOnceScope&) = delete;

private:
    FolderListingScope mListings;
};

// For CPFileReader. A loaded file as a reader holds it: the bytes after any unscrambling, and the size
// of the file they came from.
struct KeptFile {
    std::vector<uint8_t> bytes;
    int32_t fileSize = 0;
};
// The file kept for this path and unscrambling flag; null outside a scope or when none is kept.
const KeptFile* FindKeptFile(const std::string& path, bool unscramble);
// Keeps a copy of a successful load (nothing outside a scope).
void KeepFile(const std::string& path, bool unscramble, KeptFile file);

// Questions a load asks again and again, each kind with its own type of answer: what a description
// text or a mesh file's bytes parse into, what a file search for a mask finds.
enum class KeptKind : char { kDescription, kPlainMesh, kPhysicsMesh, kSearch };
// The answer kept in this scope for the question (the kind, then its bytes); null when it was not
// asked. A kept answer may itself be null (damaged bytes, nothing found).
const std::shared_ptr<const void>* FindKeptAnswer(KeptKind kind, const uint8_t* data, uint32_t size);
// Keeps an answer until the scope ends or an engine write (nothing outside a scope).
void KeepAnswer(KeptKind kind, const uint8_t* data, uint32_t size, std::shared_ptr<const void> answer);
