// The platform's description of sampled sound: the WAVEFORMATEX record shared by WAVE files and
// DirectSound buffers. On the platform it is 18 bytes, followed by cbSize bytes of extra data.
#pragma once

#include "platform/WinTypes.h"

#pragma pack(push, 2)
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;   // sample frames per second
    DWORD nAvgBytesPerSec;  // nSamplesPerSec * nBlockAlign for PCM
    WORD nBlockAlign;       // bytes of one sample frame
    WORD wBitsPerSample;
    WORD cbSize;  // bytes of format-specific data that follow the record
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

constexpr WORD WAVE_FORMAT_PCM = 1;
