#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "simulation/physics/PhysWorld.h"
#include "support/MathExpect.h"
#include "support/PhysTestRig.h"

namespace {

class PhysBodyTest : public ::testing::Test {
protected:
    PhysWorld world{PhysPoolSizes{}, nullptr, nullptr};
};

D3DXQUATERNION TurnAboutZ(float degrees) {
    const float half = D3DXToRadian(degrees) / 2.0f;
    return D3DXQUATERNION(0.0f, 0.0f, std::sin(half), std::cos(half));
}

TEST_F(PhysBodyTest, ATakenRigidBodyStartsAsTheResetGivesIt) {
    PhysRigidBody* body = world.CreateRigidBody();
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->self, body);
    EXPECT_FLOAT_EQ(body->mass, 1.0f);
    EXPECT_FLOAT_EQ(body->inverseMass, 1.0f);
    ExpectVec4Near(body->inverseInertia.row[1], D3DXVECTOR4(0, 1, 0, 0));
    ExpectVec4Near(body->inertia.row[1], D3DXVECTOR4(0, 0, 0, 0));
    EXPECT_EQ(body->flag, 1);
    EXPECT_EQ(body->active, 1);
    EXPECT_EQ(body->geometryCount, 0);
    EXPECT_FLOAT_EQ(body->correction, 0.2f);
    ExpectQuatNear(body->state.rotation, D3DXQUATERNION(0, 0, 0, 1));
    ExpectVec4Near(body->state.position, D3DXVECTOR4(0, 0, 0, 1));
}

TEST_F(PhysBodyTest, ForcesBelowTheThresholdDoNotWake) {
    PhysRigidBody* body = world.CreateRigidBody();
    body->SetPosition(D3DXVECTOR4(1, 0, 0, 1));
    body->restCounter = 5;
    body->SetForce(D3DXVECTOR4(0, 0, 5e-7f, 0), D3DXVECTOR3(1, 2, 0));
    EXPECT_EQ(body->restCounter, 5);
    ExpectVec4Near(body->force, D3DXVECTOR4(0, 0, 5e-7f, 0), 0.0f);
    // torque = (point - position) x f = (0, 2, 0) x (0, 0, 5e-7)
    EXPECT_FLOAT_EQ(body->torque.x, 1e-6f);

    body->SetForce(D3DXVECTOR4(0, 0, 10, 0), D3DXVECTOR3(1, 2, 0));
    EXPECT_EQ(body->restCounter, 0);
    ExpectVec4Near(body->torque, D3DXVECTOR4(20, 0, 0, 0));

    body->restCounter = 3;
    body->SetTorque(D3DXVECTOR4(0, -9e-7f, 0, 0));
    EXPECT_EQ(body->restCounter, 3);
    body->SetTorque(D3DXVECTOR4(0, -1, 0, 0));
    EXPECT_EQ(body->restCounter, 0);
}

TEST_F(PhysBodyTest, AnImpulseAtThePositionChangesOnlyTheVelocity) {
    PhysRigidBody* body = world.CreateRigidBody();
    body->SetMass(2.0f);
    body->SetPosition(D3DXVECTOR4(3, 4, 5, 1));
    body->worldInverseInertia = PhysRows();
    body->ApplyImpulse(D3DXVECTOR3(2, 0, -4), D3DXVECTOR3(3, 4, 5));
    ExpectVec4Near(body->velocity, D3DXVECTOR4(1, 0, -2, 0));
    ExpectVec4Near(body->state.angularMomentum, D3DXVECTOR4(0, 0, 0, 0));
    ExpectVec4Near(body->angularVelocity, D3DXVECTOR4(0, 0, 0, 0));

    // Off the centre it also spins the body: L += arm x J.
    body->ApplyImpulse(D3DXVECTOR3(0, 0, 1), D3DXVECTOR3(4, 4, 5));
    ExpectVec4Near(body->state.angularMomentum, D3DXVECTOR4(0, -1, 0, 0));
    ExpectVec4Near(body->angularVelocity, D3DXVECTOR4(0, -1, 0, 0));
    // The wake took the snapshot of the new velocity.
    ExpectVec4Near(body->rest.velocity, body->velocity);
}

