// For tests and benchmarks that load a level: the render-description rig (working folder, caches,
// renderer, task kernel, emitters, builder) with the test data tree written into its folder, and the
// game data, physics world, vehicle updater, command dispatcher and a fresh level installed in the
// globals. The level and everything it built go before the rest; the settings are restored.
#pragma once

#include <memory>
#include <string>

#include "core/CPCommandDispatcher.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "simulation/enemies/CPVehicleUpdater.h"
#include "simulation/level/CPLevel.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "support/DescriptionBuildRig.h"
#include "support/ScopedGameData.h"
#include "support/ScopedGlobal.h"
#include "support/TestLevelTree.h"

class LevelLoadRig {
public:
    // Writes the tree (as given) and makes the player's car the tree's.
    explicit LevelLoadRig(const TestLevelTree& tree = TestLevelTree()) : mTree(tree) {
        gSettings::weight_div = 1;
        mTree.Write(Folder());
        gameData->mPlayerName = mTree.playerCar;
    }
    ~LevelLoadRig() {
        DeleteLevel();
        gSettings::RestoreInitialValues();
    }
    LevelLoadRig(const LevelLoadRig&) = delete;
    LevelLoadRig& operator=(const LevelLoadRig&) = delete;

    // Loads the tree's level into the level.
    bool Load(bool singleRace = false, bool timeAttack = false) {
        return Level().Load(mTree.levelName, singleRace, timeAttack);
    }
    CPLevel& Level() {
        if (!mLevel) {
            mLevel = std::make_unique<CPLevel>();
            gLevel = mLevel.get();
        }
        return *mLevel;
    }
    // Deletes the level with everything it built (a later Level() makes a fresh one).
    void DeleteLevel() {
        updater.ClearVehicleLists();
        mLevel.reset();
        gLevel = mLevelGuard.Previous();
    }
    const TempFolder& Folder() { return mBuild.Caches().Folder(); }
    const TestLevelTree& Tree() const { return mTree; }

    // In this order: the builder's rig outlives everything made with it.
    DescriptionBuildRig mBuild;
    ScopedGameData gameData;
    CPPhysicWorld physics;
    CPVehicleUpdater updater;
    CPCommandDispatcher dispatcher;

private:
    ScopedGlobal<CPPhysicWorld*> mPhysicsGuard{gPhysicsWorld, &physics};
    ScopedGlobal<CPVehicleUpdater*> mUpdaterGuard{gLevelUpdater, &updater};
    ScopedGlobal<CPCommandDispatcher*> mDispatcherGuard{gCommandDispatcher, &dispatcher};
    ScopedGlobal<CPLevel*> mLevelGuard{gLevel};  // restores gLevel whatever becomes of the level
    TestLevelTree mTree;
    std::unique_ptr<CPLevel> mLevel;
};
