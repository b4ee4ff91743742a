#include "support/AviFileBuilder.h"

#include <algorithm>

namespace avi {
namespace {
riff::Bytes List(std::string_view form, std::initializer_list<riff::Bytes> chunks) {
    riff::Bytes data = riff::Code(form);
    for (const riff::Bytes& chunk : chunks) data.insert(data.end(), chunk.begin(), chunk.end());
    return riff::Chunk("LIST", data);
}

riff::Bytes Zeros(size_t count) { return riff::Bytes(count, 0); }
}  // namespace

riff::Bytes Frame(const Video& video, const Picture& picture) {
    const uint32_t bytes = video.bits / 8u;
    const uint32_t row = (video.width * bytes + 3u) & ~3u;
    riff::Bytes data(static_cast<size_t>(row) * video.height, 0);
    for (uint32_t y = 0; y < video.height; ++y) {
        const uint32_t stored = video.topDown ? y : video.height - 1 - y;
        for (uint32_t x = 0; x < video.width; ++x) {
            const uint32_t colour = picture(x, y);
            uint8_t* texel = data.data() + static_cast<size_t>(stored) * row + static_cast<size_t>(x) * bytes;
            texel[0] = static_cast<uint8_t>(colour);
            texel[1] = static_cast<uint8_t>(colour >> 8);
            texel[2] = static_cast<uint8_t>(colour >> 16);
            if (bytes == 4) texel[3] = 0xEE;  // unused byte: must not reach the picture
        }
    }
    return data;
}

riff::Bytes SolidFrame(const Video& video, uint32_t colour) {
    return Frame(video, [colour](uint32_t, uint32_t) { return colour; });
}

riff::Bytes File(const Video& video) {
    const size_t firstPartFrames = video.frames.size() - std::min<size_t>(video.secondPartFrames, video.frames.size());
    uint32_t frameCount = video.declaredFrames ? video.declaredFrames : static_cast<uint32_t>(firstPartFrames);
    if (video.streamed) frameCount = 0;
    const riff::Bytes mainHeader = riff::Join({
        riff::U32(video.microsecondsPerFrame), riff::U32(0), riff::U32(0), riff::U32(0x10),  // has an index
        riff::U32(frameCount), riff::U32(0), riff::U32(video.sound ? 2 : 1), riff::U32(0),
        riff::U32(video.width), riff::U32(video.height), Zeros(16),
    });
    const int32_t bitmapHeight = video.topDown ? -static_cast<int32_t>(video.height) : static_cast<int32_t>(video.height);
    const riff::Bytes bitmapHeader = riff::Join({
        riff::U32(40), riff::U32(video.width), riff::U32(static_cast<uint32_t>(bitmapHeight)), riff::U16(1),
        riff::U16(video.bits), riff::U32(0), Zeros(20),
    });
    const riff::Bytes videoStream = List("strl", {riff::Chunk("strh", riff::Join({riff::Code("vids"), Zeros(52)})),
                                                  riff::Chunk("strf", bitmapHeader)});
    riff::Bytes streams = videoStream;
    if (video.sound) {
        const riff::Bytes soundStream = List("strl", {riff::Chunk("strh", riff::Join({riff::Code("auds"), Zeros(52)})),
                                                      riff::Chunk("strf", riff::FormatFields(1, 2, 22050, 16))});
        streams = riff::Join({videoStream, soundStream});
    }
    riff::Bytes headers = riff::Join({riff::Code("hdrl"), riff::Chunk("avih", mainHeader), streams});
    // The frame chunks of frames [first, last) as the data of a "movi" list.
    auto movie = [&video](size_t first, size_t last) {
        riff::Bytes data = riff::Code("movi");
        for (size_t i = first; i < last; ++i) {
            const riff::Bytes chunk = riff::Chunk("00db", video.frames[i]);
            data.insert(data.end(), chunk.begin(), chunk.end());
            if (video.sound) {
                const riff::Bytes sound = riff::Chunk("01wb", riff::Ramp(8));
                data.insert(data.end(), sound.begin(), sound.end());
            }
        }
        return data;
    };
    const riff::Bytes firstMovie = movie(0, firstPartFrames);
    riff::Bytes file;
    if (video.streamed) {
        constexpr uint32_t kUnwritten = 0xFFFFFFFFu;
        const riff::Bytes body = riff::Join({riff::Code("AVI "), riff::Chunk("LIST", headers),
                                             riff::ChunkDeclaring("LIST", kUnwritten, firstMovie)});
        file = riff::ChunkDeclaring("RIFF", kUnwritten, body);
    } else {
        file = riff::Riff("AVI ", {riff::Chunk("LIST", headers), riff::Chunk("LIST", firstMovie)});
    }
    if (firstPartFrames < video.frames.size()) {
        const riff::Bytes second = riff::Riff("AVIX", {riff::Chunk("LIST", movie(firstPartFrames, video.frames.size()))});
        file.insert(file.end(), second.begin(), second.end());
    }
    return file;
}
}  // namespace avi
