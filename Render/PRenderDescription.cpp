#include "Render/PRenderDescription.h"

#include "core/StringUtils.h"
#include "core/files/CPTextReader.h"
#include "core/files/CPTokenizer.h"

namespace {

// The entry keys: recognised wherever they stand, never stored in a section.
std::vector<std::string>* RepeatableEntry(CPRenderDescription& d, const std::string& key) {
    if (key == "sprite") return &d.sprites;
    if (key == "lod") return &d.lods;
    if (key == "light") return &d.lights;
    if (key == "linekeypoint") return &d.lineKeyPoints;
    if (key == "psystem") return &d.particleSystems;
    return nullptr;
}

std::string* SingleEntry(CPRenderDescription& d, const std::string& key) {
    if (key == "linecolor") return &d.lineColour;
    if (key == "description") return &d.description;
    if (key == "shadowtextures") return &d.shadowTextures;
    return nullptr;
}

}  // namespace

const std::string& TokenAt(const std::vector<std::string>& tokens, size_t index) {
    static const std::string kEmpty;
    return index < tokens.size() ? tokens[index] : kEmpty;
}

CPDescriptionKind CPRenderDescription::Kind() const {
    // Both tests are case-sensitive: "ANIM;..." and "Empty" name mesh files.
    if (TokenAt(Tokenize(header, ";", true), 0) == "anim") return CPDescriptionKind::kAnimated;
    if (header == "empty") return CPDescriptionKind::kEmpty;
    return CPDescriptionKind::kMesh;
}

const CPDescriptionSection& FindSection(const CPSectionTable& sections, const std::string& name) {
    static const CPDescriptionSection kEmptySection;
    auto found = sections.find(name);
    return found == sections.end() ? kEmptySection : found->second;
}

CPRenderDescription ParseRenderDescription(const void* text, uint32_t size) {
    CPRenderDescription d;
    CPTextReader lines(text, size);
    if (!lines.ReadLine()) return d;
    d.header = TokenAt(Tokenize(lines.GetLine(), "=", true), 1);

    CPDescriptionSection* current = nullptr;  // none before the first section line
    while (lines.ReadLine()) {
        std::string line = lines.GetLine();
        if (!lines.IsPlainLine()) {
            current = &d.sections[ToLower(line)];
            continue;
        }
        const std::vector<std::string> tokens = Tokenize(line, "=", true);
        std::string key = TokenAt(tokens, 0);
        std::string value = TokenAt(tokens, 1);
        ToLower(key);
        ToLower(value);
        if (std::vector<std::string>* entries = RepeatableEntry(d, key)) {
            entries->push_back(value);
        } else if (std::string* single = SingleEntry(d, key)) {
            *single = value;
        } else if (current) {
            (*current)[key] = value;
        }
    }
    return d;
}
