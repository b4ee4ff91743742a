// What a window needs of the interface screen that built it: the receiver of its clicks and the
// rebuild of the screen's quad batch. The screen implements it and owns its windows.
#pragma once

#include "core/CPCommandTask.h"
#include "core/CPSmartPtr.h"

class CPWindowOwner {
public:
    // The screen's controller, which receives "window" and "button"; empty when it has none.
    virtual CPSmartPtr<CPCommandTask> GetCommandTarget() const = 0;
    // Rebuilds the batch of window quads from the windows' current quads.
    virtual void UpdateBuffers() = 0;

protected:
    ~CPWindowOwner() = default;
};
