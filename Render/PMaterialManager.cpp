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
    if (auto found = mIndex.find(key); found != mIndex.end()) return CPSmartPtr<CPMaterial>(found->second);

    auto* material = new CPMaterial(layerKey, effect, block);
    mMaterials.push_back(material);
    mIndex.emplace(key, material);
    return CPSmartPtr<CPMaterial>(material);
}

void CPMaterialManager::RemoveMaterial(const CPMaterial* material) {
    auto indexed = mIndex.find(KeyOf(material->GetLayerKey(), material->GetEffect().Get(),
                                     material->GetTextureBlock().Get()));
    if (indexed == mIndex.end() || indexed->second != material) return;
    mIndex.erase(indexed);
    mMaterials.remove(const_cast<CPMaterial*>(material));
}

void CPMaterialManager::DestroyAll() {
    std::list<CPMaterial*> materials;
    materials.swap(mMaterials);
    mIndex.clear();
    for (CPMaterial* material : materials) delete material;
}
