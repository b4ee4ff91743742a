// A render description (".rdf" in "Data\Meshes") parsed into a plain record: the header that names the
// geometry, the entry lines in file order, the single keys and the sections of per-node settings.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// The key lines of one section: key to value, both lower-cased.
using CPDescriptionSection = std::unordered_map<std::string, std::string>;
// Sections by lower-cased name.
using CPSectionTable = std::unordered_map<std::string, CPDescriptionSection>;

// What the header makes of the description.
enum class CPDescriptionKind {
    kAnimated,  // "anim;name,file;...": one tree from several animated mesh files
    kEmpty,     // "empty": a node without geometry carrying the entries
    kMesh,      // a binary mesh file name
};

struct CPRenderDescription {
    // Number of buckets the section table starts with.
    static constexpr size_t kSectionBuckets = 100;

    std::string header;  // the value of the first line, case kept
    // Values of the repeatable keys, in file order.
    std::vector<std::string> sprites;
    std::vector<std::string> lods;
    std::vector<std::string> lights;
    std::vector<std::string> lineKeyPoints;
    std::vector<std::string> particleSystems;
    // Values of the single keys (the last line counts); empty when absent.
    std::string lineColour;
    std::string description;
    std::string shadowTextures;
    CPSectionTable sections{kSectionBuckets};

    CPDescriptionKind Kind() const;
};

// The section of that name; an empty one when the table has none (a node without a section is
// treated as having an empty one).
const CPDescriptionSection& FindSection(const CPSectionTable& sections, const std::string& name);

// Parses the text line by line (comments, empty lines and surrounding blanks never reach the parser):
// the first line is the header line; section lines open or continue a section; key lines are entries
// (wherever they stand), single keys, or keys of the current section (dropped before the first
// section). Everything but the header is lower-cased. Cannot fail: an empty text gives an empty record.
CPRenderDescription ParseRenderDescription(const void* text, uint32_t size);

// Token i of the list, or an empty text when the list is shorter.
const std::string& TokenAt(const std::vector<std::string>& tokens, size_t index);
