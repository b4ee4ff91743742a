// A mission information file under "Data\Levels": checkpoint lines, then after a line "sources" the
// enemy source lines. Tokens are split at blanks (double quotes group one); a weighted list is
// "name,count;name,count...".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "simulation/level/MissionRecords.h"

constexpr const char* kMissionFolder = "Data\\Levels";

// A source line as written: the position is found later from the level's "src" object of mName.
struct MissionSourceLine {
    std::string mName;  // of a "src" object of the level
    std::string mKey;   // the group in the game data's enemy sources
    bool mFlag = false;  // true when the flag token is "0"
    float mValue = 0.0f;
    std::vector<SourceEntry> mList;
};

struct MissionInfoRecord {
    std::vector<MissionCheckpointRecord> mCheckpoints;
    std::vector<MissionSourceLine> mSources;
};

// The items of "a,2;b,3" with their running totals (0..2, 2..5); an item without a count counts 0.
// False when a running total leaves the int32 range.
bool ParseSourceList(const std::string& text, std::vector<SourceEntry>& entries);
// Missing tokens of a line read as empty texts (numbers 0). False when a list is damaged.
bool ParseMissionInfo(const void* text, uint32_t size, MissionInfoRecord& record);
