// Builds AVI files for tests of the video stream: the main header, a video stream of uncompressed
// 24- or 32-bit frames, an optional sound stream, and the frames in the "movi" list.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "support/RiffWaveBuilder.h"

namespace avi {
// The colour 0x00RRGGBB of texel (x, y), y counted from the top.
using Picture = std::function<uint32_t(uint32_t x, uint32_t y)>;

struct Video {
    uint32_t width = 4;
    uint32_t height = 2;
    uint32_t microsecondsPerFrame = 40000;  // 25 frames a second
    uint16_t bits = 32;                     // 24 or 32
    bool topDown = false;                   // rows stored from the top (a negative bitmap height)
    bool sound = false;                     // a second, "auds" stream
    uint32_t declaredFrames = 0;            // the main header's frame count; 0: as many as frames
    // Written as a stream: the main header counts 0 frames and the sizes of the RIFF chunk and the
    // "movi" list keep the placeholder 0xFFFFFFFF.
    bool streamed = false;
    // The last this many frames go into a second RIFF part "AVIX" with a "movi" list of its own.
    uint32_t secondPartFrames = 0;
    std::vector<riff::Bytes> frames;        // the frame chunks' data, in order
};

// One frame's data in the video's layout: rows padded to four bytes, bottom row first unless topDown.
riff::Bytes Frame(const Video& video, const Picture& picture);
// A frame of one colour.
riff::Bytes SolidFrame(const Video& video, uint32_t colour);
// The whole file.
riff::Bytes File(const Video& video);
}  // namespace avi
