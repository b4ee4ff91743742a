#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "Render/PLight.h"
#include "core/CPGameObject.h"
#include "support/MathExpect.h"

namespace {

D3DXQUATERNION TurnAboutZ(float angle) {
    D3DXQUATERNION q;
    D3DXVECTOR3 z(0, 0, 1);
    return *D3DXQuaternionRotationAxis(&q, &z, angle);
}

}  // namespace

TEST(LightTest, ANewLightIsAZeroedRecordWithoutOwner) {
    CPLight light;
    const D3DLIGHT9 zero{};
    EXPECT_EQ(std::memcmp(&light.GetRecord(), &zero, sizeof zero), 0);
    EXPECT_EQ(light.GetOwner(), nullptr);
    EXPECT_EQ(light.GetClassName(), "CPLight");
}

TEST(LightTest, ALightFollowsItsOwnerUnderARotatedParent) {
    CPGameObject car("car");
    auto lamp = std::make_unique<CPGameObject>("lamp");
    car.AddChild(lamp.get());
    car.SetPosition({10, 0, 0});
    car.SetRotation(TurnAboutZ(D3DX_PI / 2));  // the car's +x points along world +y
    lamp->SetPosition({2, 0, 1});
    car.UpdateTransform();

    CPLight light;
    light.GetRecord().Type = D3DLIGHT_POINT;
    light.GetRecord().Direction = {0, 0, -1};
    light.SetOwner(lamp.get());
    ExpectVec3Near(light.GetLight()->Position, {10, 2, 1});

    car.SetPosition({0, 5, 0});  // the next frame's table sees the move
    car.UpdateTransform();
    ExpectVec3Near(light.GetLight()->Position, {0, 7, 1});
    ExpectVec3Near(light.GetLight()->Direction, {0, 0, -1});  // as loaded
    EXPECT_EQ(light.GetLight()->Type, D3DLIGHT_POINT);
    car.RemoveChild(lamp.get());
}

TEST(LightTest, ALightWithoutALiveOwnerKeepsItsPosition) {
    CPLight light;
    light.GetRecord().Position = {1, 2, 3};
    ExpectVec3Near(light.GetLight()->Position, {1, 2, 3});

    auto owner = std::make_unique<CPGameObject>("pole");
    owner->SetPosition({4, 5, 6});
    owner->UpdateTransform();
    light.SetOwner(owner.get());
    ExpectVec3Near(light.GetLight()->Position, {4, 5, 6});
    owner.reset();  // the owner dies before its light
    ExpectVec3Near(light.GetLight()->Position, {4, 5, 6});
}
