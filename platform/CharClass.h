// Character classification of the user interface library, for the ANSI code page of this layer:
// ISO 8859-1, as MultiByteToWideChar's CP_ACP (each byte is its own code point).
#pragma once

#include "platform/WinTypes.h"

// TRUE for the digits and letters of the code page: 0-9, A-Z, a-z, and the Latin-1 letters
// (0xAA, 0xB5, 0xBA, 0xC0-0xFF without the signs 0xD7 and 0xF7).
BOOL IsCharAlphaNumericA(CHAR ch);
