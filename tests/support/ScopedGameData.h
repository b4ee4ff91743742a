// A game data record installed as gGameData for a test's duration; the previous one comes back when it goes.
#pragma once

#include "core/ServiceGlobals.h"
#include "simulation/level/CPGameData.h"
#include "support/ScopedGlobal.h"

class ScopedGameData {
public:
    ScopedGameData() = default;
    ScopedGameData(const ScopedGameData&) = delete;
    ScopedGameData& operator=(const ScopedGameData&) = delete;

    CPGameData& Data() { return mData; }
    CPGameData* operator->() { return &mData; }

private:
    CPGameData mData;
    ScopedGlobal<CPGameData*> mInstall{gGameData, &mData};
};
