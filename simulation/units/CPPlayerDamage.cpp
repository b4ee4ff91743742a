#include <string>

#include "core/CPCommandDispatcher.h"
#include "core/ServiceGlobals.h"
#include "simulation/level/CPGameData.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "simulation/units/CPPlayer.h"

namespace {
void SendByName(const std::string& receiver, const std::string& command) {
    if (gCommandDispatcher) gCommandDispatcher->SendByName(receiver, command, "");
}
}  // namespace

bool CPPlayer::TakeDamage(float amount) {
    // The third coefficient scales the damage by the difficulty.
    if (gGameData) amount *= gGameData->mDifficultyCoeffs[2];
    if (mLife > kCriticalLife && mLife - amount <= kCriticalLife) SendByName("main", "say_critical");
    mLife -= amount;
    if (mLife >= 0.0f) {
        SendByName("gamemenu", "update_game_interface");
        return true;
    }
    mLife = 0.0f;
    SendByName("gamemenu", "update_game_interface");
    if (!mDeadSent) {
        if (gCommandDispatcher) gCommandDispatcher->SendByCategory("main", "player_dead", "");
        mDeadSent = true;
    }
    return false;
}

void CPPlayer::Remove() {
    SetVisible(false);
    SetCollidable(false);
    if (CPPhysicData* data = GetPhysicData()) data->ParkBody();
    if (gPhysicsWorld) gPhysicsWorld->UnregisterObject(this);
}
