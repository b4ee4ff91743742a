// Cloud records: the input is a record file of "Data\Clouds", loaded into a record table.
#include "DynamicSky/CloudRecordTable.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzWorkingFolder();
    WriteFuzzFile("Data/Clouds/input.txt", data, size);
    CloudRecordTable table;
    table.Load("input.txt");
    return 0;
}
