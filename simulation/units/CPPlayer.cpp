#include "simulation/units/CPPlayer.h"

#include <cmath>

#include "Sound/NSound.h"
#include "platform/FiniteChecks.h"
#include "simulation/physics/CPPhysicData.h"
#include "simulation/physics/PhysRigidBody.h"
#include "simulation/vehicle/CPCar.h"

CPPlayer::CPPlayer() : CPGameObject("PLAYER") {}

CPPlayer::~CPPlayer() {
    // The shadow is the unit's own tree, built for it alone; the weapon object and the flares are
    // children and go with the unit's tree.
    if (mShadow && gObjectRegistry::Contains(mShadow.Get())) delete mShadow.Get();
    mShadow.Forget();
    // A weapon child or flare taken out of the tree and deleted earlier is forgotten, not released.
    ReleaseIfAlive(mWeaponObject);
    for (CPSmartPtr<CPGameObject>& flare : mFlares) ReleaseIfAlive(flare);
    mBurned.clear();
}

D3DXVECTOR3 CPPlayer::GetCarVelocity() const {
    const CPCar* car = GetCar();
    return car ? car->mVelocity : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

void CPPlayer::SetControls(float throttle, float steering) {
    if (mLocked) return;
    mSteering = steering;
    mThrottle = mThrottleHold ? 0.0f : throttle;
}

void CPPlayer::SetLocked(bool lock) {
    mLocked = lock;
    CPCar* car = GetCar();
    if (!car) return;
    if (lock) car->SetControls(0.0f, mSteering);
    car->mHeld = lock;
}

void CPPlayer::SetBrakeFlares(bool on, bool drift) {
    if (mLocked) return;
    if (mFlaresForced) {
        for (const char* name : {"lflarerear", "rflarerear"})
            if (CPSmartPtr<CPGameObject> flare = GetChild(name)) flare->SetVisible(on);
        return;
    }
    if (CPCar* car = GetCar()) car->SetBrakeLights(on, drift);
}

void CPPlayer::SetStopLights(bool on) {
    if (mLocked) return;
    if (CPCar* car = GetCar()) car->SetStopLights(on);
}

void CPPlayer::SetEngineVolume(float volume) {
    CPCar* car = GetCar();
    if (!car) return;
    if (CNSound* engine = car->mSounds[CPCar::kEngineSound].Get()) engine->SetVolume(volume);
}

void CPPlayer::SetNitro(float amount) {
    CPCar* car = GetCar();
    if (!car) return;
    const float level = mLocked ? 0.0f : amount;
    car->mNitro = car->mNitroReserve == 0.0f ? 0.0f : level;
}

void CPPlayer::SetNitroAI(float /*amount*/, float /*unused*/) {
    mThrottleHold = true;
    if (!mLocked) mThrottle = 0.0f;
}

void CPPlayer::ApplyImpulse(const D3DXVECTOR3& point, const D3DXVECTOR3& impulse) {
    const CPCar* car = GetCar();
    if (!car || !car->GetOwner() || !IsFinite(point) || !IsFinite(impulse)) return;
    const CPPhysicData* data = car->GetOwner()->GetPhysicData();
    if (data && data->mRigidBody) data->mRigidBody->ApplyImpulse(impulse, point);
}

D3DXVECTOR3 CPPlayer::GetFacing() const {
    D3DXMATRIX rotation;
    D3DXMatrixRotationQuaternion(&rotation, &GetRotation());
    const D3DXVECTOR3 modelForward(0.0f, -1.0f, 0.0f);
    D3DXVECTOR3 facing;
    D3DXVec3TransformNormal(&facing, &modelForward, &rotation);
    D3DXVec3Normalize(&facing, &facing);
    return facing;
}

float CPPlayer::BodyMass() const {
    const CPPhysicData* data = GetPhysicData();
    return data ? data->GetBodyParameters().mass : 0.0f;
}

void CPPlayer::AddBurned(CPGameObject* object) {
    if (object) mBurned.insert(object);
}

std::vector<CPGameObject*> CPPlayer::TakeBurned() {
    std::vector<CPGameObject*> live;
    for (CPGameObject* object : mBurned)
        if (gObjectRegistry::Contains(object)) live.push_back(object);
    mBurned.clear();
    return live;
}
