// A text element of an interface screen: a small game object of its own whose render object the font
// manager fills with one quad per character. The record is copied by value into the screen's text map
// and into edit boxes; the copies share the object.
#pragma once

#include <string>

#include "Render/PRenderObject.h"
#include "core/CPGameObject.h"
#include "core/CPSmartPtr.h"

struct InterfaceText {
    CPSmartPtr<CPGameObject> object;  // named "text", render kind 0; owned by the screen; may be empty
    std::string font;                 // name in gFontManager
    float x = 0.0f;                   // top-left corner of the first character, screen pixels
    float y = 0.0f;
    std::string text;  // what SetText last laid out; empty after loading

    // Lays `shown` out at the element's position in its font, without storing it: the font manager's
    // BuildText, or null when there is no font manager or it lays nothing out.
    CPSmartPtr<CPRenderObject> Layout(const std::string& shown) const;
    // Stores the text, then lays it out.
    void SetText(const std::string& newText);
    // Moves the element, then lays its stored text out again.
    void SetPosition(float newX, float newY);
};

// A new text object: a game object named "text" of render kind 0 holding a render object of its own,
// deleted with it. The caller owns the object.
CPGameObject* CreateTextObject();
