// ".lvl" level files: the input is "Data\Levels\input.lvl", read whole and checked, each placed object
// classified by the naming rules (single race and time attack too) and the kept splines built.
#include "fuzz/FuzzSupport.h"
#include "simulation/level/CPSpline.h"
#include "simulation/level/LevelFile.h"
#include "simulation/level/LevelObjectRules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzWorkingFolder();
    WriteFuzzFile("Data/Levels/input.lvl", data, size);
    LevelFileRecord record;
    if (!LoadLevelFile("input", record)) return 0;
    for (const LevelObjectRecord& object : record.objects) {
        const LevelObjectPlan plan = ClassifyLevelObject(object.name, false, false);
        ClassifyLevelObject(object.name, true, true);
        PlacedRotation(plan.kind, object.rotation);
    }
    for (const char* name : {kPathSplineName, kLeftSplineName, kRightSplineName}) {
        if (const SplineRecord* stored = FindLevelSpline(record, name)) {
            CPSpline spline;
            spline.Build(*stored);
        }
    }
    LevelExtent(LevelNumberFromName("level3"));
    return 0;
}
