// What the race rules talk to, for tests of the level's race: fresh game data, a task kernel, and a
// dispatcher with running receivers under the names the race posts to ("gamemenu", "game_interface",
// "jeep") and one in the category "main". The globals come back when the rig goes.
#pragma once

#include <string>
#include <vector>

#include "core/CPCommandDispatcher.h"
#include "core/CPCommandTask.h"
#include "core/FrameClock.h"
#include "support/CommandLog.h"
#include "support/ScopedGameData.h"
#include "support/ScopedGlobal.h"
#include "support/ScopedTaskKernel.h"

class RaceRig {
public:
    RaceRig() {
        for (CPCommandTask* receiver : {&gamemenu, &gameInterface, &jeep, &main}) kernel.AddTask(receiver);
        dispatcher.Register(&gamemenu, "gamemenu");
        dispatcher.Register(&gameInterface, "game_interface");
        dispatcher.Register(&jeep, "jeep");
        dispatcher.Register(&main, "main", "main");
    }
    ~RaceRig() {
        for (CPCommandTask* receiver : {&gamemenu, &gameInterface, &jeep, &main}) dispatcher.Unregister(receiver);
    }
    RaceRig(const RaceRig&) = delete;
    RaceRig& operator=(const RaceRig&) = delete;

    // Everything posted since the last call as "receiver>command:params", receiver by receiver in the
    // order gamemenu, game_interface, jeep, main; the queues are empty afterwards.
    std::vector<std::string> Drain() {
        std::vector<std::string> out;
        const std::pair<const char*, CPCommandTask*> receivers[] = {
            {"gamemenu", &gamemenu}, {"game_interface", &gameInterface}, {"jeep", &jeep}, {"main", &main}};
        for (const auto& [name, receiver] : receivers)
            for (const std::string& text : DrainCommandTexts(*receiver)) out.push_back(std::string(name) + ">" + text);
        return out;
    }

    ScopedTaskKernel kernel;
    CPCommandDispatcher dispatcher;
    CPCommandTask gamemenu;
    CPCommandTask gameInterface;
    CPCommandTask jeep;
    CPCommandTask main;
    ScopedGameData data;

private:
    ScopedGlobal<CPCommandDispatcher*> mInstallDispatcher{gCommandDispatcher, &dispatcher};
    ScopedGlobal<float> mDeltaTime{gDeltaTime};
};
