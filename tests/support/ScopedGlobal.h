// Swaps a global for the rest of a scope: the global takes the new value at once and gets its previous
// value back when the guard goes, also when an ASSERT_ leaves the test early. Without a new value the
// global keeps its value and only gets it back at the end: for globals that the code under test sets.
#pragma once

#include <utility>

template <typename T>
class ScopedGlobal {
public:
    ScopedGlobal(T& global, T value) : mGlobal(global), mPrevious(std::move(global)) { mGlobal = std::move(value); }
    explicit ScopedGlobal(T& global) : mGlobal(global), mPrevious(global) {}
    ~ScopedGlobal() { mGlobal = std::move(mPrevious); }
    ScopedGlobal(const ScopedGlobal&) = delete;
    ScopedGlobal& operator=(const ScopedGlobal&) = delete;

    const T& Previous() const { return mPrevious; }

private:
    T& mGlobal;
    T mPrevious;
};
