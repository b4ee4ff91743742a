// Mission information: the input is a mission file of "Data\Levels", read into the game data's
// checkpoints and enemy sources.
#include "fuzz/FuzzSupport.h"
#include "simulation/level/CPGameData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzWorkingFolder();
    WriteFuzzFile("Data/Levels/input.txt", data, size);
    CPGameData gameData;
    gameData.LoadMissionInfo("input.txt");
    return 0;
}
