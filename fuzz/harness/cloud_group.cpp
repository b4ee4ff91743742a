// Cloud groups: the input is a group file of "Data\Clouds", loaded into a group with the shape files its
// blocks name ("s.txt" exists) and its shapes placed.
#include "DynamicSky/CloudGroup.h"
#include "DynamicSky/CloudShape.h"
#include "fuzz/FuzzSupport.h"
#include "support/CloudFileBuilder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool once = [] {
        FuzzWorkingFolder();
        CloudShapeFile shape;
        shape.anchors = {D3DXVECTOR3(0, 0, 0)};
        shape.puffs.resize(1);
        shape.puffs[0].width = 1.0f;
        WriteFuzzFile("Data/Clouds/s.txt", CloudShapeFileText(shape));
        return true;
    }();
    (void)once;
    WriteFuzzFile("Data/Clouds/input.txt", data, size);
    CloudGroup group;
    group.Load("input.txt");
    group.PlaceShapes();
    return 0;
}
