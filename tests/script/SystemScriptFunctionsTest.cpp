#include "script/SystemScriptFunctions.h"

#include <gtest/gtest.h>

#include <memory>

#include "Render/PAVIPlayer.h"
#include "Render/PAVIPlayer1.h"
#include "Sound/NSound.h"
#include "Sound/PMusic.h"
#include "core/config/Settings.h"
#include "support/LuaScriptRig.h"
#include "support/ScopedGlobal.h"
#include "support/ScopedTaskKernel.h"
#include "support/ShellRecorder.h"
#include "support/SoundRig.h"

namespace {

class SystemScriptFunctionsSoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        rig.WriteSound("horn.wav", riff::PcmWave(1, 22050, 16, riff::Ramp(4000)));
        plain = std::make_unique<CNSound>(rig.Device(), "Data\\Sounds\\horn.wav", CNSound::kModePlain);
        spatial = std::make_unique<CNSound>(rig.Device(), "Data\\Sounds\\horn.wav", CNSound::kMode3D);
        rig.Manager().SetNamedSound("horn", plain.get());
        rig.Manager().SetNamedSound("siren", spatial.get());
    }

    SoundRig rig;
    std::unique_ptr<CNSound> plain;
    std::unique_ptr<CNSound> spatial;
    LuaScriptRig lua;
};

TEST_F(SystemScriptFunctionsSoundTest, NamedSoundsPlayStopAndReportThemselves) {
    ASSERT_EQ(lua.Run("PlaySpecialSound('horn')\n"
                      "playing = IsSpecialSoundPlaying('horn')\n"
                      "missing = IsSpecialSoundPlaying('nothing')\n"
                      "PlaySpecialSound('nothing')\n"
                      "StopSpecialSound('horn')\n"
                      "stopped = IsSpecialSoundPlaying('horn')\n"
                      "ok, err = pcall(PlaySpecialSound, {})"),
              "");
    EXPECT_TRUE(lua.Bool("playing"));
    EXPECT_FALSE(lua.Bool("missing"));
    EXPECT_FALSE(lua.Bool("stopped"));
    EXPECT_FALSE(lua.Bool("ok")) << "a table is no sound name";
}

TEST_F(SystemScriptFunctionsSoundTest, A3DSoundKeptPlayingIsNotRestartedAndOnlyABooleanLoops) {
    ASSERT_EQ(lua.Run("first = PlaySpecialSound3D('siren', 1, 2, 3, 1, false)\n"
                      "kept = PlaySpecialSound3D('siren', 4, 5, 6, true, true)\n"
                      "restarted = PlaySpecialSound3D('siren', 4, 5, 6, false)\n"
                      "absent = PlaySpecialSound3D('nothing', 0, 0, 0)\n"
                      "UpdateSoundPosition('siren', 7, 8, 9)\n"
                      "UpdateSoundPosition('nothing', 7, 8, 9, 1, 1, 1)"),
              "");
    EXPECT_TRUE(lua.Bool("first"));
    EXPECT_FALSE(lua.Bool("kept"));
    EXPECT_TRUE(lua.Bool("restarted"));
    EXPECT_TRUE(lua.Bool("absent")) << "a missing sound answers true";
    EXPECT_TRUE(spatial->IsPlaying());
    const DS3DBUFFER p = DirectSoundStandIn::Inspect(spatial->Get3DBuffer()).parameters3D;
    EXPECT_EQ(p.vPosition.x, 7.0f);
    EXPECT_EQ(p.vPosition.z, 9.0f);
    EXPECT_EQ(p.vVelocity.x, 0.0f) << "without three velocity numbers the velocity is zero";
}

TEST_F(SystemScriptFunctionsSoundTest, StopSoundsSilencesEveryNamedSound) {
    plain->Play(0, 1);
    spatial->Play(0, 0);
    ASSERT_EQ(lua.Run("StopSounds()"), "");
    EXPECT_FALSE(plain->IsPlaying());
    EXPECT_FALSE(spatial->IsPlaying());
}

TEST_F(SystemScriptFunctionsSoundTest, VolumesAndMusicGoThroughTheSettingsAndThePlayer) {
    ScopedTaskKernel kernel;
    CPMusic music;
    ScopedGlobal<CPMusic*> installMusic(gMusicPlayer, &music);
    rig.WriteMusic("theme.mp3", 64);
    ASSERT_EQ(lua.Run("SetSoundVolume(0.25)\nSetMusicVolume('0.75')\n"
                      "sv, mv = GetSoundVolume(), GetMusicVolume()\n"
                      "PlayMusic('theme.mp3')\nname = GetMusicName()"),
              "");
    EXPECT_EQ(lua.Number("sv"), 0.25);
    EXPECT_EQ(lua.Number("mv"), 0.75);
    EXPECT_EQ(gSettings::soundVolume, 0.25f);
    EXPECT_EQ(music.GetVolume(), 0.75f);
    EXPECT_EQ(lua.Text("name"), "theme.mp3");
    EXPECT_TRUE(music.IsLooping());

    music.Stop();
    ASSERT_EQ(lua.Run("PlayMusicNoLoop('theme.mp3')"), "");
    EXPECT_FALSE(music.IsLooping());
    EXPECT_TRUE(music.IsRunning());
    ASSERT_EQ(lua.Run("StopPlayingMusic()"), "");
    EXPECT_FALSE(music.IsRunning());
    music.Start();
    ASSERT_EQ(lua.Run("StopMusic()"), "");
    EXPECT_FALSE(music.IsRunning());
}

