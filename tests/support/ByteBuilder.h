// Builds the bytes of a binary test file field by field, in the engine's encodings: little-endian
// int32 and float32, strings as an int32 byte count then the bytes (no terminator).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

class ByteBuilder {
public:
    ByteBuilder& Int32(int32_t value) {
        const uint32_t bits = static_cast<uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8) mBytes.push_back(static_cast<uint8_t>(bits >> shift));
        return *this;
    }
    ByteBuilder& UInt32(uint32_t value) { return Int32(static_cast<int32_t>(value)); }
    ByteBuilder& UInt16(uint16_t value) {
        mBytes.push_back(static_cast<uint8_t>(value));
        mBytes.push_back(static_cast<uint8_t>(value >> 8));
        return *this;
    }
    ByteBuilder& Float32(float value) {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return UInt32(bits);
    }
    // A string record: its byte count, then its bytes.
    ByteBuilder& String(std::string_view text) {
        Int32(static_cast<int32_t>(text.size()));
        return Raw(text);
    }
    // A string record with a count of the caller's choosing (to build damaged records).
    ByteBuilder& StringWithCount(int32_t count, std::string_view bytes) { return Int32(count).Raw(bytes); }
    // A fixed-size text field: the text, then zero bytes up to `size` (cut when longer).
    ByteBuilder& FixedText(std::string_view text, size_t size) {
        Raw(text.substr(0, size));
        return Zeros(size - std::min(text.size(), size));
    }
    ByteBuilder& Raw(std::string_view bytes) {
        mBytes.insert(mBytes.end(), bytes.begin(), bytes.end());
        return *this;
    }
    ByteBuilder& Byte(uint8_t value) {
        mBytes.push_back(value);
        return *this;
    }
    ByteBuilder& Zeros(size_t count) {
        mBytes.insert(mBytes.end(), count, 0);
        return *this;
    }

    const std::vector<uint8_t>& Bytes() const { return mBytes; }
    std::string Str() const { return std::string(mBytes.begin(), mBytes.end()); }
    size_t Size() const { return mBytes.size(); }
    // The bytes without their last `count` (a truncated file).
    std::string Truncated(size_t count) const {
        return std::string(mBytes.begin(), mBytes.end() - static_cast<std::ptrdiff_t>(std::min(count, mBytes.size())));
    }

private:
    std::vector<uint8_t> mBytes;
};
