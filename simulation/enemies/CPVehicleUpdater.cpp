#include "simulation/enemies/CPVehicleUpdater.h"

#include "core/ServiceGlobals.h"
#include "simulation/enemies/AI_Vehicle.h"
#include "simulation/units/CPPlayer.h"

CPVehicleUpdater* gLevelUpdater = nullptr;

CPVehicleUpdater::~CPVehicleUpdater() { ClearVehicleLists(); }

void CPVehicleUpdater::Execute() {
    auto step = [](AI_Vehicle* record) {
        if (!record || !record->mUnit) return;
        if (!gObjectRegistry::Contains(record->mUnit.Get())) {
            record->mUnit.Forget();
            return;
        }
        const AiControls controls = record->ComputeControls();
        // Through the unit's own inputs: its update hands them to the car after this task.
        record->mUnit->SetControls(controls.throttle, controls.steering);
    };
    for (AI_Vehicle* record : mFirstList) step(record);
    for (AI_Vehicle* record : mSecondList) step(record);
}

void CPVehicleUpdater::PrepareVehicles(int32_t transports) {
    if (transports < 0) transports = 0;
    mVehicleCount = transports;
    if (transports == 0) mTransportsActive = false;
    ClearVehicleLists();
    for (int32_t i = 0; i < kFirstListSize; ++i) mFirstList.push_back(new AI_Vehicle);
    for (int32_t i = 0; i < transports; ++i) mSecondList.push_back(new AI_Vehicle);
}

void CPVehicleUpdater::ClearVehicleLists() {
    for (std::vector<AI_Vehicle*>* list : {&mFirstList, &mSecondList}) {
        for (AI_Vehicle* record : *list) {
            if (!record) continue;
            record->Reset();
            delete record;
        }
        list->clear();
    }
}

void CPVehicleUpdater::EnsureEnemyVehicle(int32_t enemyIndex) {
    if (enemyIndex < kAfterRaceVehicle) return;
    while (static_cast<int32_t>(mSecondList.size()) <= enemyIndex - kAfterRaceVehicle)
        mSecondList.push_back(new AI_Vehicle);
}

AI_Vehicle* CPVehicleUpdater::GetEnemyVehicle(int32_t enemyIndex) const {
    if (enemyIndex < 0) return nullptr;
    if (enemyIndex < kAfterRaceVehicle)
        return enemyIndex < static_cast<int32_t>(mFirstList.size()) ? mFirstList[enemyIndex] : nullptr;
    const int32_t second = enemyIndex - kAfterRaceVehicle;
    return second < static_cast<int32_t>(mSecondList.size()) ? mSecondList[second] : nullptr;
}

AI_Vehicle* CPVehicleUpdater::GetAfterRaceVehicle() const {
    return kAfterRaceVehicle < static_cast<int32_t>(mFirstList.size()) ? mFirstList[kAfterRaceVehicle] : nullptr;
}

void CPVehicleUpdater::DriveRecord(AI_Vehicle* record, CPPlayer* unit, const D3DXVECTOR3& forward, float speed,
                                   int32_t cameraMin, int32_t cameraMax) {
    if (!record || !unit) return;
    record->Drive(unit, forward, speed, CPSmartPtr<CPPlayer>(unit), cameraMin, cameraMax);
}

void CPVehicleUpdater::DriveEnemy(int32_t enemyIndex, CPPlayer* unit, const D3DXVECTOR3& forward, float speed,
                                  int32_t cameraMin, int32_t cameraMax) {
    DriveRecord(GetEnemyVehicle(enemyIndex), unit, forward, speed, cameraMin, cameraMax);
}

void CPVehicleUpdater::DriveAfterRace(CPPlayer* unit, const D3DXVECTOR3& forward, float speed, int32_t cameraMin,
                                      int32_t cameraMax) {
    DriveRecord(GetAfterRaceVehicle(), unit, forward, speed, cameraMin, cameraMax);
}

void CPVehicleUpdater::AssignEnemyPath(int32_t enemyIndex, int32_t slot, CPLine* node) {
    if (AI_Vehicle* record = GetEnemyVehicle(enemyIndex)) record->SetPath(slot, node);
}

void CPVehicleUpdater::AssignAfterRacePath(int32_t slot, CPLine* node) {
    if (AI_Vehicle* record = GetAfterRaceVehicle()) record->SetPath(slot, node);
}
