// Vertex animations: the input is an animation block as an animated mesh file holds it, read into an
// animation the way the description builder does.
#include "Render/PAnimation.h"
#include "core/files/CPFileReader.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzWorkingFolder();
    WriteFuzzFile("Data/Meshes/input.msh", data, size);
    CPFileReader reader("Data\\Meshes\\input.msh", false);
    if (reader.Load() != S_OK) return 0;
    CPAnimationManager animations;
    CPAnimation* animation = new CPAnimation("input", &animations);
    animation->Load(reader, 0xFF808080u);
    return 0;
}
