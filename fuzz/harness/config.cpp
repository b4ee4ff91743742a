// "config.cfg": the input is the file, applied to a fresh configuration store (and the settings).
#include "core/config/CPConfig.h"
#include "core/config/Settings.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzWorkingFolder();
    WriteFuzzFile("config.cfg", data, size);
    gSettings::RestoreInitialValues();
    CPConfig config;
    config.Load("config.cfg");
    return 0;
}
