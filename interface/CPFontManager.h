// The font manager (gFontManager): the interface fonts by name, and the layout that turns a text into
// one textured quad per character in a text object's render object.
#pragma once

#include <string>
#include <unordered_map>

#include "core/CPSmartPtr.h"
#include "interface/CPFont.h"

class CPGameObject;
class CPRenderObject;

class CPFontManager {
public:
    // Quads one layout writes at most: their vertices must stay addressable by 16-bit indices.
    static constexpr size_t kMaxQuads = 65536 / 4;

    CPFontManager() = default;
    // Deletes every font it holds.
    ~CPFontManager();
    CPFontManager(const CPFontManager&) = delete;
    CPFontManager& operator=(const CPFontManager&) = delete;

    // Takes the font over and files it under the name; a font filed under that name before is deleted.
    // A null font is refused (false).
    bool AddFont(const std::string& name, CPFont* font);
    // The font of that name; null when there is none. The manager keeps it.
    CPFont* FindFont(const std::string& name) const;

    // Replaces the whole geometry and the material of the object's render object by the text laid out
    // from (x, y), screen pixels, in the named font: one quad per byte, "^" starts a new line at x.
    // Glyph sizes are design units scaled by "screenWidth" / 1024, heights too. Returns the render
    // object; null, with nothing changed, for a null object, an object whose render kind is not 0 or
    // that has no render object, or a font name the manager does not hold. A text beyond kMaxQuads
    // characters is laid out up to that many.
    CPSmartPtr<CPRenderObject> BuildText(const CPSmartPtr<CPGameObject>& object, float x, float y,
                                         const std::string& fontName, const std::string& text) const;

private:
    std::unordered_map<std::string, CPSmartPtr<CPFont>> mFonts;  // owned; never null
};
