// The rigid-body world of a level: fixed-capacity pools of bodies, shapes, sensors and controllers
// sized once when the world is built, the surface materials, the collision table, the gravity, the
// callbacks of the game, and the step that moves the bodies.
// The world fails by returning null and reporting a message through its message callback, never by
// an exception. Nothing taken from its pools is ever given back: records live as long as the world.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/D3DX9Math.h"
#include "simulation/physics/PhysAllocator.h"
#include "simulation/physics/PhysBroadPhase.h"
#include "simulation/physics/PhysCollisionTable.h"
#include "simulation/physics/PhysController.h"
#include "simulation/physics/PhysGeometry.h"
#include "simulation/physics/PhysKinematicBody.h"
#include "simulation/physics/PhysPool.h"
#include "simulation/physics/PhysRigidBody.h"
#include "simulation/physics/PhysSensor.h"
#include "simulation/physics/PhysStepHandler.h"
#include "simulation/physics/PhysTimer.h"

struct CPCollisionTriangle;
struct CPCollisionVertex;

// The capacities of the world's pools, in this order.
struct PhysPoolSizes {
    int32_t rigidBodiesCount = 50;
    int32_t kinematicBodiesCount = 50;
    int32_t rigidParticleCount = 50;
    int32_t constraintSetsCount = 50;     // controllers
    int32_t overlappedPairsCount = 1225;  // pairs the broad phase can list at once (50 x 49 / 2)
    int32_t geometriesCount = 50;
    int32_t stepRecordsCount = 100;       // groups the step can form
    int32_t stepLinksCount = 100;         // kept; the step needs no link records of its own
    int32_t spareCount8 = 2000;           // kept; nothing reads it
    int32_t sensorsCount = 100;
    int32_t spareCount10 = 200;           // kept; nothing reads it
    int32_t spareCount11 = -1;            // kept; nothing reads it
};
static_assert(sizeof(PhysPoolSizes) == 48);

struct PhysMaterial {
    float friction = 0.5f;
    float restitution = 0.4f;
    float coefficient = 1.0f;  // kept; the step does not read it
};

// One contact the step found, as the contact callback receives it.
struct PhysContact {
    static constexpr int32_t kStatic = 0;  // a kinematic body or the level's collision mesh
    static constexpr int32_t kMoving = 1;  // a rigid or particle body

    PhysBody* bodyA = nullptr;  // always a moving body
    PhysBody* bodyB = nullptr;  // the world body for the level's collision mesh
    int32_t kindA = kMoving;
    int32_t kindB = kStatic;
    D3DXVECTOR3 point;             // world
    D3DXVECTOR3 relativeVelocity;  // of A against B at the point
    D3DXVECTOR3 normal;            // unit, pointing from B towards A
    float depth = 0.0f;            // how far A reaches into B along the normal
};

// A set of touching rigid bodies that the step wakes together.
struct PhysGroup {
    PhysRigidBody* first = nullptr;  // members chained through PhysRigidBody::groupNext
    int32_t count = 0;
    PhysPoolLinks<PhysGroup> links;
};

using PhysContactCallback = void (*)(PhysContact* contact);
using PhysMessageCallback = void (*)(const char* message);
// The candidate triangles of the level's collision mesh for a body's world box: the callback points
// the outputs at its candidate list (indices into the triangle array), the triangle array and the
// vertex array, and sets the candidate count and the mesh's triangle count. Boxes are 4 floats.
// The step keeps what it made of a body's answer while the answer stays the same; whoever changes the
// level's triangles or vertices in place calls PhysWorld::ForgetTerrain.
using PhysTerrainCallback = void (*)(const float* boxMinimum, const float* boxMaximum, const int32_t** candidates,
                                     const CPCollisionTriangle** triangles, const CPCollisionVertex** vertices,
                                     int32_t* candidateCount, int32_t* triangleCount, PhysBody* body);

class PhysWorld {
public:
    static constexpr int32_t kMaterials = 256;
    static constexpr int32_t kReportLevel = 1;
    // The step never advances by more than this in one go: longer frames are cut into equal parts.
    static constexpr float kMaxStepSeconds = 1.0f / 60.0f;
    static constexpr int32_t kMaxSubsteps = 8;

    // Defaults, then the caller's counts over them; the heap allocator when `allocator` is null;
    // gravity (0, 0, 0) when `gravity` is null.
    PhysWorld(const PhysPoolSizes& sizes, PhysAllocator* allocator, const D3DXVECTOR3* gravity);
    // Gives every pool and table back to the allocator; every record of the world ends with it.
    ~PhysWorld();
    PhysWorld(const PhysWorld&) = delete;
    PhysWorld& operator=(const PhysWorld&) = delete;

