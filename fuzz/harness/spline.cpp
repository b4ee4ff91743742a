// Splines: the input is a file of spline records, read one spline after another until one is refused
// or the file ends, each built into its path lines.
#include "core/files/CPFileReader.h"
#include "fuzz/FuzzSupport.h"
#include "simulation/level/CPSpline.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzWorkingFolder();
    WriteFuzzFile("Data/Levels/input.spl", data, size);
    CPFileReader reader("Data\\Levels\\input.spl", false);
    if (reader.Load() != S_OK) return 0;
    while (!reader.IsAtEnd()) {
        CPSpline spline;
        if (!spline.Load(reader)) break;
    }
    return 0;
}
