// The render-description builder (gRenderObjectManager): turns a ".rdf" description of "Data\Meshes",
// the mesh files it names, its sections and its sprite, light and particle-system entries into a tree
// of game objects with render parts and physics data. It holds the object colour given to every vertex
// read and the settings of the build in progress.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Render/PMeshFile.h"
#include "Render/PRenderDescription.h"
#include "core/CPSmartPtr.h"

class CPGameObject;

class CPRenderObjectManager {
public:
    // Built in place of a description that cannot be loaded.
    static constexpr const char* kFallbackDescription = "wrong.rdf";
    // Nested builds ("lod" entries and the fallback) deeper than this give an empty result.
    static constexpr int32_t kMaxNestedBuilds = 32;

    // How a sprite entry is read and attached.
    enum class SpriteForm {
        kShort,      // animated descriptions: attached only where its parent is found
        kLongEmpty,  // empty descriptions: box of its size, attached to the root when its parent is missing
        kLongMesh,   // mesh descriptions: no box, attached to the root when its parent is missing
    };

    CPRenderObjectManager() = default;
    CPRenderObjectManager(const CPRenderObjectManager&) = delete;
    CPRenderObjectManager& operator=(const CPRenderObjectManager&) = delete;

    // Builds the description "Data\Meshes\<name>" into `result` and returns it. The layer offset is
    // added to every section's "type" and handed to the nested builds. A description that cannot be
    // loaded is replaced by "wrong.rdf". The result is empty when the build made no root: its mesh
    // file (or every animated mesh file) is missing or damaged, "wrong.rdf" is missing too, or the
    // description is already being built further out (a "lod" entry leading back to it). The tree
    // belongs to the caller.
    CPSmartPtr<CPGameObject>& CreateObjectByDescription(CPSmartPtr<CPGameObject>& result, const std::string& name,
                                                        int32_t layerOffset);
    // Whether the description the last CreateObjectByDescription was asked for could not be loaded, so
    // that its result is the tree of "wrong.rdf" (or empty). Nested builds that fell back do not count.
    bool LastBuildFellBack() const { return mFellBack; }
    void SetShadowTexturesFlag(bool set) { mShadowTexturesSet = set; }

    // ---- Sections ----
    // Applies one section to one object: materials, flags, parameter text, flame type, controller,
    // texture animators or a static mesh buffer, and part animations from "Data\Animations".
    void ReadMaterialDescription(CPSmartPtr<CPGameObject> object, const CPDescriptionSection& section,
                                 int32_t layerOffset);

    // ---- Mesh nodes: each builds the object of a checked node record with its subtree ----
    CPSmartPtr<CPGameObject> ReadMeshNode(const CPMeshNodeRecord& node, const CPSectionTable& sections,
                                          int32_t layerOffset);
    CPSmartPtr<CPGameObject> ReadPhysicMeshNode(const CPMeshNodeRecord& node, const CPSectionTable& sections,
                                                int32_t layerOffset);
    CPSmartPtr<CPGameObject> ReadAnimatedMeshNode(const CPMeshNodeRecord& node, const CPSectionTable& sections,
                                                  int32_t layerOffset, const std::string& animationName);
    // Adds the record's animation to an existing animated tree: the node takes the record's own
    // animation (whatever its stored name), each child record goes to the node's direct child of the same
    // name, compared as stored. A child record that matches no child is skipped with its subtree. Nothing
    // else of the tree changes.
    void AddMeshAnimation(CPSmartPtr<CPGameObject> node, const CPMeshNodeRecord& record, const CPSectionTable& sections,
                          int32_t layerOffset, const std::string& animationName);

    // ---- Entries: each builds one object and hangs it below its parent in the tree of `root` ----
    // An entry whose parent cannot be found, and every entry of a build without a root, is not built.
    void BuildSpriteEntry(const std::string& entry, SpriteForm form, CPGameObject* root, const CPSectionTable& sections,
                          int32_t layerOffset);
    void BuildLightEntry(const std::string& entry, CPGameObject* root);
    void BuildParticleSystemEntry(const std::string& entry, CPGameObject* root);

    // ---- State ----
    uint32_t GetObjectColour() const { return mObjectColour; }
    void SetObjectColour(uint32_t colour) { mObjectColour = colour; }
    const std::string& GetMeshName() const { return mMeshName; }
    const std::string& GetShadowTextureFolder() const { return mShadowTextureFolder; }
    const std::string& GetShadowTextureSuffix() const { return mShadowTextureSuffix; }
    const std::string& GetShadowEffectSuffix() const { return mShadowEffectSuffix; }
    bool IsShadowTexturesSet() const { return mShadowTexturesSet; }

private:
    // One build; `name` is already in the chain of builds in progress.
    CPSmartPtr<CPGameObject> Build(const std::string& name, int32_t layerOffset);
    CPSmartPtr<CPGameObject> BuildAnimated(const std::string& name, const CPRenderDescription& description,
                                           int32_t layerOffset);
    CPSmartPtr<CPGameObject> BuildEmpty(const CPRenderDescription& description, int32_t layerOffset);
    CPSmartPtr<CPGameObject> BuildMesh(const std::string& name, const CPRenderDescription& description,
                                       int32_t layerOffset);
    // The root is its own first level of detail, then each "lod" entry in order.
    void BuildLodList(CPGameObject& root, const CPRenderDescription& description, int32_t layerOffset);
    // The vertices' diffuse colours become the object colour.
    void PaintVertices(std::vector<CPVertex>& vertices) const;
    // Collision box and physics shape of each shape record, on the object and its physics data.
    void AddShapes(CPGameObject& object, const std::vector<CPMeshShapeRecord>& shapes);

    uint32_t mObjectColour = 0xFFFFFFFF;  // D3DCOLOR written into every vertex read
    std::string mMeshName;                // header of the last mesh description built, lower-cased
    std::string mShadowTextureFolder;     // tokens of the last "shadowtextures" value
    std::string mShadowTextureSuffix;
    std::string mShadowEffectSuffix;
    // From the parse of a description giving "shadowtextures" to the end of that build or any nested one.
    bool mShadowTexturesSet = false;
    // Lower-cased names of the builds in progress, outermost first.
    std::vector<std::string> mBuildChain;
    bool mFellBack = false;  // the outermost description of the last request could not be loaded
};

// Created by the host; null before.
extern CPRenderObjectManager* gRenderObjectManager;
// The animated mesh file being read, as the description writes it; part of the animation cache keys.
// Keeps its value between builds.
extern std::string gAnimMeshFileName;
