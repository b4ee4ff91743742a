// One shop table: records by item name for look-ups, and the same records in the order the host
// added them for listings.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// The string hash of the table's look-ups: h = 5 * h + c over the signed characters.
struct ShopNameHash {
    size_t operator()(const std::string& name) const {
        size_t h = 0;
        for (char c : name) h = 5 * h + static_cast<size_t>(static_cast<signed char>(c));
        return h;
    }
};

template <class Record>
class CPShopTable {
public:
    // Adds an item at the end of the listing; an item name already present keeps its place in the
    // listing and takes the new record, so look-up and listing never disagree.
    void Add(const std::string& name, const Record& record) {
        auto [it, inserted] = mByName.insert_or_assign(name, record);
        (void)it;
        if (inserted) {
            mOrdered.emplace_back(name, record);
            return;
        }
        for (auto& entry : mOrdered)
            if (entry.first == name) entry.second = record;
    }
    // Null when the table has no item of that name.
    const Record* Find(const std::string& name) const {
        auto it = mByName.find(name);
        return it == mByName.end() ? nullptr : &it->second;
    }
    bool Contains(const std::string& name) const { return mByName.count(name) != 0; }
    // (item name, record) pairs in the order added.
    const std::vector<std::pair<std::string, Record>>& Entries() const { return mOrdered; }
    size_t Size() const { return mOrdered.size(); }
    void Clear() {
        mByName.clear();
        mOrdered.clear();
    }

private:
    std::unordered_map<std::string, Record, ShopNameHash> mByName;
    std::vector<std::pair<std::string, Record>> mOrdered;
};
