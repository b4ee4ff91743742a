// Builds RIFF WAVE files byte by byte for tests: chunks with any code, declared size and padding,
// format records of any kind, and whole PCM files. Everything is little-endian, field by field.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace riff {
using Bytes = std::vector<uint8_t>;

Bytes U16(uint16_t value);
Bytes U32(uint32_t value);
// The four characters of a chunk code, as given (no padding with blanks).
Bytes Code(std::string_view code);
Bytes Join(std::initializer_list<Bytes> parts);

// A chunk whose size field is the data's size, padded to an even length.
Bytes Chunk(std::string_view code, const Bytes& data);
// A chunk whose size field says `declaredSize` whatever the data holds, with no padding: for
// chunks that lie about their length or are cut short.
Bytes ChunkDeclaring(std::string_view code, uint32_t declaredSize, const Bytes& data);
// "RIFF", the size of what follows, the form type, then the chunks.
Bytes Riff(std::string_view form, std::initializer_list<Bytes> chunks);

// The 16 bytes every format record starts with; the block alignment and byte rate follow from the
// channels and bits.
Bytes FormatFields(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits);
// A PCM "fmt " chunk of 16 bytes.
Bytes PcmFormatChunk(uint16_t channels, uint32_t rate, uint16_t bits);
// A whole PCM file: RIFF/WAVE, "fmt " of 16 bytes, "data".
Bytes PcmWave(uint16_t channels, uint32_t rate, uint16_t bits, const Bytes& samples);
// `count` bytes counting up from `first` (wrapping): sample data that shows where every byte went.
Bytes Ramp(size_t count, uint8_t first = 1);

std::string AsString(const Bytes& bytes);
}  // namespace riff
