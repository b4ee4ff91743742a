// A body the world's step moves: mass and inertia, gathered force and torque, the current state
// (rotation, angular momentum, position) and its rates, and the controllers the step calls. A particle
// body is a rigid body taken from the world's particle pool.
#pragma once

#include <cstdint>

#include "platform/D3DX9Math.h"
#include "simulation/physics/PhysBody.h"
#include "simulation/physics/PhysPool.h"

class PhysStepHandler;
struct PhysController;

// Where and how a body is: what the step integrates.
struct PhysBodyState {
    D3DXQUATERNION rotation{0.0f, 0.0f, 0.0f, 1.0f};
    D3DXVECTOR4 angularMomentum;  // world
    PhysRows rotationRows;        // the rotation as a matrix, kept with the quaternion
    D3DXVECTOR4 position{0.0f, 0.0f, 0.0f, 1.0f};
};

// The state as it was at the last wake: the step compares against it to find a body at rest.
struct PhysRestSnapshot {
    D3DXVECTOR4 position;
    D3DXQUATERNION rotation;
    D3DXVECTOR4 velocity;
    D3DXVECTOR4 angularVelocity;
};

// What a body's world inverse inertia was last made from and what it came to: while the rotation, the
// body-space inverse inertia and the result itself are the same bits, making it again would give it again.
struct PhysWorldInertiaMemo {
    PhysRows rotation;
    PhysRows inverseInertia;
    PhysRows result;
    bool valid = false;
};

// The moments of a box of sizes (a, b, c) and a mass: each is (2/3) m r^2, r the largest size.
void ComputeBoxInertia(const float sizes[3], float mass, float moments[3]);
// The moments of a cylinder along y: m h^2 / 12 + m r^2 / 4 about x and z, m r^2 / 2 about y.
void ComputeCylinderInertia(float diameter, float height, float mass, float moments[3]);

class PhysRigidBody : public PhysBody {
public:
    static constexpr float kCorrectionCoefficient = 0.2f;

    float mass = 1.0f;
    float inverseMass = 1.0f;  // infinite for a mass of 0
    PhysRows inverseInertia;   // body space
    PhysRows inertia{{{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}};  // body space
    D3DXVECTOR4 force;   // world, gathered for the next step
    D3DXVECTOR4 torque;  // world, gathered for the next step
    int32_t restCounter = 0;  // steps the body has been still
    int32_t flag = 1;         // nonzero: gravity acts on the body
    int32_t stateIndex = 0;
    PhysBodyState state;
    D3DXVECTOR4 velocity;
    D3DXVECTOR4 angularVelocity;
    D3DXQUATERNION rotationRate;  // dq/dt
    PhysRows worldInverseInertia{{{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}};  // kept current by the step
    PhysWorldInertiaMemo worldInertiaMemo;  // the step's, for RefreshWorldInertia
    int32_t restSteps = 0;   // second rest counter: consecutive steps the step let the body sleep
    PhysController* controllers = nullptr;  // head of the body's controllers
    PhysRigidBody* groupNext = nullptr;     // next member of the body's group
    int32_t particle = 0;    // 1 for a body of the particle pool
    // Share of a contact's penetration the step pushes out per step.
    float correction = kCorrectionCoefficient;
    PhysRestSnapshot rest;
    PhysPoolLinks<PhysRigidBody> links;

    PhysRigidBody() { Reset(); }
    // The body as a pool hands it out: unit mass, identity inverse inertia, zero inertia and forces,
    // identity rotation at the origin, at rest, active, no controllers.
    void Reset();

    // A controller from the world's pool with the handler and period, appended to the body's
    // controllers; null, with the world's report, when the pool is empty.
    PhysController* AddController(PhysStepHandler* handler, int32_t period);
    void SetFlag(int32_t value) { flag = value; }
    void SetMass(float value);
    // A diagonal inertia tensor; its inverse follows unless the tensor is singular (|det| < 1e-17),
    // which keeps the previous inverse.
    void SetInertia(float ixx, float iyy, float izz);

    const D3DXVECTOR4& GetPosition() const { return state.position; }
    void SetPosition(const D3DXVECTOR4& position);
    // Stored unchanged (not normalised); the rotation rows follow.
    void SetRotation(const D3DXQUATERNION& rotation);
    // The rotation rows (fourth components 0) followed by the position row (fourth component 1).
    D3DXMATRIX GetTransform();
    const D3DXVECTOR4& GetVelocity() const { return velocity; }
    void SetVelocity(const D3DXVECTOR4& value);
    const D3DXVECTOR4& GetAngularMomentum() const { return state.angularMomentum; }
    void SetAngularMomentum(const D3DXVECTOR4& value);
    // force = f; torque = (point - position) x f; wakes the body unless f is below 1e-6 everywhere.
    void SetForce(const D3DXVECTOR4& f, const D3DXVECTOR3& point);
    void SetTorque(const D3DXVECTOR4& t);
    // velocity += J / m; angular momentum += (point - position) x J.
    void ApplyImpulse(const D3DXVECTOR3& impulse, const D3DXVECTOR3& point);
    // How much a unit impulse along `push` at `arm` (from the position) changes the velocity of the
    // body's material at `arm` along `along`: the inverse mass plus the turn the world inverse inertia
    // allows. One over it, with push = along, is the body's effective mass at that point.
    // Inline, as VelocityAtPoint: the car step asks for them for every wheel at every step.
    float VelocityChangePerImpulse(const D3DXVECTOR3& arm, const D3DXVECTOR3& push, const D3DXVECTOR3& along) const {
        const D3DXVECTOR3 spin = PhysMath::MultiplyRow(PhysMath::Cross(arm, push), worldInverseInertia);
        return PhysMath::Dot(push * inverseMass + PhysMath::Cross(spin, arm), along);
    }
    // The velocity of the body's material at `offset` from its position: v + w x offset.
    D3DXVECTOR3 VelocityAtPoint(const D3DXVECTOR3& offset) const {
        return PhysMath::Xyz(velocity) + PhysMath::Cross(PhysMath::Xyz(angularVelocity), offset);
    }

    // Clears the rest counters and takes the rest snapshot.
    void Wake();
    // Wakes the body, or every rigid member of its group.
    void WakeGroup();
    // Stores L; angular velocity = L x world inverse inertia; rotation rate = 1/2 (w, 0) (x) q.
    void UpdateSpin(const D3DXVECTOR4& angularMomentumValue);
};
