// The race unit's weapons: selecting a slot, aiming the gun, firing shots through the object factory,
// the flame thrower's effect and the damage it deals to what it touched.
#include <algorithm>
#include <cmath>
#include <limits>

#include "Render/PEffectRecord.h"
#include "Render/PEffectSpawner.h"
#include "Sound/NSound.h"
#include "Sound/NSoundManager.h"
#include "core/Angles.h"
#include "core/CPCommandDispatcher.h"
#include "core/CPObjectFactory.h"
#include "core/FrameClock.h"
#include "core/ServiceGlobals.h"
#include "platform/FiniteChecks.h"
#include "platform/RuntimeRandom.h"
#include "simulation/level/CPGameData.h"
#include "simulation/level/CPLevel.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/units/CPPlayer.h"
#include "simulation/vehicle/CPCar.h"
#include "simulation/vehicle/ShotDirection.h"

namespace {
constexpr float kGravity = 9.8f;
constexpr float kBarrelSpin = 10.5f;      // radians per second while firing
constexpr float kHeavyGunCone = 0.1f;     // radians
constexpr float kShotgunCone = 0.4f;
constexpr float kShotgunDrop = -0.2f;     // the pellets' vertical component
constexpr float kFlareTime = 0.1f;        // seconds
constexpr float kFlameSpeed = 14.0f;
constexpr float kBurnedAge = 1000.0f;     // a particle's age that ends it

const std::string& SlotWeaponName(int32_t slot) {
    static const std::string kNone;
    if (!gGameData) return kNone;
    const CarConfigRecord& config = gGameData->mRealCarConfig;
    switch (slot) {
    case 0: return config.mWeapon1;
    case 1: return config.mWeapon2;
    case 2: return config.mWeapon3;
    default: return kNone;
    }
}

std::string FlareName(const std::string& weapon, int32_t index) {
    static const char* const kSuffix[4] = {"", "_01", "_02", "_03"};
    return "flare_" + weapon + kSuffix[index];
}

void PlayFromStart(const char* name) {
    if (gSoundManager) gSoundManager->PlayFromStart(name);
}

D3DXVECTOR3 HorizontalUnit(const D3DXVECTOR3& v) {
    D3DXVECTOR3 h(v.x, v.y, 0.0f);
    D3DXVec3Normalize(&h, &h);
    return h;
}

bool HasRigidBody(const CPGameObject* object) {
    const CPPhysicData* data = object ? object->GetPhysicData() : nullptr;
    return data && data->mRigidBody;
}
}  // namespace

CPPlayer::WeaponKind CPPlayer::WeaponKindOf(const std::string& name) {
    if (name == "lgun" || name == "mgun" || name == "mgun2x") return kLightGun;
    if (name == "lgun2x") return kTwinLightGun;
    if (name == "hmgun") return kHeavyGun;
    if (name == "ssrlauncher") return kSmallRockets;
    if (name == "rlauncher") return kRockets;
    if (name == "plasma") return kPlasma;
    if (name == "shotgun" || name == "autoshotgun") return kShotgun;
    if (name == "gauss") return kGauss;
    if (name == "firethrower") return kFlameThrower;
    return kOtherWeapon;
}

const char* CPPlayer::ShotNameOf(int32_t kind) {
    switch (kind) {
    case kLightGun:
    case kTwinLightGun: return "trasser11";
    case kHeavyGun: return "trasser12";
    case kSmallRockets: return "srocket1";
    case kRockets: return "rocket1";
    case kPlasma: return "plazma";
    case kShotgun: return "trasser13";
    case kGauss: return "gauss1";
    default: return "";
    }
}

std::string CPPlayer::UsableWeaponName(int32_t slot) const {
    const std::string& name = SlotWeaponName(slot);
    if (name.empty() || !gGameData->mWeapons.Find(name) || !FindObject(name)) return std::string();
    for (int32_t i = 0; i < 4; ++i)
        if (!FindObject(FlareName(name, i))) return std::string();
    if (WeaponKindOf(name) == kHeavyGun && !FindObject(name)->GetChild("stvol")) return std::string();
    return name;
}

