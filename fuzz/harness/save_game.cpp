// Save games: the input is a slot file, loaded into the game data the way a script loads a slot, and
// the slots listed the way the load screen lists them.
#include "fuzz/FuzzSupport.h"
#include "script/SaveGames.h"
#include "simulation/level/CPGameData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzWorkingFolder();
    WriteFuzzFile("data/saves/" + SaveSlotFileName(2), data, size);
    CPGameData gameData;
    LoadSaveGame(gameData, SaveSlotFileName(2));
    ListSaveGames();
    return 0;
}
