#include "Render/PEffectManager.h"

CPEffectManager* gEffectManager = nullptr;

CPEffectManager* GetEffectManager() { return gEffectManager; }

CPEffectManager::CPEffectManager() {
    if (FAILED(D3DXCreateEffectPool(&mPool))) mPool = nullptr;
}

CPEffectManager::~CPEffectManager() {
    DestroyAll();
    if (mPool) mPool->Release();
}

CPSmartPtr<CPEffect> CPEffectManager::GetEffect(const std::string& name) {
    return CPSmartPtr<CPEffect>(mEffects.Fetch(name, "error.fx"));
}

void CPEffectManager::RemoveEffect(const CPEffect* effect) {
    mEffects.Remove(effect);
    // The shared handles point into that effect: they go with it, and the next shared effect sets them.
    if (effect->GetEffect() && effect->GetEffect() == mFirstSharedEffect) {
        mFirstSharedEffect = nullptr;
        mSharedHandles = CPSharedEffectHandles();
    }
}

void CPEffectManager::OnSharedEffectCreated(ID3DXEffect* effect) {
    if (mFirstSharedEffect) return;
    mFirstSharedEffect = effect;
    CPSharedEffectHandles& h = mSharedHandles;
    h.viewInv = effect->GetParameterByName(nullptr, "g_mViewInv");
    h.light = effect->GetParameterByName(nullptr, "g_vLight");
    h.lightColor = effect->GetParameterByName(nullptr, "g_vLightColor");
    h.worldViewProjection = effect->GetParameterByName(nullptr, "g_mWorldViewProjection");
    h.viewProjection = effect->GetParameterByName(nullptr, "g_mViewProjection");
    h.worldView = effect->GetParameterByName(nullptr, "g_mWorldView");
    h.ambient = effect->GetParameterByName(nullptr, "g_vAmbient");
    h.cameraPos = effect->GetParameterByName(nullptr, "g_vCameraPos");
}
