#include "support/InterfaceFileBuilder.h"

#include <cstdio>

#include "support/TempFolder.h"

namespace {

std::string Number(float value) {
    char text[32];
    std::snprintf(text, sizeof(text), "%g", static_cast<double>(value));
    return text;
}

}  // namespace

InterfaceFileBuilder::InterfaceFileBuilder() = default;

InterfaceFileBuilder& InterfaceFileBuilder::Controller(const std::string& name) {
    mController = name;
    return *this;
}

InterfaceFileBuilder& InterfaceFileBuilder::Texture(const std::string& name, float width, float height) {
    mTexture = name + "," + Number(width) + "," + Number(height);
    return *this;
}

InterfaceFileBuilder& InterfaceFileBuilder::LightLine(const std::string& line) {
    mLight = line;
    return *this;
}

std::string InterfaceFileBuilder::WindowLine(const std::string& name, float x, float y, float w, float h, float u,
                                             float v, float du, float dv, const std::string& extra) {
    std::string line = name + " " + Number(x) + "," + Number(y) + "," + Number(w) + "," + Number(h) + "," + Number(u) +
                       "," + Number(v) + "," + Number(du) + "," + Number(dv);
    if (!extra.empty()) line += "," + extra;
    return line;
}

InterfaceFileBuilder& InterfaceFileBuilder::Window(const std::string& line) {
    return Line("window").Line(line);
}

InterfaceFileBuilder& InterfaceFileBuilder::Button(const std::string& name, float x, float y, float w, float h,
                                                   const std::string& extra) {
    Line("button");
    for (int state = 0; state < 3; ++state)
        Line(WindowLine(name, x, y, w, h, static_cast<float>(state) * 64.0f, 0, 64, 32, extra));
    return *this;
}

InterfaceFileBuilder& InterfaceFileBuilder::EditBox(const std::string& name, float x, float y, const std::string& font,
                                                    int maxLength, const std::string& rest) {
    std::string line = name + " " + Number(x) + "," + Number(y) + "," + font + "," + std::to_string(maxLength);
    if (!rest.empty()) line += "," + rest;
    return Line("textedit").Line(line);
}

InterfaceFileBuilder& InterfaceFileBuilder::Text(const std::string& name, const std::string& font, float x, float y,
                                                 const std::string& key, const std::string& anchor) {
    std::string line = name + " " + font + "," + Number(x) + "," + Number(y) + "," + key;
    if (!anchor.empty()) line += "," + anchor;
    return Line("text").Line(line);
}

InterfaceFileBuilder& InterfaceFileBuilder::Line(const std::string& line) {
    mBody += line + "\r\n";
    return *this;
}

std::string InterfaceFileBuilder::Build() const {
    return mController + "\r\n" + mTexture + "\r\n" + mLight + "\r\n" + mBody;
}

void InterfaceFileBuilder::WriteTo(const TempFolder& folder, const std::string& screen) const {
    folder.Write("Data/Interface/" + screen + "1024.int", Build());
}
