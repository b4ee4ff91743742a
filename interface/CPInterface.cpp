#include "interface/CPInterface.h"

#include <algorithm>

#include "Render/CPRenderQueue.h"
#include "Render/PIVertexBuffer.h"
#include "Render/PMaterialManager.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "core/CPCommandDispatcher.h"
#include "core/LogStream.h"
#include "core/ServiceGlobals.h"
#include "core/StringUtils.h"
#include "core/config/Settings.h"
#include "interface/CPButton.h"
#include "interface/CPInputManager.h"
#include "interface/DesignUnits.h"
#include "interface/InterfaceFile.h"
#include "simulation/level/CPGameData.h"

std::vector<CPInterface*> gInterfaces;

namespace {

constexpr int32_t kLightRange = 10000;
constexpr const char* kEffect = "interface.fx";
constexpr const char* kSmoothEffect = "interface2.fx";
constexpr const char* kCursorName = "cursor";

// Design units to the pixel a text starts at: texts round half up where windows move half a pixel back.
float TextPixelX(float x) { return DesignToPixelsX(x) + 0.5f; }
float TextPixelY(float y) { return DesignToPixelsY(y) + 0.5f; }

// The layer key of a screen's material; a number near the int32 limit stays at the limit instead of
// overflowing.
int32_t MaterialLayerKey(int32_t number) {
    const int64_t key = static_cast<int64_t>(number) + CPInterface::kMaterialLayerOffset;
    return static_cast<int32_t>(std::min<int64_t>(key, INT32_MAX));
}

CPSmartPtr<CPMaterial> MakeMaterial(int32_t layerKey, const std::string& effect, const std::string& texture) {
    CPMaterialManager* materials = gMaterialManager;
    if (!materials) return {};
    return materials->CreateMaterial(layerKey, effect, {texture});
}

}  // namespace

CPInterface::CPInterface() : CPGameObject("Interface") {
    gInterfaces.push_back(this);
    auto* renderObject = new CPRenderObject(this);
    SetRenderPart(renderObject, kRenderObject);
    Adopt(renderObject);
    mRenderObject = renderObject;
}

CPInterface::~CPInterface() {
    gInterfaces.erase(std::remove(gInterfaces.begin(), gInterfaces.end(), this), gInterfaces.end());
    // Let go of every link first, then delete what the screen made; the text and cursor objects are
    // owned children and die with the game object, the render object is adopted.
    mCurrentButton.Reset();
    mCursor.Reset();
    mCursors.clear();
    mTexts.clear();
    mWindows.clear();
    mDrawList.clear();
    mButtonList.clear();
    mEditBoxes.clear();
    mRenderObject.Reset();
    for (CPEditBox* box : mOwnedEditBoxes)
        if (gObjectRegistry::Contains(box)) delete box;
    for (CPWindow* window : mOwnedWindows)
        if (gObjectRegistry::Contains(window)) delete window;
}

// --- loading

void CPInterface::Load(const std::string& name, int32_t number) {
    Rename(name);
    SetWorldMatrixChanged(true);
    InterfaceFileRecord record;
    if (ReadInterfaceFile(InterfaceFilePath(name), record)) {
        const std::string fault = ValidateInterfaceFile(record);
        if (fault.empty())
            Apply(record, number);
        else
            LogReport(GetLogStream(), 0, "Interface screen %s not built: %s\n", name.c_str(), fault.c_str());
    }
    UpdateBuffers();
}

void CPInterface::Apply(const InterfaceFileRecord& record, int32_t number) {
    if (record.lightOn) {
        mLightOn = 1;
        mLight = D3DLIGHT9{};
        mLight.Type = D3DLIGHT_DIRECTIONAL;
        mLight.Direction = {record.lightDirection[0], record.lightDirection[1], record.lightDirection[2]};
        mLight.Diffuse = {record.lightColour[0], record.lightColour[1], record.lightColour[2], 0.0f};
        mLight.Specular = mLight.Diffuse;
        mLight.Range = static_cast<float>(kLightRange);
    }
    mRenderObject->SetMaterial(
        MakeMaterial(MaterialLayerKey(number), record.smooth ? kSmoothEffect : kEffect, record.textureName));
    SetController(gCommandDispatcher ? gCommandDispatcher->FindByName(record.controllerName)
                                         : CPSmartPtr<CPCommandTask>());

    for (const InterfaceElement& element : record.elements) {
        switch (element.kind) {
        case InterfaceElement::kWindow:
            AddWindow(element.windows[0], record);
            break;
        case InterfaceElement::kButton:
            AddButton(element.windows, record.textureWidth, record.textureHeight);
            break;
        case InterfaceElement::kEditBox: {
            const EditBoxLine& line = element.editBox;
            // Anchor words leave texts where they are.
            const InterfaceText text = AddTextElement(line.font, line.x, line.y);
            auto* box = line.hasInitialText ? new CPEditBox(text, line.maxLength, line.initialText)
                                            : new CPEditBox(text, line.maxLength);
            mOwnedEditBoxes.push_back(box);
            mEditBoxes[line.name] = box;
            mTexts[line.name] = text;
            break;
        }
        case InterfaceElement::kText: {
            const TextLine& line = element.text;
            const InterfaceText text = AddTextElement(line.font, line.x, line.y);
            mTexts[line.name] = text;
            CPGameData* data = gGameData;
            text.Layout(data ? data->GetText(line.key) : std::string());
            break;
        }
        }
    }
}

