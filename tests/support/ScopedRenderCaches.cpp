#include "support/ScopedRenderCaches.h"

#include "Render/PEffectManager.h"
#include "Render/PMaterialManager.h"
#include "Render/PRender.h"
#include "Render/PTextureManager.h"
#include "core/LogStream.h"
#include "core/ServiceGlobals.h"

ScopedRenderCaches::ScopedRenderCaches(DeviceRecording recording)
    : mDevice(recording == DeviceRecording::On ? MakeRecordingDevice() : MakeTestDevice()),
      mInstallRenderer(gRenderer, nullptr),
      mRenderer(std::make_unique<PRender>(mDevice.get())),
      mInstallEffects(gEffectManager, new CPEffectManager()),
      mInstallTextures(gTextureManager, new CPTextureManager()),
      mInstallMaterials(gMaterialManager, new CPMaterialManager()) {
    Folder().MakeFolder("Data/Effects");
    Folder().MakeFolder("Data/Textures");
    gRenderer = mRenderer.get();
    mPreviousObserver = SetLogReportObserver([this](const std::string& text) { mReports.push_back(text); });
}

ScopedRenderCaches::~ScopedRenderCaches() {
    SetLogReportObserver(std::move(mPreviousObserver));
    // Materials hold effects and texture blocks, blocks hold textures: the holders go first, each
    // while the caches are still installed. The guards then restore the previous caches.
    delete gMaterialManager;
    delete gTextureManager;
    delete gEffectManager;
}

void ScopedRenderCaches::WriteEffect(const std::string& name, const std::string& text) const {
    Folder().Write("Data/Effects/" + name, text);
}

void ScopedRenderCaches::WriteTexture(const std::string& name, const std::vector<uint8_t>& bytes) const {
    Folder().Write("Data/Textures/" + name, std::string(bytes.begin(), bytes.end()));
}

std::vector<std::string> ScopedRenderCaches::ReportSites() const {
    // A report opens with "DXError if <source path> on line <line>\n".
    std::vector<std::string> sites;
    for (const std::string& report : mReports) {
        const std::string prefix = "DXError if ";
        size_t on = report.find(" on line ");
        size_t end = report.find('\n');
        if (report.rfind(prefix, 0) != 0 || on == std::string::npos || end == std::string::npos) {
            sites.push_back(report);
            continue;
        }
        std::string source = report.substr(prefix.size(), on - prefix.size());
        size_t slash = source.find_last_of("/\\");
        if (slash != std::string::npos) source.erase(0, slash + 1);
        sites.push_back(source + ":" + report.substr(on + 9, end - on - 9));
    }
    return sites;
}
