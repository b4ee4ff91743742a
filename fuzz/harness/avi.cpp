// AVI streams: the input is a video of "Data\Video", opened by the video player (with its sound
// stream) and played for a few frames, each copied into the video texture.
#include <memory>

#include "Render/PAVIPlayer.h"
#include "Render/PTextureManager.h"
#include "core/CPTaskKernel.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Ole.h"
#include "support/D3DTestSupport.h"
#include "support/ManualClock.h"
#include "support/ScopedRenderCaches.h"

namespace {
// The render caches with the error texture and the video entry, a manual clock, a task kernel, COM.
struct VideoRig {
    ScopedRenderCaches caches;
    ManualClock clock;
    CPTaskKernel kernel;
    VideoRig() {
        gSettings::screenBPP = 32;
        caches.WriteTexture("error.tga", MakeImageFile(ImageKind::Tga, 2, 2));
        gTextureManager->GetTexture("video");
        gTaskKernel = &kernel;
        CoInitialize(nullptr);
    }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    VideoRig& rig = FuzzRig<VideoRig>();
    WriteFuzzFile("Data/Video/input.avi", data, size);
    auto player = std::make_unique<PAVIPlayer>();
    if (player->Open("input.avi", false) == S_OK && rig.kernel.AddTask(player.get())) {
        for (int frame = 0; frame < 4 && !player->IsStopped(); ++frame) {
            rig.clock.AdvanceMs(40);
            rig.kernel.RunFrame();
        }
    }
    player.reset();
    rig.kernel.RunFrame();
    return 0;
}
