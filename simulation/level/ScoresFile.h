// The best-results file "Data\scores.dat": no header and no count, one entry per record of every
// table in table order (table index, name, minutes, seconds, hundredths), the whole file scrambled.
#pragma once

#include <cstdint>
#include <vector>

#include "simulation/level/RaceRecords.h"

class CPFileReader;
class CPFileWriter;

struct ScoresFileEntry {
    int32_t mTable = 0;  // index of the table: level number - 1
    RecordEntry mRecord;

    bool operator==(const ScoresFileEntry&) const = default;
};

constexpr const char* kScoresFileName = "Data\\scores.dat";

// Appends one entry per record of every table, table 0 first.
void EncodeScores(const std::vector<std::vector<RecordEntry>>& tables, CPFileWriter& writer);
// Reads the entries of a loaded (unscrambled) file to its end; false for a truncated entry or a
// negative table index.
bool ParseScores(CPFileReader& reader, std::vector<ScoresFileEntry>& entries);
