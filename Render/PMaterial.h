// What a renderable is drawn with: an effect, a block of textures for its slots and the key of the
// render layer its geometry belongs to. Made and shared by the material cache (PMaterialManager.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Render/PEffect.h"
#include "Render/PTextureBlock.h"
#include "core/CPRefObject.h"
#include "core/CPSmartPtr.h"

class PRender;

class CPMaterial : public CPRefObject {
public:
    // Holds the effect and the block (either may be empty); the renderer is gRenderer.
    CPMaterial(int32_t layerKey, CPSmartPtr<CPEffect> effect, CPSmartPtr<CPTextureBlock> textureBlock);
    // Releases the block and the effect and leaves the material cache.
    ~CPMaterial() override;

    size_t GetSize() const override { return sizeof(CPMaterial); }
    // "CPMaterial - " and the effect's name.
    std::string GetClassName() const override;

    PRender* GetRenderer() const { return mRenderer; }
    const CPSmartPtr<CPEffect>& GetEffect() const { return mEffect; }
    const CPSmartPtr<CPTextureBlock>& GetTextureBlock() const { return mTextureBlock; }
    int32_t GetLayerKey() const { return mLayerKey; }

    // Per-draw values the frame may keep with the material; empty when built.
    std::vector<uint32_t>& GetValues() { return mValues; }
    uint8_t GetStateFlag() const { return mStateFlag; }
    void SetStateFlag(uint8_t flag) { mStateFlag = flag; }

private:
    PRender* mRenderer;  // gRenderer when built; not owned
    CPSmartPtr<CPEffect> mEffect;
    CPSmartPtr<CPTextureBlock> mTextureBlock;  // may be empty
    std::vector<uint32_t> mValues;
    int32_t mLayerKey;      // key of the render layer the geometry is drawn in
    uint8_t mStateFlag = 0;  // 0 when built; the render layers clear it when they invalidate
};
