// Names of the keyboard's scan codes: what the binding screens show and what "Actions.cfg" stores
// for a key. Codes without a key of their own are all named "undefined key".
#pragma once

#include <array>
#include <string_view>

// The table covers the scan codes 0x00 ... 0xD3.
inline constexpr int kKeyNameCount = 212;
inline constexpr const char* kUndefinedKeyName = "undefined key";

// Constant data: filled before any code runs, so no other initialiser can see it half-built.
extern const std::array<const char*, kKeyNameCount> gKeyNames;

// The name of a scan code. A keyboard reports codes up to 0xFF: those past the table (and negative
// ones) are "undefined key" instead of reads beyond it.
const char* GetKeyName(int code);
// The lowest scan code whose name is exactly `name` (case-sensitive); -1 when no key bears it.
// "undefined key" gives 0.
int FindKeyCode(std::string_view name);
