// Root of every engine class: a reference count kept for form only, and the object registry.
//
// Release sets the count to 0 and frees nothing: an engine object lives until its owner deletes it
// explicitly (or DeleteReleasedObjects does). The count therefore says nothing about ownership.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <string>

// The name scripts and command texts give one engine object. It names that object for the object's
// whole life and nothing after it, even once a new object is built at the same address: the low 32
// bits are the object's slot in the registry's handle table, the high bits (31 of them, so the number
// stays positive as a signed 64-bit integer) the slot's generation, which every death advances.
// kNone names nothing.
enum class ObjectHandle : uint64_t { kNone = 0 };

class CPRefObject;
namespace gObjectRegistry {
ObjectHandle HandleOf(const CPRefObject& object);
}

class CPRefObject {
public:
    CPRefObject();
    // Unhooks the object from the registry; the engine's links to it unhook in the derived destructors.
    virtual ~CPRefObject();

    CPRefObject(const CPRefObject&) = delete;
    CPRefObject& operator=(const CPRefObject&) = delete;

    virtual void AddRef() { ++mRefCount; }
    // Not a decrement and never a delete: see the note above.
    virtual void Release() { mRefCount = 0; }
    virtual size_t GetSize() const = 0;
    virtual std::string GetClassName() const = 0;

    int32_t GetRefCount() const { return mRefCount; }

private:
    friend ObjectHandle gObjectRegistry::HandleOf(const CPRefObject& object);

    int32_t mRefCount = 0;
    uint32_t mSlot = 0;  // the object's place in the registry's handle table
};

// The registry of live engine objects, in construction order. An entry leaves when its object is
// destroyed, so it answers "is this address a live engine object?"; the handle table answers "is this
// handle's object still alive?", which an address alone cannot once the address is reused.
namespace gObjectRegistry {
bool Contains(const void* address);
size_t Size();
// The most recently constructed live object; null when there is none.
CPRefObject* Last();
// Calls f on every live object in construction order; f must not create or destroy engine objects.
void ForEach(const std::function<void(const CPRefObject&)>& f);
// The handle of the live engine object at `address`; kNone when none lives there.
ObjectHandle HandleOf(const void* address);
// The handle of a live object, without a search: for holders that check often whether it still lives.
ObjectHandle HandleOf(const CPRefObject& object);
// The live object the handle names; null for kNone, for a number no object was given, and for the
// handle of an object that has died.
CPRefObject* Find(ObjectHandle handle);
}  // namespace gObjectRegistry

// Objects the host hands over for deletion; DeleteReleasedObjects empties it.
extern std::list<CPRefObject*> gReleaseList;

// Deletes every distinct non-null object of gReleaseList once, front to back, and empties the list;
// entries whose objects no longer live are skipped.
// Invalidates every pointer to the deleted objects.
void DeleteReleasedObjects();
