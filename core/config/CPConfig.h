// The configuration store: one setting binder per key of "config.cfg", in a chained hash map whose
// iteration order (bucket 0 upwards, each chain from its head) is the line order of the saved file.
#pragma once

#include <cstdint>
#include <forward_list>
#include <string>
#include <vector>

#include "core/CPSmartPtr.h"
#include "core/config/CPDator.h"
#include "platform/WinTypes.h"

class CPConfig;
// The store, set by its constructor and cleared by its destructor; defined once, here.
extern CPConfig* gConfig;

class CPConfig {
public:
    // Sets gConfig, asks for 100 buckets (193 given) and registers the 32 keys.
    CPConfig();
    // Resets the global holders of this store's binders, empties the map, deletes the binders the
    // store created and clears gConfig (when it still names this store).
    virtual ~CPConfig();
    CPConfig(const CPConfig&) = delete;
    CPConfig& operator=(const CPConfig&) = delete;

    // One binder per key of gSettings, in registration order, into each key's holder and the map.
    void RegisterKeys();
    // map[key] := binder: the previous binder under the key gets Release, the new one AddRef; a new
    // key goes to the head of its bucket's chain.
    void SetAccessor(const std::string& key, CPDator* binder);
    // The binder under the key; null for an unknown key.
    CPDator* GetAccessor(const std::string& key) const;

    // Applies every line of the file; a missing or unreadable file changes nothing. Lines end at LF
    // (a CR before it is trimmed); a line longer than 1023 characters is cut there and loading goes on.
    void Load(const std::string& path);
    // One line: optional "+"/"-" sign as its very first character, key, "=", value; without "=" the
    // value is "1" for "+" and "0" otherwise.
    void ParseLine(const std::string& line);
    // Gives the value to the key's binder; unknown keys are ignored.
    void ApplyValue(const std::string& key, const std::string& value, int sign);
    // Writes every key as "%s = %s\r\n" in map order through a temporary file: 0, or E_FAIL when
    // the file could not be written (the previous file then stays as it was; `failure`, when given,
    // receives which file and why, as CPFileWriter::GetFailure gives it).
    HRESULT Save(const std::string& path, std::string* failure = nullptr) const;

    // Sets the global holder of every key that holds one of this store's binders to null.
    void ReleaseHolders();

    // Keys in map order.
    std::vector<std::string> GetKeys() const;
    size_t GetBucketCount() const { return mBuckets.size(); }

    // Longest line applied; the rest of a longer line is dropped.
    static constexpr size_t kMaxLineLength = 1023;

private:
    struct Entry {
        std::string key;
        CPSmartPtr<CPDator> binder;
    };
    static uint32_t Hash(const std::string& key);
    Entry* Find(const std::string& key);
    // Grows to the next bucket count of the prime list when `entries` would exceed the current one.
    void Reserve(size_t entries);

    std::vector<std::forward_list<Entry>> mBuckets;
    size_t mEntryCount = 0;
    std::vector<CPDator*> mOwnedBinders;  // created by RegisterKeys; deleted with the store
};
