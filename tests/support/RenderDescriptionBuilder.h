// Builds the text of a render description (".rdf") for tests: the header line, key lines, entry lines
// and section lines in the order given, written the way the game's data files are ("key = value").
#pragma once

#include <string>

class RenderDescriptionBuilder {
public:
    // The first line: "mesh = <header>" (the first token is ignored by the reader).
    explicit RenderDescriptionBuilder(const std::string& header) { mText = "mesh = " + header + "\r\n"; }

    // "key = value"; entries ("sprite", "lod", ...) and section keys alike.
    RenderDescriptionBuilder& Key(const std::string& key, const std::string& value) {
        mText += key + " = " + value + "\r\n";
        return *this;
    }
    // "[name]": the following keys belong to the section.
    RenderDescriptionBuilder& Section(const std::string& name) {
        mText += "[" + name + "]\r\n";
        return *this;
    }
    // Any line as it stands (comments, blanks, damaged lines).
    RenderDescriptionBuilder& Line(const std::string& line) {
        mText += line + "\r\n";
        return *this;
    }

    const std::string& Str() const { return mText; }

private:
    std::string mText;
};
