#include "Render/PEffect.h"

#include <cstdio>

#include "Render/PEffectManager.h"
#include "Render/PRender.h"
#include "core/LogStream.h"
#include "core/ServiceGlobals.h"
#include "core/files/CPFileReader.h"
#include "core/files/CPTokenizer.h"

namespace {
// Report lines of the two creation sites: the requested file, and the "\simple.fx" stand-in.
constexpr int kReportLineRequested = 69;
constexpr int kReportLineSimple = 89;

const char kEffectFolder[] = "Data\\Effects";
}  // namespace

CPEffect::~CPEffect() {
    if (gEffectManager) gEffectManager->RemoveEffect(this);
    if (mEffect) mEffect->Release();
    mEffect = nullptr;
}

bool CPEffect::Load(const std::string& name) {
    mName = name;

    CPTokenizer items(name, ",", true);
    std::string file;
    items.NextToken(file);
    bool shared = false;
    for (std::string option; items.NextToken(option);)
        if (option == "shared") shared = true;

    ID3DXEffectPool* pool = shared && gEffectManager ? gEffectManager->GetEffectPool() : nullptr;
    bool result = true;
    bool inPool = false;
    CPFileReader requested(std::string(kEffectFolder) + "\\" + file, false);
    if (requested.Load() == S_OK) {
        // A file that is there but does not compile fails the load, so the cache puts "error.fx" in its place.
        result = Create(requested, pool, kReportLineRequested);
        inPool = result && pool != nullptr;
    } else {
        CPFileReader simple(std::string(kEffectFolder) + "\\simple.fx", false);
        if (simple.Load() == S_OK) result = Create(simple, nullptr, kReportLineSimple);
    }

    if (mEffect) {
        // Only an effect made in the pool can stand for the pool's shared parameters.
        if (inPool) gEffectManager->OnSharedEffectCreated(mEffect);
        BindHandles();
    }
    return result;
}

bool CPEffect::Create(const CPFileReader& file, ID3DXEffectPool* pool, int reportLine) {
    IDirect3DDevice9* device = gRenderer ? gRenderer->GetDevice() : nullptr;
    ID3DXBuffer* errors = nullptr;
    HRESULT result =
        D3DXCreateEffect(device, file.GetData(), file.GetSize(), nullptr, nullptr, 0, pool, &mEffect, &errors);
    if (errors) errors->Release();
    if (FAILED(result)) {
        mEffect = nullptr;
        ReportDXError(__FILE__, reportLine, result);
        return false;
    }
    return true;
}

void CPEffect::BindHandles() {
    D3DXHANDLE technique = nullptr;
    mEffect->FindNextValidTechnique(nullptr, &technique);
    mEffect->SetTechnique(technique);
    mTextureHandles.clear();
    mTimeHandle = mEffect->GetParameterByName(nullptr, "time");
    // The slots end at the first index the effect does not declare: "tex0", "tex1", "tex3" gives two.
    for (int slot = 0;; ++slot) {
        char slotName[16];
        std::snprintf(slotName, sizeof slotName, "tex%d", slot);
        D3DXHANDLE handle = mEffect->GetParameterByName(nullptr, slotName);
        if (!handle) break;
        mTextureHandles.push_back(handle);
    }
}

void CPEffect::OnLostDevice() {
    if (mEffect) mEffect->OnLostDevice();
}

void CPEffect::OnResetDevice() {
    if (mEffect) mEffect->OnResetDevice();
}
