// For tests of the sky and cloud classes: the render caches' working folder and device behind gRenderer
// (recording when the test asks), the same device in gSkyRenderDevice, and a fresh gLevel. The globals
// are restored on exit.
#pragma once

#include <memory>
#include <string>

#include "support/ScopedGlobal.h"
#include "support/ScopedRenderCaches.h"

class CPLevel;
class IDirect3DDevice9;

class SkyTestRig {
public:
    explicit SkyTestRig(DeviceRecording recording = DeviceRecording::Off);
    ~SkyTestRig();
    SkyTestRig(const SkyTestRig&) = delete;
    SkyTestRig& operator=(const SkyTestRig&) = delete;

    ScopedRenderCaches& Caches() { return mCaches; }
    const TempFolder& Folder() const { return mCaches.Folder(); }
    IDirect3DDevice9& Device() const { return mCaches.Device(); }
    CPLevel& Level() const { return *mLevel; }

    // Writes "Data/Clouds/<name>" in the working folder.
    void WriteCloudFile(const std::string& name, const std::string& text) const;

private:
    ScopedRenderCaches mCaches;
    std::unique_ptr<CPLevel> mLevel;
    ScopedGlobal<CPLevel*> mInstallLevel;
    IDirect3DDevice9* mPreviousSkyDevice;
};