TEST_F(PhysBodyTest, VelocityAtAPointAddsTheSpinAndIsZeroForKinematicBodies) {
    PhysRigidBody* body = world.CreateRigidBody();
    body->velocity = D3DXVECTOR4(1, 0, 0, 0);
    body->angularVelocity = D3DXVECTOR4(0, 0, 2, 0);
    ExpectVec3Near(body->GetVelocityAtPoint(D3DXVECTOR3(0, 1, 0)), D3DXVECTOR3(-1, 0, 0));

    PhysKinematicBody* kinematic = world.CreateKinematicBody();
    ExpectVec3Near(kinematic->GetVelocityAtPoint(D3DXVECTOR3(5, 5, 5)), D3DXVECTOR3(0, 0, 0), 0.0f);
}

TEST_F(PhysBodyTest, SpinFollowsTheWorldInverseInertiaAndTheQuaternion) {
    PhysRigidBody* body = world.CreateRigidBody();
    body->worldInverseInertia = PhysRows{{{0.5f, 0, 0, 0}, {0, 0.5f, 0, 0}, {0, 0, 0.5f, 0}}};
    body->SetAngularMomentum(D3DXVECTOR4(0, 0, 4, 0));
    ExpectVec4Near(body->angularVelocity, D3DXVECTOR4(0, 0, 2, 0));
    // 1/2 (w, 0) (x) identity
    ExpectQuatNear(body->rotationRate, D3DXQUATERNION(0, 0, 1, 0));

    body->SetRotation(TurnAboutZ(90));
    body->UpdateSpin(D3DXVECTOR4(2, 0, 0, 0));
    const float s = std::sqrt(0.5f);
    // 1/2 ((1, 0, 0), 0) (x) (0, 0, s, s): vector part s w + w x (0, 0, s) = (s, -s, 0), scalar 0.
    ExpectQuatNear(body->rotationRate, D3DXQUATERNION(0.5f * s, -0.5f * s, 0, 0));
}

TEST_F(PhysBodyTest, RotationIsStoredUnnormalisedAndTheTransformReadsIt) {
    PhysRigidBody* body = world.CreateRigidBody();
    body->SetRotation(TurnAboutZ(90));
    body->SetPosition(D3DXVECTOR4(1, 2, 3, 0));
    body->state.rotationRows.row[0].w = 7.0f;
    const D3DXMATRIX transform = body->GetTransform();
    // Row vectors: the body's x axis points along world y.
    ExpectMatrixNear(transform, D3DXMATRIX(0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1));

    body->SetRotation(D3DXQUATERNION(0, 0, 0, 2));
    ExpectQuatNear(body->state.rotation, D3DXQUATERNION(0, 0, 0, 2));
}

TEST_F(PhysBodyTest, MassAndInertia) {
    PhysRigidBody* body = world.CreateRigidBody();
    body->SetMass(0.0f);
    EXPECT_TRUE(std::isinf(body->inverseMass));
    body->SetMass(4.0f);
    EXPECT_FLOAT_EQ(body->inverseMass, 0.25f);

    body->SetInertia(2.0f, 4.0f, 8.0f);
    ExpectVec4Near(body->inertia.row[2], D3DXVECTOR4(0, 0, 8, 0));
    EXPECT_FLOAT_EQ(body->inverseInertia.row[0].x, 0.5f);
    EXPECT_FLOAT_EQ(body->inverseInertia.row[1].y, 0.25f);
    EXPECT_FLOAT_EQ(body->inverseInertia.row[2].z, 0.125f);
    EXPECT_FLOAT_EQ(body->inverseInertia.row[0].y, 0.0f);

    // A singular tensor keeps the inverse it had.
    body->SetInertia(1e-6f, 1e-6f, 1e-6f);
    ExpectVec4Near(body->inertia.row[0], D3DXVECTOR4(1e-6f, 0, 0, 0), 0.0f);
    EXPECT_FLOAT_EQ(body->inverseInertia.row[0].x, 0.5f);
}

