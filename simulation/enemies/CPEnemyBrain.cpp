#include "simulation/enemies/CPEnemyBrain.h"

#include <algorithm>
#include <cmath>

#include "Sound/NSound.h"
#include "Sound/NSoundManager.h"
#include "core/Angles.h"
#include "core/CPCommandDispatcher.h"
#include "core/CPGameObject.h"
#include "core/CPObjectFactory.h"
#include "core/ServiceGlobals.h"
#include "core/StringUtils.h"
#include "platform/RuntimeRandom.h"
#include "simulation/level/CPGameData.h"
#include "simulation/level/CPLevel.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/PhysRigidBody.h"
#include "simulation/units/CPPlayer.h"
#include "simulation/vehicle/ShotDirection.h"

namespace {
constexpr float kHeavyGunCone = 0.1f;
constexpr float kShotgunCone = 0.4f;
constexpr int32_t kShotgunPellets = 8;
constexpr int32_t kRocketEvery = 3;  // every third volley of a rocket enemy may be a rocket

void PlayFromStart(const char* name) {
    if (gSoundManager) gSoundManager->PlayFromStart(name);
}

void Launch(const char* name, const D3DXVECTOR3& position, const D3DXVECTOR3& direction) {
    if (gObjectFactory) gObjectFactory->CreateByName(name, position, direction, -1.0f, CPSmartPtr<CPGameObject>(), 0);
}

D3DXVECTOR3 ToWorld(const D3DXVECTOR3& local, const D3DXMATRIX& world) {
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &local, &world);
    return out;
}
}  // namespace

void CPEnemyBrain::SwitchState(int32_t key) {
    mStateCounter = 0;
    mState = mStateTable[key];
}

void CPEnemyBrain::PlayAnimation(const std::string& name, bool bounded, bool force, int32_t reportFrame) {
    if (name == mAnimation.name && !force) return;
    CPAnimationRequest request;
    request.name = name;
    request.speed = 1.0f;
    request.loopLimit = bounded ? 1 : 0;
    request.reportFrame = bounded ? reportFrame : -1;
    request.startOffset = 0.0f;
    mAnimation = request;
    if (mObject) mObject->PlayAnimation(mAnimation, false);
}

const CPEnemyMelee* CPEnemyBrain::Melee(int32_t number) const {
    if (number < 1 || static_cast<size_t>(number) > mMelee.size()) return nullptr;
    return &mMelee[static_cast<size_t>(number) - 1];
}

void CPEnemyBrain::ChooseAnimation() {
    const std::string ended = mAnimation.name;
    if (ended == "melee1" || ended == "melee2") {
        // Fewer than one melee animation counts as one.
        const int32_t n = RuntimeRand() % std::max(mMeleeCount, 1) + 1;
        const CPEnemyMelee* melee = Melee(n);
        PlayAnimation("melee" + std::to_string(n), true, true, melee ? melee->hitFrame : -1);
        if (mBehaviour) mBehaviour->OnAttackRepeated();
    } else if (ended == "fire") {
        if (mFiring) {
            PlayAnimation("fire", true, true, mFireFrame);
            if (mBehaviour) mBehaviour->OnAttackRepeated();
        }
    } else if (ended == "fire_in") {
        PlayAnimation("fire", true, true, mFireFrame);
        mFiring = true;
    } else if (ended == "fire_out") {
        SwitchState(kStateIdle);
        mFiring = false;
    } else if (ended == "death1" || ended == "death2") {
        if (mObject) mObject->SetCollidable(false);
        mDeathValue = 0;
    }
    mAttacking = false;
}

void CPEnemyBrain::Update() {
    // Every attack is aimed at the player's unit: without one there is nothing to attack.
    if (!mObject || !gLevel || !gLevel->mPlayer) return;
    const std::string& name = mAnimation.name;
    if (name == "melee1")
        MeleeBlow(1);
    else if (name == "melee2")
        MeleeBlow(2);
    else if (name == "fire")
        Fire();
}

