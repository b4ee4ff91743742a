// The input side and the visible and audible side of a car: throttle and steering, brake, drift and
// stop with their rear lights, the crash, the wheel meshes with their dust, and the four sounds.
#include <algorithm>
#include <cmath>

#include "Render/PEffectRecord.h"
#include "Render/PEffectSpawner.h"
#include "Sound/NSound.h"
#include "Sound/NSoundManager.h"
#include "core/Angles.h"
#include "core/CPCommandDispatcher.h"
#include "core/CPGameObject.h"
#include "core/FrameClock.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "platform/DirectSound.h"
#include "platform/RuntimeRandom.h"
#include "simulation/level/CPGameData.h"
#include "simulation/level/CPLevel.h"
#include "simulation/units/CPPlayer.h"
#include "simulation/units/DebrisBudget.h"
#include "simulation/vehicle/CPCar.h"

namespace {
constexpr int32_t kHardestDifficulty = 3;
constexpr int32_t kDustBudget = 40;
constexpr float kDustSpeedSquare = 80.0f;

void PlayOnce(CNSound* sound, DWORD flags) {
    if (sound && !sound->IsPlaying()) sound->Play(0, flags);
}
void StopIfPlaying(CNSound* sound) {
    if (sound && sound->IsPlaying()) sound->Stop();
}
}  // namespace

void CPCar::SetControls(float throttle, float steer) {
    if (mCrashed && gSettings::cam_speed == kHardestDifficulty) return;
    // The body-frame forward component of the last step's velocity: above 0 the car rolls backwards.
    const float along = mVelocity.x * mInverseTransform.m[0][1] + mVelocity.y * mInverseTransform.m[1][1] +
                        mVelocity.z * mInverseTransform.m[2][1];
    if (throttle < 0.0f) {
        mDrive = throttle * mAccelerationBack;
        if (along > 0.0f) {
            ShowLight(kOwnBacklights, false);
            ShowLight(kOwnBacklights2, true);
        }
    } else {
        mDrive = throttle * mAccelerationFront;
        ShowLight(kOwnBacklights, true);
        ShowLight(kOwnBacklights2, false);
    }
    if (steer != 0.0f) steer = std::clamp(steer, -kMaxSteer, kMaxSteer);
    mControlsSet = true;
    mSteer = steer;
    if (mPlayerCar) {
        if (mNitroPose) mSteer *= 0.2f;
        if (mStopPose) mSteer *= 2.0f;
    }
}

void CPCar::SetBrakeLights(bool brake, bool drift) {
    ShowLight(kBacklights, !brake);
    ShowLight(kBacklights01, !brake);
    ShowLight(kBacklights2, brake);
    ShowLight(kBacklights201, brake);
    mBrakeInput = brake;
    mDriftInput = drift;
}

void CPCar::SetStopLights(bool stop) {
    ShowLight(kBacklights01, !stop);
    ShowLight(kBacklights, !stop);
    ShowLight(kBacklights201, stop);
    ShowLight(kBacklights2, stop);
    mStopInput = stop;
}

void CPCar::SetCrashed(bool on) {
    if (on && !mCrashed) {
        mCrashTime = 0.0f;
        mCrashed = true;
        if (gSettings::cam_speed != kHardestDifficulty) return;
        const float side = RuntimeRand() % 2 == 1 ? 1.0f : -1.0f;
        mTumbleAngle = 0.0f;
        const float fraction = RuntimeRandomFraction();
        mTumbleRate = (fraction + 0.1f) * side;
        mSpinTarget = RuntimeRand() % 2 == 1 ? kHalfPi : -kHalfPi;
        if (mVisualYaw != 0.0f) mSpinTarget = mVisualYaw > 0.0f ? kHalfPi : -kHalfPi;
        if (mPlayerCar && gLevel && !gLevel->mGameOver && gCommandDispatcher)
            gCommandDispatcher->SendByName("game_interface", "show_message", "carcrashed!");
        if (CNSound* slam = mSounds[kCrashSound].Get()) slam->Play(0, DSBPLAY_LOOPING);
    } else if (!on && mCrashed) {
        mCrashed = false;
        mSpinAngle = 0.0f;
        mTumbleAngle = 0.0f;
        StopIfPlaying(mSounds[kCrashSound].Get());
    }
}

D3DXQUATERNION CPCar::MakeWheelMatrix(float angle) {
    D3DXMATRIX turn;
    D3DXMatrixRotationX(&turn, angle);
    D3DXQUATERNION q;
    D3DXQuaternionRotationMatrix(&q, &turn);
    return q;
}

