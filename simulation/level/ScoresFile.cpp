#include "simulation/level/ScoresFile.h"

#include "core/files/CPFileReader.h"
#include "core/files/CPFileWriter.h"

void EncodeScores(const std::vector<std::vector<RecordEntry>>& tables, CPFileWriter& writer) {
    for (size_t table = 0; table < tables.size(); ++table) {
        for (const RecordEntry& record : tables[table]) {
            writer.WriteInt(static_cast<int32_t>(table));
            writer.WriteString(record.mName);
            writer.WriteInt(record.mMinutes);
            writer.WriteInt(record.mSeconds);
            writer.WriteInt(record.mHundredths);
        }
    }
}

bool ParseScores(CPFileReader& reader, std::vector<ScoresFileEntry>& entries) {
    std::vector<ScoresFileEntry> parsed;
    while (!reader.IsAtEnd()) {
        ScoresFileEntry entry;
        entry.mTable = reader.ReadInt();
        entry.mRecord.mName = reader.ReadString();
        entry.mRecord.mMinutes = reader.ReadInt();
        entry.mRecord.mSeconds = reader.ReadInt();
        entry.mRecord.mHundredths = reader.ReadInt();
        if (reader.HasOverrun() || entry.mTable < 0) return false;
        parsed.push_back(std::move(entry));
    }
    entries = std::move(parsed);
    return true;
}