void CPEnemyBrain::MeleeBlow(int32_t number) {
    const CPEnemyMelee* melee = Melee(number);
    if (!melee) return;
    CPPlayer* player = gLevel->mPlayer;
    const D3DXMATRIX& world = mObject->GetWorldMatrix();
    const D3DXVECTOR3 reach = ToWorld(melee->reachOffset, world);
    D3DXVECTOR3 push;
    D3DXVec3TransformNormal(&push, &melee->pushDirection, &world);

    if (number == 1 && mWeaponName == "explosion") {
        Launch("rocket_exp2", reach, D3DXVECTOR3(0.0f, 0.0f, 1.0f));
        SwitchState(kStateDead);
        PostDeathNotice();
        return;
    }

    // The blow reaches from the reach point along the push, as far as the reach offset is long.
    CPRayQuery query;
    query.ignored = mObject;
    query.origin = reach;
    D3DXVec3Normalize(&query.direction, &push);
    query.length = D3DXVec3Length(&melee->reachOffset);
    const bool met = gLevel->CrossInterfaceRay(query) &&
                     (query.hitObject.Get() == player || query.hitOwner.Get() == player);
    if (!met) return;
    PlayFromStart(number == 1 ? "hit1" : "hit2");
    if (const CPPhysicData* data = player->GetPhysicData(); data && data->mRigidBody)
        data->mRigidBody->ApplyImpulse(push * melee->pushStrength, reach);
    player->Damage(reach, push, melee->damage, 0, false);
}

void CPEnemyBrain::Fire() {
    const CPPlayer* player = gLevel->mPlayer;
    const D3DXVECTOR3 muzzle = ToWorld(mMuzzleOffset, mObject->GetWorldMatrix());
    D3DXVECTOR3 aim = player->GetPosition() + D3DXVECTOR3(0.0f, 0.0f, kAimRaise) - muzzle;
    D3DXVec3Normalize(&aim, &aim);

    if (mWeaponName == "hmgun") {
        Launch("trasser22", muzzle, ConeDirection(aim, kHeavyGunCone));
    } else if (mWeaponName == "rocket") {
        if (++mRocketCounter >= kRocketEvery) {
            mRocketCounter = 0;
            Launch(RuntimeRand() % 2 == 0 ? "srocket2" : "plazma_shot2", muzzle, aim);
        } else {
            Launch("plazma_shot2", muzzle, aim);
        }
    } else if (mWeaponName == "plasma") {
        Launch("plazma_shot2", muzzle, aim);
    } else if (mWeaponName == "mgun" || mWeaponName == "lgun") {
        Launch("trasser21", muzzle, aim);
    } else if (mWeaponName == "shotgun") {
        for (int32_t i = 0; i < kShotgunPellets; ++i) Launch("trasser23", muzzle, ConeDirection(aim, kShotgunCone));
    }
}

void CPEnemyBrain::TakeDamage(const D3DXVECTOR3& point, const D3DXVECTOR3& direction, float amount, bool noEffect,
                              bool restricted) {
    if (mDead) return;
    if (mObject)
        if (CPPhysicData* data = mObject->GetPhysicData()) data->mPushing = false;
    mHit = true;
    if (!restricted || mHitEffect == "oil1") {
        mHealth -= amount;
        if (!noEffect) Launch(mHitEffect.c_str(), point, direction);
    }
    if (!(mHealth <= 0.0f)) return;
    if (!mRewarded) {
        if (gGameData) {
            gGameData->mMoney += static_cast<float>(mReward);
            if (gCommandDispatcher)
                gCommandDispatcher->SendByName("gamemenu", "change_money", FormatTwoDecimals(gGameData->mMoney));
            ++gGameData->mKills;
        }
        if (mGibs && mHitEffect == "blood1") Burst();
        PostDeathNotice();
        mRewarded = true;
    }
    SwitchState(kStateDead);
}

void CPEnemyBrain::Burst() {
    if (!mObject) return;
    mObject->SetVisible(false);
    const D3DXVECTOR3 at = mObject->GetPosition() + D3DXVECTOR3(0.0f, 0.0f, mGibHeight);
    const int32_t count = 5 + RuntimeRand() % 5;
    for (int32_t i = 0; i < count; ++i) {
        const char* kind = RuntimeRand() % 2 == 0 ? "gib2" : "gib1";
        const float yaw = RuntimeRandomFraction() * kTwoPi;
        const float pitch = RuntimeRandomFraction() * kTwoPi;
        const float roll = RuntimeRandomFraction() * kTwoPi;
        D3DXMATRIX turn;
        D3DXMatrixRotationYawPitchRoll(&turn, yaw, pitch, roll);
        const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
        D3DXVECTOR3 direction;
        D3DXVec3TransformNormal(&direction, &up, &turn);
        Launch(kind, at, direction);
    }
}

void CPEnemyBrain::PostDeathNotice() {
    if (mNoDeathNotice || mDeathNoticeSent) return;
    mDeathNoticeSent = true;
    if (!gCommandDispatcher || !mObject) return;
    const D3DXVECTOR3& p = mObject->GetPosition();
    gCommandDispatcher->SendByCategory("level", "enemy_death",
                                       mName + "," + FormatTwoDecimals(p.x) + "," + FormatTwoDecimals(p.y) + "," +
                                           FormatTwoDecimals(p.z));
}
