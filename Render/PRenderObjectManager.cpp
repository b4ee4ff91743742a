#include "Render/PRenderObjectManager.h"

#include <algorithm>
#include <charconv>
#include <memory>

#include "core/CPGameObject.h"
#include "core/StringUtils.h"
#include "core/config/CPDator.h"
#include "core/files/CPFileReader.h"
#include "core/files/CPTokenizer.h"
#include "core/files/FileReadOnceScope.h"

CPRenderObjectManager* gRenderObjectManager = nullptr;
std::string gAnimMeshFileName;

namespace {

constexpr const char* kMeshFolder = "Data\\Meshes\\";

std::string Lowered(std::string text) { return ToLower(text); }

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// The colour as "%x" reads it: blanks, an optional sign and "0x", then hexadecimal digits (a value beyond
// 32 bits saturates). False when no digit follows; the colour is then left as it was.
bool ReadHexColour(const std::string& text, uint32_t& colour) {
    size_t i = 0;
    while (i < text.size() && IsSpace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (text.compare(i, 2, "0x") == 0 && i + 2 < text.size() && IsHexDigit(text[i + 2])) i += 2;
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data() + i, text.data() + text.size(), value, 16);
    if (end == text.data() + i) return false;
    if (error == std::errc::result_out_of_range || value > UINT32_MAX) value = UINT32_MAX;
    const auto magnitude = static_cast<uint32_t>(value);
    colour = negative ? 0u - magnitude : magnitude;
    return true;
}

// What a file's bytes parse into, parsed once per level load: every object a level places from one
// description reads the same description and mesh file, and a parse depends on the bytes (and the kind
// asked for) alone. `parse` gives the result, null for damaged bytes.
template <class T, class Parse>
std::shared_ptr<const T> ParsedOnce(KeptKind kind, const uint8_t* data, uint32_t size, Parse parse) {
    if (const std::shared_ptr<const void>* kept = FindKeptAnswer(kind, data, size))
        return std::static_pointer_cast<const T>(*kept);
    std::shared_ptr<const T> parsed = parse();
    KeepAnswer(kind, data, size, parsed);
    return parsed;
}

std::shared_ptr<const CPRenderDescription> ParsedDescription(const uint8_t* data, uint32_t size) {
    return ParsedOnce<CPRenderDescription>(KeptKind::kDescription, data, size, [&] {
        return std::make_shared<const CPRenderDescription>(ParseRenderDescription(data, size));
    });
}

bool IsPhysicsMeshName(const std::string& header) {
    return header.size() >= 3 && Lowered(header.substr(header.size() - 3)) == "p3d";
}

}  // namespace

CPSmartPtr<CPGameObject>& CPRenderObjectManager::CreateObjectByDescription(CPSmartPtr<CPGameObject>& result,
                                                                            const std::string& name,
                                                                            int32_t layerOffset) {
    result.Reset();
    if (mBuildChain.empty()) mFellBack = false;
    const std::string key = Lowered(name);
    // A description already being built further out would nest without end.
    if (std::ssize(mBuildChain) >= kMaxNestedBuilds ||
        std::find(mBuildChain.begin(), mBuildChain.end(), key) != mBuildChain.end()) {
        mShadowTexturesSet = false;
        return result;
    }
    mBuildChain.push_back(key);
    result = Build(name, layerOffset);
    mBuildChain.pop_back();
    return result;
}

CPSmartPtr<CPGameObject> CPRenderObjectManager::Build(const std::string& name, int32_t layerOffset) {
    CPFileReader reader(kMeshFolder + name, false);
    if (reader.Load() != S_OK) {
        mShadowTexturesSet = false;
        if (mBuildChain.size() == 1) mFellBack = true;
        CPSmartPtr<CPGameObject> fallback;
        return CreateObjectByDescription(fallback, kFallbackDescription, layerOffset);
    }
    const std::shared_ptr<const CPRenderDescription> parsed = ParsedDescription(reader.GetData(), reader.GetSize());
    const CPRenderDescription& description = *parsed;

    if (!description.shadowTextures.empty()) {
        const std::vector<std::string> tokens = Tokenize(description.shadowTextures, ",", true);
        mShadowTextureFolder = TokenAt(tokens, 0);
        mShadowTextureSuffix = TokenAt(tokens, 1);
        mShadowEffectSuffix = TokenAt(tokens, 2);
        mShadowTexturesSet = true;
    }

    CPSmartPtr<CPGameObject> root;
    switch (description.Kind()) {
    case CPDescriptionKind::kAnimated:
        root = BuildAnimated(name, description, layerOffset);
        break;
    case CPDescriptionKind::kEmpty:
        root = BuildEmpty(description, layerOffset);
        break;
    case CPDescriptionKind::kMesh:
        root = BuildMesh(name, description, layerOffset);
        break;
    }

    if (root && !description.description.empty()) {
        root->SetDescriptionName(description.description);
        root->LoadDescription();
    }
    mShadowTexturesSet = false;
    return root;
}

