#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/CPCommandDispatcher.h"
#include "core/CPCommandTask.h"
#include "core/CPTaskKernel.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "host/EngineHost.h"
#include "platform/RuntimeRandom.h"
#include "script/CPGameData.h"
#include "simulation/level/CPLevel.h"
#include "simulation/level/CPLine.h"
#include "simulation/units/CPPlayer.h"
#include "support/CommandLog.h"
#include "support/LuaScriptRig.h"
#include "support/ManualClock.h"
#include "support/TempFolder.h"
#include "support/TestLevelTree.h"

namespace {

// What one race left behind: every command the scripts received, and where the player's car ended.
struct RaceOutcome {
    std::vector<std::string> commands;  // "receiver>command:params" in arrival order, frame by frame
    D3DXVECTOR3 position;
    D3DXQUATERNION rotation;
    int32_t frames = 0;
    int32_t lapMessageFrame = -1;  // the frame of the last lap message
    int32_t resultFrame = -1;      // the frame of "game_over"
};

// A whole race of two rounds on the test data tree, started by a script and run by the engine host at
// 1/60 s a frame, with the player's car placed a third of a path line further before every frame.
RaceOutcome RunRace() {
    RaceOutcome outcome;
    ScopedWorkingFolder work;
    TestLevelTree tree;
    tree.Write(work.Folder());
    ManualClock clock(0);
    EngineHost host;
    host.Startup();
    gSettings::weight_div = 1;
    gGameData->mPlayerName = tree.playerCar;
    RuntimeSrand(7);
    {
        CPCommandTask gamemenu, gameInterface, jeep;
        const std::pair<const char*, CPCommandTask*> receivers[] = {
            {"gamemenu", &gamemenu}, {"game_interface", &gameInterface}, {"jeep", &jeep}};
        for (const auto& [name, receiver] : receivers) {
            gTaskKernel->AddTask(receiver);
            gCommandDispatcher->Register(receiver, name);
        }
        LuaScriptRig lua;
        EXPECT_EQ(lua.Run("SetNumRounds(2) InitLevel('level1', true) StartLevel()"), "");
        CPLevel* level = gLevel;
        EXPECT_TRUE(level && level->IsStarted());
        auto drain = [&](int32_t frame) {
            for (const auto& [name, receiver] : receivers) {
                for (const std::string& text : DrainCommandTexts(*receiver)) {
                    // The per-step turn arrows of the player's unit are the display's, not the race's.
                    if (text.rfind("update_arrows", 0) == 0) continue;
                    outcome.commands.push_back(std::string(name) + ">" + text);
                    if (text.find("krug") != std::string::npos) outcome.lapMessageFrame = frame;
                    if (text == "game_over") outcome.resultFrame = frame;
                }
            }
        };
        drain(0);
        const size_t n = level && level->IsStarted() ? level->mPathPoints.size() : 0;
        // Three frames a path line: 3.5 units a frame, 210 units a second.
        for (int32_t frame = 1; n > 0 && frame <= 9 * static_cast<int32_t>(n) && outcome.resultFrame < 0; ++frame) {
            const CPLine* line = level->mPathPoints[static_cast<size_t>(frame / 3) % n];
            const D3DXVECTOR3 at = line->mP0 + (line->mP1 - line->mP0) * (static_cast<float>(frame % 3) / 3.0f);
            level->mPlayer->SetPosition(D3DXVECTOR3(at.x, at.y, TestLevelTree::kPlayerHeight));
            clock.AdvanceUs(16667);
            host.Frame();
            drain(frame);
            outcome.frames = frame;
        }
        if (level && level->mPlayer) {
            outcome.position = level->mPlayer->GetPosition();
            outcome.rotation = level->mPlayer->GetRotation();
        }
        EXPECT_EQ(lua.Run("StopLevel() DeleteLevel()"), "");
        for (const auto& [name, receiver] : receivers) gCommandDispatcher->Unregister(receiver);
    }
    host.Shutdown();
    gSettings::RestoreInitialValues();
    return outcome;
}

TEST(WholeRaceTest, AScriptStartsARaceThatRunsToItsFinish) {
    const RaceOutcome race = RunRace();
    EXPECT_EQ(race.commands, (std::vector<std::string>{
                                 "gamemenu>set_money:0.00",
                                 "gamemenu>init_game_interface",
                                 "game_interface>show_message:posledniy_krug!",
                                 "game_interface>place:1st",
                                 "game_interface>show_message:finish!",
                                 "jeep>game_over",
                             }));
    EXPECT_GT(race.lapMessageFrame, 0) << race.frames;
    EXPECT_GT(race.resultFrame, race.lapMessageFrame);
}

TEST(WholeRaceTest, TheSameRaceRunsTheSameTwice) {
    const RaceOutcome first = RunRace();
    const RaceOutcome second = RunRace();
    EXPECT_EQ(first.commands, second.commands);
    EXPECT_EQ(first.frames, second.frames);
    EXPECT_EQ(std::memcmp(&first.position, &second.position, sizeof first.position), 0);
    EXPECT_EQ(std::memcmp(&first.rotation, &second.rotation, sizeof first.rotation), 0);
}

}  // namespace
