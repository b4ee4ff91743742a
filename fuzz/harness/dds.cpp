// DDS headers: the input is a ".dds" of "Data\Textures", its header read on its own and the file loaded
// into a texture and a cube texture.
#include "Render/PTexture.h"
#include "core/files/CPFileReader.h"
#include "fuzz/FuzzSupport.h"
#include "platform/DdsHeader.h"
#include "support/ScopedRenderCaches.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzRig<ScopedRenderCaches>();
    WriteFuzzFile("Data/Textures/input.dds", data, size);
    CPFileReader reader("Data\\Textures\\input.dds", false);
    if (reader.Load() != S_OK) return 0;
    DdsImage header;
    ReadDdsHeader(reader.GetData(), reader.GetSize(), &header);
    for (const char* name : {"input.dds", "input.dds,cube"}) {
        CPTexture* texture = new CPTexture();
        texture->Load(name);
        delete texture;
    }
    return 0;
}
