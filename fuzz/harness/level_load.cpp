// The level loader: the input is "Data\Levels\level1.lvl" of a small complete level data tree (road,
// cars, splines, descriptions, vehicle XML), loaded into a level (placed objects, physics, race units,
// splines, partition, camera views), which is then deleted with everything it built.
#include "fuzz/FuzzSupport.h"
#include "support/LevelLoadRig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    LevelLoadRig& rig = FuzzRig<LevelLoadRig>();
    WriteFuzzFile("Data/Levels/level1.lvl", data, size);
    rig.Load();
    rig.DeleteLevel();
    return 0;
}
