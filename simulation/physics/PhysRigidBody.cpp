#include "simulation/physics/PhysRigidBody.h"

#include <algorithm>
#include <cmath>

#include "simulation/physics/PhysController.h"
#include "simulation/physics/PhysWorld.h"

using PhysMath::Cross;
using PhysMath::Direction;
using PhysMath::Xyz;

namespace {
// A determinant below this leaves the inverse inertia as it was.
constexpr float kSingularDeterminant = 1e-17f;
// Forces and torques below this on every component do not wake a body.
constexpr float kWakeThreshold = 1e-6f;

bool BelowWakeThreshold(const D3DXVECTOR4& v) {
    return std::fabs(v.x) < kWakeThreshold && std::fabs(v.y) < kWakeThreshold && std::fabs(v.z) < kWakeThreshold &&
           std::fabs(v.w) < kWakeThreshold;
}
}  // namespace

void ComputeBoxInertia(const float sizes[3], float mass, float moments[3]) {
    const float r = std::max(std::max(sizes[0], sizes[1]), sizes[2]);
    const float moment = (r * r + r * r) * mass * 0.33333334f;
    moments[0] = moments[1] = moments[2] = moment;
}

void ComputeCylinderInertia(float diameter, float height, float mass, float moments[3]) {
    const float r = diameter / 2.0f;
    const float across = mass * height * height * 0.083333336f + mass * r * r * 0.25f;
    moments[0] = across;
    moments[1] = mass * r * r / 2.0f;
    moments[2] = across;
}

