#include "core/CPObjectFactory.h"

#include <algorithm>
#include <unordered_set>

#include "simulation/vehicle/CPShot.h"

namespace {
// Every live factory, for the shots that leave them when they die. Never destroyed: a shot with static
// storage may die after any static list.
std::vector<CPObjectFactory*>& LiveFactories() {
    static auto* factories = new std::vector<CPObjectFactory*>;
    return *factories;
}
}  // namespace

CPObjectFactory::CPObjectFactory() { LiveFactories().push_back(this); }

CPObjectFactory::~CPObjectFactory() {
    // The shots deleted below need not find this factory any more.
    std::erase(LiveFactories(), this);
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

void CPObjectFactory::ForgetEverywhere(CPShot* shot) {
    for (CPObjectFactory* factory : LiveFactories()) factory->Forget(shot);
}

void CPObjectFactory::Forget(CPShot* shot) {
    std::erase_if(mHandedOut, [shot](HandedOut& entry) {
        if (entry.object.Get() != shot) return false;
        entry.object.Forget();
        return true;
    });
    for (auto& [name, list] : mCaches) {
        for (size_t i = list.size(); i-- > 0;) {
            if (list[i].Get() != shot) continue;
            list[i].Forget();
            // The prototype's slot stays, empty; a waiting entry leaves.
            if (i > 0) list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    std::erase(mPrototypes, shot);
}

const CPObjectFactory::CacheList* CPObjectFactory::GetCacheList(const std::string& name) const {
    auto it = mCaches.find(name);
    return it != mCaches.end() ? &it->second : nullptr;
}
