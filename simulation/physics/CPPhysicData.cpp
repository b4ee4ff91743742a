#include "simulation/physics/CPPhysicData.h"

#include <cmath>
#include <cstdint>
#include <optional>

#include "core/CPGameObject.h"
#include "core/CPSmartPtr.h"
#include "core/LogStream.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "platform/FiniteChecks.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "simulation/physics/PhysController.h"
#include "simulation/physics/PhysKinematicBody.h"
#include "simulation/physics/PhysRigidBody.h"

namespace {
// The unusable setting last reported; empty while the setting in use is sound. Each unusable value is
// reported once, not for every shape of every object.
std::optional<int32_t> gReportedWeightSetting;

// "weight_div" divides every mass; a setting of 0 or below (the launcher writes 0 into a fresh
// config.cfg) would give infinite or negative masses that no body could move with, so it divides by 1.
float DivideByWeightSetting(float massValue) {
    const int32_t setting = gSettings::weight_div;
    if (setting >= 1) {
        gReportedWeightSetting.reset();
        return massValue / static_cast<float>(setting);
    }
    if (gReportedWeightSetting != setting) {
        gReportedWeightSetting = setting;
        LogReport(GetLogStream(), 0, "weight_div = %d cannot divide the physics masses; dividing by 1\n",
                  static_cast<int>(setting));
    }
    return massValue;
}

D3DXVECTOR4 AsPoint(const D3DXVECTOR3& position) { return D3DXVECTOR4(position.x, position.y, position.z, 1.0f); }

// The rotation scaled to unit length; a zero or unreadable quaternion stands for no turn at all rather
// than filling the body with NaN.
D3DXQUATERNION Normalised(const D3DXQUATERNION& q) {
    const float length = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    if (!IsPositiveFinite(length)) return D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
    const float scale = 1.0f / length;
    return D3DXQUATERNION(q.x * scale, q.y * scale, q.z * scale, q.w * scale);
}
}  // namespace

CPPhysicData::CPPhysicData(CPGameObject* owner) : mOwner(owner) {}

CPPhysicData::~CPPhysicData() {
    // The controller stays in the world's pool and the step would call its handler: this data.
    if (mController && mController->handler == this) mController->handler = nullptr;
}

void CPPhysicData::SetPosition(const D3DXVECTOR3& position) {
    if (mKinematicBody) {
        mKinematicBody->SetPosition(AsPoint(position));
    } else if (mRigidBody) {
        mRigidBody->SetPosition(AsPoint(position));
    }
}

void CPPhysicData::SetRotation(const D3DXQUATERNION& rotation) {
    if (mKinematicBody) {
        mKinematicBody->SetRotation(rotation);
    } else if (mRigidBody) {
        mRigidBody->SetRotation(rotation);
    }
}

void CPPhysicData::SetBoxMass(float a, float b, float c, float massValue) {
    mBody.inertiaKind = CPPhysicBodyParameters::kBoxInertia;
    mBody.reserved = 0;
    mBody.boxSize[0] = a;
    mBody.boxSize[1] = b;
    mBody.boxSize[2] = c;
    mBody.mass = DivideByWeightSetting(massValue);
}

void CPPhysicData::AddBoxShape(const D3DXVECTOR3& position, const D3DXQUATERNION& rotation, float a, float b, float c,
                               float massValue) {
    CPPhysicShape shape;
    shape.kind = CPPhysicShape::kBox;
    shape.position = position;
    shape.rotation = rotation;
    shape.size[0] = a;
    shape.size[1] = b;
    shape.size[2] = c;
    shape.mass = DivideByWeightSetting(massValue);
    mShapes.push_back(shape);
}

void CPPhysicData::AddCylinderShape(const D3DXVECTOR3& position, const D3DXQUATERNION& rotation, float diameter,
                                    float height, float massValue) {
    CPPhysicShape shape;
    shape.kind = CPPhysicShape::kCylinder;
    shape.position = position;
    shape.rotation = rotation;
    shape.size[0] = 5.0f;
    shape.size[1] = height;
    shape.size[2] = 5.0f;
    shape.diameter = diameter;
    shape.mass = DivideByWeightSetting(massValue);
    mShapes.push_back(shape);
}

void CPPhysicData::SetupBody() {
    if (!mRigidBody) return;
    const float mass = mBody.mass;
    if (mass > 0.0f) {
        // Another inertia kind computes nothing: its zero moments are singular, so the body keeps the
        // inverse inertia it had.
        float moments[3] = {0.0f, 0.0f, 0.0f};
        if (mBody.inertiaKind == CPPhysicBodyParameters::kBoxInertia) {
            ComputeBoxInertia(mBody.boxSize, mass, moments);
        } else if (mBody.inertiaKind == CPPhysicBodyParameters::kCylinderInertia) {
            ComputeCylinderInertia(mBody.diameter, mBody.boxSize[0], mass, moments);
        }
        mRigidBody->SetInertia(moments[0], moments[1], moments[2]);
    }
    mRigidBody->SetMass(mass);
    // Data without an owner has no place to give: the body keeps its own.
    if (mOwner) {
        mRigidBody->SetPosition(AsPoint(mOwner->GetPosition()));
        mRigidBody->SetRotation(Normalised(mOwner->GetRotation()));
    }
    if (mControllerWanted && !mController) mController = mRigidBody->AddController(this, 1);
    mRigidBody->UpdateBounds();
}

void CPPhysicData::PushVelocities(PhysController* /*controller*/, float /*seconds*/) {
    if (!mPushing || !mRigidBody) return;
    mRigidBody->SetAngularMomentum(mPushAngularMomentum);
    mRigidBody->SetVelocity(mPushVelocity);
}

void CPPhysicData::ParkBody() {
    if (!mRigidBody && !mKinematicBody) return;
    if (!gPhysicsWorld) return;
    gPhysicsWorld->RecycleBody(CPSmartPtr<CPPhysicData>(this));
}

void CPPhysicData::CopyDescription(const CPPhysicData& source) {
    mBody = source.mBody;
    mShapes = source.mShapes;
    // The geometries belong to the source's bodies; this data gets its own when its bodies are made.
    for (CPPhysicShape& shape : mShapes) shape.geometry = nullptr;
}
