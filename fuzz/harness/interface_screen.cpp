// ".int" screens and the screen built from them: the input is "Data\Interface\input1024.int", built
// into a screen (material, light, windows, buttons, edit boxes, texts) and pointed at once.
#include <memory>

#include "core/CPCommandTask.h"
#include "fuzz/FuzzSupport.h"
#include "interface/CPInterface.h"
#include "simulation/level/CPGameData.h"
#include "support/EffectFileBuilder.h"
#include "support/InterfaceRig.h"
#include "support/ScopedRenderCaches.h"

namespace {
// Render caches with the interface effects, the interface rig (1024 x 768) and game data with a text,
// a running controller registered as "ctl".
struct ScreenRig {
    ScopedRenderCaches caches;
    InterfaceRig rig;
    CPGameData data;
    CPCommandTask controller;
    ScreenRig() {
        caches.WriteEffect("interface.fx", EffectFileBuilder().Parameter("texture", "tex0").Str());
        caches.WriteEffect("interface2.fx", EffectFileBuilder().Parameter("texture", "tex0").Str());
        data.mTexts["title_key"] = "Hi";
        gGameData = &data;
        controller.Start();
        rig.Dispatcher().Register(&controller, "ctl");
    }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ScreenRig& rig = FuzzRig<ScreenRig>();
    WriteFuzzFile("Data/Interface/input1024.int", data, size);
    auto screen = std::make_unique<CPInterface>();
    screen->Load("input", 3);
    screen->UpdateHover(0.5f, 0.5f);
    screen->FocusNext();
    // The scripts would take what the screen sent them; left queued, the commands would pile up from
    // input to input.
    for (CPCommandTask* receiver : {&rig.controller, &rig.rig.InterfaceListener()})
        while (receiver->SetNextCommand()) {
        }
    return 0;
}
