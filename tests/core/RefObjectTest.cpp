#include <gtest/gtest.h>

#include <cstdint>
#include <type_traits>
#include <vector>

#include "core/CPRefObject.h"
#include "core/CPSmartPtr.h"
#include "support/ReusedAddress.h"

namespace {
class Counted : public CPRefObject {
public:
    explicit Counted(int* destroyed = nullptr) : mDestroyed(destroyed) {}
    ~Counted() override {
        if (mDestroyed) ++*mDestroyed;
    }
    size_t GetSize() const override { return sizeof(Counted); }
    std::string GetClassName() const override { return "Counted"; }
    int AddRefs = 0;
    int Releases = 0;
    void AddRef() override {
        ++AddRefs;
        CPRefObject::AddRef();
    }
    void Release() override {
        ++Releases;
        CPRefObject::Release();
    }

private:
    int* mDestroyed;
};
}  // namespace

TEST(RefObjectTest, ReleaseSetsZeroAndFreesNothing) {
    Counted object;
    EXPECT_EQ(object.GetRefCount(), 0);
    object.AddRef();
    object.AddRef();
    object.AddRef();
    EXPECT_EQ(object.GetRefCount(), 3);
    object.Release();
    EXPECT_EQ(object.GetRefCount(), 0);
    EXPECT_EQ(object.GetClassName(), "Counted");  // still usable
    object.AddRef();
    EXPECT_EQ(object.GetRefCount(), 1);
}

TEST(RefObjectTest, RegistryHoldsLiveObjectsInConstructionOrder) {
    auto* first = new Counted;
    auto* second = new Counted;
    EXPECT_EQ(gObjectRegistry::Last(), second);
    EXPECT_TRUE(gObjectRegistry::Contains(first));
    size_t size = gObjectRegistry::Size();
    delete second;
    EXPECT_FALSE(gObjectRegistry::Contains(second));
    EXPECT_EQ(gObjectRegistry::Last(), first);
    EXPECT_EQ(gObjectRegistry::Size(), size - 1);
    delete first;
    EXPECT_FALSE(gObjectRegistry::Contains(first));
    EXPECT_FALSE(gObjectRegistry::Contains(nullptr));
}

TEST(RefObjectTest, AHandleNamesItsObjectForItsWholeLifeAndNothingAfter) {
    ReusedAddress<Counted> storage;
    Counted* first = storage.Make();
    const ObjectHandle handle = gObjectRegistry::HandleOf(first);
    ASSERT_NE(handle, ObjectHandle::kNone);
    EXPECT_EQ(gObjectRegistry::HandleOf(first), handle) << "one handle per object";
    EXPECT_EQ(gObjectRegistry::Find(handle), first);

    // Every later object at the same address gets a handle of its own; none of the earlier ones
    // comes back to life.
    std::vector<ObjectHandle> earlier = {handle};
    for (int round = 0; round < 1000; ++round) {
        Counted* next = storage.Make();
        ASSERT_EQ(static_cast<const void*>(next), storage.Address());
        const ObjectHandle now = gObjectRegistry::HandleOf(next);
        ASSERT_EQ(gObjectRegistry::Find(now), next);
        for (ObjectHandle old : earlier) ASSERT_EQ(gObjectRegistry::Find(old), nullptr) << round;
        earlier.push_back(now);
    }
    storage.Destroy();
    EXPECT_EQ(gObjectRegistry::Find(earlier.back()), nullptr);
}

TEST(RefObjectTest, HandlesNoObjectWasGivenNameNothing) {
    Counted object;
    int notAnObject = 0;
    const uint64_t value = static_cast<uint64_t>(gObjectRegistry::HandleOf(&object));
    EXPECT_EQ(gObjectRegistry::HandleOf(nullptr), ObjectHandle::kNone);
    EXPECT_EQ(gObjectRegistry::HandleOf(&notAnObject), ObjectHandle::kNone);
    const uint64_t madeUp[] = {
        0,                                    // kNone
        value + (uint64_t{1} << 32),          // the right slot, a generation it has not reached
        value & 0xFFFFFFFF,                   // the right slot, generation 0
        value | 0xFFFFFFFF,                   // a slot far beyond the table
        reinterpret_cast<uintptr_t>(&object)  // the bare address
    };
    for (uint64_t made : madeUp)
        EXPECT_EQ(gObjectRegistry::Find(static_cast<ObjectHandle>(made)), nullptr) << made;
}

TEST(SmartPtrTest, AcquireAndDropCallAddRefAndRelease) {
    Counted object;
    {
        CPSmartPtr<Counted> a(&object);
        EXPECT_EQ(object.GetRefCount(), 1);
        CPSmartPtr<Counted> b(a);
        EXPECT_EQ(object.GetRefCount(), 2);
        EXPECT_EQ(b.Get(), &object);
    }
    EXPECT_EQ(object.AddRefs, 2);
    EXPECT_EQ(object.Releases, 2);
    EXPECT_EQ(object.GetRefCount(), 0);
}

TEST(SmartPtrTest, SelfAssignmentReleasesThenAddRefs) {
    Counted object;
    object.AddRef();
    object.AddRef();
    CPSmartPtr<Counted> held(&object);
    EXPECT_EQ(object.GetRefCount(), 3);
    held = &object;
    EXPECT_EQ(object.GetRefCount(), 1);
    const CPSmartPtr<Counted>& same = held;  // a self-assignment, through a reference as it happens
    held = same;
    EXPECT_EQ(object.GetRefCount(), 1);
    EXPECT_EQ(object.Releases, 2);
}

