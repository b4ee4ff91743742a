// Part-animation files: the input is a file of "Data\Animations", read into the table of animation
// tasks the engine gives to a built tree.
#include "Render/PPartAnimationFile.h"
#include "fuzz/FuzzSupport.h"
#include "support/ScopedTaskKernel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzRig<ScopedTaskKernel>();
    WriteFuzzFile("Data/Animations/input.anm", data, size);
    CPPartAnimationTable tracks{kPartAnimationBuckets};
    ReadAnimationDescription("input.anm", tracks);
    for (auto& [name, task] : tracks) {
        CPPartAnimation* owned = task.Get();
        task.Forget();
        delete owned;
    }
    return 0;
}
