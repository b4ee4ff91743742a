#include "platform/CharClass.h"

BOOL IsCharAlphaNumericA(CHAR ch) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return TRUE;
    if (c == 0xAA || c == 0xB5 || c == 0xBA) return TRUE;
    if (c >= 0xC0 && c != 0xD7 && c != 0xF7) return TRUE;
    return FALSE;
}
