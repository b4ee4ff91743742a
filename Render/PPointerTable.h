// A table from object addresses to values that is emptied often and refilled at the same size: open
// addressing over a flat array, so that filling it again allocates nothing. The vertex ring keeps its
// start table in one, emptied at every fill.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

template <class Value>
class CPPointerTable {
public:
    // The value stored for the key; null when there is none. Valid until the next Insert.
    Value* Find(const void* key) {
        if (mEntries.empty()) return nullptr;
        for (size_t at = Home(key);; at = (at + 1) & Mask()) {
            const int32_t index = mIndex[at];
            if (index < 0) return nullptr;
            if (mEntries[static_cast<size_t>(index)].key == key) return &mEntries[static_cast<size_t>(index)].value;
        }
    }
    const Value* Find(const void* key) const { return const_cast<CPPointerTable*>(this)->Find(key); }

    // Stores the value under a key that is not in the table yet (the caller checks with Find).
    void Insert(const void* key, const Value& value) {
        if ((mEntries.size() + 1) * 2 > mIndex.size()) Grow();
        mEntries.push_back({key, value});
        size_t at = Home(key);
        while (mIndex[at] >= 0) at = (at + 1) & Mask();
        mIndex[at] = static_cast<int32_t>(mEntries.size() - 1);
    }

    // Forgets every entry and keeps the storage.
    void Clear() {
        if (mEntries.empty()) return;
        mEntries.clear();
        std::fill(mIndex.begin(), mIndex.end(), -1);
    }

    size_t Size() const { return mEntries.size(); }

private:
    struct Entry {
        const void* key;
        Value value;
    };

    size_t Mask() const { return mIndex.size() - 1; }
    // Fibonacci hashing of the address: the top bits of the product pick the home slot.
    size_t Home(const void* key) const {
        const uint64_t product = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(key)) * 0x9E3779B97F4A7C15ull;
        return static_cast<size_t>(product >> (64 - mBits));
    }
    void Grow() {
        mBits = mIndex.empty() ? 6 : mBits + 1;
        mIndex.assign(size_t{1} << mBits, -1);
        for (size_t i = 0; i < mEntries.size(); ++i) {
            size_t at = Home(mEntries[i].key);
            while (mIndex[at] >= 0) at = (at + 1) & Mask();
            mIndex[at] = static_cast<int32_t>(i);
        }
    }

    std::vector<Entry> mEntries;  // in insertion order
    std::vector<int32_t> mIndex;  // power-of-two slots: an index into mEntries, -1 when empty
    int mBits = 0;                // log2 of mIndex.size()
};
