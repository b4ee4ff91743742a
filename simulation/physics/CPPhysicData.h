// The physical data of one game object: its collision shapes, the mass and inertia model of its body,
// and the body the physics world gives it. The mesh readers fill shapes and mass; the scene object moves
// the body with it through SetPosition and SetRotation.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/CPRefObject.h"
#include "platform/D3DX9Math.h"
#include "simulation/physics/PhysStepHandler.h"

class CPGameObject;
struct PhysGeometry;
class PhysKinematicBody;
class PhysRigidBody;
struct PhysController;

// One collision shape as the mesh files give it.
struct CPPhysicShape {
    static constexpr int32_t kBox = 0;
    static constexpr int32_t kCylinder = 1;

    int32_t kind = kBox;
    PhysGeometry* geometry = nullptr;  // the body's shape made from this record; null until the bodies exist
    D3DXVECTOR3 position;     // centre, relative to the owner
    D3DXQUATERNION rotation;  // relative to the owner
    // Box: the sizes a, b, c. Cylinder: 5.0, the height, 5.0.
    float size[3] = {0.0f, 0.0f, 0.0f};
    float diameter = 0.0f;  // cylinder only
    float mass = 0.0f;      // already divided by "weight_div"
};

// The mass and inertia model of the body; copied with the shapes when a game object is copied.
struct CPPhysicBodyParameters {
    static constexpr int32_t kBoxInertia = 0;
    static constexpr int32_t kCylinderInertia = 1;

    int32_t inertiaKind = kBoxInertia;
    int32_t reserved = 0;  // cleared by SetBoxMass
    // Box sizes; the first is also the cylinder's height.
    float boxSize[3] = {0.0f, 0.0f, 0.0f};
    float diameter = 0.0f;
    float mass = 0.0f;  // negative: the game moves the body itself (kinematic)
};

class CPPhysicData : public CPRefObject, public PhysStepHandler {
public:
    // No shapes and no body yet.
    explicit CPPhysicData(CPGameObject* owner);
    // The bodies stay in the world; a controller still pointing here is told to call nobody.
    ~CPPhysicData() override;

    size_t GetSize() const override { return sizeof(CPPhysicData); }
    std::string GetClassName() const override { return "CPPhysicData"; }

    // Moves the kinematic body when there is one, else the rigid body; nothing without a body.
    virtual void SetPosition(const D3DXVECTOR3& position);
    // Turns the kinematic body when there is one, else the rigid body; nothing without a body.
    virtual void SetRotation(const D3DXQUATERNION& rotation);

    // Box inertia with the sizes; mass = massValue / "weight_div" as a float division. A setting of 0 or
    // below divides by 1 (this and the two shape adders), and the log stream hears of it once.
    void SetBoxMass(float a, float b, float c, float massValue);
    void AddBoxShape(const D3DXVECTOR3& position, const D3DXQUATERNION& rotation, float a, float b, float c,
                     float massValue);
    void AddCylinderShape(const D3DXVECTOR3& position, const D3DXQUATERNION& rotation, float diameter, float height,
                          float massValue);

    // Gives the rigid body the data's inertia and mass and the owner's place and turn, registers this data
    // as the body's controller when one is wanted, and refreshes the body's bounds. Nothing without a
    // rigid body.
    void SetupBody();
    // The step handler: while the push flag is set, the rigid body takes the angular momentum and the
    // velocity to push at every step.
    void PushVelocities(PhysController* controller, float seconds);
    void OnStep(PhysController* controller, float seconds) override { PushVelocities(controller, seconds); }
    // Hands the body to the game world, which parks it far below the level; nothing without a body or
    // without a game world.
    void ParkBody();

    // The description of `source` (body parameters and shapes) without its bodies, flags or candidates:
    // what a copied game object takes.
    void CopyDescription(const CPPhysicData& source);

    CPGameObject* GetOwner() const { return mOwner; }
    const std::vector<CPPhysicShape>& GetShapes() const { return mShapes; }
    std::vector<CPPhysicShape>& GetShapes() { return mShapes; }
    const CPPhysicBodyParameters& GetBodyParameters() const { return mBody; }
    void SetBodyParameters(const CPPhysicBodyParameters& body) { mBody = body; }

    PhysController* mController = nullptr;  // the one SetupBody registered; owned by the world's pool
    PhysKinematicBody* mKinematicBody = nullptr;  // owned by the world's pool
    bool mControllerWanted = false;  // SetupBody registers this data as the rigid body's controller
    D3DXVECTOR4 mPushAngularMomentum;  // world; w unused
    D3DXVECTOR4 mPushVelocity;         // world; w unused
    bool mPushing = false;      // PushVelocities writes the two values above into the body while set
    bool mActiveWanted = false;  // the body's wished activity, kept by the game world and the kill worker

    static constexpr int32_t kMaxCandidates = 1000;
    // Triangles of the level's collision mesh found under the body by the physics side: indices into the
    // mesh's triangle table, of which the first mCandidateCount count. Readers clamp the count to the
    // room there is.
    std::array<int32_t, kMaxCandidates> mCandidates{};
    int32_t mCandidateCount = 0;

    PhysRigidBody* mRigidBody = nullptr;  // a rigid or a particle body; owned by the world's pool
    bool mParticle = false;  // the game world takes the rigid body from the particle pool

private:
    std::vector<CPPhysicShape> mShapes;
    CPGameObject* mOwner;  // not counted
    CPPhysicBodyParameters mBody;
};

// Drops the object from the object set of every live physics world. A scene object calls it as it dies:
// the sets hold plain pointers, and an address a dead object leaves is soon another object's.
void ForgetPhysicsObject(CPGameObject* object);
