#include <gtest/gtest.h>

#include <cmath>

#include "core/config/Settings.h"
#include "simulation/physics/CPPhysicData.h"

namespace {

class PhysicDataTest : public ::testing::Test {
protected:
    PhysicDataTest() { gSettings::weight_div = 4; }
    ~PhysicDataTest() override { gSettings::RestoreInitialValues(); }
};

TEST_F(PhysicDataTest, BoxMassKeepsTheSizesAndDividesTheMassByTheSetting) {
    CPPhysicData data(nullptr);
    CPPhysicBodyParameters body;
    body.reserved = 7;
    body.inertiaKind = CPPhysicBodyParameters::kCylinderInertia;
    data.SetBodyParameters(body);

    data.SetBoxMass(1.0f, 2.0f, 3.0f, 10.0f);

    const CPPhysicBodyParameters& set = data.GetBodyParameters();
    EXPECT_EQ(set.inertiaKind, CPPhysicBodyParameters::kBoxInertia);
    EXPECT_EQ(set.reserved, 0);
    EXPECT_FLOAT_EQ(set.boxSize[0], 1.0f);
    EXPECT_FLOAT_EQ(set.boxSize[1], 2.0f);
    EXPECT_FLOAT_EQ(set.boxSize[2], 3.0f);
    EXPECT_FLOAT_EQ(set.mass, 2.5f);
}

TEST_F(PhysicDataTest, ShapesAreAppendedInOrderWithTheirDividedMass) {
    CPPhysicData data(nullptr);
    const D3DXQUATERNION turn(0.0f, 0.0f, 1.0f, 0.0f);
    data.AddBoxShape(D3DXVECTOR3(1, 2, 3), turn, 2.0f, 4.0f, 6.0f, 8.0f);
    data.AddCylinderShape(D3DXVECTOR3(-1, 0, 0), turn, 0.5f, 3.0f, 2.0f);

    const auto& shapes = data.GetShapes();
    ASSERT_EQ(shapes.size(), 2u);
    EXPECT_EQ(shapes[0].kind, CPPhysicShape::kBox);
    EXPECT_EQ(shapes[0].position, D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(shapes[0].rotation, turn);
    EXPECT_FLOAT_EQ(shapes[0].size[0], 2.0f);
    EXPECT_FLOAT_EQ(shapes[0].size[1], 4.0f);
    EXPECT_FLOAT_EQ(shapes[0].size[2], 6.0f);
    EXPECT_FLOAT_EQ(shapes[0].mass, 2.0f);

    // A cylinder keeps 5.0 in its first and third size fields and its height in the second.
    EXPECT_EQ(shapes[1].kind, CPPhysicShape::kCylinder);
    EXPECT_FLOAT_EQ(shapes[1].size[0], 5.0f);
    EXPECT_FLOAT_EQ(shapes[1].size[1], 3.0f);
    EXPECT_FLOAT_EQ(shapes[1].size[2], 5.0f);
    EXPECT_FLOAT_EQ(shapes[1].diameter, 0.5f);
    EXPECT_FLOAT_EQ(shapes[1].mass, 0.5f);
}

TEST_F(PhysicDataTest, AWeightSettingOfZeroGivesAnInfiniteMassRatherThanAFault) {
    gSettings::weight_div = 0;
    CPPhysicData data(nullptr);
    data.SetBoxMass(1.0f, 1.0f, 1.0f, 3.0f);
    EXPECT_TRUE(std::isinf(data.GetBodyParameters().mass));
}

}  // namespace
