#include "script/ObjectScriptFunctions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "core/CPCommandDispatcher.h"
#include "core/CPCommandTask.h"
#include "core/CPGameObject.h"
#include "core/FrameClock.h"
#include "core/ObjectAddress.h"
#include "core/ServiceGlobals.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/PhysKinematicBody.h"
#include "simulation/physics/PhysRigidBody.h"
#include "simulation/units/CPPlayer.h"
#include "simulation/vehicle/CPCar.h"
#include "support/LuaScriptRig.h"
#include "support/ScopedGlobal.h"
#include "support/ScopedTaskKernel.h"

namespace {

class ObjectScriptFunctionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        kernel.AddTask(&controller);
        dispatcher.Register(&controller, "main", "level");
        root = std::make_unique<CPGameObject>("car");
        child = new CPGameObject("wheel");
        grandchild = new CPGameObject("car");
        root->AddOwnedChild(CPSmartPtr<CPGameObject>(child));
        child->AddOwnedChild(CPSmartPtr<CPGameObject>(grandchild));
        root->SetController(CPSmartPtr<CPCommandTask>(&controller));
        lua.SetHandle("root", root.get());
        lua.SetHandle("child", child);
        lua.SetHandle("grandchild", grandchild);
        lua.SetHandle("controller", &controller);
    }
    void TearDown() override {
        root.reset();
    }

    ScopedTaskKernel kernel;
    CPCommandDispatcher dispatcher;
    ScopedGlobal<CPCommandDispatcher*> installDispatcher{gCommandDispatcher, &dispatcher};
    CPCommandTask controller;
    std::unique_ptr<CPGameObject> root;
    CPGameObject* child = nullptr;
    CPGameObject* grandchild = nullptr;
    LuaScriptRig lua;
};

TEST_F(ObjectScriptFunctionsTest, AScriptReadsItsCommandsInArrivalOrderWithTheirParameters) {
    ASSERT_EQ(lua.Run("SendCommandByName('main', 'first', 'a,\"b,c\",d')\n"
                      "SendCommandByCategory('level', 'second', '')\n"
                      "SendCommandByObject(root, 'third', '7')\n"
                      "SendCommandByName('nobody', 'lost', '')\n"
                      "log = ''\n"
                      "while SetNextCommand(controller) do\n"
                      "  local params = {GetCurrentParams(controller)}\n"
                      "  log = log .. GetCurrentCommand(controller) .. '(' .. table.concat(params, '|') .. ')'\n"
                      "end\n"
                      "after = GetCurrentCommand(controller)\n"
                      "again = SetNextCommand(controller)"),
              "");
    EXPECT_EQ(lua.Text("log"), "first(a|b,c|d)second()third(7)");
    EXPECT_EQ(lua.Type("after"), LUA_TNIL);
    EXPECT_FALSE(lua.Bool("again")) << "an empty queue answers false";
}

TEST_F(ObjectScriptFunctionsTest, ACommandWithMoreParametersThanTheStackHoldsComesThroughWhole) {
    std::string params;
    for (int i = 0; i < 300; ++i) {
        if (i) params += ',';
        params += std::to_string(i);
    }
    PostCommand(CPSmartPtr<CPCommandTask>(&controller), "many", params);
    ASSERT_EQ(lua.Run("SetNextCommand(controller)\n"
                      "local p = {GetCurrentParams(controller)}\n"
                      "count, last = #p, p[#p]\n"
                      "local t = {SplitString(string.rep('x;', 500), ';')}\n"
                      "tokens = #t"),
              "");
    EXPECT_EQ(lua.Number("count"), 300);
    EXPECT_EQ(lua.Text("last"), "299");
    EXPECT_EQ(lua.Number("tokens"), 500);
}

TEST_F(ObjectScriptFunctionsTest, HandlesThatNameNoLiveObjectOfTheRightClassActOnNothing) {
    int notAnObject = 0;
    lua.SetLightUserdata("bogus", &notAnObject);
    CPGameObject* stale = new CPGameObject("gone");
    lua.SetHandle("stale", stale);
    delete stale;
    ASSERT_EQ(lua.Run("a = SetNextCommand(root)\n"  // a game object is not a command receiver
                      "b = SetNextCommand(bogus)\n"
                      "n = select('#', GetPosition(stale))\n"
                      "SetPosition(bogus, 1, 2, 3)\n"
                      "StopScript(bogus)\n"
                      "copy = Clone(stale)\n"
                      "m = select('#', GetCurrentParams(nil))"),
              "");
    EXPECT_FALSE(lua.Bool("a"));
    EXPECT_FALSE(lua.Bool("b"));
    EXPECT_EQ(lua.Number("n"), 0);
    EXPECT_EQ(lua.Type("copy"), LUA_TLIGHTUSERDATA);
    EXPECT_EQ(lua.Handle("copy"), nullptr) << "a copy of nothing is a null object";
    EXPECT_EQ(lua.Number("m"), 0);
}

