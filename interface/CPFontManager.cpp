#include "interface/CPFontManager.h"

#include "Render/PRenderObject.h"
#include "core/CPGameObject.h"
#include "interface/DesignUnits.h"

namespace {

void DeleteFont(CPSmartPtr<CPFont>& held) {
    CPFont* font = held.Get();
    held.Forget();
    delete font;
}

}  // namespace

CPFontManager::~CPFontManager() {
    for (auto& entry : mFonts) DeleteFont(entry.second);
}

bool CPFontManager::AddFont(const std::string& name, CPFont* font) {
    if (!font) return false;
    CPSmartPtr<CPFont>& slot = mFonts[name];
    if (slot.Get() == font) return true;
    if (slot) DeleteFont(slot);
    slot = font;
    return true;
}

CPFont* CPFontManager::FindFont(const std::string& name) const {
    const auto found = mFonts.find(name);
    return found == mFonts.end() ? nullptr : found->second.Get();
}

CPSmartPtr<CPRenderObject> CPFontManager::BuildText(const CPSmartPtr<CPGameObject>& object, float x, float y,
                                                    const std::string& fontName, const std::string& text) const {
    if (!object || object->GetRenderKind() != kRenderObject) return {};
    CPRenderObject* renderObject = object->GetRenderObject();
    const CPFont* font = FindFont(fontName);
    if (!renderObject || !font) return {};

    std::vector<CPVertex>& vertices = renderObject->GetLocalVertices();
    std::vector<uint16_t>& indices = renderObject->GetIndices();
    vertices.clear();
    indices.clear();
    renderObject->SetMaterial(font->GetMaterial());

    const float width = static_cast<float>(gSettings::screenWidth);
    // The height follows the screen width as the widths do: glyphs keep their shape on any screen.
    const float lineHeight = width * font->GetHeight() * kDesignUnitX;
    float penX = x;
    float penY = y;
    for (const char byte : text) {
        const unsigned char c = static_cast<unsigned char>(byte);
        if (c == '^') {
            penX = x;
            penY = penY + lineHeight;
            continue;
        }
        if (vertices.size() / 4 >= kMaxQuads) break;
        const CPGlyph& glyph = font->Glyphs()[c];
        const float charWidth = width * font->Widths()[c] * kDesignUnitX;
        const uint16_t n = static_cast<uint16_t>(vertices.size());
        const float corners[4][4] = {{penX, penY, glyph.s0, glyph.t0},
                                     {penX + charWidth, penY, glyph.s1, glyph.t0},
                                     {penX + charWidth, penY + lineHeight, glyph.s1, glyph.t1},
                                     {penX, penY + lineHeight, glyph.s0, glyph.t1}};
        for (const auto& corner : corners) {
            CPVertex vertex;
            vertex.position = D3DXVECTOR3(corner[0], corner[1], 0.0f);
            vertex.u0 = corner[2];
            vertex.v0 = corner[3];
            vertices.push_back(vertex);
        }
        for (const uint16_t offset : {0, 1, 2, 0, 2, 3}) indices.push_back(static_cast<uint16_t>(n + offset));
        penX = penX + font->Advance(c) * width * kDesignUnitX;
    }
    renderObject->GetWorldVertices() = vertices;
    return CPSmartPtr<CPRenderObject>(renderObject);
}
