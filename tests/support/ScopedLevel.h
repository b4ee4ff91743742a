// A level for tests of code that reads gLevel: a CPLevel with a player unit that drives a FakeCar,
// installed as gLevel for the test's duration. The previous gLevel comes back when it goes.
#pragma once

#include "core/ServiceGlobals.h"
#include "simulation/level/CPLevel.h"
#include "simulation/units/CPPlayer.h"
#include "support/ScopedGlobal.h"
#include "support/SimulationDoubles.h"

class ScopedLevel {
public:
    ScopedLevel() {
        mPlayer.SetCar(&mCar);
        mLevel->mPlayer = &mPlayer;
    }
    ~ScopedLevel() {
        delete mLevel;  // clears gLevel when it is still this level; the guard then restores it
        mPlayer.SetCar(nullptr);
    }
    ScopedLevel(const ScopedLevel&) = delete;
    ScopedLevel& operator=(const ScopedLevel&) = delete;

    CPLevel& Level() { return *mLevel; }
    CPPlayer& Player() { return mPlayer; }
    FakeCar& Car() { return mCar; }

private:
    FakeCar mCar;
    CPPlayer mPlayer;
    CPLevel* mLevel = new CPLevel();
    ScopedGlobal<CPLevel*> mInstall{gLevel, mLevel};
};
