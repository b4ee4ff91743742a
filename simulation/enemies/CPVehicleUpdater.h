// The level's vehicle updater (gLevelUpdater): a task, run before the race units, that holds the AI
// vehicle records of the race and every frame turns each record's state into its unit's controls.
#pragma once

#include <cstdint>
#include <vector>

#include "core/CPTask.h"
#include "platform/D3DX9Math.h"

class AI_Vehicle;
class CPGameObject;
class CPLine;
class CPPlayer;

class CPVehicleUpdater : public CPTask {
public:
    // Records of the first list; the level makes them for every load.
    static constexpr int32_t kFirstListSize = 12;
    // The record that drives the camera target after the race. No enemy shares it: enemies 0 .. 10 use
    // the first list, enemy 11 and later the second list from its start.
    static constexpr int32_t kAfterRaceVehicle = 11;
    static constexpr int32_t kPriority = 100;

    CPVehicleUpdater() = default;
    // Deletes every record it holds.
    ~CPVehicleUpdater() override;

    size_t GetSize() const override { return sizeof(CPVehicleUpdater); }
    std::string GetClassName() const override { return "CPVehicleUpdater"; }
    // The driving step of every record with a unit: the unit takes the record's throttle and steering.
    void Execute() override;
    int32_t GetTag() const override { return 0; }

    // A level load: the vehicle count := transports (the flag follows it), both lists cleared, then 12
    // new records in the first list and `transports` (0 or more) in the second.
    void PrepareVehicles(int32_t transports);
    // Every record is reset and deleted; both lists are emptied.
    void ClearVehicleLists();
    // Appends records to the second list until enemy `enemyIndex` has one.
    void EnsureEnemyVehicle(int32_t enemyIndex);

    // The record of enemy i (its index in the level's enemy list): 0 .. 10 in the first list, from 11 on
    // the second list at i - 11. Null for an index without a record.
    AI_Vehicle* GetEnemyVehicle(int32_t enemyIndex) const;
    // The record that drives the camera target after the race; null before a level load.
    AI_Vehicle* GetAfterRaceVehicle() const;
    // Records the unit's state in the record of enemy i; nothing without a record.
    void DriveEnemy(int32_t enemyIndex, CPPlayer* unit, const D3DXVECTOR3& forward, float speed, int32_t cameraMin,
                    int32_t cameraMax);
    void DriveAfterRace(CPPlayer* unit, const D3DXVECTOR3& forward, float speed, int32_t cameraMin,
                        int32_t cameraMax);
    // The path slot of enemy i's record (and of the after-race record through SetAfterRacePath) starts
    // at the node.
    void AssignEnemyPath(int32_t enemyIndex, int32_t slot, CPLine* node);
    void AssignAfterRacePath(int32_t slot, CPLine* node);

    const std::vector<AI_Vehicle*>& GetFirstList() const { return mFirstList; }
    const std::vector<AI_Vehicle*>& GetSecondList() const { return mSecondList; }
    int32_t GetVehicleCount() const { return mVehicleCount; }
    // Cleared by a load with no transports; EnableUnits sets it again.
    bool mTransportsActive = true;

private:
    static void DriveRecord(AI_Vehicle* record, CPPlayer* unit, const D3DXVECTOR3& forward, float speed,
                            int32_t cameraMin, int32_t cameraMax);

    std::vector<AI_Vehicle*> mFirstList;   // owned
    std::vector<AI_Vehicle*> mSecondList;  // owned
    int32_t mVehicleCount = 0;             // the game data's transports at the last load
};

// Created by the host; null before.
extern CPVehicleUpdater* gLevelUpdater;
