// Small text helpers shared by every reader: white-space trimming, "C"-locale case conversion and
// the two number-character tests. Bytes are taken as unsigned: file names may hold bytes above 0x7F.
#pragma once

#include <string>
#include <string_view>

// True for space, tab, CR and LF only (not vertical tab or form feed).
bool IsSpace(unsigned char c);

// Removes IsSpace characters at both ends, in place; returns the same string.
std::string& Trim(std::string& text);

// Every character a digit, "." or "-" (order and count unchecked); true for the empty text.
bool IsFloatText(std::string_view text);
// Every character a digit or "-"; true for the empty text.
bool IsIntText(std::string_view text);

// "%.2f" of the value in the "C" locale, whatever the process locale is ("nan", "inf" as printf).
std::string FormatTwoDecimals(float value);

// In place, only A-Z (resp. a-z) change, whatever the process locale is; return the same string.
std::string& ToLower(std::string& text);
std::string& ToUpper(std::string& text);
