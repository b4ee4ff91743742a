#include "simulation/physics/PhysWorld.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <utility>

#include "simulation/physics/PhysMath.h"
#include "simulation/physics/PhysStepScratch.h"

namespace {
constexpr uint32_t kAllAxes = 7;

int32_t AtLeastZero(int32_t count) { return std::max(count, 0); }
}  // namespace

PhysWorld::PhysWorld(const PhysPoolSizes& sizes, PhysAllocator* allocator, const D3DXVECTOR3* gravity)
    : mSizes(sizes), mScratch(std::make_unique<StepScratch>()) {
    mAllocator = allocator ? allocator : &mOwnAllocator;
    Init(gravity ? *gravity : D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    for (PhysMaterial& material : mMaterials) material = PhysMaterial{};
    // In the order of the world's fields: step records, controllers, sensors, geometries.
    if (!mGroupPool.Build(mSizes.stepRecordsCount, mAllocator)) Report("Failed to allocate memory.\n");
    if (!mControllerPool.Build(mSizes.constraintSetsCount, mAllocator)) Report("Failed to allocate memory.\n");
    if (!mSensorPool.Build(mSizes.sensorsCount, mAllocator)) Report("Failed to allocate memory.\n");
    if (!mGeometryPool.Build(mSizes.geometriesCount, mAllocator)) Report("Failed to allocate memory.\n");
    mContactCallback = nullptr;
    mMessageCallback = nullptr;
    mTerrainCallback = nullptr;
    mMessageLevel = 0;
    mTimer.Init();
}

// The pools are members and give their blocks back to the allocator as they end.
PhysWorld::~PhysWorld() = default;

void PhysWorld::Init(const D3DXVECTOR3& gravity) {
    SetGravity(gravity);
    mWorldBody.ResetCommon(PhysBody::kKinematic);
    mWorldBody.AttachToWorld(this, -1);
    mWorldBody.rotationRows = PhysRows();
    mWorldBody.position = D3DXVECTOR4(0.0f, 0.0f, 0.0f, 1.0f);
    if (!mRigidPool.Build(mSizes.rigidBodiesCount, mAllocator) ||
        !mKinematicPool.Build(mSizes.kinematicBodiesCount, mAllocator) ||
        !mParticlePool.Build(mSizes.rigidParticleCount, mAllocator)) {
        Report("Failed to allocate memory.\n");
        return;
    }
    const int32_t bodies = AtLeastZero(mSizes.rigidBodiesCount) + AtLeastZero(mSizes.kinematicBodiesCount);
    if (!mBroadPhase.Build(bodies, AtLeastZero(mSizes.rigidParticleCount), mSizes.overlappedPairsCount, kAllAxes,
                           mAllocator))
        Report("Failed to allocate memory.\n");
}

void PhysWorld::SetGravity(const D3DXVECTOR3& gravity) {
    // A gravity that is not a number everywhere would spread through every body: it counts as none.
    const D3DXVECTOR3 g = IsFinite(gravity) ? gravity : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    mGravity = PhysMath::Direction(g);
    const float square = PhysMath::LengthSq(g);
    const float length = std::sqrt(square);
    if (square < PhysMath::kTinySquare || length == 0.0f)
        mGravityDirection = D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f);
    else
        mGravityDirection = D3DXVECTOR4(g.x / length, g.y / length, g.z / length, 0.0f);
    mGravityMagnitude = square < PhysMath::kTinySquare ? 0.0f : length;
    mGravityMagnitude = FiniteOrZero(mGravityMagnitude);
    mGravityMagnitude03 = 0.3f * std::sqrt(PhysMath::LengthSq(PhysMath::Xyz(mGravity)));
}

bool PhysWorld::SlotsAreSound() const {
    if (!mRigidPool.IsSound() || !mKinematicPool.IsSound() || !mParticlePool.IsSound() || !mGeometryPool.IsSound() ||
        !mSensorPool.IsSound() || !mControllerPool.IsSound() || !mGroupPool.IsSound())
        return false;
    const auto listed = [this](const auto& pool, const auto& list, int32_t active) {
        return PhysListIsSound(list, [&](const auto* body) {
            return pool.IndexOf(body) >= 0 && body->links.inUse && body->active == active && body->world == this;
        });
    };
    return listed(mRigidPool, mActiveRigid, 1) && listed(mRigidPool, mInactiveRigid, 0) &&
           mActiveRigid.count + mInactiveRigid.count == mRigidPool.GetTakenCount() &&
           listed(mParticlePool, mActiveParticle, 1) && listed(mParticlePool, mInactiveParticle, 0) &&
           mActiveParticle.count + mInactiveParticle.count == mParticlePool.GetTakenCount() &&
           listed(mKinematicPool, mActiveKinematic, 1) && listed(mKinematicPool, mInactiveKinematic, 0) &&
           mActiveKinematic.count + mInactiveKinematic.count == mKinematicPool.GetTakenCount();
}

