// A small scanner of effect (.fx) text: finds the techniques with their passes and the top-level
// parameters with their types, and rejects text whose structure is broken. It compiles nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What the text declares, before any meaning is given to it.
struct EffectScanParameter {
    std::string type;      // the type word as written: "float4x4", "texture", "sampler2D", ...
    std::string name;
    std::string semantic;  // after ':', empty when none
    uint32_t elements = 0;  // array length, 0 for a single value
    bool shared = false;    // declared `shared`: lives in the effect pool
};

struct EffectScanTechnique {
    std::string name;  // empty for an unnamed technique
    uint32_t passes = 0;
};

struct EffectScan {
    std::vector<EffectScanParameter> parameters;  // in declaration order; `static` globals left out
    std::vector<EffectScanTechnique> techniques;  // in declaration order
};

// The longest array a parameter may declare.
constexpr uint32_t kMaxEffectArrayLength = 65536;

// Reads the whole text. On broken structure (unbalanced or mismatched brackets, an unterminated comment
// or string, a stray character, a declaration cut off, a technique holding anything but passes, an array
// length of 0 or above kMaxEffectArrayLength) returns false with `error` saying where:
// "effect(12): '}' without '{'".
bool ScanEffectText(const char* text, size_t size, EffectScan* scan, std::string* error);
