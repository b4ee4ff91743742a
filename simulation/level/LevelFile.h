// The ".lvl" level description, read whole into a plain record and checked before a level is built
// from it: a header of four unused floats, a light block that is read and not used, the placed objects
// and the splines. A file that is cut short, holds counts beyond its bytes or fails the checks is refused
// whole, so the caller can fail the load before it changes anything.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/D3DX9Math.h"
#include "simulation/level/SplineRecord.h"

class CPFileReader;

// One placed object: its name selects what the level makes of it (see LevelObjectRules.h).
struct LevelObjectRecord {
    std::string name;            // up to the first zero byte of the stored string
    D3DXVECTOR3 position;
    D3DXQUATERNION rotation;     // as stored; meshes take its conjugate, race-unit starts take it as is
    D3DXVECTOR3 scale;
};

struct LevelFileRecord {
    float header[4] = {};          // read and never used
    int32_t lightCount = 0;        // as stored; 0 or below: no light records
    float lightTransform[12] = {}; // the first light's 4 x 3 transform, column by column; read, not used
    std::vector<LevelObjectRecord> objects;
    std::vector<SplineRecord> splines;  // every spline in file order, kept names or not
};

// Sizes of the fixed parts of the file.
constexpr int32_t kLevelHeaderBytes = 16;
constexpr int32_t kFirstLightBytes = 52;
constexpr int32_t kFurtherLightBytes = 28;
constexpr int32_t kLevelObjectFloatBytes = 40;  // position, rotation and scale after the name

// The splines a level keeps; every other name is read and dropped.
inline constexpr const char* kPathSplineName = "c_path";
inline constexpr const char* kLeftSplineName = "left";
inline constexpr const char* kRightSplineName = "right";

// "Data\Levels\" + name + ".lvl".
std::string LevelFilePath(const std::string& levelName);

// Parses the whole file at the reader's cursor. False when the bytes end before the counts say they
// should (every count is checked against the bytes left before anything is reserved); the record is
// then incomplete and must not be used. Bytes after the spline table are ignored.
bool ReadLevelFile(CPFileReader& reader, LevelFileRecord& record);

// False when an object's position, rotation or scale is not finite, or when a spline the level keeps
// (the last one of each kept name) fails ValidateSplineRecord.
bool ValidateLevelFile(const LevelFileRecord& record);

// Loads "Data\Levels\<name>.lvl", parses and checks it. False, with `record` untouched, when the file
// cannot be read, is cut short or fails the checks.
bool LoadLevelFile(const std::string& levelName, LevelFileRecord& record);

// The last spline of that name, null when the file has none.
const SplineRecord* FindLevelSpline(const LevelFileRecord& record, const std::string& name);

// 1 .. 12 for exactly "level1" .. "level12", 0 for every other name ("Level1" included).
int32_t LevelNumberFromName(const std::string& levelName);
// World units covered along x and along y (one value for both) by a level of that number.
float LevelExtent(int32_t levelNumber);
