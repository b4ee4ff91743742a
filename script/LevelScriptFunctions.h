// Native script functions of the level's life (create, load, start, stop, delete), the rules of the next
// race kept in the level and the game data, the race clocks as minutes, seconds and hundredths, the
// mission's checkpoints, and the global timer task.
#pragma once

#include <lua.hpp>

class CPTask;

// The host's frame-time task that StartGlobalTimer and StopGlobalTimer run and stop; null: none.
extern CPTask* gGlobalTimer;

namespace ScriptFunctions {
// level life
int InitLevel(lua_State* L);
int StartLevel(lua_State* L);
int StopLevel(lua_State* L);
int DeleteLevel(lua_State* L);
// level settings
int SetLevelTransportCount(lua_State* L);
int SetLevelTime(lua_State* L);
int SetUpdateTime(lua_State* L);
int IsRaceStarted(lua_State* L);
int SetReversed(lua_State* L);
int SetPlaceToFinish(lua_State* L);
int IsSingleMode(lua_State* L);
int IsTimeMode(lua_State* L);
int ClearLevelTimers(lua_State* L);
int SetTimeBonus(lua_State* L);
// race settings in the game data
int SetNumRounds(lua_State* L);
int GetRoundsNumber(lua_State* L);
int GetCurrentRound(lua_State* L);
int SetRoundTime(lua_State* L);
int GetRoundTime(lua_State* L);
int GetCurrentMission(lua_State* L);  // also GetCurrentRace
int SetCurrentMission(lua_State* L);  // also SetCurrentRace
int SetSingle(lua_State* L);
int IsSingle(lua_State* L);
int SetTimeAttack(lua_State* L);
int IsTimeAttack(lua_State* L);
int SetLevelStarted(lua_State* L);
int IsLevelStarted(lua_State* L);
// race clocks
int GetTime(lua_State* L);
int GetTimeBest(lua_State* L);
int GetTimeAttack(lua_State* L);
int GetBestTimeAttack(lua_State* L);
int GetBestTimeAttack2(lua_State* L);
int GetCheckpointTime(lua_State* L);
int GetFullTime(lua_State* L);
int UpdateRoundsTime(lua_State* L);
// mission checkpoints
int LoadMissionInfo(lua_State* L);
int GetCheckPointsCount(lua_State* L);
int GetCheckPointInfo(lua_State* L);
int ChangeCheckpointPosition(lua_State* L);
int ShowCheckPoint(lua_State* L);
// global timer
int StartGlobalTimer(lua_State* L);
int StopGlobalTimer(lua_State* L);
int ClearTimer(lua_State* L);  // also ClearGlobalTimer
}  // namespace ScriptFunctions
