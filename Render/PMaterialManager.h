// The material cache (gMaterialManager): every material made, in creation order, and one material per
// distinct effect, texture block and layer key, so that equal descriptions anywhere share one object.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <tuple>
#include <vector>

#include "Render/PMaterial.h"
#include "Render/PSharedObjectList.h"
#include "core/CPSmartPtr.h"

class CPMaterialManager {
public:
    CPMaterialManager() = default;
    // Destroys every material (DestroyAll).
    ~CPMaterialManager();
    CPMaterialManager(const CPMaterialManager&) = delete;
    CPMaterialManager& operator=(const CPMaterialManager&) = delete;

    // The material of this layer key, effect (from gEffectManager) and ordered texture list (a block of
    // gTextureManager); an existing one is handed out again, otherwise a new one joins the list. An
    // empty texture list is valid. Never empty.
    CPSmartPtr<CPMaterial> CreateMaterial(int32_t layerKey, const std::string& effectName,
                                          const std::vector<std::string>& textureNames);
    // Takes the material off the cache when it is there; the CPMaterial destructor calls it.
    void RemoveMaterial(const CPMaterial* material);

    // In creation order.
    const std::list<CPMaterial*>& GetMaterials() const { return mMaterials.Objects(); }
    // Deletes every material and empties the cache. Invalidates every pointer to them.
    void DestroyAll() { mMaterials.DestroyAll(); }

private:
    using Key = std::tuple<int32_t, uintptr_t, uintptr_t>;  // layer key, effect and block addresses
    static Key KeyOf(int32_t layerKey, const CPEffect* effect, const CPTextureBlock* block);

    CPSharedObjectList<Key, CPMaterial> mMaterials;
};

extern CPMaterialManager* gMaterialManager;
// The context materials are made on: the material cache.
CPMaterialManager* GetGlobalRenderContext();
