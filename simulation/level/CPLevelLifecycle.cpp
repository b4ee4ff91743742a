// The start and the stop of a level's race.
#include <cstdio>

#include "Render/CPCamera.h"
#include "Render/CPMiniMap.h"
#include "Render/PCamera.h"
#include "Render/PEffectSpawner.h"
#include "Render/PRender.h"
#include "Sound/NSoundManager.h"
#include "core/CPCommandDispatcher.h"
#include "core/CPObjUpdater.h"
#include "core/CPTaskKernel.h"
#include "core/FrameClock.h"
#include "core/ServiceGlobals.h"
#include "simulation/enemies/CPVehicleUpdater.h"
#include "simulation/level/CPGameData.h"
#include "simulation/level/CPLevel.h"
#include "simulation/level/CPLevelBranch.h"
#include "simulation/level/CPSpline.h"
#include "simulation/physics/CPPhysicWorld.h"
#include "simulation/units/CPPlayer.h"

namespace {

// Stops the task and deletes it while it is still a live engine object; the kernel drops a destroyed
// task from its list.
void DeleteTask(CPSmartPtr<CPTask>& task) {
    CPTask* held = task.Get();
    if (!held) return;
    ReleaseIfAlive(task);
    if (gObjectRegistry::Contains(held)) {
        held->Stop();
        delete held;
    }
}

}  // namespace

bool CPLevel::Start() {
    if (!mLoaded) return false;
    // A level started again runs one race task, not two.
    DeleteTask(mRaceTask);

    mRequiredPlace = 0;
    mResultDecided = false;
    mFinishSlots = {-1, -1, -1};
    mPlayerStepAcc = 0.0f;
    gDeltaTime = 0.0f;

    if (gLevelUpdater) gLevelUpdater->SetPriority(kUpdaterPriority);
    if (gPhysicsWorld) {
        gPhysicsWorld->SetPriority(kPhysicsPriority);
        if (gTaskKernel) gTaskKernel->AddTask(gPhysicsWorld);
    }

    if (mCamera) {
        mCamera->AttachMainView(PRender::kMainViewLayer);
        mCamera->AttachSecondView(kSecondViewLayer);
    }
    if (gRenderer) {
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        gRenderer->SetLayerMatrix(&identity._11, kIdentityLayer);
        const D3DXVECTOR4 light(mSunLight.Direction.x, mSunLight.Direction.y, mSunLight.Direction.z, 0.0f);
        const D3DXPLANE ground(0.0f, 0.0f, -1.0f, 0.0f);
        D3DXMATRIX shadow;
        D3DXMatrixShadow(&shadow, &light, &ground);
        gRenderer->SetLayerMatrix(&shadow._11, PRender::kMainViewLayer);
    }

    auto* raceTask = new CPObjUpdater();
    raceTask->SetTag(0);
    raceTask->SetTarget(this, &CPLevel::Update);
    raceTask->SetPriority(kRaceTaskPriority);
    mRaceTask = raceTask;
    if (gTaskKernel) {
        gTaskKernel->AddTask(mRaceTask);
        if (gLevelUpdater) gTaskKernel->AddTask(gLevelUpdater);
    }

    mStopped = false;
    if (mPlayer) mPlayer->Activate(kUnitPriority);
    if (mScene) mScene->Activate(kUnitPriority);
    mChkCursor = mChkObjects.begin();
    mLevelTime = kLevelTimeAtStart;

    if (CPGameData* data = gGameData) {
        if (gCommandDispatcher) {
            char money[64];
            std::snprintf(money, sizeof money, "%.2f", static_cast<double>(data->mMoney));
            gCommandDispatcher->SendByName("gamemenu", "set_money", money);
            gCommandDispatcher->SendByName("gamemenu", "init_game_interface", "");
        }
        if (data->mCurrentLap >= 1) {
            const size_t running = static_cast<size_t>(data->mCurrentLap - 1);
            if (data->mLapTimes.size() <= running) data->mLapTimes.resize(running + 1, 0.0f);
            data->mLapTimes[running] = 0.0f;
        }
        for (auto& [key, race] : data->mUnitRaces) {
            if (race.mLapTimes.size() < kStartLapTimes) race.mLapTimes.resize(kStartLapTimes, 0.0f);
            for (size_t i = 0; i < kStartLapTimes; ++i) race.mLapTimes[i] = data->mRoundTime;
        }
    }
    InitLapTracking();
    return true;
}

void CPLevel::Stop() {
    mUnitsActive = false;
    if (mScene) mScene->Deactivate();
    g_pCurrentCamera = nullptr;
    ReleaseIfAlive(mPath);
    ReleaseIfAlive(mLeftLine);
    ReleaseIfAlive(mRightLine);
    mPathHint = {};
    mPathPoints.clear();
    mUnitNearest.clear();
    mUnitProgress.clear();
    mRaceClockOn = false;

    for (CPSmartPtr<CPGameObject>& object : mObjects) {
        if (!object || !gObjectRegistry::Contains(object.Get())) continue;
        object->Deactivate();
        ReleaseIfAlive(object);
    }
    mObjects.clear();
    // The flame's burned objects belong to this race: none may outlive it in a unit.
    for (CPPlayer* unit : mEnemies) {
        if (!unit || !gObjectRegistry::Contains(unit)) continue;
        unit->ClearBurned();
        unit->Deactivate();
    }
    mEnemies.clear();
    if (mPlayer && gObjectRegistry::Contains(mPlayer)) {
        mPlayer->ClearBurned();
        mPlayer->Deactivate();
    }

    if (gLevelUpdater) {
        gLevelUpdater->ClearVehicleLists();
        gLevelUpdater->Stop();
    }
    if (gPhysicsWorld) gPhysicsWorld->Stop();
    // The partition's moving objects leave the kernel with the race; its static ones never ran.
    if (mBranchRoot) mBranchRoot->DeactivateDynamic();
    DeletePartition();
    ReleaseIfAlive(mGhost);
    DeleteTask(mRaceTask);
    mStopped = true;
    for (auto& [index, cell] : mGridCells)
        for (CPSmartPtr<CPGameObject>& object : cell) ReleaseIfAlive(object);
    mGridCells.clear();
    mPlayer = nullptr;
    mCameraTarget = nullptr;
    ReleaseIfAlive(mLensFlare);

    if (gEmitterTable) gEmitterTable->ResetAllEffects();
    if (gGameData) gGameData->mLevelStarted = false;
    if (gSoundManager) gSoundManager->StopAllSounds();
    if (gRenderer) gRenderer->ClearMeshBuffers();
}

void CPLevel::ShowCheckpoint() {
    ReleaseIfAlive(mShownCheckpoint);
    if (mChkCursor == mChkObjects.end()) {
        if (mMiniMap) mMiniMap->SetTarget(nullptr);
        return;
    }
    mShownCheckpoint = mChkCursor->mObject;
    if (mShownCheckpoint) mShownCheckpoint->SetVisible(true);
    if (gCommandDispatcher) gCommandDispatcher->SendByCategory("main", "say_show", "");
    if (mMiniMap) mMiniMap->SetTarget(mShownCheckpoint.Get());
}
