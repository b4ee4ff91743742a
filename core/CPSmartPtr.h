// Intrusive smart pointer over CPRefObject: AddRef on acquiring, Release on letting go.
// Because Release frees nothing, holding a CPSmartPtr never keeps an object alive nor kills it.
#pragma once

#include <utility>

#include "core/CPRefObject.h"

template <class T>
class CPSmartPtr {
public:
    CPSmartPtr() = default;
    CPSmartPtr(T* object) : mObject(object) {  // NOLINT: implicit, as the engine passes raw pointers
        if (mObject) mObject->AddRef();
    }
    CPSmartPtr(const CPSmartPtr& other) : mObject(other.mObject) {
        if (mObject) mObject->AddRef();
    }
    template <class U>
    CPSmartPtr(const CPSmartPtr<U>& other) : mObject(other.Get()) {  // NOLINT: upcasts
        if (mObject) mObject->AddRef();
    }
    // A move hands the hold over without a call on the object: a vector that grows moves its elements,
    // and an element may name an object its owner has deleted since.
    CPSmartPtr(CPSmartPtr&& other) noexcept : mObject(other.mObject) { other.mObject = nullptr; }
    template <class U>
    CPSmartPtr(CPSmartPtr<U>&& other) noexcept : mObject(other.Get()) {  // NOLINT: upcasts
        other.Forget();
    }
    ~CPSmartPtr() {
        if (mObject) mObject->Release();
    }

    // Release the old object first, then take the new one: assigning the held object again
    // leaves its count at 1.
    CPSmartPtr& operator=(T* object) {
        if (mObject) mObject->Release();
        mObject = object;
        if (mObject) mObject->AddRef();
        return *this;
    }
    CPSmartPtr& operator=(const CPSmartPtr& other) { return *this = other.mObject; }
    // Lets go of the old object and takes over the other's hold; taking over the object already held
    // only empties the other.
    CPSmartPtr& operator=(CPSmartPtr&& other) noexcept {
        if (this == &other) return *this;
        if (mObject != other.mObject && mObject) mObject->Release();
        mObject = other.mObject;
        other.mObject = nullptr;
        return *this;
    }
    // Upcasting assignment without a temporary, whose Release would leave the count at 0.
    template <class U>
    CPSmartPtr& operator=(const CPSmartPtr<U>& other) {
        T* object = other.Get();  // implicit: upcasts only, as the converting constructor
        return *this = object;
    }

    T* Get() const { return mObject; }
    T* operator->() const { return mObject; }
    T& operator*() const { return *mObject; }
    explicit operator bool() const { return mObject != nullptr; }
    void Reset() { *this = static_cast<T*>(nullptr); }

    // Lets go of the object without calling it: for an object that is being destroyed.
    void Forget() { mObject = nullptr; }
    // Exchanges the held objects without a call on either: a hand-over leaves both counts as they were.
    void Swap(CPSmartPtr& other) noexcept { std::swap(mObject, other.mObject); }

private:
    T* mObject = nullptr;
};

template <class T, class U>
bool operator==(const CPSmartPtr<T>& a, const CPSmartPtr<U>& b) {
    return a.Get() == b.Get();
}

// Lets go of a held object: Release when it is still a live engine object, a plain forget when its
// owner has already deleted it (Release on it would touch freed memory).
template <class T>
void ReleaseIfAlive(CPSmartPtr<T>& held) {
    if (held && !gObjectRegistry::Contains(held.Get())) held.Forget();
    held.Reset();
}