TEST_F(ObjectScriptFunctionsTest, PointersGoThroughTextWithTheirFullAddress) {
    ASSERT_EQ(lua.Run("text = PointerToString(root)\nback = StringToPointer(text)\nsame = back == root"), "");
    EXPECT_EQ(lua.Text("text"), AddressToText(root.get()));
    EXPECT_TRUE(lua.Bool("same"));
}

TEST_F(ObjectScriptFunctionsTest, ChildLookUpsTellTheObjectItselfFromItsDescendants) {
    ASSERT_EQ(lua.Run("self = GetChildObject(root, 'car')\n"
                      "found = FindObject(root, 'car')\n"
                      "wheel = FindObject(root, 'wheel')\n"
                      "none = GetChildObject(root, 'door')\n"
                      "parent = GetParentObject(child)\n"
                      "top = GetParentObject(root)\n"
                      "ok, err = pcall(FindObject, root, {})"),
              "");
    EXPECT_EQ(lua.Handle("self"), root.get()) << "the object itself is the first candidate";
    EXPECT_EQ(lua.Handle("found"), grandchild);
    EXPECT_EQ(lua.Handle("wheel"), child);
    EXPECT_EQ(lua.Type("none"), LUA_TLIGHTUSERDATA);
    EXPECT_EQ(lua.Handle("none"), nullptr);
    EXPECT_EQ(lua.Handle("parent"), root.get());
    EXPECT_EQ(lua.Handle("top"), nullptr);
    EXPECT_FALSE(lua.Bool("ok"));
    EXPECT_NE(lua.Text("err").find("#2"), std::string::npos);
}

TEST_F(ObjectScriptFunctionsTest, TransformsFlagsAndBoundsAreSetAndReadBack) {
    ASSERT_EQ(lua.Run("SetPosition(root, '1', 2, 3)\n"
                      "x, y, z = GetPosition(root)\n"
                      "SetRotation(child, 0, 0, math.pi / 2)\n"
                      "SetPTransformation(grandchild, 5, 6, 7, 0, 0, 0)\n"
                      "SetVisible(root, false)\n"
                      "SetObjectVisible(child, false)\n"
                      "SetCollision(root, nil)\n"
                      "local b = {GetBBoxInfo(root)}\n"
                      "boxCount = #b"),
              "");
    EXPECT_EQ(lua.Number("x"), 1);
    EXPECT_EQ(lua.Number("y"), 2);
    EXPECT_EQ(lua.Number("z"), 3);
    EXPECT_FALSE(root->IsDirty()) << "the transform is rebuilt at once";
    EXPECT_FLOAT_EQ(root->GetWorldMatrix()._41, 1.0f);
    EXPECT_NEAR(child->GetRotation().z, std::sqrt(0.5f), 1e-6f);
    EXPECT_NEAR(child->GetRotation().w, std::sqrt(0.5f), 1e-6f);
    EXPECT_FLOAT_EQ(grandchild->GetParentWorldMatrix()._42, 6.0f);
    EXPECT_FALSE(root->IsVisible());
    EXPECT_FALSE(child->IsVisible());
    EXPECT_FALSE(root->IsCollidable());
    EXPECT_EQ(lua.Number("boxCount"), 9);
}

TEST_F(ObjectScriptFunctionsTest, TasksAreActivatedStoppedAndCountedAsTheScriptsAsk) {
    ScopedGlobal<float> frameTime(gDeltaTime, 0.25f);
    ASSERT_EQ(lua.Run("dt = GetDeltaTime()\n"
                      "ActivateObject(root, 300.9)\n"
                      "AddRef(root)\nAddRef(root)\ncount = 0\n"
                      "Release(child)\n"
                      "i, j = ToInt(-2.7), ToInt('9.9')\n"
                      "big, small = ToInt(3000000000.7), tostring(ToInt(-0.5))\n"
                      "DumpObjects()"),
              "");
    EXPECT_EQ(lua.Number("dt"), 0.25);
    EXPECT_TRUE(root->IsActive());
    EXPECT_EQ(controller.GetPriority(), 300);
    EXPECT_EQ(lua.Number("i"), -2);
    EXPECT_EQ(lua.Number("j"), 9);
    EXPECT_EQ(lua.Number("big"), 3000000000.0) << "truncated, not clamped to the int32 range";
    EXPECT_EQ(lua.Text("small"), "0");
    EXPECT_EQ(child->GetRefCount(), 0) << "Release sets the count to 0 and frees nothing";
    ASSERT_EQ(lua.Run("StopScript(controller)"), "");
    EXPECT_TRUE(controller.IsStopped());
    controller.SetStopped(false);
    ASSERT_EQ(lua.Run("KillAllTasks()"), "");
    EXPECT_TRUE(controller.IsStopped()) << "every listed task is stopped";
}

