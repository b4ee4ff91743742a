// Images: the input is a texture file of "Data\Textures" (PNG, JPEG, BMP or TGA, told apart by its
// first bytes), loaded into a texture and into a cube texture.
#include "Render/PTexture.h"
#include "fuzz/FuzzSupport.h"
#include "support/ScopedRenderCaches.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzRig<ScopedRenderCaches>();
    WriteFuzzFile("Data/Textures/input.tga", data, size);
    for (const char* name : {"input.tga", "input.tga,nomip,cube"}) {
        CPTexture* texture = new CPTexture();
        texture->Load(name);
        delete texture;
    }
    return 0;
}
