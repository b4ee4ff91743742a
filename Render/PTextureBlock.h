// An ordered set of textures that a material binds to its effect's slots "tex0", "tex1", ... Made and
// shared by the texture cache: equal texture lists give one block.
#pragma once

#include <string>
#include <vector>

#include "core/CPRefObject.h"

class CPTexture;

class CPTextureBlock : public CPRefObject {
public:
    // Acquires every texture.
    explicit CPTextureBlock(std::vector<CPTexture*> textures);
    // Releases every texture and leaves the texture cache's block list.
    ~CPTextureBlock() override;

    size_t GetSize() const override { return sizeof(CPTextureBlock); }
    std::string GetClassName() const override { return "CPTextureBlock"; }

    // In slot order; counted references.
    const std::vector<CPTexture*>& GetTextures() const { return mTextures; }
    int32_t GetCount() const { return static_cast<int32_t>(mTextures.size()); }

private:
    std::vector<CPTexture*> mTextures;
};
