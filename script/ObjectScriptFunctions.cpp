#include "script/ObjectScriptFunctions.h"

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "Render/PAnimatedObject.h"
#include "Render/PRender.h"
#include "Render/PRenderObjectManager.h"
#include "Render/CPRenderQueue.h"
#include "core/CPCommandDispatcher.h"
#include "core/CPCommandTask.h"
#include "core/CPGameObject.h"
#include "core/CPTaskKernel.h"
#include "core/FloatToInt.h"
#include "core/FrameClock.h"
#include "core/ObjectAddress.h"
#include "core/ServiceGlobals.h"
#include "core/files/CPTokenizer.h"
#include "platform/D3DX9Math.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/PhysRigidBody.h"
#include "simulation/units/CPPlayer.h"
#include "script/ScriptCalls.h"

using namespace ScriptCalls;

namespace ScriptFunctions {
namespace {

// The rigid body of the object's physical data; null for a missing object or one without a body.
PhysRigidBody* RigidBodyOf(const CPGameObject* object) {
    const CPPhysicData* data = object ? object->GetPhysicData() : nullptr;
    return data ? data->mRigidBody : nullptr;
}

// Pushes the tokens of the text (argument 1) split at the separators (argument 2), quotes honoured;
// their count, or -1, with nothing pushed, when the stack cannot hold them. Raises nothing short of
// running out of memory: its strings die before the caller may raise.
int PushTokens(lua_State* L) {
    CPTokenizer tokenizer(PlainString(L, 1), PlainString(L, 2), true);
    std::vector<std::string> tokens;
    std::string token;
    while (tokenizer.NextToken(token)) tokens.push_back(token);
    if (tokens.size() > static_cast<size_t>(INT_MAX) || !lua_checkstack(L, static_cast<int>(tokens.size())))
        return -1;
    for (const std::string& text : tokens) lua_pushlstring(L, text.data(), text.size());
    return static_cast<int>(tokens.size());
}

int SetVisibleFlag(lua_State* L) {
    if (CPGameObject* object = ToObject<CPGameObject>(L, 1)) object->SetVisible(ToBool(L, 2));
    return 0;
}

}  // namespace

int GetDeltaTime(lua_State* L) {
    lua_pushnumber(L, gDeltaTime);
    return 1;
}

int AddRef(lua_State* L) {
    if (CPRefObject* object = ToObject<CPRefObject>(L, 1)) object->AddRef();
    return 0;
}

// Kept for the scripts that call it; the engine has nothing to list.
int DumpObjects(lua_State*) { return 0; }

int Release(lua_State* L) {
    if (CPRefObject* object = ToObject<CPRefObject>(L, 1)) object->Release();
    return 0;
}

int SendCommandByName(lua_State* L) {
    CheckStrings(L, 1, 3);
    const std::string name = CheckedString(L, 1);
    const std::string command = CheckedString(L, 2);
    const std::string params = CheckedString(L, 3);
    if (CPCommandDispatcher* dispatcher = gCommandDispatcher) dispatcher->SendByName(name, command, params);
    return 0;
}

int SendCommandByObject(lua_State* L) {
    CheckStrings(L, 2, 3);
    CPGameObject* object = ToObject<CPGameObject>(L, 1);
    const std::string command = CheckedString(L, 2);
    const std::string params = CheckedString(L, 3);
    if (object) PostCommand(object->GetController(), command, params);
    return 0;
}

int SendCommandByCategory(lua_State* L) {
    CheckStrings(L, 1, 3);
    const std::string category = CheckedString(L, 1);
    const std::string command = CheckedString(L, 2);
    const std::string params = CheckedString(L, 3);
    if (CPCommandDispatcher* dispatcher = gCommandDispatcher)
        dispatcher->SendByCategory(category, command, params);
    return 0;
}

int SetNextCommand(lua_State* L) {
    CPCommandTask* controller = ToObject<CPCommandTask>(L, 1);
    lua_pushboolean(L, controller != nullptr && controller->SetNextCommand());
    return 1;
}

int GetCurrentCommand(lua_State* L) {
    CPCommandTask* controller = ToObject<CPCommandTask>(L, 1);
    const CPCommand* command = controller ? controller->GetCurrentCommand() : nullptr;
    if (command == nullptr) return 0;
    lua_pushlstring(L, command->name.data(), command->name.size());
    return 1;
}

int GetCurrentParams(lua_State* L) {
    CPCommandTask* controller = ToObject<CPCommandTask>(L, 1);
    const CPCommand* command = controller ? controller->GetCurrentCommand() : nullptr;
    if (command == nullptr) return 0;
    return PushStrings(L, command->params);
}

// The handle's full 64-bit number: a 32-bit "%d" would cut it and the handle would no longer come back.
// A handle goes through text unchanged, so a stale one stays stale and still equals itself.
int PointerToString(lua_State* L) {
    lua_pushstring(L, HandleToText(ToHandle(L, 1)).c_str());
    return 1;
}

int StringToPointer(lua_State* L) {
    PushHandle(L, TextToHandle(CheckedString(L, 1)));
    return 1;
}

int SetPTransformation(lua_State* L) {
    CPGameObject* object = ToObject<CPGameObject>(L, 1);
    D3DXVECTOR3 position, angles;
    if (object == nullptr || !ReadFiniteVector(L, 2, position) || !ReadFiniteVector(L, 5, angles)) return 0;
    D3DXMATRIX rotation, translation, matrix;
    D3DXMatrixRotationYawPitchRoll(&rotation, angles.x, angles.y, angles.z);
    D3DXMatrixTranslation(&translation, position.x, position.y, position.z);
    D3DXMatrixMultiply(&matrix, &rotation, &translation);
    object->SetParentWorldMatrix(matrix);
    object->UpdateTransform();
    return 0;
}

// Returns the top of the stack: the checked value when it is the only argument.
int CheckString(lua_State* L) {
    luaL_checklstring(L, 1, nullptr);
    return 1;
}

int GetChildObject(lua_State* L) {
    CPGameObject* object = ToObject<CPGameObject>(L, 1);
    const std::string name = CheckedString(L, 2);
    CPGameObject* found = nullptr;
    if (object) {
        CPGameObject::ObjectList subtree;
        object->CollectObjects(subtree);
        for (const CPSmartPtr<CPGameObject>& candidate : subtree) {
            if (candidate && candidate->GetName() == name) {
                found = candidate.Get();
                break;
            }
        }
    }
    PushObject(L, found);
    return 1;
}

int SetVisible(lua_State* L) { return SetVisibleFlag(L); }

int SetCollision(lua_State* L) {
    if (CPGameObject* object = ToObject<CPGameObject>(L, 1)) object->SetCollidable(ToBool(L, 2));
    return 0;
}

int SplitString(lua_State* L) {
    CheckStrings(L, 1, 2);
    const int count = PushTokens(L);
    // Raised only here, once the tokens are gone.
    if (count < 0) return luaL_error(L, "stack overflow (too many results)");
    return count;
}

int LoadRenderObject(lua_State* L) {
    CheckStrings(L, 1, 1);
    const int32_t extra = TruncateToInt32(luaL_checknumber(L, 2));
    const std::string name = PlainString(L, 1);
    CPSmartPtr<CPGameObject> object;
    if (gRenderObjectManager) gRenderObjectManager->CreateObjectByDescription(object, name, extra);
    PushObject(L, object.Get());
    return 1;
}

int DrawDynamicObject(lua_State* L) {
    CPGameObject* object = ToObject<CPGameObject>(L, 1);
    if (object == nullptr || gRenderer == nullptr) return 0;
    if (CPSmartPtr<CPRenderQueue> queue = gRenderer->GetDrawQueue()) queue->AddObjectTree(object);
    return 0;
}

int SetAnimation(lua_State* L) {
    CPGameObject* object = ToObject<CPGameObject>(L, 1);
    CPAnimationRequest request;
    request.name = PlainString(L, 2);
    request.speed = ToFloat(L, 3);
    request.loopLimit = ToInteger(L, 4);
    request.reportFrame = ToInteger(L, 5);
    request.reportTarget = ToObject<CPTask>(L, 6);
    if (object) object->PlayAnimation(request, false);
    return 0;
}

int GetParentObject(lua_State* L) {
    CPGameObject* object = ToObject<CPGameObject>(L, 1);
    PushObject(L, object ? object->GetParent().Get() : nullptr);
    return 1;
}

int ActivateObject(lua_State* L) {
    if (CPGameObject* object = ToObject<CPGameObject>(L, 1)) object->Activate(ToInteger(L, 2));
    return 0;
}

int KillAllTasks(lua_State*) {
    if (gTaskKernel) gTaskKernel->KillAllTasks();
    return 0;
}

// Truncated as a double: money and times beyond the int32 range keep their value. Adding 0 turns the
// -0 of a small negative number into 0, which prints as "0".
int ToInt(lua_State* L) {
    lua_pushnumber(L, std::trunc(ToNumber(L, 1)) + 0.0);
    return 1;
}

// The scripts pass their own task; a handle that names no live task stops nothing.
int StopScript(lua_State* L) {
    if (CPTask* task = ToObject<CPTask>(L, 1)) task->SetStopped(true);
    return 0;
}

int SetPosition(lua_State* L) {
    CPGameObject* object = ToObject<CPGameObject>(L, 1);
    D3DXVECTOR3 position;
    if (object == nullptr || !ReadFiniteVector(L, 2, position)) return 0;
    // Moves the linked level-of-detail copies and the body too, and marks the object dirty.
    object->SetPosition(position);
    object->UpdateTransform();
    return 0;
}

int GetPosition(lua_State* L) {
    CPGameObject* object = ToObject<CPGameObject>(L, 1);
    if (object == nullptr) return 0;
    return PushVector(L, object->GetPosition());
}

int GetBBoxInfo(lua_State* L) {
    CPGameObject* object = ToObject<CPGameObject>(L, 1);
    if (object == nullptr) return 0;
    const CPAxisBox& bounds = object->GetHierarchyBounds();
    PushVector(L, bounds.mCentre);
    PushVector(L, bounds.mMinimum);
    PushVector(L, bounds.mMaximum);
    return 9;
}

int SetRotation(lua_State* L) {
    CPGameObject* object = ToObject<CPGameObject>(L, 1);
    D3DXVECTOR3 angles;
    // An angle that is not a number would fill the pose and the boxes with NaN: the object keeps its pose.
    if (object == nullptr || !ReadFiniteVector(L, 2, angles)) return 0;
    D3DXMATRIX x, y, z, xy, matrix;
    D3DXMatrixRotationX(&x, angles.x);
    D3DXMatrixRotationY(&y, angles.y);
    D3DXMatrixRotationZ(&z, angles.z);
    D3DXMatrixMultiply(&xy, &x, &y);
    D3DXMatrixMultiply(&matrix, &xy, &z);
    D3DXQUATERNION rotation;
    D3DXQuaternionRotationMatrix(&rotation, &matrix);
    // Turns the level-of-detail copies and the object's kinematic body, or its rigid body when it has
    // no kinematic one; the rigid body is turned whatever else the object carries.
    object->SetRotation(rotation);
    const CPPhysicData* data = object->GetPhysicData();
    if (data && data->mKinematicBody && data->mRigidBody) data->mRigidBody->SetRotation(rotation);
    object->UpdateTransform();
    return 0;
}

// The copy belongs to the script that asked for it. A handle that names no live object copies
// nothing and gives a null object.
int Clone(lua_State* L) {
    CPGameObject* source = ToObject<CPGameObject>(L, 1);
    if (source == nullptr) {
        PushObject(L, nullptr);
        return 1;
    }
    CPSmartPtr<CPGameObject> held(source);
    CPGameObject* copy = new CPGameObject(source->GetName());
    copy->CopyFrom(held);
    PushObject(L, copy);
    return 1;
}

int FindObject(lua_State* L) {
    CPGameObject* object = ToObject<CPGameObject>(L, 1);
    const std::string name = CheckedString(L, 2);
    PushObject(L, object ? object->FindObject(name).Get() : nullptr);
    return 1;
}

int SetObjectVisible(lua_State* L) { return SetVisibleFlag(L); }

int StartAnimation(lua_State* L) {
    CPGameObject* object = ToObject<CPGameObject>(L, 1);
    CPAnimationRequest request;
    request.name = PlainString(L, 2);
    request.loopLimit = ToInteger(L, 3);
    request.reportTarget = ToObject<CPTask>(L, 4);
    if (object) object->PlayAnimation(request, false);
    return 0;
}

int GetObjectSpeed(lua_State* L) {
    float speed = 0.0f;
    if (const PhysRigidBody* body = RigidBodyOf(ToObject<CPGameObject>(L, 1))) {
        const D3DXVECTOR4& v = body->GetVelocity();
        const float squared = v.x * v.x + v.y * v.y + v.z * v.z;
        // A body at rest reads as still, not as a trace of drift.
        if (squared >= 1e-6f) speed = std::sqrt(squared);
    }
    lua_pushnumber(L, speed);
    return 1;
}

int IsRigid(lua_State* L) {
    lua_pushboolean(L, RigidBodyOf(ToObject<CPGameObject>(L, 1)) != nullptr);
    return 1;
}

int Jump(lua_State* L) {
    CPGameObject* object = ToObject<CPGameObject>(L, 1);
    D3DXVECTOR3 impulse;
    // An impulse that is not finite would leave the body's state NaN for good.
    if (!ReadFiniteVector(L, 2, impulse)) return 0;
    if (PhysRigidBody* body = RigidBodyOf(object)) body->ApplyImpulse(impulse, object->GetPosition());
    return 0;
}

int ApplyImpulse(lua_State* L) {
    CPPlayer* unit = ToObject<CPPlayer>(L, 1);
    D3DXVECTOR3 impulse;
    if (unit == nullptr || !ReadFiniteVector(L, 2, impulse)) return 0;
    unit->ApplyImpulse(unit->GetPosition(), impulse);
    return 0;
}

}  // namespace ScriptFunctions
