// A request to launch a named effect: where it starts, how it moves, the values handed to it, and
// optionally a chain of further records that travel with it (a particle system's other emitters).
#pragma once

#include <cstdint>
#include <string>

#include "core/CPSmartPtr.h"
#include "platform/D3DX9Math.h"

class CPGameObject;

// One particle of a launched effect, as the effect's contact hook sees it.
struct CPEffectParticle {
    D3DXVECTOR3 position;
    D3DXVECTOR3 previousPosition;
    float radius = 0.0f;
    float age = 0.0f;  // seconds; the hook may raise it to end the particle
};

// Called by an effect for its particles (weapon fire uses it to burn what the flame touches).
using CPContactHook = void (*)(CPGameObject* owner, CPEffectParticle& particle);

// Not an engine object: records live on their caller's stack, chained records on the heap.
struct CPEffectRecord {
    std::string Name;  // effect to launch; a name the spawner does not hold launches nothing
    D3DXVECTOR3 Position;
    D3DXVECTOR3 Velocity;
    D3DXVECTOR3 Acceleration;  // constant; shell casings fall with (0, 0, -24.8)
    float Size = 0.0f;         // the effect's first parameter
    float Param = 0.0f;        // the effect's second parameter
    float Life = 0.0f;         // seconds
    uint8_t Flag = 0;
    uint8_t Flag2 = 0;
    CPEffectRecord* Next = nullptr;     // owned; destroyed with this record
    CPContactHook ContactHook = nullptr;
    CPSmartPtr<CPGameObject> Owner;     // handed to the effect

    // Empty name, every vector, value and flag zero, no chain, hook or owner.
    CPEffectRecord();
    // Destroys the chain and lets go of the owner.
    ~CPEffectRecord();

    // Takes over the source's chain and owner; the source is left without them.
    CPEffectRecord(CPEffectRecord&& source) noexcept;
    CPEffectRecord(const CPEffectRecord&) = delete;

    // Copies name, vectors, values and flags, and the source's chain record by record into new records.
    // The hook and the owner are not copied. A chain the target held before is destroyed, after the copy
    // (so a record can be assigned a record of its own chain).
    CPEffectRecord& operator=(const CPEffectRecord& source);

    // The deleting form of the destructor: with bit 0 of `flags` the record (a heap record) is destroyed
    // and freed; without it the record only lets go of its chain, owner and name and stays usable.
    void Delete(int32_t flags);

    // Number of records in the chain after this one.
    size_t ChainLength() const;

private:
    // Copies the plain fields (everything but the chain, the hook and the owner).
    void CopyFields(const CPEffectRecord& source);
    // Frees the chain front to back without recursion: a long chain cannot exhaust the stack.
    static void FreeChain(CPEffectRecord* first);
};