TEST(SystemScriptFunctionsSettingsTest, SettingsAreReadAndWrittenAsTheScriptsExpect) {
    gSettings::RestoreInitialValues();
    LuaScriptRig lua;
    ASSERT_EQ(lua.Run("w, h = GetScreenSize()\nr = GetCurrentResolution()\nweather = IsWeather()\n"
                      "SetMouse(0.4)\nmouse = GetMouse()\nbright = GetBrightness()\n"
                      "SetBrightness(3)\nDumpAIInfo()\nSetLensFlare(1, 2, 3)\nSaveLog('x')\nInitWarning(50)\n"
                      "ai = GetAICount(7, 9)\nnone = GetAICount()"),
              "");
    EXPECT_EQ(lua.Number("w"), 640);
    EXPECT_EQ(lua.Number("h"), 480);
    EXPECT_EQ(lua.Number("r"), 640);
    EXPECT_TRUE(lua.Bool("weather"));
    EXPECT_FLOAT_EQ(static_cast<float>(lua.Number("mouse")), 0.4f);
    EXPECT_EQ(lua.Number("bright"), 0.5);
    EXPECT_EQ(gSettings::plane, 0.5f) << "SetBrightness changes nothing";
    EXPECT_EQ(lua.Number("ai"), 9) << "the caller gets its last argument back";
    EXPECT_EQ(lua.Type("none"), LUA_TNIL);
    gSettings::RestoreInitialValues();
}

TEST(SystemScriptFunctionsTest, AddressesGoToTheShellAndFilesAreTestedBeforeOpening) {
    ScopedWorkingFolder work;
    ASSERT_EQ(std::system("mkdir -p Data && echo hi > Data/readme.txt"), 0);
    ShellRecorder shell;
    LuaScriptRig lua;
    ASSERT_EQ(lua.Run("GoURLlink('http://example.invalid/')\n"
                      "GoURL('missing.txt')\n"
                      "GoURL('DATA\\\\README.TXT')\n"
                      "here, gone, folder = IsFileExists('data\\\\readme.txt'), IsFileExists('nope'), IsFileExists('Data')"),
              "");
    ASSERT_EQ(shell.Requests().size(), 2u);
    EXPECT_EQ(shell.Requests()[0].verb, "open");
    EXPECT_EQ(shell.Requests()[0].file, "http://example.invalid/");
    EXPECT_EQ(shell.Requests()[0].showCommand, 1);
    EXPECT_EQ(shell.Requests()[1].file, "DATA\\README.TXT");
    EXPECT_TRUE(lua.Bool("here"));
    EXPECT_FALSE(lua.Bool("gone"));
    EXPECT_FALSE(lua.Bool("folder"));
}

TEST(SystemScriptFunctionsVideoTest, VideosGetTheirPriorityAndLoopFlagAndStopOnlyWhenRunning) {
    ScopedTaskKernel kernel;
    PAVIPlayer first;
    PAVIPlayer1 second;
    ScopedGlobal<PAVIPlayer*> installFirst(gVideoPlayer, &first);
    ScopedGlobal<PAVIPlayer1*> installSecond(gVideoPlayer1, &second);
    LuaScriptRig lua;
    ASSERT_EQ(lua.Run("PlayVideoNoSound('intro.avi')\nPlayVideo1('logo.avi')\nStopVideo()\nStopVideo1()"), "");
    EXPECT_EQ(first.GetPriority(), 400);
    EXPECT_EQ(first.mCallerFlag, 0) << "no loop without the flag";
    EXPECT_EQ(second.mCallerFlag, 1);
    EXPECT_EQ(second.GetPriority(), 400);
    ASSERT_EQ(lua.Run("PlayVideo('intro.avi', true)"), "");
    EXPECT_EQ(first.mCallerFlag, 1);
    first.SetRunning(true);
    ASSERT_EQ(lua.Run("StopVideo()"), "");
    EXPECT_FALSE(first.IsRunning());
    EXPECT_TRUE(first.IsStopped());
    EXPECT_NE(lua.Run("PlayVideo1({})"), "") << "the name is checked";
}

}  // namespace
