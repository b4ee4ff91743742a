// The step's working lists: rebuilt every step, kept by the world so that their storage is reused.
#pragma once

#include <cstdint>
#include <vector>

#include "core/BitExact.h"
#include "simulation/physics/PhysBoxList.h"
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

// A candidate triangle of the level near a body, with its corners and its axis-aligned box, gathered
// once per step so that the exact tests only meet the triangles whose box meets theirs. Boxes are kept
// in four lanes (x, y, z, and a fourth of 0 that always meets), so that a box test is one comparison of
// lanes.
struct PhysTerrainTriangle {
    Float4 low, high;
    D3DXVECTOR3 v0, v1, v2;
    D3DXVECTOR3 normal;  // PhysNarrowPhase::TriangleNormal, made with the triangle for the rays that hit it
};

struct PhysTerrainBox {
    Float4 low, high;
};

// A made triangle's corners and normal (its box is kept apart).
struct PhysTerrainCorners {
    D3DXVECTOR3 v0, v1, v2;
    D3DXVECTOR3 normal;
};

// The candidate triangles of the level under one body: those of a list whose box meets the reach, the
// body's box a little grown. The list is the body's room (PhysTerrainMemo::inRoom), or a stretch of
// StepScratch::terrainTriangles for a body with no memo of its own, or once the memos are forgotten
// in the middle of a step.
struct PhysTerrainSpan {
    int32_t memo = -1;  // id of the body whose memo holds the list; -1: StepScratch::terrainTriangles
    int32_t first = 0;
    int32_t count = 0;
    Float4 reachLow{}, reachHigh{};
};

// What the terrain callback last answered for one body, and that answer made usable: each valid
// triangle once, in the order of its first mention. A body that stays in its cells gets the same
// answer, which is then not walked again.
struct PhysTerrainMemo {
    const CPCollisionTriangle* triangles = nullptr;
    const CPCollisionVertex* vertices = nullptr;
    int32_t triangleCount = 0;
    std::vector<int32_t> answer;
    std::vector<int32_t> prepared;  // into StepScratch::preparedBoxes and preparedCorners
    PhysBoxList preparedBoxes;      // their boxes, for choosing the room
    // The triangles of `prepared` near a room around the body's box, kept while the body stays inside.
    D3DXVECTOR3 roomLow, roomHigh;
    bool roomValid = false;
    std::vector<PhysTerrainTriangle> inRoom;
    PhysBoxList roomBoxes;  // their boxes
};

// A shape of a body near a ray-casting body, placed where that body is in the step.
struct PhysRayTarget {
    PhysPlacedShape shape;
    PhysBody* body = nullptr;  // whose shape it is
};

// What the step keeps of one triangle of the level between a body's answers.
struct PhysTriangleSlot {
    uint32_t stamp = 0;     // of the last answer that took it: each triangle is taken once per answer
    int32_t prepared = -1;  // its box and corners in StepScratch::preparedBoxes and preparedCorners;
                            // -1: not yet, -2: no triangle
};

struct PhysWorld::StepScratch {
    std::vector<PhysRigidBody*> bodies;       // the active rigid and particle bodies as the step began
    std::vector<PhysTerrainSpan> terrain;     // per entry of `bodies`
    std::vector<PhysTerrainTriangle> terrainTriangles;  // the lists of spans that no memo holds
    // From the terrain query to the contacts the spans may name the memos' rooms: forgetting the terrain
    // then first copies those lists here.
    bool spansInMemos = false;
    std::vector<PhysTerrainMemo> terrainMemo;  // per body id
    PhysTerrainMemo unkeyedMemo;               // for a body without an id: never reused
    // The level's triangles with their corners and boxes, each made once when a body's answer first
    // names it and kept across answers: a body that moves on meets mostly triangles made before.
    // They belong to one mesh (the arrays and count below); another mesh starts them afresh.
    std::vector<PhysTriangleSlot> triangleSlots;  // per level triangle
    // Boxes apart from corners: a new answer reads only the boxes of the triangles it names.
    std::vector<PhysTerrainBox> preparedBoxes;
    std::vector<PhysTerrainCorners> preparedCorners;
    const CPCollisionTriangle* preparedFrom = nullptr;
    const CPCollisionVertex* preparedVertices = nullptr;
    int32_t preparedCount = 0;
    uint32_t stamp = 0;
    std::vector<int32_t> neighbourStart;      // per entry of `bodies`: first entry in `neighbours`, then the end
    std::vector<PhysBody*> neighbours;        // the broad phase's pairs, listed for each member
    std::vector<PhysRayTarget> rayTargets;    // the shapes one body's rays are cast against
    std::vector<int32_t> slotOfId;            // entry of `bodies` for a body id, -1 for none
    std::vector<PhysSolverContact> contacts;
    std::vector<D3DXVECTOR3> samples;
    std::vector<D3DXVECTOR3> pairSamples;
    std::vector<PhysTouch> touches;
    std::vector<int32_t> groupParent;         // union-find over `bodies`
};
