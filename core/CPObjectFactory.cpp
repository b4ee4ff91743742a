#include "core/CPObjectFactory.h"

#include <algorithm>
#include <unordered_set>

#include "simulation/vehicle/CPShot.h"

CPObjectFactory::CPObjectFactory() = default;

CPObjectFactory::~CPObjectFactory() {
    std::unordered_set<CPShot*> made(mPrototypes.begin(), mPrototypes.end());
    for (auto& entry : mHandedOut) {
        made.insert(entry.object.Get());
        entry.object.Forget();
    }
    for (auto& [name, list] : mCaches) {
        for (size_t i = 1; i < list.size(); ++i) made.insert(list[i].Get());
        for (auto& held : list) held.Forget();
    }
    for (CPShot* object : made) {
        if (object && gObjectRegistry::Contains(object)) delete object;
    }
}

void CPObjectFactory::CreateByName(const std::string& name, const D3DXVECTOR3& position,
                                   const D3DXVECTOR3& direction, float value, CPSmartPtr<CPGameObject> owner,
                                   intptr_t extra) {
    CacheList& list = mCaches[name];
    CPSmartPtr<CPShot> object;
    if (list.size() == 1) {
        if (list.front()) object = list.front()->Clone();
    } else if (list.size() > 1) {
        object = list.back();
        list.pop_back();
    }
    // An empty list, or a prototype of a kind that cannot be cloned: nothing to launch.
    if (!object) return;
    object->Launch(position, direction, value, owner, extra);
    mHandedOut.push_back({object, name});
}

bool CPObjectFactory::SetPrototype(const std::string& name, CPShot* prototype) {
    if (!prototype) return false;
    if (std::find(mPrototypes.begin(), mPrototypes.end(), prototype) == mPrototypes.end())
        mPrototypes.push_back(prototype);
    CacheList& list = mCaches[name];
    if (list.empty())
        list.emplace_back(prototype);
    else
        list.front() = prototype;
    return true;
}

bool CPObjectFactory::Recycle(CPShot* object) {
    auto it = std::find_if(mHandedOut.begin(), mHandedOut.end(),
                           [object](const HandedOut& entry) { return entry.object.Get() == object; });
    if (!object || it == mHandedOut.end()) return false;
    mCaches[it->name].push_back(it->object);
    mHandedOut.erase(it);
    return true;
}

const CPObjectFactory::CacheList* CPObjectFactory::GetCacheList(const std::string& name) const {
    auto it = mCaches.find(name);
    return it != mCaches.end() ? &it->second : nullptr;
}
