#include "interface/InterfaceText.h"

#include "Render/PRenderObject.h"
#include "core/CPGameObject.h"
#include "core/ServiceGlobals.h"
#include "interface/CPFontManager.h"

CPSmartPtr<CPRenderObject> InterfaceText::Layout(const std::string& shown) const {
    const CPFontManager* fonts = gFontManager;
    if (!fonts) return {};
    return fonts->BuildText(object, x, y, font, shown);
}

void InterfaceText::SetText(const std::string& newText) {
    text = newText;
    Layout(text);
}

void InterfaceText::SetPosition(float newX, float newY) {
    x = newX;
    y = newY;
    Layout(text);
}

CPGameObject* CreateTextObject() {
    auto* object = new CPGameObject("text");
    auto* renderObject = new CPRenderObject(object);
    object->SetRenderPart(renderObject, kRenderObject);
    object->Adopt(renderObject);
    return object;
}
