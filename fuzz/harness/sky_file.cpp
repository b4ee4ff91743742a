// The sky file: the input is a skyscape file of "Data\Clouds" (its dome, key states and layers), loaded
// into a sky with the cloud group and record files it names, where they exist.
#include "DynamicSky/Skyscape.h"
#include "fuzz/FuzzSupport.h"
#include "support/CloudFileBuilder.h"
#include "support/EffectFileBuilder.h"
#include "support/SkyTestRig.h"

namespace {
// The effects a sky loads, a group "g.txt" of one shape "s.txt" and a record file "r.txt".
struct SkyRig {
    SkyTestRig rig;
    SkyRig() {
        rig.Caches().WriteEffect("dome.fx", EffectFileBuilder().Parameter("texture", "tex0").Str());
        rig.Caches().WriteEffect("layer0.fx", EffectFileBuilder().Technique("Zero").Str());
        rig.Caches().WriteEffect("layer1.fx", EffectFileBuilder().Technique("One").Str());
        rig.Caches().WriteEffect("skyscape_light.fx", EffectFileBuilder().Technique("Light").Str());
        CloudShapeFile shape;
        shape.anchors = {D3DXVECTOR3(0, 0, 0)};
        shape.puffs.resize(1);
        shape.puffs[0].width = 1.0f;
        rig.WriteCloudFile("s.txt", CloudShapeFileText(shape));
        CloudGroupFile group;
        group.blocks = {CloudBlock("s.txt")};
        rig.WriteCloudFile("g.txt", CloudGroupFileText(group));
        rig.WriteCloudFile("r.txt", CloudRecordFileText({MakeCloudRecord("g.txt")}));
    }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzRig<SkyRig>();
    WriteFuzzFile("Data/Clouds/input.sky", data, size);
    Skyscape sky;
    sky.Load("input.sky");
    return 0;
}