    void SetGravity(const D3DXVECTOR3& gravity);
    const D3DXVECTOR4& GetGravity() const { return mGravity; }
    const D3DXVECTOR4& GetGravityDirection() const { return mGravityDirection; }
    float GetGravityMagnitude() const { return mGravityMagnitude; }
    float GetGravityMagnitude03() const { return mGravityMagnitude03; }

    // A rigid body (or a particle body) from its pool, active, with its id; null with the report
    // "Run out of RigidBodies. ..." when the pool is empty.
    PhysRigidBody* NewRigidBody(bool particle);
    PhysRigidBody* CreateRigidBody() { return NewRigidBody(false); }
    PhysRigidBody* CreateParticleBody() { return NewRigidBody(true); }
    // A kinematic body at the origin with the identity rotation, active, with its id; null with a
    // report when the pool is empty.
    PhysKinematicBody* CreateKinematicBody();

    // {friction, restitution, coefficient}; false, storing nothing, unless 0 <= index < 256.
    bool SetMaterial(int32_t index, float friction, float restitution, float coefficient = 0.0f);
    // The material of an index; an index outside the table reads material 0.
    const PhysMaterial& GetMaterial(int32_t index) const;
    PhysCollisionTable& GetCollisionTable() { return mCollisionTable; }

    // Each returns the callback it replaces.
    PhysContactCallback SetCollisionCallback(PhysContactCallback callback);
    PhysTerrainCallback SetTerrainCallback(PhysTerrainCallback callback);
    PhysMessageCallback SetMessageCallback(PhysMessageCallback callback);
    // Reports up to this level reach the message callback; 0 (the start) silences every report.
    void SetMessageLevel(int32_t level) { mMessageLevel = level; }
    // Hands the message text to the message callback when there is one and level <= the message level.
    void ReportMessage(int32_t level);
    // The text of the last report.
    const char* GetMessageText() const { return mMessageText; }

    // Advances every active rigid and particle body by `seconds` (nothing for 0, a negative or a
    // non-finite time), in equal parts of at most kMaxStepSeconds: sensors are cast, controllers
    // called, forces and gravity applied, contacts found, reported and resolved, bodies moved.
    // The contact callback and the controllers' handlers run inside it.
    void Step(float seconds);
    // Forgets what the terrain callback answered before: the level's triangles changed.
    void ForgetTerrain();
    // The step keeps the level triangles it made (corners, box and normal, 80 bytes each) up to this many;
    // when a new answer would pass the limit it makes them all afresh. A negative limit counts as 0.
    static constexpr int32_t kDefaultKeptTriangleLimit = 1 << 18;
    void SetKeptTriangleLimit(int32_t count) { mKeptTriangleLimit = count < 0 ? 0 : count; }
    // Seconds the last Step took, measured on the high-resolution counter.
    double GetLastStepDuration() const { return mLastStepDuration; }
    // Bodies whose world inertia, spin and box the last Step brought up to date, counted once per part
    // of the frame; a body asleep since an earlier part is left as it is.
    int32_t GetBodiesRefreshed() const { return mBodiesRefreshed; }

    const PhysPoolSizes& GetPoolSizes() const { return mSizes; }
    PhysKinematicBody& GetWorldBody() { return mWorldBody; }
    PhysBroadPhase& GetBroadPhase() { return mBroadPhase; }
    const PhysTimer& GetTimer() const { return mTimer; }
    // The world's own allocator (in use when the constructor got none).
    const PhysHeapAllocator& GetOwnAllocator() const { return mOwnAllocator; }
    PhysList<PhysRigidBody>& ActiveRigidBodies(bool particle) { return particle ? mActiveParticle : mActiveRigid; }
    PhysList<PhysRigidBody>& InactiveRigidBodies(bool particle) {
        return particle ? mInactiveParticle : mInactiveRigid;
    }
    PhysList<PhysKinematicBody>& ActiveKinematicBodies() { return mActiveKinematic; }
    PhysList<PhysKinematicBody>& InactiveKinematicBodies() { return mInactiveKinematic; }

    // For the bodies: records from the pools, each with its report when its pool is empty.
    PhysGeometry* TakeGeometry();
    PhysSensor* TakeSensor();
    PhysController* TakeController();

    const PhysPool<PhysRigidBody>& GetRigidPool() const { return mRigidPool; }
    const PhysPool<PhysKinematicBody>& GetKinematicPool() const { return mKinematicPool; }
    const PhysPool<PhysRigidBody>& GetParticlePool() const { return mParticlePool; }
    const PhysPool<PhysGeometry>& GetGeometryPool() const { return mGeometryPool; }
    const PhysPool<PhysSensor>& GetSensorPool() const { return mSensorPool; }
    const PhysPool<PhysController>& GetControllerPool() const { return mControllerPool; }
    const PhysPool<PhysGroup>& GetGroupPool() const { return mGroupPool; }

