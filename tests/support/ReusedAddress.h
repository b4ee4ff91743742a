// Builds objects one after another at one address the test owns, so that an object made after a
// delete is sure to take the deleted one's address. (The sanitizer build holds freed heap memory back,
// so plain `new` would not hand the address out again.)
#pragma once

#include <cstddef>
#include <new>
#include <utility>

template <class T>
class ReusedAddress {
public:
    ReusedAddress() = default;
    ~ReusedAddress() { Destroy(); }
    ReusedAddress(const ReusedAddress&) = delete;
    ReusedAddress& operator=(const ReusedAddress&) = delete;

    // Destroys the object living here, if any, and builds a new one in its place.
    template <class... Args>
    T* Make(Args&&... args) {
        Destroy();
        mObject = new (mStorage) T(std::forward<Args>(args)...);
        return mObject;
    }
    // Runs the destructor of the object living here: what `delete` does, without freeing the storage.
    void Destroy() {
        if (mObject) mObject->~T();
        mObject = nullptr;
    }
    const void* Address() const { return mStorage; }

private:
    alignas(T) std::byte mStorage[sizeof(T)];
    T* mObject = nullptr;
};
