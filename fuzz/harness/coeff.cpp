// "coeff.dat": the input is the file, read into the game data's difficulty coefficients.
#include "core/config/Settings.h"
#include "fuzz/FuzzSupport.h"
#include "simulation/level/CPGameData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzWorkingFolder();
    WriteFuzzFile("Data/coeff.dat", data, size);
    gSettings::cam_speed = 0;
    CPGameData gameData;
    gameData.LoadDifficulty();
    return 0;
}
