#include "core/ObjectAddress.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "core/CPGameObject.h"
#include "support/ReusedAddress.h"

namespace {

constexpr ObjectHandle Handle(uint64_t value) { return static_cast<ObjectHandle>(value); }

TEST(ObjectAddressTest, ALiveObjectIsWrittenAsItsHandlesSignedDecimalNumber) {
    CPGameObject object("crate");
    const ObjectHandle handle = gObjectRegistry::HandleOf(&object);
    ASSERT_NE(handle, ObjectHandle::kNone);
    const std::string text = AddressToText(&object);
    EXPECT_EQ(text, std::to_string(static_cast<long long>(handle)));
    EXPECT_EQ(text.find_first_not_of("0123456789"), std::string::npos) << text << ": a plain positive number";
    EXPECT_EQ(TextToHandle(text), handle);
    EXPECT_EQ(gObjectRegistry::Find(TextToHandle(text)), &object);
    EXPECT_EQ(AddressToText(&object), text) << "the same text every time while the object lives";
}

TEST(ObjectAddressTest, WhatIsNoLiveEngineObjectIsWrittenAsZero) {
    int local = 0;
    auto* gone = new CPGameObject("gone");
    delete gone;
    for (const void* address : {static_cast<const void*>(nullptr), static_cast<const void*>(&local),
                                static_cast<const void*>(gone)})
        EXPECT_EQ(AddressToText(address), "0");
}

TEST(ObjectAddressTest, HandleTextsReadBackWithStrtollRules) {
    const struct {
        const char* text;
        ObjectHandle handle;
    } cases[] = {
        {"0", ObjectHandle::kNone},
        {"  123abc", Handle(123)},
        {"+7", Handle(7)},
        {"4294967301", Handle(4294967301ULL)},
        {"-2", Handle(static_cast<uint64_t>(-2LL))},
        {"-9007199254740993", Handle(static_cast<uint64_t>(-9007199254740993LL))},
        {"9223372036854775807", Handle(std::numeric_limits<int64_t>::max())},
        {"none", ObjectHandle::kNone},
        {"", ObjectHandle::kNone},
    };
    for (const auto& c : cases) EXPECT_EQ(TextToHandle(c.text), c.handle) << '"' << c.text << '"';
    const uint64_t values[] = {0, 1, 4294967301, 0x7FFFFFFFFFFFFFFF, static_cast<uint64_t>(-2LL)};
    for (const uint64_t value : values)
        EXPECT_EQ(TextToHandle(HandleToText(Handle(value))), Handle(value)) << value;
    EXPECT_EQ(HandleToText(Handle(static_cast<uint64_t>(-2LL))), "-2") << "signed, as \"%lld\" writes it";
}

// A command text taken while an object lived names nothing once it is deleted, even when a new object
// of the same class is built at its address.
TEST(ObjectAddressTest, TheTextOfADeletedObjectDoesNotNameTheObjectBuiltAtItsAddress) {
    ReusedAddress<CPGameObject> storage;
    const std::string oldText = AddressToText(storage.Make("first"));
    CPGameObject* second = storage.Make("second");
    ASSERT_EQ(static_cast<const void*>(second), storage.Address());
    EXPECT_EQ(gObjectRegistry::Find(TextToHandle(oldText)), nullptr);
    EXPECT_NE(AddressToText(second), oldText);
    EXPECT_EQ(gObjectRegistry::Find(TextToHandle(AddressToText(second))), second);
}

}  // namespace
