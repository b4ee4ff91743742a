#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/CPGameObject.h"
#include "core/LogStream.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "simulation/physics/PhysWorld.h"
#include "support/MathExpect.h"
#include "support/ScopedGlobal.h"

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

// Every mass operation divides by the setting; a setting of 0 or below divides by 1 and is reported once.
TEST_F(PhysicDataTest, EveryMassOperationDividesByTheSettingAndAnUnusableSettingByOne) {
    struct Case {
        int32_t setting;
        float divisor;
        size_t reports;
    };
    const Case cases[] = {{0, 1.0f, 1}, {-3, 1.0f, 1}, {1, 1.0f, 0}, {10, 10.0f, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setting);
        // A sound setting first, so that an unusable one is new to the report.
        gSettings::weight_div = 1;
        CPPhysicData warmUp(nullptr);
        warmUp.SetBoxMass(1.0f, 1.0f, 1.0f, 1.0f);

        std::vector<std::string> reports;
        LogReportObserver previous = SetLogReportObserver([&](const std::string& text) { reports.push_back(text); });
        gSettings::weight_div = c.setting;
        CPPhysicData data(nullptr);
        data.SetBoxMass(1.0f, 1.0f, 1.0f, 30.0f);
        data.AddBoxShape(D3DXVECTOR3(0, 0, 0), D3DXQUATERNION(0, 0, 0, 1), 1.0f, 1.0f, 1.0f, 20.0f);
        data.AddCylinderShape(D3DXVECTOR3(0, 0, 0), D3DXQUATERNION(0, 0, 0, 1), 1.0f, 1.0f, 40.0f);
        SetLogReportObserver(std::move(previous));

        EXPECT_FLOAT_EQ(data.GetBodyParameters().mass, 30.0f / c.divisor);
        ASSERT_EQ(data.GetShapes().size(), 2u);
        EXPECT_FLOAT_EQ(data.GetShapes()[0].mass, 20.0f / c.divisor);
        EXPECT_FLOAT_EQ(data.GetShapes()[1].mass, 40.0f / c.divisor);
        ASSERT_EQ(reports.size(), c.reports);
        if (c.reports > 0) {
            EXPECT_NE(reports[0].find("weight_div = " + std::to_string(c.setting)), std::string::npos);
        }
        // The setting keeps the value the file had.
        EXPECT_EQ(gSettings::weight_div, c.setting);
    }
}

// ------------------------------------------------------------------ bodies

// Physics data of an owner object in a world without gravity, with bodies taken from the world's pools.
class PhysicDataBodyTest : public ::testing::Test {
protected:
    PhysicDataBodyTest() { gSettings::weight_div = 1; }
    ~PhysicDataBodyTest() override { gSettings::RestoreInitialValues(); }

    PhysWorld world{PhysPoolSizes{}, nullptr, nullptr};
    CPGameObject owner{"crate"};
    CPPhysicData data{&owner};
};

TEST_F(PhysicDataBodyTest, PlacingGoesToTheKinematicBodyFirstThenTheRigidBody) {
    const D3DXVECTOR3 place(3.0f, -2.0f, 7.0f);
    const D3DXQUATERNION turn(0.0f, 0.0f, 0.6f, 0.8f);

    // Without a body nothing is moved and nothing is touched.
    data.SetPosition(place);
    data.SetRotation(turn);

    data.mRigidBody = world.CreateRigidBody();
    data.SetPosition(place);
    data.SetRotation(turn);
    ExpectVec4Near(data.mRigidBody->GetPosition(), D3DXVECTOR4(3.0f, -2.0f, 7.0f, 1.0f));
    ExpectQuatNear(data.mRigidBody->state.rotation, turn);

    data.mKinematicBody = world.CreateKinematicBody();
    data.SetPosition(D3DXVECTOR3(-1.0f, 0.0f, 0.0f));
    data.SetRotation(D3DXQUATERNION(1.0f, 0.0f, 0.0f, 0.0f));
    ExpectVec4Near(data.mKinematicBody->GetPosition(), D3DXVECTOR4(-1.0f, 0.0f, 0.0f, 1.0f));
    ExpectVec4Near(data.mKinematicBody->rotationRows.row[1], D3DXVECTOR4(0.0f, -1.0f, 0.0f, 0.0f));
    // The rigid body stays where it was.
    ExpectVec4Near(data.mRigidBody->GetPosition(), D3DXVECTOR4(3.0f, -2.0f, 7.0f, 1.0f));
    ExpectQuatNear(data.mRigidBody->state.rotation, turn);
}

