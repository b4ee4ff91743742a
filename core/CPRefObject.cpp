#include "core/CPRefObject.h"

#include <unordered_map>
#include <unordered_set>

namespace {
struct Registry {
    std::list<CPRefObject*> order;
    std::unordered_map<const void*, std::list<CPRefObject*>::iterator> index;
};

// Never destroyed: objects with static storage may outlive any static registry.
Registry& TheRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}
}  // namespace

std::list<CPRefObject*> gReleaseList;

CPRefObject::CPRefObject() {
    Registry& r = TheRegistry();
    r.order.push_back(this);
    r.index[this] = std::prev(r.order.end());
}

CPRefObject::~CPRefObject() {
    Registry& r = TheRegistry();
    auto it = r.index.find(this);
    if (it != r.index.end()) {
        r.order.erase(it->second);
        r.index.erase(it);
    }
}

namespace gObjectRegistry {
bool Contains(const void* address) { return address && TheRegistry().index.count(address) != 0; }
size_t Size() { return TheRegistry().order.size(); }
void ForEach(const std::function<void(const CPRefObject&)>& f) {
    for (const CPRefObject* object : TheRegistry().order) f(*object);
}
CPRefObject* Last() {
    Registry& r = TheRegistry();
    return r.order.empty() ? nullptr : r.order.back();
}
}  // namespace gObjectRegistry

void DeleteReleasedObjects() {
    // Take the list first: a destructor may list further objects, which wait for the next call.
    std::list<CPRefObject*> pending;
    pending.swap(gReleaseList);
    std::unordered_set<CPRefObject*> deleted;
    for (CPRefObject* object : pending) {
        if (!object || !deleted.insert(object).second) continue;
        // An entry whose object was deleted meanwhile (by its owner, or by the destructor of an
        // earlier entry) is only an address now.
        if (!gObjectRegistry::Contains(object)) continue;
        delete object;
    }
}
