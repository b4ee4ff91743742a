// The builder's section reader: one section of a description applied to one object of the tree.
#include <memory>

#include "Render/PAnimatedObject.h"
#include "Render/PMaterial.h"
#include "Render/PMaterialManager.h"
#include "Render/PPartAnimationFile.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "Render/PRenderObjectManager.h"
#include "Render/PSprite.h"
#include "Render/PTexAnimator.h"
#include "core/CPCommandDispatcher.h"
#include "core/CPCommandTask.h"
#include "core/CPGameObject.h"
#include "core/ServiceGlobals.h"
#include "core/config/CPDator.h"
#include "core/files/CPFileFinder.h"
#include "core/files/CPTokenizer.h"

namespace {

constexpr int32_t kShadowLayerKey = PRender::kMainViewLayer;  // planar shadows draw in the main view
constexpr int32_t kFireLayerKey = 20;
constexpr const char* kHoleyEffect = "holey.fx";
constexpr const char* kHoleyShadowEffect = "holey_shadow.fx";
constexpr const char* kFireSuffix = "_fire.tga";

const std::string* Value(const CPDescriptionSection& section, const char* key) {
    auto found = section.find(key);
    return found == section.end() ? nullptr : &found->second;
}

std::string ValueOrEmpty(const CPDescriptionSection& section, const char* key) {
    const std::string* value = Value(section, key);
    return value ? *value : std::string();
}

bool FileExists(const std::string& folder, const std::string& name) {
    return CPFileFinder(folder + "\\" + name).FindFirst() == S_OK;
}

CPSmartPtr<CPMaterial> MakeMaterial(int32_t layerKey, const std::string& effect, const std::vector<std::string>& textures) {
    return gMaterialManager ? gMaterialManager->CreateMaterial(layerKey, effect, textures) : CPSmartPtr<CPMaterial>();
}

// Gives the material to the render part by kind: meshes, animated objects and sprites take one.
void SetPartMaterial(CPGameObject& object, const CPSmartPtr<CPMaterial>& material) {
    switch (object.GetRenderKind()) {
    case kRenderObject:
        static_cast<CPRenderObject*>(object.GetRenderPart())->SetMaterial(material);
        break;
    case kRenderAnimated:
        static_cast<CPAnimatedObject*>(object.GetRenderPart())->SetMaterial(material);
        break;
    case kRenderSprite:
        static_cast<CPSprite*>(object.GetRenderPart())->SetMaterial(material);
        break;
    default:
        break;
    }
}

// Hands the animator to a part that can hold one; false when the part cannot.
bool AddPartAnimator(CPGameObject& object, std::unique_ptr<CPTexAnimator> animator) {
    switch (object.GetRenderKind()) {
    case kRenderObject:
        static_cast<CPRenderObject*>(object.GetRenderPart())->AddAnimator(std::move(animator));
        object.SetStatic(false);
        return true;
    case kRenderAnimated:
        static_cast<CPAnimatedObject*>(object.GetRenderPart())->AddAnimator(std::move(animator));
        object.SetStatic(false);
        return true;
    case kRenderSprite:
        static_cast<CPSprite*>(object.GetRenderPart())->AddAnimator(std::move(animator));
        return true;
    default:
        return false;
    }
}

}  // namespace

