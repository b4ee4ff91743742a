// The contents of a save game as a plain record, and its binary form: the profile and player names,
// the local time of saving, races passed, points and the twelve time-attack results with their ghosts.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/WinTypes.h"
#include "simulation/level/CPGameData.h"

class CPFileReader;
class CPFileWriter;

struct SaveGameRecord {
    std::string mProfileName;
    std::string mPlayerName;
    SYSTEMTIME mStamp{};  // local time of saving
    int32_t mRacesPassed = 0;
    int32_t mPoints = 0;
    // Level 1 first. A result without samples has no ghost name in the file.
    std::array<TimeAttackResult, CPGameData::kLevelCount> mResults;
};

// The bytes of one ghost sample in the file.
constexpr int kGhostSampleFileSize = 68;

// Reads the two names and the stamp from the reader's cursor: false when the data ends before them.
bool ParseSaveGameHead(CPFileReader& reader, SaveGameRecord& record);
// Reads a whole save game from the reader's cursor into `record`: false when the data ends before a
// field or a sample count asks for more samples than bytes remain. A count of 0 or less means no
// samples and no ghost name. Bytes after the last result are ignored.
bool ParseSaveGame(CPFileReader& reader, SaveGameRecord& record);

// Appends the record's fields in file order. E_FAIL (the writer then holds part of the record) when a
// sample list or a text is too long for its int32 count.
HRESULT EncodeSaveGame(const SaveGameRecord& record, CPFileWriter& writer);

// The saved part of the game data, stamped with the given time.
SaveGameRecord MakeSaveGameRecord(const CPGameData& gameData, const SYSTEMTIME& stamp);
// Replaces the profile with a parsed save: the profile reset with the saved name, the slot, the
// player name, races passed, points and every time-attack result with its ghost.
void ApplySaveGame(const SaveGameRecord& record, int32_t slot, CPGameData& gameData);

// True when `a` is earlier than `b`, comparing year, month, day, hour, minute and second in that order
// (day of week and milliseconds do not count).
bool IsEarlierStamp(const SYSTEMTIME& a, const SYSTEMTIME& b);
