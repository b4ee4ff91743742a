// One texture of "Data\Textures", 2-D or cube map, with the size of its top level. Handed out by the
// texture cache (PTextureManager.h), one per requested name.
#pragma once

#include <cstdint>
#include <string>

#include "core/CPRefObject.h"
#include "platform/Direct3DResource9.h"

class CPTexture : public CPRefObject {
public:
    CPTexture() = default;
    // Releases the Direct3D textures and leaves the texture cache. A texture named "VIDEO" or "VIDEO1"
    // shows a video player's texture, which the player owns: that one is left alone.
    ~CPTexture() override;

    size_t GetSize() const override { return sizeof(CPTexture); }
    std::string GetClassName() const override { return "CPTexture - " + mName; }

    // Loads the file named by the text before the first "," ("Data\Textures\<file>", or the file of the
    // same name ending in "jpg" when that one cannot be opened). Options: "nomip" (one mip level),
    // "cube" (a cube map). False when neither file can be read or the image cannot be decoded.
    // Runs once, on a new object: the cache is its caller.
    bool Load(const std::string& name);

    // Null for a cube map or when nothing loaded.
    IDirect3DTexture9* GetTexture() const { return mTexture; }
    // Null unless a cube map loaded.
    IDirect3DCubeTexture9* GetCubeTexture() const { return mCubeTexture; }
    // The one that is set, as the effects take it; null when nothing loaded.
    IDirect3DBaseTexture9* GetBaseTexture() const;
    const std::string& GetName() const { return mName; }
    bool IsCube() const { return mIsCube != 0; }
    uint32_t GetWidth() const { return mWidth; }
    uint32_t GetHeight() const { return mHeight; }

    // For the video players: show `texture` (owned by the player) under a new name, "VIDEO" or
    // "VIDEO1". A texture this object loaded itself is released first; a player's is only let go of.
    void ShowVideoTexture(IDirect3DTexture9* texture, const std::string& name);

private:
    // Whether the Direct3D texture belongs to a video player rather than to this object.
    bool IsVideoTexture() const;

    IDirect3DTexture9* mTexture = nullptr;          // owned unless a video texture
    IDirect3DCubeTexture9* mCubeTexture = nullptr;  // owned
    std::string mName;                              // the requested name, options included
    uint8_t mIsCube = 0;                            // 1 when the name carries "cube"
    uint32_t mWidth = 0;                            // texels of level 0
    uint32_t mHeight = 0;                           // texels of level 0
};