PhysRigidBody* PhysWorld::NewRigidBody(bool particle) {
    PhysRigidBody* body = particle ? mParticlePool.Take() : mRigidPool.Take();
    if (!body) {
        Report(particle ? "Run out of RigidBodies. Increase 'rigidParticleCount'.\n"
                        : "Run out of RigidBodies. Increase 'rigidBodiesCount'.\n");
        return nullptr;
    }
    body->Reset();
    ActiveRigidBodies(particle).Append(body);
    body->particle = particle ? 1 : 0;
    const int32_t index = particle ? mParticlePool.IndexOf(body) : mRigidPool.IndexOf(body);
    const int32_t offset =
        particle ? AtLeastZero(mSizes.rigidBodiesCount) + AtLeastZero(mSizes.kinematicBodiesCount) : 0;
    body->AttachToWorld(this, index + offset);
    return body;
}

PhysKinematicBody* PhysWorld::CreateKinematicBody() {
    PhysKinematicBody* body = mKinematicPool.Take();
    if (!body) {
        // Callers are meant to stay within the pool; an empty one still answers null, never a record
        // that does not exist.
        Report("Run out of KinematicBodies. Increase 'kinematicBodiesCount'.\n");
        return nullptr;
    }
    body->Reset();
    body->moved = 0;
    mActiveKinematic.Append(body);
    body->AttachToWorld(this, mKinematicPool.IndexOf(body) + AtLeastZero(mSizes.rigidBodiesCount));
    body->rotationRows = PhysRows();
    body->position = D3DXVECTOR4(0.0f, 0.0f, 0.0f, 1.0f);
    return body;
}

bool PhysWorld::SetMaterial(int32_t index, float friction, float restitution, float coefficient) {
    if (index < 0 || index >= kMaterials) return false;
    mMaterials[index] = PhysMaterial{friction, restitution, coefficient};
    return true;
}

const PhysMaterial& PhysWorld::GetMaterial(int32_t index) const {
    return mMaterials[index >= 0 && index < kMaterials ? index : 0];
}

PhysContactCallback PhysWorld::SetCollisionCallback(PhysContactCallback callback) {
    return std::exchange(mContactCallback, callback);
}

PhysTerrainCallback PhysWorld::SetTerrainCallback(PhysTerrainCallback callback) {
    return std::exchange(mTerrainCallback, callback);
}

PhysMessageCallback PhysWorld::SetMessageCallback(PhysMessageCallback callback) {
    return std::exchange(mMessageCallback, callback);
}

void PhysWorld::ReportMessage(int32_t level) {
    if (mMessageCallback && level <= mMessageLevel) mMessageCallback(mMessageText);
}

void PhysWorld::Report(const char* text) {
    std::snprintf(mMessageText, sizeof(mMessageText), "%s", text);
    ReportMessage(kReportLevel);
}

PhysGeometry* PhysWorld::TakeGeometry() {
    PhysGeometry* geometry = mGeometryPool.Take();
    if (!geometry) Report("Run out of Geometries. Increase 'geometriesCount'.\n");
    return geometry;
}

PhysSensor* PhysWorld::TakeSensor() {
    PhysSensor* sensor = mSensorPool.Take();
    if (!sensor) Report("Run out of Sensors. Increase 'sensorsCount'.\n");
    return sensor;
}

PhysController* PhysWorld::TakeController() {
    PhysController* controller = mControllerPool.Take();
    if (!controller) Report("Run out of Controllers. Increase 'constraintSetsCount'.\n");
    return controller;
}

PhysWorld* CreatePhysWorld(const PhysPoolSizes& sizes, PhysAllocator* allocator, const D3DXVECTOR3* gravity) {
    return new (std::nothrow) PhysWorld(sizes, allocator, gravity);
}
