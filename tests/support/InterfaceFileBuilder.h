// Writes interface screen files (".int") for tests: the controller line, the texture line, the light
// line and element blocks in the order they are added. Numbers are design units and texels.
#pragma once

#include <string>

class TempFolder;

class InterfaceFileBuilder {
public:
    // Controller "controller", texture "screen.tga" 256 x 256, light off, "interface.fx".
    InterfaceFileBuilder();

    InterfaceFileBuilder& Controller(const std::string& name);
    InterfaceFileBuilder& Texture(const std::string& name, float width, float height);
    // Line 3 as given, whole.
    InterfaceFileBuilder& LightLine(const std::string& line);

    // "name x,y,w,h,u,v,du,dv[,extra]": `extra` is appended after a comma when not empty (visibility,
    // then anchor).
    static std::string WindowLine(const std::string& name, float x, float y, float w, float h, float u = 0,
                                  float v = 0, float du = 0, float dv = 0, const std::string& extra = "");
    InterfaceFileBuilder& Window(const std::string& line);
    // A button whose over and pressed windows are the normal one moved along the texture.
    InterfaceFileBuilder& Button(const std::string& name, float x, float y, float w, float h,
                                 const std::string& extra = "");
    // "textedit" and "name x,y,font,max[,rest]".
    InterfaceFileBuilder& EditBox(const std::string& name, float x, float y, const std::string& font, int maxLength,
                                  const std::string& rest = "");
    // "text" and "name font,x,y,key[,anchor]".
    InterfaceFileBuilder& Text(const std::string& name, const std::string& font, float x, float y,
                               const std::string& key, const std::string& anchor = "");
    // Any line, as it is.
    InterfaceFileBuilder& Line(const std::string& line);

    std::string Build() const;
    // Writes "Data/Interface/<screen>1024.int" into the folder.
    void WriteTo(const TempFolder& folder, const std::string& screen) const;

private:
    std::string mController = "controller";
    std::string mTexture = "screen.tga,256,256";
    std::string mLight = "light,off";
    std::string mBody;
};
