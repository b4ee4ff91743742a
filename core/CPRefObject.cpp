#include "core/CPRefObject.h"

#include <unordered_set>
#include <vector>

namespace {
constexpr uint32_t kNoSlot = 0xFFFFFFFF;

// One place of the handle table: the object in it, the generation that the handle of that object (or,
// while the slot is free, of the next one) carries, and its neighbours in construction order.
struct HandleSlot {
    CPRefObject* object = nullptr;  // null while free
    uint32_t generation = 1;        // 1 and up; a handle with generation 0 is kNone
    uint32_t previous = kNoSlot;    // the live objects in construction order, linked through their slots
    uint32_t next = kNoSlot;
};

// The last generation a slot hands out: a slot that reaches it is retired, never reused, so a handle
// can never come back to name another object.
constexpr uint32_t kLastGeneration = 0x7FFFFFFF;
constexpr uint64_t kSlotMask = 0xFFFFFFFF;

// Address to slot, open addressing with linear probing: every engine object is entered and removed,
// so both stay a probe or two without an allocation each.
class AddressTable {
public:
    // The slot entered for the address; kNoSlot when none.
    uint32_t Find(const void* address) const {
        if (mCount == 0) return kNoSlot;
        for (size_t i = Home(address);; i = (i + 1) & mMask) {
            if (mKeys[i] == address) return mSlots[i];
            if (!mKeys[i]) return kNoSlot;
        }
    }
    // Enters the address (not null) with the slot, in place of any slot entered for it before.
    void Set(const void* address, uint32_t slot) {
        if ((mCount + 1) * 2 > mKeys.size()) Grow();
        size_t i = Home(address);
        while (mKeys[i] && mKeys[i] != address) i = (i + 1) & mMask;
        if (!mKeys[i]) ++mCount;
        mKeys[i] = address;
        mSlots[i] = slot;
    }
    // Removes the address; false when it was not entered.
    bool Erase(const void* address) {
        if (mCount == 0) return false;
        size_t i = Home(address);
        while (mKeys[i] != address) {
            if (!mKeys[i]) return false;
            i = (i + 1) & mMask;
        }
        // Moves back every later entry of the run that may stand in the hole, so no probe stops early.
        for (size_t j = (i + 1) & mMask; mKeys[j]; j = (j + 1) & mMask) {
            const size_t home = Home(mKeys[j]);
            if (((j - home) & mMask) >= ((j - i) & mMask)) {
                mKeys[i] = mKeys[j];
                mSlots[i] = mSlots[j];
                i = j;
            }
        }
        mKeys[i] = nullptr;
        --mCount;
        return true;
    }

private:
    size_t Home(const void* address) const {
        const auto bits = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(address));
        return static_cast<size_t>((bits * 0x9E3779B97F4A7C15ull) >> 32) & mMask;
    }
    void Grow() {
        std::vector<const void*> keys(mKeys.empty() ? 1024 : mKeys.size() * 2, nullptr);
        std::vector<uint32_t> slots(keys.size());
        keys.swap(mKeys);
        slots.swap(mSlots);
        mMask = mKeys.size() - 1;
        mCount = 0;
        for (size_t i = 0; i < keys.size(); ++i)
            if (keys[i]) Set(keys[i], slots[i]);
    }

    std::vector<const void*> mKeys;  // null: empty
    std::vector<uint32_t> mSlots;
    size_t mMask = 0;
    size_t mCount = 0;
};

struct Registry {
    std::vector<HandleSlot> slots;
    std::vector<uint32_t> freeSlots;  // last freed first
    AddressTable index;
    uint32_t first = kNoSlot;  // the oldest live object's slot
    uint32_t last = kNoSlot;   // the newest live object's slot
    size_t count = 0;

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
    void Append(uint32_t slot) {
        slots[slot].previous = last;
        slots[slot].next = kNoSlot;
        (last == kNoSlot ? first : slots[last].next) = slot;
        last = slot;
        ++count;
    }
    void Unlink(uint32_t slot) {
        const HandleSlot& place = slots[slot];
        (place.previous == kNoSlot ? first : slots[place.previous].next) = place.next;
        (place.next == kNoSlot ? last : slots[place.next].previous) = place.previous;
        --count;
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
    mSlot = r.TakeSlot(this);
    r.Append(mSlot);
    r.index.Set(this, mSlot);
}

CPRefObject::~CPRefObject() {
    Registry& r = TheRegistry();
    const uint32_t entered = r.index.Find(this);
    if (entered != kNoSlot) {
        r.Unlink(entered);
        r.FreeSlot(mSlot);
        r.index.Erase(this);
    }
}

namespace gObjectRegistry {
bool Contains(const void* address) { return address && TheRegistry().index.Find(address) != kNoSlot; }
size_t Size() { return TheRegistry().count; }
void ForEach(const std::function<void(const CPRefObject&)>& f) {
    const Registry& r = TheRegistry();
    for (uint32_t slot = r.first; slot != kNoSlot; slot = r.slots[slot].next) f(*r.slots[slot].object);
}
CPRefObject* Last() {
    Registry& r = TheRegistry();
    return r.last == kNoSlot ? nullptr : r.slots[r.last].object;
}

ObjectHandle HandleOf(const void* address) {
    Registry& r = TheRegistry();
    const uint32_t slot = address ? r.index.Find(address) : kNoSlot;
    if (slot == kNoSlot) return ObjectHandle::kNone;
    return HandleOf(*r.slots[slot].object);
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
