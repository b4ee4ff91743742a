// The effect cache (gEffectManager): one CPEffect per requested name, compiled once; the effect pool
// of the "shared" effects; and the handles of the shared per-frame parameters.
#pragma once

#include <string>

#include "Render/PEffect.h"
#include "Render/PResourceCache.h"
#include "core/CPSmartPtr.h"
#include "platform/D3DX9Effect.h"

// Handles of the per-frame parameters every shared effect sees through the pool, all looked up in the
// first shared effect that compiled; null before that, or when that effect lacks the parameter.
struct CPSharedEffectHandles {
    D3DXHANDLE viewInv = nullptr;              // "g_mViewInv"
    D3DXHANDLE light = nullptr;                // "g_vLight"
    D3DXHANDLE lightColor = nullptr;           // "g_vLightColor"
    D3DXHANDLE worldViewProjection = nullptr;  // "g_mWorldViewProjection"
    D3DXHANDLE viewProjection = nullptr;       // "g_mViewProjection"
    D3DXHANDLE worldView = nullptr;            // "g_mWorldView"
    D3DXHANDLE ambient = nullptr;              // "g_vAmbient"
    D3DXHANDLE cameraPos = nullptr;            // "g_vCameraPos"
};

class CPEffectManager {
public:
    // Creates the effect pool.
    CPEffectManager();
    // Destroys every cached effect (DestroyAll), then releases the pool.
    ~CPEffectManager();
    CPEffectManager(const CPEffectManager&) = delete;
    CPEffectManager& operator=(const CPEffectManager&) = delete;

    // The effect cached under exactly this text (case and options included). A name met for the first
    // time is loaded; one that does not load is replaced by "error.fx" and keeps answering with it.
    // Never empty.
    CPSmartPtr<CPEffect> GetEffect(const std::string& name);
    // Drops every entry holding this effect; the CPEffect destructor calls it.
    void RemoveEffect(const CPEffect* effect);
    // Null when no effect is cached under the name; loads nothing.
    CPEffect* FindEffect(const std::string& name) const { return mEffects.Find(name); }
    size_t GetEffectCount() const { return mEffects.Size(); }
    // Deletes every cached effect once and empties the cache. Invalidates every pointer to them.
    void DestroyAll() { mEffects.DestroyAll(); }

    // Null when the pool could not be created; shared effects then compile on their own.
    ID3DXEffectPool* GetEffectPool() const { return mPool; }
    ID3DXEffect* GetFirstSharedEffect() const { return mFirstSharedEffect; }
    const CPSharedEffectHandles& GetSharedHandles() const { return mSharedHandles; }

    // The first effect created in the pool fixes the shared handles; later ones change nothing.
    // CPEffect::Load calls it.
    void OnSharedEffectCreated(ID3DXEffect* effect);

private:
    CPResourceCache<CPEffect> mEffects;
    ID3DXEffectPool* mPool = nullptr;                // owned
    ID3DXEffect* mFirstSharedEffect = nullptr;       // not owned: its CPEffect holds it
    CPSharedEffectHandles mSharedHandles;
};

extern CPEffectManager* gEffectManager;
CPEffectManager* GetEffectManager();
