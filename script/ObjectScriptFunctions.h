// Native script functions for scene objects, commands between scripted objects, the command queue
// of a script's own controller, and the task kernel.
#pragma once

#include <lua.hpp>

namespace ScriptFunctions {
// core table
int GetDeltaTime(lua_State* L);
int AddRef(lua_State* L);
int DumpObjects(lua_State* L);
int Release(lua_State* L);
int SendCommandByName(lua_State* L);
int SendCommandByObject(lua_State* L);
int SendCommandByCategory(lua_State* L);
int SetNextCommand(lua_State* L);
int GetCurrentCommand(lua_State* L);
int GetCurrentParams(lua_State* L);
int PointerToString(lua_State* L);
int StringToPointer(lua_State* L);
int SetPTransformation(lua_State* L);
int CheckString(lua_State* L);
int GetChildObject(lua_State* L);
int SetVisible(lua_State* L);
int SetCollision(lua_State* L);
int SplitString(lua_State* L);
int LoadRenderObject(lua_State* L);
int DrawDynamicObject(lua_State* L);
int SetAnimation(lua_State* L);
int GetParentObject(lua_State* L);
int ActivateObject(lua_State* L);
int KillAllTasks(lua_State* L);
int ToInt(lua_State* L);
// game-interface and in-race display tables
int StopScript(lua_State* L);
int SetPosition(lua_State* L);
int GetPosition(lua_State* L);
int GetBBoxInfo(lua_State* L);
int SetRotation(lua_State* L);
int Clone(lua_State* L);
int FindObject(lua_State* L);
int SetObjectVisible(lua_State* L);
int StartAnimation(lua_State* L);
int GetObjectSpeed(lua_State* L);
int IsRigid(lua_State* L);
int Jump(lua_State* L);
// An impulse on a race unit's car at the unit's position.
int ApplyImpulse(lua_State* L);
}  // namespace ScriptFunctions