    // Whether the pools and the body lists agree: every pool is sound, every active or inactive body
    // list is well linked and holds taken bodies of its own pool and world with the matching active
    // flag, and the bodies listed are all the bodies taken. Only a programming error breaks it (checked
    // by ENGINE_ASSERT after every step and at the end of a frame).
    bool SlotsAreSound() const;

private:
    // Sets the gravity, builds the three body pools from the first three counts and the broad phase,
    // and places the world body; reports "Failed to allocate memory.\n" and stops at a pool it cannot
    // allocate. Only the constructor calls it: building the pools again would lose every body.
    void Init(const D3DXVECTOR3& gravity);
    void Report(const char* text);
    struct StepScratch;
    void SubStep(float seconds);
    void PrepareBodies(StepScratch& scratch);
    void QueryTerrain(StepScratch& scratch);
    // The body's memo of the callback's answer: its valid triangles, each once; the same answer as the
    // body's last one is not walked again, and a triangle met before is not made again.
    struct PhysTerrainMemo& UsableCandidates(StepScratch& scratch, const PhysRigidBody& body, const int32_t* list,
                                             int32_t count, const CPCollisionTriangle* triangles,
                                             const CPCollisionVertex* vertices, int32_t triangleCount);
    // The triangle's corners and box, kept in the scratch; its place there, or -2 when it names no vertex.
    static int32_t PrepareTriangle(StepScratch& scratch, const CPCollisionTriangle& triangle,
                                   const CPCollisionVertex* vertices);
    // Drops every made triangle, and with them what each memo made of its answer.
    static void ForgetPreparedTriangles(StepScratch& scratch);
    // The first of the span's triangles.
    static const struct PhysTerrainTriangle* SpanTriangles(const StepScratch& scratch,
                                                           const struct PhysTerrainSpan& span);
    // The memo whose room is the span's list; null when the list is the step's own.
    static struct PhysTerrainMemo* SpanMemo(StepScratch& scratch, const struct PhysTerrainSpan& span);
    // Copies the spans' lists that the memos hold into the step's own, so that the memos may go.
    static void SetSpansAside(StepScratch& scratch);
    void CastSensors(StepScratch& scratch);
    void CallControllers(StepScratch& scratch, float seconds);
    void IntegrateVelocities(StepScratch& scratch, float seconds);
    void FindContacts(StepScratch& scratch);
    void FormGroups(StepScratch& scratch);
    void ReportContacts(StepScratch& scratch);
    void SolveContacts(StepScratch& scratch, float seconds);
    void IntegratePositions(StepScratch& scratch, float seconds);

    // First, so that it outlives every pool that gives its block back to it.
    PhysHeapAllocator mOwnAllocator;
    PhysAllocator* mAllocator = nullptr;  // in use; not owned unless it is mOwnAllocator
    PhysPoolSizes mSizes;
    PhysTimer mTimer;
    D3DXVECTOR4 mGravity;
    D3DXVECTOR4 mGravityDirection;
    float mGravityMagnitude = 0.0f;
    float mGravityMagnitude03 = 0.0f;  // 0.3 x |gravity|
    PhysPool<PhysGroup> mGroupPool;
    PhysPool<PhysController> mControllerPool;
    PhysPool<PhysSensor> mSensorPool;
    PhysPool<PhysGeometry> mGeometryPool;
    int32_t mMessageLevel = 0;
    PhysMaterial mMaterials[kMaterials];
    PhysPool<PhysRigidBody> mRigidPool;
    PhysPool<PhysKinematicBody> mKinematicPool;
    PhysPool<PhysRigidBody> mParticlePool;
    PhysList<PhysRigidBody> mActiveRigid, mInactiveRigid;
    PhysList<PhysKinematicBody> mActiveKinematic, mInactiveKinematic;
    PhysList<PhysRigidBody> mActiveParticle, mInactiveParticle;
    PhysBroadPhase mBroadPhase;
    PhysCollisionTable mCollisionTable;
    PhysKinematicBody mWorldBody;  // id -1: the level and everything static; in no pool and no list
    PhysContactCallback mContactCallback = nullptr;
    PhysMessageCallback mMessageCallback = nullptr;
    PhysTerrainCallback mTerrainCallback = nullptr;
    char mMessageText[256] = {};
    double mLastStepDuration = 0.0;
    int32_t mBodiesRefreshed = 0;
    int32_t mKeptTriangleLimit = kDefaultKeptTriangleLimit;
    // Working lists of the step, kept between steps so that a warm step allocates nothing.
    std::unique_ptr<StepScratch> mScratch;
};

// A new world, or null when its memory cannot be had.
PhysWorld* CreatePhysWorld(const PhysPoolSizes& sizes, PhysAllocator* allocator, const D3DXVECTOR3* gravity);
