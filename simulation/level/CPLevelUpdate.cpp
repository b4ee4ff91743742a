// The race rules of one frame: the result, the time limits, the player's fixed steps, the other units,
// the camera and the listener, nitro zones, checkpoints, the time-attack ghost and the drawing.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "Render/CPCamera.h"
#include "Render/CPMiniMap.h"
#include "Render/CPQuadTree.h"
#include "Render/CPRenderQueue.h"
#include "Render/PCamera.h"
#include "Render/PRender.h"
#include "Sound/NSound.h"
#include "Sound/NSoundManager.h"
#include "core/Angles.h"
#include "core/CPCommandDispatcher.h"
#include "core/EngineAssert.h"
#include "core/FrameClock.h"
#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "platform/Clock.h"
#include "platform/FiniteChecks.h"
#include "platform/RuntimeRandom.h"
#include "simulation/enemies/CPVehicleUpdater.h"
#include "simulation/level/CPGameData.h"
#include "simulation/level/CPLevel.h"
#include "simulation/level/CPLevelBranch.h"
#include "simulation/units/CPPlayer.h"
#include "simulation/vehicle/CPCar.h"

namespace {

constexpr float kLowCameraAngle = -0.2617994f;  // -15 degrees

void Send(const char* target, const char* command, const std::string& param) {
    if (gCommandDispatcher) gCommandDispatcher->SendByName(target, command, param);
}

// The direction (0, -1, 0) and (0, 0, 1) of an object, turned by its rotation.
void Axes(const CPGameObject& object, D3DXVECTOR3& forward, D3DXVECTOR3& up) {
    D3DXMATRIX rotation;
    D3DXMatrixRotationQuaternion(&rotation, &object.GetRotation());
    const D3DXVECTOR3 localForward(0.0f, -1.0f, 0.0f), localUp(0.0f, 0.0f, 1.0f);
    D3DXVec3TransformNormal(&forward, &localForward, &rotation);
    D3DXVec3TransformNormal(&up, &localUp, &rotation);
}

// The car's speed as the AI driving takes it: negated unless the unit brakes or reverses.
float DrivingSpeed(const CPPlayer& unit) {
    const CPCar* car = unit.GetCar();
    const float speed = car ? car->mSpeed : 0.0f;
    return unit.mThrottle < 0.0f ? speed : -speed;
}


}  // namespace

void CPLevel::ShowMessage(const char* text) { Send("game_interface", "show_message", text); }

void CPLevel::EndPlayersRace() {
    Send("jeep", "game_over", "");
    mGameOver = true;
    // The chase camera turns to a view of its own along the heading the race ended with.
    mFixedHeadingSet = true;
    mFixedHeading = mHeading;
}

float CPLevel::RollingYawOffset() const {
    if (mRollingView == 1) return mSpinSign * mSpinTime * 0.3f;
    if (mRollingView == 2) return -D3DX_PI;
    return 0.0f;
}

void CPLevel::DecideResult() {
    if (mResultDecided) return;
    if (mFinishSlots[0] == kPlayerSlot) {
        if (!mTimeMode) {
            Send("game_interface", "place", "1st");
            if (mRequiredPlace >= 0) {
                ShowMessage("finish!");
                EndPlayersRace();
            }
        } else {
            CPGameData* data = gGameData;
            // A level number or a lap without a stored entry is no record.
            const int32_t level = mLevelNumber - 1;
            const int32_t lap = data ? data->mCurrentLap - 2 : -1;
            bool record = false;
            if (data && level >= 0 && level < CPGameData::kLevelCount && lap >= 0 &&
                static_cast<size_t>(lap) < data->mLapTimes.size()) {
                TimeAttackResult& best = data->mLevelResults[static_cast<size_t>(level)];
                const float time = data->mLapTimes[static_cast<size_t>(lap)];
                if (best.mBestTime == 0.0f || time < best.mBestTime) {
                    best.mBestTime = time;
                    best.mGhostName = mGhostName;
                    best.mSamples = mGhostSamples;
                    record = true;
                }
            }
            ShowMessage(record ? "finish!" : "lost!");
            EndPlayersRace();
        }
        mResultDecided = true;
    } else {
        for (int32_t place = 1; place < 3; ++place) {
            if (mFinishSlots[static_cast<size_t>(place)] != kPlayerSlot) continue;
            Send("game_interface", "place", place == 1 ? "2nd" : "3rd");
            mResultDecided = true;
            ShowMessage(mRequiredPlace >= place ? "finish!" : "lost!");
            EndPlayersRace();
            break;
        }
    }
    const bool allTaken = std::none_of(mFinishSlots.begin(), mFinishSlots.end(), [](int32_t s) { return s == -1; });
    const bool playerPlaced =
        std::find(mFinishSlots.begin(), mFinishSlots.end(), kPlayerSlot) != mFinishSlots.end();
    if (!mResultDecided && allTaken && !playerPlaced) {
        mResultDecided = true;
        ShowMessage("lost!");
        EndPlayersRace();
    }
}

