// The game's side of the physics (gPhysicsWorld): here the level's collision mesh, the ground triangles
// that bodies and ground decals are laid on, and the parking of the bodies of removed objects.
#pragma once

#include <cstdint>
#include <vector>

#include "core/CPSmartPtr.h"
#include "platform/D3DX9Math.h"

class CPPhysicData;
class PhysKinematicBody;
class PhysRigidBody;

// One vertex of the collision mesh: x, y, z and a fourth float the mesh does not set.
struct CPCollisionVertex {
    float x = 0.0f, y = 0.0f, z = 0.0f, w = 0.0f;
};
static_assert(sizeof(CPCollisionVertex) == 16);

// One triangle of the collision mesh: three indices into the vertex table, then three that stay 0.
struct CPCollisionTriangle {
    int32_t vertices[3] = {-1, -1, -1};
    int32_t reserved[3] = {0, 0, 0};
};
static_assert(sizeof(CPCollisionTriangle) == 24);

// A body taken out of play: it stays in its pool, far below the level.
struct CPParkedBody {
    PhysRigidBody* rigidBody = nullptr;
    PhysKinematicBody* kinematicBody = nullptr;
    int32_t state = 2;
};

class CPPhysicWorld {
public:
    static constexpr float kFirstParkingHeight = -1000.0f;
    static constexpr float kParkingStep = 500.0f;
    static constexpr float kLowestParkingHeight = -100000.0f;

    CPPhysicWorld() = default;
    virtual ~CPPhysicWorld() = default;
    CPPhysicWorld(const CPPhysicWorld&) = delete;
    CPPhysicWorld& operator=(const CPPhysicWorld&) = delete;

    // Parks the data's rigid body (else its kinematic body) at the parking height, sends it to sleep,
    // lists it and takes it from the data; then lowers the parking height, with or without a body.
    void RecycleBody(CPSmartPtr<CPPhysicData> data);

    // The z of the collision-mesh vertex nearest to the point among the triangles of the point's grid
    // cell; 0 when no vertex lies within 1000 units. The mesh is not sorted into cells yet, so every cell
    // is empty and the answer is 0. Virtual so that the path code can be tested on a ground of its own.
    virtual float GetGroundHeight(const D3DXVECTOR3& /*point*/) const { return 0.0f; }

    // The level's collision mesh, rebuilt with every level load.
    std::vector<CPCollisionVertex> mVertices;
    std::vector<CPCollisionTriangle> mTriangles;

    float mParkingHeight = kFirstParkingHeight;  // world z of the next parked body
    std::vector<CPParkedBody> mParkedBodies;
};
