#include "script/CPGameData.h"

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