void CPLevel::RunCheckpointTimer(float dt) {
    const bool started = gGameData && gGameData->mLevelStarted;
    if (!started || mLastCheckpoint == -1 || mGameOver || mResultDecided || mSingleMode) return;
    mCheckpointTimer -= dt;
    if (mCheckpointTimer > 0.0f) return;
    Send("game_interface", "checkpoint", "timeout!,1");
    ShowMessage("lost!");
    EndPlayersRace();
    mCheckpointTimer = 0.0f;
    mResultDecided = true;
}

void CPLevel::RollingCameraHop(float dt) {
    if (!mRolling) return;
    mRollingTimer += dt;
    if (!(mRollingTimer > kRollingHopPeriod)) return;
    mRollingTimer = 0.0f;
    const int32_t r = RuntimeRand();
    if (r % 2 != 0) {
        const int32_t view = RuntimeRand() % 3;
        if (view == mRollingView) return;
        mRollingView = view;
        mSpinTime = 0.0f;
        const int32_t sign = RuntimeRand();
        mSpinSign = sign % 2 != 0 ? 1.0f : -1.0f;
        const int32_t angle = RuntimeRand();
        if (mCamera) {
            if (view == 0) mCamera->mYaw = mHeading;
            if (view == 2) mCamera->mYaw = -D3DX_PI;
            mCamera->mPitch = angle % 4 != 0 ? -kHalfPi : kLowCameraAngle;
            mCamera->mChanged = true;
        }
    } else {
        SetCameraMode(RuntimeRand() % 2);
    }
}

int32_t CPLevel::TakePlayerSteps(float dt) {
    if (IsPositiveFinite(dt)) mPlayerStepAcc += dt;
    int32_t steps = 0;
    while (mPlayerStepAcc >= kPlayerStep && steps < kMaxPlayerSteps) {
        mPlayerStepAcc -= kPlayerStep;
        ++steps;
    }
    // What a single absurd frame left over is dropped, not carried into the frames after it.
    if (mPlayerStepAcc >= kPlayerStep) mPlayerStepAcc = 0.0f;
    return steps;
}

void CPLevel::ReachCheckpoints() {
    if (mSingleMode || mGameOver || !mPlayer) return;
    const D3DXVECTOR3 at = mPlayer->GetPosition();
    for (size_t j = 0; j < mCheckpoints.size(); ++j) {
        CPGameObject* object = mCheckpoints[j].mObject;
        if (static_cast<int32_t>(j) == mLastCheckpoint || !object || !gObjectRegistry::Contains(object) ||
            !object->GetCollisionBounds().Contains(at))
            continue;
        mCheckpointsPassed += 1;
        const std::string text = gGameData ? gGameData->GetText("bonus_time") : std::string();
        const float left = std::trunc(mCheckpointTimer * 10.0f) * 0.1f;
        if (mCheckpointTimer > 0.0f) {
            char param[512];
            std::snprintf(param, sizeof param, "time,%s,%f", text.c_str(), static_cast<double>(left));
            Send("game_interface", "bonus_points", param);
        }
        mCheckpointTimer = mCheckpoints[j].mTimeAllowance;
        const int32_t count = static_cast<int32_t>(mCheckpoints.size());
        const bool lastOfRace = gGameData && gGameData->mCurrentLap == 3 && mCheckpointsPassed == count + 1;
        if (!lastOfRace) Send("game_interface", "checkpoint", mLastCheckpoint != -1 ? "checkpoint!,1" : "checkpoint!,0");
        mLastCheckpoint = static_cast<int32_t>(j);
        if (mCheckpointsPassed > count) mCheckpointsPassed = 1;
        return;
    }
}

