#include "Render/PEffectRecord.h"

#include "core/CPGameObject.h"

CPEffectRecord::CPEffectRecord()
    : Position(0.0f, 0.0f, 0.0f), Velocity(0.0f, 0.0f, 0.0f), Acceleration(0.0f, 0.0f, 0.0f) {}

CPEffectRecord::~CPEffectRecord() {
    FreeChain(Next);
    Next = nullptr;
    ReleaseIfAlive(Owner);
}

CPEffectRecord::CPEffectRecord(CPEffectRecord&& source) noexcept
    : Name(std::move(source.Name)),
      Position(source.Position),
      Velocity(source.Velocity),
      Acceleration(source.Acceleration),
      Size(source.Size),
      Param(source.Param),
      Life(source.Life),
      Flag(source.Flag),
      Flag2(source.Flag2),
      Next(source.Next),
      ContactHook(source.ContactHook) {
    source.Next = nullptr;
    Owner.Swap(source.Owner);
}

void CPEffectRecord::CopyFields(const CPEffectRecord& source) {
    if (&source != this) Name = source.Name;
    Position = source.Position;
    Velocity = source.Velocity;
    Acceleration = source.Acceleration;
    Size = source.Size;
    Param = source.Param;
    Life = source.Life;
    Flag = source.Flag;
    Flag2 = source.Flag2;
}

CPEffectRecord& CPEffectRecord::operator=(const CPEffectRecord& source) {
    // The copy of the chain is made before the old chain goes: the source may be part of it.
    CPEffectRecord* copiedChain = nullptr;
    CPEffectRecord** link = &copiedChain;
    for (const CPEffectRecord* from = source.Next; from; from = from->Next) {
        *link = new CPEffectRecord;
        (*link)->CopyFields(*from);
        link = &(*link)->Next;
    }
    CopyFields(source);
    CPEffectRecord* oldChain = Next;
    Next = copiedChain;
    FreeChain(oldChain);
    return *this;
}

void CPEffectRecord::Delete(int32_t flags) {
    if (flags & 1) {
        delete this;
        return;
    }
    FreeChain(Next);
    Next = nullptr;
    ReleaseIfAlive(Owner);
    Name.clear();
}

size_t CPEffectRecord::ChainLength() const {
    size_t length = 0;
    for (const CPEffectRecord* record = Next; record; record = record->Next) ++length;
    return length;
}

void CPEffectRecord::FreeChain(CPEffectRecord* first) {
    while (first) {
        CPEffectRecord* next = first->Next;
        first->Next = nullptr;
        delete first;
        first = next;
    }
}
