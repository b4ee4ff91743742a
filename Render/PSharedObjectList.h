// The objects a cache has made, in creation order, with one object per key so that a request for what
// already exists finds it without a walk. Holds plain pointers; an object leaves when it is destroyed.
#pragma once

#include <list>
#include <map>

template <class Key, class Object>
class CPSharedObjectList {
public:
    // Null when no object has the key.
    Object* Find(const Key& key) const {
        auto found = mIndex.find(key);
        return found == mIndex.end() ? nullptr : found->second;
    }

    // Appends an object whose key no other object has.
    void Add(const Key& key, Object* object) {
        mObjects.push_back(object);
        mIndex.emplace(key, object);
    }

    // Takes the object off when it is the one listed under its key; otherwise changes nothing.
    void Remove(const Key& key, const Object* object) {
        auto found = mIndex.find(key);
        if (found == mIndex.end() || found->second != object) return;
        Object* listed = found->second;
        mIndex.erase(found);
        mObjects.remove(listed);
    }

    const std::list<Object*>& Objects() const { return mObjects; }

    // Empties the list, then deletes each object it held. Invalidates every pointer to them.
    void DestroyAll() {
        std::list<Object*> doomed;
        doomed.swap(mObjects);
        mIndex.clear();
        for (Object* object : doomed) delete object;
    }

private:
    std::list<Object*> mObjects;     // creation order; not owned
    std::map<Key, Object*> mIndex;   // the same objects by key
};
