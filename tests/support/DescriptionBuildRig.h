// For tests and benchmarks of the render-description builder: a working folder with the data folders,
// the render caches behind a renderer, a vertex-animation cache, an emitter table, a task
// kernel and a fresh CPRenderObjectManager, all installed in the globals. The trees it builds are
// deleted (with everything they own) before the rest is taken down and the globals restored; an engine
// object made meanwhile that is still alive then is reported as a test failure (the object registry
// keeps every live object reachable, so the leak checker cannot see such leaks).
#pragma once

#include <string>
#include <vector>

#include "Render/PAnimation.h"
#include "Render/PRenderObjectManager.h"
#include "core/CPGameObject.h"
#include "support/ScopedEmitterTable.h"
#include "support/ScopedGlobal.h"
#include "support/ScopedRenderCaches.h"
#include "support/ScopedTaskKernel.h"

// Fails the test when more engine objects live at its end than at its start.
class LiveObjectWatch {
public:
    LiveObjectWatch() : mBefore(gObjectRegistry::Size()) {}
    ~LiveObjectWatch();

private:
    size_t mBefore;
};

class DescriptionBuildRig {
public:
    DescriptionBuildRig();
    ~DescriptionBuildRig();
    DescriptionBuildRig(const DescriptionBuildRig&) = delete;
    DescriptionBuildRig& operator=(const DescriptionBuildRig&) = delete;

    // Files in "Data/Meshes", "Data/Animations", "Data/Textures", "Data/Effects" and "Data/Descriptions".
    void WriteMesh(const std::string& name, const std::string& bytes) const;
    void WriteDescription(const std::string& name, const std::string& text) const { WriteMesh(name, text); }
    void WriteAnimation(const std::string& name, const std::string& bytes) const;
    // An empty file: enough for the existence tests of the section reader.
    void WriteTexture(const std::string& name) const;
    void WriteEffect(const std::string& name) const;
    void WriteXmlDescription(const std::string& name, const std::string& text) const;

    // CreateObjectByDescription; the tree is kept for deletion. Null for an empty result.
    CPGameObject* Build(const std::string& name, int32_t layerOffset = 20);
    // Deletes a kept tree now (for tests that build many).
    void Delete(CPGameObject* root);

    CPRenderObjectManager& Manager() { return mManager; }
    ScopedRenderCaches& Caches() { return mCaches; }
    CPAnimationManager& Animations() { return mAnimations; }
    ScopedEmitterTable& Emitters() { return mEmitters; }

private:
    LiveObjectWatch mWatch;  // first: checks after everything else is gone
    ScopedTaskKernel mKernel;
    ScopedRenderCaches mCaches;
    ScopedEmitterTable mEmitters;
    CPAnimationManager mAnimations;
    ScopedGlobal<CPAnimationManager*> mInstallAnimations{gAnimationManager, &mAnimations};
    CPRenderObjectManager mManager;
    ScopedGlobal<CPRenderObjectManager*> mInstallManager{gRenderObjectManager, &mManager};
    std::vector<CPGameObject*> mBuilt;
};

// Every node of the tree in pre-order (CollectObjects).
std::vector<CPGameObject*> TreeNodes(CPGameObject* root);
// The node of that name in the tree, the root included; null when none.
CPGameObject* TreeNode(CPGameObject* root, const std::string& name);
