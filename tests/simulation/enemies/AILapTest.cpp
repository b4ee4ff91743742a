// The AI driving on the loaded test level: the cars the vehicle updater drives complete a lap.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/Angles.h"
#include "core/FrameClock.h"
#include "simulation/enemies/AI_Vehicle.h"
#include "simulation/physics/PhysMath.h"
#include "simulation/units/CPPlayer.h"
#include "simulation/vehicle/CPCar.h"
#include "support/LevelLoadRig.h"

namespace {


// The turn from a to b about the origin, clockwise positive, in (-pi, pi].
float ClockwiseTurn(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return std::atan2(a.x * b.y - a.y * b.x, a.x * b.x + a.y * b.y) * -1.0f;
}

D3DXVECTOR3 Forward(const CPPlayer& unit) {
    D3DXMATRIX turn;
    D3DXMatrixRotationQuaternion(&turn, &unit.GetRotation());
    const D3DXVECTOR3 minusY(0.0f, -1.0f, 0.0f);
    D3DXVECTOR3 forward;
    D3DXVec3TransformNormal(&forward, &minusY, &turn);
    return forward;
}

}  // namespace

TEST(AILapTest, TheAICarsCompleteALapOfTheTestLevel) {
    LevelLoadRig rig;
    ASSERT_TRUE(rig.Load()) << rig.Level().GetLoadError();
    CPLevel& level = rig.Level();
    ASSERT_EQ(level.mEnemies.size(), 2u);

    const float dt = 1.0f / 60.0f;
    gDeltaTime = dt;
    std::vector<float> turned(level.mEnemies.size(), 0.0f);
    std::vector<D3DXVECTOR3> last;
    for (CPPlayer* unit : level.mEnemies) last.push_back(unit->GetPosition());
    int respawns = 0;
    // The frame in task order: the AI driving, the physics step, then the race's unit updates.
    const int frames = 120 * 60;
    int frame = 0;
    for (; frame < frames; ++frame) {
        level.mRespawnClock += dt;
        rig.updater.Execute();
        rig.physics.Execute();
        for (size_t i = 0; i < level.mEnemies.size(); ++i) {
            CPPlayer* unit = level.mEnemies[i];
            const float speed = PhysMath::SafeLength(unit->GetCarVelocity());
            rig.updater.DriveEnemy(static_cast<int32_t>(i), unit, Forward(*unit), speed, unit->mCameraMin,
                                   unit->mCameraMax);
            const float cooldown = unit->mRespawnCooldown;
            unit->Update(dt);
            if (unit->mRespawnCooldown > cooldown) ++respawns;
            turned[i] += ClockwiseTurn(last[i], unit->GetPosition());
            last[i] = unit->GetPosition();
        }
        if (turned[0] >= kTwoPi && turned[1] >= kTwoPi) break;
    }
    gDeltaTime = 0.0f;
    RecordProperty("frames", frame);
    EXPECT_LT(frame, frames) << "laps turned: " << turned[0] / kTwoPi << ", " << turned[1] / kTwoPi;
    EXPECT_EQ(respawns, 0) << "a lap driven, not respawned round";
    for (CPPlayer* unit : level.mEnemies) {
        const D3DXVECTOR3 p = unit->GetPosition();
        // Still on the road: within the road's edges of the circle.
        EXPECT_NEAR(std::hypot(p.x, p.y), TestLevelTree::kPathRadius, TestLevelTree::kRoadHalfWidth * 2.0f);
    }
}