void CPLevel::RefillNitro(float dt) {
    mFastCooldown = std::max(mFastCooldown - dt, 0.0f);
    for (CPGameObject* zone : mFastZones) {
        if (!zone || !gObjectRegistry::Contains(zone)) continue;
        const CPAxisBox& box = zone->GetCollisionBounds();
        CPCar* car = mPlayer ? mPlayer->GetCar() : nullptr;
        if (car && box.Contains(mPlayer->GetPosition())) {
            if (car->mNitroReserve != kNitroFull && mFastCooldown == 0.0f && gSoundManager) {
                if (CPSmartPtr<CNSound> fast = gSoundManager->GetSound("fast")) {
                    if (fast->IsPlaying()) {
                        fast->Stop();
                        fast->Rewind();
                    }
                    fast->Play(0, 0);
                    ReleaseIfAlive(fast);
                }
                mFastCooldown = kFastSoundLockout;
            }
            car->mNitroReserve = std::min(car->mNitroReserve + kNitroFull, kNitroFull);
        }
        for (CPPlayer* unit : mEnemies) {
            CPCar* unitCar = unit ? unit->GetCar() : nullptr;
            if (unitCar && box.Contains(unit->GetPosition()))
                unitCar->mNitroReserve = std::min(unitCar->mNitroReserve + kNitroFull, kNitroFull);
        }
    }
}

void CPLevel::RecordGhost() {
    if (!mPlayer || !(mLastGhostSample + kGhostSamplePeriod < mClock)) return;
    mLastGhostSample = mClock;
    GhostSample sample;
    sample.mPosition = mPlayer->GetPosition();
    sample.mRotation = mPlayer->GetRotation();
    const CPCar* car = mPlayer->GetCar();
    sample.mBikeShown = car && car->mMainPose ? 1 : 0;
    if (CPSmartPtr<CPGameObject> bike = mPlayer->FindObject(sample.mBikeShown ? "bike" : "bike01")) {
        sample.mBikeRotation = bike->GetRotation();
        ReleaseIfAlive(bike);
    }
    if (CPSmartPtr<CPGameObject> body = mPlayer->FindObject("car2")) {
        sample.mCar2Rotation = body->GetRotation();
        ReleaseIfAlive(body);
    }
    sample.mTime = mLastGhostSample;
    mGhostSamples.push_back(sample);
}

void CPLevel::PlayGhost() {
    if (!mGhost || !gGameData) return;
    const int32_t level = mLevelNumber - 1;
    if (level < 0 || level >= CPGameData::kLevelCount) return;
    const std::vector<GhostSample>& samples = gGameData->mLevelResults[static_cast<size_t>(level)].mSamples;
    // Playback needs two samples to move between.
    const int32_t count = static_cast<int32_t>(samples.size());
    if (count < 2) return;
    int32_t i = std::clamp(mGhostIndex, 0, count - 1);
    while (samples[static_cast<size_t>(i)].mTime < mClock && i < count - 1) ++i;
    mGhostIndex = i;
    const GhostSample& next = samples[static_cast<size_t>(i)];
    if (!(next.mTime >= mClock) || i == 0) return;
    const GhostSample& previous = samples[static_cast<size_t>(i - 1)];
    const float span = next.mTime - previous.mTime;
    const float t = span > 0.0f ? (mClock - previous.mTime) / span : 1.0f;
    CPSmartPtr<CPGameObject> bike = mGhost->FindObject("bike");
    CPSmartPtr<CPGameObject> bike01 = mGhost->FindObject("bike01");
    if (bike) bike->SetVisible(next.mBikeShown != 0);
    if (bike01) bike01->SetVisible(next.mBikeShown == 0);
    CPSmartPtr<CPGameObject>& shown = next.mBikeShown ? bike : bike01;
    if (shown) shown->SetRotation(next.mBikeRotation);
    if (CPSmartPtr<CPGameObject> body = mGhost->FindObject("car2")) {
        body->SetRotation(next.mCar2Rotation);
        ReleaseIfAlive(body);
    }
    ReleaseIfAlive(bike);
    ReleaseIfAlive(bike01);
    mGhost->SetPosition(previous.mPosition + (next.mPosition - previous.mPosition) * t);
    mGhost->SetRotation(next.mRotation);
}

void CPLevel::Update() {
    const float dt = gDeltaTime;
    DecideResult();
    RunCheckpointTimer(dt);
    RollingCameraHop(dt);
    AdvanceRaceClocks(dt);
    StepPlayer(dt);
    // The camera target is seen once, after its own steps and before the other units move: the camera,
    // the listener, the after-race driving and the minimap all take that one pose.
    const TargetPose pose = PoseOfCameraTarget();
    FeedChaseCamera(pose);
    PlaceListener(pose);
    mRespawnClock += std::min(dt, kRespawnClockCap);
    DriveUnits(dt, pose);
    UpdateRoadPosition();
    RefillNitro(dt);
    ReachCheckpoints();
    AimCamera(pose);
    QueueRaceDrawing(pose);
    UpdateLensFlare();
    ENGINE_ASSERT(RaceIsSound());
}

