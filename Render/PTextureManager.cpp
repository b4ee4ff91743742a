#include "Render/PTextureManager.h"

CPTextureManager* gTextureManager = nullptr;

CPTextureManager* GetTextureManager() { return gTextureManager; }

CPTextureManager::~CPTextureManager() { DestroyAll(); }

CPSmartPtr<CPTexture> CPTextureManager::GetTexture(const std::string& name) {
    return CPSmartPtr<CPTexture>(mTextures.Fetch(name, "error.tga"));
}

void CPTextureManager::RemoveTexture(const CPTexture* texture) { mTextures.Remove(texture); }

CPTextureManager::BlockKey CPTextureManager::KeyOf(const std::vector<CPTexture*>& textures) {
    BlockKey key;
    key.reserve(textures.size());
    for (CPTexture* texture : textures) key.push_back(reinterpret_cast<uintptr_t>(texture));
    return key;
}

CPSmartPtr<CPTextureBlock> CPTextureManager::CreateTextureBlock(std::vector<std::string> names) {
    std::vector<CPTexture*> textures;
    textures.reserve(names.size());
    for (const std::string& name : names) textures.push_back(GetTexture(name).Get());

    BlockKey key = KeyOf(textures);
    if (CPTextureBlock* existing = mBlocks.Find(key)) return CPSmartPtr<CPTextureBlock>(existing);

    auto* block = new CPTextureBlock(std::move(textures));
    mBlocks.Add(key, block);
    return CPSmartPtr<CPTextureBlock>(block);
}

void CPTextureManager::RemoveTextureBlock(const CPTextureBlock* block) {
    mBlocks.Remove(KeyOf(block->GetTextures()), block);
}

void CPTextureManager::DestroyAll() {
    mBlocks.DestroyAll();
    mTextures.DestroyAll();
}
