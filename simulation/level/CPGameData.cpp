#include "simulation/level/CPGameData.h"

#include <algorithm>
#include <array>

#include "core/ServiceGlobals.h"
#include "core/config/Settings.h"
#include "core/files/CPFileReader.h"
#include "core/files/CPFileWriter.h"
#include "simulation/level/CPLevel.h"
#include "simulation/level/CoeffFile.h"
#include "simulation/level/MissionInfoFile.h"
#include "simulation/level/PlayerFile.h"
#include "simulation/level/ScoresFile.h"

namespace {
constexpr size_t kRecordTableCapacity = 7;
constexpr size_t kUnitRaceBuckets = 20;

// The price of an item of a shop table; a name the table lacks costs nothing.
template <class Record>
int32_t PriceOf(const CPShopTable<Record>& table, const std::string& name) {
    const Record* record = table.Find(name);
    return record ? record->mPrice : 0;
}
}  // namespace

CPGameData::CPGameData() : mRecordTables(kLevelCount) {}

CPGameData::~CPGameData() {
    for (BonusEntry& bonus : mBonusList) ReleaseIfAlive(bonus.mObject);
}

void CPGameData::ResetProfile(const std::string& profileName) {
    mCurrentSave = -1;
    mCurrentMission = 1;
    mPoints = 0;
    for (TimeAttackResult& result : mLevelResults) {
        result.mBestTime = 0.0f;
        result.mStatus = TimeAttackResult::kResetStatus;
        result.mGhostName.clear();
    }
    mProfileName = profileName;
}

int32_t CPGameData::GetAvailabilityLimit() const {
    return mDifficult ? kDifficultAvailabilityLimit : mCurrentMission;
}

const std::string& CPGameData::GetText(const std::string& key) { return mTexts[key]; }

// ---------------------------------------------------------------- best results

bool CPGameData::CheckPlayerRecord(int32_t level, const RecordEntry& record) {
    if (level < 1 || static_cast<size_t>(level) > mRecordTables.size()) return false;
    std::vector<RecordEntry>& table = mRecordTables[static_cast<size_t>(level - 1)];
    if (table.size() < kRecordTableCapacity) {
        table.push_back(record);
        return true;
    }
    std::stable_sort(table.begin(), table.end(), IsBetterRecord);
    const auto beaten = std::find_if(table.begin(), table.end(),
                                     [&](const RecordEntry& held) { return IsBetterRecord(record, held); });
    if (beaten == table.end()) return false;
    InsertRecord(table, static_cast<size_t>(beaten - table.begin()), record);
    table.erase(table.begin() + kRecordTableCapacity);
    return true;
}

size_t CPGameData::InsertRecord(std::vector<RecordEntry>& table, size_t position, const RecordEntry& record) {
    position = std::min(position, table.size());
    table.insert(table.begin() + static_cast<std::ptrdiff_t>(position), record);
    return position;
}

HRESULT CPGameData::SaveScores() const {
    CPFileWriter writer(kScoresFileName, true);
    EncodeScores(mRecordTables, writer);
    return writer.Commit();
}

// ---------------------------------------------------------------- race progress

void CPGameData::ClearGameData() {
    const RaceProgress fresh;
    mCurrentLap = fresh.mLap;
    mLapTimes = fresh.mLapTimes;
    mLapProgress = fresh.mProgress;
    mAIPositions.clear();
    mUnitRaces = std::unordered_map<std::string, RaceProgress>(kUnitRaceBuckets);
    for (BonusEntry& bonus : mBonusList) ReleaseIfAlive(bonus.mObject);
    mBonusList.clear();
}

// ---------------------------------------------------------------- profile, difficulty and mission files

HRESULT CPGameData::LoadPlayer() {
    CPFileReader reader(kPlayerFileName, false);
    const HRESULT loaded = reader.Load();
    mCarConfig = SUCCEEDED(loaded) ? ParsePlayerFile(reader.GetData(), reader.GetSize()) : CarConfigRecord{};
    CommitCarConfig();
    return loaded;
}

HRESULT CPGameData::LoadDifficulty() {
    if (gSettings::cam_speed != 0 && mDifficult) {
        std::fill(std::begin(mDifficultyCoeffs), std::end(mDifficultyCoeffs), 1.0f);
        return S_OK;
    }
    CPFileReader reader(kCoeffFileName, false);
    if (FAILED(reader.Load())) return E_FAIL;
    CoeffFileRecord record;
    if (!ParseCoeffFile(reader.GetData(), reader.GetSize(), record)) return E_FAIL;
    // A short file converts the lines it has; the coefficients it does not reach keep their values.
    for (size_t k = 0; k < record.values.size(); ++k)
        if (record.present[k]) mDifficultyCoeffs[k] = record.values[k];
    return S_OK;
}

HRESULT CPGameData::LoadMissionInfo(const std::string& missionName) {
    CPFileReader reader(std::string(kMissionFolder) + "\\" + missionName, false);
    if (FAILED(reader.Load())) {
        // Without its file a mission has no checkpoints; the enemy sources stay as they are.
        mMissionCheckpoints.clear();
        return E_FAIL;
    }
    MissionInfoRecord record;
    if (!ParseMissionInfo(reader.GetData(), reader.GetSize(), record)) return E_FAIL;

    // A source whose "src" object the level lacks (or a mission read without a level) sits at the origin.
    const D3DXVECTOR3 origin;
    std::unordered_map<std::string, std::vector<EnemySourceRecord>> enemyTypes;
    for (MissionSourceLine& line : record.mSources) {
        EnemySourceRecord source;
        if (gLevel) {
            const auto found = gLevel->mSources.find(line.mName);
            source.mPosition = found != gLevel->mSources.end() ? found->second : origin;
        }
        source.mFlag = line.mFlag;
        source.mValue = line.mValue;
        source.mList = std::move(line.mList);
        enemyTypes[line.mKey].push_back(std::move(source));
    }
    mMissionCheckpoints = std::move(record.mCheckpoints);
    // A reload of a mission replaces its sources instead of appending a second copy of each.
    mEnemyTypes = std::move(enemyTypes);
    return S_OK;
}

// ---------------------------------------------------------------- shop

float CPGameData::GetEquipmentValue(const CarConfigRecord& config) const {
    float value = 0.0f;
    const auto add = [&value](int32_t price) { value += static_cast<float>(price); };
    for (const std::string* weapon : {&config.mWeapon1, &config.mWeapon2, &config.mWeapon3})
        if (!weapon->empty()) add(PriceOf(mWeapons, *weapon));
    for (const std::string* part : {&config.mEquipment1, &config.mEquipment2})
        if (!part->empty()) add(PriceOf(mEquipment, *part));
    if (!config.mArmor.empty()) add(PriceOf(mArmors, config.mArmor));
    if (!config.mBumper.empty()) add(PriceOf(mBumpers, config.mBumper));
    if (!config.mEngine.empty()) add(PriceOf(mEngines, config.mEngine));
    if (!config.mMine.empty()) add(PriceOf(mMines, config.mMine));
    if (!config.mSuperWeapon.empty()) {
        // Multiplied wide: a huge count must not overflow the product.
        const int64_t total = int64_t{PriceOf(mSuperWeapons, config.mSuperWeapon)} * config.mSuperWeaponCount;
        value += static_cast<float>(total);
    }
    return value;
}
