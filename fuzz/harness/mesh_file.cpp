// Mesh files: the input is a file of "Data\Meshes", read as a plain, a physics and an animated mesh.
#include "Render/PMeshFile.h"
#include "core/files/CPFileReader.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzWorkingFolder();
    WriteFuzzFile("Data/Meshes/input.msh", data, size);
    CPFileReader reader("Data\\Meshes\\input.msh", false);
    if (reader.Load() != S_OK) return 0;
    for (CPMeshFileKind kind : {CPMeshFileKind::kPlain, CPMeshFileKind::kPhysics}) {
        reader.Load();
        CPMeshFileRecord file;
        ReadMeshFile(reader, kind, file);
    }
    reader.Load();
    reader.ReadInt();
    reader.ReadInt();
    CPMeshNodeRecord root;
    ReadAnimatedMeshFile(reader, root);
    return 0;
}
