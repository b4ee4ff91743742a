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

class CPGameObject;

// One collision shape as the mesh files give it.
struct CPPhysicShape {
    static constexpr int32_t kBox = 0;
    static constexpr int32_t kCylinder = 1;

    int32_t kind = kBox;
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

class CPPhysicData : public CPRefObject {
public:
    // No shapes and no body yet.
    explicit CPPhysicData(CPGameObject* owner);

    size_t GetSize() const override { return sizeof(CPPhysicData); }
    std::string GetClassName() const override { return "CPPhysicData"; }

    // Moves the kinematic body when there is one, else the rigid body; nothing without a body.
    virtual void SetPosition(const D3DXVECTOR3& position);
    // Turns the kinematic body when there is one, else the rigid body; nothing without a body.
    virtual void SetRotation(const D3DXQUATERNION& rotation);

    // Box inertia with the sizes; mass = massValue / "weight_div" as a float division (a setting of 0
    // gives an infinite mass, as the stored data expects the setting to be given).
    void SetBoxMass(float a, float b, float c, float massValue);
    void AddBoxShape(const D3DXVECTOR3& position, const D3DXQUATERNION& rotation, float a, float b, float c,
                     float massValue);
    void AddCylinderShape(const D3DXVECTOR3& position, const D3DXQUATERNION& rotation, float diameter, float height,
                          float massValue);

    CPGameObject* GetOwner() const { return mOwner; }
    const std::vector<CPPhysicShape>& GetShapes() const { return mShapes; }
    std::vector<CPPhysicShape>& GetShapes() { return mShapes; }
    const CPPhysicBodyParameters& GetBodyParameters() const { return mBody; }
    void SetBodyParameters(const CPPhysicBodyParameters& body) { mBody = body; }

    static constexpr int32_t kMaxCandidates = 1000;
    // Triangles of the level's collision mesh found under the body by the physics side: indices into the
    // mesh's triangle table, of which the first mCandidateCount count. Readers clamp the count to the
    // room there is.
    std::array<int32_t, kMaxCandidates> mCandidates{};
    int32_t mCandidateCount = 0;

private:
    std::vector<CPPhysicShape> mShapes;
    CPGameObject* mOwner;  // not counted
    CPPhysicBodyParameters mBody;
};
