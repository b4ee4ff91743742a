// A race for tests and benchmarks of pick-ups: gLevel with its race clock running, gGameData with its
// bonus list, a dispatcher with running "game_interface" and "main" receivers, and builders of bonus
// objects and race units standing on them. Everything is put back when the rig goes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/CPCommandDispatcher.h"
#include "core/CPCommandTask.h"
#include "core/ServiceGlobals.h"
#include "simulation/level/CPLevel.h"
#include "simulation/units/CPPlayer.h"
#include "support/CommandLog.h"
#include "support/ScopedGameData.h"
#include "support/ScopedGlobal.h"
#include "support/ScopedTaskKernel.h"

class BonusRig {
public:
    BonusRig() : mLevelGuard(gLevel, &mLevel), mDispatcherGuard(gCommandDispatcher, &mDispatcher) {
        mLevel.mRaceClockOn = true;
        for (CPCommandTask* receiver : {&mInterface, &mMain}) mKernel.AddTask(receiver);
        mDispatcher.Register(&mInterface, "game_interface");
        mDispatcher.Register(&mMain, "main");
    }
    ~BonusRig() {
        mData->mBonusList.clear();
        mDispatcher.Unregister(&mInterface);
        mDispatcher.Unregister(&mMain);
    }
    BonusRig(const BonusRig&) = delete;
    BonusRig& operator=(const BonusRig&) = delete;

    // A bonus object of that name at the position, 2 x 2 x 2 units, with empty children of the given
    // names (each of the same size), entered in the bonus list. The rig owns it.
    CPGameObject* AddBonus(const std::string& name, const D3DXVECTOR3& position,
                           const std::vector<std::string>& children = {}) {
        mObjects.push_back(std::make_unique<CPGameObject>(name));
        CPGameObject* bonus = mObjects.back().get();
        bonus->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1)));
        for (const std::string& childName : children) {
            auto* child = new CPGameObject(childName);
            child->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 1, 1)));
            bonus->AddOwnedChild(CPSmartPtr<CPGameObject>(child));
        }
        bonus->SetPosition(position);
        bonus->UpdateTransform();
        mData->mBonusList.emplace_back(bonus, 0);
        return bonus;
    }

    // A race unit of 2 x 4 x 2 units at the position with the side flags. The rig owns it.
    CPPlayer* AddUnit(int32_t sides, const D3DXVECTOR3& position = D3DXVECTOR3(0, 0, 0)) {
        mUnits.push_back(std::make_unique<CPPlayer>());
        CPPlayer* unit = mUnits.back().get();
        unit->SetBoundingBox(CPBoundingBox(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 2, 1)));
        unit->SetSideFlags(sides);
        unit->SetPosition(position);
        unit->UpdateTransform();
        return unit;
    }

    std::vector<std::string> InterfaceCommands() { return DrainCommandTexts(mInterface); }
    std::vector<std::string> MainCommands() { return DrainCommandTexts(mMain); }
    CPLevel& Level() { return mLevel; }
    CPGameData& Data() { return mData.Data(); }

private:
    ScopedTaskKernel mKernel;
    CPLevel mLevel;
    ScopedGlobal<CPLevel*> mLevelGuard;
    ScopedGameData mData;
    CPCommandDispatcher mDispatcher;
    ScopedGlobal<CPCommandDispatcher*> mDispatcherGuard;
    CPCommandTask mInterface;
    CPCommandTask mMain;
    std::vector<std::unique_ptr<CPGameObject>> mObjects;
    std::vector<std::unique_ptr<CPPlayer>> mUnits;
};
