// A concrete shot for tests of whatever fires shots through the object factory: every launch (its own
// and its clones') lands in one shared log, after the base class has turned the shot and played its
// sound. ShotFactoryRig installs a factory with recording prototypes under the names a test asks for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/CPObjectFactory.h"
#include "core/ServiceGlobals.h"
#include "simulation/vehicle/CPShot.h"
#include "support/ScopedGlobal.h"

class RecordingShot : public CPShot {
public:
    struct Launched {
        std::string kind;
        D3DXVECTOR3 position, direction;
        float value;
        CPGameObject* owner;
        intptr_t extra;
    };

    RecordingShot(const std::string& kind, std::vector<Launched>* log) : CPShot(kind), mLog(log) {}

    CPSmartPtr<CPShot> Clone() override { return CPSmartPtr<CPShot>(new RecordingShot(GetKindName(), mLog)); }
    bool Update() override { return false; }
    void Launch(const D3DXVECTOR3& position, const D3DXVECTOR3& direction, float value,
                CPSmartPtr<CPGameObject> owner, intptr_t extra) override {
        CPShot::Launch(position, direction, value, owner, extra);
        mLog->push_back({GetKindName(), position, direction, value, owner.Get(), extra});
    }

private:
    std::vector<Launched>* mLog;
};

// gObjectFactory for one test, with a recording prototype under every name given; the launches of all
// of them in one log.
class ShotFactoryRig {
public:
    explicit ShotFactoryRig(const std::vector<std::string>& names = {}) {
        for (const std::string& name : names) Add(name);
    }
    ShotFactoryRig(const ShotFactoryRig&) = delete;
    ShotFactoryRig& operator=(const ShotFactoryRig&) = delete;

    void Add(const std::string& name) { mFactory.SetPrototype(name, new RecordingShot(name, &mLaunched)); }
    const std::vector<RecordingShot::Launched>& Launched() const { return mLaunched; }
    // The kinds launched, in order.
    std::vector<std::string> Kinds() const {
        std::vector<std::string> kinds;
        for (const auto& launch : mLaunched) kinds.push_back(launch.kind);
        return kinds;
    }
    void Clear() { mLaunched.clear(); }
    CPObjectFactory& Factory() { return mFactory; }

private:
    std::vector<RecordingShot::Launched> mLaunched;
    CPObjectFactory mFactory;
    ScopedGlobal<CPObjectFactory*> mInstall{gObjectFactory, &mFactory};
};
