#include "platform/DirectSound.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "platform/PlatformFaults.h"
#include "support/ManualClock.h"

namespace {
using DirectSoundStandIn::Inspect;

class DirectSoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        PlatformFaults::Clear();
        ASSERT_EQ(DirectSoundCreate(nullptr, &device, nullptr), DS_OK);
    }
    void TearDown() override {
        device->Release();
        PlatformFaults::Clear();
        EXPECT_EQ(DirectSoundStandIn::LiveBufferCount(), 0u);
        EXPECT_EQ(DirectSoundStandIn::LiveDeviceCount(), 0u);
    }

    // 8-bit mono at 1000 Hz: one byte per millisecond.
    static WAVEFORMATEX Format(WORD channels = 1, DWORD rate = 1000, WORD bits = 8) {
        auto align = static_cast<WORD>(channels * bits / 8);
        return WAVEFORMATEX{WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
    }

    DSBUFFERDESC Description(WAVEFORMATEX* format, DWORD bytes = 1000,
                             DWORD flags = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLVOLUME) {
        return DSBUFFERDESC{DSBUFFERDESC_PLATFORM_SIZE, flags, bytes, 0, format, GUID_NULL};
    }

    IDirectSoundBuffer* Make(DWORD bytes = 1000, DWORD flags = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLVOLUME) {
        format = Format();
        DSBUFFERDESC d = Description(&format, bytes, flags);
        IDirectSoundBuffer* buffer = nullptr;
        EXPECT_EQ(device->CreateSoundBuffer(&d, &buffer, nullptr), DS_OK);
        return buffer;
    }

    IDirectSound* device = nullptr;
    WAVEFORMATEX format{};
};

TEST_F(DirectSoundTest, CreationRefusesWhatDirectSoundRefuses) {
    struct Case {
        const char* name;
        std::function<void(DSBUFFERDESC&, WAVEFORMATEX&)> change;
        HRESULT expected;
    } cases[] = {
        {"Valid", [](DSBUFFERDESC&, WAVEFORMATEX&) {}, DS_OK},
        {"SizeFieldOfThisBuild", [](DSBUFFERDESC& d, WAVEFORMATEX&) { d.dwSize = sizeof(DSBUFFERDESC); }, DSERR_INVALIDPARAM},
        {"Reserved", [](DSBUFFERDESC& d, WAVEFORMATEX&) { d.dwReserved = 1; }, DSERR_INVALIDPARAM},
        {"NoFormat", [](DSBUFFERDESC& d, WAVEFORMATEX&) { d.lpwfxFormat = nullptr; }, DSERR_INVALIDPARAM},
        {"NotPcm", [](DSBUFFERDESC&, WAVEFORMATEX& f) { f.wFormatTag = 2; }, DSERR_BADFORMAT},
        {"TwentyFourBits", [](DSBUFFERDESC&, WAVEFORMATEX& f) { f.wBitsPerSample = 24; }, DSERR_BADFORMAT},
        {"RateTooLow", [](DSBUFFERDESC&, WAVEFORMATEX& f) { f = Format(1, 99); }, DSERR_BADFORMAT},
        {"RateTooHigh", [](DSBUFFERDESC&, WAVEFORMATEX& f) { f = Format(1, 200001); }, DSERR_BADFORMAT},
        {"WrongByteRate", [](DSBUFFERDESC&, WAVEFORMATEX& f) { f.nAvgBytesPerSec = 3; }, DSERR_BADFORMAT},
        {"TooSmall", [](DSBUFFERDESC& d, WAVEFORMATEX&) { d.dwBufferBytes = DSBSIZE_MIN - 1; }, DSERR_INVALIDPARAM},
        {"TooLarge", [](DSBUFFERDESC& d, WAVEFORMATEX&) { d.dwBufferBytes = DSBSIZE_MAX + 1; }, DSERR_INVALIDPARAM},
        {"ThreeDStereo",
         [](DSBUFFERDESC& d, WAVEFORMATEX& f) {
             f = Format(2, 22050, 16);
             d.dwFlags |= DSBCAPS_CTRL3D;
         },
         DSERR_INVALIDPARAM},
        {"ThreeDMonoWithAlgorithm",
         [](DSBUFFERDESC& d, WAVEFORMATEX&) {
             d.dwFlags |= DSBCAPS_CTRL3D;
             d.guid3DAlgorithm = DS3DALG_HRTF_FULL;
         },
         DS_OK},
        {"AlgorithmWithout3D", [](DSBUFFERDESC& d, WAVEFORMATEX&) { d.guid3DAlgorithm = DS3DALG_HRTF_LIGHT; },
         DSERR_INVALIDPARAM},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WAVEFORMATEX f = Format();
        DSBUFFERDESC d = Description(&f);
        c.change(d, f);
        IDirectSoundBuffer* buffer = reinterpret_cast<IDirectSoundBuffer*>(&d);  // must be overwritten
        EXPECT_EQ(device->CreateSoundBuffer(&d, &buffer, nullptr), c.expected);
        if (c.expected == DS_OK) {
            ASSERT_NE(buffer, nullptr);
            EXPECT_EQ(Inspect(buffer).bytes, std::vector<BYTE>(1000, DirectSoundStandIn::kUnwrittenByte));
            buffer->Release();
        } else {
            EXPECT_EQ(buffer, nullptr);
        }
    }
}

