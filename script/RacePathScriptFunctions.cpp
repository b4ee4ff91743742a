#include "script/RacePathScriptFunctions.h"

#include <cmath>
#include <cstdint>

#include "Render/CPCamera.h"
#include "Render/PCamera.h"
#include "core/Angles.h"
#include "core/CPGameObject.h"
#include "core/ServiceGlobals.h"
#include "platform/D3DX9Math.h"
#include "platform/FiniteChecks.h"
#include "script/ScriptCalls.h"
#include "simulation/level/CPLevel.h"
#include "simulation/level/CPLine.h"
#include "simulation/level/CPSpline.h"
#include "simulation/units/CPPlayer.h"

namespace ScriptFunctions {
using namespace ScriptCalls;

namespace {
// Window of the path searches, world units; a path point counts as close below this ground distance.
constexpr float kPathSearchRadius = 20.0f;
constexpr float kCloseLineDistanceSquared = 400.0f;
// The third result of GetClosestLineCenter: the middle of the line.
constexpr float kLineMiddle = 0.5f;
// Reach of a ray cast from the screen into the level.
constexpr float kScreenRayReach = 100000.0f;

// The race path of the level, when it has one with lines; null otherwise.
CPSpline* RacePath() {
    CPSpline* path = gLevel ? gLevel->mPath.Get() : nullptr;
    return path && path->GetFirstLine() ? path : nullptr;
}

// The line `steps` links away from `line`, following mNext (forward) or mPrevious; whole turns of the
// ring are skipped, so a huge count costs no more than one turn.
CPLine* Walk(const CPSpline& path, CPLine* line, int64_t steps, bool forward) {
    const int64_t turn = static_cast<int64_t>(path.GetRingSize());
    for (int64_t i = steps % turn; i > 0 && line; --i) line = forward ? line->mNext : line->mPrevious;
    return line;
}

// The unit vector of v; the zero vector for a vector of no length.
D3DXVECTOR3 UnitVector(const D3DXVECTOR3& v, float length) {
    return IsPositiveFinite(length) ? v / length : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

// What CrossInterfaceRay answers when it has no ray to cast: nothing hit, nothing found, the origin.
int PushNoInterfaceHit(lua_State* L) {
    lua_pushboolean(L, 0);
    PushObject(L, nullptr);
    lua_pushnumber(L, 0.0);
    lua_pushnumber(L, 0.0);
    lua_pushnumber(L, 0.0);
    return 5;
}
}  // namespace

// The start line is kept on the path itself, so a new level or a rebuilt path starts afresh.
int GetPlayerSplineAngle(lua_State* L) {
    const bool restart = ToBool(L, 1);
    CPSpline* path = RacePath();
    CPPlayer* unit = FollowedUnit();
    if (path == nullptr || unit == nullptr) return 0;
    CPLine* start = path->GetScriptStartLine();
    if (start == nullptr || restart) start = path->GetCurrentLine();
    float radius = kPathSearchRadius;
    const float angle = WrapAngleClosed(path->GetNearestPoint(unit->GetPosition(), radius, -1, start), 0.0f);
    path->SetScriptStartLine(start);
    lua_pushnumber(L, gLevel->mHeading);
    lua_pushnumber(L, angle);
    return 2;
}

// The start point of the line `index` links on from the first one; a negative index gives the first.
int GetSplineLinePoint(lua_State* L) {
    const int32_t index = ToInteger(L, 1);
    CPSpline* path = RacePath();
    if (path == nullptr) return 0;
    const CPLine* line = Walk(*path, path->GetFirstLine(), index > 0 ? index : 0, true);
    return line ? PushVector(L, line->mP0) : 0;
}

// The level has the one race path.
int GetSplineLineCount(lua_State* L) {
    lua_pushnumber(L, 1.0);
    return 1;
}

// The first path point in ring order (from the one after the first line, the first line last) within
// 20 units on the ground of (x, y), moved k lines back (k > 0) or -k lines on (k < 0).
int GetClosestLineCenter(lua_State* L) {
    const float x = ToFiniteFloat(L, 1);
    const float y = ToFiniteFloat(L, 2);
    const int64_t k = ToInteger(L, 4);
    CPSpline* path = RacePath();
    if (path == nullptr) return 0;
    CPLine* line = path->GetFirstLine();
    CPLine* found = nullptr;
    for (size_t i = 0; i < path->GetRingSize() && line; ++i) {
        line = line->mNext;
        if (line == nullptr) break;
        const float dx = line->mP0.x - x;
        const float dy = line->mP0.y - y;
        if (dx * dx + dy * dy < kCloseLineDistanceSquared) {
            found = line;
            break;
        }
    }
    if (found == nullptr) return 0;
    found = Walk(*path, found, k < 0 ? -k : k, k < 0);
    if (found == nullptr) return 0;
    float radius = kPathSearchRadius;
    CPLine* hint = found;
    const float angle = path->GetNearestPoint(found->mP0, radius, -1, hint);
    lua_pushnumber(L, found->mP0.x);
    lua_pushnumber(L, found->mP0.y);
    lua_pushnumber(L, kLineMiddle);
    lua_pushnumber(L, angle - kHalfPi);
    return 4;
}

int GetLevelSize(lua_State* L) {
    if (gLevel == nullptr) return 0;
    lua_pushnumber(L, gLevel->mExtentX);
    lua_pushnumber(L, gLevel->mExtentY);
    return 2;
}

// Whether the segment from (x, y, z) along (dx, dy, dz) is clear of the level, and how far: the vector
// to where the query ended when clear, the unit direction when not. A zero vector is a ray of no length:
// it answers the zero vector instead of dividing by 0.
int CrossPlayerRay(lua_State* L) {
    const D3DXVECTOR3 start(ToFiniteFloat(L, 1), ToFiniteFloat(L, 2), ToFiniteFloat(L, 3));
    const D3DXVECTOR3 vector(ToFiniteFloat(L, 4), ToFiniteFloat(L, 5), ToFiniteFloat(L, 6));
    const float length = D3DXVec3Length(&vector);
    const D3DXVECTOR3 unit = UnitVector(vector, length);
    CPRayQuery query;
    query.origin = start;
    query.direction = unit;
    query.length = FiniteOrZero(length);
    const bool clear = gLevel != nullptr && !gLevel->CrossPlayerRay(query);
    lua_pushboolean(L, clear);
    return 1 + PushVector(L, clear ? unit * query.length : unit);
}

// A ray from the eye of the level's main view through the screen point (sx, sy), fractions of the
// screen from the top left: whether it hits the level, the controlling owner of what it hit, and where
// its line meets the ground plane z = 0. Without a level or its camera: nothing hit, at (0, 0).
int CrossInterfaceRay(lua_State* L) {
    const float sx = ToFiniteFloat(L, 1);
    const float sy = ToFiniteFloat(L, 2);
    CPLevel* level = gLevel;
    CPCamera* camera = level ? level->mCamera : nullptr;
    const CPSmartPtr<CPPerspectiveCamera> view = camera ? camera->GetViewCamera() : CPSmartPtr<CPPerspectiveCamera>();
    if (!view) return PushNoInterfaceHit(L);

    const D3DXVECTOR4 screen(2.0f * sx - 1.0f, 1.0f - 2.0f * sy, 1.0f, 1.0f);
    D3DXVECTOR4 farPoint;
    D3DXVec4Transform(&farPoint, &screen, &view->GetInverseViewProjectionMatrix());
    if (farPoint.w == 0.0f || !std::isfinite(farPoint.w)) return PushNoInterfaceHit(L);
    const D3DXVECTOR3 eye = view->GetEye();
    const D3DXVECTOR3 toFar = D3DXVECTOR3(farPoint.x / farPoint.w, farPoint.y / farPoint.w, farPoint.z / farPoint.w) - eye;
    const D3DXVECTOR3 unit = UnitVector(toFar, D3DXVec3Length(&toFar));

    CPRayQuery query;
    query.origin = eye;
    query.direction = unit;
    query.length = kScreenRayReach;
    const bool hit = level->CrossInterfaceRay(query);
    // A line parallel to the ground never meets it: the point under the eye stands in.
    float groundX = eye.x;
    float groundY = eye.y;
    if (unit.z != 0.0f) {
        groundX = eye.x - unit.x * eye.z / unit.z;
        groundY = eye.y - unit.y * eye.z / unit.z;
    }
    lua_pushboolean(L, hit);
    PushObject(L, hit ? query.hitOwner.Get() : nullptr);
    lua_pushnumber(L, groundX);
    lua_pushnumber(L, groundY);
    lua_pushnumber(L, 0.0);
    return 5;
}

// Whether the main view of the level's camera sees the object's world box; false without any of them.
int CheckVisible(lua_State* L) {
    const CPGameObject* object = ToObject<CPGameObject>(L, 1);
    CPCamera* camera = gLevel ? gLevel->mCamera : nullptr;
    const CPSmartPtr<CPPerspectiveCamera> view = camera ? camera->GetViewCamera() : CPSmartPtr<CPPerspectiveCamera>();
    bool visible = false;
    if (object && view) {
        const CPAxisBox& box = object->GetHierarchyBounds();
        visible = view->IsBoxVisible(box.mMinimum, box.mMaximum);
    }
    lua_pushboolean(L, visible);
    return 1;
}

}  // namespace ScriptFunctions
