// "scores.dat": the input is the scrambled file, unscrambled by the reader and read into entries.
#include "fuzz/FuzzSupport.h"
#include "core/files/CPFileReader.h"
#include "simulation/level/ScoresFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzWorkingFolder();
    WriteFuzzFile("Data/scores.dat", data, size);
    CPFileReader reader(kScoresFileName, true);
    if (reader.Load() != S_OK) return 0;
    std::vector<ScoresFileEntry> entries;
    ParseScores(reader, entries);
    return 0;
}
