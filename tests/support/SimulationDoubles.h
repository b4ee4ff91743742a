// Recording stand-ins for the simulation types the engine core calls: physics data, an enemy's
// behaviour and a car. Each call lands in a public list the test reads.
#pragma once

#include <string>
#include <vector>

#include "simulation/enemies/CPEnemyBrain.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/vehicle/CPCar.h"

class FakePhysicData : public CPPhysicData {
public:
    FakePhysicData() : CPPhysicData(nullptr) {}
    size_t GetSize() const override { return sizeof(FakePhysicData); }
    std::string GetClassName() const override { return "FakePhysicData"; }
    void SetPosition(const D3DXVECTOR3& position) override { positions.push_back(position); }
    void SetRotation(const D3DXQUATERNION& rotation) override { rotations.push_back(rotation); }

    std::vector<D3DXVECTOR3> positions;
    std::vector<D3DXQUATERNION> rotations;
};

class FakeEnemyBrain : public CPEnemyBrain {
public:
    struct Hit {
        D3DXVECTOR3 point, direction;
        float amount;
        bool noEffect, restricted;
    };
    size_t GetSize() const override { return sizeof(FakeEnemyBrain); }
    std::string GetClassName() const override { return "FakeEnemyBrain"; }
    void ChooseAnimation() override { calls.push_back("ChooseAnimation"); }
    void Update() override { calls.push_back("Update"); }
    void TakeDamage(const D3DXVECTOR3& point, const D3DXVECTOR3& direction, float amount, bool noEffect,
                    bool restricted) override {
        calls.push_back("TakeDamage");
        hits.push_back({point, direction, amount, noEffect, restricted});
    }

    std::vector<std::string> calls;
    std::vector<Hit> hits;
};

// A car whose state the test writes directly into the public fields.
class FakeCar : public CPCar {
public:
    FakeCar() : CPCar(nullptr) {}
    size_t GetSize() const override { return sizeof(FakeCar); }
    std::string GetClassName() const override { return "FakeCar"; }
};