void CPPlayer::SelectWeapon() {
    if (mWrecked) return;
    if (mWeaponObject && gObjectRegistry::Contains(mWeaponObject.Get())) mWeaponObject->SetVisible(false);
    ReleaseIfAlive(mWeaponObject);
    for (CPSmartPtr<CPGameObject>& flare : mFlares) ReleaseIfAlive(flare);

    const std::string name = mWeaponSlot >= 0 ? UsableWeaponName(mWeaponSlot) : std::string();
    if (!name.empty()) {
        mWeaponName = name;
        mWeaponObject = FindObject(name);
        mWeaponObject->SetVisible(true);
        mWeapon = *gGameData->mWeapons.Find(name);
        for (int32_t i = 0; i < 4; ++i) {
            mFlares[i] = FindObject(FlareName(name, i));
            mFlares[i]->SetVisible(false);
        }
        mFlareIndex = 3;  // the first shot shows flare 0
        mFlareShown = false;
        mWeaponKind = WeaponKindOf(name);
        // Each slot has its own load: the block follows the slot selected, so one spent slot does not
        // silence the others.
        mWeaponBlocked = mLoad[mWeaponSlot] < 0.0f || mLoad[mWeaponSlot] < ShotCost();
    }
    // A selection re-aims the gun; no time passes.
    RunWeapon(mAimPoint, CPSmartPtr<CPGameObject>(), 0.0f);
}

void CPPlayer::NextWeapon() { StepWeapon(1); }

void CPPlayer::PrevWeapon() { StepWeapon(-1); }

void CPPlayer::StepWeapon(int32_t step) {
    const int32_t before = mWeaponSlot;
    int32_t slot = -1;
    // At most one round: the current slot is tried last, so a lone filled slot stays selected. From no
    // slot (-1) one step forward is slot 0, one step back wraps to slot 2.
    int32_t candidate = before;
    for (int32_t i = 1; i <= 3; ++i) {
        candidate += step;
        if (candidate > 2) candidate = 0;
        if (candidate < 0) candidate = 2;
        if (!UsableWeaponName(candidate).empty()) {
            slot = candidate;
            break;
        }
    }
    mWeaponSlot = slot;
    PlayFromStart(mWeaponSlot != before ? "change_weapon" : "undo_weapon");
    SelectWeapon();
}

float CPPlayer::ShotCost() const {
    const float load = static_cast<float>(mWeapon.mFullLoad) * mLoadFactor;
    if (!(load > 0.0f)) return std::numeric_limits<float>::infinity();
    return static_cast<float>(mWeapon.mShotsPerTrigger) / load;
}

void CPPlayer::UpdateWeapon(const D3DXVECTOR3& aimPoint, CPSmartPtr<CPGameObject> target) {
    RunWeapon(aimPoint, target, gDeltaTime);
}

void CPPlayer::BurnTouched(float elapsed) {
    if (mWeaponKind != kFlameThrower) return;
    mFlameTick -= elapsed;
    // Whatever the frame time, one call deals a bounded number of ticks.
    mFlameTick = FiniteOrZero(mFlameTick);
    const std::vector<CPGameObject*> burned = TakeBurned();
    for (int32_t ticks = 0; mFlameTick <= 0.0f; ++ticks) {
        if (ticks == kMaxFlameTicks) {
            mFlameTick = kFlameTickTime;
            break;
        }
        for (CPGameObject* object : burned) {
            if (!gObjectRegistry::Contains(object)) continue;
            const D3DXVECTOR3 at = object->GetPosition();
            object->Damage(at, at - GetPosition(), mWeapon.mShotValue, 0, false);
            object->AttachFlame(1.0f);
        }
        mFlameTick += kFlameTickTime;
    }
}

void CPPlayer::RunWeapon(const D3DXVECTOR3& aimPoint, const CPSmartPtr<CPGameObject>& target, float elapsed) {
    if (mWrecked) return;
    mAimPoint = aimPoint;
    mShotCooldown -= elapsed;
    if (!IsArmed()) {
        ReleaseIfAlive(mWeaponObject);
        return;
    }
    CPGameObject& gun = *mWeaponObject;
    BurnTouched(elapsed);
    SpinBarrel(gun, elapsed);
    // The gun turns whether or not it fires: the shots leave along the aim of this call.
    const WeaponAim aim = AimGun(gun, aimPoint, target.Get());
    if (mWeaponBlocked || !mFireInput || !(mShotCooldown < 0.0f)) return;
    PullTrigger(gun, aim);
}

bool CPPlayer::IsArmed() const {
    // A gun or flare deleted from the unit's tree since the selection leaves the unit unarmed.
    bool armed = mWeaponObject && gObjectRegistry::Contains(mWeaponObject.Get());
    for (const CPSmartPtr<CPGameObject>& flare : mFlares) armed = armed && flare && gObjectRegistry::Contains(flare.Get());
    return armed;
}

