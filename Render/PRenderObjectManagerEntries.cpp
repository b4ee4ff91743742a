// The builder's extra nodes: sprites, point lights and particle systems from the entry lines of a
// description, each hung below its parent in the tree being built.
#include "Render/PLight.h"
#include "Render/PParticleSystem.h"
#include "Render/PRenderObjectManager.h"
#include "Render/PSprite.h"
#include "core/CPBoundingBox.h"
#include "core/CPGameObject.h"
#include "core/config/CPDator.h"
#include "core/config/Settings.h"
#include "core/files/CPTokenizer.h"

namespace {

D3DXVECTOR3 VectorAt(const std::vector<std::string>& tokens, size_t first) {
    return D3DXVECTOR3(StringToFloat(TokenAt(tokens, first)), StringToFloat(TokenAt(tokens, first + 1)),
                       StringToFloat(TokenAt(tokens, first + 2)));
}

CPBoundingBox CubeBox(float halfExtent) {
    return CPBoundingBox(D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXVECTOR3(halfExtent, halfExtent, halfExtent));
}

// The root for its own name, else the node of that name found below it; null when none.
CPGameObject* RootOrFound(CPGameObject* root, const std::string& parentName) {
    if (parentName == root->GetName()) return root;
    return root->FindObject(parentName).Get();
}

bool IsWeatherEntry(const std::string& name) { return name == "snow" || name == "snow2" || name == "snow3"; }

}  // namespace

void CPRenderObjectManager::BuildSpriteEntry(const std::string& entry, SpriteForm form, CPGameObject* root,
                                             const CPSectionTable& sections, int32_t layerOffset) {
    if (!root) return;
    const std::vector<std::string> tokens = Tokenize(entry, ",", true);
    const std::string& name = TokenAt(tokens, 0);
    const std::string& parentName = TokenAt(tokens, 5);
    CPGameObject* parent = nullptr;
    if (parentName.empty()) {
        parent = root;
    } else if (form == SpriteForm::kShort) {
        parent = RootOrFound(root, parentName);
    } else {
        // The long forms fall back on the root; FindObject never compares the root's own name.
        parent = root->FindObject(parentName).Get();
        if (!parent) parent = root;
    }
    // An entry attached nowhere would belong to nobody: it is not built.
    if (!parent) return;

    const float size = StringToFloat(TokenAt(tokens, 4));
    CPSmartPtr<CPGameObject> object(new CPGameObject(name));
    auto* sprite = new CPSprite(size);
    if (form != SpriteForm::kLongEmpty) object->SetStatic(false);
    if (form != SpriteForm::kLongMesh) object->SetBoundingBox(CubeBox(size));
    // An empty tenth token keeps the default direction and cone.
    if (form != SpriteForm::kShort && !TokenAt(tokens, 9).empty())
        sprite->SetCone(VectorAt(tokens, 6), StringToFloat(TokenAt(tokens, 9)));
    sprite->SetOwner(object.Get());
    object->SetRenderPart(sprite, kRenderSprite);
    object->Adopt(sprite);
    object->SetShadow(false);
    object->SetPosition(VectorAt(tokens, 1));
    ReadMaterialDescription(object, FindSection(sections, name), layerOffset);
    parent->AddOwnedChild(object);
}

void CPRenderObjectManager::BuildLightEntry(const std::string& entry, CPGameObject* root) {
    if (!root) return;
    const std::vector<std::string> tokens = Tokenize(entry, ",", true);
    CPGameObject* parent = RootOrFound(root, TokenAt(tokens, 1));
    if (!parent) return;

    CPSmartPtr<CPGameObject> object(new CPGameObject(TokenAt(tokens, 0)));
    auto* light = new CPLight;
    light->SetOwner(object.Get());
    object->SetRenderPart(light, kRenderLight);
    object->Adopt(light);
    object->SetShadow(false);

    D3DLIGHT9& record = light->GetRecord();
    D3DCOLORVALUE colour{};
    colour.r = StringToFloat(TokenAt(tokens, 6));
    colour.g = StringToFloat(TokenAt(tokens, 7));
    colour.b = StringToFloat(TokenAt(tokens, 8));
    record.Diffuse = colour;
    record.Specular = colour;
    record.Ambient = colour;
    record.Range = StringToFloat(TokenAt(tokens, 10));
    record.Attenuation0 = 0.0f;
    record.Attenuation1 = StringToFloat(TokenAt(tokens, 9));
    record.Attenuation2 = 0.0f;
    record.Type = D3DLIGHT_POINT;
    // Position and direction follow the owner every frame.

    object->SetBoundingBox(CubeBox(record.Range));
    object->SetPosition(VectorAt(tokens, 3));
    parent->AddOwnedChild(object);
}

void CPRenderObjectManager::BuildParticleSystemEntry(const std::string& entry, CPGameObject* root) {
    if (!root) return;
    const std::vector<std::string> tokens = Tokenize(entry, ",", true);
    const std::string& name = TokenAt(tokens, 0);
    if (gSettings::weather == 0 && IsWeatherEntry(name)) return;
    // Only the root itself or one of its direct children can carry a particle system.
    const std::string& parentName = TokenAt(tokens, 1);
    CPGameObject* parent = parentName == root->GetName() ? root : root->GetChild(parentName).Get();
    if (!parent) return;

    CPSmartPtr<CPGameObject> object(new CPGameObject(name));
    const std::vector<std::string> emitters(tokens.begin() + std::min<ptrdiff_t>(6, std::ssize(tokens)), tokens.end());
    auto* system = new CPParticleSystem(object.Get(), emitters);
    system->SetStep(StringToFloat(TokenAt(tokens, 5)));
    object->SetRenderPart(system, kRenderParticles);
    object->Adopt(system);
    object->SetShadow(false);
    object->SetBoundingBox(CubeBox(0.5f));
    object->SetPosition(VectorAt(tokens, 2));
    parent->AddOwnedChild(object);
}
