// "Actions.cfg": the input is the file, read into the input manager's actions and key slots, then
// listed the way the options screen lists them.
#include "fuzz/FuzzSupport.h"
#include "interface/CPInputManager.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzWorkingFolder();
    WriteFuzzFile("Actions.cfg", data, size);
    CPInputManager manager;
    manager.InitInputBindings(kActionsFileName);
    std::vector<std::string> keys, names;
    manager.ListActions(keys, names);
    return 0;
}
