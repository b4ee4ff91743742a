// The text reader: the input is a text data file, read line by line (comments and sections dropped or
// marked), each line split the ways the engine splits lines.
#include "core/files/CPFileReader.h"
#include "core/files/CPTextReader.h"
#include "core/files/CPTokenizer.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzWorkingFolder();
    WriteFuzzFile("Data/Input.txt", data, size);
    CPFileReader file("Data\\input.txt", false);
    if (file.Load() != S_OK) return 0;
    CPTextReader reader(file.GetData(), file.GetSize());
    for (std::string line; reader.NextLine(line);) {
        Tokenize(line, ",", true);
        Tokenize(line, ";", false);
    }
    return 0;
}
