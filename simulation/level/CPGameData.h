// The game's data record (gGameData): the player's profile, the shop tables and car configuration, the
// interface texts, the settings and clock of the current race, the best results and time-attack runs
// and the collected bonuses. Race rules, script functions and save games read and write its fields.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/WinTypes.h"
#include "simulation/level/CPShopTable.h"
#include "simulation/level/MissionRecords.h"
#include "simulation/level/RaceRecords.h"
#include "simulation/level/ShopRecords.h"

// Not reference counted: the host makes it with a plain new before the scripts run and deletes it at
// the end. It owns everything in it.
class CPGameData {
public:
    static constexpr int kLevelCount = 12;  // levels 1 .. 12; level n uses element n - 1
    // While mDifficult is set every shop item is offered: no availability goes beyond this.
    static constexpr int32_t kDifficultAvailabilityLimit = 15;

    // Makes one empty records table per level.
    CPGameData();
    // Lets go of the bonus objects; one already deleted by its owner is not touched.
    ~CPGameData();
    CPGameData(const CPGameData&) = delete;
    CPGameData& operator=(const CPGameData&) = delete;

    // The reset for a new profile: no save slot, mission 1, no points, every time-attack result
    // without a time (status 4, no ghost name; its samples stay), then the new profile name.
    void ResetProfile(const std::string& profileName);

    // The highest availability the shop offers now: mCurrentMission, or 15 while mDifficult is set.
    int32_t GetAvailabilityLimit() const;
    bool IsOffered(int32_t availability) const { return availability <= GetAvailabilityLimit(); }

    // The display text of a key; a key not yet known is entered with an empty text.
    const std::string& GetText(const std::string& key);

    // Best results. Offers a result to the table of a level (1-based): the first seven enter as they
    // come, later ones only when better than one of the sorted seven. False for a level without a table.
    bool CheckPlayerRecord(int32_t level, const RecordEntry& record);
    // Inserts before `position` (a position past the end appends); returns where the record now is.
    static size_t InsertRecord(std::vector<RecordEntry>& table, size_t position, const RecordEntry& record);
    // Writes every table to "Data\scores.dat", scrambled: 0, or E_FAIL with the previous file kept.
    HRESULT SaveScores() const;
    // Resets the player's and the other units' race progress and lets go of the collected bonuses.
    void ClearGameData();

    // The starting car configuration from "DATA\player.dat", also committed to the race. A file that
    // cannot be read gives the empty configuration (E_FAIL).
    HRESULT LoadPlayer();
    // With a non-zero difficulty setting and mDifficult set, every coefficient is 1; otherwise they come
    // from "DATA\coeff.dat". A file that cannot be read or holds fewer than four values changes nothing
    // (E_FAIL).
    HRESULT LoadDifficulty();
    // The checkpoints and enemy sources of a mission from "Data\Levels\" + the name, placed at the
    // "src" objects of gLevel. A file that cannot be read leaves the mission with neither (E_FAIL); a
    // damaged one changes nothing (E_FAIL).
    HRESULT LoadMissionInfo(const std::string& missionName);
    // The price of a configuration's items; a name its shop table lacks costs nothing.
    float GetEquipmentValue(const CarConfigRecord& config) const;
    void CommitCarConfig() { mRealCarConfig = mCarConfig; }

    int32_t mTransportCount = 0;  // cars the next level loads
    std::list<BonusEntry> mBonusList;  // collected in the current race, in order
    std::vector<std::vector<RecordEntry>> mRecordTables;  // best results, one table per level
    CPShopTable<WeaponRecord> mWeapons;
    CPShopTable<MineRecord> mMines;
    CPShopTable<SuperWeaponRecord> mSuperWeapons;
    CPShopTable<PartRecord> mBumpers;
    CPShopTable<PartRecord> mEquipment;
    CPShopTable<PartRecord> mArmors;
    CPShopTable<EngineRecord> mEngines;
    CarConfigRecord mCarConfig;      // being edited in the shop
    CarConfigRecord mRealCarConfig;  // in use in the race
    float mMoney = 0.0f;
    std::vector<MissionCheckpointRecord> mMissionCheckpoints;  // of the current mission
    // Enemy sources of the current mission under the key of their source lines.
    std::unordered_map<std::string, std::vector<EnemySourceRecord>> mEnemyTypes;
    std::unordered_map<std::string, std::string> mTexts;  // display texts by key
    int32_t mCurrentMission = 1;  // 1-based
    std::vector<CarConfigRecord> mCarPresets;  // three per mission
    // As read from the coefficients file; the second is the bonus, the third the damage and the
    // fourth the level-time coefficient.
    float mDifficultyCoeffs[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    int32_t mKills = 0;
    bool mDifficult = false;
    int32_t mCurrentSave = -1;  // save slot 0 .. 5 of the profile; -1: none
    int32_t mRacesPassed = 0;
    // The player's race progress, starting as a default RaceProgress.
    int32_t mCurrentLap = 1;  // 1-based
    std::vector<float> mLapTimes = std::vector<float>(RaceProgress::kDefaultLapSlots, 0.0f);  // seconds per lap
    int32_t mLapProgress = -1;  // path points advanced
    std::string mPlayerName;   // the player's car model choice
    std::string mProfileName;  // the title of the save games
    // Minimap positions (x, y) of the other units under the decimal text of their index.
    std::unordered_map<std::string, std::pair<float, float>> mAIPositions;
    // Race progress of the other units under the decimal text of their index.
    std::unordered_map<std::string, RaceProgress> mUnitRaces;
    int32_t mRoundCount = 0;
    int32_t mPlayerType = 0;  // side bits of the player's unit: 10 or 9
    float mRoundTime = 0.0f;      // seconds allowed per round
    float mTotalRaceTime = 0.0f;  // seconds the race clock has run
    int32_t mMaxAbilityCount = 0;
    int32_t mMana = 0;
    bool mLevelStarted = false;
    std::array<TimeAttackResult, kLevelCount> mLevelResults;  // best time-attack runs
    int32_t mPoints = 0;
    bool mSingle = false;      // single race
    bool mTimeAttack = false;  // time-attack race
};
