#include "Sound/NSoundManager.h"

#include <gtest/gtest.h>

#include <memory>

#include "Sound/NSoundCache.h"
#include "Sound/PMusic.h"
#include "core/config/Settings.h"
#include "support/ScopedGlobal.h"
#include "support/SoundRig.h"

using DirectSoundStandIn::Inspect;

namespace {
// Sounds handed out by LoadSound belong to the caller: let go of the pointer, then delete.
void DeleteHeld(CPSmartPtr<CNSound>& held) {
    CNSound* sound = held.Get();
    held.Reset();
    delete sound;
}

class SoundManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"slam.wav", "hit1.wav", "fast.wav"}) {
            rig.WriteSound(name, riff::PcmWave(1, 22050, 16, riff::Ramp(4000)));
        }
    }

    // A sound the test owns, made as the host would.
    CNSound* Own(const std::string& file, int mode) {
        owned.push_back(std::make_unique<CNSound>(rig.Device(), "Data\\Sounds\\" + file, mode));
        return owned.back().get();
    }

    SoundRig rig;
    std::vector<std::unique_ptr<CNSound>> owned;
};

TEST_F(SoundManagerTest, ForcedLoadsGiveEachCallerItsOwn3DSound) {
    CPSmartPtr<CNSound> first = rig.Manager().LoadSound("slam.wav", CNSound::kMode3D, true);
    CPSmartPtr<CNSound> second;
    rig.Manager().LoadSound(second, "slam.wav", CNSound::kMode3D, true);
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    EXPECT_NE(first.Get(), second.Get());
    for (CNSound* sound : {first.Get(), second.Get()}) {
        DS3DBUFFER p = Inspect(sound->Get3DBuffer()).parameters3D;
        EXPECT_EQ(p.flMinDistance, 3.0f);
        EXPECT_EQ(p.flMaxDistance, 300.0f);
        EXPECT_EQ(sound->GetPath(), "Data\\Sounds\\slam.wav");
    }
    EXPECT_TRUE(rig.Cache().GetEntries().empty()) << "loaded sounds are never shared";
    DeleteHeld(first);
    DeleteHeld(second);
}

TEST_F(SoundManagerTest, TheCacheSharesItsEntriesByExactName) {
    CNSound* shared = Own("hit1.wav", CNSound::kModePlain);
    rig.Cache().AddEntry("hit1.wav", shared);

    EXPECT_EQ(rig.Cache().FindSound("hit1.wav").Get(), shared);
    EXPECT_FALSE(rig.Cache().FindSound("HIT1.wav")) << "names are case-sensitive";
    EXPECT_EQ(rig.Cache().LoadSound("hit1.wav", CNSound::kModePlain, false).Get(), shared);
    EXPECT_EQ(rig.Cache().LoadSound("hit1.wav", CNSound::kMode3D, false).Get(), shared) << "the mode does not matter";

    CPSmartPtr<CNSound> fresh = rig.Cache().LoadSound("hit1.wav", CNSound::kModePlain, true);
    ASSERT_TRUE(fresh);
    EXPECT_NE(fresh.Get(), shared);
    EXPECT_EQ(rig.Cache().GetEntries().size(), 1u);
    DeleteHeld(fresh);

    EXPECT_FALSE(rig.Cache().LoadSound("missing.wav", CNSound::kModePlain, false));
    EXPECT_EQ(gSoundList.size(), 1u) << "a sound that failed to load is gone";

    owned.clear();
    EXPECT_TRUE(rig.Cache().GetEntries().empty()) << "a destroyed sound leaves the cache";
}

TEST_F(SoundManagerTest, ANameTheHostDidNotShareLoadsAnewAtEveryCall) {
    CPSmartPtr<CNSound> first = rig.Cache().LoadSound("fast.wav", CNSound::kModePlain, false);
    CPSmartPtr<CNSound> second = rig.Cache().LoadSound("fast.wav", CNSound::kModePlain, false);
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    EXPECT_NE(first.Get(), second.Get());
    EXPECT_EQ(first->GetPath(), "Data\\Sounds\\fast.wav");
    EXPECT_FALSE(rig.Cache().FindSound("fast.wav")) << "what the cache makes it does not keep";
    DeleteHeld(first);
    DeleteHeld(second);
}

TEST_F(SoundManagerTest, NamedSoundsAndUnknownNames) {
    CNSound* fast = Own("fast.wav", CNSound::kModePlain);
    rig.Manager().SetNamedSound("fast", fast);
    EXPECT_EQ(rig.Manager().GetSound("fast").Get(), fast);
    EXPECT_FALSE(rig.Manager().GetSound("change_weapon"));
    ASSERT_EQ(rig.Manager().GetNamedSounds().count("change_weapon"), 1u) << "the look-up enters the name";
    EXPECT_FALSE(rig.Manager().GetNamedSounds().at("change_weapon"));

    owned.clear();
    EXPECT_FALSE(rig.Manager().GetSound("fast")) << "a destroyed sound leaves no dangling name";
}