void CPLevel::AdvanceRaceClocks(float dt) {
    mClock += dt;
    mLevelTime -= dt;
    mLastTick = static_cast<float>(timeGetTime());
    TickLap();
    mSpinTime += gFrameTime2;
    if (mLevelTime < 0.0f && !mLevelFailedSent) {
        mLevelTime = 0.0f;
        if (gCommandDispatcher) gCommandDispatcher->SendByCategory("main", "level_failed", "");
        mLevelFailedSent = true;
    }
}

void CPLevel::StepPlayer(float dt) {
    mPlayerSteps = mRolling ? 0 : TakePlayerSteps(dt);
    for (int32_t step = 0; step < mPlayerSteps && mPlayer; ++step) mPlayer->Update(kPlayerStep);
}

CPLevel::TargetPose CPLevel::PoseOfCameraTarget() const {
    TargetPose pose;
    pose.unit = mCameraTarget;
    if (!pose.unit) return pose;
    pose.at = pose.unit->GetPosition();
    Axes(*pose.unit, pose.forward, pose.up);
    pose.heading = HeadingOf(pose.forward);
    return pose;
}

void CPLevel::FeedChaseCamera(const TargetPose& pose) {
    if (!pose.unit) return;
    const CPCar* car = pose.unit->GetCar();
    mPlayerSpeed = car ? car->mSpeed : 0.0f;
    if (!mCamera) return;
    mCamera->mSpeed = mPlayerSpeed;
    mCamera->mTargetHeight = pose.at.z;
    mCamera->mReferenceSpeed = mActiveView.angleDiv;
    mCamera->mPitchOffsetBase = std::fabs(ClampedAcos(pose.forward.z)) - kHalfPi;
    mCamera->mPitch = D3DXToRadian(mActiveView.angle);
    const float f = car && car->mCrashed && gSettings::cam_speed == 3 ? 1.5f : 1.0f;
    float distance = f * mActiveView.distance;
    D3DXVECTOR3 lookAt = pose.at + D3DXVECTOR3(0.0f, 0.0f, mActiveView.height);
    if (mRollingView == 1) {
        lookAt = pose.at + D3DXVECTOR3(0.0f, 0.0f, mActiveView.height * (2.0f / 3.0f));
        // A camera distance of 0 adds no speed term rather than an infinite one.
        if (distance != 0.0f) distance += mPlayerSpeed / distance;
    } else {
        mCamera->mDistanceSpeedScale = mActiveView.distanceDiv;
    }
    if (mCameraMode != 2 || mRollingView == 1) {
        mCamera->mTargetDistance = distance;
        if (mCamera->mDistance == 0.0f) mCamera->mDistance = distance;
        mCamera->mFocus = lookAt;
    }
    const D3DXVECTOR3 velocity = pose.unit->GetCarVelocity();
    const float speed2 = D3DXVec3LengthSq(&velocity);
    mCamera->mVelocityMagnitude = speed2 < 1e-6f ? 0.0f : std::sqrt(speed2);
    mCamera->mChanged = true;
}

void CPLevel::PlaceListener(const TargetPose& pose) {
    if (!pose.unit || !gSoundManager || !mCamera) return;
    const D3DXVECTOR3 eye = mCamera->GetViewCamera()->GetEye();
    D3DXVECTOR3 top(pose.at.x - eye.x, pose.at.y - eye.y, 0.0f);
    // Straight above the target the direction has no horizontal part: the previous one stays.
    if (top.x != 0.0f || top.y != 0.0f) D3DXVec3Normalize(&mListenerTop, &top);
    gSoundManager->SetListenerOrientation(mListenerTop, D3DXVECTOR3(0.0f, 0.0f, 1.0f));
    gSoundManager->SetListenerPosition(eye, pose.unit->GetCarVelocity());
}

void CPLevel::DriveUnits(float dt, const TargetPose& pose) {
    CPGameData* data = gGameData;
    for (size_t i = 0; i < mEnemies.size(); ++i) {
        CPPlayer* unit = mEnemies[i];
        if (!unit || (!mUnitsActive && i >= kAlwaysDrivenUnits)) continue;
        if (gLevelUpdater) {
            D3DXVECTOR3 unitForward, unitUp;
            Axes(*unit, unitForward, unitUp);
            gLevelUpdater->DriveEnemy(static_cast<int32_t>(i), unit, unitForward, DrivingSpeed(*unit), unit->mCameraMin,
                                      unit->mCameraMax);
        }
        unit->Update(dt);
        if (data && i < kAlwaysDrivenUnits) {
            const D3DXVECTOR3& position = unit->GetPosition();
            data->mAIPositions[UnitKey(i)] = {position.x, position.y};
        }
    }
    // After the race the AI drives the camera target on, along the forward it had before the units moved.
    CPPlayer* target = pose.unit;
    if (mGameOver && target && gLevelUpdater)
        gLevelUpdater->DriveAfterRace(target, pose.forward, DrivingSpeed(*target), target->mCameraMin,
                                      target->mCameraMax);
}