void CPPlayer::SpinBarrel(CPGameObject& gun, float elapsed) {
    if (mWeaponKind != kHeavyGun || !mFireInput) return;
    mBarrelAngle += elapsed * kBarrelSpin;
    if (CPSmartPtr<CPGameObject> barrel = gun.GetChild("stvol")) {
        D3DXQUATERNION spin;
        const D3DXVECTOR3 axis(0.0f, 1.0f, 0.0f);
        D3DXQuaternionRotationAxis(&spin, &axis, mBarrelAngle);
        barrel->SetRotation(spin);
    }
}

CPPlayer::WeaponAim CPPlayer::AimGun(CPGameObject& gun, const D3DXVECTOR3& aimPoint, const CPGameObject* target) {
    // The gun turns about z toward the aim point (the rocket launcher also pitches up for its lob).
    const D3DXMATRIX& world = GetWorldMatrix();
    D3DXVECTOR3 muzzle;
    D3DXVec3TransformCoord(&muzzle, &gun.GetPosition(), &world);
    D3DXVECTOR3 forward;
    const D3DXVECTOR3 modelForward(0.0f, -1.0f, 0.0f);
    D3DXVec3TransformNormal(&forward, &modelForward, &world);
    const bool solidTarget = HasRigidBody(target);
    WeaponAim aim;
    D3DXVECTOR3& d = aim.direction;
    d = aimPoint - muzzle;
    if (solidTarget) d.z = target->GetCollisionBounds().mCentre.z - muzzle.z;
    const D3DXVECTOR3 h = HorizontalUnit(d);
    const D3DXVECTOR3 f = HorizontalUnit(forward);
    const float s = h.x * f.y - h.y * f.x;
    const float yaw = ClampedAcos(D3DXVec3Dot(&f, &h)) * (s > 0.0f ? -1.0f : 1.0f);
    D3DXQUATERNION turn;
    const D3DXVECTOR3 zAxis(0.0f, 0.0f, 1.0f);
    D3DXQuaternionRotationAxis(&turn, &zAxis, yaw);
    // The rocket's lob: the low angle theta of a launch at kRocketSpeed reaching the range; the gun shows
    // the high angle pi/2 - theta, which reaches the same range.
    if (mWeaponKind == kRockets) {
        const float range = std::sqrt(d.x * d.x + d.y * d.y);
        const float theta = 0.5f * std::asin(std::min(1.0f, kGravity * range / (kRocketSpeed * kRocketSpeed)));
        aim.elevation = kHalfPi - theta;
        D3DXQUATERNION pitch;
        const D3DXVECTOR3 xAxis(1.0f, 0.0f, 0.0f);
        D3DXQuaternionRotationAxis(&pitch, &xAxis, -aim.elevation);
        D3DXQuaternionMultiply(&turn, &pitch, &turn);
    }
    gun.SetRotation(turn);
    gun.UpdateTransform();
    if (!solidTarget) d.z = 0.0f;  // shots fly level
    return aim;
}

void CPPlayer::PullTrigger(CPGameObject& gun, const WeaponAim& aim) {
    const int32_t slot = std::clamp(mWeaponSlot, 0, 2);
    const float cost = ShotCost();
    const float newLoad = mLoad[slot] - cost;
    if (mLoad[slot] >= cost) {
        CPCar* car = GetCar();
        const ShotLaunch launch{ShowNextFlare(), mWeapon.mShotValue, mWeaponObject,
                                car ? reinterpret_cast<intptr_t>(&car->mSpeed) : 0};
        D3DXVECTOR3 d = aim.direction;
        D3DXVec3Normalize(&d, &d);
        FireWeaponKind(gun, launch, d, aim.elevation);
        if (mWeaponKind != kOtherWeapon) {
            const float rate = mFireRateFactor * mWeapon.mFireRate;
            mShotCooldown = rate > 0.0f ? 1.0f / rate : 0.0f;
            mLoad[slot] = newLoad;
        }
    }
    if (newLoad < cost) mWeaponBlocked = true;
    if (gCommandDispatcher) gCommandDispatcher->SendByName("gamemenu", "update_game_interface", "");
}

D3DXVECTOR3 CPPlayer::ShowNextFlare() {
    mFlares[mFlareIndex]->SetVisible(false);
    mFlareIndex = (mFlareIndex + 1) % 4;
    CPGameObject& flare = *mFlares[mFlareIndex];
    flare.SetVisible(true);
    mFlareTime = kFlareTime;
    mFlareShown = true;
    const D3DXMATRIX& flareWorld = flare.GetWorldMatrix();
    return D3DXVECTOR3(flareWorld._41, flareWorld._42, flareWorld._43);
}

