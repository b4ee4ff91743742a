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
#include "simulation/enemies/AI_Vehicle.h"
#include "simulation/level/CPGameData.h"
#include "simulation/level/CPLevel.h"
#include "simulation/level/CPLine.h"
#include "simulation/units/CPPlayer.h"
#include "simulation/vehicle/CPCar.h"
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
    std::vector<int32_t> commandFrames;  // the frame each command arrived in
    int32_t lapMessageFrame = -1;  // the frame of the last lap message
    int32_t finishFrame = -1;      // the frame in which the player's last lap was counted
    int32_t resultFrame = -1;      // the frame of "game_over"
    int32_t respawns = 0;          // times the race put the player's car back on the path
    std::vector<int32_t> unitProgress;  // path points each other unit advanced, in unit order
};

// How the player's car goes round: placed a third of a path line further before every frame (3.5 units
// a frame, 210 units a second), or driven by its own controls.
enum class Driving { Placed, Driven };

// A whole race of two rounds on the test data tree, started by a script and run by the engine host at
// 1/60 s a frame.
RaceOutcome RunRace(Driving driving) {
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
        EXPECT_EQ(lua.Run("SetNumRounds(2) InitLevel('level1', false) StartLevel()"), "");
        CPLevel* level = gLevel;
        EXPECT_TRUE(level && level->IsStarted());
        auto drain = [&](int32_t frame) {
            for (const auto& [name, receiver] : receivers) {
                for (const std::string& text : DrainCommandTexts(*receiver)) {
                    // The per-step turn arrows of the player's unit are the display's, not the race's.
                    if (text.rfind("update_arrows", 0) == 0) continue;
                    outcome.commands.push_back(std::string(name) + ">" + text);
                    outcome.commandFrames.push_back(frame);
                    if (text.find("krug") != std::string::npos) outcome.lapMessageFrame = frame;
                    if (text == "game_over") outcome.resultFrame = frame;
                }
            }
        };
        drain(0);
        const size_t n = level && level->IsStarted() ? level->mPathPoints.size() : 0;
        AI_Vehicle driver;
        driver.SetPath(AI_Vehicle::kPathSlot, nullptr);
        // Two laps placed take 6 n frames; driven, the car laps the 817-unit circle in about 30 s.
        const int32_t frameLimit = driving == Driving::Placed ? 9 * static_cast<int32_t>(n) : 3 * 60 * 60;
        for (int32_t frame = 1; n > 0 && frame <= frameLimit && outcome.resultFrame < 0; ++frame) {
            CPPlayer* player = level->mPlayer;
            const float cooldown = player->mRespawnCooldown;
            if (driving == Driving::Placed) {
                const CPLine* line = level->mPathPoints[static_cast<size_t>(frame / 3) % n];
                const D3DXVECTOR3 at = line->mP0 + (line->mP1 - line->mP0) * (static_cast<float>(frame % 3) / 3.0f);
                player->SetPosition(D3DXVECTOR3(at.x, at.y, TestLevelTree::kPlayerHeight));
            } else {
                // Full throttle, steering toward the path as the engine's own driving step steers. The car
                // is faster than the test circle allows: it rolls in the bends and the race puts it back
                // on the path, which the lap count survives.
                const CPCar* car = player->GetCar();
                driver.Drive(player, level->mForward, car ? car->mSpeed : 0.0f, CPSmartPtr<CPPlayer>(player), 0, 0);
                player->SetControls(1.0f, driver.ComputeControls().steering);
            }
            clock.AdvanceUs(16667);
            host.Frame();
            drain(frame);
            if (player->mRespawnCooldown > cooldown) ++outcome.respawns;
            if (outcome.finishFrame < 0 && gGameData->mCurrentLap > gGameData->mRoundCount) outcome.finishFrame = frame;
            outcome.frames = frame;
        }
        if (level) {
            for (size_t i = 0; i < level->mEnemies.size(); ++i)
                outcome.unitProgress.push_back(gGameData->mUnitRaces[std::to_string(i)].mProgress);
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

class WholeRaceTest : public ::testing::TestWithParam<Driving> {};

TEST_P(WholeRaceTest, AScriptStartsARaceThatRunsToItsFinish) {
    const RaceOutcome race = RunRace(GetParam());
    RecordProperty("frames", race.frames);
    RecordProperty("respawns", race.respawns);
    ASSERT_EQ(race.commands, (std::vector<std::string>{
                                 "gamemenu>set_money:0.00",
                                 "gamemenu>init_game_interface",
                                 "game_interface>show_message:posledniy_krug!",
                                 "game_interface>place:1st",
                                 "game_interface>show_message:finish!",
                                 "jeep>game_over",
                             }));
    EXPECT_GT(race.lapMessageFrame, 0) << race.frames;
    EXPECT_GT(race.finishFrame, race.lapMessageFrame);
    // The AI cars drove the same way round: their laps count forward too.
    ASSERT_EQ(race.unitProgress.size(), 2u);
    for (int32_t progress : race.unitProgress) EXPECT_GT(progress, 5);
    // The result comes one frame after the last lap was counted, all of it in that frame.
    for (size_t i = 3; i < race.commands.size(); ++i) EXPECT_EQ(race.commandFrames[i], race.finishFrame + 1) << i;
}

TEST_P(WholeRaceTest, TheSameRaceRunsTheSameTwice) {
    const RaceOutcome first = RunRace(GetParam());
    const RaceOutcome second = RunRace(GetParam());
    EXPECT_EQ(first.commands, second.commands);
    EXPECT_EQ(first.commandFrames, second.commandFrames);
    EXPECT_EQ(first.frames, second.frames);
    EXPECT_EQ(first.respawns, second.respawns);
    EXPECT_EQ(first.unitProgress, second.unitProgress);
    EXPECT_EQ(std::memcmp(&first.position, &second.position, sizeof first.position), 0);
    EXPECT_EQ(std::memcmp(&first.rotation, &second.rotation, sizeof first.rotation), 0);
}

INSTANTIATE_TEST_SUITE_P(PlacedAndDriven, WholeRaceTest, ::testing::Values(Driving::Placed, Driving::Driven),
                         [](const ::testing::TestParamInfo<Driving>& info) {
                             return info.param == Driving::Placed ? "Placed" : "Driven";
                         });

}  // namespace