void CPInterface::AddWindow(const WindowLine& line, const InterfaceFileRecord& record) {
    auto* window = new CPWindow(this);
    window->SetVisible(true);
    window->Apply(line, record.textureWidth, record.textureHeight);
    if (window->GetName() == kCursorName) {
        // The cursor window only lends its quad to the cursor object.
        AddCursor(*window, record.textureName);
        delete window;
        return;
    }
    mOwnedWindows.push_back(window);
    mWindows[window->GetName()] = window;
    mDrawList.emplace_back(window);
}

void CPInterface::AddButton(const std::array<WindowLine, 3>& lines, float textureWidth, float textureHeight) {
    auto* button = new CPButton(this);
    button->SetVisible(true);
    button->Apply(lines, textureWidth, textureHeight);
    mOwnedWindows.push_back(button);
    mWindows[button->GetName()] = button;
    mDrawList.emplace_back(button);
    mButtonList.emplace_back(button);
}

void CPInterface::AddCursor(const CPWindow& window, const std::string& texture) {
    auto* cursor = new CPGameObject(kCursorName);
    auto* renderObject = new CPRenderObject(cursor);
    cursor->SetRenderPart(renderObject, kRenderObject);
    cursor->Adopt(renderObject);
    renderObject->GetLocalVertices().assign(window.GetVertices(), window.GetVertices() + 4);
    renderObject->GetIndices().assign(window.GetIndices(), window.GetIndices() + 6);

    const D3DXVECTOR3& first = window.GetVertices()[0].position;
    const D3DXVECTOR3& last = window.GetVertices()[3].position;
    cursor->GetCollisionBoxes().emplace_back((first + last) * 0.5f, (last - first) * 0.5f);

    renderObject->SetMaterial(MakeMaterial(kCursorLayerKey, kEffect, texture));

    mCursor = cursor;
    AddOwnedChild(cursor);
    mCursors[kCursorName] = cursor;
}

InterfaceText CPInterface::AddTextElement(const std::string& font, float x, float y) {
    CPGameObject* object = CreateTextObject();
    AddOwnedChild(object);
    InterfaceText text;
    text.object = object;
    text.font = font;
    text.x = TextPixelX(x);
    text.y = TextPixelY(y);
    return text;
}

// --- drawing

void CPInterface::UpdateBuffers() {
    std::vector<CPVertex>& vertices = mRenderObject->GetLocalVertices();
    std::vector<uint16_t>& indices = mRenderObject->GetIndices();
    vertices.clear();
    indices.clear();
    for (const CPSmartPtr<CPWindow>& window : mDrawList) {
        if (!window->IsVisible()) continue;
        // Beyond 16384 quads the indices would wrap onto the first quads.
        if (vertices.size() + 4 > 65536) break;
        const auto base = static_cast<uint16_t>(vertices.size());
        const CPVertex* quad = window->GetVertices();
        for (size_t i = 0; i < 4; ++i) {
            CPVertex vertex = quad[i];
            vertex.position.x += window->GetX();
            vertex.position.y += window->GetY();
            vertices.push_back(vertex);
        }
        const uint16_t* quadIndices = window->GetIndices();
        for (size_t i = 0; i < 6; ++i) indices.push_back(static_cast<uint16_t>(quadIndices[i] + base));
    }
    mRenderObject->GetWorldVertices() = vertices;
}

void CPInterface::Update() {
    PRender* renderer = gRenderer;
    if (!renderer) return;
    if (mLightOn) renderer->AddLight(mLight);
    if (CPSmartPtr<CPRenderQueue> queue = renderer->GetDrawQueue()) queue->AddObjectTree(this);
}

// --- activation

void CPInterface::Activate(int32_t priority) {
    mScreenActive = 1;
    int32_t x = 0;
    int32_t y = 0;
    if (gInputManager) {
        gInputManager->GetMousePosition(x, y);
        MouseMoveAll(static_cast<float>(x), static_cast<float>(y));
    } else {
        MouseMoveAll(mPointerX, mPointerY);
    }
    CPGameObject::Activate(priority);
}

void CPInterface::SilentActivate(int32_t priority) {
    mScreenActive = 1;
    CPGameObject::Activate(priority);
}

void CPInterface::Deactivate() {
    mScreenActive = 0;
    CPGameObject::Deactivate();
}

// --- pointer and focus

void CPInterface::MouseMoveAll(float x, float y) {
    const std::string position = FormatTwoDecimals(x / static_cast<float>(gSettings::screenWidth)) + "," +
                                 FormatTwoDecimals(y / static_cast<float>(gSettings::screenHeight));
    SendToInterfaces("mouse_move", position);
    // By index: nothing here creates or deletes screens, but the list is global.
    for (size_t i = gInterfaces.size(); i-- > 0;)
        if (i < gInterfaces.size()) gInterfaces[i]->MouseMove(x, y);
}

