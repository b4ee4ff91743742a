// The name table behind the effect and texture caches: one resource per requested name, a fallback in
// place of a name that does not load, and entries that leave when their resource is destroyed.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// Resource: default-constructible, with `bool Load(const std::string& name)`; its destructor calls
// Remove on the cache that holds it. The table holds plain pointers and owns nothing until DestroyAll.
template <class Resource>
class CPResourceCache {
public:
    // The resource cached under `key`. On a miss a new resource loads `key`; when that fails it is
    // deleted and another loads `fallback`, whose result is not examined (a fallback that fails too
    // stays as an empty resource). Either way the survivor is entered under `key`: never null.
    Resource* Fetch(const std::string& key, const std::string& fallback) {
        if (Resource* cached = Find(key)) return cached;
        Resource* resource = new Resource();
        if (!resource->Load(key)) {
            delete resource;
            resource = new Resource();
            resource->Load(fallback);
        }
        mTable.emplace(key, resource);
        return resource;
    }

    // Null when no entry has the key.
    Resource* Find(const std::string& key) const {
        auto entry = mTable.find(key);
        return entry == mTable.end() ? nullptr : entry->second;
    }

    // Drops every entry that holds this resource, under whatever name it was cached.
    void Remove(const Resource* resource) {
        std::erase_if(mTable, [resource](const auto& entry) { return entry.second == resource; });
    }

    size_t Size() const { return mTable.size(); }

    // Empties the table, then deletes each distinct resource it held once. Invalidates every pointer
    // to those resources.
    void DestroyAll() {
        std::vector<Resource*> doomed;
        std::unordered_set<Resource*> seen;
        for (const auto& [key, resource] : mTable)
            if (seen.insert(resource).second) doomed.push_back(resource);
        mTable.clear();
        for (Resource* resource : doomed) delete resource;
    }

private:
    std::unordered_map<std::string, Resource*> mTable;  // requested name -> resource (not owned)
};
