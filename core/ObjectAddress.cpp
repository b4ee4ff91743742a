#include "core/ObjectAddress.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

std::string AddressToText(const void* address) { return HandleToText(gObjectRegistry::HandleOf(address)); }

std::string HandleToText(ObjectHandle handle) {
    char text[32];
    std::snprintf(text, sizeof(text), "%lld", static_cast<long long>(static_cast<uint64_t>(handle)));
    return text;
}

ObjectHandle TextToHandle(const std::string& text) {
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<ObjectHandle>(static_cast<uint64_t>(value));
}
