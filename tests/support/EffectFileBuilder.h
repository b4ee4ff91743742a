// Builds the text of a small effect (.fx) file for tests: parameter declarations, plain or `shared`,
// then techniques with empty passes. Nothing is compiled; the D3DX stand-in only reads the structure.
#pragma once

#include <string>

class EffectFileBuilder {
public:
    // `type name;`, e.g. Parameter("texture", "tex0").
    EffectFileBuilder& Parameter(const std::string& type, const std::string& name);
    // `shared type name;`: lives in the effect pool.
    EffectFileBuilder& SharedParameter(const std::string& type, const std::string& name);
    EffectFileBuilder& Technique(const std::string& name, int passes = 1);

    // The text; a default technique "Main" with one pass when none was added.
    std::string Str() const;

    // Text whose technique never closes: the effect compiler rejects it.
    static std::string Broken();

private:
    std::string mParameters;
    std::string mTechniques;
};
