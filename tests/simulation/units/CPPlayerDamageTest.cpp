#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "simulation/physics/PhysRigidBody.h"
#include "simulation/units/CPPlayer.h"
#include "support/RaceRig.h"
#include "support/ScopedGlobal.h"

namespace {
using Messages = std::vector<std::string>;

TEST(CPPlayerDamageTest, HitsWarnOnceAtTheCriticalLifeAndReportTheDeathOnce) {
    struct Hit {
        float amount;
        float life;  // afterwards
        bool survives;
        Messages heard;
    };
    struct Case {
        const char* name;
        float life;
        float coefficient;  // the game data's damage coefficient
        std::vector<Hit> hits;
    };
    const std::string update = "gamemenu>update_game_interface";
    const std::string critical = "main>say_critical";
    const std::string dead = "main>player_dead";
    const Case cases[] = {
        {"crossing 20 warns once", 25, 1, {{10, 15, true, {update, critical}}, {10, 5, true, {update}}}},
        {"down to 0 exactly survives", 21, 1, {{21, 0, true, {update, critical}}}},
        {"below 0 dies once", 5, 1, {{10, 0, false, {update, dead}}, {10, 0, false, {update}}}},
        {"already critical", 15, 1, {{1, 14, true, {update}}}},
        {"the coefficient scales the hit", 30, 2, {{5, 20, true, {update, critical}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RaceRig rig;
        rig.data->mDifficultyCoeffs[2] = c.coefficient;
        CPPlayer unit;
        unit.mLife = c.life;
        for (const Hit& hit : c.hits) {
            EXPECT_EQ(unit.TakeDamage(hit.amount), hit.survives) << hit.amount;
            EXPECT_FLOAT_EQ(unit.mLife, hit.life);
            EXPECT_EQ(rig.Drain(), hit.heard);
        }
    }
}

TEST(CPPlayerDamageTest, ARemovedUnitIsHiddenParkedAndOutOfThePhysicsWorld) {
    gSettings::weight_div = 1;
    CPPhysicWorld game;
    ScopedGlobal<CPPhysicWorld*> install{gPhysicsWorld, &game};
    game.Create();
    CPPlayer unit;
    unit.SetPosition(D3DXVECTOR3(1, 2, 3));
    auto* data = new CPPhysicData(&unit);
    data->AddBoxShape(D3DXVECTOR3(0, 0, 0), D3DXQUATERNION(0, 0, 0, 1), 2, 4, 1, 1);
    data->SetBoxMass(2, 4, 1, 1);
    unit.SetPhysicData(data);
    unit.Adopt(data);
    game.RegisterObject(&unit);
    game.AddObject(&unit, true, 1);
    PhysRigidBody* body = data->mRigidBody;
    ASSERT_NE(body, nullptr);

    unit.Remove();
    EXPECT_FALSE(unit.IsVisible());
    EXPECT_FALSE(unit.IsCollidable());
    EXPECT_EQ(data->mRigidBody, nullptr) << "the body went to the parking list";
    EXPECT_FLOAT_EQ(body->GetPosition().z, CPPhysicWorld::kFirstParkingHeight);
    EXPECT_FALSE(body->IsActive());
    EXPECT_FALSE(game.IsRegistered(&unit));
    EXPECT_FALSE(data->mActiveWanted);

    CPPlayer bodiless;
    ScopedGlobal<CPPhysicWorld*> noWorld{gPhysicsWorld, nullptr};
    bodiless.Remove();
    EXPECT_FALSE(bodiless.IsVisible()) << "a unit without physical data or world is still taken out of sight";
    gSettings::RestoreInitialValues();
}
}  // namespace