void CPLevel::AimCamera(const TargetPose& pose) {
    if (mCamera && pose.unit) {
        float tilt = ClampedAcos(pose.up.z);
        if (pose.up.z < 0.0f) tilt = -tilt;
        mCamera->mTilt = tilt;
        if (mCameraMode != 2) {
            mCameraYawOffset = RollingYawOffset();
        } else {
            const RaceView& freeView = mRaceViews[2];
            mCamera->mFixedEye = pose.at + pose.forward * freeView.distance + pose.up * freeView.height;
            mCamera->mFixedTarget = mCamera->mFixedEye + pose.forward;
            mCamera->mFixedUp = pose.up;
            mCamera->mYaw = pose.heading;
            mCamera->mChanged = true;
        }
    }
    if (pose.unit) {
        mForward = pose.forward;
        mHeading = pose.heading;
    }
    if (mCamera) mCamera->Update();
}

void CPLevel::QueueRaceDrawing(const TargetPose& pose) {
    CPSmartPtr<CPRenderQueue> queue = gRenderer ? gRenderer->GetDrawQueue() : CPSmartPtr<CPRenderQueue>();
    if (mMiniMap && pose.unit) {
        mMiniMap->SetPlayer(&pose.at.x, mCameraMode == 2 || !mCamera ? pose.heading : mCamera->mYaw);
        if (queue) queue->AddRenderable(mMiniMap);
    }
    if (mEyeFollower && mCamera) {
        mEyeFollower->SetPosition(mCamera->GetViewCamera()->GetEye());
        mEyeFollower->UpdateTransform();
        if (queue) queue->AddObjectTree(mEyeFollower);
    }
    if (mTimeMode) {
        RecordGhost();
        PlayGhost();
        if (mGhost) {
            mGhost->UpdateTransform();
            if (queue) queue->AddObjectTree(mGhost);
        }
    }
    if (mPlane && gSettings::plane != 0.0f && queue) queue->AddObjectTree(mPlane);
    if (queue && mCamera) {
        for (CPPlayer* unit : mEnemies)
            if (unit) unit->Draw(*queue, *mCamera);
        if (!mRolling && mPlayer) mPlayer->Draw(*queue, *mCamera);
    }
    QueueVisibleScene();
    ReleaseIfAlive(queue);
}

void CPLevel::QueueVisibleScene() {
    if (!mCamera) return;
    CPSmartPtr<CPPerspectiveCamera> view = mCamera->GetViewCamera();
    if (gSettings::quadlevels != 0) {
        if (mQuadTree) mQuadTree->Collect(*view);
    } else if (mBranchRoot) {
        mBranchRoot->QueueVisible(*view, kSceneWalkDistance);
    }
    ReleaseIfAlive(view);
}

void CPLevel::UpdateLensFlare() {
    // With the setting off the flare is left as it is, not hidden anew every frame.
    if (!mLensFlare || gSettings::lensflare == 0) return;
    bool shown = false;
    if (gRenderer && mCamera) {
        const D3DXVECTOR3 sun(-mSunLight.Direction.x, -mSunLight.Direction.y, -mSunLight.Direction.z);
        D3DXVECTOR3 screen;
        gRenderer->ProjectToScreen(&screen, sun);
        const bool onScreen = screen.x >= 0.0f && screen.x < static_cast<float>(gSettings::screenWidth) &&
                              screen.y >= 0.0f && screen.y < static_cast<float>(gSettings::screenHeight);
        if (onScreen && sun.z > 0.0f) {
            CPSmartPtr<CPPerspectiveCamera> view = mCamera->GetViewCamera();
            D3DXVECTOR3 s, v;
            const D3DXVECTOR3 look = view->GetTarget() - view->GetEye();
            D3DXVec3Normalize(&s, &sun);
            D3DXVec3Normalize(&v, &look);
            shown = D3DXVec3Dot(&s, &v) >= 0.0f;
            ReleaseIfAlive(view);
            // The flare is drawn in screen pixels.
            mLensFlare->SetPosition(D3DXVECTOR3(std::trunc(screen.x), std::trunc(screen.y), 0.0f));
        }
    }
    mLensFlare->SetVisible(shown);
}
