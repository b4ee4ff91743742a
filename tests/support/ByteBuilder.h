// Builds the bytes of a binary test file field by field, in the engine's encodings: little-endian
// int32 and float32, strings as an int32 byte count then the bytes (no terminator).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class ByteBuilder {
public:
    ByteBuilder& Int32(int32_t value);
    ByteBuilder& UInt32(uint32_t value);
    ByteBuilder& UInt16(uint16_t value);
    ByteBuilder& Float32(float value);
    // A string record: its byte count, then its bytes.
    ByteBuilder& String(std::string_view text);
    // A string record with a count of the caller's choosing (to build damaged records).
    ByteBuilder& StringWithCount(int32_t count, std::string_view bytes);
    // A fixed-size text field: the text, then zero bytes up to `size` (cut when longer).
    ByteBuilder& FixedText(std::string_view text, size_t size);
    ByteBuilder& Raw(std::string_view bytes);
    ByteBuilder& Byte(uint8_t value);
    ByteBuilder& Zeros(size_t count);

    const std::vector<uint8_t>& Bytes() const { return mBytes; }
    std::string Str() const { return std::string(mBytes.begin(), mBytes.end()); }
    size_t Size() const { return mBytes.size(); }
    // The bytes without their last `count` (a truncated file).
    std::string Truncated(size_t count) const;

private:
    std::vector<uint8_t> mBytes;
};
