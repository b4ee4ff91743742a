#include "Render/PMaterialManager.h"

#include "Render/PEffectManager.h"
#include "Render/PTextureManager.h"

CPMaterialManager* gMaterialManager = nullptr;

CPMaterialManager* GetGlobalRenderContext() { return gMaterialManager; }

CPMaterialManager::~CPMaterialManager() { DestroyAll(); }

CPMaterialManager::Key CPMaterialManager::KeyOf(int32_t layerKey, const CPEffect* effect,
                                                const CPTextureBlock* block) {
    return {layerKey, reinterpret_cast<uintptr_t>(effect), reinterpret_cast<uintptr_t>(block)};
}

CPSmartPtr<CPMaterial> CPMaterialManager::CreateMaterial(int32_t layerKey, const std::string& effectName,
                                                         const std::vector<std::string>& textureNames) {
    // Without the host's caches the material still comes out, only without an effect or textures.
    CPSmartPtr<CPEffect> effect = gEffectManager ? gEffectManager->GetEffect(effectName) : nullptr;
    CPSmartPtr<CPTextureBlock> block = gTextureManager ? gTextureManager->CreateTextureBlock(textureNames) : nullptr;

    Key key = KeyOf(layerKey, effect.Get(), block.Get());
    if (CPMaterial* existing = mMaterials.Find(key)) return CPSmartPtr<CPMaterial>(existing);

    auto* material = new CPMaterial(layerKey, effect, block);
    mMaterials.Add(key, material);
    return CPSmartPtr<CPMaterial>(material);
}

void CPMaterialManager::RemoveMaterial(const CPMaterial* material) {
    mMaterials.Remove(KeyOf(material->GetLayerKey(), material->GetEffect().Get(), material->GetTextureBlock().Get()),
                      material);
}
