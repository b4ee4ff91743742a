#include <gtest/gtest.h>

#include "Sound/NSound.h"
#include "Sound/NSoundCache.h"
#include "Sound/NSoundManager.h"
#include "Sound/PMusic.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "host/EngineHost.h"
#include "support/RiffWaveBuilder.h"
#include "support/ScopedGlobal.h"
#include "support/TempFolder.h"

namespace {
TEST(AudioHostTest, LoadsEveryWaveOfTheSoundFolderAndTakesItAllDownAgain) {
    ScopedWorkingFolder work;
    ScopedGlobal<float> listVolume(gSoundVolume);  // the sound manager's start-up sets it
    work.Folder().Write("Data/Sounds/change_weapon.wav", riff::PcmWave(1, 22050, 16, riff::Ramp(400)));
    work.Folder().Write("Data/Sounds/Fanfare.WAV", riff::PcmWave(2, 44100, 16, riff::Ramp(800)));
    work.Folder().Write("Data/Sounds/broken.wav", riff::Code("RIFX"));
    work.Folder().Write("Data/Sounds/readme.txt", riff::Code("text"));
    work.Folder().Write("config.cfg", "soundVolume = 0.5\r\nmusicVolume = 0.25\r\n");

    EngineHost host;
    host.Startup(nullptr);
    ASSERT_NE(gSoundManager, nullptr);
    ASSERT_NE(gSoundCache, nullptr);
    ASSERT_NE(gMusicPlayer, nullptr);
    EXPECT_EQ(gMusicPlayer->GetVolume(), 0.25f);

    CPSmartPtr<CNSound> mono = gSoundManager->GetSound("change_weapon");
    CPSmartPtr<CNSound> stereo = gSoundManager->GetSound("Fanfare");
    ASSERT_TRUE(mono);
    ASSERT_TRUE(stereo);
    EXPECT_NE(mono->Get3DBuffer(), nullptr) << "mono sounds can be placed";
    EXPECT_EQ(stereo->Get3DBuffer(), nullptr);
    EXPECT_EQ(DirectSoundStandIn::Inspect(mono->Get3DBuffer()).parameters3D.flMaxDistance, 300.0f);
    EXPECT_EQ(DirectSoundStandIn::Inspect(stereo->GetBuffer()).volume, -437) << "the effect volume is applied";
    EXPECT_FALSE(gSoundManager->GetSound("broken"));
    EXPECT_EQ(gSoundCache->FindSound("change_weapon.wav").Get(), mono.Get());
    EXPECT_EQ(gSoundCache->GetEntries().size(), 2u);
    mono.Reset();
    stereo.Reset();

    host.Shutdown();
    EXPECT_EQ(gSoundManager, nullptr);
    EXPECT_EQ(gSoundCache, nullptr);
    EXPECT_EQ(gMusicPlayer, nullptr);
    EXPECT_TRUE(gSoundList.empty());
    EXPECT_EQ(DirectSoundStandIn::LiveBufferCount(), 0u);
    EXPECT_EQ(DirectSoundStandIn::LiveDeviceCount(), 0u);
    gSettings::RestoreInitialValues();
}
}  // namespace
