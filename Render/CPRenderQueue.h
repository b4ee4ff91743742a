// A frame's draw queue of renderables grouped by material. The renderer holds two (the draw queue and
// the branch queue of static level geometry); the host creates them. Only what the renderer needs of
// the queue is here; the batching builds on it.
#pragma once

#include <string>

#include "core/CPRefObject.h"

class CPRenderQueue : public CPRefObject {
public:
    size_t GetSize() const override { return sizeof(CPRenderQueue); }
    std::string GetClassName() const override { return "CPRenderQueue"; }
};
