// A window of an interface screen: a named rectangle of the screen's texture at a pixel position,
// drawn by the screen as one quad of its batch. Hit-tested by the pointer logic; a click on it is
// posted to the screen's controller.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "Render/PVertex.h"
#include "core/CPRefObject.h"

class CPTextReader;
class CPWindowOwner;

// One window line of a screen file, "name x,y,width,height,u,v,du,dv[,visible[,anchor]]", as written:
// design units and texels, before any conversion.
struct WindowLine {
    std::string name;
    float x = 0.0f, y = 0.0f, width = 0.0f, height = 0.0f;  // design units
    float u = 0.0f, v = 0.0f, du = 0.0f, dv = 0.0f;          // texels
    bool hasVisibility = false;  // the ninth field is present
    bool visible = true;         // the ninth field is not "false"
    std::string anchor;          // the tenth field; empty when absent
};

// Splits an element line of a screen file: its name and the fields of the comma list, the first two
// blank-separated fields (quotes honoured).
std::vector<std::string> SplitElementLine(const std::string& line, std::string& name);
// Splits a window line: the name and the comma list are its first two blank-separated fields (quotes
// honoured); missing numbers read as 0.
WindowLine ParseWindowLine(const std::string& line);

class CPWindow : public CPRefObject {
public:
    // Unnamed, visible, enabled, at (0, 0) with an empty quad. The owner is not counted; the screen
    // that owns the window outlives it or clears the link (SetOwner).
    explicit CPWindow(CPWindowOwner* owner);

    size_t GetSize() const override { return sizeof(CPWindow); }
    std::string GetClassName() const override { return "CPWindow"; }

    virtual void SetEnabled(bool enabled);
    // Inside the quad placed at (x, y), edges included.
    virtual bool HitTest(float px, float py) const;
    // Sets the name, converts the design-unit rectangle to pixels (x x W/1024 - 0.5, y x H/768 - 0.5,
    // width x W/1024, height x H/768) and the texel rectangle to texture coordinates (divided by the
    // texture size), builds the quad and shows the window. Always true.
    virtual bool Create(const std::string& name, float textureWidth, float textureHeight, float x, float y,
                        float width, float height, float u, float v, float du, float dv);
    // Reads one window line of a screen file: "name x,y,width,height,u,v,du,dv[,visible[,anchor]]",
    // converted as Create does; "false" as the visibility hides the window (SetVisible), any other word
    // shows it; the anchor "stretch" scales the size by W/1024 and H/768 once more, other anchors leave
    // it. Missing numbers read as 0, a missing line as an empty one. Always true.
    virtual bool Load(CPTextReader& reader, float textureWidth, float textureHeight);
    // What Load does with a line already split: converts it and takes it as the window's name, place,
    // size, visibility and quad.
    void Apply(const WindowLine& line, float textureWidth, float textureHeight);
    // The quad relative to (x, y): 4 vertices, 6 indices.
    virtual const CPVertex* GetVertices() const;
    virtual const uint16_t* GetIndices() const;
    virtual void SetVisible(bool visible);
    // Sends "mouse_window_over" with the name to the category "interface"; false (not a button).
    virtual bool OnMouseOver(float px, float py);
    // Sends "mouse_window_out" with the name to the category "interface"; false.
    virtual bool OnMouseOut(float px, float py);
    // Nothing; false.
    virtual bool OnMouseDown(int32_t button, float px, float py);
    // When the point hits the window, posts "window" with "name,px,py" ("%.2f") to the owner's
    // controller. False either way.
    virtual bool OnClick(int32_t button, float px, float py);

    // The quad becomes (0, 0) - (width, height) in pixels; texture coordinates are kept.
    void SetSize(float width, float height);

    const std::string& GetName() const { return mName; }
    bool IsVisible() const { return mVisible != 0; }
    bool IsEnabled() const { return mEnabled != 0; }
    float GetX() const { return mX; }
    float GetY() const { return mY; }
    // Moves the window; the screen's batch follows at its next rebuild.
    void SetPosition(float x, float y) {
        mX = x;
        mY = y;
    }
    CPWindowOwner* GetOwner() const { return mOwner; }
    void SetOwner(CPWindowOwner* owner) { mOwner = owner; }

protected:
    // The quad of a width x height pixel rectangle showing texture coordinates (u, v) - (u + du, v + dv).
    void BuildQuad(float width, float height, float u, float v, float du, float dv);

    CPWindowOwner* mOwner;  // not counted; null: clicks reach nobody, nothing is rebuilt
    std::array<CPVertex, 4> mVertices{};
    std::array<uint16_t, 6> mIndices{0, 1, 2, 0, 2, 3};
    std::string mName;
    uint8_t mVisible = 1;
    uint8_t mEnabled = 1;  // a disabled window is drawn but never takes the pointer
    float mX = 0.0f;       // top-left corner, screen pixels
    float mY = 0.0f;
};

// Sends a command to every running receiver of the category "interface"; nothing without a dispatcher.
void SendToInterfaces(const std::string& command, const std::string& paramText);