TEST_F(ObjectScriptFunctionsTest, CloneGivesANewObjectOfTheSameNameAndTree) {
    ASSERT_EQ(lua.Run("copy = Clone(root)"), "");
    auto* copy = static_cast<CPGameObject*>(static_cast<CPRefObject*>(lua.Handle("copy")));
    ASSERT_TRUE(gObjectRegistry::Contains(copy));
    EXPECT_NE(copy, root.get());
    EXPECT_EQ(copy->GetName(), "car");
    ASSERT_EQ(copy->GetChildren().size(), 1u);
    EXPECT_EQ(copy->GetChildren()[0]->GetName(), "wheel");
    delete copy;
}

TEST_F(ObjectScriptFunctionsTest, DescriptionsAnimationsAndDrawingNeedTheirServices) {
    // Without the builder or the renderer the functions answer a null object or do nothing.
    ASSERT_EQ(lua.Run("obj = LoadRenderObject('box.rdf', 0)\n"
                      "DrawDynamicObject(root)\n"
                      "SetAnimation(root, 'run', 2, 5, 10, controller)\n"
                      "StartAnimation(root, 'run', 0, nil)\n"
                      "v = CheckString(12)\n"
                      "ok, err = pcall(LoadRenderObject, 'box.rdf', 'x')"),
              "");
    EXPECT_EQ(lua.Type("obj"), LUA_TLIGHTUSERDATA);
    EXPECT_EQ(lua.Handle("obj"), nullptr);
    EXPECT_EQ(lua.Number("v"), 12);
    EXPECT_FALSE(lua.Bool("ok")) << "the number is checked";
}

TEST_F(ObjectScriptFunctionsTest, RigidBodiesReportTheirSpeedAndTakeJumpsAtTheObjectsPosition) {
    PhysRigidBody body;
    body.SetMass(2.0f);
    child->SetPosition(D3DXVECTOR3(1.0f, 0.0f, 0.0f));
    child->SetPhysicData(new CPPhysicData(child));
    child->GetPhysicData()->mRigidBody = &body;
    body.SetVelocity(D3DXVECTOR4(3.0f, 0.0f, 4.0f, 0.0f));
    ASSERT_EQ(lua.Run("rigid, plain, none = IsRigid(child), IsRigid(root), IsRigid(nil)\n"
                      "speed, still, empty = GetObjectSpeed(child), GetObjectSpeed(root), GetObjectSpeed(nil)\n"
                      "Jump(child, 0, 2, 0)\nJump(root, 0, 2, 0)\nJump(nil, 0, 2, 0)"),
              "");
    EXPECT_TRUE(lua.Bool("rigid"));
    EXPECT_FALSE(lua.Bool("plain")) << "no physical data";
    EXPECT_FALSE(lua.Bool("none"));
    EXPECT_DOUBLE_EQ(lua.Number("speed"), 5.0);
    EXPECT_EQ(lua.Number("still"), 0.0);
    EXPECT_EQ(lua.Number("empty"), 0.0);
    EXPECT_FLOAT_EQ(body.GetVelocity().y, 1.0f) << "the impulse over the mass of 2";
    // Off the centre of the body (at the origin): (1, 0, 0) x (0, 2, 0) turns it about z.
    EXPECT_FLOAT_EQ(body.GetAngularMomentum().z, 2.0f);

    body.SetVelocity(D3DXVECTOR4(0.0005f, 0.0f, 0.0f, 0.0f));
    ASSERT_EQ(lua.Run("drift = GetObjectSpeed(child)"), "");
    EXPECT_EQ(lua.Number("drift"), 0.0) << "a squared speed below 1e-6 reads as 0";
    child->GetPhysicData()->mRigidBody = nullptr;
}

