#include "simulation/level/CPLevel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Render/CPCamera.h"
#include "Render/CPMiniMap.h"
#include "Render/CPQuadTree.h"
#include "Render/PRender.h"
#include "Render/PRenderObject.h"
#include "core/Angles.h"
#include "core/CPTask.h"
#include "core/FloatToInt.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "platform/Clock.h"
#include "simulation/enemies/CPVehicleUpdater.h"
#include "simulation/level/CPLevelBranch.h"
#include "simulation/level/CPSpline.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/PhysRigidBody.h"
#include "simulation/units/CPPlayer.h"

namespace {

// The backwards window is bounded by these rounded quarter turns, and the heading difference is
// wrapped by the rounded full turn, as the race has always measured it.
constexpr float kDifferenceTurn = 6.283f;
constexpr float kBackwardsLow = 1.57f;
constexpr float kBackwardsHigh = 4.713f;

int32_t GridIndex(float coordinate, float extent, int32_t count) {
    const int32_t index = TruncateToInt32((coordinate + extent * 0.5f) * 0.1f);
    return index < 0 ? 0 : (index >= count ? count - 1 : index);
}

const CPLevel::ObjectList kNoObjects;

}  // namespace

CPLevel::CPLevel() : mLastTick(static_cast<float>(timeGetTime())) {}

CPLevel::~CPLevel() {
    // A level deleted in the middle of its race ends the race first: no task may run it afterwards.
    if (IsStarted()) Stop();
    delete mCamera;
    mCamera = nullptr;
    DeletePartition();
    delete mMiniMap;
    mMiniMap = nullptr;

    for (ChkObject& chk : mChkObjects) ReleaseIfAlive(chk.mObject);
    for (CPSmartPtr<CPGameObject>& object : mObjects) ReleaseIfAlive(object);
    for (CPSmartPtr<CPGameObject>& object : mGridExtra) ReleaseIfAlive(object);
    for (auto& [index, cell] : mGridCells)
        for (CPSmartPtr<CPGameObject>& object : cell) ReleaseIfAlive(object);
    ReleaseIfAlive(mLensFlare);
    ReleaseIfAlive(mPath);
    ReleaseIfAlive(mLeftLine);
    ReleaseIfAlive(mRightLine);
    ReleaseIfAlive(mShownCheckpoint);
    ReleaseIfAlive(mRaceTask);
    ReleaseIfAlive(mScene);
    ReleaseIfAlive(mEyeFollower);
    ReleaseIfAlive(mRoadPhysics);
    ReleaseIfAlive(mPlane);
    ReleaseIfAlive(mGhost);

    for (auto it = mAdopted.rbegin(); it != mAdopted.rend(); ++it)
        if (gObjectRegistry::Contains(*it)) delete *it;
    mAdopted.clear();
    if (gLevel == this) gLevel = nullptr;
}

std::string CPLevel::FormatFloat(float value) const {
    char text[64];
    std::snprintf(text, sizeof(text), "%.3f", static_cast<double>(value));
    return text;
}

CPSmartPtr<CPCamera> CPLevel::GetCamera() const { return CPSmartPtr<CPCamera>(mCamera); }

CPSmartPtr<CPSpline> CPLevel::GetSpline() const { return mPath; }

CPSmartPtr<CPSpline> CPLevel::GetLeftLine() const { return mLeftLine; }

CPSmartPtr<CPSpline> CPLevel::GetRightLine() const { return mRightLine; }

void CPLevel::EnableUnits() {
    mUnitsActive = true;
    // A load without transports cleared the updater's flag; it comes back only when there are vehicles.
    if (gLevelUpdater) gLevelUpdater->mTransportsActive = gLevelUpdater->GetVehicleCount() != 0;
    for (size_t i = kFirstReturningUnit; i < mEnemies.size(); ++i) {
        CPPlayer* unit = mEnemies[i];
        if (!unit) continue;
        unit->SetVisible(true);
        unit->SetCollidable(true);
        const D3DXVECTOR3& at = unit->GetPosition();
        unit->SetPosition(D3DXVECTOR3(at.x, at.y, kReturnHeight));
        CPPhysicData* data = unit->GetPhysicData();
        PhysRigidBody* body = data ? data->mRigidBody : nullptr;
        if (body) {
            const D3DXVECTOR4 zero(0.0f, 0.0f, 0.0f, 0.0f);
            body->SetVelocity(zero);
            body->UpdateSpin(zero);
        }
        unit->UpdateTransform();
        if (body) {
            data->mActiveWanted = true;
            if (!body->IsActive()) body->SetActive(true, 0);
            body->Wake();
        }
    }
}

