#include "script/SystemScriptFunctions.h"

#include <cstdio>

#include "Render/PAVIPlayer.h"
#include "Render/PAVIPlayer1.h"
#include "Render/PRender.h"
#include "Sound/NSoundManager.h"
#include "Sound/PMusic.h"
#include "core/CPTaskKernel.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "platform/PathResolver.h"
#include "platform/Shell.h"
#include "script/ScriptCalls.h"

using namespace ScriptCalls;

namespace ScriptFunctions {
namespace {

constexpr int32_t kVideoPriority = 400;

CPSmartPtr<CNSound> NamedSound(const std::string& name) {
    CNSoundManager* manager = gSoundManager;
    return manager ? manager->GetSound(name) : CPSmartPtr<CNSound>();
}

// Stopped and rewound first when it plays, so that it starts from the beginning.
void Restart(CNSound& sound, bool loop) {
    sound.PlayFromStart(loop ? 1 : 0);
}

void PlaceSound(const CPSmartPtr<CNSound>& sound, const D3DVECTOR& position, const D3DVECTOR& velocity) {
    if (CNSoundManager* manager = gSoundManager) manager->SetSoundPosition(sound, position, velocity);
}

// Opens the video, loops it when asked, and hands the player to the kernel.
void StartVideo(PAVIPlayer* player, const std::string& name, bool noSound, bool loop) {
    if (player == nullptr) return;
    player->Open(name, noSound);
    if (loop) player->mCallerFlag = 1;
    player->SetPriority(kVideoPriority);
    if (gTaskKernel) gTaskKernel->AddTask(player);
}

void StopIfRunning(CPTask* player) {
    if (player && player->IsRunning()) player->Stop();
}

bool FileOpensForReading(const std::string& path) {
    FILE* file = OpenFileForRead(path);
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

void OpenWithShell(const std::string& address) { ShellExecuteA(nullptr, "open", address.c_str(), "", "", 1); }

}  // namespace

int PlaySpecialSound(lua_State* L) {
    if (CPSmartPtr<CNSound> sound = NamedSound(CheckedString(L, 1))) Restart(*sound, false);
    return 0;
}

int PlaySpecialSound3D(lua_State* L) {
    const std::string name = CheckedString(L, 1);
    const D3DVECTOR position = ToVector(L, 2);
    const bool loop = IsTrue(L, 5);
    const bool keep = IsTrue(L, 6);
    CPSmartPtr<CNSound> sound = NamedSound(name);
    bool started = true;
    if (sound) {
        PlaceSound(sound, position, D3DVECTOR{0.0f, 0.0f, 0.0f});
        if (keep && sound->IsPlaying())
            started = false;
        else
            Restart(*sound, loop);
    }
    lua_pushboolean(L, started);
    return 1;
}

int UpdateSoundPosition(lua_State* L) {
    const std::string name = PlainString(L, 1);
    const D3DVECTOR position = ToVector(L, 2);
    D3DVECTOR velocity{0.0f, 0.0f, 0.0f};
    if (lua_isnumber(L, 5) && lua_isnumber(L, 6) && lua_isnumber(L, 7)) velocity = ToVector(L, 5);
    PlaceSound(NamedSound(name), position, velocity);
    return 0;
}

int StopSpecialSound(lua_State* L) {
    if (CPSmartPtr<CNSound> sound = NamedSound(CheckedString(L, 1))) sound->Stop();
    return 0;
}

int IsSpecialSoundPlaying(lua_State* L) {
    CPSmartPtr<CNSound> sound = NamedSound(CheckedString(L, 1));
    lua_pushboolean(L, sound && sound->IsPlaying());
    return 1;
}

int StopSounds(lua_State*) {
    if (CNSoundManager* manager = gSoundManager) manager->StopAllSounds();
    return 0;
}

int GetSoundVolume(lua_State* L) {
    lua_pushnumber(L, gSettings::soundVolume);
    return 1;
}

int SetSoundVolume(lua_State* L) {
    gSettings::soundVolume = ToFloat(L, 1);
    if (CNSoundManager* manager = gSoundManager) manager->SetSoundVolume(gSettings::soundVolume);
    return 0;
}

int GetMusicVolume(lua_State* L) {
    lua_pushnumber(L, gSettings::musicVolume);
    return 1;
}

int SetMusicVolume(lua_State* L) {
    gSettings::musicVolume = ToFloat(L, 1);
    if (CNSoundManager* manager = gSoundManager) manager->SetMusicVolume(gSettings::musicVolume);
    return 0;
}

int PlayMusic(lua_State* L) {
    const std::string name = PlainString(L, 1);
    if (gMusicPlayer) gMusicPlayer->Play(name, true);
    return 0;
}

int PlayMusicNoLoop(lua_State* L) {
    const std::string name = PlainString(L, 1);
    if (gMusicPlayer == nullptr) return 0;
    gMusicPlayer->Play(name, false);
    gMusicPlayer->Start();
    return 0;
}

int StopMusic(lua_State*) {
    if (gMusicPlayer) gMusicPlayer->Stop();
    return 0;
}

int GetMusicName(lua_State* L) {
    const std::string name = gMusicPlayer ? gMusicPlayer->GetName() : std::string();
    lua_pushlstring(L, name.data(), name.size());
    return 1;
}

int PlayVideo(lua_State* L) {
    StartVideo(gVideoPlayer, PlainString(L, 1), false, ToBool(L, 2));
    return 0;
}

int PlayVideoNoSound(lua_State* L) {
    StartVideo(gVideoPlayer, PlainString(L, 1), true, ToBool(L, 2));
    return 0;
}

int PlayVideo1(lua_State* L) {
    const std::string name = CheckedString(L, 1);
    if (gVideoPlayer1 == nullptr) return 0;
    gVideoPlayer1->Open(name);
    gVideoPlayer1->mCallerFlag = 1;
    gVideoPlayer1->SetPriority(kVideoPriority);
    if (gTaskKernel) gTaskKernel->AddTask(gVideoPlayer1);
    return 0;
}

int StopVideo(lua_State*) {
    StopIfRunning(gVideoPlayer);
    return 0;
}

int StopVideo1(lua_State*) {
    StopIfRunning(gVideoPlayer1);
    return 0;
}

int GetMouse(lua_State* L) {
    lua_pushnumber(L, gSettings::mouse);
    return 1;
}

int SetMouse(lua_State* L) {
    gSettings::mouse = ToFloat(L, 1);
    return 0;
}

int GetBrightness(lua_State* L) {
    lua_pushnumber(L, gSettings::plane);
    return 1;
}

int DoNothing(lua_State*) { return 0; }

int GetCurrentResolution(lua_State* L) {
    lua_pushnumber(L, gSettings::screenWidth);
    return 1;
}

int GetScreenSize(lua_State* L) {
    lua_pushnumber(L, gSettings::screenWidth);
    lua_pushnumber(L, gSettings::screenHeight);
    return 2;
}

int IsWeather(lua_State* L) {
    lua_pushboolean(L, gSettings::weather != 0);
    return 1;
}

int InitWarning(lua_State* L) {
    const int32_t percent = ToInteger(L, 1);
    if (PRender* renderer = gRenderer) renderer->DrawWarningScreen(percent);
    return 0;
}

// The lens flare follows the "lensflare" setting; the scripts' three values are read and not used.
int SetLensFlare(lua_State*) { return 0; }

// Answers one value without computing one: the caller receives its own last argument, or nil when it
// passed none (there is then nothing of this call's own on the stack to hand back).
int GetAICount(lua_State* L) {
    if (lua_gettop(L) == 0) lua_pushnil(L);
    return 1;
}

// The engine keeps no script log; the text is read and dropped.
int SaveLog(lua_State*) { return 0; }

int GoURLlink(lua_State* L) {
    OpenWithShell(CheckedString(L, 1));
    return 0;
}

int GoURL(lua_State* L) {
    const std::string path = CheckedString(L, 1);
    if (FileOpensForReading(path)) OpenWithShell(path);
    return 0;
}

int IsFileExists(lua_State* L) {
    lua_pushboolean(L, FileOpensForReading(CheckedString(L, 1)));
    return 1;
}

}  // namespace ScriptFunctions
