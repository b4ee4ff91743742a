// Render descriptions and the object build from them: the input is a ".rdf" of "Data\Meshes", built
// into an object tree (meshes, animations, sprites, lights, particle systems, levels of detail, the
// XML description) beside a few small files it may name, then deleted.
#include "fuzz/FuzzSupport.h"
#include "support/DescriptionBuildRig.h"
#include "support/MeshFileBuilder.h"

namespace {
// Files a description may refer to: "m.x" (plain, nodes "a" and "b"), "p.p3d" (physics), "a.msh"
// (animated, "man" with a child "hat"), "d.xml", "t.tga", "e.fx".
struct BuildRig {
    DescriptionBuildRig rig;
    BuildRig() {
        rig.WriteMesh("m.x", PlainMeshFile({MeshTestNode("a", 3), MeshTestNode("b", 3)}));
        rig.WriteMesh("p.p3d", PhysicsMeshFile({MeshTestNode("body", 3)}));
        CPMeshNodeRecord man = AnimatedTestNode("man", 2);
        man.children = {AnimatedTestNode("hat", 1)};
        rig.WriteMesh("a.msh", AnimatedMeshFile(man));
        rig.WriteXmlDescription("d.xml", "<d><mass value=\"1\"/></d>");
        rig.WriteTexture("t.tga");
        rig.WriteEffect("e.fx");
    }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DescriptionBuildRig& rig = FuzzRig<BuildRig>().rig;
    WriteFuzzFile("Data/Meshes/input.rdf", data, size);
    if (CPGameObject* root = rig.Build("input.rdf")) rig.Delete(root);
    return 0;
}
