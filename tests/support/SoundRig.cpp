#include "support/SoundRig.h"

#include <gtest/gtest.h>

#include "Sound/NSound.h"
#include "core/LogStream.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "platform/Com.h"
#include "platform/PlatformFaults.h"

SoundRig::SoundRig() {
    PlatformFaults::Clear();
    CoInitialize(nullptr);
    SetLogReportObserver([this](const std::string& text) { mReports.push_back(text); });
    mWork.Folder().MakeFolder("Data/Sounds");
    mWork.Folder().MakeFolder("Data/Music");

    EXPECT_EQ(DirectSoundCreate(nullptr, &mDevice, nullptr), DS_OK);
    DSBUFFERDESC primary{DSBUFFERDESC_PLATFORM_SIZE, DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D, 0, 0, nullptr, GUID_NULL};
    EXPECT_EQ(mDevice->CreateSoundBuffer(&primary, &mPrimary, nullptr), DS_OK);
    EXPECT_EQ(mPrimary->QueryInterface(IID_IDirectSound3DListener, reinterpret_cast<void**>(&mListener)), S_OK);

    mCache = new CNSoundCache(mDevice);
    mManager = new CNSoundManager(mCache, mListener);
    gSoundCache = mCache;
    gSoundManager = mManager;
}

SoundRig::~SoundRig() {
    delete mManager;
    delete mCache;
    if (mListener) mListener->Release();
    if (mPrimary) mPrimary->Release();
    if (mDevice) mDevice->Release();
    EXPECT_TRUE(gSoundList.empty()) << "a test left sounds alive";
    EXPECT_EQ(DirectSoundStandIn::LiveBufferCount(), 0u);
    gSoundList.clear();
    SetLogReportObserver({});
    CoUninitialize();
    PlatformFaults::Clear();
}

void SoundRig::WriteSound(const std::string& name, const riff::Bytes& bytes) {
    mWork.Folder().Write("Data/Sounds/" + name, bytes);
}

void SoundRig::WriteMusic(const std::string& name, size_t bytes) {
    mWork.Folder().Write("Data/Music/" + name, std::string(bytes, 'm'));
}

bool SoundRig::Reported(const std::string& source, int line) const {
    std::string tail = source + " on line " + std::to_string(line) + "\n";
    for (const std::string& report : mReports) {
        if (report.find(tail) != std::string::npos) return true;
    }
    return false;
}
