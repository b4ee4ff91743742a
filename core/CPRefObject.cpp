#include "core/CPRefObject.h"

#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {
// One place of the handle table: the object in it, and the generation that the handle of that object
// (or, while the slot is free, of the next one) carries.
struct HandleSlot {
    CPRefObject* object = nullptr;  // null while free
    uint32_t generation = 1;        // 1 and up; a handle with generation 0 is kNone
};

// The last generation a slot hands out: a slot that reaches it is retired, never reused, so a handle
// can never come back to name another object.
constexpr uint32_t kLastGeneration = 0x7FFFFFFF;
constexpr uint64_t kSlotMask = 0xFFFFFFFF;

struct Entry {
    std::list<CPRefObject*>::iterator order;
};

struct Registry {
    std::list<CPRefObject*> order;
    std::unordered_map<const void*, Entry> index;
    std::vector<HandleSlot> slots;
    std::vector<uint32_t> freeSlots;  // last freed first

    uint32_t TakeSlot(CPRefObject* object) {
        if (freeSlots.empty()) {
            slots.push_back({object, 1});
            return static_cast<uint32_t>(slots.size() - 1);
        }
        const uint32_t slot = freeSlots.back();
        freeSlots.pop_back();
        slots[slot].object = object;
        return slot;
    }
    // The object's handles stop naming anything: the slot's next object gets the next generation.
    void FreeSlot(uint32_t slot) {
        HandleSlot& place = slots[slot];
        place.object = nullptr;
        if (place.generation == kLastGeneration) return;
        ++place.generation;
        freeSlots.push_back(slot);
    }
};

// Never destroyed: objects with static storage may outlive any static registry.
Registry& TheRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}

// The handle of the object that holds `slot` now.
ObjectHandle SlotHandle(const Registry& r, uint32_t slot) {
    return static_cast<ObjectHandle>(static_cast<uint64_t>(r.slots[slot].generation) << 32 | slot);
}
}  // namespace

std::list<CPRefObject*> gReleaseList;

CPRefObject::CPRefObject() {
    Registry& r = TheRegistry();
    r.order.push_back(this);
    mSlot = r.TakeSlot(this);
    r.index[this] = Entry{std::prev(r.order.end())};
}

CPRefObject::~CPRefObject() {
    Registry& r = TheRegistry();
    auto it = r.index.find(this);
    if (it != r.index.end()) {
        r.order.erase(it->second.order);
        r.FreeSlot(mSlot);
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

ObjectHandle HandleOf(const void* address) {
    Registry& r = TheRegistry();
    const auto it = address ? r.index.find(address) : r.index.end();
    if (it == r.index.end()) return ObjectHandle::kNone;
    return HandleOf(**it->second.order);
}

ObjectHandle HandleOf(const CPRefObject& object) { return SlotHandle(TheRegistry(), object.mSlot); }

CPRefObject* Find(ObjectHandle handle) {
    const Registry& r = TheRegistry();
    const uint64_t value = static_cast<uint64_t>(handle);
    const uint64_t slot = value & kSlotMask;
    if (slot >= r.slots.size()) return nullptr;
    const HandleSlot& place = r.slots[slot];
    return place.generation == value >> 32 ? place.object : nullptr;
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
