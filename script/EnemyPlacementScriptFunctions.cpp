#include "script/EnemyPlacementScriptFunctions.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "core/FloatToInt.h"
#include "core/ServiceGlobals.h"
#include "platform/D3DX9Math.h"
#include "platform/RuntimeRandom.h"
#include "script/ScriptCalls.h"
#include "simulation/level/CPGameData.h"
#include "simulation/level/CPLevel.h"
#include "simulation/level/MissionRecords.h"
#include "simulation/units/CPPlayer.h"

std::unordered_map<std::string, EnemyDataRecord> gEnemyData;

namespace ScriptFunctions {
using namespace ScriptCalls;

namespace {
// A source is near the followed unit strictly between these distances (3-D).
constexpr float kSourceNearest = 25.0f;
constexpr float kSourceFarthest = 40.0f;
// An enemy's place keeps this far inside the level's edges.
constexpr float kLevelMargin = 20.0f;
// The spread of the places around an anchor, and how far from it they are put.
constexpr float kAnchorSpread = 2.0f;
constexpr float kAnchorShift = 2.0f;
// Above this speed of the followed car four places in five are drawn ahead of it.
constexpr float kAheadSpeed = 2.0f;
constexpr int kPlaceAttempts = 2;

// A flag argument: a number counts by being non-zero (the scripts pass 0 and 1), anything else by its
// truth in Lua.
bool ToFlag(lua_State* L, int index) {
    return lua_type(L, index) == LUA_TNUMBER ? lua_tonumber(L, index) != 0.0 : ToBool(L, index);
}

bool IsNearSource(const EnemySourceRecord& source, const D3DXVECTOR3& unit) {
    const D3DXVECTOR3 d = source.mPosition - unit;
    const float distance = D3DXVec3Length(&d);
    return distance > kSourceNearest && distance < kSourceFarthest;
}

// The sources under the key that carry the flag and stand near the unit.
std::vector<const EnemySourceRecord*> NearSources(const CPGameData& data, const std::string& key, bool flag,
                                                  const D3DXVECTOR3& unit) {
    std::vector<const EnemySourceRecord*> near;
    const auto found = data.mEnemyTypes.find(key);
    if (found == data.mEnemyTypes.end()) return near;
    for (const EnemySourceRecord& source : found->second)
        if (source.mFlag == flag && IsNearSource(source, unit)) near.push_back(&source);
    return near;
}

// rand() mod the divisor; a divisor below 1 (a spread under 1 or under 4) takes the term as 0 instead
// of dividing by 0. The draw is made either way.
float DrawModulo(float divisor) {
    const int32_t whole = TruncateToInt32(std::floor(divisor));
    const int32_t draw = RuntimeRand();
    return whole > 0 ? static_cast<float>(draw % whole) : 0.0f;
}

// -half or +half: -half when the draw is odd.
float DrawSide(float half) { return (RuntimeRand() & 1) != 0 ? -half : half; }

// An offset from the followed unit within the spread: ahead of its car at speed, on the edge of a
// square of side `spread` otherwise.
D3DXVECTOR3 DrawOffset(float spread, float speed, const D3DXQUATERNION& rotation) {
    if (speed > kAheadSpeed && RuntimeRand() % 5 > 0) {
        const float term = DrawModulo(spread * 0.25f);
        D3DXVECTOR3 ahead(term - spread * 0.125f, -spread * 0.5f, 0.0f);
        D3DXMATRIX turn;
        D3DXMatrixRotationQuaternion(&turn, &rotation);
        D3DXVec3TransformNormal(&ahead, &ahead, &turn);
        D3DXVec3Normalize(&ahead, &ahead);
        return ahead * (spread * 0.5f);
    }
    const float half = spread / 2.0f;
    D3DXVECTOR3 offset(0.0f, 0.0f, 0.0f);
    if ((RuntimeRand() & 1) != 0) {
        offset.x = DrawModulo(spread) - half;
        offset.y = DrawSide(half);
    } else {
        offset.y = DrawModulo(spread) - half;
        offset.x = DrawSide(half);
    }
    return offset;
}
}  // namespace

// Kept for the scripts that call it: enemies are made elsewhere.
int AddEnemy(lua_State*) { return 0; }

// The type's a, d, b, c and e; a type the table lacks is added empty.
int GetEnemyData(lua_State* L) {
    const std::string name = CheckedString(L, 1);
    const EnemyDataRecord& record = gEnemyData[name];
    lua_pushnumber(L, record.a);
    lua_pushlstring(L, record.d.data(), record.d.size());
    lua_pushnumber(L, record.b);
    lua_pushlstring(L, record.c.data(), record.c.size());
    lua_pushlstring(L, record.e.data(), record.e.size());
    return 5;
}

// An enemy for checkpoint n: from a source of the key n (the script's own text of the number) that
// carries the flag and stands near the followed unit, at that source (found); otherwise from the list 2
// of checkpoint n - 1, at the followed unit. Results: the name ("" when no share holds the draw), found,
// x and y. A checkpoint the mission lacks gives the empty name.
int GetEnemyType(lua_State* L) {
    const int32_t index = TruncateToInt32(ToNumber(L, 1) - 1.0);
    const bool flag = ToFlag(L, 2);
    const std::string key = PlainString(L, 1);
    const CPGameData* data = gGameData;
    const CPPlayer* unit = FollowedUnit();
    if (data == nullptr || unit == nullptr) return 0;

    const std::vector<const EnemySourceRecord*> near = NearSources(*data, key, flag, unit->GetPosition());
    const SourceEntry* entry = nullptr;
    D3DXVECTOR3 position = unit->GetPosition();
    if (!near.empty()) {
        const EnemySourceRecord& source = *near[static_cast<size_t>(RuntimeRand()) % near.size()];
        position = source.mPosition;
        const int32_t draw = RuntimeRand() % 100;
        entry = PickSourceEntry(source.mList, draw);
    } else if (index >= 0 && static_cast<size_t>(index) < data->mMissionCheckpoints.size()) {
        const int32_t draw = RuntimeRand() % 100;
        entry = PickSourceEntry(data->mMissionCheckpoints[static_cast<size_t>(index)].mList2, draw);
    }
    if (entry) {
        lua_pushlstring(L, entry->mName.data(), entry->mName.size());
    } else {
        lua_pushstring(L, "");
    }
    lua_pushboolean(L, !near.empty());
    lua_pushnumber(L, position.x);
    lua_pushnumber(L, position.y);
    return 4;
}

// Whether a source under the key carries the flag and stands near the followed unit.
int IsEnemySourceNear(lua_State* L) {
    const bool flag = ToFlag(L, 1);
    const std::string key = PlainString(L, 2);
    const CPGameData* data = gGameData;
    const CPPlayer* unit = FollowedUnit();
    if (data == nullptr || unit == nullptr) return 0;
    lua_pushboolean(L, !NearSources(*data, key, flag, unit->GetPosition()).empty());
    return 1;
}

// A place for an enemy and whether it lies within the level's margins: the anchor point (ax, ay)
// moved by (2, 2) when an anchor name is given, otherwise the followed unit's position plus an offset
// drawn within the spread given as the second argument. Two tries at most.
int GetPositionForEnemy(lua_State* L) {
    const bool anchored = lua_isstring(L, 3) != 0;
    const float spread = anchored ? kAnchorSpread : ToFiniteFloat(L, 2);
    const float ax = ToFiniteFloat(L, 4);
    const float ay = ToFiniteFloat(L, 5);
    const CPLevel* level = gLevel;
    const CPPlayer* unit = level ? level->mCameraTarget : nullptr;
    if (unit == nullptr) return 0;
    const float halfWidth = level->mExtentX * 0.5f - kLevelMargin;
    const float halfHeight = level->mExtentY * 0.5f - kLevelMargin;
    const D3DXVECTOR3 at = unit->GetPosition();
    bool inside = false;
    float x = 0.0f, y = 0.0f;
    for (int attempt = 0; attempt < kPlaceAttempts && !inside; ++attempt) {
        const D3DXVECTOR3 offset = DrawOffset(spread, level->mPlayerSpeed, unit->GetRotation());
        x = anchored ? ax + kAnchorShift : at.x + offset.x;
        y = anchored ? ay + kAnchorShift : at.y + offset.y;
        inside = -halfWidth <= x && x <= halfWidth && -halfHeight <= y && y <= halfHeight;
    }
    lua_pushboolean(L, inside);
    lua_pushnumber(L, x);
    lua_pushnumber(L, y);
    return 3;
}

}  // namespace ScriptFunctions