void PhysRigidBody::Reset() {
    ResetCommon(kRigid);
    mass = 1.0f;
    inverseMass = 1.0f;
    inverseInertia = PhysRows();
    inertia = PhysRows{{{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}};
    force = torque = D3DXVECTOR4();
    restCounter = 0;
    flag = 1;
    stateIndex = 0;
    state = PhysBodyState();
    velocity = angularVelocity = D3DXVECTOR4();
    rotationRate = D3DXQUATERNION();
    worldInverseInertia = PhysRows{{{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}};
    worldInertiaMemo = PhysWorldInertiaMemo();
    restSteps = 0;
    controllers = nullptr;
    groupNext = nullptr;
    particle = 0;
    correction = kCorrectionCoefficient;
    rest = PhysRestSnapshot();
}

PhysController* PhysRigidBody::AddController(PhysStepHandler* handler, int32_t period) {
    if (!world) return nullptr;
    PhysController* controller = world->TakeController();
    if (!controller) return nullptr;
    controller->period = period;
    controller->countdown = period;
    controller->handler = handler;
    controller->body = this;
    controller->force = controller->torque = D3DXVECTOR4();
    AppendToChain(controllers, controller);
    return controller;
}

void PhysRigidBody::SetMass(float value) {
    mass = value;
    inverseMass = 1.0f / value;
}

void PhysRigidBody::SetInertia(float ixx, float iyy, float izz) {
    refreshedAsleep = 0;
    inertia = PhysRows{{{ixx, 0, 0, 0}, {0, iyy, 0, 0}, {0, 0, izz, 0}}};
    const D3DXVECTOR4* m = inertia.row;
    const float cofactor00 = m[1].y * m[2].z - m[1].z * m[2].y;
    const float cofactor01 = m[1].z * m[2].x - m[1].x * m[2].z;
    const float cofactor02 = m[1].x * m[2].y - m[1].y * m[2].x;
    const float determinant = m[0].x * cofactor00 + m[0].y * cofactor01 + m[0].z * cofactor02;
    if (std::fabs(determinant) < kSingularDeterminant) return;
    const float inv = 1.0f / determinant;
    // The adjugate over the determinant; for the diagonal tensor this is (1/Ixx, 1/Iyy, 1/Izz).
    inverseInertia.row[0] = {cofactor00 * inv, (m[0].z * m[2].y - m[0].y * m[2].z) * inv,
                             (m[0].y * m[1].z - m[0].z * m[1].y) * inv, 0.0f};
    inverseInertia.row[1] = {cofactor01 * inv, (m[0].x * m[2].z - m[0].z * m[2].x) * inv,
                             (m[0].z * m[1].x - m[0].x * m[1].z) * inv, 0.0f};
    inverseInertia.row[2] = {cofactor02 * inv, (m[0].y * m[2].x - m[0].x * m[2].y) * inv,
                             (m[0].x * m[1].y - m[0].y * m[1].x) * inv, 0.0f};
}

void PhysRigidBody::SetPosition(const D3DXVECTOR4& position) {
    state.position = position;
    Wake();
}

void PhysRigidBody::SetRotation(const D3DXQUATERNION& rotation) {
    state.rotation = rotation;
    state.rotationRows = PhysMath::RowsFromQuaternion(rotation);
    Wake();
}

D3DXMATRIX PhysRigidBody::GetTransform() {
    for (D3DXVECTOR4& row : state.rotationRows.row) row.w = 0.0f;
    state.position.w = 1.0f;
    const D3DXVECTOR4* r = state.rotationRows.row;
    const D3DXVECTOR4& p = state.position;
    return D3DXMATRIX(r[0].x, r[0].y, r[0].z, r[0].w, r[1].x, r[1].y, r[1].z, r[1].w, r[2].x, r[2].y, r[2].z, r[2].w,
                      p.x, p.y, p.z, p.w);
}

void PhysRigidBody::SetVelocity(const D3DXVECTOR4& value) {
    velocity = value;
    WakeGroup();
}

void PhysRigidBody::SetAngularMomentum(const D3DXVECTOR4& value) {
    UpdateSpin(value);
    WakeGroup();
}

void PhysRigidBody::SetForce(const D3DXVECTOR4& f, const D3DXVECTOR3& point) {
    force = f;
    torque = Direction(Cross(point - Xyz(state.position), Xyz(f)));
    if (!BelowWakeThreshold(f)) Wake();
}

void PhysRigidBody::SetTorque(const D3DXVECTOR4& t) {
    torque = t;
    if (!BelowWakeThreshold(t)) Wake();
}

void PhysRigidBody::ApplyImpulse(const D3DXVECTOR3& impulse, const D3DXVECTOR3& point) {
    velocity.x += impulse.x * inverseMass;
    velocity.y += impulse.y * inverseMass;
    velocity.z += impulse.z * inverseMass;
    const D3DXVECTOR3 arm = point - Xyz(state.position);
    UpdateSpin(state.angularMomentum + Direction(Cross(arm, impulse)));
    Wake();
}

void PhysRigidBody::Wake() {
    restCounter = 0;
    restSteps = 0;
    refreshedAsleep = 0;
    rest.position = state.position;
    rest.rotation = state.rotation;
    rest.velocity = velocity;
    rest.angularVelocity = angularVelocity;
}

void PhysRigidBody::WakeGroup() {
    if (!group) {
        Wake();
        return;
    }
    for (PhysRigidBody* member = group->first; member; member = member->groupNext)
        if (member->kind == kRigid) member->Wake();
}

void PhysRigidBody::UpdateSpin(const D3DXVECTOR4& angularMomentumValue) {
    state.angularMomentum = angularMomentumValue;
    const D3DXVECTOR3 w = PhysMath::MultiplyRow(Xyz(angularMomentumValue), worldInverseInertia);
    angularVelocity = Direction(w);
    const D3DXQUATERNION& q = state.rotation;
    // (w, 0) (x) q, the Hamilton product with w on the left, halved.
    rotationRate = D3DXQUATERNION(0.5f * (q.w * w.x + (w.y * q.z - w.z * q.y)),
                                  0.5f * (q.w * w.y + (w.z * q.x - w.x * q.z)),
                                  0.5f * (q.w * w.z + (w.x * q.y - w.y * q.x)),
                                  0.5f * -(w.x * q.x + w.y * q.y + w.z * q.z));
}