void CPLevel::AddRendererRecord() {
    if (gRenderer) gRenderer->AddLight(mSunLight);
}

bool CPLevel::IsPlayerMovingBackwards() const { return PointsAgainstPath(mHeading, mPathAngle, mReverse); }

bool CPLevel::PointsAgainstPath(float heading, float pathAngle, bool reverse) {
    const float driven = WrapAngleHalfOpen(reverse ? pathAngle + D3DX_PI : pathAngle, kTwoPi);
    const float difference = WrapAngleHalfOpen(heading - driven, kDifferenceTurn);
    return difference > kBackwardsLow && difference < kBackwardsHigh;
}

void CPLevel::UpdateRoadPosition() {
    if (!mPlayer) return;
    const D3DXVECTOR3 at = mPlayer->GetPosition();
    // The signed distance from the line before the nearest one of a spline; its heading into `heading`.
    auto query = [&](CPSpline* spline, CPLine*& hint, float* heading) {
        float radius = kRoadSearchWindow;
        if (!spline) return 0.0f;
        const float lineHeading = spline->GetNearestPoint(at, radius, 1, hint);
        if (heading) *heading = lineHeading;
        return radius;
    };
    const float p = query(mPath.Get(), mPathHint[0], &mPathAngle);
    const float l = query(mLeftLine.Get(), mPathHint[1], nullptr);
    const float r = query(mRightLine.Get(), mPathHint[2], nullptr);

    // Beyond an edge the player is farther from the path than from that edge, on the edges' common side.
    const float pa = std::fabs(p), la = std::fabs(l), ra = std::fabs(r);
    const bool sameSide = (l < 0.0f) == (r < 0.0f);
    if (sameSide && pa > la && pa < ra && la < ra && pa + la > ra - la)
        mOffRoad = la;
    else if (sameSide && pa > ra && pa < la && ra < la && pa + ra > la - ra)
        mOffRoad = ra;
    else
        mOffRoad = 0.0f;
}

void CPLevel::SetWeaponPos(const D3DXVECTOR3& aimPoint, CPSmartPtr<CPGameObject> target) {
    if (mPlayer) mPlayer->UpdateWeapon(aimPoint, target);
}

bool CPLevel::RayHitsUnits(CPRayQuery& query) const {
    for (CPPlayer* unit : mEnemies)
        if (unit && unit->RayQuery(query)) return true;
    return mPlayer && mPlayer->RayQuery(query);
}

bool CPLevel::SegmentNearPlayer(const CPRayQuery& query) const {
    if (!mPlayer) return false;
    const float h = query.length * 0.5f;
    const D3DXVECTOR3& u = query.direction;
    const D3DXVECTOR3 middle = query.origin + u * h;
    const D3DXVECTOR3 d = mPlayer->GetPosition() - middle;
    return std::fabs(d.x) <= std::fabs(u.x) * h + kNearPlayerReach &&
           std::fabs(d.y) <= std::fabs(u.y) * h + kNearPlayerReach &&
           std::fabs(d.x * u.y - d.y * u.x) <= (std::fabs(u.x) + std::fabs(u.y)) * kNearPlayerReach;
}

bool CPLevel::QueryNearPlayer(CPRayQuery& query, bool includePlayer) const {
    if (!SegmentNearPlayer(query)) return false;
    bool hit = false;
    if (includePlayer && mPlayer->RayQuery(query)) hit = true;
    for (const CPSmartPtr<CPGameObject>& object : mObjects)
        if (object && object->RayQuery(query)) hit = true;
    for (const CPSmartPtr<CPGameObject>& object : mGridExtra)
        if (object && object->RayQuery(query)) hit = true;
    return hit;
}

bool CPLevel::CrossRay(CPRayQuery& query, bool includePlayer) const {
    bool hit = false;
    // A segment of no length (or not a number) meets nothing; its end point is written all the same.
    if (query.length > 0.0f) {
        if (gSettings::quadlevels == 0 && mBranchRoot && mBranchRoot->RayQuery(query)) hit = true;
        if (QueryNearPlayer(query, includePlayer)) hit = true;
    }
    query.hitPoint = query.origin + query.direction * query.length;
    return hit;
}

