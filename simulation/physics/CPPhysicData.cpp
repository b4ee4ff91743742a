#include "simulation/physics/CPPhysicData.h"

#include "core/config/Settings.h"

namespace {
float DivideByWeightSetting(float massValue) { return massValue / static_cast<float>(gSettings::weight_div); }
}  // namespace

CPPhysicData::CPPhysicData(CPGameObject* owner) : mOwner(owner) {}

void CPPhysicData::SetPosition(const D3DXVECTOR3& /*position*/) {}

void CPPhysicData::SetRotation(const D3DXQUATERNION& /*rotation*/) {}

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
