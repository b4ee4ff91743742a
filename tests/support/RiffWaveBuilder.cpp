#include "support/RiffWaveBuilder.h"

#include "support/ByteBuilder.h"

namespace riff {
Bytes U16(uint16_t value) { return ByteBuilder().UInt16(value).Bytes(); }

Bytes U32(uint32_t value) { return ByteBuilder().UInt32(value).Bytes(); }

Bytes Code(std::string_view code) { return Bytes(code.begin(), code.end()); }

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes ChunkDeclaring(std::string_view code, uint32_t declaredSize, const Bytes& data) {
    return Join({Code(code), U32(declaredSize), data});
}

Bytes Chunk(std::string_view code, const Bytes& data) {
    Bytes out = ChunkDeclaring(code, static_cast<uint32_t>(data.size()), data);
    if (data.size() % 2) out.push_back(0);
    return out;
}

Bytes Riff(std::string_view form, std::initializer_list<Bytes> chunks) {
    Bytes body = Code(form);
    for (const Bytes& chunk : chunks) body.insert(body.end(), chunk.begin(), chunk.end());
    return Join({Code("RIFF"), U32(static_cast<uint32_t>(body.size())), body});
}

Bytes FormatFields(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    auto align = static_cast<uint16_t>(channels * bits / 8);
    return Join({U16(tag), U16(channels), U32(rate), U32(rate * align), U16(align), U16(bits)});
}

Bytes PcmFormatChunk(uint16_t channels, uint32_t rate, uint16_t bits) {
    return Chunk("fmt ", FormatFields(1, channels, rate, bits));
}

Bytes PcmWave(uint16_t channels, uint32_t rate, uint16_t bits, const Bytes& samples) {
    return Riff("WAVE", {PcmFormatChunk(channels, rate, bits), Chunk("data", samples)});
}

Bytes Ramp(size_t count, uint8_t first) {
    Bytes out(count);
    for (size_t i = 0; i < count; ++i) out[i] = static_cast<uint8_t>(first + i);
    return out;
}

std::string AsString(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }
}  // namespace riff
