#include "support/ScopedRenderCaches.h"

#include "Render/PEffectManager.h"
#include "Render/PMaterialManager.h"
#include "Render/PRender.h"
#include "Render/PTextureManager.h"
#include "core/LogStream.h"
#include "core/ServiceGlobals.h"

ScopedRenderCaches::ScopedRenderCaches()
    : mDevice(MakeTestDevice()),
      mPreviousRenderer(gRenderer),
      mPreviousEffects(gEffectManager),
      mPreviousTextures(gTextureManager),
      mPreviousMaterials(gMaterialManager) {
    Folder().MakeFolder("Data/Effects");
    Folder().MakeFolder("Data/Textures");
    mRenderer = new PRender();
    mRenderer->SetDevice(mDevice.get());
    gRenderer = mRenderer;
    gEffectManager = new CPEffectManager();
    gTextureManager = new CPTextureManager();
    gMaterialManager = new CPMaterialManager();
    SetLogReportObserver([this](const std::string& text) { mReports.push_back(text); });
}

ScopedRenderCaches::~ScopedRenderCaches() {
    SetLogReportObserver({});
    // Materials hold effects and texture blocks, blocks hold textures: the holders go first.
    delete gMaterialManager;
    delete gTextureManager;
    delete gEffectManager;
    gMaterialManager = mPreviousMaterials;
    gTextureManager = mPreviousTextures;
    gEffectManager = mPreviousEffects;
    delete mRenderer;
    gRenderer = mPreviousRenderer;
}

void ScopedRenderCaches::WriteEffect(const std::string& name, const std::string& text) const {
    Folder().Write("Data/Effects/" + name, text);
}

void ScopedRenderCaches::WriteTexture(const std::string& name, const std::vector<uint8_t>& bytes) const {
    Folder().Write("Data/Textures/" + name, std::string(bytes.begin(), bytes.end()));
}