TEST(PhysInertiaTest, BoxAndCylinderMoments) {
    float moments[3];
    const float sizes[3] = {2.0f, 4.0f, 1.0f};
    ComputeBoxInertia(sizes, 3.0f, moments);
    EXPECT_FLOAT_EQ(moments[0], 32.0f);
    EXPECT_FLOAT_EQ(moments[1], 32.0f);
    EXPECT_FLOAT_EQ(moments[2], 32.0f);

    ComputeCylinderInertia(2.0f, 4.0f, 3.0f, moments);
    EXPECT_FLOAT_EQ(moments[0], 4.75f);
    EXPECT_FLOAT_EQ(moments[1], 1.5f);
    EXPECT_FLOAT_EQ(moments[2], 4.75f);
}

TEST_F(PhysBodyTest, ShortRaysHaveNoDirection) {
    PhysRigidBody* body = world.CreateRigidBody();
    PhysSensor* sensor = body->AddSensor();
    ASSERT_NE(sensor, nullptr);
    sensor->SetRay(D3DXVECTOR4(1, 0, 0, 1), D3DXVECTOR4(0, 0, -5e-4f, 0));
    EXPECT_EQ(sensor->length, 0.0f);
    ExpectVec4Near(sensor->GetUnitDirection(), D3DXVECTOR4(0, 0, 0, 0), 0.0f);
    ExpectVec4Near(sensor->direction, D3DXVECTOR4(0, 0, -5e-4f, 0), 0.0f);

    sensor->SetRay(D3DXVECTOR4(1, 0, 0, 1), D3DXVECTOR4(0, 3, -4, 0));
    EXPECT_FLOAT_EQ(sensor->length, 5.0f);
    ExpectVec4Near(sensor->GetUnitDirection(), D3DXVECTOR4(0, 0.6f, -0.8f, 0));
}

TEST_F(PhysBodyTest, ShapesSensorsAndControllersChainInOrderUntilTheirPoolsRunOut) {
    PhysReportCatcher reports(world);
    PhysRigidBody* body = world.CreateRigidBody();
    PhysGeometry* first = body->AddGeometry();
    PhysGeometry* second = body->AddGeometry();
    EXPECT_EQ(body->geometries, first);
    EXPECT_EQ(first->links.next, second);
    EXPECT_EQ(body->geometryCount, 2);

    class Handler : public PhysStepHandler {
        void OnStep(PhysController*, float) override {}
    } handler;
    PhysController* controller = body->AddController(&handler, 3);
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(controller->period, 3);
    EXPECT_EQ(controller->countdown, 3);
    EXPECT_EQ(controller->handler, &handler);
    EXPECT_EQ(controller->body, body);
    EXPECT_EQ(body->controllers, controller);

    for (int i = 0; i < 49; ++i) ASSERT_NE(body->AddController(&handler, 0), nullptr);
    EXPECT_EQ(body->AddController(&handler, 0), nullptr);
    EXPECT_EQ(reports.Messages().back(), "Run out of Controllers. Increase 'constraintSetsCount'.\n");
    for (int i = 0; i < 100; ++i) ASSERT_NE(body->AddSensor(), nullptr);
    EXPECT_EQ(body->AddSensor(), nullptr);
    EXPECT_EQ(reports.Messages().back(), "Run out of Sensors. Increase 'sensorsCount'.\n");
    for (int i = 0; i < 48; ++i) ASSERT_NE(body->AddGeometry(), nullptr);
    EXPECT_EQ(body->AddGeometry(), nullptr);
    EXPECT_EQ(reports.Messages().back(), "Run out of Geometries. Increase 'geometriesCount'.\n");
    EXPECT_EQ(body->geometryCount, 50);
}

TEST_F(PhysBodyTest, TheFirstShapeOfAnActiveBodyBringsItIntoTheBroadPhase) {
    PhysRigidBody* body = world.CreateRigidBody();
    EXPECT_EQ(body->broadPhaseRecord, nullptr);
    body->AddSensor();
    EXPECT_EQ(body->broadPhaseRecord, nullptr);
    body->AddGeometry();
    EXPECT_NE(body->broadPhaseRecord, nullptr);
    EXPECT_EQ(body->broadPhaseState, 1);
    EXPECT_EQ(world.GetBroadPhase().GetPendingCount(), 1);

    PhysRigidBody* sleeper = world.CreateRigidBody();
    sleeper->SetActive(false, 0);
    sleeper->AddGeometry();
    EXPECT_EQ(sleeper->broadPhaseRecord, nullptr);
}

