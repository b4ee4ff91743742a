#include "Render/PTextureManager.h"

#include <algorithm>

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
    if (auto found = mBlockIndex.find(key); found != mBlockIndex.end()) return CPSmartPtr<CPTextureBlock>(found->second);

    auto* block = new CPTextureBlock(std::move(textures));
    mBlocks.push_back(block);
    mBlockIndex.emplace(std::move(key), block);
    return CPSmartPtr<CPTextureBlock>(block);
}

void CPTextureManager::RemoveTextureBlock(const CPTextureBlock* block) {
    auto indexed = mBlockIndex.find(KeyOf(block->GetTextures()));
    if (indexed == mBlockIndex.end() || indexed->second != block) return;
    mBlockIndex.erase(indexed);
    mBlocks.remove(const_cast<CPTextureBlock*>(block));
}

void CPTextureManager::DestroyAll() {
    std::list<CPTextureBlock*> blocks;
    blocks.swap(mBlocks);
    mBlockIndex.clear();
    for (CPTextureBlock* block : blocks) delete block;
    mTextures.DestroyAll();
}
