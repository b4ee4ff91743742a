// Base of everything the draw queue batches: the queue and the dynamic vertex ring pull each drawable's
// geometry through these operations once per frame, grouped by the material it returns.
#pragma once

#include <cstdint>

#include "Render/PVertex.h"
#include "core/CPRefObject.h"
#include "core/CPSmartPtr.h"

class CPGameObject;
class CPMaterial;

class CPRenderable : public CPRefObject {
public:
    // True when the object writes no geometry into the dynamic batch.
    virtual bool IsSkipped() const = 0;
    virtual void SetSkipped(bool skipped) = 0;
    // How many vertices and indices the next fill writes.
    virtual int32_t GetVertexCount() const = 0;
    virtual int32_t GetIndexCount() const = 0;
    // Writes GetVertexCount vertices and GetIndexCount indices, each index plus baseIndex in 16 bits.
    // False when nothing was written: a skipped object, nothing to write, or geometry that would reach
    // past the 65,536 vertices a batch can address from baseIndex. flag: passed by the ring, unused.
    virtual bool FillVertices(CPVertex* vertices, uint16_t* indices, uint16_t baseIndex, int32_t flag) = 0;
    // Copies the index list unchanged and reports its first and last value; the int is unused.
    virtual void CopyIndices(uint16_t* indices, int32_t unused, uint16_t& first, uint16_t& last) = 0;
    // The material the queue groups this object by (counted); may be empty.
    virtual CPSmartPtr<CPMaterial> GetMaterial() const = 0;

    // Called by a game object that is being destroyed: a renderable that keeps a plain link to it as
    // its owner drops the link.
    virtual void DetachOwner(const CPGameObject* /*owner*/) {}
};