TEST_F(PhysBodyTest, SetActiveMovesBodiesBetweenTheListsOfTheirKind) {
    PhysRigidBody* body = world.CreateRigidBody();
    PhysRigidBody* particle = world.CreateParticleBody();
    PhysKinematicBody* kinematic = world.CreateKinematicBody();
    AddTestBox(*body, 1, 1, 1);

    body->SetActive(false, 0);
    particle->SetActive(false, 0);
    kinematic->SetActive(false, 0);
    EXPECT_EQ(body->IsActive(), 0);
    EXPECT_EQ(body->broadPhaseRecord, nullptr);
    EXPECT_EQ(body->broadPhaseState, 2);
    EXPECT_TRUE(world.InactiveRigidBodies(false).Contains(body));
    EXPECT_FALSE(world.ActiveRigidBodies(false).Contains(body));
    EXPECT_TRUE(world.InactiveRigidBodies(true).Contains(particle));
    EXPECT_TRUE(world.InactiveKinematicBodies().Contains(kinematic));

    // Inactive asked to become inactive: it stays where it is.
    body->SetActive(false, 0);
    EXPECT_EQ(world.InactiveRigidBodies(false).count, 1);
    EXPECT_EQ(world.ActiveRigidBodies(false).count, 0);

    body->SetActive(true, 0);
    EXPECT_EQ(body->IsActive(), 1);
    EXPECT_TRUE(world.ActiveRigidBodies(false).Contains(body));
    EXPECT_EQ(world.InactiveRigidBodies(false).count, 0);
    EXPECT_NE(body->broadPhaseRecord, nullptr);
    // A body that was in the broad phase before is not pending again.
    EXPECT_EQ(world.GetBroadPhase().GetPendingCount(), 0);

    // The world body is in no list.
    world.GetWorldBody().SetActive(false, 0);
    EXPECT_EQ(world.GetWorldBody().active, 1);
}

TEST_F(PhysBodyTest, OneTurnedBoxIsItsOwnBounds) {
    PhysRigidBody* body = world.CreateRigidBody();
    PhysGeometry* box = body->AddGeometry();
    box->SetBoxSize(4.0f, 2.0f, 2.0f);
    D3DXMATRIX turn, move, local;
    D3DXMatrixRotationZ(&turn, D3DXToRadian(45.0f));
    D3DXMatrixTranslation(&move, 1.0f, 0.0f, 0.5f);
    local = turn * move;
    box->SetTransform(local);
    body->UpdateBounds();

    EXPECT_FLOAT_EQ(body->bounds.params[0], 2.0f);
    EXPECT_FLOAT_EQ(body->bounds.params[1], 1.0f);
    EXPECT_FLOAT_EQ(body->bounds.params[2], 1.0f);
    ExpectMatrixNear(body->bounds.transform, local);
    EXPECT_FLOAT_EQ(body->boundingRadius, std::sqrt(6.0f) + std::sqrt(1.25f));
    const float s = std::sqrt(0.5f);
    ExpectVec4Near(body->orientedAxes[0], D3DXVECTOR4(2 * s, 2 * s, 0, 0));
    ExpectVec4Near(body->orientedAxes[1], D3DXVECTOR4(-s, s, 0, 0));
    ExpectVec4Near(body->orientedCentre, D3DXVECTOR4(1, 0, 0.5f, 1));
}

TEST_F(PhysBodyTest, TwoShapesGiveAnAxisAlignedBoundsAroundBoth) {
    PhysRigidBody* body = world.CreateRigidBody();
    PhysGeometry* box = body->AddGeometry();
    box->SetBoxSize(2.0f, 2.0f, 2.0f);
    PhysGeometry* cylinder = body->AddGeometry();
    cylinder->SetCylinder(2.0f, 4.0f);
    D3DXMATRIX move;
    D3DXMatrixTranslation(&move, 4.0f, 0.0f, 0.0f);
    cylinder->SetTransform(move);
    body->UpdateBounds();
    // Box x -1..1, cylinder x 3..5, y -3..3.
    EXPECT_FLOAT_EQ(body->bounds.params[0], 3.0f);
    EXPECT_FLOAT_EQ(body->bounds.params[1], 3.0f);
    EXPECT_FLOAT_EQ(body->bounds.params[2], 1.0f);
    ExpectVec3Near(PhysMath::TranslationOf(body->bounds.transform), D3DXVECTOR3(2, 0, 0));
    ExpectVec4Near(body->orientedAxes[0], D3DXVECTOR4(3, 0, 0, 0));
    ExpectVec4Near(body->orientedAxes[1], D3DXVECTOR4(0, 3, 0, 0));
    ExpectVec4Near(body->orientedAxes[2], D3DXVECTOR4(0, 0, 1, 0));
    EXPECT_FLOAT_EQ(body->boundingRadius, 2.0f + 1.0f + 4.0f);
}

