#include "Sound/NSound.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "Sound/VolumeCurve.h"
#include "core/config/Settings.h"
#include "platform/PlatformFaults.h"
#include "support/SoundRig.h"

using DirectSoundStandIn::Inspect;
using riff::Bytes;

namespace {
constexpr const char* kSource = "Sound/NSound.cpp";

class SoundTest : public ::testing::Test {
protected:
    // A 16-bit mono file at 22050 Hz of `bytes` bytes of data.
    std::unique_ptr<CNSound> Load(const std::string& name, int mode = CNSound::kModePlain, size_t bytes = 2000) {
        rig.WriteSound(name, riff::PcmWave(1, 22050, 16, riff::Ramp(bytes)));
        return std::make_unique<CNSound>(rig.Device(), "Data\\Sounds\\" + name, mode);
    }

    size_t Count(const CNSound& sound, const std::string& prefix) {
        size_t n = 0;
        for (const std::string& call : Inspect(sound.GetBuffer()).calls) n += call.rfind(prefix, 0) == 0;
        return n;
    }

    SoundRig rig;
};

TEST(VolumeCurveTest, Values) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const LONG refused = std::numeric_limits<LONG>::min();
    struct {
        float volume;
        LONG attenuation;
    } cases[] = {
        {1.0f, 0},      {0.75f, -27},    {0.5f, -437},      {0.25f, -2214},     {0.0f, -7000},
        {1.5f, 0},      {2.0f, 0},       {-0.05f, -8508},   {-0.1f, -10248},    {nan, refused},
        {-1e30f, refused},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.volume);
        EXPECT_EQ(VolumeCurve(c.volume), c.attenuation);
    }
}

TEST_F(SoundTest, AMissingFileGivesAnUnloadedSoundThatDoesNothing) {
    CNSound sound(rig.Device(), "Data\\Sounds\\missing.wav", CNSound::kMode3D);
    EXPECT_FALSE(sound.IsLoaded());
    EXPECT_EQ(sound.GetBuffer(), nullptr);
    EXPECT_EQ(sound.Get3DBuffer(), nullptr);
    EXPECT_TRUE(gSoundList.empty());
    EXPECT_TRUE(rig.Reported(kSource, 46));
    EXPECT_EQ(sound.Play(0, 0), 0);
    EXPECT_EQ(sound.Stop(), 0);
    EXPECT_EQ(sound.Rewind(), 0);
    EXPECT_EQ(sound.SetPitch(2.0f), 0);
    EXPECT_EQ(sound.SetVolume(1.0f), 0);
    EXPECT_EQ(sound.ApplyVolume(), 0);
    EXPECT_FALSE(sound.IsPlaying());
    EXPECT_FALSE(sound.RestoreBuffer());
    EXPECT_EQ(DirectSoundStandIn::LiveBufferCount(), 1u) << "only the rig's primary buffer";
}

TEST_F(SoundTest, LoadsTheWholeFileIntoItsBuffer) {
    auto plain = Load("slam.wav");
    ASSERT_TRUE(plain->IsLoaded());
    DirectSoundStandIn::BufferState state = Inspect(plain->GetBuffer());
    EXPECT_EQ(state.bytes, riff::Ramp(2000));
    EXPECT_EQ(state.flags, DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLVOLUME);
    EXPECT_EQ(state.algorithm, GUID_NULL);
    EXPECT_EQ(state.volume, -7000) << "the effect volume starts at 0";
    EXPECT_EQ(state.position, 0u);
    EXPECT_EQ(plain->GetFrequency(), 22050u);
    EXPECT_EQ(plain->GetBufferSize(), 2000u);
    EXPECT_EQ(plain->Get3DBuffer(), nullptr);
    EXPECT_EQ(plain->GetFrameStamp(), -1);
    EXPECT_EQ(plain->GetClassName(), "CNSound_Data\\Sounds\\slam.wav");

    auto light = Load("light.wav", CNSound::kMode3D);
    gSettings::bitrate = 16;
    auto full = Load("full.wav", CNSound::kMode3D);
    for (auto* sound : {light.get(), full.get()}) {
        ASSERT_TRUE(sound->IsLoaded());
        ASSERT_NE(sound->Get3DBuffer(), nullptr);
        EXPECT_EQ(Inspect(sound->GetBuffer()).flags, DSBCAPS_CTRL3D | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLVOLUME);
        EXPECT_EQ(sound->Get3DParameters().dwSize, 64u);
        EXPECT_EQ(sound->Get3DParameters().dwMode, DS3DMODE_NORMAL);
    }
    EXPECT_EQ(Inspect(light->GetBuffer()).algorithm, DS3DALG_HRTF_LIGHT);
    EXPECT_EQ(Inspect(full->GetBuffer()).algorithm, DS3DALG_HRTF_FULL);
    EXPECT_EQ(gSoundList, (std::list<CNSound*>{plain.get(), light.get(), full.get()}));
}

