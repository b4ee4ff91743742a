// Conversion of the engine's narrow texts into the platform's wide (UTF-16) strings.
#pragma once

#include <string>

#include "platform/Com.h"

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;

// Converts `sourceLength` bytes (-1: up to and including the terminating zero) into wide characters.
// CP_ACP is taken as ISO 8859-1 (each byte is its own code point); CP_UTF8 decodes UTF-8, an invalid
// sequence becoming U+FFFD. With `destinationLength` 0 only the needed count is returned. Returns the
// count written, or 0 on a bad argument, an unknown code page or a destination too small.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceLength, LPWSTR destination,
                        int destinationLength);

// Wide string to UTF-8, for printing; stops at the first zero.
std::string WideToUtf8(LPCWSTR text);
