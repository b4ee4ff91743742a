// An interface screen: a game object that owns the windows, buttons, edit boxes, texts and cursor read
// from its screen file, draws every window quad as one render object, follows the pointer to highlight
// the button under it, moves a keyboard focus between buttons and reports all that as commands.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/CPGameObject.h"
#include "core/CPSmartPtr.h"
#include "interface/CPEditBox.h"
#include "interface/CPWindow.h"
#include "interface/CPWindowOwner.h"
#include "interface/InterfaceText.h"
#include "platform/D3D9Types.h"

class CPRenderObject;
struct InterfaceFileRecord;

class CPInterface : public CPGameObject, public CPWindowOwner {
public:
    using WindowList = std::list<CPSmartPtr<CPWindow>>;
    // Buckets the name maps start with.
    static constexpr size_t kMapBuckets = 100;
    // Layer key of the screen material: the number given to Load plus this.
    static constexpr int32_t kMaterialLayerOffset = 200;
    // Layer key of a cursor's material.
    static constexpr int32_t kCursorLayerKey = 205;

    // An empty screen named "Interface", inactive, light off, with its own render object as render part;
    // joins gInterfaces.
    CPInterface();
    // Leaves gInterfaces and deletes every window, button, edit box, text and cursor it built.
    ~CPInterface() override;

    size_t GetSize() const override { return sizeof(CPInterface); }
    // "CPInterface - " and the name.
    std::string GetClassName() const override { return "CPInterface - " + GetName(); }

    // Active; moves the pointer of every screen to the input manager's pointer position
    // (MouseMoveAll), then activates the game object.
    void Activate(int32_t priority) override;
    // Inactive, then the game object is deactivated; hover state and cursor stay.
    void Deactivate() override;
    // Reads "Data\Interface\<name>1024.int" and builds the screen from it (Apply). A file that cannot be
    // read, or that Validate refuses, builds nothing: the screen stays empty. The batch is rebuilt either
    // way. Meant to run once, right after construction.
    virtual void Load(const std::string& name, int32_t number);
    // This frame's light (while the renderer holds fewer than 30) and the screen's object tree into the
    // renderer's draw queue.
    virtual void Update();
    // Active and the game object activated, without a pointer update.
    virtual void SilentActivate(int32_t priority);

    // Builds the screen from a checked record: material (layer key number + 200), light, controller,
    // windows, buttons, cursor, edit boxes and texts. Does not rebuild the batch.
    void Apply(const InterfaceFileRecord& record, int32_t number);

    // --- CPWindowOwner
    CPSmartPtr<CPCommandTask> GetCommandTarget() const override { return GetController(); }
    // The batch again: the quads of the visible windows of the draw list, in order, each placed at its
    // window's position. Stops at the last quad 16-bit indices can reach.
    void UpdateBuffers() override;

    // --- pointer and focus
    // "mouse_move" with the position as fractions of the screen ("%.2f,%.2f") to the category
    // "interface", then MouseMove on every screen, the last created first.
    static void MouseMoveAll(float x, float y);
    // Stores the pointer position; an active screen with a cursor moves the cursor there and runs the
    // hover logic.
    void MouseMove(float x, float y);
    // The topmost enabled, visible window under the point takes the pointer; a button under it becomes
    // the current button and is highlighted, the one it left goes back to normal.
    void UpdateHover(float x, float y);
    // Moves the hover to the next (previous) enabled, visible button, wrapping; only on an active screen.
    void FocusNext();
    void FocusPrev();
    static void FocusNextAll();
    static void FocusPrevAll();

    // --- elements by name (a missing name is ignored)
    void ShowWindow(const std::string& name, bool visible);
    void SetWindowPos(const std::string& name, float x, float y);
    // Outputs unchanged for a missing name.
    void GetWindowPos(const std::string& name, float& x, float& y) const;
    void SetText(const std::string& name, const std::string& text);
    // Hides the current cursor, makes the cursor of the name current (none for a name without one),
    // and shows it at the pointer.
    void SwitchCursor(const std::string& name);

    // --- look-ups (null when the name is unknown)
    CPWindow* FindWindow(const std::string& name) const;
    CPEditBox* FindEditBox(const std::string& name) const;
    InterfaceText* FindText(const std::string& name);
    CPGameObject* FindCursor(const std::string& name) const;
    const WindowList& GetDrawList() const { return mDrawList; }
    const WindowList& GetButtonList() const { return mButtonList; }
    CPWindow* GetCurrentButton() const { return mCurrentButton.Get(); }
    void SetCurrentButton(CPWindow* window) { mCurrentButton = window; }
    CPGameObject* GetCursor() const { return mCursor.Get(); }
    const std::string& GetCursorName() const { return mCursorName; }
    float GetPointerX() const { return mPointerX; }
    float GetPointerY() const { return mPointerY; }
    bool IsScreenActive() const { return mScreenActive != 0; }
    bool IsLightOn() const { return mLightOn != 0; }
    const D3DLIGHT9& GetLight() const { return mLight; }
    CPRenderObject* GetScreenRenderObject() const { return mRenderObject.Get(); }

private:
    // A window of the file: kept in the draw list and the window map, or made the cursor.
    void AddWindow(const WindowLine& line, const InterfaceFileRecord& record);
    void AddButton(const std::array<WindowLine, 3>& lines, float textureWidth, float textureHeight);
    // A cursor object showing the window's quad in the screen texture, made the current cursor.
    void AddCursor(const CPWindow& window, const std::string& texture);
    // A new text element of the screen at a design-unit position, its object a child of the screen.
    InterfaceText AddTextElement(const std::string& font, float x, float y);
    // FocusNext, or walking the button list backwards FocusPrev.
    void Focus(bool forward);

    float mPointerX = 0.0f;  // last MouseMove, screen pixels
    float mPointerY = 0.0f;
    CPSmartPtr<CPRenderObject> mRenderObject;  // the batch; also the render part, adopted
    std::unordered_map<std::string, CPSmartPtr<CPWindow>> mWindows{kMapBuckets};
    WindowList mDrawList;    // windows and buttons in file order: drawing and pointer order
    WindowList mButtonList;  // buttons in file order: focus order
    std::unordered_map<std::string, CPSmartPtr<CPEditBox>> mEditBoxes{kMapBuckets};
    CPSmartPtr<CPWindow> mCurrentButton;  // under the pointer or the focus; empty when none
    std::unordered_map<std::string, InterfaceText> mTexts{kMapBuckets};
    D3DLIGHT9 mLight{};
    uint8_t mLightOn = 0;
    CPSmartPtr<CPGameObject> mCursor;  // the current cursor object; empty when none
    std::unordered_map<std::string, CPSmartPtr<CPGameObject>> mCursors{kMapBuckets};  // entries may be empty
    uint8_t mScreenActive = 0;
    std::string mCursorName;  // last given to SwitchCursor
    // Everything of the screen's own that dies with it (the windows the maps may have dropped too).
    std::vector<CPWindow*> mOwnedWindows;
    std::vector<CPEditBox*> mOwnedEditBoxes;
};

// Every screen, in creation order. Not owned: a screen joins when it is made and leaves when destroyed.
extern std::vector<CPInterface*> gInterfaces;
