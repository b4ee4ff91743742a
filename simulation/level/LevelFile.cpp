#include "simulation/level/LevelFile.h"

#include "core/files/CPFileReader.h"
#include "platform/FiniteChecks.h"

namespace {
// Smallest object record: an empty name (its count) and the ten floats.
constexpr int64_t kMinObjectBytes = 4 + kLevelObjectFloatBytes;
// Smallest spline record: an empty name, the closed flag and the segment count.
constexpr int64_t kMinSplineBytes = 4 + 8;

// A count read from the file that its smallest records could not fit in the bytes left is refused
// before anything is reserved for it.
bool CountFits(const CPFileReader& reader, int32_t count, int64_t minRecordBytes) {
    return count >= 0 && static_cast<int64_t>(count) * minRecordBytes <= reader.GetRemaining();
}

bool ReadLightBlock(CPFileReader& reader, LevelFileRecord& record) {
    record.lightCount = reader.ReadInt();
    if (record.lightCount < 1) return !reader.HasOverrun();
    const int64_t bytes = kFirstLightBytes + int64_t{kFurtherLightBytes} * (int64_t{record.lightCount} - 1);
    if (reader.HasOverrun() || bytes > reader.GetRemaining()) return false;
    reader.ReadBytes(nullptr, 4);
    for (float& value : record.lightTransform) value = reader.ReadFloat();
    reader.ReadBytes(nullptr, bytes - kFirstLightBytes);
    return !reader.HasOverrun();
}

bool ReadObjects(CPFileReader& reader, LevelFileRecord& record) {
    const int32_t count = reader.ReadInt();
    if (reader.HasOverrun() || !CountFits(reader, count, kMinObjectBytes)) return false;
    record.objects.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        LevelObjectRecord object;
        object.name = reader.ReadString();
        object.position = reader.ReadVector();
        object.rotation = reader.ReadQuaternion();
        object.scale = reader.ReadVector();
        if (reader.HasOverrun()) return false;
        record.objects.push_back(std::move(object));
    }
    return true;
}

bool ReadSplines(CPFileReader& reader, LevelFileRecord& record) {
    const int32_t count = reader.ReadInt();
    if (reader.HasOverrun() || !CountFits(reader, count, kMinSplineBytes)) return false;
    record.splines.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        SplineRecord spline;
        if (!ReadSplineRecord(reader, spline)) return false;
        record.splines.push_back(std::move(spline));
    }
    return true;
}
}  // namespace

std::string LevelFilePath(const std::string& levelName) { return "Data\\Levels\\" + levelName + ".lvl"; }

bool ReadLevelFile(CPFileReader& reader, LevelFileRecord& record) {
    record = LevelFileRecord();
    for (float& value : record.header) value = reader.ReadFloat();
    if (reader.HasOverrun()) return false;
    return ReadLightBlock(reader, record) && ReadObjects(reader, record) && ReadSplines(reader, record);
}

bool ValidateLevelFile(const LevelFileRecord& record) {
    for (const LevelObjectRecord& object : record.objects)
        if (!IsFinite(object.position) || !IsFinite(object.rotation) || !IsFinite(object.scale)) return false;
    for (const char* name : {kPathSplineName, kLeftSplineName, kRightSplineName}) {
        const SplineRecord* spline = FindLevelSpline(record, name);
        if (spline && !ValidateSplineRecord(*spline)) return false;
    }
    return true;
}

bool LoadLevelFile(const std::string& levelName, LevelFileRecord& record) {
    CPFileReader reader(LevelFilePath(levelName), false);
    if (reader.Load() != 0) return false;
    LevelFileRecord parsed;
    if (!ReadLevelFile(reader, parsed) || !ValidateLevelFile(parsed)) return false;
    record = std::move(parsed);
    return true;
}

const SplineRecord* FindLevelSpline(const LevelFileRecord& record, const std::string& name) {
    for (auto it = record.splines.rbegin(); it != record.splines.rend(); ++it)
        if (it->name == name) return &*it;
    return nullptr;
}

int32_t LevelNumberFromName(const std::string& levelName) {
    for (int32_t n = 1; n <= 12; ++n)
        if (levelName == "level" + std::to_string(n)) return n;
    return 0;
}

float LevelExtent(int32_t levelNumber) {
    if (levelNumber < 1 || levelNumber > 12) return 1000.0f;
    static constexpr float kExtents[4] = {3800.0f, 1000.0f, 1150.0f, 1200.0f};  // by number mod 4
    return kExtents[levelNumber % 4];
}
