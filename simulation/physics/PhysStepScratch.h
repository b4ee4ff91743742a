// The step's working lists: rebuilt every step, kept by the world so that their storage is reused.
#pragma once

#include <cstdint>
#include <vector>

#include "simulation/physics/PhysNarrowPhase.h"
#include "simulation/physics/PhysWorld.h"

// One contact as the solver works it: A always moves, B is a second moving body or null for a static
// one (a kinematic body, the level).
struct PhysSolverContact {
    PhysRigidBody* bodyA = nullptr;
    PhysBody* bodyB = nullptr;
    PhysRigidBody* movingB = nullptr;
    D3DXVECTOR3 point;
    D3DXVECTOR3 normal;  // from B towards A
    float depth = 0.0f;
    float friction = 0.0f;
    float restitution = 0.0f;
    // Solver state.
    D3DXVECTOR3 armA, armB;  // from each body's position to the point
    D3DXVECTOR3 tangent[2];
    float normalMass = 0.0f;
    float tangentMass[2] = {0.0f, 0.0f};
    float targetSpeed = 0.0f;  // separating speed the normal impulse aims for
    float normalImpulse = 0.0f;
    float tangentImpulse[2] = {0.0f, 0.0f};
};

// The candidate triangles of the level under one body.
struct PhysTerrainSpan {
    int32_t first = 0;  // into StepScratch::candidates
    int32_t count = 0;
    const CPCollisionTriangle* triangles = nullptr;
    const CPCollisionVertex* vertices = nullptr;
    int32_t triangleCount = 0;
};

struct PhysWorld::StepScratch {
    std::vector<PhysRigidBody*> bodies;       // the active rigid and particle bodies as the step began
    std::vector<PhysTerrainSpan> terrain;     // per entry of `bodies`
    std::vector<int32_t> candidates;          // every body's candidates, deduplicated
    std::vector<int32_t> neighbourStart;      // per body id: first entry in `neighbours`, then the end
    std::vector<PhysBody*> neighbours;        // the broad phase's pairs, listed for each member
    std::vector<int32_t> slotOfId;            // entry of `bodies` for a body id, -1 for none
    std::vector<PhysSolverContact> contacts;
    std::vector<D3DXVECTOR3> samples;
    std::vector<D3DXVECTOR3> pairSamples;
    std::vector<PhysTouch> touches;
    std::vector<int32_t> groupParent;         // union-find over `bodies`
};
