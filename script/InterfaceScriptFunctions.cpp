#include "script/InterfaceScriptFunctions.h"

#include <cmath>
#include <string>

#include "core/FrameClock.h"
#include "core/ServiceGlobals.h"
#include "interface/CPEditBox.h"
#include "interface/CPInterface.h"
#include "interface/CPWindow.h"
#include "interface/InterfaceText.h"
#include "script/ScriptCalls.h"
#include "simulation/level/CPGameData.h"

using namespace ScriptCalls;

namespace ScriptFunctions {
namespace {

// Screens run their tasks just above the level's.
constexpr int32_t kScreenPriority = 450;

CPInterface* ScreenArgument(lua_State* L) { return ToObject<CPInterface>(L, 1); }

// The display text of the key; empty when the key or the game data is missing.
std::string DisplayText(const std::string& key) {
    CPGameData* data = gGameData;
    return data ? data->GetText(key) : std::string();
}

int PushPair(lua_State* L, float x, float y) {
    lua_pushnumber(L, x);
    lua_pushnumber(L, y);
    return 2;
}

// The named window's x and y on the screen; -1, -1 for no screen or an unknown name.
int PushWindowPosition(lua_State* L) {
    float x = -1.0f;
    float y = -1.0f;
    if (CPInterface* screen = ScreenArgument(L)) screen->GetWindowPos(PlainString(L, 2), x, y);
    return PushPair(L, x, y);
}

// Lays the element out once in another font; its stored font and text stay.
void LayOutInFont(lua_State* L, const std::string& text) {
    CPInterface* screen = ScreenArgument(L);
    if (!screen) return;
    InterfaceText* element = screen->FindText(PlainString(L, 2));
    if (!element) return;
    // The font is lent to the element for this one layout: a copied element would take and then drop a
    // reference to the shared text object, leaving its count at 0.
    std::string font = PlainString(L, 3);
    element->font.swap(font);
    element->Layout(text);
    element->font.swap(font);
}

void SetStoredText(lua_State* L, bool fromKey) {
    // Nothing is laid out any more once the program is on its way out.
    if (gAppExiting) return;
    CPInterface* screen = ScreenArgument(L);
    if (!screen) return;
    const std::string text = PlainString(L, 3);
    screen->SetText(PlainString(L, 2), fromKey ? DisplayText(text) : text);
}

int SelectCursor(lua_State* L, const std::string& name) {
    if (CPInterface* screen = ScreenArgument(L)) screen->SwitchCursor(name);
    return 0;
}

void ForgetCurrentButton(CPInterface& screen) {
    if (CPWindow* current = screen.GetCurrentButton()) current->OnMouseOut(0.0f, 0.0f);
    screen.SetCurrentButton(nullptr);
}

}  // namespace

int CreateInterface(lua_State* L) {
    const std::string name = PlainString(L, 1);
    const int32_t number = ToInteger(L, 2);
    // The screen lives in gInterfaces until the host deletes it.
    auto* screen = new CPInterface();
    screen->Load(name, number);
    PushObject(L, screen);
    return 1;
}

int ActivateInterface(lua_State* L) {
    if (CPInterface* screen = ScreenArgument(L)) screen->Activate(kScreenPriority);
    return 0;
}

int SilentActivateInterface(lua_State* L) {
    if (CPInterface* screen = ScreenArgument(L)) screen->SilentActivate(kScreenPriority);
    return 0;
}

int DeactivateInterface(lua_State* L) {
    if (CPGameObject* object = ToObject<CPGameObject>(L, 1)) object->Deactivate();
    return 0;
}

int UpdateInterface(lua_State* L) {
    if (CPInterface* screen = ScreenArgument(L)) screen->Update();
    return 0;
}

int UpdateInterfaceBuffers(lua_State* L) {
    if (CPInterface* screen = ScreenArgument(L)) screen->UpdateBuffers();
    return 0;
}

int SetWindowVisible(lua_State* L) {
    if (CPInterface* screen = ScreenArgument(L)) screen->ShowWindow(PlainString(L, 2), ToBool(L, 3));
    return 0;
}

// A place or size that is not finite is refused: the window or text stays where it was.
int SetWindowPosition(lua_State* L) {
    CPInterface* screen = ScreenArgument(L);
    float x = 0.0f, y = 0.0f;
    if (screen && ReadFinitePair(L, 3, x, y)) screen->SetWindowPos(PlainString(L, 2), x, y);
    return 0;
}

int SetWindowPositionShop(lua_State* L) {
    // The shop passes pixel centres: taken off before narrowing, so (x + 0.5) lands where SetWindowPosition
    // puts x.
    CPInterface* screen = ScreenArgument(L);
    const auto x = static_cast<float>(ToNumber(L, 3) - 0.5), y = static_cast<float>(ToNumber(L, 4) - 0.5);
    if (screen && std::isfinite(x) && std::isfinite(y)) screen->SetWindowPos(PlainString(L, 2), x, y);
    return 0;
}

int SetWindowSize(lua_State* L) {
    CPInterface* screen = ScreenArgument(L);
    if (!screen) return 0;
    float width = 0.0f, height = 0.0f;
    if (!ReadFinitePair(L, 3, width, height)) return 0;
    if (CPWindow* window = screen->FindWindow(PlainString(L, 2))) window->SetSize(width, height);
    return 0;
}

int GetWindowPosition(lua_State* L) { return PushWindowPosition(L); }

int GetWindowPositionHud(lua_State* L) { return PushWindowPosition(L); }

int SetTextPosition(lua_State* L) {
    CPInterface* screen = ScreenArgument(L);
    if (!screen) return 0;
    float x = 0.0f, y = 0.0f;
    if (!ReadFinitePair(L, 3, x, y)) return 0;
    if (InterfaceText* element = screen->FindText(PlainString(L, 2))) element->SetPosition(x, y);
    return 0;
}

int GetTextPosition(lua_State* L) {
    CPInterface* screen = ScreenArgument(L);
    InterfaceText* element = screen ? screen->FindText(PlainString(L, 2)) : nullptr;
    return element ? PushPair(L, element->x, element->y) : PushPair(L, -1.0f, -1.0f);
}

int SetText(lua_State* L) {
    SetStoredText(L, false);
    return 0;
}

int SetTextString(lua_State* L) {
    SetStoredText(L, true);
    return 0;
}

int SetFont(lua_State* L) {
    LayOutInFont(L, PlainString(L, 4));
    return 0;
}

int SetFontString(lua_State* L) {
    LayOutInFont(L, DisplayText(PlainString(L, 4)));
    return 0;
}

int SetEditBoxText(lua_State* L) {
    CPInterface* screen = ScreenArgument(L);
    if (!screen) return 0;
    if (CPEditBox* box = screen->FindEditBox(PlainString(L, 2))) box->SetText(PlainString(L, 3));
    return 0;
}

int EditBoxProcessKey(lua_State* L) {
    CPInterface* screen = ScreenArgument(L);
    if (!screen) return 0;
    CPEditBox* box = screen->FindEditBox(PlainString(L, 2));
    const int32_t code = ToInteger(L, 3);
    // 168 and 184: the two cases of one Cyrillic letter of the Windows-1251 code page, never typed in.
    const int32_t lowByte = code & 0xFF;
    if (box && lowByte != 168 && lowByte != 184) box->ProcessKey(code);
    return 0;
}

int EditBoxTextLength(lua_State* L) {
    CPInterface* screen = ScreenArgument(L);
    if (!screen) return 0;
    const CPEditBox* box = screen->FindEditBox(PlainString(L, 2));
    lua_pushnumber(L, box ? static_cast<double>(box->GetText().size()) : 0.0);
    return 1;
}

int GetEditBoxText(lua_State* L) {
    CPInterface* screen = ScreenArgument(L);
    if (!screen) return 0;
    const CPEditBox* box = screen->FindEditBox(PlainString(L, 2));
    // Whole, with its length: a zero byte in the text does not cut it short of EditBoxTextLength.
    if (box) {
        lua_pushlstring(L, box->GetText().data(), box->GetText().size());
    } else {
        lua_pushstring(L, "");
    }
    return 1;
}

int SetCursor(lua_State* L) { return SelectCursor(L, PlainString(L, 2)); }

int SetCursorChecked(lua_State* L) { return SelectCursor(L, CheckedString(L, 2)); }

int GetCursor(lua_State* L) {
    CPInterface* screen = ScreenArgument(L);
    if (!screen) return 0;
    lua_pushstring(L, screen->GetCursorName().c_str());
    return 1;
}

int IMenuRight(lua_State*) {
    CPInterface::FocusNextAll();
    return 0;
}

int IMenuLeft(lua_State*) {
    CPInterface::FocusPrevAll();
    return 0;
}

int DeselectCurrentButton(lua_State* L) {
    CPInterface* screen = ScreenArgument(L);
    if (!screen) return 0;
    const CPWindow* current = screen->GetCurrentButton();
    for (const CPSmartPtr<CPWindow>& button : screen->GetButtonList()) {
        if (button.Get() == current && current != nullptr) {
            ForgetCurrentButton(*screen);
            break;
        }
    }
    return 0;
}

int LockButton(lua_State* L) {
    CPInterface* screen = ScreenArgument(L);
    if (!screen) return 0;
    CPWindow* window = screen->FindWindow(PlainString(L, 2));
    if (!window) return 0;
    window->SetEnabled(false);
    // A locked button under the pointer lets go of it at once.
    if (window == screen->GetCurrentButton()) ForgetCurrentButton(*screen);
    return 0;
}

int UnlockButton(lua_State* L) {
    CPInterface* screen = ScreenArgument(L);
    if (!screen) return 0;
    if (CPWindow* window = screen->FindWindow(PlainString(L, 2))) window->SetEnabled(true);
    return 0;
}

}  // namespace ScriptFunctions
