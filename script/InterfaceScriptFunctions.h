// Native script functions that create, show and drive interface screens: their windows, texts, edit
// boxes, cursor, buttons and the keyboard focus. A screen travels as the handle of a CPInterface.
#pragma once

#include <lua.hpp>

namespace ScriptFunctions {
// game-interface table
int CreateInterface(lua_State* L);
int ActivateInterface(lua_State* L);
int SilentActivateInterface(lua_State* L);
// Also DeactivateObject of the core table: any game object's own Deactivate.
int DeactivateInterface(lua_State* L);
int UpdateInterface(lua_State* L);
int UpdateInterfaceBuffers(lua_State* L);
int SetWindowVisible(lua_State* L);
int SetWindowPosition(lua_State* L);
int SetWindowPositionShop(lua_State* L);
int SetWindowSize(lua_State* L);
// The in-race display table has a function of its own under the same name, GetWindowPositionHud,
// which behaves alike.
int GetWindowPosition(lua_State* L);
int SetTextPosition(lua_State* L);
int GetTextPosition(lua_State* L);
int SetText(lua_State* L);
int SetTextString(lua_State* L);
int SetFont(lua_State* L);
int SetFontString(lua_State* L);
int SetEditBoxText(lua_State* L);
int EditBoxProcessKey(lua_State* L);
int EditBoxTextLength(lua_State* L);
int GetEditBoxText(lua_State* L);
// The cursor name as a plain string (anything else selects the empty name).
int SetCursor(lua_State* L);
int IMenuRight(lua_State* L);
int IMenuLeft(lua_State* L);
int DeselectCurrentButton(lua_State* L);
// in-race display table
// The cursor name as a checked string: raises the Lua argument error for anything else.
int SetCursorChecked(lua_State* L);
int GetWindowPositionHud(lua_State* L);
int GetCursor(lua_State* L);
// core table
int LockButton(lua_State* L);
int UnlockButton(lua_State* L);
}  // namespace ScriptFunctions
