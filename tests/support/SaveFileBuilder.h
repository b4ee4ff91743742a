// Builds the bytes of a save game field by field, independently of the engine's writer: names, stamp,
// races passed, points and twelve time-attack results whose sample count can be set apart from the
// samples given (to build damaged files).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/WinTypes.h"
#include "simulation/level/RaceRecords.h"

class SaveFileBuilder {
public:
    SaveFileBuilder& Profile(const std::string& name);
    SaveFileBuilder& Player(const std::string& name);
    SaveFileBuilder& Stamp(const SYSTEMTIME& stamp);
    // A stamp with the given date and time; day of week and milliseconds as given or 0.
    SaveFileBuilder& Stamp(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
    SaveFileBuilder& RacesPassed(int32_t value);
    SaveFileBuilder& Points(int32_t value);
    // Result of level 1 .. 12. The file's sample count is the number of samples unless `count` is given;
    // the ghost name and the samples are written only when that count is above 0.
    SaveFileBuilder& Result(int level, float bestTime, int32_t status, const std::string& ghostName = "",
                            const std::vector<GhostSample>& samples = {}, std::optional<int32_t> count = {});

    std::string Bytes() const;

private:
    struct Level {
        float bestTime = 0.0f;
        int32_t status = 0;
        std::string ghostName;
        std::vector<GhostSample> samples;
        std::optional<int32_t> count;
    };
    std::string mProfile = "profile";
    std::string mPlayer = "player";
    SYSTEMTIME mStamp{2020, 1, 3, 1, 12, 0, 0, 0};
    int32_t mRacesPassed = 0;
    int32_t mPoints = 0;
    std::array<Level, 12> mLevels;
};

// A sample whose every field differs and derives from `seed`; flag set for odd seeds, padding zero.
GhostSample MakeGhostSample(int seed);
