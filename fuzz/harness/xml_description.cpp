// XML descriptions: the input is the file an object's description names, loaded into the object's
// document the engine's way and walked whole.
#include <tinyxml.h>

#include "core/CPGameObject.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzWorkingFolder();
    WriteFuzzFile("Data/Descriptions/input.xml", data, size);
    CPGameObject* object = new CPGameObject("input");
    object->SetDescriptionName("Input.XML");
    if (object->LoadDescription()) {
        TiXmlPrinter printer;
        object->GetDescription().Accept(&printer);
    }
    delete object;
    return 0;
}