void CPInterface::MouseMove(float x, float y) {
    mPointerX = x;
    mPointerY = y;
    if (!mScreenActive || !mCursor) return;
    mCursor->SetPosition(D3DXVECTOR3(x, y, 0.0f));
    mCursor->UpdateTransform();
    UpdateHover(x, y);
}

void CPInterface::UpdateHover(float x, float y) {
    bool changed = false;
    if (mCurrentButton && !mCurrentButton->HitTest(x, y)) {
        if (mCurrentButton->OnMouseOut(x, y)) changed = true;
        mCurrentButton.Reset();
    }
    for (auto it = mDrawList.rbegin(); it != mDrawList.rend(); ++it) {
        CPWindow* window = it->Get();
        if (!window->IsEnabled() || !window->IsVisible() || !window->HitTest(x, y)) continue;
        mCurrentButton = window;
        if (window->OnMouseOver(x, y)) {
            UpdateBuffers();
            return;
        }
        mCurrentButton.Reset();
        break;
    }
    if (changed) UpdateBuffers();
}

void CPInterface::Focus(bool forward) {
    if (!mScreenActive || mButtonList.empty()) return;
    std::vector<CPWindow*> buttons;
    for (const CPSmartPtr<CPWindow>& button : mButtonList) buttons.push_back(button.Get());
    if (!forward) std::reverse(buttons.begin(), buttons.end());
    auto qualifies = [](const CPWindow* button) { return button->IsEnabled() && button->IsVisible(); };

    const auto current = std::find(buttons.begin(), buttons.end(), mCurrentButton.Get());
    const size_t count = buttons.size();
    if (mCurrentButton && current != buttons.end()) {
        // Each button once, from the one after the current, ending with the current itself.
        const size_t start = static_cast<size_t>(current - buttons.begin());
        for (size_t step = 1; step <= count; ++step) {
            CPWindow* button = buttons[(start + step) % count];
            if (qualifies(button)) {
                UpdateHover(button->GetX() + 1.0f, button->GetY() + 1.0f);
                return;
            }
        }
        return;
    }
    // Without a current button: forwards the first button is pointed at (x + 1, y + 1) and a later one
    // at (x + 2, y); backwards every button, the last included, at (x + 2, y).
    if (forward && qualifies(buttons[0])) {
        UpdateHover(buttons[0]->GetX() + 1.0f, buttons[0]->GetY() + 1.0f);
        return;
    }
    for (size_t i = forward ? 1 : 0; i < count; ++i) {
        if (qualifies(buttons[i])) {
            UpdateHover(buttons[i]->GetX() + 2.0f, buttons[i]->GetY());
            return;
        }
    }
}

void CPInterface::FocusNext() { Focus(true); }

void CPInterface::FocusPrev() { Focus(false); }

void CPInterface::FocusNextAll() {
    for (size_t i = gInterfaces.size(); i-- > 0;)
        if (i < gInterfaces.size()) gInterfaces[i]->FocusNext();
}

void CPInterface::FocusPrevAll() {
    for (size_t i = gInterfaces.size(); i-- > 0;)
        if (i < gInterfaces.size()) gInterfaces[i]->FocusPrev();
}

// --- elements by name

CPWindow* CPInterface::FindWindow(const std::string& name) const {
    const auto it = mWindows.find(name);
    return it == mWindows.end() ? nullptr : it->second.Get();
}

CPEditBox* CPInterface::FindEditBox(const std::string& name) const {
    const auto it = mEditBoxes.find(name);
    return it == mEditBoxes.end() ? nullptr : it->second.Get();
}

InterfaceText* CPInterface::FindText(const std::string& name) {
    const auto it = mTexts.find(name);
    return it == mTexts.end() ? nullptr : &it->second;
}

CPGameObject* CPInterface::FindCursor(const std::string& name) const {
    const auto it = mCursors.find(name);
    return it == mCursors.end() ? nullptr : it->second.Get();
}

void CPInterface::ShowWindow(const std::string& name, bool visible) {
    if (CPWindow* window = FindWindow(name)) window->SetVisible(visible);
}

void CPInterface::SetWindowPos(const std::string& name, float x, float y) {
    if (CPWindow* window = FindWindow(name)) window->SetPosition(x, y);
}

void CPInterface::GetWindowPos(const std::string& name, float& x, float& y) const {
    if (const CPWindow* window = FindWindow(name)) {
        x = window->GetX();
        y = window->GetY();
    }
}

void CPInterface::SetText(const std::string& name, const std::string& text) {
    if (InterfaceText* element = FindText(name)) element->SetText(text);
}

void CPInterface::SwitchCursor(const std::string& name) {
    if (mCursor) mCursor->SetVisible(false);
    mCursor = mCursors[name];
    mCursorName = name;
    if (!mCursor) return;
    mCursor->SetVisible(true);
    // SetPosition moves the linked level-of-detail copies and the physical body along.
    mCursor->SetPosition(D3DXVECTOR3(mPointerX, mPointerY, 0.0f));
    mCursor->UpdateTransform();
}
