#include "platform/OleAutomation.h"

#include <cstdlib>
#include <cstring>

namespace {
int gLiveStrings = 0;

uint32_t* Prefix(BSTR text) { return reinterpret_cast<uint32_t*>(reinterpret_cast<unsigned char*>(text) - 4); }
}  // namespace

BSTR SysAllocString(const OLECHAR* text) {
    if (!text) return nullptr;
    size_t length = 0;
    while (text[length] != 0) ++length;
    size_t bytes = length * sizeof(OLECHAR);
    if (bytes > 0x7FFFFFF0u) return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(4 + bytes + sizeof(OLECHAR)));
    if (!block) return nullptr;
    uint32_t stored = static_cast<uint32_t>(bytes);
    std::memcpy(block, &stored, 4);
    std::memcpy(block + 4, text, bytes + sizeof(OLECHAR));
    ++gLiveStrings;
    return reinterpret_cast<BSTR>(block + 4);
}

void SysFreeString(BSTR text) {
    if (!text) return;
    --gLiveStrings;
    std::free(Prefix(text));
}

UINT SysStringLen(BSTR text) {
    if (!text) return 0;
    uint32_t bytes;
    std::memcpy(&bytes, Prefix(text), 4);
    return bytes / sizeof(OLECHAR);
}

void VariantInit(VARIANT* variant) {
    if (!variant) return;
    std::memset(static_cast<void*>(variant), 0, sizeof(VARIANT));
    variant->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* variant) {
    if (!variant) return E_INVALIDARG;
    if (variant->vt == VT_BSTR) SysFreeString(variant->bstrVal);
    VariantInit(variant);
    return S_OK;
}

namespace PlatformAutomation {
int LiveStringCount() { return gLiveStrings; }
}  // namespace PlatformAutomation