TEST_F(SoundManagerTest, SoundPositionsOnly3DSounds) {
    CNSound* positioned = Own("hit1.wav", CNSound::kMode3D);
    CNSound* plain = Own("fast.wav", CNSound::kModePlain);
    rig.Manager().SetSoundDistances(positioned, 5.0f, 50.0f);
    rig.Manager().SetSoundPosition(positioned, D3DVECTOR{1, 2, 3}, D3DVECTOR{4, 5, 6});
    DS3DBUFFER p = Inspect(positioned->Get3DBuffer()).parameters3D;
    EXPECT_EQ(p.vPosition.x, 1.0f);
    EXPECT_EQ(p.vPosition.z, 3.0f);
    EXPECT_EQ(p.vVelocity.y, 5.0f);
    EXPECT_EQ(p.flMinDistance, 5.0f) << "the other parameters stay";
    EXPECT_EQ(p.flMaxDistance, 50.0f);
    EXPECT_EQ(positioned->Get3DParameters().vPosition.y, 2.0f);

    size_t before = Inspect(plain->GetBuffer()).calls.size();
    rig.Manager().SetSoundPosition(plain, D3DVECTOR{1, 2, 3}, D3DVECTOR{0, 0, 0});
    rig.Manager().SetSoundDistances(plain, 1.0f, 2.0f);
    rig.Manager().SetSoundPosition(CPSmartPtr<CNSound>(), D3DVECTOR{1, 2, 3}, D3DVECTOR{0, 0, 0});
    rig.Manager().SetSoundDistances(nullptr, 1.0f, 2.0f);
    EXPECT_EQ(Inspect(plain->GetBuffer()).calls.size(), before) << "plain and unknown sounds are left alone";
}

TEST_F(SoundManagerTest, TheListenerTakesTopThenFront) {
    DS3DLISTENER set{64, {0, 0, 0}, {0, 0, 0}, {0, 0, 1}, {0, 1, 0}, 2.0f, 0.5f, 3.0f};
    ASSERT_EQ(rig.Listener()->SetAllParameters(&set, DS3D_IMMEDIATE), DS_OK);

    rig.Manager().SetListenerOrientation(D3DVECTOR{0, 0, 1}, D3DVECTOR{1, 0, 0});
    rig.Manager().SetListenerPosition(D3DVECTOR{10, 20, 30}, D3DVECTOR{-1, 0, 0});
    DS3DLISTENER l = Inspect(rig.Listener()).listener;
    EXPECT_EQ(l.vOrientTop.z, 1.0f);
    EXPECT_EQ(l.vOrientFront.x, 1.0f);
    EXPECT_EQ(l.vOrientFront.z, 0.0f);
    EXPECT_EQ(l.vPosition.y, 20.0f);
    EXPECT_EQ(l.vVelocity.x, -1.0f);
    EXPECT_EQ(l.flDistanceFactor, 2.0f) << "the host's values stay";
    EXPECT_EQ(l.flRolloffFactor, 0.5f);
    EXPECT_EQ(l.flDopplerFactor, 3.0f);

    CNSoundManager deaf(&rig.Cache(), nullptr);
    deaf.SetListenerPosition(D3DVECTOR{1, 1, 1}, D3DVECTOR{0, 0, 0});  // no listener: nothing to do
    EXPECT_EQ(Inspect(rig.Listener()).listener.vPosition.x, 10.0f);
}

TEST_F(SoundManagerTest, VolumesChangeTheSettingsAndWhatPlays) {
    CNSound* a = Own("hit1.wav", CNSound::kMode3D);
    CNSound* b = Own("fast.wav", CNSound::kModePlain);
    rig.Manager().SetSoundVolume(0.5f);
    EXPECT_EQ(gSettings::soundVolume, 0.5f);
    EXPECT_EQ(Inspect(a->GetBuffer()).volume, -437);
    EXPECT_EQ(Inspect(b->GetBuffer()).volume, -437);

    CPMusic music;
    ScopedGlobal<CPMusic*> player(gMusicPlayer, &music);
    rig.Manager().SetMusicVolume(0.25f);
    EXPECT_EQ(gSettings::musicVolume, 0.25f);
    EXPECT_EQ(music.GetVolume(), 0.25f);
    gMusicPlayer = nullptr;
    rig.Manager().SetMusicVolume(0.75f);  // no player: the setting alone
    EXPECT_EQ(gSettings::musicVolume, 0.75f);
}

TEST_F(SoundManagerTest, StoppingAllSounds) {
    CNSound* named = Own("hit1.wav", CNSound::kModePlain);
    CNSound* cached = Own("fast.wav", CNSound::kModePlain);
    CNSound* vehicle = Own("slam.wav", CNSound::kMode3D);
    rig.Manager().SetNamedSound("hit1", named);
    rig.Manager().GetSound("nothing");
    rig.Cache().AddEntry("fast.wav", cached);
    for (CNSound* sound : {named, cached, vehicle}) ASSERT_EQ(sound->Play(0, DSBPLAY_LOOPING), DS_OK);
    rig.clock.AdvanceMs(50);

    rig.Manager().StopAllSounds();
    for (CNSound* sound : {named, cached, vehicle}) EXPECT_FALSE(sound->IsPlaying());
    EXPECT_EQ(Inspect(named->GetBuffer()).position, 0u);
    EXPECT_EQ(Inspect(cached->GetBuffer()).position, 0u);
    EXPECT_EQ(Inspect(vehicle->GetBuffer()).position, 2204u) << "other sounds only stop";
}
}  // namespace
