#include "script/SaveGameRecord.h"

#include <limits>

#include "core/files/CPFileReader.h"
#include "core/files/CPFileWriter.h"

namespace {
WORD ReadWord(CPFileReader& reader) {
    uint8_t bytes[2] = {};
    reader.ReadBytes(bytes, 2);
    return static_cast<WORD>(bytes[0] | (bytes[1] << 8));
}

void WriteWord(CPFileWriter& writer, WORD value) {
    const uint8_t bytes[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
    writer.WriteBytes(bytes, 2);
}

void WriteQuaternion(CPFileWriter& writer, const D3DXQUATERNION& q) {
    writer.WriteFloat(q.x);
    writer.WriteFloat(q.y);
    writer.WriteFloat(q.z);
    writer.WriteFloat(q.w);
}

GhostSample ReadSample(CPFileReader& reader) {
    GhostSample sample;
    sample.mPosition = reader.ReadVector();
    sample.mRotation = reader.ReadQuaternion();
    reader.ReadBytes(&sample.mBikeShown, 1);
    reader.ReadBytes(nullptr, 3);  // padding
    sample.mBikeRotation = reader.ReadQuaternion();
    sample.mCar2Rotation = reader.ReadQuaternion();
    sample.mTime = reader.ReadFloat();
    return sample;
}

void WriteSample(CPFileWriter& writer, const GhostSample& sample) {
    writer.WriteFloat(sample.mPosition.x);
    writer.WriteFloat(sample.mPosition.y);
    writer.WriteFloat(sample.mPosition.z);
    WriteQuaternion(writer, sample.mRotation);
    const uint8_t flagAndPadding[4] = {sample.mBikeShown, 0, 0, 0};
    writer.WriteBytes(flagAndPadding, 4);
    WriteQuaternion(writer, sample.mBikeRotation);
    WriteQuaternion(writer, sample.mCar2Rotation);
    writer.WriteFloat(sample.mTime);
}
}  // namespace

bool ParseSaveGameHead(CPFileReader& reader, SaveGameRecord& record) {
    record.mProfileName = reader.ReadString();
    record.mPlayerName = reader.ReadString();
    SYSTEMTIME& t = record.mStamp;
    for (WORD* field : {&t.wYear, &t.wMonth, &t.wDayOfWeek, &t.wDay, &t.wHour, &t.wMinute, &t.wSecond,
                        &t.wMilliseconds})
        *field = ReadWord(reader);
    return !reader.HasOverrun();
}

bool ParseSaveGame(CPFileReader& reader, SaveGameRecord& record) {
    if (!ParseSaveGameHead(reader, record)) return false;
    record.mRacesPassed = reader.ReadInt();
    record.mPoints = reader.ReadInt();
    for (TimeAttackResult& result : record.mResults) {
        result.mBestTime = reader.ReadFloat();
        result.mStatus = reader.ReadInt();
        const int32_t count = reader.ReadInt();
        result.mGhostName.clear();
        result.mSamples.clear();
        if (reader.HasOverrun()) return false;
        if (count <= 0) continue;
        result.mGhostName = reader.ReadString();
        // Checked before reserving: a damaged count must not size a huge list.
        if (reader.HasOverrun() ||
            static_cast<int64_t>(count) * kGhostSampleFileSize > static_cast<int64_t>(reader.GetRemaining()))
            return false;
        result.mSamples.reserve(static_cast<size_t>(count));
        for (int32_t i = 0; i < count; ++i) result.mSamples.push_back(ReadSample(reader));
    }
    return !reader.HasOverrun();
}

HRESULT EncodeSaveGame(const SaveGameRecord& record, CPFileWriter& writer) {
    if (FAILED(writer.WriteString(record.mProfileName)) || FAILED(writer.WriteString(record.mPlayerName)))
        return E_FAIL;
    const SYSTEMTIME& t = record.mStamp;
    for (WORD field : {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds})
        WriteWord(writer, field);
    writer.WriteInt(record.mRacesPassed);
    writer.WriteInt(record.mPoints);
    for (const TimeAttackResult& result : record.mResults) {
        if (result.mSamples.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return E_FAIL;
        const auto count = static_cast<int32_t>(result.mSamples.size());
        writer.WriteFloat(result.mBestTime);
        writer.WriteInt(result.mStatus);
        writer.WriteInt(count);
        if (count == 0) continue;
        if (FAILED(writer.WriteString(result.mGhostName))) return E_FAIL;
        for (const GhostSample& sample : result.mSamples) WriteSample(writer, sample);
    }
    return S_OK;
}

SaveGameRecord MakeSaveGameRecord(const CPGameData& gameData, const SYSTEMTIME& stamp) {
    SaveGameRecord record;
    record.mProfileName = gameData.mProfileName;
    record.mPlayerName = gameData.mPlayerName;
    record.mStamp = stamp;
    record.mRacesPassed = gameData.mRacesPassed;
    record.mPoints = gameData.mPoints;
    record.mResults = gameData.mLevelResults;
    return record;
}

void ApplySaveGame(const SaveGameRecord& record, int32_t slot, CPGameData& gameData) {
    gameData.ResetProfile(record.mProfileName);
    gameData.mCurrentSave = slot;
    gameData.mPlayerName = record.mPlayerName;
    gameData.mRacesPassed = record.mRacesPassed;
    gameData.mPoints = record.mPoints;
    for (int i = 0; i < CPGameData::kLevelCount; ++i) {
        TimeAttackResult& target = gameData.mLevelResults[i];
        const TimeAttackResult& saved = record.mResults[i];
        target.mBestTime = saved.mBestTime;
        target.mStatus = saved.mStatus;
        target.mSamples = saved.mSamples;
        if (!saved.mSamples.empty()) target.mGhostName = saved.mGhostName;
    }
}

bool IsEarlierStamp(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    const WORD left[] = {a.wYear, a.wMonth, a.wDay, a.wHour, a.wMinute, a.wSecond};
    const WORD right[] = {b.wYear, b.wMonth, b.wDay, b.wHour, b.wMinute, b.wSecond};
    for (size_t i = 0; i < std::size(left); ++i)
        if (left[i] != right[i]) return left[i] < right[i];
    return false;
}
