// "player.dat": the input is the file, read into the game data's car configuration.
#include "fuzz/FuzzSupport.h"
#include "simulation/level/CPGameData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzWorkingFolder();
    WriteFuzzFile("Data/player.dat", data, size);
    CPGameData gameData;
    gameData.LoadPlayer();
    return 0;
}
