#include "support/ByteBuilder.h"

#include <algorithm>
#include <cstring>

ByteBuilder& ByteBuilder::Int32(int32_t value) { return UInt32(static_cast<uint32_t>(value)); }

ByteBuilder& ByteBuilder::UInt32(uint32_t value) {
    const char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                           static_cast<char>(value >> 24)};
    return Raw(std::string_view(bytes, 4));
}

ByteBuilder& ByteBuilder::UInt16(uint16_t value) {
    const char bytes[2] = {static_cast<char>(value), static_cast<char>(value >> 8)};
    return Raw(std::string_view(bytes, 2));
}

ByteBuilder& ByteBuilder::Float32(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return UInt32(bits);
}

ByteBuilder& ByteBuilder::String(std::string_view text) { return Int32(static_cast<int32_t>(text.size())).Raw(text); }

ByteBuilder& ByteBuilder::StringWithCount(int32_t count, std::string_view bytes) { return Int32(count).Raw(bytes); }

ByteBuilder& ByteBuilder::FixedText(std::string_view text, size_t size) {
    Raw(text.substr(0, size));
    return Zeros(size - std::min(text.size(), size));
}

ByteBuilder& ByteBuilder::Raw(std::string_view bytes) {
    mBytes.insert(mBytes.end(), bytes.begin(), bytes.end());
    return *this;
}

ByteBuilder& ByteBuilder::Byte(uint8_t value) {
    mBytes.push_back(value);
    return *this;
}

ByteBuilder& ByteBuilder::Zeros(size_t count) {
    mBytes.insert(mBytes.end(), count, 0);
    return *this;
}

std::string ByteBuilder::Truncated(size_t count) const {
    return std::string(mBytes.begin(), mBytes.end() - static_cast<std::ptrdiff_t>(std::min(count, mBytes.size())));
}
