#include "script/WorldObjectScriptFunctions.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "Render/CPRenderQueue.h"
#include "Render/PRender.h"
#include "Render/PRenderObjectManager.h"
#include "core/CPGameObject.h"
#include "core/CPObjectFactory.h"
#include "core/FloatToInt.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "platform/Clock.h"
#include "platform/D3DX9Math.h"
#include "platform/RuntimeRandom.h"
#include "script/ScriptCalls.h"
#include "simulation/level/CPGameData.h"
#include "simulation/level/CPLevel.h"
#include "simulation/level/MissionRecords.h"
#include "simulation/units/CPPlayer.h"
#include "simulation/vehicle/CPLightningShot.h"

namespace ScriptFunctions {
using namespace ScriptCalls;

namespace {
// What every object made by name is launched with: no value, no owner, no extra.
constexpr float kNoValue = -1.0f;
// The parameters and the launch value of a script's lightning bolt.
const std::vector<std::string> kLightningParams = {"enemy",          "10",  "1.5",    "1.5",           "razlom.dds",
                                                   "light_nofog.fx", "103", "sparks", "korvath.wav,3d"};
constexpr float kLightningValue = 10.0f;
constexpr uint32_t kDebugLineColour = 0xffff0000;  // opaque red
// Layer offset added to the speed needle's description.
constexpr int64_t kArrowLayerOffset = 205;
// Speed needle: degrees per unit of speed, and its angle at rest.
constexpr float kNeedleDegreesPerSpeed = 7.2f;
constexpr float kNeedleRestDegrees = 45.0f;
// The in-race display's design size.
constexpr float kDesignWidth = 1024.0f;
constexpr float kDesignHeight = 768.0f;
// Units of the blast zone: the followed unit and this many of the other units.
constexpr size_t kBlastUnits = 5;
// Squared speed below which a car counts as standing, and the strength of the push.
constexpr float kStandingSpeedSquared = 0.000001f;
constexpr float kBlastScale = 6.0f;
constexpr float kBlastStrength = 12.0f;

void CreateByName(const std::string& name, const D3DXVECTOR3& position, const D3DXVECTOR3& direction) {
    if (gObjectFactory) gObjectFactory->CreateByName(name, position, direction, kNoValue, CPSmartPtr<CPGameObject>(), 0);
}

// Pushes a unit standing in the blast zone against its direction of travel.
void PushOutOfBlast(CPPlayer& unit) {
    const D3DXVECTOR3 velocity = unit.GetCarVelocity();
    const float speedSquared = D3DXVec3LengthSq(&velocity);
    D3DXVECTOR3 direction(0.0f, 0.0f, 0.0f);
    if (speedSquared >= kStandingSpeedSquared && std::isfinite(speedSquared)) direction = velocity / std::sqrt(speedSquared);
    const D3DXVECTOR3 impulse = (-direction * kBlastScale) * kBlastStrength;
    unit.ApplyImpulse(unit.GetPosition(), impulse);
}
}  // namespace

// The point is given in the object's own frame. Nothing after the level has stopped.
int Shot(lua_State* L) {
    CheckStrings(L, 1, 1);
    const CPGameObject* object = ToObject<CPGameObject>(L, 2);
    D3DXVECTOR3 local;
    const bool finite = ReadFiniteVector(L, 3, local);
    const CPLevel* level = gLevel;
    if (object == nullptr || !finite || level == nullptr || level->mStopped) return 0;
    const std::string name = CheckedString(L, 1);
    if (name.empty()) return 0;
    D3DXVECTOR3 position;
    D3DXVec3TransformCoord(&position, &local, &object->GetWorldMatrix());
    CreateByName(name, position, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    return 0;
}

int Explosion(lua_State* L) {
    D3DXVECTOR3 position;
    if (!ReadFiniteVector(L, 2, position)) return 0;
    CreateByName(PlainString(L, 1), position, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    return 0;
}

int DirectionalExplosion(lua_State* L) {
    D3DXVECTOR3 position, direction;
    if (!ReadFiniteVector(L, 2, position) || !ReadFiniteVector(L, 5, direction)) return 0;
    CreateByName(PlainString(L, 1), position, direction);
    return 0;
}

// A bonus of checkpoint n's first list at (x, y), by chance: the checkpoint's value times the bonus
// coefficient, in percent. The generator is seeded from the clock first. A checkpoint the mission
// lacks gives nothing.
int SetBonus(lua_State* L) {
    float x = 0.0f, y = 0.0f;
    const bool finite = ReadFinitePair(L, 1, x, y);
    const int32_t index = ToInteger(L, 3);
    const CPGameData* data = gGameData;
    if (!finite || data == nullptr || index < 0 || static_cast<size_t>(index) >= data->mMissionCheckpoints.size())
        return 0;
    const MissionCheckpointRecord& record = data->mMissionCheckpoints[static_cast<size_t>(index)];
    const int32_t chance = TruncateToInt32(static_cast<float>(record.mValue) * data->mDifficultyCoeffs[1]);
    RuntimeSrand(timeGetTime());
    const int32_t first = RuntimeRand() % 100;
    if (first > chance) return 0;
    const int32_t second = RuntimeRand() % 100;
    const SourceEntry* entry = PickSourceEntry(record.mList1, second);
    if (entry && !entry->mName.empty()) CreateByName(entry->mName, D3DXVECTOR3(x, y, 0.0f), D3DXVECTOR3(x, y, 0.0f));
    return 0;
}

// A new bolt of the name from the first point along the second, owned by the level (it goes with it);
// the script holds a reference and advances it with UpdateTrasser. Nothing without a level.
int StartLighting(lua_State* L) {
    D3DXVECTOR3 from, along;
    const bool finite = ReadFiniteVector(L, 2, from) && ReadFiniteVector(L, 5, along);
    CPLevel* level = gLevel;
    if (!finite || level == nullptr) return 0;
    auto* bolt = new CPLightningShot(PlainString(L, 1));
    level->Adopt(bolt);
    bolt->AddRef();
    bolt->SetParams(kLightningParams);
    bolt->Launch(from, along, kLightningValue, CPSmartPtr<CPGameObject>(), 0);
    PushObject(L, bolt);
    return 1;
}

// One frame of the bolt: its state (1 flying, 0 hit, -1 spent), and what it hit. A flying bolt is
// drawn when the frame has a draw queue; a missing bolt answers -1.
int UpdateTrasser(lua_State* L) {
    CPLightningShot* bolt = ToObject<CPLightningShot>(L, 1);
    if (bolt == nullptr) {
        lua_pushnumber(L, CPLightningShot::kSpent);
        return 1;
    }
    CPSmartPtr<CPGameObject> hit;
    const int32_t state = bolt->Advance(hit);
    if (state == CPLightningShot::kFlying && gRenderer) {
        if (CPSmartPtr<CPRenderQueue> queue = gRenderer->GetDrawQueue()) queue->AddObjectTree(bolt);
    }
    lua_pushnumber(L, state);
    if (!hit) return 1;
    PushObject(L, hit.Get());
    return 2;
}

int DrawLine(lua_State* L) {
    D3DXVECTOR3 from, to;
    if (!ReadFiniteVector(L, 1, from) || !ReadFiniteVector(L, 4, to) || gRenderer == nullptr) return 0;
    gRenderer->AddDebugLine(kDebugLineColour, from, to);
    return 0;
}

// The needle's object tree, which belongs to the script from now on; a null handle when it cannot be
// built.
int CreateArrow(lua_State* L) {
    const int64_t offset = static_cast<int64_t>(ToInteger(L, 2)) + kArrowLayerOffset;
    const int32_t layerOffset = offset > INT32_MAX ? INT32_MAX : static_cast<int32_t>(offset);
    CPSmartPtr<CPGameObject> arrow;
    if (gRenderObjectManager) gRenderObjectManager->CreateObjectByDescription(arrow, PlainString(L, 1), layerOffset);
    if (arrow) arrow->AddRef();
    PushObject(L, arrow.Get());
    return 1;
}

// The speed needle at (x, y) of the 1024 x 768 design screen, turned by the followed car's speed (0
// without a level), queued for this frame. Nothing without a draw queue.
int DrawArrow(lua_State* L) {
    CPGameObject* arrow = ToObject<CPGameObject>(L, 1);
    float x = 0.0f, y = 0.0f;
    const bool finite = ReadFinitePair(L, 2, x, y);
    CPSmartPtr<CPRenderQueue> queue = gRenderer ? gRenderer->GetDrawQueue() : CPSmartPtr<CPRenderQueue>();
    if (arrow == nullptr || !finite || !queue) return 0;
    const D3DXVECTOR3 position(x * static_cast<float>(gSettings::screenWidth) / kDesignWidth,
                               y * static_cast<float>(gSettings::screenHeight) / kDesignHeight, 0.0f);
    const float speed = gLevel ? gLevel->mPlayerSpeed : 0.0f;
    const float angle = D3DXToRadian(speed * kNeedleDegreesPerSpeed + kNeedleRestDegrees);
    const D3DXVECTOR3 zAxis(0.0f, 0.0f, 1.0f);
    D3DXQUATERNION turn;
    D3DXQuaternionRotationAxis(&turn, &zAxis, angle);
    // The local matrix becomes RotationZ(angle) x Translation(position).
    arrow->SetRotation(turn);
    arrow->SetPosition(position);
    arrow->UpdateTransform();
    queue->AddObject(arrow);
    return 0;
}

// Pushes the Orvanta units within `radius` on the ground of (x, y) (z is not looked at) against their
// direction of travel: the followed unit, then the first five units of the level's list. A followed
// unit that is one of those five (the attract mode lists the player's unit too) is pushed once, not
// twice. Nothing without a level.
int CheckIntersection(lua_State* L) {
    const float x = ToFiniteFloat(L, 1);
    const float y = ToFiniteFloat(L, 2);
    const float radius = ToFiniteFloat(L, 4);
    CPLevel* level = gLevel;
    if (level == nullptr) return 0;
    auto blast = [&](CPPlayer* unit) {
        if (unit == nullptr || !unit->HasSide(kSideOrvanta)) return;
        const float dx = unit->GetPosition().x - x;
        const float dy = unit->GetPosition().y - y;
        if (std::sqrt(dx * dx + dy * dy) <= radius) PushOutOfBlast(*unit);
    };
    blast(level->mCameraTarget);
    for (size_t i = 0; i < level->mEnemies.size() && i < kBlastUnits; ++i)
        if (level->mEnemies[i] != level->mCameraTarget) blast(level->mEnemies[i]);
    return 0;
}

}  // namespace ScriptFunctions
