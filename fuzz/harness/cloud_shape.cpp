// Cloud shapes: the input is a shape file of "Data\Clouds", loaded into a shape.
#include "DynamicSky/CloudShape.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzWorkingFolder();
    WriteFuzzFile("Data/Clouds/input.txt", data, size);
    CloudShape shape;
    shape.Load("input.txt", 1.5f, 0.5f);
    return 0;
}