TEST_F(PhysBodyTest, SensorRaysWidenTheBounds) {
    PhysRigidBody* body = world.CreateRigidBody();
    AddTestBox(*body, 2, 2, 2);
    body->AddSensor()->SetRay(D3DXVECTOR4(0.5f, 0, 0, 1), D3DXVECTOR4(0, 0, -3, 0));
    body->UpdateBounds();
    EXPECT_FLOAT_EQ(body->bounds.params[0], 1.0f);
    EXPECT_FLOAT_EQ(body->bounds.params[2], 2.0f);
    ExpectVec3Near(PhysMath::TranslationOf(body->bounds.transform), D3DXVECTOR3(0, 0, -1));
    ExpectVec4Near(body->orientedAxes[2], D3DXVECTOR4(0, 0, 2, 0));
    // The radius is that of the shapes alone.
    EXPECT_FLOAT_EQ(body->boundingRadius, std::sqrt(3.0f));
}

TEST_F(PhysBodyTest, ALongTurnedBoxWithASensorStaysInsideItsOrientedBounds) {
    PhysRigidBody* body = world.CreateRigidBody();
    PhysGeometry* box = body->AddGeometry();
    box->SetBoxSize(20.0f, 0.2f, 0.2f);
    D3DXMATRIX turn;
    D3DXMatrixRotationZ(&turn, D3DXToRadian(45.0f));
    box->SetTransform(turn);
    body->AddSensor()->SetRay(D3DXVECTOR4(0, 0, 0, 1), D3DXVECTOR4(0, 0, -2, 0));
    body->UpdateBounds();

    // Every corner of the box and both ends of the ray lie within the oriented bounds.
    const D3DXVECTOR3 centre = PhysMath::Xyz(body->orientedCentre);
    auto inside = [&](const D3DXVECTOR3& p) {
        for (const D3DXVECTOR4& axis : body->orientedAxes) {
            const D3DXVECTOR3 a = PhysMath::Xyz(axis);
            const float lengthSq = PhysMath::LengthSq(a);
            if (std::fabs(PhysMath::Dot(p - centre, a)) > lengthSq * 1.0001f + 1e-5f) return false;
        }
        return true;
    };
    for (int corner = 0; corner < 8; ++corner) {
        const D3DXVECTOR3 local((corner & 1) ? 10.0f : -10.0f, (corner & 2) ? 0.1f : -0.1f, (corner & 4) ? 0.1f : -0.1f);
        D3DXVECTOR3 p;
        D3DXVec3TransformCoord(&p, &local, &turn);
        EXPECT_TRUE(inside(p)) << "corner " << corner;
    }
    EXPECT_TRUE(inside(D3DXVECTOR3(0, 0, 0)));
    EXPECT_TRUE(inside(D3DXVECTOR3(0, 0, -2)));
}

