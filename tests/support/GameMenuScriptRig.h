// A Lua state with the script tables over fresh game data, in a temporary working folder, with a
// running "gamemenu" receiver (category "interface") that reads what the functions post to it.
// The dispatcher and the difficulty setting are restored afterwards.
#pragma once

#include <gtest/gtest.h>

#include "core/CPCommandDispatcher.h"
#include "core/CPCommandTask.h"
#include "core/config/Settings.h"
#include "support/LuaScriptRig.h"
#include "support/ScopedGameData.h"
#include "support/ScopedGlobal.h"
#include "support/ScopedTaskKernel.h"
#include "support/TempFolder.h"

class GameMenuScriptRig : public ::testing::Test {
protected:
    GameMenuScriptRig() {
        kernel.AddTask(&gamemenu);  // commands go to running receivers only
        dispatcher.Register(&gamemenu, "gamemenu", "interface");
    }
    ~GameMenuScriptRig() override {
        dispatcher.Unregister(&gamemenu);
    }

    ScopedWorkingFolder work;
    ScopedTaskKernel kernel;
    CPCommandDispatcher dispatcher;
    CPCommandTask gamemenu;
    ScopedGameData data;
    LuaScriptRig lua;

private:
    ScopedGlobal<CPCommandDispatcher*> mInstallDispatcher{gCommandDispatcher, &dispatcher};
    ScopedGlobal<int32_t> mDifficulty{gSettings::cam_speed};
};
