#include "support/SkyTestRig.h"

#include "DynamicSky/SkyRenderDevice.h"
#include "core/ServiceGlobals.h"
#include "simulation/level/CPLevel.h"

SkyTestRig::SkyTestRig(DeviceRecording recording)
    : mCaches(recording),
      mLevel(std::make_unique<CPLevel>()),
      mInstallLevel(gLevel, mLevel.get()),
      mPreviousSkyDevice(gSkyRenderDevice.GetDevice()) {
    gSkyRenderDevice.SetDevice(&mCaches.Device());
    mCaches.Folder().MakeFolder("Data/Clouds");
}

SkyTestRig::~SkyTestRig() {
    gSkyRenderDevice.SetDevice(mPreviousSkyDevice);
}

void SkyTestRig::WriteCloudFile(const std::string& name, const std::string& text) const {
    mCaches.Folder().Write("Data/Clouds/" + name, text);
}
