// Automation strings and variants: the length-prefixed BSTR and the tagged VARIANT.
#pragma once

#include "platform/Com.h"

// Points at the first character; a 32-bit byte length sits just before it, a zero just after the text.
using BSTR = OLECHAR*;

using VARTYPE = uint16_t;
constexpr VARTYPE VT_EMPTY = 0;
constexpr VARTYPE VT_I4 = 3;
constexpr VARTYPE VT_BSTR = 8;

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONG lVal;
        BSTR bstrVal;
        LONGLONG llVal;
    };
};

// A copy of the zero-terminated text; null for a null text or when memory runs out.
BSTR SysAllocString(const OLECHAR* text);
void SysFreeString(BSTR text);
// Characters of the string (its stored length, not a search for zero); 0 for null.
UINT SysStringLen(BSTR text);

void VariantInit(VARIANT* variant);
// Frees what the variant owns (the string of a VT_BSTR) and leaves it VT_EMPTY.
HRESULT VariantClear(VARIANT* variant);

namespace PlatformAutomation {
// Strings allocated by SysAllocString and not freed yet.
int LiveStringCount();
}  // namespace PlatformAutomation