TEST_F(SoundTest, AStereoFileCannotBeA3DSound) {
    rig.WriteSound("stereo.wav", riff::PcmWave(2, 22050, 16, riff::Ramp(400)));
    CNSound sound(rig.Device(), "Data\\Sounds\\stereo.wav", CNSound::kMode3D);
    EXPECT_FALSE(sound.IsLoaded());
    EXPECT_TRUE(rig.Reported(kSource, 46));
    CNSound plain(rig.Device(), "Data\\Sounds\\stereo.wav", CNSound::kModePlain);
    EXPECT_TRUE(plain.IsLoaded());
}

TEST_F(SoundTest, DataCutShortBecomesSilence) {
    struct {
        WORD bits;
        BYTE silence;
    } cases[] = {{8, 128}, {16, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bits);
        Bytes file = riff::Join({riff::Code("RIFF"), riff::U32(4 + 24 + 8 + 600), riff::Code("WAVE"),
                                 riff::PcmFormatChunk(1, 11025, c.bits), riff::ChunkDeclaring("data", 600, riff::Ramp(100))});
        rig.WriteSound("cut.wav", file);
        CNSound sound(rig.Device(), "Data\\Sounds\\cut.wav", CNSound::kModePlain);
        ASSERT_TRUE(sound.IsLoaded());
        EXPECT_EQ(Inspect(sound.GetBuffer()).bytes, Bytes(600, c.silence));
    }
}

TEST_F(SoundTest, PlaysOnceLoopsStopsAndRewinds) {
    auto sound = Load("main.wav", CNSound::kModePlain, 22050 * 2);  // one second
    ASSERT_EQ(sound->Play(0, 0), DS_OK);
    EXPECT_TRUE(sound->IsPlaying());
    rig.clock.AdvanceMs(1001);
    EXPECT_FALSE(sound->IsPlaying()) << "played once, it ends";

    ASSERT_EQ(sound->Play(0, DSBPLAY_LOOPING), DS_OK);
    rig.clock.AdvanceMs(2500);
    EXPECT_TRUE(sound->IsPlaying());
    ASSERT_EQ(sound->Stop(), DS_OK);
    EXPECT_FALSE(sound->IsPlaying());
    EXPECT_EQ(Inspect(sound->GetBuffer()).position, 22050u) << "stopped half way through its second loop";
    ASSERT_EQ(sound->Rewind(), DS_OK);
    EXPECT_EQ(Inspect(sound->GetBuffer()).position, 0u);
}

TEST_F(SoundTest, PlayFromStartRestartsAPlayingSoundAndResumesAStoppedOne) {
    auto sound = Load("main.wav", CNSound::kModePlain, 22050 * 2);  // one second
    ASSERT_EQ(sound->Play(0, 0), DS_OK);
    rig.clock.AdvanceMs(500);
    ASSERT_EQ(sound->PlayFromStart(0), DS_OK);
    EXPECT_TRUE(sound->IsPlaying());
    rig.clock.AdvanceMs(700);
    EXPECT_TRUE(sound->IsPlaying()) << "restarted half way, it still plays 1.2 s after its first start";

    ASSERT_EQ(sound->Stop(), DS_OK);
    const auto stoppedAt = Inspect(sound->GetBuffer()).position;
    ASSERT_GT(stoppedAt, 0u);
    ASSERT_EQ(sound->PlayFromStart(0), DS_OK);
    ASSERT_EQ(sound->Stop(), DS_OK);
    EXPECT_EQ(Inspect(sound->GetBuffer()).position, stoppedAt) << "a stopped sound plays on from where it stopped";
}

TEST_F(SoundTest, PitchScalesTheSoundsOwnFrequencyAndPlayUndoesIt) {
    auto sound = Load("vizg.wav");
    ASSERT_EQ(sound->SetPitch(2.0f), DS_OK);
    EXPECT_EQ(Inspect(sound->GetBuffer()).frequency, 44100u);
    ASSERT_EQ(sound->SetPitch(0.5f), DS_OK);
    EXPECT_EQ(Inspect(sound->GetBuffer()).frequency, 11025u);
    ASSERT_EQ(sound->Play(0, 0), DS_OK);
    EXPECT_EQ(Inspect(sound->GetBuffer()).frequency, 22050u);

    // Refused pitches leave the current frequency; those no frequency can hold reach no call at all.
    ASSERT_EQ(sound->SetPitch(1.5f), DS_OK);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    size_t calls = Count(*sound, "SetFrequency(");
    for (float factor : {100.0f, -1.0f, nan, 1e30f}) {
        SCOPED_TRACE(factor);
        EXPECT_EQ(sound->SetPitch(factor), 0);
        EXPECT_EQ(Inspect(sound->GetBuffer()).frequency, 33075u);
    }
    EXPECT_EQ(Count(*sound, "SetFrequency("), calls + 1) << "only 100x reached DirectSound, which refused it";
    EXPECT_EQ(sound->GetFrequency(), 22050u);
    EXPECT_TRUE(rig.Reported(kSource, 19));
}

