#include "core/files/XmlFile.h"

#include <algorithm>

#include "core/files/CPFileReader.h"

namespace {
// The library steps over a UTF-8 character by the length its lead byte announces (up to 4 bytes)
// without looking for the terminator on the way: zero bytes after the text keep every step inside.
constexpr size_t kTextPadding = 8;

// The document's own location is protected in the library; a member pointer taken through a derived
// class reaches it on any document.
struct LocationAccess : TiXmlDocument {
    static TiXmlCursor TiXmlBase::*Member() { return &LocationAccess::location; }
};
}  // namespace

bool LoadXmlFile(TiXmlDocument& document, const std::string& fileName, TiXmlEncoding encoding) {
    document.Clear();
    (document.*LocationAccess::Member()).Clear();
    // The library keeps the first error of a document: a stale one would hide this load's result.
    document.ClearError();
    document.SetValue(fileName);

    CPFileReader reader(fileName, false);
    if (FAILED(reader.Load())) {
        document.SetError(TiXmlBase::TIXML_ERROR_OPENING_FILE, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
        return false;
    }
    if (reader.GetSize() == 0) return false;

    const char* bytes = reinterpret_cast<const char*>(reader.GetData());
    std::string text(bytes, std::find(bytes, bytes + reader.GetSize(), '\0'));
    text.append(kTextPadding, '\0');
    document.Parse(text.c_str(), nullptr, encoding);
    return !document.Error();
}
