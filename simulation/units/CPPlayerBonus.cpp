// Pick-ups and world objects: what a race unit takes from or suffers by the bonus objects it touches.
#include <algorithm>
#include <cmath>
#include <list>

#include "Render/PEffectRecord.h"
#include "Render/PEffectSpawner.h"
#include "Render/PRender.h"
#include "Sound/NSound.h"
#include "Sound/NSoundManager.h"
#include "core/Angles.h"
#include "core/CPCommandDispatcher.h"
#include "core/CPObjectFactory.h"
#include "core/FrameClock.h"
#include "core/ServiceGlobals.h"
#include "platform/RuntimeRandom.h"
#include "simulation/level/CPGameData.h"
#include "simulation/level/CPLevel.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/PhysRigidBody.h"
#include "simulation/units/BonusTraits.h"
#include "simulation/units/CPPlayer.h"
#include "simulation/vehicle/CPCar.h"

namespace {

// What a consumed pick-up shows and tells.
struct PickUp {
    const char* sparks;   // object the factory launches at the bonus
    const char* sound;
    const char* message;  // "show_message" to the player's interface
    const char* word;     // "update_bonus_list" to "main"
};

const PickUp kPickUps[kBonusKindCount] = {
    {"sparks4_remont", "chik", "remont!", "repair"},
    {"sparks4", "bonus_fast", "uskorenie!", "axel"},
    {"sparks4red", "bonus_slow", "zamedlenie!", "brake"},
    {"sparks4red", "bonus_minus", "sposobnost-1!", "minus"},
    {"sparks4", "bonus_plus", "sposobnost+1!", "plus"},
    {},
    {"sparks4_gloom", "enter_sumrak", "uron_x2!", "gloom"},
    {},
    {},
    {},
};

bool Touches(const CPAxisBox& a, const CPAxisBox& b, float divisor) {
    const D3DXVECTOR3 d = b.mCentre - a.mCentre;
    const D3DXVECTOR3 reach = (a.mHalfExtents + b.mHalfExtents) / divisor;
    return std::fabs(d.x) <= reach.x && std::fabs(d.y) <= reach.y && std::fabs(d.z) <= reach.z;
}

void Send(const char* receiver, const char* command, const std::string& text) {
    if (gCommandDispatcher) gCommandDispatcher->SendByName(receiver, command, text);
}

void PlayAt(const char* name, const D3DXVECTOR3& position) {
    if (!gSoundManager) return;
    CPSmartPtr<CNSound> sound = gSoundManager->GetSound(name);
    if (!sound) return;
    gSoundManager->SetSoundPosition(sound, position, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    gSoundManager->SetSoundDistances(sound, 0.0f, 200.0f);
    sound->PlayFromStart(0);
}

// The kind a unit with these side flags takes from a bonus: the first kind whose object test and side
// rule pass, -1 for none. A bumper, pad, barrier or halo that the unit's side ignores ends the tests.
int32_t ChooseBonusKind(const BonusTraits& traits, int32_t sides) {
    const bool third = (sides & kSideThird) != 0;
    for (int32_t kind = 0; kind < kBonusKindCount; ++kind) {
        if (!traits.Has(static_cast<BonusKind>(kind))) continue;
        switch (kind) {
            case kBonusSphere:
            case kBonusLight:
                return (sides & (kSideOrvanta | kSideThird)) ? kind : -1;
            case kBonusKickPad:
            case kBonusHalo:
                return (sides & (kSideSelvanta | kSideThird)) ? kind : -1;
            default:
                if (!third) return kind;  // the third side takes no pick-up
        }
    }
    return -1;
}
}  // namespace

void CPPlayer::ApplyBonus() {
    if (!gLevel || !gLevel->mRaceClockOn || !gGameData) return;
    const CPAxisBox& unitBox = mModelName == "uaz" ? GetCollisionBounds() : GetHierarchyBounds();
    std::list<BonusEntry>& bonuses = gGameData->mBonusList;
    for (auto it = bonuses.begin(); it != bonuses.end();) {
        BonusEntry& entry = *it;
        if (!entry.Live()) {
            ++it;
            continue;
        }
        if (!entry.mTraitsRead) {
            entry.mTraits = ReadBonusTraits(*entry.mObject);
            entry.mTraitsRead = true;
        }
        CPAxisBox box;
        if (!BonusContactBox(entry.mTraits, box) || !Touches(unitBox, box, entry.mTraits.divisor)) {
            ++it;
            continue;
        }
        const int32_t kind = ChooseBonusKind(entry.mTraits, mSideFlags);
        if (kind < 0) {
            ++it;
            continue;
        }
        CPGameObject& bonus = *entry.mObject;
        // The world objects act and stay.
        if (kind == kBonusSphere || kind == kBonusKickPad || kind == kBonusLight || kind == kBonusHalo) {
            if (kind == kBonusSphere) Bounce(bonus);
            if (kind == kBonusKickPad) Kick();
            if (kind == kBonusLight) LockByBarrier();
            if (kind == kBonusHalo) PushByHalo(bonus, box);
            ++it;
            continue;
        }
        // A pick-up: shown, applied, reported, consumed.
        const PickUp& pickUp = kPickUps[kind];
        const D3DXVECTOR3 where = bonus.GetPosition();
        if (gObjectFactory)
            gObjectFactory->CreateByName(pickUp.sparks, where, D3DXVECTOR3(0.0f, 0.0f, 1.0f), -1.0f, {}, 0);
        PlayAt(pickUp.sound, where);
        if (kind == kBonusPortal) {
            ReleaseIfAlive(entry.mObject);
            it = bonuses.erase(it);
            EnterGloom();
            if (HasSide(kSidePlayer)) Send("game_interface", "show_message", pickUp.message);
            Send("main", "update_bonus_list", pickUp.word);
            continue;
        }
        TakePickUp(kind);
        if (HasSide(kSidePlayer)) Send("game_interface", "show_message", pickUp.message);
        Send("main", "update_bonus_list", pickUp.word);
        ReleaseIfAlive(entry.mObject);
        it = bonuses.erase(it);
    }
}

void CPPlayer::TakePickUp(int32_t kind) {
    CPCar* car = GetCar();
    switch (kind) {
        case kBonusRepair:
            mDamage = std::max(0.0f, mDamage - 20.0f);
            break;
        case kBonusSpeedUp:
            mThrottleHold = true;
            SetControls(0.0f, mSteering);
            mUnlockPending = true;
            mUnlockTimer = 2.0f;
            break;
        case kBonusSlowDown: {
            const CPSmartPtr<CPGameObject> left = GetChild("lflarerear");
            const CPSmartPtr<CPGameObject> right = GetChild("rflarerear");
            if (car) car->SetBrakeLights(true, true);
            if (left && !left->IsVisible()) {
                left->SetVisible(false);
                if (right) right->SetVisible(false);
            }
            mFlaresForced = true;
            mFlaresTime = 0.0f;
            break;
        }
        case kBonusAbilityMinus:
            if (mAbilities > 0) {
                --mAbilities;
                Send("game_interface", "redraw_abilities", "");
            }
            break;
        case kBonusAbilityPlus:
            if (gGameData && mAbilities < gGameData->mMaxAbilityCount) {
                ++mAbilities;
                Send("game_interface", "redraw_abilities", "");
            }
            break;
        default:
            break;
    }
}

void CPPlayer::EnterGloom() {
    mInGloom = true;
    mGloomTime = 0.0f;
    if (gLevel && gLevel->mCameraTarget == this) {
        if (gRenderer) {
            gRenderer->SetMotionBlur(0.3f);
            gRenderer->SetMotionBlurAlpha(150);
        }
        mGloomView = true;
        mGloomViewTime = 0.0f;
        gLevel->DisableUnits();
    } else if (!HasSide(kSidePlayer)) {
        SetVisible(false);
    }
}

void CPPlayer::Bounce(const CPGameObject& bonus) {
    if (gRunningTime - mLastBounce >= 1.0) mBounceCount = 0;
    if (mBounceCount >= 10) return;
    const float mass = BodyMass();
    const CPCar* car = GetCar();
    const float speed = car ? car->mSpeed : 0.0f;
    const float k = std::min(speed * 2.4f * mass * 0.1f, 300.0f);
    if (mBounceCount == 0) {
        const D3DXVECTOR3& unit = GetPosition();
        const D3DXVECTOR3& object = bonus.GetPosition();
        mBounceDir = D3DXVECTOR3(unit.x - object.x, unit.y - object.y, 0.0f);
    }
    ApplyImpulse(GetPosition(), D3DXVECTOR3(k * mBounceDir.x, k * mBounceDir.y, 2.0f * mass));
    mThrowTimer = 4.0f;
    ++mBounceCount;
    mLastBounce = gRunningTime;
}

void CPPlayer::Kick() {
    const float mass = BodyMass();
    ApplyImpulse(GetPosition(), D3DXVECTOR3(0.0f, 0.0f, 1.5f * mass));
    // An infinite or undefined mass would spin the body at an infinite rate.
    const CPPhysicData* data = GetPhysicData();
    if (data && data->mRigidBody && std::isfinite(mass))
        data->mRigidBody->SetAngularMomentum(D3DXVECTOR4(0.0f, 0.0f, 30.0f * mass, 0.0f));
    mThrowTimer = 4.0f;
}

void CPPlayer::LockByBarrier() {
    mLocked = true;
    if (CPCar* car = GetCar()) {
        car->SetControls(0.0f, mSteering);
        car->mHeld = true;
        car->SetControls(0.0f, mSteering);
    }
    mUnlockPending = true;
    mUnlockTimer = 0.0f;
}

void CPPlayer::PushByHalo(const CPGameObject& halo, const CPAxisBox& haloBox) {
    if (gRunningTime - mLastHaloHit < 0.2) return;
    const D3DXVECTOR3 unit = GetPosition();
    const D3DXVECTOR3 toHalo = halo.GetPosition() - unit;
    D3DXVECTOR3 d;
    D3DXVec3Normalize(&d, &toHalo);
    const D3DXVECTOR3 down(0.0f, -1.0f, 0.0f);
    const float a = ClampedAcos(D3DXVec3Dot(&d, &down));
    const float turn = a + kHalfPi;
    // (0, -1, 0) turned about z by the angle.
    const D3DXVECTOR3 w(std::sin(turn), -std::cos(turn), 0.0f);

    CPEffectRecord wall;
    wall.Name = "wall";
    wall.Position = unit + d;
    wall.Velocity = D3DXVECTOR3(w.x, w.y, 0.0f);
    wall.Size = 4.0f;
    wall.Param = 0.4f + 1.8f * RuntimeRandomFraction();
    wall.Life = 0.5f;
    wall.Flag = 1;
    if (gEmitterTable) gEmitterTable->SpawnEffect(wall);

    D3DXVECTOR3 impulse = (unit - haloBox.mCentre) * 100.0f;
    const float lengthSq = D3DXVec3LengthSq(&impulse);
    if (lengthSq > 160000.0f) impulse = impulse * (400.0f / std::sqrt(lengthSq));
    ApplyImpulse(unit, impulse);
    mThrowTimer = 4.0f;
    mLastHaloHit = gRunningTime;
}
