// For tests of code that loads effects, textures and materials: a working folder with "Data\Effects"
// and "Data\Textures", a device behind gRenderer (recording its calls when the test asks), and fresh
// effect, texture and material caches in the globals. Everything is destroyed, and the globals restored,
// when it goes out of scope.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/LogStream.h"
#include "support/D3DTestSupport.h"
#include "support/ScopedGlobal.h"
#include "support/TempFolder.h"

class PRender;
class CPEffectManager;
class CPTextureManager;
class CPMaterialManager;

class ScopedRenderCaches {
public:
    explicit ScopedRenderCaches(DeviceRecording recording = DeviceRecording::Off);
    ~ScopedRenderCaches();
    ScopedRenderCaches(const ScopedRenderCaches&) = delete;
    ScopedRenderCaches& operator=(const ScopedRenderCaches&) = delete;

    const TempFolder& Folder() const { return mWorkingFolder.Folder(); }
    IDirect3DDevice9& Device() const { return *mDevice; }

    // Writes "Data/Effects/<name>" / "Data/Textures/<name>" in the working folder.
    void WriteEffect(const std::string& name, const std::string& text) const;
    void WriteTexture(const std::string& name, const std::vector<uint8_t>& bytes) const;

    // Every DirectX error report made since the caches were built, in order.
    const std::vector<std::string>& Reports() const { return mReports; }
    // Where each report was made: the reporting file's name and the line, "PEffect.cpp:69".
    std::vector<std::string> ReportSites() const;

private:
    ScopedWorkingFolder mWorkingFolder;
    D3DPtr<IDirect3DDevice9> mDevice;
    std::vector<std::string> mReports;
    LogReportObserver mPreviousObserver;
    // In this order, so that the caches are emptied and uninstalled before the renderer goes, and the
    // renderer before its device.
    ScopedGlobal<PRender*> mInstallRenderer;
    std::unique_ptr<PRender> mRenderer;
    ScopedGlobal<CPEffectManager*> mInstallEffects;
    ScopedGlobal<CPTextureManager*> mInstallTextures;
    ScopedGlobal<CPMaterialManager*> mInstallMaterials;
};
