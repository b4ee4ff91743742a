#include "host/AudioHost.h"

#include <algorithm>
#include <filesystem>
#include <string>

#include "Sound/NSound.h"
#include "Sound/NSoundCache.h"
#include "Sound/NSoundManager.h"
#include "Sound/NWaveFile.h"
#include "core/ServiceGlobals.h"
#include "platform/Com.h"
#include "platform/PathResolver.h"

namespace {
// The distances a loaded 3D sound gets (the cache's own choice for new sounds).
constexpr float kMinimumDistance = 3.0f;
constexpr float kMaximumDistance = 300.0f;

bool IsWaveName(const std::string& name) {
    if (name.size() <= 4) return false;
    std::string tail = name.substr(name.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == ".wav";
}

bool IsMono(const std::string& path) {
    CNWaveFile wave;
    return SUCCEEDED(wave.Open(path.c_str(), nullptr, CNWaveFile::kModeRead)) && wave.GetFormat()->nChannels == 1;
}
}  // namespace

void AudioHost::OpenDevice(HWND mainWindow) {
    mComInitialised = SUCCEEDED(CoInitialize(nullptr));
    if (SUCCEEDED(DirectSoundCreate(nullptr, &mDevice, nullptr))) {
        mDevice->SetCooperativeLevel(mainWindow, DSSCL_PRIORITY);
        DSBUFFERDESC primary{DSBUFFERDESC_PLATFORM_SIZE, DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D, 0, 0, nullptr, GUID_NULL};
        if (SUCCEEDED(mDevice->CreateSoundBuffer(&primary, &mPrimary, nullptr))) {
            mPrimary->QueryInterface(IID_IDirectSound3DListener, reinterpret_cast<void**>(&mListener));
        }
    } else {
        mDevice = nullptr;
    }
}

void AudioHost::LoadSounds() {
    if (!gSoundCache || !gSoundManager) return;
    std::string folder = ResolvePath("Data\\Sounds");
    if (!IsDirectory(folder)) return;
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::string name = entry.path().filename().string();
        if (entry.is_regular_file(error) && IsWaveName(name)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());

    for (const std::string& name : names) {
        std::string path = "Data\\Sounds\\" + name;
        int mode = IsMono(path) ? CNSound::kMode3D : CNSound::kModePlain;
        auto* sound = new CNSound(mDevice, path, mode);
        if (!sound->IsLoaded()) {
            delete sound;
            continue;
        }
        mSounds.push_back(sound);
        gSoundCache->AddEntry(name, sound);
        gSoundManager->SetNamedSound(name.substr(0, name.size() - 4), sound);
        if (mode == CNSound::kMode3D) gSoundManager->SetSoundDistances(sound, kMinimumDistance, kMaximumDistance);
    }
}

void AudioHost::DeleteSounds() {
    for (CNSound* sound : mSounds) delete sound;
    mSounds.clear();
}

void AudioHost::CloseDevice() {
    if (mListener) mListener->Release();
    if (mPrimary) mPrimary->Release();
    if (mDevice) mDevice->Release();
    mListener = nullptr;
    mPrimary = nullptr;
    mDevice = nullptr;
    if (mComInitialised) CoUninitialize();
    mComInitialised = false;
}
