#include "interface/CPButton.h"

#include "core/CPCommandTask.h"
#include "core/files/CPTextReader.h"
#include "interface/CPWindowOwner.h"

CPButton::CPButton(CPWindowOwner* owner) : CPWindow(owner) {}

CPButton::~CPButton() { DeleteStateWindows(); }

void CPButton::DeleteStateWindows() {
    for (CPSmartPtr<CPWindow>& held : mStateWindows) {
        CPWindow* window = held.Get();
        held.Forget();
        if (window && gObjectRegistry::Contains(window)) delete window;
    }
}

const CPWindow& CPButton::Shown() const {
    const CPWindow* window = mStateWindows[mState].Get();
    return window ? *window : *this;
}

void CPButton::SetEnabled(bool enabled) {
    mState = kNormal;
    if (mOwner) mOwner->UpdateBuffers();
    CPWindow::SetEnabled(enabled);
}

bool CPButton::HitTest(float px, float py) const {
    const CPWindow* normal = mStateWindows[kNormal].Get();
    return normal ? normal->HitTest(px, py) : CPWindow::HitTest(px, py);
}

bool CPButton::Load(CPTextReader& reader, float textureWidth, float textureHeight) {
    std::array<WindowLine, 3> lines;
    for (WindowLine& line : lines) {
        std::string text;
        reader.NextLine(text);
        line = ParseWindowLine(text);
    }
    Apply(lines, textureWidth, textureHeight);
    return true;
}

void CPButton::Apply(const std::array<WindowLine, 3>& lines, float textureWidth, float textureHeight) {
    mState = kNormal;
    DeleteStateWindows();
    for (size_t i = 0; i < mStateWindows.size(); ++i) {
        mStateWindows[i] = new CPWindow(mOwner);
        mStateWindows[i]->Apply(lines[i], textureWidth, textureHeight);
    }
    const CPWindow& normal = *mStateWindows[kNormal];
    SetVisible(normal.IsVisible());
    mName = normal.GetName();
    mX = normal.GetX();
    mY = normal.GetY();
}

const CPVertex* CPButton::GetVertices() const {
    const CPWindow& shown = Shown();
    return &shown == this ? CPWindow::GetVertices() : shown.GetVertices();
}

const uint16_t* CPButton::GetIndices() const {
    const CPWindow& shown = Shown();
    return &shown == this ? CPWindow::GetIndices() : shown.GetIndices();
}

void CPButton::SetVisible(bool visible) {
    mState = kNormal;
    CPWindow::SetVisible(visible);
}

bool CPButton::OnMouseOver(float, float) {
    mState = kOver;
    SendToInterfaces("mouse_button_over", mName);
    return true;
}

bool CPButton::OnMouseOut(float, float) {
    mState = kNormal;
    SendToInterfaces("mouse_button_out", mName);
    return true;
}

bool CPButton::OnMouseDown(int32_t button, float, float) {
    if (button != 0) return false;
    mState = kPressed;
    return true;
}

bool CPButton::OnClick(int32_t button, float px, float py) {
    if (button != 0) return false;
    if (HitTest(px, py)) {
        mState = kOver;
        if (mOwner) PostCommand(mOwner->GetCommandTarget(), "button", mName);
    } else {
        mState = kNormal;
    }
    return true;
}
