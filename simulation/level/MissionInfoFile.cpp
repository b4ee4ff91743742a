#include "simulation/level/MissionInfoFile.h"

#include <limits>

#include "core/config/CPDator.h"
#include "core/files/CPTextReader.h"
#include "core/files/CPTokenizer.h"

namespace {
// Token i of a line, empty when the line has fewer.
const std::string& TokenAt(const std::vector<std::string>& tokens, size_t i) {
    static const std::string kEmpty;
    return i < tokens.size() ? tokens[i] : kEmpty;
}

bool ParseCheckpointLine(const std::string& line, MissionCheckpointRecord& checkpoint) {
    const std::vector<std::string> tokens = Tokenize(line, " ", true);
    checkpoint.mTime = StringToFloat(TokenAt(tokens, 0));
    checkpoint.mX = StringToInt(TokenAt(tokens, 1));
    checkpoint.mY = StringToInt(TokenAt(tokens, 2));
    checkpoint.mZ = StringToInt(TokenAt(tokens, 3));
    checkpoint.mValue = StringToInt(TokenAt(tokens, 5));
    return ParseSourceList(TokenAt(tokens, 4), checkpoint.mList1) &&
           ParseSourceList(TokenAt(tokens, 6), checkpoint.mList2);
}

bool ParseSourceLine(const std::string& line, MissionSourceLine& source) {
    const std::vector<std::string> tokens = Tokenize(line, " ", true);
    source.mName = TokenAt(tokens, 0);
    source.mKey = TokenAt(tokens, 1);
    source.mFlag = TokenAt(tokens, 2) == "0";
    source.mValue = StringToFloat(TokenAt(tokens, 3));
    return ParseSourceList(TokenAt(tokens, 4), source.mList);
}
}  // namespace

bool ParseSourceList(const std::string& text, std::vector<SourceEntry>& entries) {
    std::vector<SourceEntry> parsed;
    // Summed wide: counts near the int32 limits must not overflow the running total.
    int64_t total = 0;
    for (const std::string& item : Tokenize(text, ";", false)) {
        const std::vector<std::string> parts = Tokenize(item, ",", false);
        SourceEntry entry;
        entry.mName = TokenAt(parts, 0);
        entry.mFirst = static_cast<int32_t>(total);
        total += StringToInt(TokenAt(parts, 1));
        if (total > std::numeric_limits<int32_t>::max() || total < std::numeric_limits<int32_t>::min())
            return false;
        entry.mEnd = static_cast<int32_t>(total);
        parsed.push_back(std::move(entry));
    }
    entries = std::move(parsed);
    return true;
}

bool ParseMissionInfo(const void* text, uint32_t size, MissionInfoRecord& record) {
    CPTextReader reader(text, size);
    MissionInfoRecord parsed;
    std::string line;
    bool inSources = false;
    while (reader.NextLine(line)) {
        if (!inSources && line == "sources") {
            inSources = true;
        } else if (!inSources) {
            MissionCheckpointRecord checkpoint;
            if (!ParseCheckpointLine(line, checkpoint)) return false;
            parsed.mCheckpoints.push_back(std::move(checkpoint));
        } else {
            MissionSourceLine source;
            if (!ParseSourceLine(line, source)) return false;
            parsed.mSources.push_back(std::move(source));
        }
    }
    record = std::move(parsed);
    return true;
}
