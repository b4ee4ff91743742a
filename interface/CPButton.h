// A button of an interface screen: a window that shows one of three quads (normal, pointer over,
// pressed) and posts "button" with its name to the screen's controller when a click is released on
// it. Its name, position and visibility are those of its normal window; its own quad is never drawn.
#pragma once

#include <array>

#include "core/CPSmartPtr.h"
#include "interface/CPWindow.h"

class CPButton : public CPWindow {
public:
    enum State : int32_t { kNormal = 0, kOver = 1, kPressed = 2 };

    // No state windows until Load.
    explicit CPButton(CPWindowOwner* owner);
    // Deletes the state windows it made.
    ~CPButton() override;

    size_t GetSize() const override { return sizeof(CPButton); }
    std::string GetClassName() const override { return "CPButton"; }

    // Back to normal, the screen rebuilds its batch, then the flag is stored.
    void SetEnabled(bool enabled) override;
    // The normal window's hit test (the button's own before it is loaded).
    bool HitTest(float px, float py) const override;
    // Reads three window lines (normal, over, pressed) into three new windows of the same screen, then
    // takes the normal one's visibility (SetVisible), name and position. Loading again replaces them.
    bool Load(CPTextReader& reader, float textureWidth, float textureHeight) override;
    // What Load does with the three lines already split (normal, over, pressed).
    void Apply(const std::array<WindowLine, 3>& lines, float textureWidth, float textureHeight);
    // The quad of the current state's window (the button's own before it is loaded).
    const CPVertex* GetVertices() const override;
    const uint16_t* GetIndices() const override;
    // Back to normal, then the flag is stored.
    void SetVisible(bool visible) override;
    // Over; sends "mouse_button_over" with the name to the category "interface"; true.
    bool OnMouseOver(float px, float py) override;
    // Normal; sends "mouse_button_out" with the name to the category "interface"; true.
    bool OnMouseOut(float px, float py) override;
    // Mouse button 0 presses the button (true); any other button changes nothing (false).
    bool OnMouseDown(int32_t button, float px, float py) override;
    // Mouse button 0: released on the button it goes over and posts "button" with the name to the
    // screen's controller, elsewhere it goes back to normal; true. Any other button: false.
    bool OnClick(int32_t button, float px, float py) override;

    State GetState() const { return mState; }
    // Normal, over, pressed; empty before Load.
    CPWindow* GetStateWindow(State state) const { return mStateWindows[state].Get(); }

private:
    // The current state's window, or the button itself when that window is missing.
    const CPWindow& Shown() const;
    void DeleteStateWindows();

    std::array<CPSmartPtr<CPWindow>, 3> mStateWindows;  // owned; indexed by State
    State mState = kNormal;
};