TEST_F(SoundTest, VolumesGoThroughTheCurve) {
    auto a = Load("a.wav");
    auto b = Load("b.wav");
    SetAllSoundsVolume(0.5f);
    EXPECT_EQ(Inspect(a->GetBuffer()).volume, -437);
    EXPECT_EQ(Inspect(b->GetBuffer()).volume, -437);
    SetAllSoundsVolume(1.0f);
    EXPECT_EQ(Inspect(a->GetBuffer()).volume, 0);

    ASSERT_EQ(a->SetVolume(0.25f), DS_OK);
    EXPECT_EQ(Inspect(a->GetBuffer()).volume, -2214);
    EXPECT_EQ(gSoundVolume, 1.0f) << "SetVolume keeps nothing";
    EXPECT_EQ(a->SetVolume(-0.2f), 0) << "below -10000: refused";
    EXPECT_EQ(Inspect(a->GetBuffer()).volume, -2214);
    EXPECT_TRUE(rig.Reported(kSource, 212));
    ASSERT_EQ(a->SetVolume(3.0f), DS_OK);
    EXPECT_EQ(Inspect(a->GetBuffer()).volume, 0) << "above 1 counts as full";

    auto c = Load("c.wav");
    EXPECT_EQ(Inspect(c->GetBuffer()).volume, 0) << "a new sound takes the effect volume";
    b.reset();
    EXPECT_EQ(gSoundList, (std::list<CNSound*>{a.get(), c.get()}));
    SetAllSoundsVolume(0.75f);
    EXPECT_EQ(Inspect(a->GetBuffer()).volume, -27);
    EXPECT_EQ(Inspect(c->GetBuffer()).volume, -27);
}

TEST_F(SoundTest, PlayingALostBufferRestoresRefillsAndRewindsIt) {
    auto sound = Load("stop.wav", CNSound::kModePlain, 22050 * 2);
    ASSERT_EQ(sound->Play(0, 0), DS_OK);
    rig.clock.AdvanceMs(500);
    ASSERT_EQ(sound->Stop(), DS_OK);
    DirectSoundStandIn::LoseBuffer(sound->GetBuffer());
    PlatformFaults::Arm("IDirectSoundBuffer::Restore", DSERR_BUFFERLOST, 3);

    ASSERT_EQ(sound->Play(0, 0), DS_OK);
    DirectSoundStandIn::BufferState state = Inspect(sound->GetBuffer());
    EXPECT_TRUE(state.playing);
    EXPECT_EQ(state.position, 0u);
    EXPECT_EQ(state.bytes, riff::Ramp(22050 * 2));
}

TEST_F(SoundTest, ABufferThatStaysLostIsGivenUpAfterBoundedPasses) {
    auto sound = Load("stuck.wav");
    DirectSoundStandIn::LoseBuffer(sound->GetBuffer());
    PlatformFaults::Arm("IDirectSoundBuffer::Restore", DSERR_BUFFERLOST, 1000000);
    LARGE_INTEGER before, after;
    QueryPerformanceCounter(&before);
    EXPECT_EQ(sound->Play(0, 0), DSERR_BUFFERLOST);
    QueryPerformanceCounter(&after);
    EXPECT_FALSE(Inspect(sound->GetBuffer()).playing);
    EXPECT_EQ(Count(*sound, "Restore()"), 100u) << "50 passes of two restores";
    EXPECT_EQ(after.QuadPart - before.QuadPart, 49 * 10 * 1000) << "a 10 ms wait after every failed pass";
    EXPECT_FALSE(sound->RestoreBuffer());
}

TEST_F(SoundTest, ABufferThatCannotBeLockedKeepsItsBytes) {
    PlatformFaults::Arm("IDirectSoundBuffer::Lock");
    auto sound = Load("locked.wav");
    ASSERT_TRUE(sound->IsLoaded());
    EXPECT_EQ(Inspect(sound->GetBuffer()).bytes, Bytes(2000, DirectSoundStandIn::kUnwrittenByte));
    EXPECT_EQ(sound->GetFrequency(), 22050u);
    EXPECT_EQ(Count(*sound, "Unlock("), 0u);
}

TEST_F(SoundTest, AFailedFrequencyReadIsReportedAndPlayStillWorks) {
    PlatformFaults::Arm("IDirectSoundBuffer::GetFrequency");
    auto sound = Load("nofreq.wav");
    ASSERT_TRUE(sound->IsLoaded());
    EXPECT_TRUE(rig.Reported(kSource, 117));
    EXPECT_EQ(sound->Play(0, 0), DS_OK) << "frequency 0 asks for the format's own";
    EXPECT_EQ(Inspect(sound->GetBuffer()).frequency, 22050u);

    PlatformFaults::Arm("IDirectSoundBuffer::SetFrequency");
    ASSERT_EQ(sound->Stop(), DS_OK);
    EXPECT_EQ(sound->Play(0, 0), 0);
    EXPECT_FALSE(sound->IsPlaying());
    EXPECT_TRUE(rig.Reported(kSource, 167));
}
}  // namespace