TEST_F(DirectSoundTest, VolumeAndFrequencyRanges) {
    IDirectSoundBuffer* buffer = Make();
    EXPECT_EQ(buffer->SetVolume(DSBVOLUME_MIN), DS_OK);
    EXPECT_EQ(buffer->SetVolume(DSBVOLUME_MAX), DS_OK);
    EXPECT_EQ(buffer->SetVolume(-437), DS_OK);
    EXPECT_EQ(buffer->SetVolume(DSBVOLUME_MIN - 1), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetVolume(1), DSERR_INVALIDPARAM);
    EXPECT_EQ(Inspect(buffer).volume, -437) << "a refused volume leaves the last one";

    EXPECT_EQ(buffer->SetFrequency(DSBFREQUENCY_MIN - 1), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetFrequency(DSBFREQUENCY_MAX + 1), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetFrequency(DSBFREQUENCY_MAX), DS_OK);
    DWORD frequency = 0;
    ASSERT_EQ(buffer->GetFrequency(&frequency), DS_OK);
    EXPECT_EQ(frequency, DSBFREQUENCY_MAX);
    EXPECT_EQ(buffer->SetFrequency(DSBFREQUENCY_ORIGINAL), DS_OK);
    ASSERT_EQ(buffer->GetFrequency(&frequency), DS_OK);
    EXPECT_EQ(frequency, 1000u);
    buffer->Release();

    IDirectSoundBuffer* bare = Make(1000, 0);
    EXPECT_EQ(bare->SetVolume(0), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(bare->SetFrequency(1000), DSERR_CONTROLUNAVAIL);
    bare->Release();
}

TEST_F(DirectSoundTest, PlaybackFollowsTheClock) {
    ManualClock clock;
    IDirectSoundBuffer* buffer = Make();
    DWORD status = 0;

    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    clock.AdvanceMs(400);
    EXPECT_EQ(Inspect(buffer).position, 400u);
    ASSERT_EQ(buffer->SetFrequency(2000), DS_OK);  // twice as fast from here
    clock.AdvanceMs(200);
    EXPECT_EQ(Inspect(buffer).position, 800u);
    ASSERT_EQ(buffer->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, DSBSTATUS_PLAYING);
    clock.AdvanceMs(150);
    ASSERT_EQ(buffer->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, 0u) << "played once, it stops at its end";
    EXPECT_EQ(Inspect(buffer).position, 0u);

    ASSERT_EQ(buffer->SetFrequency(1000), DS_OK);
    ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    clock.AdvanceMs(2300);
    ASSERT_EQ(buffer->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    EXPECT_EQ(Inspect(buffer).position, 300u);
    ASSERT_EQ(buffer->Stop(), DS_OK);
    clock.AdvanceMs(100);
    EXPECT_EQ(Inspect(buffer).position, 300u) << "stopping keeps the position";

    EXPECT_EQ(buffer->Play(0, 5, 0), DSERR_INVALIDPARAM) << "a priority needs a deferred buffer";
    EXPECT_EQ(buffer->SetCurrentPosition(1000), DSERR_INVALIDPARAM);
    buffer->Release();
}

TEST_F(DirectSoundTest, LockedRegionsWrapAndKeepTheirBytes) {
    IDirectSoundBuffer* buffer = Make();
    void *a = nullptr, *b = nullptr;
    DWORD la = 0, lb = 0;
    EXPECT_EQ(buffer->Lock(900, 200, &a, &la, nullptr, nullptr, 0), DSERR_INVALIDPARAM) << "wraps without a second region";
    ASSERT_EQ(buffer->Lock(900, 200, &a, &la, &b, &lb, 0), DS_OK);
    EXPECT_EQ(la, 100u);
    EXPECT_EQ(lb, 100u);
    EXPECT_EQ(buffer->Lock(0, 10, &a, &la, &b, &lb, 0), DSERR_INVALIDCALL) << "already locked";
    std::fill_n(static_cast<BYTE*>(a), la, 1);
    std::fill_n(static_cast<BYTE*>(b), lb, 2);
    EXPECT_EQ(buffer->Unlock(b, lb, a, la), DSERR_INVALIDPARAM) << "not the locked regions";
    ASSERT_EQ(buffer->Unlock(a, la, b, lb), DS_OK);

    std::vector<BYTE> bytes = Inspect(buffer).bytes;
    EXPECT_EQ(bytes[0], 2);
    EXPECT_EQ(bytes[99], 2);
    EXPECT_EQ(bytes[100], DirectSoundStandIn::kUnwrittenByte);
    EXPECT_EQ(bytes[900], 1);
    EXPECT_EQ(bytes[999], 1);
    EXPECT_EQ(buffer->Lock(1000, 1, &a, &la, &b, &lb, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Lock(0, 1001, &a, &la, &b, &lb, 0), DSERR_INVALIDPARAM);
    buffer->Release();
}

TEST_F(DirectSoundTest, ALostBufferRefusesWorkUntilRestored) {
    ManualClock clock;
    IDirectSoundBuffer* buffer = Make();
    ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    DirectSoundStandIn::LoseBuffer(buffer);
    DWORD status = 0;
    ASSERT_EQ(buffer->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, DSBSTATUS_BUFFERLOST);
    void* a = nullptr;
    DWORD la = 0;
    EXPECT_EQ(buffer->Lock(0, 10, &a, &la, nullptr, nullptr, 0), DSERR_BUFFERLOST);
    EXPECT_EQ(buffer->Play(0, 0, 0), DSERR_BUFFERLOST);
    EXPECT_EQ(Inspect(buffer).bytes[0], DirectSoundStandIn::kLostByte);

    PlatformFaults::Arm("IDirectSoundBuffer::Restore", DSERR_BUFFERLOST, 2);
    EXPECT_EQ(buffer->Restore(), DSERR_BUFFERLOST);
    EXPECT_EQ(buffer->Restore(), DSERR_BUFFERLOST);
    EXPECT_EQ(buffer->Restore(), DS_OK);
    ASSERT_EQ(buffer->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(buffer->Play(0, 0, 0), DS_OK);
    buffer->Release();
}

TEST_F(DirectSoundTest, ThreeDInterfacesShareTheBuffersLifetime) {
    IDirectSoundBuffer* plain = Make();
    void* object = &object;
    EXPECT_EQ(plain->QueryInterface(IID_IDirectSound3DBuffer, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    plain->Release();

    IDirectSoundBuffer* positioned = Make(1000, DSBCAPS_CTRL3D | DSBCAPS_CTRLVOLUME);
    IDirectSound3DBuffer* in3D = nullptr;
    ASSERT_EQ(positioned->QueryInterface(IID_IDirectSound3DBuffer, reinterpret_cast<void**>(&in3D)), S_OK);
    positioned->Release();
    EXPECT_EQ(DirectSoundStandIn::LiveBufferCount(), 1u) << "the 3D interface still holds the buffer";

    DS3DBUFFER p{};
    EXPECT_EQ(in3D->GetAllParameters(&p), DSERR_INVALIDPARAM) << "the size field must say 64";
    p.dwSize = 64;
    ASSERT_EQ(in3D->GetAllParameters(&p), DS_OK);
    EXPECT_EQ(p.dwMode, DS3DMODE_NORMAL);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* name;
        std::function<void(DS3DBUFFER&)> change;
    } refused[] = {
        {"ZeroMinimum", [](DS3DBUFFER& q) { q.flMinDistance = 0; }},
        {"NanPosition", [&](DS3DBUFFER& q) { q.vPosition.x = nan; }},
        {"UnknownMode", [](DS3DBUFFER& q) { q.dwMode = 3; }},
        {"WideCone", [](DS3DBUFFER& q) { q.dwOutsideConeAngle = 361; }},
        {"SizeField", [](DS3DBUFFER& q) { q.dwSize = 60; }},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        DS3DBUFFER q = p;
        c.change(q);
        EXPECT_EQ(in3D->SetAllParameters(&q, DS3D_IMMEDIATE), DSERR_INVALIDPARAM);
    }
    EXPECT_EQ(in3D->SetAllParameters(&p, 1), DSERR_INVALIDPARAM) << "only immediate changes";
    p.vPosition = {1, 2, 3};
    ASSERT_EQ(in3D->SetAllParameters(&p, DS3D_IMMEDIATE), DS_OK);
    EXPECT_EQ(Inspect(in3D).parameters3D.vPosition.z, 3.0f);
    in3D->Release();
}

TEST_F(DirectSoundTest, TheListenerComesFromAPrimaryBufferWith3D) {
    DSBUFFERDESC d{DSBUFFERDESC_PLATFORM_SIZE, DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D, 0, 0, nullptr, GUID_NULL};
    IDirectSoundBuffer* primary = nullptr;
    ASSERT_EQ(device->CreateSoundBuffer(&d, &primary, nullptr), DS_OK);
    IDirectSound3DListener* listener = nullptr;
    ASSERT_EQ(primary->QueryInterface(IID_IDirectSound3DListener, reinterpret_cast<void**>(&listener)), S_OK);
    DS3DLISTENER l{};
    l.dwSize = 64;
    ASSERT_EQ(listener->GetAllParameters(&l), DS_OK);
    EXPECT_EQ(l.flDistanceFactor, 1.0f);
    l.vOrientFront = {0, 1, 0};
    l.vOrientTop = {0, 0, 1};
    ASSERT_EQ(listener->SetAllParameters(&l, DS3D_IMMEDIATE), DS_OK);
    EXPECT_EQ(Inspect(listener).listener.vOrientTop.z, 1.0f);
    l.flRolloffFactor = 11;
    EXPECT_EQ(listener->SetAllParameters(&l, DS3D_IMMEDIATE), DSERR_INVALIDPARAM);
    listener->Release();
    primary->Release();
}
}  // namespace