void CPPlayer::FireWeaponKind(const CPGameObject& gun, const ShotLaunch& launch, D3DXVECTOR3 d, float elevation) {
    switch (mWeaponKind) {
    case kLightGun:
    case kTwinLightGun:
        FireShot(launch, d);
        EjectShell(gun);
        break;
    case kSmallRockets:
    case kGauss:
        FireShot(launch, d);
        break;
    case kHeavyGun:
        FireShot(launch, ConeDirection(d, kHeavyGunCone));
        EjectShell(gun);
        break;
    case kShotgun:
        FireShotgun(gun, launch, d);
        break;
    case kRockets:
        FireRocket(launch, d, elevation);
        break;
    case kPlasma:
        FirePlasma(launch);
        break;
    case kFlameThrower:
        FireFlame(launch.from, d);
        break;
    default:
        break;
    }
}

void CPPlayer::FireShot(const ShotLaunch& launch, const D3DXVECTOR3& direction) const {
    if (gObjectFactory)
        gObjectFactory->CreateByName(ShotNameOf(mWeaponKind), launch.from, direction, launch.value, launch.owner,
                                     launch.carSpeed);
}

void CPPlayer::FireShotgun(const CPGameObject& gun, const ShotLaunch& launch, D3DXVECTOR3 d) {
    d.z = kShotgunDrop;
    for (int32_t i = 0; i < mWeapon.mShotsPerTrigger; ++i) {
        FireShot(launch, ConeDirection(d, kShotgunCone));
        EjectShell(gun);
    }
}

void CPPlayer::FireRocket(const ShotLaunch& launch, const D3DXVECTOR3& d, float elevation) const {
    // Launched along the gun: the horizontal aim raised by the gun's elevation.
    const D3DXVECTOR3 across = HorizontalUnit(d);
    FireShot(launch, across * std::cos(elevation) + D3DXVECTOR3(0.0f, 0.0f, std::sin(elevation)));
}

void CPPlayer::FirePlasma(const ShotLaunch& launch) const {
    // The plasma bolt rides on the flare just shown, from its origin along the model's forward axis.
    if (gObjectFactory)
        gObjectFactory->CreateByName(ShotNameOf(kPlasma), D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXVECTOR3(0.0f, -1.0f, 0.0f),
                                     launch.value, mFlares[mFlareIndex], launch.carSpeed);
}

void CPPlayer::FireFlame(const D3DXVECTOR3& from, const D3DXVECTOR3& d) {
    const float yawSpread = 0.2f * RuntimeRandomFraction() - 0.1f;
    const float pitchSpread = 0.2f * RuntimeRandomFraction() - 0.1f;
    const float rollSpread = 0.2f * RuntimeRandomFraction() - 0.1f;
    D3DXMATRIX spread;
    D3DXMatrixRotationYawPitchRoll(&spread, yawSpread, pitchSpread, rollSpread);
    D3DXVECTOR3 spray;
    D3DXVec3TransformNormal(&spray, &d, &spread);
    CPEffectRecord flame;
    flame.Name = "firethrower";
    flame.Position = from;
    flame.Velocity = spray * kFlameSpeed;
    flame.Life = 0.8f + 0.3f * RuntimeRandomFraction();
    flame.ContactHook = &CPPlayer::OnContactHook;
    flame.Owner = CPSmartPtr<CPGameObject>(this);
    if (gEmitterTable) gEmitterTable->SpawnEffect(flame);
}

void CPPlayer::OnContactHook(CPGameObject* owner, CPEffectParticle& particle) {
    auto* unit = dynamic_cast<CPPlayer*>(owner);
    if (!unit || !gLevel) return;
    CPLevel::ObjectList touched;
    gLevel->CollectInSphere(particle.position, particle.radius, touched);

    CPRayQuery query;
    query.ignored = unit;
    query.origin = particle.previousPosition;
    const D3DXVECTOR3 travel = particle.position - particle.previousPosition;
    query.length = D3DXVec3Length(&travel);
    D3DXVec3Normalize(&query.direction, &travel);
    if (gLevel->CrossInterfaceRay(query) && query.hitObject) {
        unit->AddBurned(query.hitObject.Get());
        particle.age = kBurnedAge;
    }
    for (const CPSmartPtr<CPGameObject>& object : touched) {
        if (!object || object.Get() == unit) continue;
        unit->AddBurned(object.Get());
        particle.age = kBurnedAge;
    }
}
