// Base of every projectile and flying effect the object factory hands out: a game object that can be
// cloned from a prototype and launched again and again.
#pragma once

#include <cstdint>
#include <string>

#include "core/CPGameObject.h"
#include "core/CPSmartPtr.h"
#include "platform/D3DX9Math.h"

class CPShot : public CPGameObject {
public:
    // Every shot's object name is "CPShot"; the kind name says what it was made for.
    explicit CPShot(const std::string& kindName) : CPGameObject("CPShot"), mKindName(kindName) {}
    // Leaves the object factories' lists.
    ~CPShot() override;

    // A new shot of the same kind, owned by the caller; empty for a kind that cannot be cloned.
    virtual CPSmartPtr<CPShot> Clone() = 0;
    // Starts the shot at the position along the direction. extra: a value only some callers give (the
    // weapons pass the address of the shooting car's speed, hence pointer-sized); owner and extra are
    // not kept.
    virtual void Launch(const D3DXVECTOR3& position, const D3DXVECTOR3& direction, float value,
                        CPSmartPtr<CPGameObject> owner, intptr_t extra) = 0;

    const std::string& GetKindName() const { return mKindName; }

private:
    std::string mKindName;
};
