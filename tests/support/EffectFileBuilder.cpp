#include "support/EffectFileBuilder.h"

EffectFileBuilder& EffectFileBuilder::Parameter(const std::string& type, const std::string& name) {
    mParameters += type + " " + name + ";\n";
    return *this;
}

EffectFileBuilder& EffectFileBuilder::SharedParameter(const std::string& type, const std::string& name) {
    mParameters += "shared " + type + " " + name + ";\n";
    return *this;
}

EffectFileBuilder& EffectFileBuilder::Technique(const std::string& name, int passes) {
    mTechniques += "technique " + name + "\n{\n";
    for (int pass = 0; pass < passes; ++pass) mTechniques += "    pass P" + std::to_string(pass) + "\n    {\n    }\n";
    mTechniques += "}\n";
    return *this;
}

std::string EffectFileBuilder::Str() const {
    std::string techniques = mTechniques;
    if (techniques.empty()) techniques = "technique Main\n{\n    pass P0\n    {\n    }\n}\n";
    return "// generated for a test\n" + mParameters + "\n" + techniques;
}

std::string EffectFileBuilder::Broken() { return "float time;\ntechnique Main\n{\n    pass P0\n    {\n"; }