TEST(PhysGeometryTest, BoxesOfTheShapes) {
    PhysGeometry cylinder;
    cylinder.SetCylinder(2.0f, 4.0f);
    EXPECT_EQ(cylinder.GetType(), PhysGeometry::kCylinder);
    EXPECT_FLOAT_EQ(cylinder.params[0], 1.0f);
    EXPECT_FLOAT_EQ(cylinder.params[1], 1.0f);
    EXPECT_FLOAT_EQ(cylinder.params[2], 2.0f);
    D3DXVECTOR3 low, high;
    cylinder.GetBox(low, high);
    ExpectVec3Near(low, D3DXVECTOR3(-1, -3, -1));
    ExpectVec3Near(high, D3DXVECTOR3(1, 3, 1));
    EXPECT_FLOAT_EQ(cylinder.GetRadius(), 3.0f);

    PhysGeometry box;
    const float sizes[3] = {2.0f, 4.0f, 6.0f};
    box.SetBoxSize(sizes);
    EXPECT_FLOAT_EQ(box.boxRadius, std::sqrt(14.0f));
    D3DXMATRIX turn;
    D3DXMatrixRotationZ(&turn, D3DXToRadian(90.0f));
    turn.m[3][0] = 5.0f;
    box.SetTransform(turn);
    box.GetBox(low, high);
    ExpectVec3Near(low, D3DXVECTOR3(3, -1, -3));
    ExpectVec3Near(high, D3DXVECTOR3(7, 1, 3));
    EXPECT_FLOAT_EQ(box.GetRadius(), std::sqrt(14.0f) + 5.0f);

    PhysGeometry sphere;
    sphere.type = PhysGeometry::kSphere;
    sphere.params[0] = 2.0f;
    sphere.GetBox(low, high);
    ExpectVec3Near(high, D3DXVECTOR3(2, 2, 2));
    EXPECT_FLOAT_EQ(sphere.GetRadius(), 2.0f);

    PhysGeometry tiny;
    tiny.SetBoxSize(1e-3f, 1e-3f, 1e-3f);
    EXPECT_EQ(tiny.boxRadius, 0.0f);
}

TEST_F(PhysBodyTest, KinematicBodiesCarryTheirWorldBoxWhenPlacedAndTurned) {
    PhysKinematicBody* body = world.CreateKinematicBody();
    AddTestBox(*body, 10, 1, 1);
    body->SetPosition(D3DXVECTOR4(5, 0, 0, 1));
    EXPECT_EQ(body->moved, 1);
    ExpectVec3Near(body->worldMin, D3DXVECTOR3(0, -0.5f, -0.5f));
    ExpectVec3Near(body->worldMax, D3DXVECTOR3(10, 0.5f, 0.5f));
    body->SetRotation(TurnAboutZ(90));
    ExpectVec3Near(body->worldMin, D3DXVECTOR3(4.5f, -5, -0.5f));
    ExpectVec3Near(body->worldMax, D3DXVECTOR3(5.5f, 5, 0.5f));

    // Without shapes there is no box to place.
    PhysKinematicBody* empty = world.CreateKinematicBody();
    empty->SetPosition(D3DXVECTOR4(9, 9, 9, 1));
    ExpectVec3Near(empty->worldMax, D3DXVECTOR3(0, 0, 0), 0.0f);
}

}  // namespace

TEST_F(PhysBodyTest, AQuarterTurnedBoxWithASensorGetsItsAxisAlignedBodySpaceBox) {
    PhysRigidBody* body = world.CreateRigidBody();
    PhysGeometry* box = body->AddGeometry();
    box->SetBoxSize(20.0f, 0.2f, 0.2f);
    D3DXMATRIX turn, move, local;
    D3DXMatrixRotationZ(&turn, D3DXToRadian(90.0f));
    D3DXMatrixTranslation(&move, 1.0f, 0.0f, 0.0f);
    local = turn * move;
    box->SetTransform(local);
    body->AddSensor()->SetRay(D3DXVECTOR4(0, 0, 0, 1), D3DXVECTOR4(0, 0, -2, 0));
    body->UpdateBounds();

    // The turned box spans x 0.9..1.1 and y -10..10; the ray reaches z -2.
    EXPECT_NEAR(body->bounds.params[0], 0.55f, 1e-5f);
    EXPECT_NEAR(body->bounds.params[1], 10.0f, 1e-5f);
    EXPECT_NEAR(body->bounds.params[2], 1.05f, 1e-5f);
    ExpectVec3Near(PhysMath::TranslationOf(body->bounds.transform), D3DXVECTOR3(0.55f, 0, -0.95f));
    ExpectVec4Near(body->orientedAxes[0], D3DXVECTOR4(0.55f, 0, 0, 0));
    ExpectVec4Near(body->orientedAxes[1], D3DXVECTOR4(0, 10, 0, 0));
    ExpectVec4Near(body->orientedAxes[2], D3DXVECTOR4(0, 0, 1.05f, 0));
}
