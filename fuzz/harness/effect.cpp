// Effect texts: the input is a ".fx" of "Data\Effects", compiled by the effect stand-in into an effect,
// plain and in the shared pool.
#include "Render/PEffect.h"
#include "fuzz/FuzzSupport.h"
#include "support/ScopedRenderCaches.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzRig<ScopedRenderCaches>();
    WriteFuzzFile("Data/Effects/input.fx", data, size);
    for (const char* name : {"input.fx", "input.fx,shared"}) {
        CPEffect* effect = new CPEffect();
        effect->Load(name);
        delete effect;
    }
    return 0;
}