CPSmartPtr<CPGameObject> CPRenderObjectManager::BuildAnimated(const std::string& name,
                                                              const CPRenderDescription& description,
                                                              int32_t layerOffset) {
    CPSmartPtr<CPGameObject> root;
    const std::vector<std::string> items = Tokenize(description.header, ";", true);
    for (size_t i = 1; i < items.size(); ++i) {
        const std::vector<std::string> item = Tokenize(items[i], ",", true);
        const std::string& animationName = TokenAt(item, 0);
        gAnimMeshFileName = TokenAt(item, 1);
        CPFileReader reader(kMeshFolder + gAnimMeshFileName, false);
        CPMeshNodeRecord record;
        // A damaged file is skipped like one that cannot be loaded.
        if (reader.Load() != S_OK || !ReadAnimatedMeshFile(reader, record)) continue;
        if (!root) {
            root = ReadAnimatedMeshNode(record, description.sections, layerOffset, animationName);
            root->SetSourceName(name);
        } else {
            AddMeshAnimation(root, record, description.sections, layerOffset, animationName);
        }
        root->UpdateTransform();
    }
    if (!root) return root;
    BuildLodList(*root, description, layerOffset);
    for (const std::string& sprite : description.sprites)
        BuildSpriteEntry(sprite, SpriteForm::kShort, root.Get(), description.sections, layerOffset);
    return root;
}

CPSmartPtr<CPGameObject> CPRenderObjectManager::BuildEmpty(const CPRenderDescription& description,
                                                           int32_t layerOffset) {
    CPSmartPtr<CPGameObject> root(new CPGameObject(description.header));
    root->SetRenderPart(nullptr, kRenderNone);
    for (const std::string& sprite : description.sprites)
        BuildSpriteEntry(sprite, SpriteForm::kLongEmpty, root.Get(), description.sections, layerOffset);
    return root;
}

CPSmartPtr<CPGameObject> CPRenderObjectManager::BuildMesh(const std::string& name,
                                                          const CPRenderDescription& description,
                                                          int32_t layerOffset) {
    mMeshName = Lowered(description.header);
    const bool physics = IsPhysicsMeshName(description.header);
    CPSmartPtr<CPGameObject> root;
    CPFileReader reader(kMeshFolder + description.header, false);
    // A damaged file is skipped like one that cannot be loaded: the build then has no root.
    if (reader.Load() != S_OK) return root;
    const CPMeshFileKind kind = physics ? CPMeshFileKind::kPhysics : CPMeshFileKind::kPlain;
    const std::shared_ptr<const CPMeshFileRecord> read =
        ParsedOnce<CPMeshFileRecord>(physics ? KeptKind::kPhysicsMesh : KeptKind::kPlainMesh, reader.GetData(), reader.GetSize(), [&] {
            auto record = std::make_shared<CPMeshFileRecord>();
            return ReadMeshFile(reader, kind, *record) ? std::shared_ptr<const CPMeshFileRecord>(std::move(record))
                                                       : nullptr;
        });
    if (!read) return root;
    const CPMeshFileRecord& file = *read;

    auto readNode = [&](const CPMeshNodeRecord& node) {
        return physics ? ReadPhysicMeshNode(node, description.sections, layerOffset)
                       : ReadMeshNode(node, description.sections, layerOffset);
    };
    if (file.nodes.size() == 1) {
        root = readNode(file.nodes.front());
    } else {
        root = new CPGameObject(name);
        root->SetRenderPart(nullptr, kRenderNone);
        for (const CPMeshNodeRecord& node : file.nodes) root->AddOwnedChild(readNode(node));
    }
    root->SetSourceName(name);
    // The trailing block of named matrices (file.namedMatrices) changes nothing in the tree.
    root->UpdateTransform();

    for (const std::string& point : description.lineKeyPoints) {
        const std::vector<std::string> xyz = Tokenize(point, ",", true);
        root->GetLinePoints().push_back(D3DXVECTOR3(StringToFloat(TokenAt(xyz, 0)), StringToFloat(TokenAt(xyz, 1)),
                                                    StringToFloat(TokenAt(xyz, 2))));
    }
    uint32_t colour = 0;
    // A colour text without a hexadecimal digit keeps the default colour.
    if (!description.lineColour.empty() && ReadHexColour(description.lineColour, colour)) root->SetLineColour(colour);

    for (const std::string& sprite : description.sprites)
        BuildSpriteEntry(sprite, SpriteForm::kLongMesh, root.Get(), description.sections, layerOffset);
    for (const std::string& light : description.lights) BuildLightEntry(light, root.Get());
    BuildLodList(*root, description, layerOffset);
    for (const std::string& system : description.particleSystems) BuildParticleSystemEntry(system, root.Get());
    return root;
}

void CPRenderObjectManager::BuildLodList(CPGameObject& root, const CPRenderDescription& description,
                                         int32_t layerOffset) {
    root.AddLodLevel(CPSmartPtr<CPGameObject>(&root), 0);
    root.Release();
    for (const std::string& lod : description.lods) {
        const std::vector<std::string> tokens = Tokenize(lod, ",", true);
        const std::string& lodName = TokenAt(tokens, 0);
        CPSmartPtr<CPGameObject> level;
        if (lodName != "null") CreateObjectByDescription(level, lodName, layerOffset);
        // The level's tree lives as long as the root that switches to it.
        if (level) root.Adopt(level.Get());
        root.AddLodLevel(level, StringToInt(TokenAt(tokens, 1)));
    }
}
