// A screen file (".int" in "Data\Interface") as a plain record: the controller's name, the texture,
// the light and the element blocks in file order, with their numbers as written (design units and
// texels). The screen converts and builds from it only once the whole file was read and checked.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "interface/CPWindow.h"

// An edit-box line: "name x,y,font,maximum length[,anchor[,initial text]]".
struct EditBoxLine {
    std::string name;
    float x = 0.0f, y = 0.0f;  // design units
    std::string font;
    int32_t maxLength = 0;  // as written, clamped to the int32 range
    std::string anchor;     // empty when absent
    bool hasInitialText = false;
    std::string initialText;
};

// A text line: "name font,x,y,key[,anchor]"; the key names an entry of the game data's texts.
struct TextLine {
    std::string name;
    std::string font;
    float x = 0.0f, y = 0.0f;  // design units
    std::string key;
    std::string anchor;  // empty when absent
};

struct InterfaceElement {
    enum Kind { kWindow, kButton, kEditBox, kText };
    Kind kind = kWindow;
    // kWindow: windows[0]; kButton: normal, over, pressed.
    std::array<WindowLine, 3> windows;
    EditBoxLine editBox;
    TextLine text;
};

struct InterfaceFileRecord {
    std::string controllerName;  // line 1, whole
    std::string textureName;
    float textureWidth = 0.0f;  // texels
    float textureHeight = 0.0f;
    bool lightOn = false;
    std::array<float, 3> lightDirection{};
    std::array<float, 3> lightColour{};  // red, green, blue
    bool smooth = false;  // "interface2.fx" instead of "interface.fx"
    std::vector<InterfaceElement> elements;  // in file order
};

// Format of the path: the folder, the screen name and kInterfaceFileNumber.
inline constexpr const char* kInterfaceFolder = "Data\\Interface";
inline constexpr int32_t kInterfaceFileNumber = 1024;
// "Data\Interface\<screen name>1024.int".
std::string InterfaceFilePath(const std::string& screenName);

// Windows and buttons one screen may hold: every one is drawn as four vertices of one batch whose
// indices are 16-bit.
inline constexpr size_t kMaxInterfaceWindows = 65536 / 4;

// Reads the text of a screen file into the record. Missing lines and fields read as empty text and 0;
// a keyword without its data lines takes the lines that follow, or empty ones at the end.
InterfaceFileRecord ParseInterfaceFile(const char* text, uint32_t size);
// Empty when the record can be built; otherwise why not.
std::string ValidateInterfaceFile(const InterfaceFileRecord& record);
// Loads and parses the file at the path; false, with the record untouched, when it cannot be read.
bool ReadInterfaceFile(const std::string& path, InterfaceFileRecord& record);