TEST_F(ObjectScriptFunctionsTest, ARaceUnitTakesAnImpulseOnItsCarAtItsOwnPosition) {
    CPPlayer unit;
    // Placed before its body is attached, so that the body stays at the origin.
    unit.SetPosition(D3DXVECTOR3(1.0f, 0.0f, 0.0f));
    CPCar car(&unit);
    unit.SetCar(&car);
    CPPhysicData data(&unit);
    PhysRigidBody body;
    body.SetMass(2.0f);
    data.mRigidBody = &body;
    unit.SetPhysicData(&data);
    lua.SetHandle("unit", &unit);

    ASSERT_EQ(lua.Run("n = select('#', ApplyImpulse(unit, 0, 2, 0))"), "");
    EXPECT_EQ(lua.Number("n"), 0);
    EXPECT_FLOAT_EQ(body.GetVelocity().y, 1.0f) << "the impulse over the mass of 2";
    // Pushed at the unit's position (1, 0, 0), off the body's centre at the origin: it turns about z.
    EXPECT_FLOAT_EQ(body.GetAngularMomentum().z, 2.0f);

    // A nil handle, a plain object, a missing or an infinite component: nothing moves.
    ASSERT_EQ(lua.Run("ApplyImpulse(nil, 5, 5, 5)\nApplyImpulse(root, 5, 5, 5)\nApplyImpulse()\n"
                      "ApplyImpulse(unit, 1/0, 0, 0)\nApplyImpulse(unit, 0, 0/0, 0)"),
              "");
    EXPECT_FLOAT_EQ(body.GetVelocity().x, 0.0f);
    EXPECT_FLOAT_EQ(body.GetVelocity().y, 1.0f);
    EXPECT_FLOAT_EQ(body.GetVelocity().z, 0.0f);

    // A unit without a car has nothing to push.
    unit.SetCar(nullptr);
    ASSERT_EQ(lua.Run("ApplyImpulse(unit, 0, 2, 0)"), "");
    EXPECT_FLOAT_EQ(body.GetVelocity().y, 1.0f);
    unit.SetPhysicData(nullptr);
}

TEST_F(ObjectScriptFunctionsTest, SetRotationTurnsTheRigidBodyEvenBesideAKinematicOne) {
    PhysRigidBody rigid;
    PhysKinematicBody kinematic;
    child->SetPhysicData(new CPPhysicData(child));
    child->GetPhysicData()->mRigidBody = &rigid;
    child->GetPhysicData()->mKinematicBody = &kinematic;
    ASSERT_EQ(lua.Run("SetRotation(child, 0, 0, math.pi / 2)"), "");
    EXPECT_NEAR(rigid.state.rotation.z, std::sqrt(0.5f), 1e-6f);
    EXPECT_NEAR(rigid.state.rotation.w, std::sqrt(0.5f), 1e-6f);
    EXPECT_NEAR(kinematic.rotationRows.row[0].y, 1.0f, 1e-6f) << "the kinematic body is turned as well";
    child->GetPhysicData()->mRigidBody = nullptr;
    child->GetPhysicData()->mKinematicBody = nullptr;
}

TEST_F(ObjectScriptFunctionsTest, APoseThatIsNotFiniteIsRefusedAndTheObjectKeepsItsPose) {
    ASSERT_EQ(lua.Run("SetPosition(root, 1, 2, 3)\nSetRotation(root, 0, 0, 1)\n"
                      "SetPTransformation(child, 1, 2, 3, 0, 0, 0)"),
              "");
    const D3DXQUATERNION rotation = root->GetRotation();
    const D3DXMATRIX parent = child->GetParentWorldMatrix();
    ASSERT_EQ(lua.Run("SetRotation(root, 0/0, 1/0, 1e300)\n"
                      "SetPosition(root, 0/0, 0, 0)\nSetPosition(root, 0, -1/0, 0)\n"
                      "SetPTransformation(child, 1, 2, 3, 0/0, 0, 0)\nSetPTransformation(child, 1e300, 2, 3, 0, 0, 0)\n"
                      "b = {GetBBoxInfo(root)}\nfinite = true\n"
                      "for _, v in ipairs(b) do if v ~= v or v == 1/0 or v == -1/0 then finite = false end end"),
              "");
    EXPECT_EQ(root->GetPosition(), D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(root->GetRotation(), rotation);
    EXPECT_EQ(child->GetParentWorldMatrix(), parent);
    EXPECT_TRUE(lua.Bool("finite"));
}

}  // namespace
