#include "core/ObjectAddress.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

std::string AddressToText(const void* address) {
    char text[32];
    std::snprintf(text, sizeof(text), "%lld", static_cast<long long>(reinterpret_cast<intptr_t>(address)));
    return text;
}

void* TextToAddress(const std::string& text) {
    long long value = std::strtoll(text.c_str(), nullptr, 10);
    return reinterpret_cast<void*>(static_cast<intptr_t>(value));
}
