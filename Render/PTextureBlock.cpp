#include "Render/PTextureBlock.h"

#include "Render/PTexture.h"
#include "Render/PTextureManager.h"

CPTextureBlock::CPTextureBlock(std::vector<CPTexture*> textures) : mTextures(std::move(textures)) {
    for (CPTexture* texture : mTextures)
        if (texture) texture->AddRef();
}

CPTextureBlock::~CPTextureBlock() {
    // The cache finds the block by its textures, so it leaves before letting go of them.
    if (gTextureManager) gTextureManager->RemoveTextureBlock(this);
    // A texture deleted before its block is only an address now: letting go of it must not touch it.
    for (CPTexture* texture : mTextures)
        if (gObjectRegistry::Contains(texture)) texture->Release();
}