bool CPLevel::CrossPlayerRay(CPRayQuery& query) const { return CrossRay(query, false); }

bool CPLevel::CrossInterfaceRay(CPRayQuery& query) const { return CrossRay(query, true); }

void CPLevel::CollectInSphere(const D3DXVECTOR3& centre, float radius, ObjectList& result) const {
    if (gSettings::quadlevels == 0 && mBranchRoot) mBranchRoot->CollectInSphere(centre, radius, result);
    if (!mPlayer) return;
    if (mPlayer->GetCollisionBounds().IntersectSphere(centre, radius)) result.push_back(mPlayer);

    const D3DXVECTOR3& p = mPlayer->GetPosition();
    if (std::fabs(p.x - centre.x) < radius + kNearPlayerReach && std::fabs(p.y - centre.y) < radius + kNearPlayerReach) {
        for (const CPSmartPtr<CPGameObject>& object : mObjects)
            if (object && object->GetCollisionBounds().IntersectSphere(centre, radius)) result.push_back(object);
    }

    if (!mGridCells.empty() && mGridColumns > 0 && mGridRows > 0) {
        const int32_t c0 = GridIndex(p.x - kNearPlayerReach, mExtentX, mGridColumns);
        const int32_t c1 = GridIndex(p.x + kNearPlayerReach, mExtentX, mGridColumns);
        const int32_t r0 = GridIndex(p.y - kNearPlayerReach, mExtentY, mGridRows);
        const int32_t r1 = GridIndex(p.y + kNearPlayerReach, mExtentY, mGridRows);
        for (int32_t c = c0; c <= c1; ++c) {
            for (int32_t r = r0; r <= r1; ++r) {
                for (const CPSmartPtr<CPGameObject>& object : GetGridCell(c, r))
                    if (object && object->GetCollisionBounds().IntersectSphere(centre, radius))
                        result.push_back(object);
            }
        }
    }
    for (const CPSmartPtr<CPGameObject>& object : mGridExtra)
        if (object && object->GetCollisionBounds().IntersectSphere(centre, radius)) result.push_back(object);
}

void CPLevel::BakeTransform(CPGameObject& object, const D3DXMATRIX& matrix) {
    if (object.GetRenderKind() == kRenderObject) {
        if (CPRenderObject* mesh = object.GetRenderObject()) mesh->TransformVertices(matrix);
    }
    const std::vector<CPGameObject::LodEntry>& lods = object.GetLodList();
    for (size_t i = 1; i < lods.size(); ++i)
        if (lods[i].object) BakeTransform(*lods[i].object, matrix);
    for (const CPSmartPtr<CPGameObject>& child : object.GetChildren())
        if (child) BakeTransform(*child, matrix);
}

void CPLevel::AllocateObjectGrid() {
    mGridColumns = TruncateToInt32(mExtentX * 0.1f);
    mGridRows = TruncateToInt32(mExtentY * 0.1f);
    mGridCells.clear();
}

bool CPLevel::AddToGridCell(int32_t column, int32_t row, CPSmartPtr<CPGameObject> object) {
    if (column < 0 || column >= mGridColumns || row < 0 || row >= mGridRows || !object) return false;
    mGridCells[column * mGridRows + row].push_back(object);
    return true;
}

const CPLevel::ObjectList& CPLevel::GetGridCell(int32_t column, int32_t row) const {
    if (column < 0 || column >= mGridColumns || row < 0 || row >= mGridRows) return kNoObjects;
    auto found = mGridCells.find(column * mGridRows + row);
    return found == mGridCells.end() ? kNoObjects : found->second;
}

void CPLevel::Adopt(CPRefObject* object) {
    if (object) mAdopted.push_back(object);
}

void CPLevel::DeletePartition() {
    if (mCamera) ReleaseIfAlive(mCamera->mPartitionRoot);
    delete mBranchRoot;
    mBranchRoot = nullptr;
    delete mQuadTree;
    mQuadTree = nullptr;
}

float CPLevel::CameraDivisor(float value) { return value == 0.0f || std::isnan(value) ? 1.0f : value; }

void CPLevel::SelectViewParameters(int32_t view) {
    if (view < 0 || view > 2) return;
    mActiveView = mRaceViews[view == 1 ? 1 : 0];
    mActiveView.angleDiv = CameraDivisor(mActiveView.angleDiv);
    mActiveView.distanceDiv = CameraDivisor(mActiveView.distanceDiv);
}
