// A task kernel that is gTaskKernel while the object lives; the previous kernel comes back after.
// Declare it before the objects and tasks of a test, so that they die while it is still installed.
#pragma once

#include "core/CPTaskKernel.h"
#include "core/ServiceGlobals.h"
#include "support/ScopedGlobal.h"

class ScopedTaskKernel : public CPTaskKernel {
public:
    ScopedTaskKernel() = default;
    ScopedTaskKernel(const ScopedTaskKernel&) = delete;
    ScopedTaskKernel& operator=(const ScopedTaskKernel&) = delete;

private:
    // Restored before the kernel itself is destroyed.
    ScopedGlobal<CPTaskKernel*> mInstall{gTaskKernel, this};
};
