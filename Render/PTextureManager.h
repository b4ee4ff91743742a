// The texture cache (gTextureManager): one CPTexture per requested name, "error.tga" in place of one
// that does not load, and the texture blocks of the materials, one per distinct ordered texture list.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "Render/PResourceCache.h"
#include "Render/PSharedObjectList.h"
#include "Render/PTexture.h"
#include "Render/PTextureBlock.h"
#include "core/CPSmartPtr.h"

class CPTextureManager {
public:
    CPTextureManager() = default;
    // Destroys every block and every cached texture (DestroyAll).
    ~CPTextureManager();
    CPTextureManager(const CPTextureManager&) = delete;
    CPTextureManager& operator=(const CPTextureManager&) = delete;

    // The texture cached under exactly this text (case and options included); a name met for the first
    // time is loaded, and one that does not load is replaced by "error.tga". Never empty.
    CPSmartPtr<CPTexture> GetTexture(const std::string& name);
    // Drops every entry holding this texture; the CPTexture destructor calls it.
    void RemoveTexture(const CPTexture* texture);
    // Null when no texture is cached under the name; loads nothing.
    CPTexture* FindTexture(const std::string& name) const { return mTextures.Find(name); }
    size_t GetTextureCount() const { return mTextures.Size(); }

    // The block of these textures in this order, fetching each by name; an existing block of the same
    // textures is handed out again, else a new one joins the end of the block list.
    CPSmartPtr<CPTextureBlock> CreateTextureBlock(std::vector<std::string> names);
    // Takes the block off the list when it is there; the CPTextureBlock destructor calls it.
    void RemoveTextureBlock(const CPTextureBlock* block);
    // In creation order.
    const std::list<CPTextureBlock*>& GetTextureBlocks() const { return mBlocks.Objects(); }

    // Deletes every block, then every cached texture once, and empties both. Invalidates every
    // pointer to them.
    void DestroyAll();

private:
    using BlockKey = std::vector<uintptr_t>;  // the block's texture addresses in order
    static BlockKey KeyOf(const std::vector<CPTexture*>& textures);

    CPSharedObjectList<BlockKey, CPTextureBlock> mBlocks;
    CPResourceCache<CPTexture> mTextures;
};

extern CPTextureManager* gTextureManager;
CPTextureManager* GetTextureManager();