void CPCar::UpdateWheelMeshes(int32_t i, float dt, const D3DXVECTOR3& v) {
    if (i < 0 || i >= kMaxWheels) return;
    // Spin: a rolling wheel follows the ground, a wheel in the air spins with the drive; braked rear
    // wheels stand still.
    const float half = mWheelRadius * 0.5f;
    if (i < 2 || !mBrakeInput) {
        if (mTouching[i]) {
            if (half != 0.0f) mSpinAngles[i] += dt * mRollingSpeeds[i] / half;
        } else {
            mSpinAngles[i] -= dt * mDrive;
        }
    }

    // Dust behind the last rear wheel while sliding (or the player off the road).
    CNSound* skid = mSounds[kSkidSound].Get();
    const float offRoad = gLevel ? gLevel->mOffRoad : 0.0f;
    const bool dusty = mTouching[i] && D3DXVec3LengthSq(&v) > kDustSpeedSquare && gSettings::dust != 0 &&
                       (mSlideAmount > 0.0f || (mPlayerCar && offRoad > 0.0f)) && i > 2;
    if (dusty) {
        CPSmartPtr<CPGameObject> source = FindPart(kPartRearWheel);
        if (source) {
            const D3DXMATRIX& world = source->GetWorldMatrix();
            const D3DXVECTOR3 from(world.m[3][0], world.m[3][1], world.m[3][2] - 0.2f);
            CPEffectRecord puff;
            puff.Name = "pil_";
            puff.Position = from;
            puff.Velocity = D3DXVECTOR3(0.0f, 0.0f, 0.5f);
            const float fraction = RuntimeRandomFraction();
            const float size = 0.4f + 0.2f * fraction;
            puff.Size = size;
            puff.Param = 0.15f;
            puff.Life = 1.0f;
            puff.Flag = 1;
            puff.Flag2 = 0;
            if (gDebrisCount < kDustBudget) {
                const float spacing = mPlayerCar ? 1.0f : 2.0f;
                const float chance = RuntimeRandomFraction();
                const D3DXVECTOR3 moved = from - mDustPositions[i];
                if ((chance + 1.0f) * 0.5f * spacing * size * size <= D3DXVec3LengthSq(&moved)) {
                    mDustCount[i] += 1.0f;
                    if (gEmitterTable) gEmitterTable->SpawnEffect(puff);
                    mDustPositions[i] = from;
                    ++gDebrisCount;
                }
            }
        }
        PlayOnce(skid, 0);
    } else if (mSlideAmount < 0.2f) {
        StopIfPlaying(skid);
    }

    // The wheel meshes of the model: the front wheel "w0_" and the rear wheel "w2_" stand for all.
    const Part* parts = nullptr;
    static constexpr Part kFront[] = {kPartFrontWheel, kPartFrontWheel01};
    static constexpr Part kRear[] = {kPartRearWheel, kPartRearWheel01};
    if (i == 0) parts = kFront;
    if (i == 2) parts = kRear;
    if (!parts || !mOwner) return;
    // The turn is made only when a mesh is there to take it.
    D3DXQUATERNION turn;
    bool turnMade = false;
    for (int k = 0; k < 2; ++k) {
        if (CPSmartPtr<CPGameObject> mesh = FindPart(parts[k])) {
            if (!turnMade) turn = MakeWheelMatrix(mSpinAngles[i]);
            turnMade = true;
            mesh->SetRotation(turn);
        }
    }
}

void CPCar::UpdateSounds() {
    if (mSoundStamp == gFrameCounter || !gGameData || !gGameData->mLevelStarted) return;
    const bool pitchedBack = mVisualPitch > 0.1f;

    CNSound* squeal = mSounds[kBrakeSound].Get();
    if (pitchedBack)
        PlayOnce(squeal, 0);
    else
        StopIfPlaying(squeal);

    CNSound* engine = mSounds[kEngineSound].Get();
    PlayOnce(engine, DSBPLAY_LOOPING);
    const float target = std::min(0.25f * mSpeed + 0.5f, 40.0f) * (pitchedBack ? 1.2f : 1.0f);
    mEnginePitch += (target - mEnginePitch) * gDeltaTime * 5.0f;
    if (!std::isfinite(mEnginePitch)) mEnginePitch = target;
    if (engine) {
        // The buffer refuses a frequency outside its range: the pitch stays where the sound can follow.
        const float own = static_cast<float>(engine->GetFrequency());
        if (own > 0.0f)
            mEnginePitch = std::clamp(mEnginePitch, static_cast<float>(DSBFREQUENCY_MIN) / own,
                                      static_cast<float>(DSBFREQUENCY_MAX) / own);
        engine->SetPitch(mEnginePitch);
    }

    // Far cars move their sounds less often: every 0.02 s per unit of distance from the camera target.
    const CPPlayer* target3d = gLevel ? gLevel->mCameraTarget : nullptr;
    const D3DXVECTOR3 here = mOwner ? mOwner->GetPosition() : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    D3DXVECTOR3 apart = target3d ? target3d->GetPosition() - here : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    const float distance = D3DXVec3Length(&apart);
    if (0.02f * distance <= mSoundTimer && gSoundManager) {
        const D3DXVECTOR3 still(0.0f, 0.0f, 0.0f);
        if (engine) gSoundManager->SetSoundPosition(mSounds[kEngineSound], here, still);
        mSoundTimer = 0.0f;
        for (int32_t slot : {kSkidSound, kBrakeSound, kCrashSound})
            if (CNSound* sound = mSounds[slot].Get(); sound && sound->IsPlaying())
                gSoundManager->SetSoundPosition(mSounds[slot], here, still);
    }
    mSoundStamp = gFrameCounter;
}