TEST(SmartPtrTest, AssignmentReleasesOldBeforeTakingNew) {
    Counted oldObject, newObject;
    CPSmartPtr<Counted> held(&oldObject);
    CPSmartPtr<Counted> other(&newObject);
    held = other;
    EXPECT_EQ(oldObject.Releases, 1);
    EXPECT_EQ(newObject.GetRefCount(), 2);
    held = nullptr;
    EXPECT_FALSE(held);
    EXPECT_EQ(newObject.Releases, 1);
}

// A move hands the hold over without calling the object, so a moved pointer may name a dead one; a
// vector of pointers moves its elements when it grows.
TEST(SmartPtrTest, AMoveHandsTheHoldOverWithoutACall) {
    Counted kept, other;
    CPSmartPtr<Counted> a(&kept);
    CPSmartPtr<Counted> b(std::move(a));
    EXPECT_FALSE(a);  // NOLINT: the moved-from pointer is empty by design
    EXPECT_EQ(b.Get(), &kept);
    CPSmartPtr<CPRefObject> upcast(std::move(b));
    EXPECT_EQ(upcast.Get(), &kept);
    EXPECT_EQ(kept.AddRefs, 1);
    EXPECT_EQ(kept.Releases, 0);

    // Move assignment lets go of the old object and calls nothing on the new one.
    CPSmartPtr<Counted> c(&other);
    CPSmartPtr<Counted> d(&kept);
    c = std::move(d);
    EXPECT_EQ(other.Releases, 1);
    EXPECT_EQ(c.Get(), &kept);
    EXPECT_EQ(kept.AddRefs, 2);
    EXPECT_EQ(kept.Releases, 0);
    // Taking over the object already held, or itself, calls nothing and keeps the hold.
    CPSmartPtr<Counted> e(&kept);
    c = std::move(e);
    auto& self = c;
    c = std::move(self);
    EXPECT_EQ(c.Get(), &kept);
    EXPECT_EQ(kept.Releases, 0);

    static_assert(std::is_nothrow_move_constructible_v<CPSmartPtr<Counted>>);
    std::vector<CPSmartPtr<Counted>> grown;
    auto* doomed = new Counted;
    grown.emplace_back(doomed);
    delete doomed;
    for (int i = 0; i < 40; ++i) grown.emplace_back(&other);
    EXPECT_EQ(other.AddRefs, 41) << "one each, none for a move";
    grown.front().Forget();  // what a holder does for a dead object before letting go
    upcast.Reset();
    c.Reset();
}

TEST(RefObjectTest, ALiveObjectsHandleIsTheOneItsAddressGives) {
    Counted a, b;
    EXPECT_EQ(gObjectRegistry::HandleOf(a), gObjectRegistry::HandleOf(&a));
    EXPECT_EQ(gObjectRegistry::HandleOf(b), gObjectRegistry::HandleOf(&b));
    EXPECT_NE(gObjectRegistry::HandleOf(a), gObjectRegistry::HandleOf(b));
}

TEST(SmartPtrTest, EmptyPointersCallNothing) {
    CPSmartPtr<Counted> empty;
    CPSmartPtr<Counted> copy(empty);
    copy = empty;
    copy = static_cast<Counted*>(nullptr);
    EXPECT_EQ(copy.Get(), nullptr);
    EXPECT_FALSE(empty);
}

TEST(ReleaseListTest, DeletesEachDistinctObjectOnce) {
    DeleteReleasedObjects();
    EXPECT_TRUE(gReleaseList.empty());

    int destroyed = 0;
    auto* a = new Counted(&destroyed);
    auto* b = new Counted(&destroyed);
    gReleaseList = {a, nullptr, b, a};
    DeleteReleasedObjects();
    EXPECT_EQ(destroyed, 2);
    EXPECT_TRUE(gReleaseList.empty());
}

TEST(ReleaseListTest, SkipsObjectsThatNoLongerLive) {
    // One listed object is deleted by its owner before the list is emptied; another dies in the
    // destructor of an object listed before it.
    int destroyed = 0;
    auto* deletedEarly = new Counted(&destroyed);
    auto* child = new Counted(&destroyed);
    struct Parent : Counted {
        Parent(int* destroyed, Counted* owned) : Counted(destroyed), mOwned(owned) {}
        ~Parent() override { delete mOwned; }
        Counted* mOwned;
    };
    auto* parent = new Parent(&destroyed, child);
    gReleaseList = {deletedEarly, parent, child};
    delete deletedEarly;
    DeleteReleasedObjects();
    EXPECT_EQ(destroyed, 3);
    EXPECT_TRUE(gReleaseList.empty());
}

TEST(SmartPtrTest, AssignmentFromAPointerToADerivedClassCountsOnce) {
    struct Derived : Counted {};
    Derived object;
    CPSmartPtr<Derived> derived(&object);
    CPSmartPtr<Counted> base;
    base = derived;  // release the old (none), copy, AddRef the new: no temporary in between
    EXPECT_EQ(base.Get(), &object);
    EXPECT_EQ(object.GetRefCount(), 2);
    EXPECT_EQ(object.AddRefs, 2);
    EXPECT_EQ(object.Releases, 0);
}
