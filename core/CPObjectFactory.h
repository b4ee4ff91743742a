// The object factory (gObjectFactory): hands out short-lived shot-family objects by name. Each name has
// a cache list whose first entry is the host's prototype and whose later entries wait to be reused; a
// waiting object is handed out before a clone of the prototype is made. A shot deleted elsewhere leaves
// every list.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/CPSmartPtr.h"
#include "platform/D3DX9Math.h"

class CPGameObject;
class CPShot;

class CPObjectFactory {
public:
    // An object the factory launched, with the name it was asked for (its cache list's key).
    struct HandedOut {
        CPSmartPtr<CPShot> object;
        std::string name;
    };
    using CacheList = std::vector<CPSmartPtr<CPShot>>;

    CPObjectFactory();
    // Deletes every prototype it was given and every object it cloned (handed out or waiting), each
    // once. Invalidates every pointer to those objects.
    ~CPObjectFactory();

    CPObjectFactory(const CPObjectFactory&) = delete;
    CPObjectFactory& operator=(const CPObjectFactory&) = delete;

    // Launches an object of the name: the last waiting one (leaving the list), else a clone of the
    // prototype; appends it to the handed-out list. A name without a prototype, or a prototype that
    // cannot be cloned, launches nothing (the name keeps an empty or prototype-only list).
    void CreateByName(const std::string& name, const D3DXVECTOR3& position, const D3DXVECTOR3& direction,
                      float value, CPSmartPtr<CPGameObject> owner, intptr_t extra);

    // The host's side. Hands the prototype to the factory, which owns it from then on, as the first
    // entry of the name's list; an earlier prototype of the name leaves the list but is deleted only with
    // the factory. Refuses (false) an empty object.
    bool SetPrototype(const std::string& name, CPShot* prototype);
    // Moves a handed-out object back to the end of its name's list, to be reused; false when the
    // factory did not hand it out (or it was returned already).
    bool Recycle(CPShot* object);

    const std::list<HandedOut>& GetHandedOut() const { return mHandedOut; }
    // The name's list; null when the name was never asked for nor given a prototype.
    const CacheList* GetCacheList(const std::string& name) const;

private:
    friend class CPShot;
    // Called by a shot that is being destroyed: it leaves the lists of every live factory. A prototype's
    // slot stays, empty, so the objects waiting behind it are still handed out and nothing is cloned.
    static void ForgetEverywhere(CPShot* shot);
    void Forget(CPShot* shot);

    std::list<HandedOut> mHandedOut;  // launch order
    std::unordered_map<std::string, CacheList> mCaches;  // exact name -> prototype, then waiting objects
    std::vector<CPShot*> mPrototypes;  // every prototype given; owned
};
