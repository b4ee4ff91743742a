#include "support/SaveFileBuilder.h"

#include "support/ByteBuilder.h"

SaveFileBuilder& SaveFileBuilder::Profile(const std::string& name) {
    mProfile = name;
    return *this;
}

SaveFileBuilder& SaveFileBuilder::Player(const std::string& name) {
    mPlayer = name;
    return *this;
}

SaveFileBuilder& SaveFileBuilder::Stamp(const SYSTEMTIME& stamp) {
    mStamp = stamp;
    return *this;
}

SaveFileBuilder& SaveFileBuilder::Stamp(int year, int month, int day, int hour, int minute, int second) {
    mStamp = SYSTEMTIME{static_cast<WORD>(year),   static_cast<WORD>(month),  0, static_cast<WORD>(day),
                        static_cast<WORD>(hour),   static_cast<WORD>(minute), static_cast<WORD>(second), 0};
    return *this;
}

SaveFileBuilder& SaveFileBuilder::RacesPassed(int32_t value) {
    mRacesPassed = value;
    return *this;
}

SaveFileBuilder& SaveFileBuilder::Points(int32_t value) {
    mPoints = value;
    return *this;
}

SaveFileBuilder& SaveFileBuilder::Result(int level, float bestTime, int32_t status, const std::string& ghostName,
                                         const std::vector<GhostSample>& samples, std::optional<int32_t> count) {
    mLevels.at(static_cast<size_t>(level - 1)) = Level{bestTime, status, ghostName, samples, count};
    return *this;
}

std::string SaveFileBuilder::Bytes() const {
    ByteBuilder b;
    b.String(mProfile).String(mPlayer);
    for (WORD field : {mStamp.wYear, mStamp.wMonth, mStamp.wDayOfWeek, mStamp.wDay, mStamp.wHour, mStamp.wMinute,
                       mStamp.wSecond, mStamp.wMilliseconds})
        b.UInt16(field);
    b.Int32(mRacesPassed).Int32(mPoints);
    for (const Level& level : mLevels) {
        const int32_t count = level.count.value_or(static_cast<int32_t>(level.samples.size()));
        b.Float32(level.bestTime).Int32(level.status).Int32(count);
        if (count <= 0) continue;
        b.String(level.ghostName);
        for (const GhostSample& s : level.samples) {
            b.Float32(s.mPosition.x).Float32(s.mPosition.y).Float32(s.mPosition.z);
            b.Float32(s.mRotation.x).Float32(s.mRotation.y).Float32(s.mRotation.z).Float32(s.mRotation.w);
            b.Byte(s.mBikeShown).Zeros(3);
            b.Float32(s.mBikeRotation.x).Float32(s.mBikeRotation.y).Float32(s.mBikeRotation.z);
            b.Float32(s.mBikeRotation.w);
            b.Float32(s.mCar2Rotation.x).Float32(s.mCar2Rotation.y).Float32(s.mCar2Rotation.z);
            b.Float32(s.mCar2Rotation.w);
            b.Float32(s.mTime);
        }
    }
    return b.Str();
}

GhostSample MakeGhostSample(int seed) {
    const float f = static_cast<float>(seed);
    GhostSample s;
    s.mPosition = D3DXVECTOR3(f + 0.5f, f + 1.25f, -f - 2.0f);
    s.mRotation = D3DXQUATERNION(0.1f * f, 0.2f, 0.3f, 0.9f);
    s.mBikeShown = static_cast<uint8_t>(seed & 1);
    s.mBikeRotation = D3DXQUATERNION(0.4f, 0.5f * f, 0.6f, 0.7f);
    s.mCar2Rotation = D3DXQUATERNION(-0.4f, -0.5f, -0.6f * f, 0.1f);
    s.mTime = 0.25f * f;
    return s;
}