void CPRenderObjectManager::ReadMaterialDescription(CPSmartPtr<CPGameObject> object,
                                                    const CPDescriptionSection& section, int32_t layerOffset) {
    if (!object) return;
    std::string effect = ValueOrEmpty(section, "effectfile");
    std::vector<std::string> textures{ValueOrEmpty(section, "texturefile1")};
    for (const char* key : {"texturefile2", "texturefile3", "texturefile4"})
        if (const std::string* texture = Value(section, key)) textures.push_back(*texture);

    if (mShadowTexturesSet) {
        const std::string candidate = mShadowTextureFolder + "\\" + object->GetName() + mShadowTextureSuffix;
        if (FileExists("Data\\Textures", candidate)) {
            const std::string base = effect.size() < 3 ? effect : effect.substr(0, effect.size() - 3);
            const std::string shadowEffect = base + mShadowEffectSuffix;
            if (FileExists("Data\\Effects", shadowEffect)) {
                textures.push_back(candidate);
                effect = shadowEffect;
            }
        }
    }

    // The key wraps around at the ends of the int range, as the machine's addition does.
    const auto layerKey = static_cast<int32_t>(static_cast<uint32_t>(StringToInt(ValueOrEmpty(section, "type"))) +
                                               static_cast<uint32_t>(layerOffset));
    const CPSmartPtr<CPMaterial> material = MakeMaterial(layerKey, effect, textures);
    // The flag as it stood before this section's "shadow" key.
    if (object->HasShadow()) {
        if (effect == kHoleyEffect) {
            object->SetShadowMaterial(MakeMaterial(kShadowLayerKey, kHoleyShadowEffect, textures).Get());
        } else {
            object->SetShadowMaterial(gRenderer ? gRenderer->mDefaultShadowMaterial : nullptr);
        }
    }
    SetPartMaterial(*object, material);

    if (const std::string* v = Value(section, "visible")) object->SetVisible(StringToInt(*v) != 0);
    if (const std::string* v = Value(section, "shadow")) object->SetShadow(StringToInt(*v) != 0);
    if (const std::string* v = Value(section, "param")) object->SetParameterText(*v);
    if (const std::string* v = Value(section, "collision")) object->SetCollidable(StringToInt(*v) != 0);
    if (const std::string* v = Value(section, "flametype")) object->SetFlameType(StringToInt(*v));

    // A fire texture beside the first texture gives the object (not its render part) a fire material.
    const std::string first = textures.front();
    const std::string fireTexture = first.substr(0, first.find('.')) + kFireSuffix;
    if (FileExists("Data\\Textures", fireTexture))
        object->SetMaterial(MakeMaterial(kFireLayerKey, kHoleyEffect, {fireTexture}).Get());

    if (const std::string* name = Value(section, "script")) {
        if (gCommandDispatcher) object->SetController(gCommandDispatcher->FindByName(*name));
    }

    if (const std::string* effects = Value(section, "vertexeffect")) {
        for (const std::string& entry : Tokenize(*effects, ";", true)) {
            const std::vector<std::string> words = Tokenize(entry, " ", true);
            std::unique_ptr<CPTexAnimator> animator =
                CreateTexAnimator(TokenAt(words, 0), Tokenize(TokenAt(words, 1), ",", true));
            if (animator) AddPartAnimator(*object, std::move(animator));
        }
    } else if (object->GetRenderKind() == kRenderObject) {
        auto* mesh = static_cast<CPRenderObject*>(object->GetRenderPart());
        if (!mesh->IsSkipped()) {
            // From now on the renderer draws the shared static buffer of this node.
            mesh->SetMeshBufferName(mMeshName + object->GetName());
            mesh->SetMeshBuffers(gRenderer ? gRenderer->GetMeshBuffers(mesh->GetMeshBufferName(),
                                                                       mesh->GetLocalVertices().data(),
                                                                       mesh->GetIndices().data(),
                                                                       mesh->GetVertexCount(), mesh->GetIndexCount())
                                           : nullptr);
            mesh->SetSkipped(true);
        }
    }

    if (const std::string* items = Value(section, "animation")) {
        CPGameObject::ObjectList objects;
        object->CollectObjects(objects);
        for (const std::string& item : Tokenize(*items, ";", true)) {
            const std::vector<std::string> parts = Tokenize(item, ",", true);
            CPPartAnimationTable tracks(kPartAnimationBuckets);
            ReadAnimationDescription(TokenAt(parts, 1), tracks);
            for (const CPSmartPtr<CPGameObject>& node : objects) {
                auto found = tracks.find(node->GetName());
                if (found == tracks.end()) continue;
                found->second->SetOwner(node.Get());
                node->SetAnimation(TokenAt(parts, 0), found->second);
            }
            // A track moves the last node of its name but every node of that name holds it: it lives
            // with the section's object, whose subtree holds them all. Unmatched tracks go now.
            for (auto& [nodeName, track] : tracks) {
                if (track->GetOwner()) {
                    object->Adopt(track.Get());
                } else {
                    CPPartAnimation* unused = track.Get();
                    track.Forget();
                    delete unused;
                }
            }
        }
    }
}
