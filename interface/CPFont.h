// A font of the interface texts: the material every character is drawn with and, per byte code, the
// image of the character in the font texture and its advance. Sizes are 1024-wide design units.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "Render/PMaterial.h"
#include "core/CPRefObject.h"
#include "core/CPSmartPtr.h"

// Texture coordinates of a character's image: top-left (s0, t0), bottom-right (s1, t1).
struct CPGlyph {
    float s0 = 0.0f, t0 = 0.0f;
    float s1 = 0.0f, t1 = 0.0f;
};

class CPFont : public CPRefObject {
public:
    static constexpr int kGlyphCount = 256;  // one per byte code

    // No material; every glyph, width and size 0.
    CPFont() = default;

    size_t GetSize() const override { return sizeof(CPFont); }
    std::string GetClassName() const override { return "CPFont"; }

    const CPSmartPtr<CPMaterial>& GetMaterial() const { return mMaterial; }
    void SetMaterial(CPMaterial* material) { mMaterial = material; }

    std::array<CPGlyph, kGlyphCount>& Glyphs() { return mGlyphs; }
    const std::array<CPGlyph, kGlyphCount>& Glyphs() const { return mGlyphs; }
    std::array<float, kGlyphCount>& Widths() { return mWidths; }
    const std::array<float, kGlyphCount>& Widths() const { return mWidths; }

    float GetHeight() const { return mHeight; }
    void SetHeight(float height) { mHeight = height; }
    float GetSpacing() const { return mSpacing; }
    void SetSpacing(float spacing) { mSpacing = spacing; }
    float GetExtraSpacing() const { return mExtraSpacing; }
    void SetExtraSpacing(float extraSpacing) { mExtraSpacing = extraSpacing; }

    // What the pen moves on after the character: width - spacing - extra spacing / 2, design units.
    float Advance(unsigned char c) const { return mWidths[c] - mSpacing - mExtraSpacing * 0.5f; }

private:
    CPSmartPtr<CPMaterial> mMaterial;  // shared with the material cache
    std::array<CPGlyph, kGlyphCount> mGlyphs{};
    std::array<float, kGlyphCount> mWidths{};  // advance width per byte code, design units
    float mHeight = 0.0f;        // character height, design units
    float mSpacing = 0.0f;       // taken off every advance, design units
    float mExtraSpacing = 0.0f;  // half of it taken off every advance, design units
};
