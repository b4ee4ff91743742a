// The binary file reader: the input is a data file, loaded plain and unscrambled, then read field by
// field in an order its own bytes choose, the way the format readers walk a file.
#include "core/files/CPFileReader.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzWorkingFolder();
    WriteFuzzFile("Data/Input.bin", data, size);
    for (bool unscramble : {false, true}) {
        CPFileReader reader("data\\INPUT.BIN", unscramble);
        if (reader.Load() != S_OK) continue;
        uint8_t scratch[64];
        while (!reader.IsAtEnd() && !reader.HasOverrun()) {
            switch (reader.ReadInt() & 3) {
                case 0: reader.ReadInt(); break;
                case 1: reader.ReadFloat(); break;
                case 2: reader.ReadString(); break;
                case 3: reader.ReadBytes(scratch, reader.ReadInt() & 63); break;
            }
        }
    }
    return 0;
}
