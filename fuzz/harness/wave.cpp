// WAVE files: the input is a sound file, opened for reading and read to its end.
#include "Sound/NWaveFile.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzWorkingFolder();
    WriteFuzzFile("Data/Sounds/input.wav", data, size);
    CNWaveFile wave;
    if (wave.Open("Data\\Sounds\\input.wav", nullptr, CNWaveFile::kModeRead) != S_OK) return 0;
    BYTE buffer[4096];
    for (DWORD got = 1; got > 0;)
        if (wave.Read(buffer, sizeof buffer, &got) != S_OK) break;
    wave.ResetFile();
    return 0;
}
