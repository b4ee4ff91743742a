#include "Render/PMaterial.h"

#include "Render/PMaterialManager.h"
#include "core/ServiceGlobals.h"

CPMaterial::CPMaterial(int32_t layerKey, CPSmartPtr<CPEffect> effect, CPSmartPtr<CPTextureBlock> textureBlock)
    : mRenderer(gRenderer), mEffect(std::move(effect)), mTextureBlock(std::move(textureBlock)), mLayerKey(layerKey) {}

CPMaterial::~CPMaterial() {
    if (gMaterialManager) gMaterialManager->RemoveMaterial(this);
    // The effect or block may have been deleted by its cache first: let go without touching it then.
    ReleaseIfAlive(mTextureBlock);
    ReleaseIfAlive(mEffect);
}

std::string CPMaterial::GetClassName() const {
    return "CPMaterial - " + (mEffect ? mEffect->GetName() : std::string());
}
