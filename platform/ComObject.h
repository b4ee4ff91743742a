// What every COM object of the stand-ins shares: a reference count that starts at 1 and whose last
// Release deletes the object, and the answer to QueryInterface for the interfaces it implements.
#pragma once

#include <initializer_list>

#include "platform/Com.h"

template <class Interface>
class ComObject : public Interface {
public:
    ULONG AddRef() override { return ++mReferences; }
    ULONG Release() override {
        ULONG left = --mReferences;
        if (left == 0) delete this;
        return left;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;

    // Hands out this object as Interface (counted) when `iid` is IUnknown or one of `others`.
    HRESULT QueryAs(REFIID iid, void** object, std::initializer_list<const IID*> others = {}) {
        if (!object) return E_POINTER;
        *object = nullptr;
        bool known = iid == IID_IUnknown;
        for (const IID* other : others) known = known || iid == *other;
        if (!known) return E_NOINTERFACE;
        *object = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }

private:
    ULONG mReferences = 1;
};
