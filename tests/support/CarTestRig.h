// A race unit for car tests: a game object with an XML description, four wheel children "w0".."w3"
// (0 and 1 at the front, -y; even wheels on the -x side), physical data with a 2 x 4 x 0.6 chassis box
// of mass 20, and a rigid body from a world with gravity (0, 0, -9.8). A "jeep" receiver records the
// commands the car sends.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/CPCommandDispatcher.h"
#include "core/CPCommandTask.h"
#include "core/CPGameObject.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/PhysWorld.h"
#include "simulation/vehicle/CPCar.h"
#include "support/CommandLog.h"
#include "support/ScopedGlobal.h"

// Dresses a unit as a car: its description, the wheel children "w0".."w3" listed in `wheels`, and
// physical data (adopted by the unit) with the chassis box of the given mass as shape and inertia.
inline CPPhysicData* DressCarUnit(CPGameObject& unit, const std::string& description, const std::vector<int>& wheels,
                                  float mass) {
    unit.GetDescription().Parse(description.c_str());
    for (int i : wheels) {
        char name[16];
        std::snprintf(name, sizeof name, "w%d", i);
        auto* wheel = new CPGameObject(name);
        wheel->SetPosition(D3DXVECTOR3(i % 2 == 0 ? -1.0f : 1.0f, i < 2 ? -1.5f : 1.5f, 0.0f));
        unit.AddOwnedChild(CPSmartPtr<CPGameObject>(wheel));
    }
    auto* data = new CPPhysicData(&unit);
    data->SetBoxMass(2.0f, 4.0f, 0.6f, mass);
    // The shape record keeps the height second: the world swaps it back into a 2 x 4 x 0.6 box.
    data->AddBoxShape(D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f), 2.0f, 0.6f, 4.0f, mass);
    unit.SetPhysicData(data);
    unit.Adopt(data);
    return data;
}

// A description with every parameter of the wheels at the values the rig's ride height is made for.
inline const char* kPlainCarDescription =
    "<physics><geometry><wheels count=\"4\" x=\"0\" y=\"0\" length=\"1.5\" radius=\"0.5\"/></geometry></physics>";

class CarTestRig {
public:
    static constexpr float kMass = 20.0f;
    static constexpr float kWheelX = 1.0f;
    static constexpr float kWheelY = 1.5f;

    // `wheels` lists which of "w0".."w3" the unit has.
    explicit CarTestRig(const std::string& description = kPlainCarDescription,
                        std::vector<int> wheels = {0, 1, 2, 3})
        : dispatcherGuard(gCommandDispatcher, &dispatcher) {
        gSettings::weight_div = 1;
        data = DressCarUnit(unit, description, wheels, kMass);
        jeep.Start();
        dispatcher.Register(&jeep, "jeep");
    }
    ~CarTestRig() {
        unit.SetCar(nullptr);
        delete car;
        gSettings::RestoreInitialValues();
    }
    CarTestRig(const CarTestRig&) = delete;
    CarTestRig& operator=(const CarTestRig&) = delete;

    // A rigid body with the chassis box for the unit's data, as the game world would make it.
    PhysRigidBody* MakeBody() {
        PhysRigidBody* body = world.CreateRigidBody();
        PhysGeometry* box = body->AddGeometry();
        box->SetBoxSize(2.0f, 4.0f, 0.6f);
        body->UpdateBounds();
        data->mRigidBody = body;
        return body;
    }
    // A car on the unit's body (made first when there is none), built with the post flag.
    CPCar& Build(bool post = false) {
        if (!data->mRigidBody) MakeBody();
        car = new CPCar(&unit);
        unit.SetCar(car);
        car->CreateBody(&world, post);
        return *car;
    }
    std::vector<std::string> JeepCommands() { return DrainCommandTexts(jeep); }

    const D3DXVECTOR3 gravity{0.0f, 0.0f, -9.8f};
    PhysWorld world{PhysPoolSizes{}, nullptr, &gravity};
    CPGameObject unit{"PLAYER"};
    CPPhysicData* data = nullptr;  // adopted by the unit
    CPCar* car = nullptr;          // deleted by the rig
    CPCommandDispatcher dispatcher;
    CPCommandTask jeep;

private:
    ScopedGlobal<CPCommandDispatcher*> dispatcherGuard;
};