TEST_F(PhysicDataBodyTest, TheGameObjectsSettersMoveTheBody) {
    data.AddRef();
    owner.SetPhysicData(&data);
    data.mRigidBody = world.CreateRigidBody();
    owner.SetPosition(D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    owner.SetRotation(D3DXQUATERNION(0.0f, 1.0f, 0.0f, 0.0f));
    ExpectVec4Near(data.mRigidBody->GetPosition(), D3DXVECTOR4(1.0f, 2.0f, 3.0f, 1.0f));
    ExpectQuatNear(data.mRigidBody->state.rotation, D3DXQUATERNION(0.0f, 1.0f, 0.0f, 0.0f));
    owner.SetPhysicData(nullptr);
}

TEST_F(PhysicDataBodyTest, SetupGivesTheBodyTheBoxInertiaMassAndTheOwnersNormalisedPose) {
    data.SetBoxMass(2.0f, 4.0f, 1.0f, 3.0f);
    owner.SetPosition(D3DXVECTOR3(5.0f, 6.0f, -7.0f));
    owner.SetRotation(D3DXQUATERNION(0.0f, 0.0f, 0.0f, 2.0f));
    data.mRigidBody = world.CreateRigidBody();
    data.SetupBody();

    PhysRigidBody& body = *data.mRigidBody;
    // r = 4, each moment (2/3) * 3 * 16.
    ExpectVec4Near(body.inertia.row[0], D3DXVECTOR4(32.0f, 0.0f, 0.0f, 0.0f));
    ExpectVec4Near(body.inertia.row[1], D3DXVECTOR4(0.0f, 32.0f, 0.0f, 0.0f));
    ExpectVec4Near(body.inertia.row[2], D3DXVECTOR4(0.0f, 0.0f, 32.0f, 0.0f));
    EXPECT_NEAR(body.inverseInertia.row[2].z, 1.0f / 32.0f, 1e-6f);
    EXPECT_FLOAT_EQ(body.mass, 3.0f);
    EXPECT_FLOAT_EQ(body.inverseMass, 1.0f / 3.0f);
    ExpectVec4Near(body.GetPosition(), D3DXVECTOR4(5.0f, 6.0f, -7.0f, 1.0f));
    ExpectQuatNear(body.state.rotation, D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_EQ(data.mController, nullptr);  // nobody asked for one
}

TEST_F(PhysicDataBodyTest, SetupOfACylinderTakesTheDiameterAndTheFirstSizeAsHeight) {
    CPPhysicBodyParameters cylinder;
    cylinder.inertiaKind = CPPhysicBodyParameters::kCylinderInertia;
    cylinder.boxSize[0] = 3.0f;
    cylinder.diameter = 2.0f;
    cylinder.mass = 12.0f;
    data.SetBodyParameters(cylinder);
    data.mRigidBody = world.CreateRigidBody();
    data.SetupBody();

    float expected[3];
    ComputeCylinderInertia(2.0f, 3.0f, 12.0f, expected);
    EXPECT_FLOAT_EQ(data.mRigidBody->inertia.row[0].x, expected[0]);
    EXPECT_FLOAT_EQ(data.mRigidBody->inertia.row[1].y, expected[1]);
    EXPECT_FLOAT_EQ(data.mRigidBody->inertia.row[2].z, expected[2]);
    EXPECT_NE(expected[0], expected[1]);  // the height really counts apart from the diameter
}

TEST_F(PhysicDataBodyTest, SetupWithMassZeroSetsNoInertiaAndAnInfiniteInverseMass) {
    data.SetBoxMass(2.0f, 4.0f, 1.0f, 0.0f);
    data.mRigidBody = world.CreateRigidBody();
    data.mRigidBody->SetInertia(1.0f, 2.0f, 3.0f);
    data.SetupBody();
    EXPECT_FLOAT_EQ(data.mRigidBody->inertia.row[1].y, 2.0f);
    EXPECT_TRUE(std::isinf(data.mRigidBody->inverseMass));
}

TEST_F(PhysicDataBodyTest, SetupWithoutARigidBodyLeavesTheKinematicBodyAlone) {
    data.SetBoxMass(1.0f, 1.0f, 1.0f, -1.0f);
    owner.SetPosition(D3DXVECTOR3(9.0f, 9.0f, 9.0f));
    data.mKinematicBody = world.CreateKinematicBody();
    data.mControllerWanted = true;
    data.SetupBody();
    ExpectVec4Near(data.mKinematicBody->GetPosition(), D3DXVECTOR4(0.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_EQ(data.mController, nullptr);
}

// A zero quaternion would give the body NaN for a rotation, and data made without an owner would be
// read through a null pointer: the body keeps a sound pose instead.
TEST_F(PhysicDataBodyTest, SetupWithAZeroTurnOrWithoutAnOwnerKeepsASoundPose) {
    owner.SetRotation(D3DXQUATERNION(0.0f, 0.0f, 0.0f, 0.0f));
    data.mRigidBody = world.CreateRigidBody();
    data.SetupBody();
    ExpectQuatNear(data.mRigidBody->state.rotation, D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f));

    CPPhysicData ownerless(nullptr);
    ownerless.SetBoxMass(1.0f, 1.0f, 1.0f, 2.0f);
    ownerless.mRigidBody = world.CreateRigidBody();
    ownerless.mRigidBody->SetPosition(D3DXVECTOR4(4.0f, 0.0f, 0.0f, 1.0f));
    ownerless.SetupBody();
    ExpectVec4Near(ownerless.mRigidBody->GetPosition(), D3DXVECTOR4(4.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_FLOAT_EQ(ownerless.mRigidBody->mass, 2.0f);
}

TEST_F(PhysicDataBodyTest, AWantedControllerIsRegisteredOnceAndPushesItsVelocitiesEveryStep) {
    data.SetBoxMass(1.0f, 1.0f, 1.0f, 1.0f);
    data.mRigidBody = world.CreateRigidBody();
    data.mControllerWanted = true;
    data.SetupBody();
    ASSERT_NE(data.mController, nullptr);
    EXPECT_EQ(data.mController->handler, &data);
    EXPECT_EQ(data.mController->period, 1);
    PhysController* first = data.mController;
    data.SetupBody();
    EXPECT_EQ(data.mController, first);
    EXPECT_EQ(data.mRigidBody->controllers, first);
    EXPECT_EQ(first->links.next, nullptr);

    // Without the push flag the step leaves the body's motion alone.
    data.mPushVelocity = D3DXVECTOR4(0.0f, 2.0f, 0.0f, 0.0f);
    data.mPushAngularMomentum = D3DXVECTOR4(0.0f, 0.0f, 0.5f, 0.0f);
    world.Step(1.0f / 60.0f);
    ExpectVec4Near(data.mRigidBody->GetVelocity(), D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f));

    data.mPushing = true;
    world.Step(1.0f / 60.0f);
    EXPECT_NEAR(data.mRigidBody->GetVelocity().y, 2.0f, 1e-5f);
    EXPECT_NEAR(data.mRigidBody->GetAngularMomentum().z, 0.5f, 1e-5f);
    EXPECT_TRUE(data.mPushing);  // the flag stays until the game clears it

    // A push after the body changed course takes over again.
    data.mRigidBody->SetVelocity(D3DXVECTOR4(9.0f, 0.0f, 0.0f, 0.0f));
    world.Step(1.0f / 60.0f);
    EXPECT_NEAR(data.mRigidBody->GetVelocity().x, 0.0f, 1e-5f);
}

// The controller lives in the world's pool after the data is gone: the step must not call the freed data.
TEST_F(PhysicDataBodyTest, DataDestroyedWhileItsControllerIsRegisteredIsNoLongerCalled) {
    auto* temporary = new CPPhysicData(&owner);
    temporary->SetBoxMass(1.0f, 1.0f, 1.0f, 1.0f);
    temporary->mRigidBody = world.CreateRigidBody();
    temporary->mControllerWanted = true;
    temporary->SetupBody();
    PhysController* controller = temporary->mController;
    ASSERT_NE(controller, nullptr);
    delete temporary;
    EXPECT_EQ(controller->handler, nullptr);
    world.Step(1.0f / 60.0f);  // the sanitizer build reports a call into freed memory
}

TEST_F(PhysicDataBodyTest, CopiedDescriptionLeavesTheBodiesAndTheSourcesGeometriesBehind) {
    data.SetBoxMass(1.0f, 2.0f, 3.0f, 4.0f);
    data.AddBoxShape(D3DXVECTOR3(1, 0, 0), D3DXQUATERNION(0, 0, 0, 1), 1.0f, 1.0f, 1.0f, 1.0f);
    data.mRigidBody = world.CreateRigidBody();
    data.GetShapes()[0].geometry = data.mRigidBody->AddGeometry();
    data.mActiveWanted = true;
    data.mParticle = true;
    data.mCandidateCount = 3;

    CPGameObject other("copy");
    CPPhysicData copy(&other);
    copy.CopyDescription(data);
    EXPECT_FLOAT_EQ(copy.GetBodyParameters().boxSize[2], 3.0f);
    EXPECT_FLOAT_EQ(copy.GetBodyParameters().mass, 4.0f);
    ASSERT_EQ(copy.GetShapes().size(), 1u);
    EXPECT_EQ(copy.GetShapes()[0].position, D3DXVECTOR3(1, 0, 0));
    EXPECT_EQ(copy.GetShapes()[0].geometry, nullptr);
    EXPECT_NE(data.GetShapes()[0].geometry, nullptr);
    EXPECT_EQ(copy.mRigidBody, nullptr);
    EXPECT_FALSE(copy.mActiveWanted);
    EXPECT_FALSE(copy.mParticle);
    EXPECT_EQ(copy.mCandidateCount, 0);
    EXPECT_EQ(copy.GetOwner(), &other);
}

// ------------------------------------------------------------------ parking

class PhysicDataParkingTest : public PhysicDataBodyTest {
protected:
    CPPhysicWorld game;

private:
    ScopedGlobal<CPPhysicWorld*> mInstallWorld{gPhysicsWorld, &game};
};

TEST_F(PhysicDataParkingTest, ParkingSendsTheRigidBodyBelowTheLevelAsleepAndTakesItFromTheData) {
    PhysRigidBody* body = world.CreateRigidBody();
    data.mRigidBody = body;
    data.mKinematicBody = world.CreateKinematicBody();
    data.ParkBody();

    EXPECT_EQ(data.mRigidBody, nullptr);
    EXPECT_NE(data.mKinematicBody, nullptr);  // only one body goes per parking
    ExpectVec4Near(body->GetPosition(), D3DXVECTOR4(0.0f, 0.0f, -1000.0f, 1.0f));
    EXPECT_EQ(body->IsActive(), 0);
    ASSERT_EQ(game.mParkedBodies.size(), 1u);
    EXPECT_EQ(game.mParkedBodies[0].rigidBody, body);
    EXPECT_EQ(game.mParkedBodies[0].kinematicBody, nullptr);
    EXPECT_EQ(game.mParkedBodies[0].state, 2);

    PhysKinematicBody* kinematic = data.mKinematicBody;
    data.ParkBody();
    EXPECT_EQ(data.mKinematicBody, nullptr);
    ExpectVec4Near(kinematic->GetPosition(), D3DXVECTOR4(0.0f, 0.0f, -1500.0f, 1.0f));
    EXPECT_EQ(kinematic->IsActive(), 0);
    ASSERT_EQ(game.mParkedBodies.size(), 2u);
    EXPECT_EQ(game.mParkedBodies[1].kinematicBody, kinematic);
    EXPECT_FLOAT_EQ(game.mParkingHeight, -2000.0f);
}

TEST_F(PhysicDataParkingTest, EachParkedBodyGoesFiveHundredLowerAndTheHeightWrapsBelowTheLowest) {
    std::vector<float> heights;
    for (int i = 0; i < 5; ++i) {
        data.mRigidBody = world.CreateRigidBody();
        PhysRigidBody* body = data.mRigidBody;
        data.ParkBody();
        heights.push_back(body->GetPosition().z);
    }
    EXPECT_EQ(heights, (std::vector<float>{-1000.0f, -1500.0f, -2000.0f, -2500.0f, -3000.0f}));

    game.mParkingHeight = -99800.0f;
    game.RecycleBody(CPSmartPtr<CPPhysicData>(&data));  // no body: only the height moves
    EXPECT_FLOAT_EQ(game.mParkingHeight, -1000.0f);
    EXPECT_EQ(game.mParkedBodies.size(), 5u);

    // Reaching the lowest height exactly is not below it: one more body goes there before the wrap.
    game.mParkingHeight = -99500.0f;
    game.RecycleBody(CPSmartPtr<CPPhysicData>(&data));
    EXPECT_FLOAT_EQ(game.mParkingHeight, -100000.0f);
    game.RecycleBody(CPSmartPtr<CPPhysicData>(&data));
    EXPECT_FLOAT_EQ(game.mParkingHeight, -1000.0f);
}

TEST_F(PhysicDataParkingTest, DataWithoutABodyOrWithoutAGameWorldParksNothing) {
    data.ParkBody();
    EXPECT_FLOAT_EQ(game.mParkingHeight, -1000.0f);  // the world is not even asked

    gPhysicsWorld = nullptr;
    data.mRigidBody = world.CreateRigidBody();
    data.ParkBody();
    EXPECT_NE(data.mRigidBody, nullptr);
    EXPECT_EQ(data.mRigidBody->IsActive(), 1);
}

}  // namespace
