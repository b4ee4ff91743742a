// What only a programming error can break in a running race, checked after every race update in the
// sanitizer build.
#include <algorithm>

#include "core/ServiceGlobals.h"
#include "simulation/level/CPLevel.h"
#include "simulation/level/CPLine.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "simulation/physics/PhysKinematicBody.h"
#include "simulation/physics/PhysRigidBody.h"
#include "simulation/physics/PhysWorld.h"
#include "simulation/units/CPPlayer.h"

namespace {

// Each point followed by the next through one kind of link, the last by the first.
bool FormsRing(const std::vector<CPLine*>& points, CPLine* CPLine::*link) {
    for (size_t i = 0; i < points.size(); ++i)
        if (!points[i] || points[i]->*link != points[(i + 1) % points.size()]) return false;
    return true;
}

// A unit's bodies are records its world took from its own pools.
bool BodiesBelongToTheWorld(const CPPlayer& unit) {
    const CPPhysicData* data = unit.GetPhysicData();
    if (!data || (!data->mRigidBody && !data->mKinematicBody)) return true;
    const PhysWorld* world = gPhysicsWorld ? gPhysicsWorld->GetWorld() : nullptr;
    if (!world) return false;
    if (const PhysRigidBody* body = data->mRigidBody) {
        const bool pooled = world->GetRigidPool().IndexOf(body) >= 0 || world->GetParticlePool().IndexOf(body) >= 0;
        if (body->world != world || !pooled || !body->links.inUse) return false;
    }
    if (const PhysKinematicBody* body = data->mKinematicBody) {
        if (body->world != world || world->GetKinematicPool().IndexOf(body) < 0 || !body->links.inUse) return false;
    }
    return true;
}

}  // namespace

bool CPLevel::RaceIsSound() const {
    if (mUnitNearest.size() != mUnitProgress.size()) return false;
    // A slot is taken once, and the slots fill from the first.
    for (size_t i = 0; i < mFinishSlots.size(); ++i) {
        const int32_t who = mFinishSlots[i];
        if (who == -1) continue;
        if (i > 0 && mFinishSlots[i - 1] == -1) return false;
        if (std::count(mFinishSlots.begin(), mFinishSlots.end(), who) != 1) return false;
    }
    // The start collected the points in driving order; a script may turn the driving order later.
    if (!mPathPoints.empty() && !FormsRing(mPathPoints, &CPLine::mPrevious) && !FormsRing(mPathPoints, &CPLine::mNext))
        return false;
    for (CPPlayer* unit : mEnemies)
        if (unit && gObjectRegistry::Contains(unit) && !BodiesBelongToTheWorld(*unit)) return false;
    return !mPlayer || !gObjectRegistry::Contains(mPlayer) || BodiesBelongToTheWorld(*mPlayer);
}
