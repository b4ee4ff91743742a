// The game's side of the physics (gPhysicsWorld): here the level's collision mesh, the ground triangles
// that bodies and ground decals are laid on.
#pragma once

#include <cstdint>
#include <vector>

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

class CPPhysicWorld {
public:
    CPPhysicWorld() = default;
    virtual ~CPPhysicWorld() = default;
    CPPhysicWorld(const CPPhysicWorld&) = delete;
    CPPhysicWorld& operator=(const CPPhysicWorld&) = delete;

    // The level's collision mesh, rebuilt with every level load.
    std::vector<CPCollisionVertex> mVertices;
    std::vector<CPCollisionTriangle> mTriangles;
};
