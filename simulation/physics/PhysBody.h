// The part that rigid and kinematic bodies of the rigid-body world share: user data, collision shapes
// and their bounds, sensors, the place in the world's lists and in the broad phase. Operations here
// work on both kinds of body.
#pragma once

#include <cstdint>

#include "platform/D3DX9Math.h"
#include "simulation/physics/PhysGeometry.h"
#include "simulation/physics/PhysMath.h"

class PhysWorld;
struct PhysBroadPhaseBody;
struct PhysEndPoint;
struct PhysGroup;
struct PhysSensor;

class PhysBody {
public:
    static constexpr int32_t kKinematic = 0;
    static constexpr int32_t kRigid = 1;  // also particle bodies
    static constexpr int kAxes = 3;

    PhysBody* self = this;
    void* userData = nullptr;   // the game's owning object; not owned
    // The body's bounding box in body space: half extents, and a transform whose translation is the
    // box centre and whose rotation is the box's (identity unless the body has a single box shape).
    PhysGeometry bounds;
    PhysGeometry* geometries = nullptr;  // head of the body's shapes, chained through their links
    int32_t geometryCount = 0;
    float boundingRadius = 0.0f;  // around the body origin
    int32_t id = -1;              // index in the world's body numbering; -1 for the world body
    PhysGroup* group = nullptr;   // bodies woken together; only the step forms groups
    int32_t kind = kKinematic;
    int32_t active = 1;
    PhysSensor* sensors = nullptr;  // head of the body's sensors
    PhysBroadPhaseBody* broadPhaseRecord = nullptr;  // null while the body is not in the broad phase
    PhysWorld* world = nullptr;
    // The bounds record's rotation rows scaled by its half extents, and its centre (body space).
    D3DXVECTOR4 orientedAxes[3];
    D3DXVECTOR4 orientedCentre;
    D3DXVECTOR3 worldMin, worldMax;  // the body's box in the world, as the broad phase sorts it
    PhysEndPoint* maxEnd[kAxes] = {nullptr, nullptr, nullptr};
    PhysEndPoint* minEnd[kAxes] = {nullptr, nullptr, nullptr};
    int32_t broadPhaseState = 0;  // 0 never added, 1 added, 2 removed
    int32_t collisionId = 0;      // row of the world's collision table (0 to 63)
    // 1 while a rigid body sleeps with its world inertia, spin and box brought up to date by the step:
    // the step leaves them until the body wakes or its inertia, shapes, sensors or bounds change.
    int32_t refreshedAsleep = 0;

    void SetUserData(void* data) { userData = data; }
    void* GetUserData() const { return userData; }
    int32_t GetId() const { return id; }
    int32_t GetKind() const { return kind; }
    void SetCollisionId(int32_t value) { collisionId = value; }
    int32_t GetCollisionId() const { return collisionId; }

    // A reset geometry from the world's pool appended to the body's shapes; an active body that is not
    // yet in the broad phase joins it. Null, with the world's report, when the pool is empty.
    PhysGeometry* AddGeometry();
    // A sensor from the world's pool appended to the body's sensors (not reset); null, with the world's
    // report, when the pool is empty.
    PhysSensor* AddSensor();
    // Recomputes the bounds record from the shapes and sensors, then the oriented bounds.
    void UpdateBounds();
    int32_t IsActive() const { return active; }
    // Moves the body between the world's active and inactive lists of its kind; an inactive body
    // leaves the broad phase, an active one with shapes joins it with the argument.
    void SetActive(bool makeActive, int32_t argument);
    // The velocity of the body's material at the offset from its position; (0, 0, 0) for a
    // kinematic body.
    D3DXVECTOR3 GetVelocityAtPoint(const D3DXVECTOR3& offset) const;

    // The world box of the oriented bounds turned by `rotation` and moved to `position`; the broad
    // phase's end points of the body take its values.
    void PlaceWorldBox(const PhysRows& rotation, const D3DXVECTOR3& position);

protected:
    // The shared part as a body taken from its pool starts: no user data, no group, active, no sensors,
    // out of the broad phase.
    void ResetCommon(int32_t bodyKind);
    // The geometry count cleared, the bounds record reset, the world stored; the world does this when it
    // hands a body out.
    void AttachToWorld(PhysWorld* owner, int32_t bodyId);
    friend class PhysWorld;

private:
    void ComputeGeometryBounds();
};
