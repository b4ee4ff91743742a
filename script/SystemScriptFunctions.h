// Native script functions for named sounds, music, the two video players, a few settings, the
// warning screen and the shell.
#pragma once

#include <lua.hpp>

namespace ScriptFunctions {
// sound effects
int PlaySpecialSound(lua_State* L);
int PlaySpecialSound3D(lua_State* L);
int UpdateSoundPosition(lua_State* L);
int StopSpecialSound(lua_State* L);
int IsSpecialSoundPlaying(lua_State* L);
int StopSounds(lua_State* L);
int GetSoundVolume(lua_State* L);
int SetSoundVolume(lua_State* L);
int GetMusicVolume(lua_State* L);
int SetMusicVolume(lua_State* L);
// music
int PlayMusic(lua_State* L);
int PlayMusicNoLoop(lua_State* L);
// Bound as StopPlayingMusic and StopMusic.
int StopMusic(lua_State* L);
int GetMusicName(lua_State* L);
// video
int PlayVideo(lua_State* L);
int PlayVideoNoSound(lua_State* L);
int PlayVideo1(lua_State* L);
int StopVideo(lua_State* L);
int StopVideo1(lua_State* L);
// settings and screen
int GetMouse(lua_State* L);
int SetMouse(lua_State* L);
int GetBrightness(lua_State* L);
// Bound as SetBrightness and DumpAIInfo: does nothing.
int DoNothing(lua_State* L);
int GetCurrentResolution(lua_State* L);
int GetScreenSize(lua_State* L);
int IsWeather(lua_State* L);
int InitWarning(lua_State* L);
int SetLensFlare(lua_State* L);
int GetAICount(lua_State* L);
int SaveLog(lua_State* L);
// system
int GoURLlink(lua_State* L);
int GoURL(lua_State* L);
int IsFileExists(lua_State* L);
}  // namespace ScriptFunctions
